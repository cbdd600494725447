#pragma once
// Heat-map colouring of a table grid: every data cell's background becomes one of eight
// colours by where its value lies between the grid's lowest and highest value, and each
// cell's colour is kept per table byte for the wire-frame graphs. It runs at the end of a
// fetch and of an Update; cells that are still not in sync with the controller (a refused
// or unanswered write, a read that failed) are painted yellow again afterwards.

#include <array>
#include <span>

#include "maps/grid_editing.hpp"
#include "model/basic_types.hpp"
#include "ui/colour.hpp"

namespace ecu {

inline constexpr int kHeatMapBands = 8;

// The designed palette, highest band first: red for high values down to green for low ones.
inline constexpr std::array<ui::Colour, kHeatMapBands> kHeatMapPalette = {
    0x008080FF, 0x009F9FFF, 0x00C0C0FF, 0x00BED7FC, 0x00C0FFFF, 0x00BDEEDE, 0x00C0FFC0, 0x0080FF80,
};

struct HeatMapRange {
  Single low = 0.0F;
  Single high = 0.0F;
};

// The palette index (0 highest band, 7 lowest) of a value within a range: the first of the
// seven thresholds low + span x k / 8 (k = 1 to 7) that the value does not exceed gives
// 8 - k; a value above the seventh gives 0. A value on a threshold takes the lower band.
int heat_map_band(double value, HeatMapRange range);

// Paints the grid's data cells from the palette and stores each byte's band colour in
// `cell_colours` (element i for byte i). With a range of 0 and 0 the range is found from
// the cells (an empty or non-numeric text counts as 0); the range used is returned.
HeatMapRange colour_heat_map(GridEditing& editing,
                             std::span<const ui::Colour, kHeatMapBands> palette,
                             std::span<Long> cell_colours, HeatMapRange range = {});

}  // namespace ecu
