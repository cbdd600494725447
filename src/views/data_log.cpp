#include "views/data_log.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "model/shared_state.hpp"
#include "ui/clock.hpp"
#include "ui/form.hpp"
#include "ui/format.hpp"
#include "ui/text_file.hpp"

namespace ecu {

namespace {

enum class Kind {
  time_of_day,  // hh:mm:ss when the row is written
  poll_start,   // seconds since midnight when the poll began
  single,       // a single-precision value under its mask
  number,       // a whole number or a double under its mask
  hex,          // upper-case hexadecimal, no prefix
};

struct LogField {
  const char* column;
  Kind kind;
  const char* mask;
  double (*value)();
};

// One row per column, in file order; the column names are also the first header line.
// clang-format off
constexpr std::array<LogField, kDataLogFields> kFields{{
    {"Time",       Kind::time_of_day, "",         nullptr},
    {"CPU_T",      Kind::poll_start,  "####0.00", nullptr},
    {"RPM",        Kind::single, "####0",  [] { return double{engine_rpm_raw}; }},
    {"A/F",        Kind::single, "0.00",   [] { return double{lambda_measured}; }},
    {"CLT",        Kind::single, "##0",    [] { return double{coolant_temp}; }},
    {"TPS",        Kind::single, "##0.0",  [] { return double{throttle_pos}; }},
    {"MAP",        Kind::single, "##0.0",  [] { return double{manifold_pressure_kpa}; }},
    {"MAT",        Kind::single, "##0",    [] { return double{manifold_air_temp}; }},
    {"PW",         Kind::single, "#0.000", [] { return double{base_injection_pw_s * 1000.0F}; }},
    {"CORR",       Kind::single, "0.000",  [] { return double{ego_correction}; }},
    {"IGN\xB0",    Kind::single, "#0.00",  [] { return double{ign_advance_deg}; }},
    {"INJ%",       Kind::number, "##0.0",  [] { return static_cast<double>(inj_duty_pcnt[0]); }},
    {"IGN%",       Kind::number, "##0.0",  [] { return static_cast<double>(ign_duty_pcnt[0]); }},
    {"WDBG",       Kind::number, "##0",    [] { return static_cast<double>(wheel_idx_tooth); }},
    {"GPO1%",      Kind::single, "##0.0",  [] { return double{gpo_duty_pcnt[0]}; }},
    {"GPO2%",      Kind::single, "##0.0",  [] { return double{gpo_duty_pcnt[1]}; }},
    {"GPO3%",      Kind::single, "##0.0",  [] { return double{gpo_duty_pcnt[2]}; }},
    {"GPO4%",      Kind::single, "##0.0",  [] { return double{gpo_duty_pcnt[3]}; }},
    {"MAP#",       Kind::number, "0",      [] { return static_cast<double>(active_map_num); }},
    {"WTRG",       Kind::number, "####0",  [] { return static_cast<double>(wheel_trig_count); }},
    {"CTRG",       Kind::number, "####0",  [] { return static_cast<double>(cam_trig_count); }},
    {"CDBG",       Kind::number, "##0",    [] { return static_cast<double>(cam_idx_tooth); }},
    {"SECS",       Kind::number, "####0",  [] { return static_cast<double>(ecu_cpu_secs); }},
    {"EFLGS",      Kind::number, "##0",    [] { return static_cast<double>(ecu_err_flgs); }},
    {"EGO_SP",     Kind::single, "0.00",   [] { return double{lambda_setpoint}; }},
    {"SPEED",      Kind::single, "##0.00", [] { return double{vehicle_speed_mph}; }},
    {"GEAR",       Kind::number, "0",      [] { return static_cast<double>(current_gear); }},
    {"MAP_C",      Kind::number, "#0",     [] { return static_cast<double>(map_cell); }},
    {"MAP_R",      Kind::number, "0.00",   [] { return map_rem / 128.0; }},
    {"RPM_C",      Kind::number, "#0",     [] { return static_cast<double>(rpm_cell); }},
    {"RPM_R",      Kind::number, "0.00",   [] { return rpm_rem / 128.0; }},
    {"TPS_C",      Kind::number, "#0",     [] { return static_cast<double>(tps_cell); }},
    {"TPS_R",      Kind::number, "0.00",   [] { return tps_rem / 128.0; }},
    {"TPS_PCNT",   Kind::single, "0.00",   [] { return double{tps_pcnt}; }},
    {"O2_ERRS",    Kind::hex,    "",       [] { return static_cast<double>(o2_sensor_status); }},
    {"WB_TEMP",    Kind::number, "0",      [] { return static_cast<double>(wb_heater_temp); }},
    {"EGT",        Kind::single, "###0.0", [] { return double{exhaust_gas_temp}; }},
}};
// clang-format on

constexpr double kSecondsPerDay = 86400.0;

ui::TextFileWriter& log_file() {
  static ui::TextFileWriter writer;
  return writer;
}

std::string two_digits(long long value) {
  char text[24];
  std::snprintf(text, sizeof text, "%02lld", value);
  return text;
}

std::string upper_hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
  return text;
}

std::string field_text(const LogField& field, double cpu_seconds) {
  switch (field.kind) {
    case Kind::time_of_day:
      return time_of_day_text(ui::clock().seconds_since_midnight());
    case Kind::poll_start:
      return ui::format_number(cpu_seconds, field.mask);
    case Kind::single:
      return ui::format_single(static_cast<float>(field.value()), field.mask);
    case Kind::number:
      return ui::format_number(field.value(), field.mask);
    case Kind::hex:
      // A status word is never negative; a negative one is written as its 32 bits.
      return upper_hex(static_cast<std::uint32_t>(static_cast<std::int64_t>(field.value())));
  }
  return {};
}

std::string header_columns() {
  std::string line;
  for (const LogField& field : kFields) {
    if (!line.empty()) line += ',';
    line += field.column;
  }
  return line;
}

// "Log Begins on mm-dd-yyyy hh:mm:ss", the date from the calendar, the time from the
// console's clock.
std::string start_line() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return "Log Begins on " + two_digits(local.tm_mon + 1) + "-" + two_digits(local.tm_mday) + "-" +
         std::to_string(local.tm_year + 1900) + " " +
         time_of_day_text(ui::clock().seconds_since_midnight());
}

