#include "views/monitor_display.hpp"

#include <cstdint>

#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "ui/format.hpp"
#include "views/frm_mon.hpp"

namespace ecu {

namespace {

constexpr Single kMaxShownRpm = 40000.0F;
constexpr Single kMaxThrottle = 100.0F;
constexpr Single kMaxCoolant = 125.0F;
// o2_sensor_status: bit 0 set means the lambda byte is a lambda; 256 and up a sensor error.
constexpr Long kLambdaValidBit = 1;
constexpr Long kSensorErrorFrom = 256;

std::string idle_state_name(Long state) {
  switch (state) {
    case 1:
      return "SHTDWN";
    case 2:
      return "HOME";
    case 3:
      return "ST_POS";
    case 4:
      return "OPENING";
    case 5:
      return "CLOSING";
    case 6:
      return "CLOSED";
    default:
      return "????";
  }
}

// Entry 1 and the set-point in the chosen unit; an oxygen sensor shows percent oxygen, with
// the unit label saying so.
std::string lambda_text(FrmMonForm& monitor) {
  const bool lambda_units = lambda_units_chosen();
  const char* const mask = lambda_units ? "#.000" : "##.00";
  std::string text =
      ui::format_single(lambda_units ? lambda_measured : lambda_to_afr(lambda_measured), mask);
  monitor.ego_lambda_setpoint.set_caption(ui::format_single(lambda_to_afr(lambda_setpoint), mask));
  if ((o2_sensor_status & kLambdaValidBit) != 0) {
    monitor.Label1[FrmMonForm::kAfrUnitLabel].set_caption(lambda_unit_caption);
  } else {
    text = ui::format_single(o2_pcnt, "##.0");
    monitor.Label1[FrmMonForm::kAfrUnitLabel].set_caption("%O2");
  }
  if (o2_sensor_status >= kSensorErrorFrom) text = "ERR";
  return text;
}

void set_entry(int entry, std::string text) {
  monitor_text[static_cast<std::size_t>(entry)] = std::move(text);
}

}  // namespace

bool lambda_units_chosen() {
  const FrmEcuForm* main_window = FrmEcu.if_loaded();
  // Without a main window nothing was chosen, and lambda is the default unit.
  return main_window == nullptr || main_window->menuUnitsLambda[0].checked();
}

std::string monitor_timing_text(float advance_degrees) {
  if (advance_degrees > 0.0F) return ui::format_single(advance_degrees, "##0.00") + "B";
  return ui::format_single(-advance_degrees, "##0.00") + "A";
}

void refresh_monitor_display() {
  // The yields may close the monitor (its instance goes), so every write looks it up anew.
  // The clamps stay in the shared values, so the other views and the log see them too.
  if (engine_rpm > kMaxShownRpm) engine_rpm = kMaxShownRpm;
  if (throttle_pos_clamped > kMaxThrottle) throttle_pos_clamped = kMaxThrottle;
  if (coolant_temp > kMaxCoolant) coolant_temp = kMaxCoolant;
  ui::do_events();

  set_entry(0, ui::format_single(engine_rpm, "###0"));
  set_entry(1, lambda_text(frm_mon()));
  ui::do_events();

  set_entry(2, ui::format_single(coolant_temp, "##0"));
  set_entry(3, ui::format_single(throttle_pos, "##0.0"));
  set_entry(4, ui::format_single(manifold_pressure_kpa, "###.0"));
  set_entry(5, ui::format_single(base_injection_pw_s * 1000.0F, "##.##0"));
  set_entry(6, ui::format_single(ego_correction, "0.000"));
  set_entry(7, ui::format_single(map_enrichment, "0.000"));
  ui::do_events();
  set_entry(8, ui::format_single(accel_enrichment_ms, "##.000"));
  set_entry(9, ui::format_single(clt_enrichment, "0.000"));
  set_entry(10, ui::format_single(battery_volts, "#0.00"));
  set_entry(11, ui::format_single(manifold_air_temp, "##0"));
  set_entry(12, ui::format_single(aux_input_volts, "0.000"));
  // Entry 13 has no value: it stays empty.
  set_entry(14, ui::format_single(baro_pressure, "###.0"));
  ui::do_events();
  frm_mon().tx_bytes.set_caption(ui::str_integer(tx_byte_counts[0]));
  frm_mon().rx_bytes.set_caption(ui::str_integer(rx_byte_counts[0]));
  ui::do_events();

  set_entry(15, idle_state_name(iac_state));
  ui::do_events();
  set_entry(16, iac_error == 0 ? std::string("OK") : "ERR" + ui::str_integer(iac_error));
  ui::do_events();
  set_entry(17, ui::format_number(iac_position, "###0"));
  set_entry(18, ui::format_number(iac_rpm_setpoint, "###0"));
  ui::do_events();
  set_entry(19, monitor_timing_text(ign_advance_deg));
  ui::do_events();

  for (int i = 0; i < kMonitorEntries; ++i) {
    const auto slot = static_cast<std::size_t>(i);
    if (monitor_shown_text[slot] != monitor_text[slot]) {
      frm_mon().ECU_Data[i].set_caption(monitor_text[slot]);
    }
    monitor_shown_text[slot] = monitor_text[slot];
    ui::do_events();
  }
}

}  // namespace ecu
