#include "decode/memory_map.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "config/frm_tool.hpp"
#include "link/request.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "ui/format.hpp"
#include "ui/rounding.hpp"

namespace ecu {
namespace {

using Boxes = ui::ControlArray<ui::TextBox>;
using enum TableShape;
using enum ByteConversion;
using enum OutsideRange;

// The lambda table shows values of 1.0 and below with three decimals, above with two.
constexpr std::string_view kLambdaUpToOneMask = "0.000";

// Table, addresses, shape, data set key, window, control; conversion, highest byte written,
// what a write outside the range does, mask; the control itself (grid or text boxes), boost
// channel. The dwell curve stores at most 160 (a multiplier of 2.5, the most the controller
// takes); the TPS mix map at most 64 (100 percent); a fuel map gain out of range is refused
// with a message rather than stored as the nearer end.
constexpr auto kCalibrationTables = std::to_array<CalibrationTable>({
    // clang-format off
    {"ego_lambda_table", 0x000, 0x050, table_9x9, "EGOL", "frm_2d", "lambda_sp_table",
     lambda, 255, held, "#0.00",
     []() -> ui::Grid& { return frm_2d().lambda_sp_table; }, nullptr, -1},
    {"clt_fuel_curve", 0x070, 0x078, curve, "CLTM", "frm_2d", "clt_map",
     factor_64, 255, held, "##.#00",
     nullptr, []() -> Boxes& { return frm_2d().clt_map; }, -1},
    {"mat_fuel_curve", 0x080, 0x088, curve, "MATM", "frm_2d", "mat_data",
     factor_64, 255, held, "##.#00",
     nullptr, []() -> Boxes& { return frm_2d().mat_data; }, -1},
    {"aux_fuel_curve", 0x090, 0x098, curve, "AUXM", "frm_2d", "Pressure_Gain",
     factor_64, 255, held, "##.#00",
     nullptr, []() -> Boxes& { return frm_2d().Pressure_Gain; }, -1},
    {"fuel_map", 0x100, 0x1FF, map_16x16, "MAPM", "frm_3d", "inj_map",
     factor_128, 255, refused, "#.000",
     []() -> ui::Grid& { return frm_3d().inj_map; }, nullptr, -1},
    {"map_ign_curve", 0x200, 0x208, curve, "IGNM", "frm_2d", "ign_map",
     ignition_degrees, 255, held, "#0.000",
     nullptr, []() -> Boxes& { return frm_2d().ign_map; }, -1},
    {"rpm_ign_curve", 0x210, 0x218, curve, "IGNR", "frm_2d", "ign_rpm",
     ignition_degrees, 255, held, "#0.000",
     nullptr, []() -> Boxes& { return frm_2d().ign_rpm; }, -1},
    {"baro_fuel_curve", 0x220, 0x228, curve, "BARG", "frm_2d", "baro_gain",
     factor_128, 255, held, "##.#00",
     nullptr, []() -> Boxes& { return frm_2d().baro_gain; }, -1},
    {"idle_rpm_curve", 0x230, 0x238, curve, "IDLE", "frm_2d", "idle_rpm_map",
     idle_rpm, 255, held, "###0",
     nullptr, []() -> Boxes& { return frm_2d().idle_rpm_map; }, -1},
    {"mat_ign_curve", 0x240, 0x248, curve, "IGNT", "frm_2d", "ign_mat",
     ignition_degrees, 255, held, "#0.000",
     nullptr, []() -> Boxes& { return frm_2d().ign_mat; }, -1},
    {"gpo_table_1", 0x290, 0x2E0, table_9x9, "GPO1", "frm_sup", "GPO_tbl_0",
     output_percent, 255, held, "##0.0",
     []() -> ui::Grid& { return frm_sup().GPO_tbl_0; }, nullptr, -1},
    {"gpo_table_2", 0x300, 0x350, table_9x9, "GPO2", "frm_sup", "GPO_tbl_1",
     output_percent, 255, held, "##0.0",
     []() -> ui::Grid& { return frm_sup().GPO_tbl_1; }, nullptr, -1},
    {"gpo_table_3", 0x360, 0x3B0, table_9x9, "GPO3", "frm_sup", "GPO_tbl_2",
     output_percent, 255, held, "##0.0",
     []() -> ui::Grid& { return frm_sup().GPO_tbl_2; }, nullptr, -1},
    {"gpo_table_4", 0x400, 0x450, table_9x9, "GPO4", "frm_sup", "GPO_tbl_3",
     output_percent, 255, held, "##0.0",
     []() -> ui::Grid& { return frm_sup().GPO_tbl_3; }, nullptr, -1},
    {"dwell_curve", 0x480, 0x488, curve, "DWEL", "frm_2d", "dwell_map",
     factor_64, 160, held, "##.#00",
     nullptr, []() -> Boxes& { return frm_2d().dwell_map; }, -1},
    {"baro_ign_curve", 0x4A0, 0x4A8, curve, "BARI", "frm_2d", "ign_bar",
     ignition_degrees, 255, held, "#0.000",
     nullptr, []() -> Boxes& { return frm_2d().ign_bar; }, -1},
    {"clt_ign_curve", 0x4B0, 0x4B8, curve, "IGNC", "frm_2d", "ign_clt",
     ignition_degrees, 255, held, "#0.000",
     nullptr, []() -> Boxes& { return frm_2d().ign_clt; }, -1},
    {"aux_ign_curve", 0x4C0, 0x4C8, curve, "IGNA", "frm_2d", "ign_aux",
     ignition_degrees, 255, held, "#0.000",
     nullptr, []() -> Boxes& { return frm_2d().ign_aux; }, -1},
    {"accel_clt_curve", 0x4D0, 0x4D8, curve, "ACCC", "frm_2d", "accel_map",
     factor_64, 255, held, "##.#00",
     nullptr, []() -> Boxes& { return frm_2d().accel_map; }, -1},
    {"boost_table_1", 0x500, 0x550, table_9x9, "BMP0", "frm_sup", "boost_gpo_0",
     boost, 255, held, "##0.0",
     []() -> ui::Grid& { return frm_sup().boost_gpo_0; }, nullptr, 0},
    {"vbat_dwell_curve", 0x570, 0x578, curve, "BATD", "frm_2d", "dwell_vbat",
     factor_64, 255, held, "##.#00",
     nullptr, []() -> Boxes& { return frm_2d().dwell_vbat; }, -1},
    {"clt_sensor_cal", 0x5C0, 0x5C8, curve, "CLTF", "frm_tool", "CLT_CAL_MAP",
     sensor_point, 255, held, "###0",
     nullptr, []() -> Boxes& { return frm_tool().CLT_CAL_MAP; }, -1},
    {"mat_sensor_cal", 0x5D0, 0x5D8, curve, "MATF", "frm_tool", "MAT_CAL_MAP",
     sensor_point, 255, held, "###0",
     nullptr, []() -> Boxes& { return frm_tool().MAT_CAL_MAP; }, -1},
    {"ignition_map", 0x600, 0x6FF, map_16x16, "IGN3", "frm_3d", "ign_map",
     ignition_degrees, 255, held, "#0.00",
     []() -> ui::Grid& { return frm_3d().ign_map; }, nullptr, -1},
    {"tps_fuel_map", 0x700, 0x7FF, map_16x16, "TPFM", "frm_3d", "TPS_map",
     factor_128, 255, held, "#.000",
     []() -> ui::Grid& { return frm_3d().TPS_map; }, nullptr, -1},
    {"tps_mix_map", 0x800, 0x8FF, map_16x16, "TPFP", "frm_3d", "TPS_mix",
     tps_mix_percent, 64, held, "##0.0",
     []() -> ui::Grid& { return frm_3d().TPS_mix; }, nullptr, -1},
    {"boost_table_2", 0x960, 0x9B0, table_9x9, "BMP1", "frm_sup", "boost_gpo_1",
     boost, 255, held, "##0.0",
     []() -> ui::Grid& { return frm_sup().boost_gpo_1; }, nullptr, 1},
    {"boost_table_3", 0xA00, 0xA50, table_9x9, "BMP2", "frm_sup", "boost_gpo_2",
     boost, 255, held, "##0.0",
     []() -> ui::Grid& { return frm_sup().boost_gpo_2; }, nullptr, 2},
    {"boost_table_4", 0xA60, 0xAB0, table_9x9, "BMP3", "frm_sup", "boost_gpo_3",
     boost, 255, held, "##0.0",
     []() -> ui::Grid& { return frm_sup().boost_gpo_3; }, nullptr, 3},
    // clang-format on
});

bool lambda_unit_ticked() {
  // Without a main window (only before start-up) the menu's design state counts: lambda.
  const FrmEcuForm* main_window = FrmEcu.if_loaded();
  return main_window == nullptr || main_window->menuUnitsLambda[0].checked();
}

// Bit 1 of a boost channel's flags: the output runs as a plain PWM duty, so the table holds
// percent; otherwise it holds a pressure target on the MAP sensor's scale.
bool boost_in_percent(int channel) {
  return (bofg.at(static_cast<std::size_t>(channel)) & 2) != 0;
}

Single boost_value(int channel, Integer v) {
  if (boost_in_percent(channel)) return static_cast<Single>(v / 256.0 * 100.0);
  return map_sensor_offset + static_cast<Single>(v) * map_sensor_gain / 255.0F;
}

double boost_wire_value(int channel, double shown) {
  if (boost_in_percent(channel)) return ui::round_half_even(shown / 100 * 256);
  return ui::round_half_even((shown - static_cast<double>(map_sensor_offset)) /
                             static_cast<double>(map_sensor_gain) * 255);
}

}  // namespace

std::span<const CalibrationTable> calibration_memory_map() {
  return kCalibrationTables;
}

const CalibrationTable* find_calibration_table(Long address) {
  const auto owner =
      std::find_if(kCalibrationTables.begin(), kCalibrationTables.end(),
                   [address](const CalibrationTable& table) {
                     return address >= table.first_address && address <= table.last_address;
                   });
  return owner == kCalibrationTables.end() ? nullptr : &*owner;
}

const CalibrationTable& calibration_table(std::string_view name) {
  const auto table = std::ranges::find(kCalibrationTables, name, &CalibrationTable::name);
  if (table == kCalibrationTables.end()) {
    throw std::invalid_argument("no calibration table " + std::string(name));
  }
  return *table;
}

const CalibrationTable& calibration_table_of(const ui::Control& control) {
  const std::string& window = control.form().name();
  const auto table = std::ranges::find_if(kCalibrationTables, [&](const CalibrationTable& row) {
    return row.window == window && row.control == control.name();
  });
  if (table == kCalibrationTables.end()) {
    throw std::invalid_argument("no calibration table in " + window + "." + control.name());
  }
  return *table;
}

Integer table_byte_count(TableShape shape) {
  switch (shape) {
    case curve:
      return 9;
    case table_9x9:
      return 81;
    case map_16x16:
      return 256;
  }
  return 0;
}

ShownByte shown_calibration_byte(const CalibrationTable& table, Integer v) {
  switch (table.conversion) {
    case factor_128:
      return {static_cast<Single>(v / 128.0), table.mask};
    case factor_64:
      return {static_cast<Single>(v / 64.0), table.mask};
    case ignition_degrees: {
      // v x 64 stays within 16 bits for a byte (at most 16320).
      const auto scaled = static_cast<Integer>(v * 64);
      return {static_cast<Single>(scaled / 256.0 - 16.0), table.mask};
    }
    case idle_rpm:
      return {static_cast<Single>(static_cast<Integer>(v * 8)), table.mask};
    case sensor_point:
      return {static_cast<Single>(static_cast<Integer>(v - 64)), table.mask};
    case output_percent:
      return {static_cast<Single>(v / 256.0 * 100.0), table.mask};
    case tps_mix_percent:
      return {static_cast<Single>(v / 64.0 * 100.0), table.mask};
    case lambda: {
      // The unit is the menu tick, not the factor: lambda shows lambda whatever the factor.
      Single x = static_cast<Single>(v / 128.0);
      if (!lambda_unit_ticked()) x = lambda_to_afr(x);
      return {x, x > 1.0F ? table.mask : kLambdaUpToOneMask};
    }
    case boost:
      return {boost_value(table.boost_channel, v), table.mask};
  }
  return {0.0F, table.mask};
}

// Each case undoes the same case above, rounded where the editors always rounded: the
// degrees round x x 4 and then add 64 (the ignition map's x / 64 x 256 is the same double
// as x x 4), the sensor points add 64 first; the two differ a hair below a half.
double calibration_wire_value(const CalibrationTable& table, double shown) {
  switch (table.conversion) {
    case factor_128:
      return ui::round_half_even(shown * 128);
    case factor_64:
      return ui::round_half_even(shown * 64);
    case ignition_degrees:
      return ui::round_half_even(shown * 4) + 64;
    case idle_rpm:
      return ui::round_half_even(shown / 8);
    case sensor_point:
      return ui::round_half_even(shown + 64);
    case output_percent:
      return ui::round_half_even(shown / 100 * 256);
    case tps_mix_percent:
      return ui::round_half_even(shown / 100 * 64);
    case lambda: {
      // Taken as a single, as the grid's text is read (a number beyond it held at its end);
      // afr_factor, not the menu tick, turns it into lambda.
      constexpr double kLargest = std::numeric_limits<Single>::max();
      const auto x = static_cast<Single>(std::clamp(shown, -kLargest, kLargest));
      return ui::round_half_even(static_cast<double>(afr_to_lambda(x)) * 128);
    }
    case boost:
      return boost_wire_value(table.boost_channel, shown);
  }
  return std::nan("");
}

std::string calibration_byte_text(const CalibrationTable& table, Integer v) {
  const ShownByte shown = shown_calibration_byte(table, v);
  return ui::format_single(shown.value, shown.mask);
}

StoredByte calibration_byte_from_shown(const CalibrationTable& table, double shown) {
  const double value = calibration_wire_value(table, shown);
  if (std::isnan(value)) return {0, ByteRefusal::not_a_number};
  const auto highest = static_cast<double>(table.highest_byte);
  if (table.outside == refused) {
    if (value > highest) return {0, ByteRefusal::too_high};
    if (value < 0.0) return {0, ByteRefusal::negative};
  }
  // Clamped as a double, so no value (an infinity, say) is converted out of range.
  return {static_cast<Long>(std::clamp(value, 0.0, highest)), ByteRefusal::none};
}

}  // namespace ecu