std::string failure(std::string reason) {
  close_data_log();
  return reason.empty() ? std::string("unknown error") : reason;
}

}  // namespace

std::string time_of_day_text(double seconds_since_midnight) {
  double seconds = std::floor(seconds_since_midnight);
  if (!std::isfinite(seconds) || seconds < 0.0) seconds = 0.0;
  const auto whole = static_cast<long long>(std::fmod(seconds, kSecondsPerDay));
  return two_digits(whole / 3600) + ":" + two_digits(whole / 60 % 60) + ":" +
         two_digits(whole % 60);
}

std::string open_data_log(const std::string& path) {
  close_data_log();
  ui::TextFileWriter& file = log_file();
  if (!file.open(path, ui::TextFileWriter::Mode::truncate)) return failure(file.error());
  // However the program ends, the rows written so far stay in the file.
  ui::add_shutdown_step([] { close_data_log(); });
  // The header goes out with the first row's flush; a full disk shows there.
  const bool written = file.write_line(header_columns()) && file.write_line(start_line()) &&
                       file.write_line(kDataLogVersion) && file.write_line("");
  if (!written) return failure(file.error());
  return {};
}

std::string write_data_log_row(double cpu_seconds) {
  ui::TextFileWriter& file = log_file();
  if (!file.is_open()) return "the data log is not open";
  std::string row;
  for (const LogField& field : kFields) {
    if (!row.empty()) row += ',';
    row += field_text(field, cpu_seconds);
  }
  if (!file.write_line(row) || !file.flush()) return failure(file.error());
  return {};
}

std::string close_data_log() {
  ui::TextFileWriter& file = log_file();
  if (!file.is_open() || file.close()) return {};
  return file.error();
}

int data_log_field_number(std::string_view column) {
  for (std::size_t i = 0; i < kFields.size(); ++i) {
    if (column == kFields[i].column) return static_cast<int>(i) + 1;
  }
  return 0;
}

bool data_log_open() {
  return log_file().is_open();
}

}  // namespace ecu
