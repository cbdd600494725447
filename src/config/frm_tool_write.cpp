// The update: every marked field is converted, checked against its limits and written with
// one request, in one fixed order. The controller's echo shows the stored value and turns
// the field white; a field that is refused, declined or not answered stays yellow.
//
// A marked field whose value was never read from the controller (its read failed during
// the load) is held back: sending it would write whatever the box happens to show.

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "config/frm_tool.hpp"
#include "decode/memory_map.hpp"
#include "link/poll_inhibit.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "ui/number_parse.hpp"
#include "ui/rounding.hpp"

namespace ecu {

namespace {

constexpr double kOpen = std::numeric_limits<double>::infinity();

// How a value goes into the three payload bytes, and the range that fits there.
enum class Wire {
  byte,                 // b, 0, 0
  signed_byte,          // two's complement b, 0, 0
  word,                 // lo, hi, 0
  indexed_word,         // item, lo, hi
  indexed_signed_word,  // item, lo, hi of the 16-bit two's complement
  indexed_byte,         // item, b, 0
  memory_byte,          // address lo, address hi, b
};

// What the pass does at a row: write a text field, or build and write a grouped setting.
enum class Step {
  text,
  sensor_type,         // the MAP sensor type options and the two special boxes
  options,             // the throttle-mapped and pressure-accel boxes
  base_config_reread,  // after a full-scale write, the controller's base configuration
  injection_rows,
  ignition_rows,
  phases_in_use,
  tach_phases,
  ego_type,
  input_word,
  idle_by_timing,
};

// Tests on the value typed (before scaling), or on the rounded wire integer.
enum class Check {
  none,
  rewrite,               // beyond low or high (strict): the box gets the limit text, no message
  rewrite_and_tell,      // as rewrite, then the message
  refuse_integer_above,  // wire integer above high: the message, nothing sent
  refuse_outside,        // below low, or high or more: the message, nothing sent
  confirm_above,         // above high: sent only when the user answers Yes
};

struct WriteRow {
  Step step = Step::text;
  const char* label = "";
  ui::TextBox FrmToolForm::*box = nullptr;
  ui::ControlArray<ui::TextBox> FrmToolForm::*boxes = nullptr;
  std::uint8_t code = 0;
  Wire wire = Wire::byte;
  double (*scale)(double) = nullptr;
  Check check = Check::none;
  double low = -kOpen, high = kOpen;
  const char* low_text = nullptr;
  const char* high_text = nullptr;
  const char* message = nullptr;
  // The wire integer is brought within these without a message.
  double floor = -kOpen, ceiling = kOpen;
  // Neighbouring rows with the same number go item by item: item 0 of each, then item 1.
  int interleave = 0;
  // A memory byte row's table: its addresses and its conversion instead of the scale.
  const CalibrationTable* table = nullptr;
};

WriteRow text(const char* label, ui::TextBox FrmToolForm::*box, std::uint8_t code, Wire wire,
              double (*scale)(double)) {
  WriteRow row;
  row.label = label;
  row.box = box;
  row.code = code;
  row.wire = wire;
  row.scale = scale;
  return row;
}

WriteRow items(const char* label, ui::ControlArray<ui::TextBox> FrmToolForm::*boxes,
               std::uint8_t code, Wire wire, double (*scale)(double)) {
  WriteRow row = text(label, nullptr, code, wire, scale);
  row.boxes = boxes;
  return row;
}

WriteRow special(Step step, std::uint8_t code) {
  WriteRow row;
  row.step = step;
  row.code = code;
  return row;
}

WriteRow clamped(WriteRow row, double floor, double ceiling) {
  row.floor = floor;
  row.ceiling = ceiling;
  return row;
}

WriteRow rewritten(WriteRow row, double low, const char* low_text, double high,
                   const char* high_text) {
  row.check = Check::rewrite;
  row.low = low;
  row.low_text = low_text;
  row.high = high;
  row.high_text = high_text;
  return row;
}

WriteRow checked(WriteRow row, Check check, double low, double high, const char* message) {
  row.check = check;
  row.low = low;
  row.high = high;
  row.message = message;
  return row;
}

WriteRow interleaved(WriteRow row, int group) {
  row.interleave = group;
  return row;
}

// The points of a calibration table, each written to its own address: the memory map gives
// the addresses, the conversion and the range a point is held within.
WriteRow table_points(const char* label, ui::ControlArray<ui::TextBox> FrmToolForm::*boxes,
                      std::string_view table) {
  WriteRow row = items(label, boxes, 'e', Wire::memory_byte, nullptr);
  row.table = &calibration_table(table);
  row.floor = 0;
  row.ceiling = static_cast<double>(row.table->highest_byte);
  return row;
}

double plain(double x) {
  return x;
}
double times_4(double x) {
  return x * 4;
}
double times_64(double x) {
  return x * 64;
}
double times_200(double x) {
  return x * 200;
}
// Milliseconds to ticks of 1.6 microseconds.
double ms_to_ticks(double x) {
  return x * 0.001 / 1.6e-6;
}
// Degrees -16 to +47.75 to quarter degrees from 0.
double timing_angle(double x) {
  return (x + 16) * 4;
}
double percent_to_byte(double x) {
  return x * 0.01 * 255;
}
// kPa to the 10-bit count of the controller's present MAP sensor.
double pressure_count(double x) {
  return (x - map_sensor_offset) / map_sensor_gain * 1023;
}
double sensor_offset(double x) {
  return ui::round_half_even(x * 128 / 12.5) + 128;
}

constexpr const char* kEgoGainRefused =
    "The value for the Ego Proportional Gain is greater than 1.000, Parameter will not be "
    "updated";
constexpr const char* kMinEgoAltered = "The Minimum EGO Gain has been altered to within limits";
constexpr const char* kMaxEgoAltered = "The Maximum EGO Gain has been altered to within limits";
constexpr const char* kHotPulses =
    "You have specified more than 1 hot priming pulse.\n"
    "This can cause excessive fuel to puddle in the cylinders.\n"
    "Are you certain that this is what you want to do?";
constexpr const char* kColdPulses =
    "You have specified more than 1 cold priming pulse.\n"
    "This can cause excessive fuel to puddle in the cylinders.\n"
    "Are you certain that this is what you want to do?";
constexpr const char* kPhaseAngleRefused =
    "An illegal value for a phase base degree angle has been supplied, and will NOT be accepted";

constexpr std::uint8_t kWriteFullScale = 0x7D;

using F = FrmToolForm;
using W = Wire;

// Every write of the update, in the order the pass examines them.
const auto kWriteRows = std::to_array<WriteRow>({
    clamped(text("Accel Sensitivity", &F::accel_senitivity, 0x67, W::word,
                 [](double x) { return x * 1000 / 205; }),
            -kOpen, 4095),
    clamped(text("Accel Rate", &F::accel_flt_rate, 0x66, W::word,
                 [](double x) { return (819 / 76.3) * x; }),
            1, 4095),
    clamped(text("Accel Min PW", &F::accel_pw_min, 0x68, W::word, ms_to_ticks), -kOpen, 65535),
    clamped(text("Accel Max PW", &F::accel_pw_max, 0x20, W::word, ms_to_ticks), -kOpen, 65535),
    clamped(text("Accel EGO Reset", &F::EGO_reset_pw, 0x3D, W::word, ms_to_ticks), -kOpen, 65535),
    clamped(text("EGO Loop Rate", &F::ego_rate, 0x63, W::byte, plain), 1, 127),
    clamped(checked(text("EGO Prop. Gain", &F::EGO_Prop_Gain, 0x3F, W::byte, times_64),
                    Check::refuse_integer_above, -kOpen, 64, kEgoGainRefused),
            0, kOpen),
    clamped(text("EGO Loop Activation", &F::ego_seconds, 0x62, W::word, plain), 0, kOpen),
    checked(rewritten(text("Min EGO Gain", &F::min_ego_gain, 0x3C, W::byte, times_64), 0.614,
                      ".614", kOpen, nullptr),
            Check::rewrite_and_tell, 0.614, kOpen, kMinEgoAltered),
    checked(rewritten(text("Max EGO Gain", &F::max_ego_gain, 0x3E, W::byte, times_64), -kOpen,
                      nullptr, 1.4, "1.4"),
            Check::rewrite_and_tell, -kOpen, 1.4, kMaxEgoAltered),
    clamped(text("Soft Ign Limit 1", &F::soft_ign_rpm1, 0xEA, W::word, plain), -kOpen, 30000),
    clamped(text("Soft Ign Limit 2", &F::soft_ign_rpm2, 0xEC, W::word, plain), -kOpen, 30000),
    clamped(text("Hard Ign Limit 1", &F::hard_ign_limit1, 0x19, W::word, plain), -kOpen, 30000),
    clamped(text("Hard Ign Limit 2", &F::hard_ign_limit2, 0x1B, W::word, plain), -kOpen, 30000),
    items("Hard Stutter Table word", &F::stutter_table, 0x1D, W::indexed_word, plain),
    clamped(text("Fuel Limit 1", &F::fuel_rpm1, 0xEE, W::word, plain), -kOpen, 30000),
    clamped(text("Fuel Limit 2", &F::fuel_rpm2, 0xF0, W::word, plain), -kOpen, 30000),
    clamped(text("Fuel Limit 1 cut time", &F::fuel_cut_time1, 0xF2, W::byte, times_200), -kOpen,
            255),
    clamped(text("Fuel Limit 2 cut time", &F::fuel_cut_time2, 0xF4, W::byte, times_200), -kOpen,
            255),
    special(Step::sensor_type, 0x82),
    clamped(text("Engine Decel", &F::min_pressure, 0x70, W::word, pressure_count), 0, 1023),
    clamped(text("Hot Priming Duration", &F::priming_pw_hot, 0x73, W::word,
                 [](double x) { return x * 625; }),
            0, 65000),
    clamped(text("Cold Priming Duration", &F::priming_pw_cold, 0x75, W::word,
                 [](double x) { return x * 625; }),
            0, 65000),
    clamped(checked(text("Hot Number of Pulses", &F::num_pulses_hot, 0x74, W::byte, plain),
                    Check::confirm_above, -kOpen, 1, kHotPulses),
            0, kOpen),
    clamped(checked(text("Cold Number of Pulses", &F::num_pulses_cold, 0x76, W::byte, plain),
                    Check::confirm_above, -kOpen, 1, kColdPulses),
            0, kOpen),
    clamped(text("Cold/Hot Threshold", &F::temp_threshold, 0x77, W::signed_byte, plain), -13, 127),
    special(Step::options, 0x7C),
    text("Tach Full Scale", &F::full_scale_rpm, kWriteFullScale, W::word, plain),
    text("Crank Wheel Code #", &F::trigs_per_rev, 0x7E, W::byte, plain),
    // Read back only after the wheel code, so the read cannot overwrite an edit of it.
    special(Step::base_config_reread, 'C'),

    special(Step::injection_rows, 0x80),
    special(Step::ignition_rows, 0xA6),
    text("Battery Offset Time", &F::bat_comp, 0x83, W::byte,
         [](double x) { return ui::round_half_even(x) * 0.625; }),
    clamped(text("On Init Close", &F::iac_close_steps, 0x85, W::word, plain), -kOpen, 500),
    clamped(text("After Init step to", &F::iac_open_steps, 0x87, W::word, plain), -kOpen, 500),
    clamped(text("Enable if TPS below", &F::iac_enable_tps_val, 0x89, W::word,
                 [](double x) { return x * 1024 / 100; }),
            -kOpen, 2048),
    clamped(text("Close if TPS above", &F::iac_close_tps_val, 0x8B, W::word,
                 [](double x) { return x * 1024 / 100; }),
            -kOpen, 2048),
    clamped(text("Max Step Rate", &F::iac_max_rate, 0x8D, W::word, plain), -kOpen, 1000),
    clamped(text("Rate @ 1kRPM error", &F::iac_error_rate, 0x8F, W::word, plain), -kOpen, 2000),
    text("Control Deadband", &F::iac_deadband, 0x91, W::byte, plain),
    rewritten(
        text("Coil Dwell Time", &F::target_dwell, 0x95, W::word, [](double x) { return x * 100; }),
        0.5, "0.50", 8, "8.00"),
    rewritten(text("Index Teeth Till TDC", &F::Teeth_BTDC, 0xA8, W::byte, plain), 0, "0", 255,
              "255"),
    rewritten(text("TDC trim Advance", &F::tdc_trim_deg, 0xA2, W::byte, timing_angle), -16, "-16",
              47.75, "47.75"),
    rewritten(text("Timing Offset", &F::base_offset_deg, 0xA4, W::byte, timing_angle), -16, "-16",
              47.75, "47.75"),
    rewritten(text("Min dwell", &F::min_dwell_deg, 0x9E, W::word, times_4), 5, "5", 60, "60"),
    special(Step::phases_in_use, 0xA0),
    checked(items("Base angle of Eng. Phase", &F::ph_base_deg, 0x9C, W::indexed_word, times_4),
            Check::refuse_outside, 0, 720, kPhaseAngleRefused),
    special(Step::tach_phases, 0xB1),
    rewritten(text("Ign Limit Max Retard", &F::rpm_limit_max_degrees, 0xB8, W::word, times_4), 0,
              "0.00", 100, "100.00"),
    rewritten(text("TPS Closed Value", &F::tps_base_val, 0xD5, W::byte, percent_to_byte), 0, "0",
              100, "100"),
    rewritten(text("TPS Opened Value", &F::tps_fs_val, 0xD6, W::byte, percent_to_byte), 0, "0", 100,
              "100"),
    special(Step::ego_type, 0xD1),
    clamped(rewritten(text("WEGO Lambda @ 0v", &F::WB_EGO_0V_LAMBDA, 0xD2, W::byte,
                           [](double x) { return x * 128; }),
                      0.5, "0.50", 2, "2.00"),
            -kOpen, 255),
    clamped(rewritten(text("WEGO Lambda @ 1v", &F::WB_EGO_1V_LAMBDA, 0xD3, W::byte,
                           [](double x) { return x * 128; }),
                      0.5, "0.50", 2, "2.00"),
            -kOpen, 255),
    clamped(text("Open Loop if TPS >", &F::tps_open_loop_val, 0xE4, W::byte,
                 [](double x) { return x / 100 * 256; }),
            -kOpen, 255),
    interleaved(rewritten(items("Main Gain of Injector Channel", &F::inj_gain, 0xCC,
                                W::indexed_word, [](double x) { return x * 4096; }),
                          0, "0", 4, "4"),
                1),
    interleaved(rewritten(items("Idle Trim of Injector Channel", &F::inj_offset, 0xCD,
                                W::indexed_signed_word, ms_to_ticks),
                          -40, "-40", 40, "40"),
                1),
    interleaved(rewritten(items("P.W. Min. of Injector Channel", &F::inj_min, 0x0D, W::indexed_word,
                                ms_to_ticks),
                          -kOpen, nullptr, 50, "50"),
                1),
    interleaved(rewritten(items("P.W. Clamp of Injector Channel", &F::inj_max, 0xCE,
                                W::indexed_word, ms_to_ticks),
                          -kOpen, nullptr, 50, "50"),
                1),
    rewritten(text("Max TPS for Decel", &F::decel_tps_value, 0xE6, W::byte, percent_to_byte), 0,
              "0", 100, "100"),
    clamped(text("Max/Cut Pressure", &F::max_pressure, 0xE8, W::word, pressure_count), 0, 1023),
    special(Step::input_word, 0xF6),
    clamped(text("On Trigger Retard timing", &F::flat_shft_retard, 0xFA, W::byte, times_4), 0, 255),
    clamped(text("Flat Shift retard time", &F::flat_shft_retard_time, 0xFC, W::byte, times_200), 0,
            255),
    clamped(text("On Trigger Cut Fuel For", &F::flat_shft_fuel_cut, 0xFE, W::byte, times_200), 0,
            255),
    clamped(text("Max Idle Retard", &F::idle_max_retard, 0x07, W::byte, times_4), 0, 255),
    clamped(text("Max Idle Advance", &F::idle_max_advance, 0x09, W::byte, times_4), 0, 255),
    special(Step::idle_by_timing, 0x0B),
    text("MAX cranking RPM", &F::cranking_max_rpm, 0x0F, W::word, plain),
    clamped(text("Cranking Enrich.", &F::cranking_enrichment_gain, 0x11, W::byte, times_64), -kOpen,
            255),
    text("Post Cranking Timer", &F::cranking_enrichment_timer, 0x13, W::word, times_200),
    rewritten(text("Cranking Timing", &F::cranking_timing, 0x15, W::byte, timing_angle), -16, "-16",
              47.75, "47.75"),
    clamped(
        text("Post Cranking Enrich.", &F::post_cranking_enrichment_gain, 0x17, W::byte, times_64),
        -kOpen, 255),
    clamped(
        text("WRPM Mult", &F::wheel_rpm_scaler, 0x1F, W::word, [](double x) { return x * 65536; }),
        -kOpen, 65535),
    clamped(items("low ratio of Gear", &F::low_rps_ratio, 0x23, W::indexed_word,
                  [](double x) { return x * 16; }),
            -kOpen, 65535),
    clamped(items("high ratio of Gear", &F::high_rps_ratio, 0x24, W::indexed_word,
                  [](double x) { return x * 16; }),
            -kOpen, 65535),
    clamped(items("Boost Table of Gear", &F::gear_gpo_num, 0x27, W::indexed_byte,
                  [](double x) { return x - 1; }),
            0, 3),
    clamped(text("RPM Accel Adder", &F::rpm_accel_gain, 0x29, W::byte, times_64), -kOpen, 255),
    clamped(text("Disable if above", &F::idle_disable_rpm, 0x2F, W::word, plain), -kOpen, 65535),
    interleaved(table_points("Coolant [CLT] Calibation point", &F::CLT_CAL_MAP, "clt_sensor_cal"),
                2),
    interleaved(table_points("Air Temp [MAT] Calibration point", &F::MAT_CAL_MAP, "mat_sensor_cal"),
                2),
    clamped(text("MAP Offset ADJ", &F::map_offset, 0x31, W::byte, sensor_offset), 0, 254),
    clamped(
        text("MAP Scaler ADJ", &F::map_scaler, 0x32, W::word, [](double x) { return x * 1024; }), 0,
        4096),
    clamped(text("BARO Offset ADJ", &F::baro_offset, 0x33, W::byte, sensor_offset), 0, 254),
    clamped(
        text("BARO Scaler ADJ", &F::baro_scaler, 0x34, W::word, [](double x) { return x * 1024; }),
        0, 4096),
    clamped(text("MAP Select Debounce", &F::map_change_time, 0x36, W::byte, times_200), 0, 255),
});

// The code of each option of the four input groups, and where its group's field starts.
struct InputGroup {
  ui::ControlArray<ui::OptionButton> FrmToolForm::*options;
  int shift;
  std::array<int, 5> codes;
};
const InputGroup kInputGroups[] = {
    {&F::aux_in_used_as, 0, {0, 7}},
    {&F::map_sel_used_as, 3, {7, 0, 1, 2}},
    {&F::trig_b_used_as, 6, {7, 0, 1, 2, 3}},
    {&F::idx_used_as, 9, {7, 0, 1}},
};

bool wire_fits(Wire wire, long value) {
  switch (wire) {
    case Wire::signed_byte:
      return value >= -128 && value <= 127;
    case Wire::word:
    case Wire::indexed_word:
      return value >= 0 && value <= 65535;
    case Wire::indexed_signed_word:
      return value >= -32768 && value <= 32767;
    case Wire::byte:
    case Wire::indexed_byte:
    case Wire::memory_byte:
      return value >= 0 && value <= 255;
  }
  return false;
}

std::string payload_command(const WriteRow& row, int item, long value) {
  const long low = value & 0xFF;
  const long high = (value >> 8) & 0xFF;
  switch (row.wire) {
    case Wire::byte:
    case Wire::signed_byte:
      return command_with_payload(row.code, value, 0, 0);
    case Wire::word:
      return command_with_payload(row.code, low, high, 0);
    case Wire::indexed_word:
    case Wire::indexed_signed_word:
      return command_with_payload(row.code, item, low, high);
    case Wire::indexed_byte:
      return command_with_payload(row.code, item, value, 0);
    case Wire::memory_byte: {
      const long address = row.table->first_address + item;
      return command_with_payload(row.code, address & 0xFF, address >> 8, value);
    }
  }
  return {};
}

bool marked(const ui::Control& marker) {
  return marker.fore_colour() == ui::colours::yellow;
}

bool row_marked(const ui::ControlArray<ui::CheckBox>& boxes) {
  return boxes[0].caption() == "X";
}

// Only a ticked box is a set bit; grey (never read) counts as clear.
long mask_of(const ui::ControlArray<ui::CheckBox>& boxes) {
  long mask = 0;
  for (int i = 0; i < boxes.count(); ++i) {
    if (boxes[i].value() == ui::CheckBox::checked) mask |= 1L << i;
  }
  return mask;
}

class UpdatePass {
 public:
  UpdatePass(FrmToolForm& form, EditorLifecycle& runs) : form_(form), runs_(runs) {}

