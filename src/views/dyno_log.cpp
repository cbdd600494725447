#include "views/dyno_log.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <memory>

#include "model/shared_state.hpp"
#include "ui/format.hpp"
#include "ui/number_parse.hpp"
#include "ui/text_file.hpp"
#include "ui/ui.hpp"
#include "views/frm_diagnostics.hpp"

namespace ecu {

namespace {

// The number the open log is known by in dyno_log_file_num (0 means none is open).
constexpr Integer kDynoLogNumber = 1;

ui::TextFileWriter& log_writer() {
  static ui::TextFileWriter writer;
  return writer;
}

// The capture count the decoder has just shown for this frame.
double shown_capture_count() {
  const FrmDiagnosticsForm* window = frm_diagnostics.if_loaded();
  return window ? ui::leading_number(window->dyno_samples.caption()) : 0.0;
}

struct DynoColumn {
  const char* name;
  std::string (*text)();
};

// One row: every column of the frame that triggered it, in file order.
constexpr std::array<DynoColumn, kDynoLogFields> kColumns{{
    // clang-format off
    {"Time",     [] { return ui::format_number(shown_capture_count() * 0.001, "###0.000"); }},
    {"MAP",      [] { return ui::format_single(manifold_pressure_kpa, "##0.0"); }},
    {"RPM",      [] { return ui::format_single(engine_rpm_raw, "###0.00"); }},
    {"Lambda",   [] { return ui::format_single(lambda_measured, "0.00"); }},
    {"TPS",      [] { return ui::format_single(throttle_pos, "##0.0"); }},
    {"CLT",      [] { return ui::format_single(coolant_temp, "###0"); }},
    {"MAT",      [] { return ui::format_single(manifold_air_temp, "###0"); }},
    {"PW",       [] { return ui::format_single(base_injection_pw_s * 1000.0F, "#0.000"); }},
    {"MAP_Cell", [] { return ui::format_number(map_cell, "#0"); }},
    {"MAP_Rem",  [] { return ui::format_number(map_rem / 128.0, "0.##"); }},
    {"RPM_Cell", [] { return ui::format_number(rpm_cell, "#0"); }},
    {"RPM_Rem",  [] { return ui::format_number(rpm_rem / 128.0, "0.##"); }},
    {"TPS_Cell", [] { return ui::format_number(tps_cell, "#0"); }},
    {"TPS_Rem",  [] { return ui::format_number(tps_rem / 128.0, "0.##"); }},
    {"LambdaSP", [] { return ui::format_single(lambda_setpoint, "0.00"); }},
    {"MPH",      [] { return ui::format_single(vehicle_speed_mph, "##0.0"); }},
    {"Gear",     [] { return ui::str_integer(current_gear); }},
    // clang-format on
}};
// A column left out would leave an empty one at the end.
static_assert(std::ranges::none_of(kColumns, [](const DynoColumn& column) {
  return column.name == nullptr;
}));

template <typename Field>
std::string joined(Field field) {
  std::string line;
  for (const DynoColumn& column : kColumns) {
    if (!line.empty()) line += ',';
    line += field(column);
  }
  return line;
}

std::string log_begins_line() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[64];
  std::snprintf(text, sizeof text, "Log Begins on %02d-%02d-%04d %02d:%02d:%02d", local.tm_mon + 1,
                local.tm_mday, local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

// However the program ends, the log is closed. The step lives as long as the registered
// shutdown steps do; once they are cleared the token expires and the next log registers anew.
void close_log_at_program_end() {
  static std::weak_ptr<int> registered;
  if (!registered.expired()) return;
  auto token = std::make_shared<int>(0);
  registered = token;
  ui::add_shutdown_step([token] { close_dyno_log(); });
}

bool log_open() {
  return dyno_log_file_num != 0 && log_writer().is_open();
}

}  // namespace

bool start_dyno_log() {
  close_dyno_log();
  ui::TextFileWriter& writer = log_writer();
  const std::array<std::string, kDynoLogHeaderLines> header{
      joined([](const DynoColumn& column) { return column.name; }), log_begins_line(),
      "DYNOFILE V1.00.00", ""};
  bool written = writer.open(kDynoLogFile);
  for (const std::string& line : header) written = written && writer.write_line(line);
  written = written && writer.flush();
  if (!written) {
    // The writer's reason names the file.
    ui::msg_box("Could not create " + writer.error());
    writer.close();
    return false;
  }
  dyno_log_file_num = kDynoLogNumber;
  close_log_at_program_end();
  return true;
}

void write_dyno_log_row() {
  if (!log_open()) return;
  ui::TextFileWriter& writer = log_writer();
  // A row that cannot be written is reported once; the capture goes on.
  static bool reported = false;
  if (writer.write_line(joined([](const DynoColumn& column) { return column.text(); })) &&
      writer.flush()) {
    reported = false;
  } else if (!reported) {
    reported = true;
    ui::msg_box("Could not write to " + writer.error());
  }
}

void finish_dyno_capture() {
  if (!log_open()) return;
  log_writer().close();
  // The first finished run becomes the reference.
  if (!ui::file_exists(kDynoReferenceFile)) copy_dyno_file(kDynoLogFile, kDynoReferenceFile);
  FrmDiagnosticsForm& window = frm_diagnostics();
  window.dyno_save.set_enabled(true);
  window.plot_dyno_graphs();
  dyno_log_file_num = 0;
  window.dyno_arm.set_enabled(true);
  window.dyno_cancel.set_enabled(false);
  window.dyno_ref_file.set_enabled(true);
}

void flush_dyno_log() {
  if (log_open()) log_writer().flush();
}

void close_dyno_log() {
  log_writer().close();
  dyno_log_file_num = 0;
}

int dyno_log_field_number(std::string_view column) {
  for (std::size_t i = 0; i < kColumns.size(); ++i) {
    if (column == kColumns[i].name) return static_cast<int>(i) + 1;
  }
  return 0;
}

bool copy_dyno_file(const std::string& from, const std::string& to) {
  std::string error;
  if (ui::copy_file(from, to, &error)) return true;
  ui::msg_box("Could not copy " + from + " to " + to + ": " + error);
  return false;
}

}  // namespace ecu
