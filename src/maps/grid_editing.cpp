#include "maps/grid_editing.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "ui/format.hpp"
#include "ui/number_parse.hpp"

namespace ecu {

namespace {

constexpr int kKeyShift = 16;
constexpr int kKeyUp = 38;
constexpr int kKeyDown = 40;
constexpr int kKeyS = 83;
constexpr int kKeyF = 70;
constexpr int kShiftAlone = 1;
constexpr int kCtrlAlone = 2;
constexpr int kEnter = 13;
constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;

// The gain maps step by one stored count (1/128) up to the largest stored gain, the ignition
// map by one count (0.25 degree) between -16 and 47.75. One stored count of the TPS mix map
// is 100 / 64 = 1.5625 percent; two decimals keep repeated steps on the stored counts.
constexpr Single kGainStep = 1.0F / 128.0F;
constexpr Single kLargestGain = 255.0F / 128.0F;
constexpr Single kNoLimit = 0.0F;

// code, n, step, step in AFR unit, has upper limit, upper, lower, mask, Ctrl+F needs a valid
// selection
constexpr auto kGridRules = std::to_array<GridEditRules>({
    {0, 16, kGainStep, false, true, kLargestGain, 0.0F, "#.000", false},  // inj_map
    {1, 9, 0.1F, false, false, kNoLimit, 0.0F, "##0.00", true},           // GPO_tbl_0
    {2, 9, 0.1F, false, false, kNoLimit, 0.0F, "##0.00", true},           // GPO_tbl_1
    {3, 9, 0.1F, false, false, kNoLimit, 0.0F, "##0.00", true},           // GPO_tbl_2
    {4, 9, 0.1F, false, false, kNoLimit, 0.0F, "##0.00", true},           // GPO_tbl_3
    {6, 16, 0.25F, false, true, 47.75F, -16.0F, "#0.00", false},          // ign_map
    {7, 16, kGainStep, false, true, kLargestGain, 0.0F, "#.000", false},  // TPS_map
    {8, 16, 1.5625F, false, true, 100.0F, 0.0F, "##0.00", false},         // TPS_mix
    {9, 9, 0.01F, true, false, kNoLimit, 0.0F, "##.00", false},           // lambda_sp_table
    {10, 9, 0.1F, false, false, kNoLimit, 0.0F, "##0.00", true},          // boost_gpo_0
    {11, 9, 0.1F, false, false, kNoLimit, 0.0F, "##0.00", true},          // boost_gpo_1
    {12, 9, 0.1F, false, false, kNoLimit, 0.0F, "##0.00", true},          // boost_gpo_2
    {13, 9, 0.1F, false, false, kNoLimit, 0.0F, "##0.00", true},          // boost_gpo_3
});

}  // namespace

const GridEditRules& grid_edit_rules(Integer table_code) {
  for (const GridEditRules& rules : kGridRules) {
    if (rules.table_code == table_code) return rules;
  }
  throw std::invalid_argument("no table grid has the code " + std::to_string(table_code));
}

GridEditing::GridEditing(ui::Grid& grid, Integer table_code, std::function<void()> update_command)
    : grid_(grid),
      rules_(grid_edit_rules(table_code)),
      update_command_(std::move(update_command)),
      states_(static_cast<std::size_t>(rules_.size * rules_.size), CellSync::in_sync) {
  grid_.on_cell_change = [this](int row, int col) { cell_changed(row, col); };
  grid_.on_key_down = [this](int& key_code, int shift) { key_down(key_code, shift); };
  grid_.on_key_press = [this](int& key_ascii) { key_press(key_ascii); };
  grid_.on_mouse_down = [this](int button, int, float, float) { mouse_down(button); };
  grid_.on_mouse_up = [this](int button, int, float, float) { mouse_up(button); };
  // The steps read the active cell and the block keys end a selection: typed text first.
  grid_.set_cell_keys(
      {{kKeyUp, kShiftAlone}, {kKeyDown, kShiftAlone}, {kKeyS, kCtrlAlone}, {kKeyF, kCtrlAlone}});
}

int GridEditing::index_of(int row, int col) const {
  if (row < 1 || row > rules_.size || col < 1 || col > rules_.size) return -1;
  return (col - 1) * rules_.size + (rules_.size - row);
}

const std::string& GridEditing::text(int i) const {
  return grid_.cell_text(row_of(i), col_of(i));
}

CellSync GridEditing::sync(int i) const {
  const CellSync state = states_.at(static_cast<std::size_t>(i));
  if (state != CellSync::in_sync &&
      grid_.cell_back_colour(row_of(i), col_of(i)) == ui::colours::white) {
    return CellSync::in_sync;
  }
  return state;
}

void GridEditing::mark_unloaded(int i) {
  grid_.set_cell_back_colour(row_of(i), col_of(i), ui::colours::yellow);
  states_.at(static_cast<std::size_t>(i)) = CellSync::unloaded;
}

void GridEditing::mark_in_sync(int i) {
  grid_.set_cell_back_colour(row_of(i), col_of(i), ui::colours::white);
  states_.at(static_cast<std::size_t>(i)) = CellSync::in_sync;
}

void GridEditing::settle() {
  for (int i = 0; i < cell_count(); ++i) states_[static_cast<std::size_t>(i)] = sync(i);
}

void GridEditing::cell_changed(int row, int col) {
  grid_.set_cell_back_colour(row, col, ui::colours::yellow);
  const int i = index_of(row, col);
  if (i >= 0) states_[static_cast<std::size_t>(i)] = CellSync::edited;
  if (after_change) after_change(row, col);
}

void GridEditing::step_active_cell(bool up) {
  const int row = grid_.active_row();
  const int col = grid_.active_col();
  // A number beyond the single range leaves the cell as it is: stepping it would give no
  // finite value.
  const double typed = ui::leading_number(grid_.cell_text(row, col));
  if (!(std::fabs(typed) <= std::numeric_limits<Single>::max())) return;
  const Single step = rules_.step_in_afr_unit ? lambda_to_afr(rules_.step) : rules_.step;
  Single value = static_cast<Single>(typed);
  if (up) {
    value += step;
    if (rules_.has_upper_limit && value > rules_.upper_limit) value = rules_.upper_limit;
  } else {
    value -= step;
    if (value < rules_.lower_limit) value = rules_.lower_limit;
  }
  grid_.set_cell_text(row, col, ui::format_single(value, rules_.step_mask));
}

void GridEditing::key_down(int& key_code, int shift) {
  if (shift == kShiftAlone) {
    if (key_code == kKeyUp || key_code == kKeyDown) {
      const bool up = key_code == kKeyUp;
      // The grid gets a Shift key instead of the arrow, so the active cell stays.
      key_code = kKeyShift;
      step_active_cell(up);
    }
  } else if (shift == kCtrlAlone) {
    if (key_code == kKeyS) {
      block_sel_rows[0] = static_cast<Integer>(grid_.active_row());
      block_sel_cols[0] = static_cast<Integer>(grid_.active_col());
    } else if (key_code == kKeyF) {
      block_sel_rows[1] = static_cast<Integer>(grid_.active_row());
      block_sel_cols[1] = static_cast<Integer>(grid_.active_col());
      complete_selection(!rules_.ctrl_f_needs_valid_selection || block_sel_invalid == 0);
    }
  }
}

void GridEditing::key_press(int& key_ascii) {
  if (key_ascii != kEnter) return;
  if (update_command_) update_command_();
  key_ascii = 0;
}

void GridEditing::mouse_down(int button) {
  if (button == kLeftButton) {
    block_sel_rows[0] = static_cast<Integer>(grid_.mouse_row());
    block_sel_cols[0] = static_cast<Integer>(grid_.mouse_col());
    block_sel_invalid = 0;
  } else if (button == kRightButton) {
    complete_selection(block_sel_invalid == 0);
  }
}

void GridEditing::mouse_up(int button) {
  if (button != kLeftButton) return;
  block_sel_rows[1] = static_cast<Integer>(grid_.mouse_row());
  block_sel_cols[1] = static_cast<Integer>(grid_.mouse_col());
  if (grid_.mouse_row() == -1 || grid_.mouse_col() == -1) block_sel_invalid = -1;
}

void GridEditing::complete_selection(bool open_modifier) {
  block_first_col = std::min(block_sel_cols[0], block_sel_cols[1]);
  block_last_col = std::max(block_sel_cols[0], block_sel_cols[1]);
  block_first_row = std::min(block_sel_rows[0], block_sel_rows[1]);
  block_last_row = std::max(block_sel_rows[0], block_sel_rows[1]);
  block_table_code = rules_.table_code;
  block_rows = static_cast<Integer>(rules_.size);
  block_cols = static_cast<Integer>(rules_.size);
  if (open_modifier && open_block_modifier) open_block_modifier();
}

}  // namespace ecu