  // Walks the table; returns how many marked items were held back as never read.
  int run() {
    for (std::size_t i = 0; i < kWriteRows.size(); ++i) {
      const WriteRow& row = kWriteRows[i];
      if (row.step != Step::text) {
        write_grouped(row);
      } else if (row.box != nullptr) {
        write_item(row, form_.*row.box, 0);
      } else if (row.interleave == 0) {
        ui::ControlArray<ui::TextBox>& boxes = form_.*row.boxes;
        for (int item = 0; item < boxes.count(); ++item) {
          write_item(row, boxes[item], item);
        }
      } else {
        std::size_t last = i;
        while (last + 1 < kWriteRows.size() && kWriteRows[last + 1].interleave == row.interleave) {
          ++last;
        }
        const int count = (form_.*row.boxes).count();
        for (int item = 0; item < count; ++item) {
          for (std::size_t k = i; k <= last; ++k) {
            write_item(kWriteRows[k], (form_.*kWriteRows[k].boxes)[item], item);
          }
        }
        i = last;
      }
    }
    return held_back_;
  }

 private:
  // A marked item whose value was never read is counted instead of sent.
  bool due(bool is_marked, const ui::Control& marker) {
    if (!is_marked) return false;
    if (form_.value_known(marker)) return true;
    ++held_back_;
    return false;
  }

