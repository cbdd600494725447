#include "decode/byte_placement.hpp"

#include <string>

#include "decode/cell_index.hpp"
#include "decode/memory_map.hpp"

namespace ecu {

void place_calibration_byte(Long address, Integer value) {
  const CalibrationTable* table = find_calibration_table(address);
  if (table == nullptr) return;
  const auto i = static_cast<Integer>(address - table->first_address);
  std::string text = calibration_byte_text(*table, value);

  // The text goes in first: writing it runs the editor's change handler, which marks the
  // cell edited; the white that follows leaves it marked in sync with the controller.
  switch (table->shape) {
    case TableShape::map_16x16: {
      ui::Grid& grid = table->grid();
      grid.set_cell_text(map_cell_row(i), map_cell_col(i), std::move(text));
      grid.set_cell_back_colour(map_cell_row(i), map_cell_col(i), ui::colours::white);
      break;
    }
    case TableShape::table_9x9: {
      ui::Grid& grid = table->grid();
      grid.set_cell_text(table_cell_row(i), table_cell_col(i), std::move(text));
      grid.set_cell_back_colour(table_cell_row(i), table_cell_col(i), ui::colours::white);
      break;
    }
    case TableShape::curve: {
      ui::ControlArray<ui::TextBox>& boxes = table->boxes();
      if (!boxes.contains(i)) return;
      boxes[i].set_text(std::move(text));
      boxes[i].set_back_colour(ui::colours::white);
      break;
    }
  }
}

}  // namespace ecu
