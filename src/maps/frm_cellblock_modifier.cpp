#include "maps/frm_cellblock_modifier.hpp"

#include <array>
#include <string_view>

#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "ui/format.hpp"
#include "ui/number_parse.hpp"
#include "ui/rounding.hpp"

namespace ecu {

namespace {

// The mask each grid's cells are written in, by block table code; empty: no grid.
constexpr std::array<std::string_view, 14> kBlockMasks = {
    "#.000", "0.00",  "0.00",  "0.00", "0.00", "",     "#0.00",
    "#.000", "#.000", "##.#0", "0.00", "0.00", "0.00", "0.00",
};

std::string_view block_mask(Integer table_code) {
  if (table_code < 0 || table_code >= static_cast<Integer>(kBlockMasks.size())) return {};
  return kBlockMasks.at(static_cast<std::size_t>(table_code));
}

int block_grid_size(Integer table_code) {
  return table_code == 0 || (table_code >= 6 && table_code <= 8) ? 16 : 9;
}

}  // namespace

ui::Grid* block_grid(Integer table_code) {
  switch (table_code) {
    case 0:
      return &frm_3d().map_grid(0);
    case 6:
    case 7:
    case 8:
      return &frm_3d().map_grid(table_code - 5);
    case 9:
      return &frm_2d().lambda_sp_table;
    case 1:
    case 2:
    case 3:
    case 4:
      return &frm_sup().table_grid(table_code - 1);
    case 10:
    case 11:
    case 12:
    case 13:
      return &frm_sup().table_grid(table_code - 10 + 4);
    default:
      return nullptr;
  }
}

FrmCellblockModifierForm::FrmCellblockModifierForm()
    : ui::Form("frm_cellblock_modifier", "Modify Block of Cells", 4200, 3000) {
  // Not over the map, where it would cover the selection it works on.
  set_centred_on_screen(true);
  // Each row pairs an operand with its buttons: Divide, multiply, Multiply; Subtract, Add,
  // Add; set_value, Set All; Cancel alone under Set All.
  constexpr float kLeft = 120, kMiddle = 1440, kRight = 2760, kWidth = 1200, kHeight = 375;
  constexpr float kRows[] = {480, 960, 1440, 1920};
  Label1.move(kMiddle, 120, kWidth, 255);
  Label1.set_caption("Value");
  multiply.move(kMiddle, kRows[0], kWidth, kHeight);
  multiply.set_text("1.000");
  multiply.set_tool_tip(
      "Enter a value here that will block multiply or divide the selected range of cells.");
  Add.move(kMiddle, kRows[1], kWidth, kHeight);
  Add.set_text("0.000");
  Add.set_tool_tip(
      "Enter a value here that will block add or subtract the selected range of cells.");
  set_value.move(kMiddle, kRows[2], kWidth, kHeight);
  set_value.set_text("1.000");
  set_value.set_tool_tip("Enter a value here that will be applied to the selected range of cells.");
  struct Button {
    const char* caption;
    float left, top;
  };
  const Button buttons[] = {
      {"Cancel", kRight, kRows[3]},  {"Multiply", kRight, kRows[0]}, {"Add", kRight, kRows[1]},
      {"Set All", kRight, kRows[2]}, {"Subtract", kLeft, kRows[1]},  {"Divide", kLeft, kRows[0]},
  };
  for (int index = 0; index < cell_operation.count(); ++index) {
    const Button& button = buttons[index];
    cell_operation[index].set_caption(button.caption);
    cell_operation[index].move(button.left, button.top, kWidth, kHeight);
  }
  cell_operation.on(&ui::CommandButton::on_click,
                    [this](int index) { cell_operation_Click(index); });
  // No key alone changes cells: Enter presses nothing, Escape cancels.
  set_dialog_keys(nullptr, &cell_operation[cancel]);
  set_tab_order({&multiply, &Add, &set_value, &cell_operation[divide_block],
                 &cell_operation[subtract_block], &cell_operation[multiply_block],
                 &cell_operation[add_block], &cell_operation[set_all], &cell_operation[cancel]});
}

void FrmCellblockModifierForm::cell_operation_Click(int index) {
  if (index == cancel) {
    unload();
    return;
  }
  skip_idle_check = 1;
  if (ui::msg_box("This operation will modify a group of cells and cannot be undone. Continue?",
                  ui::MsgButtons::yes_no, ui::MsgIcon::exclamation, 1,
                  "CAUTION!") != ui::MsgResult::yes) {
    return;
  }
  const Integer code = block_table_code;
  const std::string_view mask = block_mask(code);
  ui::Grid* grid = mask.empty() ? nullptr : block_grid(code);
  if (grid != nullptr) {
    const double factor = ui::leading_number(multiply.text());
    const double offset = ui::leading_number(Add.text());
    const double fixed = ui::leading_number(set_value.text());
    const int n = block_grid_size(code);
    for (int i = 0; i < n * n; ++i) {
      const int row = n - i % n;
      const int col = i / n + 1;
      if (row < block_first_row || row > block_last_row || col < block_first_col ||
          col > block_last_col) {
        continue;
      }
      const double shown = ui::leading_number(grid->cell_text(row, col));
      if (!ui::fits_single(shown)) continue;
      const auto value = static_cast<Single>(shown);
      double result = value;
      switch (index) {
        case multiply_block:
          result = value * factor;
          break;
        case add_block:
          result = value + offset;
          break;
        case set_all:
          result = fixed;
          break;
        case subtract_block:
          result = value - offset;
          break;
        case divide_block:
          if (factor != 0.0) result = value / factor;
          break;
        default:
          break;
      }
      // A result beyond single precision would show as Inf and be sent as garbage: keep the cell.
      if (!ui::fits_single(result)) continue;
      // Every cell written is marked and sent, also one that already showed the result.
      grid->write_cell_text(row, col, ui::format_single(static_cast<Single>(result), mask));
    }
  }
  // Hidden, not unloaded: the operands stay for the next block.
  hide();
}

void show_cellblock_modifier() {
  frm_cellblock_modifier().show();
}

}  // namespace ecu