  void send(const std::string& request, std::uint8_t code) {
    runs_.send_write(request);
    if (code == kWriteFullScale) full_scale_written_ = true;
  }

  void write_item(const WriteRow& row, ui::TextBox& box, int item) {
    // The text the field held when the update was asked for; a later edit waits.
    const std::string* asked = runs_.asked_text(box);
    if (!due(box.back_colour() == ui::colours::yellow && asked != nullptr, box)) return;
    std::string text = *asked;
    const auto read = [&text] { return ui::leading_number_ignoring_blanks(text); };
    // The box shows its limit, unless the user has typed into it since.
    const auto limit_to = [&box, &text](const char* limit) {
      if (box.text() == text) box.set_text(limit);
      text = limit;
    };
    double x = read();
    switch (row.check) {
      case Check::rewrite:
      case Check::rewrite_and_tell:
        if (row.high_text != nullptr && x > row.high) {
          limit_to(row.high_text);
          if (row.check == Check::rewrite_and_tell) ui::msg_box(row.message);
          x = read();
        }
        if (row.low_text != nullptr && x < row.low) {
          limit_to(row.low_text);
          if (row.check == Check::rewrite_and_tell) ui::msg_box(row.message);
          x = read();
        }
        break;
      case Check::refuse_outside:
        if (x < row.low || x >= row.high) {
          ui::msg_box(row.message);
          return;
        }
        break;
      case Check::confirm_above:
        if (x > row.high &&
            ui::msg_box(row.message, ui::MsgButtons::yes_no_cancel) != ui::MsgResult::yes) {
          return;
        }
        break;
      case Check::none:
      case Check::refuse_integer_above:
        break;
    }
    const double scaled =
        row.table != nullptr ? calibration_wire_value(*row.table, x) : row.scale(x);
    const std::optional<std::int32_t> rounded = ui::round_to_int32(scaled);
    long value = rounded.value_or(0);
    if (row.check == Check::refuse_integer_above && rounded && value > row.high) {
      ui::msg_box(row.message);
      return;
    }
    if (rounded) {
      if (static_cast<double>(value) > row.ceiling) value = static_cast<long>(row.ceiling);
      if (static_cast<double>(value) < row.floor) value = static_cast<long>(row.floor);
    }
    if (!rounded || !wire_fits(row.wire, value)) {
      std::string message = "The value for the ";
      message += row.label;
      if (row.boxes != nullptr) {
        message += ' ';
        message += std::to_string(item + 1);
      }
      message += " is out of range, it will not be updated";
      ui::msg_box(message);
      return;
    }
    runs_.send_write(box, payload_command(row, item, value), text);
    if (row.code == kWriteFullScale) full_scale_written_ = true;
  }

