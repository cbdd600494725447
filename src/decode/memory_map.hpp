#pragma once
// The controller's calibration memory: which table owns each 16-bit address, the table's
// shape, its data set key, the editor control that shows it, how a stored byte becomes the
// number shown and how a number typed becomes the byte written. The byte placement, the
// editors' reads and writes and the data set files all use it.

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

// Stored byte v to the number shown, and shown number x to the byte written. The rounding
// takes halves to the even neighbour, at the place written.
enum class ByteConversion {
  factor_128,        // v / 128;            round(x x 128)
  factor_64,         // v / 64;             round(x x 64)
  ignition_degrees,  // v x 64 / 256 - 16;  round(x x 4) + 64
  idle_rpm,          // v x 8;              round(x / 8)
  sensor_point,      // v - 64;             round(x + 64)
  output_percent,    // v / 256 x 100;      round(x / 100 x 256)
  tps_mix_percent,   // v / 64 x 100;       round(x / 100 x 64)
  lambda,            // v / 128, as AFR unless the lambda unit is ticked;
                     //                     round(afr_to_lambda(x) x 128)
  boost,             // percent or kPa by the channel's flag byte; the same way back
};

// What a write does with a rounded value outside 0 to the table's highest byte.
enum class OutsideRange {
  held,     // stores the nearer end
  refused,  // stores nothing; the editor says why
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
  Long highest_byte;  // the largest byte a write stores (the controller may take less than 255)
  OutsideRange outside;
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

// The table of the name; std::invalid_argument for a name no table has.
const CalibrationTable& calibration_table(std::string_view name);

// The table an editor control (a grid, or any box of a curve's array) shows, by its window's
// and its own name; std::invalid_argument for a control that shows no table.
const CalibrationTable& calibration_table_of(const ui::Control& control);

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

// The other direction: shown value x as the table stores it, rounded but not yet brought
// within a byte, so a caller with its own range rule can apply it; NaN for x not a number.
// Reads afr_factor, bofg and the MAP sensor scaling now.
double calibration_wire_value(const CalibrationTable& table, double shown);

enum class ByteRefusal {
  none,
  not_a_number,
  too_high,  // above the highest byte, in a table that refuses
  negative,  // below 0, in a table that refuses
};

struct StoredByte {
  Long byte;  // 0 to the table's highest byte; 0 when refused
  ByteRefusal refusal;
  [[nodiscard]] bool refused() const { return refusal != ByteRefusal::none; }
};

// The byte a write of shown value x stores, held within 0 to the table's highest byte or
// refused outside it, as the table says.
StoredByte calibration_byte_from_shown(const CalibrationTable& table, double shown);

}  // namespace ecu
