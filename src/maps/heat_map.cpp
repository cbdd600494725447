#include "maps/heat_map.hpp"

#include <algorithm>
#include <limits>

#include "ui/number_parse.hpp"

namespace ecu {

int heat_map_band(double value, HeatMapRange range) {
  const Single span = range.high - range.low;
  for (int k = 1; k < kHeatMapBands; ++k) {
    // Each threshold is held as a single; the cell's value is compared unrounded.
    const auto threshold =
        static_cast<Single>(static_cast<double>(span) * k / 8.0 + static_cast<double>(range.low));
    if (value <= threshold) return kHeatMapBands - k;
  }
  return 0;
}

namespace {

// A typed number beyond the single range counts as the largest single of its sign.
Single to_single(double value) {
  constexpr double kLargest = std::numeric_limits<Single>::max();
  return static_cast<Single>(std::clamp(value, -kLargest, kLargest));
}

// The range starts inverted so that any cell value widens it; the low found is therefore
// never above 1000 and the high never below -1000.
HeatMapRange find_range(const GridEditing& editing) {
  HeatMapRange range{1000.0F, -1000.0F};
  for (int i = 0; i < editing.cell_count(); ++i) {
    const double value = ui::leading_number(editing.text(i));
    if (value > range.high) range.high = to_single(value);
    if (value < range.low) range.low = to_single(value);
  }
  return range;
}

}  // namespace

HeatMapRange colour_heat_map(GridEditing& editing,
                             std::span<const ui::Colour, kHeatMapBands> palette,
                             std::span<Long> cell_colours, HeatMapRange range) {
  if (range.low == 0.0F && range.high == 0.0F) range = find_range(editing);
  // The band colours mean "in sync", so what is pending is taken before they are painted.
  editing.settle();
  ui::Grid& grid = editing.grid();
  for (int i = 0; i < editing.cell_count(); ++i) {
    const int row = editing.row_of(i);
    const int col = editing.col_of(i);
    const ui::Colour colour = palette[static_cast<std::size_t>(
        heat_map_band(ui::leading_number(editing.text(i)), range))];
    const CellSync pending = editing.sync(i);
    grid.set_cell_back_colour(row, col, colour);
    if (static_cast<std::size_t>(i) < cell_colours.size()) {
      cell_colours[static_cast<std::size_t>(i)] = grid.cell_back_colour(row, col);
    }
    if (pending != CellSync::in_sync) grid.set_cell_back_colour(row, col, ui::colours::yellow);
  }
  return range;
}

}  // namespace ecu