  void write_phase_rows(const WriteRow& row, ui::ControlArray<ui::CheckBox>& (F::*rows)(int)) {
    for (int r = 0; r < FrmToolForm::kPhases; ++r) {
      ui::ControlArray<ui::CheckBox>& boxes = (form_.*rows)(r);
      if (!due(row_marked(boxes), boxes[0])) continue;
      // The mask as the row stands now: the user is served between two rows, and a box
      // ticked meanwhile must go with its row rather than be undone by the row's echo. An
      // echo rewrites its own row only.
      const long mask = mask_of(boxes);
      send(command_with_payload(row.code, r, mask & 0xFF, mask >> 8), row.code);
    }
  }

  void write_phase_mask(const WriteRow& row, ui::ControlArray<ui::CheckBox>& boxes) {
    const long mask = mask_of(boxes);
    if (!due(row_marked(boxes), boxes[0])) return;
    send(command_with_payload(row.code, mask & 0xFF, mask >> 8, 0), row.code);
  }

  void write_byte_if_due(const WriteRow& row, const ui::Control& marker, bool is_marked,
                         long value) {
    if (!due(is_marked, marker)) return;
    send(command_with_payload(row.code, value, 0, 0), row.code);
  }

  void write_grouped(const WriteRow& row) {
    FrmToolForm& f = form_;
    switch (row.step) {
      case Step::sensor_type: {
        long type = 0;
        for (int option = 3; option >= 1; --option) {
          if (type == 0 && f.map_type[option].value()) type = option;
        }
        if (f.special_cfg[0].value() != 0) type += 64;
        if (f.special_cfg[1].value() != 0) type += 128;
        write_byte_if_due(row, f.map_type[0], marked(f.map_type[0]), type);
        break;
      }
      case Step::options: {
        const long options =
            (f.TPS_mapped.value() != 0 ? 1 : 0) + (f.MAP_accel.value() != 0 ? 2 : 0);
        const bool tps = marked(f.TPS_mapped);
        write_byte_if_due(row, tps ? f.TPS_mapped : f.MAP_accel, tps || marked(f.MAP_accel),
                          options);
        break;
      }
      case Step::base_config_reread:
        if (full_scale_written_) send("C", row.code);
        break;
      case Step::injection_rows:
        write_phase_rows(row, &F::inj_ph);
        break;
      case Step::ignition_rows:
        write_phase_rows(row, &F::ign_ph);
        break;
      case Step::phases_in_use:
        write_phase_mask(row, f.ph_used);
        break;
      case Step::tach_phases:
        write_phase_mask(row, f.tach_ph);
        break;
      case Step::ego_type: {
        if (!due(marked(f.EGO_type[0]), f.EGO_type[0])) break;
        // With no option chosen there is no type to send; the group stays marked.
        for (int option = 0; option < f.EGO_type.count(); ++option) {
          if (!f.EGO_type[option].value()) continue;
          send(command_with_payload(row.code, option, 0, 0), row.code);
          break;
        }
        break;
      }
      case Step::input_word: {
        long word = 0;
        for (const InputGroup& group : kInputGroups) {
          const ui::ControlArray<ui::OptionButton>& options = f.*group.options;
          for (int option = 0; option < options.count(); ++option) {
            if (options[option].value()) word += group.codes.at(option) << group.shift;
          }
        }
        if (!due(marked(f.aux_in_used_as[0]), f.aux_in_used_as[0])) break;
        send(command_with_payload(row.code, word & 0xFF, word >> 8, 0), row.code);
        break;
      }
      case Step::idle_by_timing:
        write_byte_if_due(row, f.enable_idle_by_timing, marked(f.enable_idle_by_timing),
                          f.enable_idle_by_timing.value());
        break;
      case Step::text:
        break;
    }
  }

  FrmToolForm& form_;
  EditorLifecycle& runs_;
  int held_back_ = 0;
  bool full_scale_written_ = false;
};

}  // namespace

void FrmToolForm::Command3d1_Click() {
  if (demo_mode != kFalse) return;
  int held_back = 0;
  lifecycle_.request({[this] { note_marked_fields(); },
                      [this, &held_back] { held_back = UpdatePass(*this, lifecycle_).run(); },
                      [&held_back] {
                        if (held_back == 0) return;
                        ui::msg_box(std::to_string(held_back) +
                                    (held_back == 1 ? " setting was" : " settings were") +
                                    " not updated because their values could not be read from "
                                    "the controller; open the configuration again to read them");
                      }},
                     0.1F);
}

void FrmToolForm::note_marked_fields() {
  for (ui::Control* control : controls()) {
    if (control->kind() != ui::ControlKind::text_box) continue;
    const auto& field = static_cast<const ui::TextBox&>(*control);
    if (field.back_colour() == ui::colours::yellow) lifecycle_.note(field);
  }
}

}  // namespace ecu
