#pragma once
// The controller's calibration memory: which table owns each 16-bit address, the table's
// shape, its data set key, the editor control that shows it, and how a stored byte becomes
// the number shown. The byte placement, the editors and the data set files all use it.

#include <span>
#include <string>
#include <string_view>

#include "model/basic_types.hpp"
#include "ui/ui.hpp"

namespace ecu {

enum class TableShape {
  curve,      // 9 bytes in a text-box array, elements 0 to 8
  table_9x9,  // 81 bytes in a grid of 9 x 9 data cells
  map_16x16,  // 256 bytes in a grid of 16 x 16 data cells
};

// Stored byte v to the number shown.
enum class ByteConversion {
  factor_128,        // v / 128
  factor_64,         // v / 64
  ignition_degrees,  // v x 64 / 256 - 16
  idle_rpm,          // v x 8
  sensor_point,      // v - 64
  output_percent,    // v / 256 x 100
  tps_mix_percent,   // v / 64 x 100
  lambda,            // v / 128, as AFR unless the lambda unit is ticked
  boost,             // percent or kPa by the channel's flag byte
};

struct CalibrationTable {
  std::string_view name;
  Long first_address;
  Long last_address;
  TableShape shape;
  std::string_view data_set_key;
  std::string_view window;
  std::string_view control;
  ByteConversion conversion;
  std::string_view mask;
  // The editor control; exactly one is set, by shape (grid for 9x9 and 16x16).
  ui::Grid& (*grid)();
  ui::ControlArray<ui::TextBox>& (*boxes)();
  int boost_channel;  // index into bofg for boost tables, -1 otherwise
};

// Every table, in address order.
std::span<const CalibrationTable> calibration_memory_map();

// The table owning the address, nullptr for an address no table owns.
const CalibrationTable* find_calibration_table(Long address);

// Bytes in a table of the shape: 9, 81 or 256.
Integer table_byte_count(TableShape shape);

struct ShownByte {
  Single value;
  std::string_view mask;
};

// The number shown for stored byte v (0 to 255) of the table and the mask it is shown
// with. Reads the lambda unit tick, afr_factor, bofg and the MAP sensor scaling now.
ShownByte shown_calibration_byte(const CalibrationTable& table, Integer v);
std::string calibration_byte_text(const CalibrationTable& table, Integer v);

}  // namespace ecu
