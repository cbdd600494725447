// The dyno page of the diagnostics window: arming and disarming the controller's capture,
// the sample rate, the plot, the reference run and the saved copies.

#include <algorithm>
#include <optional>
#include <string>

#include "link/poll_inhibit.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "ui/format.hpp"
#include "ui/number_parse.hpp"
#include "ui/rounding.hpp"
#include "ui/text_file.hpp"
#include "views/diagnostic_plots.hpp"
#include "views/dyno_log.hpp"
#include "views/frm_diagnostics.hpp"

namespace ecu {

namespace {

constexpr char kWriteDynoRpm = 0x03;
constexpr char kSetDynoArmed = 0x04;
constexpr double kLargestRpm = 65535;
// The timer interval is a 16-bit count of milliseconds.
constexpr double kLargestInterval = 32767;
constexpr Single kStartingScale = 1000;
// The reference's highest point lies at 80 % of the plot height.
constexpr Single kHeadroom = 1.25F;

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The rpm a field asks for, when it is a number that fits the controller's 16-bit word.
std::optional<long> rpm_to_send(const std::string& text) {
  if (!ui::is_strict_number_ignoring_blanks(text)) return std::nullopt;
  const double rpm = ui::round_half_even(ui::leading_number_ignoring_blanks(text));
  if (rpm < 0 || rpm > kLargestRpm) return std::nullopt;
  return static_cast<long>(rpm);
}

}  // namespace

void FrmDiagnosticsForm::dyno_arm_Click() {
  // Both speeds are checked before anything changes: a refused text arms nothing.
  const char* const names[] = {"Trig RPM", "End RPM"};
  long rpm_words[2] = {};
  for (int index = 0; index < 2; ++index) {
    const std::optional<long> rpm = rpm_to_send(dyno_trig_rpm[index].text());
    if (!rpm) {
      ui::msg_box(std::string("The ") + names[index] +
                  " must be a number from 0 to 65535, the dyno capture has not been armed");
      return;
    }
    rpm_words[index] = *rpm;
  }

  const bool could_save = dyno_save.enabled();
  const bool could_make_reference = dyno_ref_file.enabled();
  dyno_arm.set_enabled(false);
  dyno_cancel.set_enabled(true);
  dyno_save.set_enabled(false);
  dyno_ref_file.set_enabled(false);
  const PollInhibitScope inhibit;
  // The log exists, header only, before the controller can report its first running frame;
  // without a log there is nothing to capture into.
  if (!start_dyno_log()) {
    dyno_arm.set_enabled(true);
    dyno_cancel.set_enabled(false);
    dyno_save.set_enabled(could_save);
    dyno_ref_file.set_enabled(could_make_reference);
    return;
  }
  delay_seconds(0.2F);
  for (int index = 0; index < 2; ++index) {
    send_command(std::string{kWriteDynoRpm, static_cast<char>(index),
                             static_cast<char>(rpm_words[index] & 0xFF),
                             static_cast<char>(rpm_words[index] >> 8)});
  }
  send_command(std::string{kSetDynoArmed, 0x01, '\0', '\0'});
  delay_seconds(0.1F);
}

void FrmDiagnosticsForm::dyno_cancel_Click() {
  const PollInhibitScope inhibit(0.2F);
  send_command(std::string{kSetDynoArmed, '\0', '\0', '\0'});
  delay_seconds(0.2F);
  // The log stays open with the rows so far, until the next arming replaces it.
  dyno_arm.set_enabled(true);
  dyno_cancel.set_enabled(false);
}

void FrmDiagnosticsForm::dyno_plot_Click() {
  // A capture still running shows every row written so far.
  flush_dyno_log();
  plot_dyno_graphs();
}

void FrmDiagnosticsForm::dyno_ref_file_Click() {
  copy_dyno_file(kDynoLogFile, kDynoReferenceFile);
  plot_dyno_graphs();
}

void FrmDiagnosticsForm::dyno_save_Click() {
  const std::string name =
      trimmed(dyno_file_name.text()) + "_" + trimmed(dyno_series.text()) + ".csv";
  if (ui::file_exists(name) &&
      ui::msg_box(name + " already exists. Do you want to replace it?", ui::MsgButtons::yes_no,
                  ui::MsgIcon::question, 1) != ui::MsgResult::yes) {
    return;
  }
  // A copy that failed can be tried again under another name.
  if (!copy_dyno_file(kDynoLogFile, name)) return;
  dyno_series.set_text(
      ui::format_number(ui::leading_number_ignoring_blanks(dyno_series.text()) + 1, "000"));
  dyno_save.set_enabled(false);
}

void FrmDiagnosticsForm::dyno_sample_rate_Change() {
  const double rate =
      ui::round_half_even(ui::leading_number_ignoring_blanks(dyno_sample_rate.text()));
  // A rate the timer cannot take leaves the poll as it was.
  if (rate < 0 || rate > kLargestInterval) return;
  // 0 runs the poll as fast as it goes.
  FrmEcu().Timer1.set_interval(rate > 0 ? static_cast<int>(rate) : 1);
}

void FrmDiagnosticsForm::plot_dyno_graphs() {
  dyno_plot_screen.cls();
  const double trigger_rpm =
      ui::round_half_even(ui::leading_number_ignoring_blanks(dyno_trig_rpm[0].text()));
  const DynoAxis axis{
      trigger_rpm, ui::round_half_even(ui::leading_number_ignoring_blanks(dyno_trig_rpm[1].text()) -
                                       trigger_rpm)};

  // Both runs are drawn to the reference's scale.
  DynoMaxima reference{kStartingScale, kStartingScale};
  if (const auto measured = plot_dyno_file(kDynoReferenceFile, kStartingScale, axis, nullptr, {})) {
    reference = *measured;
  }
  const Single scale = std::max(reference.torque, reference.power) * kHeadroom;
  plot_dyno_file(kDynoLogFile, scale, axis, &dyno_plot_screen,
                 {ui::colours::light_blue, ui::colours::light_red});
  plot_dyno_file(kDynoReferenceFile, scale, axis, &dyno_plot_screen,
                 {ui::colours::dark_grey, ui::colours::light_grey});
}

}  // namespace ecu
