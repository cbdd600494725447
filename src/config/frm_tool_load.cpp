// Reading the whole configuration when the window opens: every field is first marked as not
// in sync (and its value as unknown), then one request per setting goes out page by page,
// and the reply decoders fill each field and mark it in sync as its reply arrives.

#include <array>
#include <string>
#include <vector>

#include "config/frm_tool.hpp"
#include "decode/memory_map.hpp"
#include "link/poll_inhibit.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "model/view_number.hpp"
#include "ui/format.hpp"

namespace ecu {

namespace {

constexpr int kNoPage = -1;

// One read of the load: the page shown while it runs and the command.
struct LoadRead {
  int page;
  const char* command;  // the code; a single code is padded with "000" by the transaction
};

using P = FrmToolForm::Page;

// clang-format off
const LoadRead kLoadReads[] = {
    {kNoPage, "C"}, {kNoPage, "B"},
    {P::kEngineSetup, "\xA7"}, {P::kEngineSetup, "\xA1"}, {P::kEngineSetup, "\xB7"},
    {P::kEngineSetup, "\xE9"}, {P::kEngineSetup, "\xEB"}, {P::kEngineSetup, "\x18"},
    {P::kEngineSetup, "\x1A"}, {P::kEngineSetup, "\xED"}, {P::kEngineSetup, "\xEF"},
    {P::kEngineSetup, "\x1C"}, {P::kEngineSetup, "\xF1"}, {P::kEngineSetup, "\xF3"},
    {P::kAcceleration, "@"}, {P::kAcceleration, "("},
    {P::kIgnition, "\xA3"}, {P::kIgnition, "\x94"}, {P::kIgnition, "\x9D"},
    {P::kInjection, "\xE5"}, {P::kInjection, "\xE7"}, {P::kInjection, "\xC9"},
    {P::kInjection, "\xCA"}, {P::kInjection, "\x0C"}, {P::kInjection, "\xCB"},
    {P::kPhaseSetup, "\x9B"}, {P::kPhaseSetup, "\x9F"}, {P::kPhaseSetup, "\xA5"},
    {P::kPhaseSetup, "\x7F"}, {P::kPhaseSetup, "\xB0"},
    {P::kPowerupOptions, "U"}, {P::kPowerupOptions, "V"}, {P::kPowerupOptions, "W"},
    {P::kPowerupOptions, "S"}, {P::kPowerupOptions, "T"},
    {P::kIdleControl, "\x84"}, {P::kIdleControl, "\x86"}, {P::kIdleControl, "\x88"},
    {P::kIdleControl, "\x8A"}, {P::kIdleControl, "\x8C"}, {P::kIdleControl, "\x8E"},
    {P::kIdleControl, "\x90"}, {P::kIdleControl, "."}, {P::kIdleControl, "\x0A"},
    {P::kIdleControl, "\x06"}, {P::kIdleControl, "\x08"},
    {P::kClosedLoop, "!"}, {P::kClosedLoop, "%"}, {P::kClosedLoop, "^"},
    {P::kClosedLoop, "\xE3"}, {P::kClosedLoop, "\xD0"},
    {P::kEngineStartup, "\x0E"}, {P::kEngineStartup, "\x10"}, {P::kEngineStartup, "\x16"},
    {P::kEngineStartup, "\x12"}, {P::kEngineStartup, "\x14"},
    {P::kSensorCalibration, "\xD4"}, {P::kSensorCalibration, nullptr},
    {P::kSensorCalibration, nullptr}, {P::kSensorCalibration, "0"},
    {P::kFlatShift, "\xF9"}, {P::kFlatShift, "\xFD"}, {P::kFlatShift, "\xFB"},
    {P::kInputsConfig, "\xF5"}, {P::kInputsConfig, "5"},
    {P::kSpeedGearSetup, "\x1E"}, {P::kSpeedGearSetup, "\""}, {P::kSpeedGearSetup, "&"},
};
// clang-format on

// The two reads without a command text above are the temperature tables, in this order: a
// memory read of nine bytes from the table's first address, as the memory map has it.
std::string memory_read(int nth) {
  const Long address =
      calibration_table(nth == 0 ? "clt_sensor_cal" : "mat_sensor_cal").first_address;
  return {'r', static_cast<char>(address & 0xFF), static_cast<char>(address >> 8), '\0'};
}

constexpr const char* kDwellToolTip =
    "Faster coils need less dwell time, Slow coils need more dwell time.\n"
    "If not enough time is given, the spark may be weak or missing.\n"
    "If the dwell time is too high, the coil current will be too high, and damage may result.";

}  // namespace

void FrmToolForm::Form_Activate() {
  set_caption("Configuration" + caption_suffix);
  tool_tab.set_enabled(false);
  if (config_loaded == kFalse) {
    lifecycle_.stay_loaded();
    if (lifecycle_.busy()) {
      // Opened again while the load or update of the last opening still runs: it carries on.
      config_loaded = kTrue;
      stop_load_ = false;
    } else {
      load_configuration();
      if (unloaded() || !visible()) {
        // Closed during the load: the view that is current now is not this window's.
        tool_tab.set_enabled(true);
        return;
      }
    }
  }
  tool_tab.set_current_tab(kEngineSetup);
  set_enabled(true);
  tool_tab.set_enabled(true);
  current_view = kConfigurationView;
}

void FrmToolForm::load_configuration() {
  const EditorLifecycle::Reading reading(lifecycle_);
  stop_load_ = false;
  current_view = kNoView;
  config_loaded = kTrue;
  target_dwell.set_tool_tip(kDwellToolTip);
  if (master_mode != 0) {
    for (int i = 0; i < map_type.count(); ++i) map_type[i].set_enabled(true);
    for (int i = 0; i < special_cfg.count(); ++i) special_cfg[i].set_enabled(true);
  }
  tool_tab.set_current_tab(kEngineSetup);
  yield_to_message_loop();
  mark_every_field_unread();
  if (demo_mode != kFalse) fill_demo_values();
  yield_to_message_loop();
  const PollInhibitScope inhibit(0.1F, 0.1F);

  int page = kNoPage;
  int memory_reads = 0;
  for (std::size_t i = 0; i < std::size(kLoadReads) && !stop_load_; ++i) {
    const LoadRead& read = kLoadReads[i];
    if (read.page != page || i == 2) {
      page = read.page;
      if (page != kNoPage) tool_tab.set_current_tab(page);
    }
    const std::string command =
        read.command != nullptr ? read.command : memory_read(memory_reads++);
    send_command(command);
    if (i == 1 && comm_aborted != kFalse) Command3d2_Click();
  }
}

void FrmToolForm::mark_every_field_unread() {
  const auto unread_box = [this](ui::TextBox& box) {
    box.set_back_colour(ui::colours::yellow);
    forget_value(box);
  };
  const auto unread_group = [this](ui::Control& marker) {
    marker.set_fore_colour(ui::colours::yellow);
    forget_value(marker);
  };
  for (ui::TextBox* box : {&trigs_per_rev, &Teeth_BTDC, &tdc_trim_deg, &full_scale_rpm,
                           &rpm_limit_max_degrees, &soft_ign_rpm1, &soft_ign_rpm2, &hard_ign_limit1,
                           &hard_ign_limit2, &fuel_rpm1, &fuel_rpm2}) {
    unread_box(*box);
  }
  for (int i = 0; i < kStutterSteps; ++i) unread_box(stutter_table[i]);
  for (ui::TextBox* box :
       {&fuel_cut_time1, &fuel_cut_time2, &accel_senitivity, &accel_flt_rate, &accel_pw_min,
        &accel_pw_max, &EGO_reset_pw, &rpm_accel_gain, &base_offset_deg, &target_dwell,
        &min_dwell_deg, &bat_comp, &min_pressure, &decel_tps_value, &max_pressure}) {
    unread_box(*box);
  }
  for (int i = 0; i < kInjectorChannels; ++i) {
    for (ui::ControlArray<ui::TextBox>* trims : {&inj_gain, &inj_offset, &inj_min, &inj_max}) {
      unread_box((*trims)[i]);
    }
  }
  for (int row = 0; row < kPhases; ++row) {
    unread_box(ph_base_deg[row]);
    // Grey: no value read yet. Its click marks the group, which stays unknown.
    ph_used[row].set_value(ui::CheckBox::grayed);
    tach_ph[row].set_value(ui::CheckBox::grayed);
  }
  forget_value(ph_used[0]);
  forget_value(tach_ph[0]);
  for (int item = 0; item < kOutputsPerPhase; ++item) {
    for (int row = 0; row < kPhases; ++row) ign_ph(row)[item].set_caption("X");
    for (int row = 0; row < kPhases; ++row) inj_ph(row)[item].set_caption("X");
  }
  for (int row = 0; row < kPhases; ++row) {
    forget_value(ign_ph(row)[0]);
    forget_value(inj_ph(row)[0]);
  }
  for (ui::TextBox* box :
       {&priming_pw_cold, &num_pulses_cold, &temp_threshold, &priming_pw_hot, &num_pulses_hot}) {
    unread_box(*box);
  }
  unread_group(map_type[0]);
  for (ui::TextBox* box :
       {&iac_close_steps, &iac_open_steps, &iac_step_to_reenable, &iac_enable_tps_val,
        &iac_close_tps_val, &iac_max_rate, &iac_error_rate, &iac_deadband, &idle_disable_rpm}) {
    unread_box(*box);
  }
  unread_group(enable_idle_by_timing);
  for (ui::TextBox* box : {&idle_max_retard, &idle_max_advance, &ego_rate, &EGO_Prop_Gain,
                           &ego_seconds, &min_ego_gain, &max_ego_gain, &tps_open_loop_val}) {
    unread_box(*box);
  }
  unread_group(EGO_type[0]);
  for (ui::TextBox* box :
       {&WB_EGO_0V_LAMBDA, &WB_EGO_1V_LAMBDA, &cranking_max_rpm, &cranking_enrichment_gain,
        &post_cranking_enrichment_gain, &cranking_enrichment_timer, &cranking_timing, &tps_base_val,
        &tps_fs_val, &map_offset, &map_scaler, &baro_offset, &baro_scaler}) {
    unread_box(*box);
  }
  for (int i = 0; i < kSensorPoints; ++i) {
    unread_box(CLT_CAL_MAP[i]);
    unread_box(MAT_CAL_MAP[i]);
  }
  for (ui::TextBox* box :
       {&flat_shft_retard, &flat_shft_fuel_cut, &flat_shft_retard_time, &wheel_rpm_scaler}) {
    unread_box(*box);
  }
  for (int i = 0; i < kGears; ++i) {
    unread_box(low_rps_ratio[i]);
    unread_box(high_rps_ratio[i]);
    unread_box(gear_gpo_num[i]);
  }
}

void FrmToolForm::fill_demo_values() {
  struct DemoText {
    ui::TextBox* box;
    const char* text;
  };
  const DemoText texts[] = {
      {&ego_seconds, "180"},
      {&ego_rate, "10"},
      {&EGO_Prop_Gain, "0.25"},
      {&min_ego_gain, ".604"},
      {&max_ego_gain, "1.358"},
      {&accel_senitivity, "10.2"},
      {&accel_flt_rate, "9.2"},
      {&accel_pw_min, "1.25"},
      {&accel_pw_max, "9.50"},
      {&EGO_reset_pw, ".250"},
      {&rpm_accel_gain, "0.00"},
      {&min_pressure, "29.5"},
      {&decel_tps_value, "2.5"},
      {&max_pressure, "225.0"},
      {&soft_ign_rpm1, "5000"},
      {&soft_ign_rpm2, "5000"},
      {&fuel_rpm1, "5000"},
      {&fuel_rpm2, "5000"},
      {&hard_ign_limit1, "7100"},
      {&hard_ign_limit2, "7100"},
      {&fuel_cut_time1, "0.150"},
      {&fuel_cut_time2, "0.100"},
      {&trigs_per_rev, "8"},
      {&full_scale_rpm, "8000"},
      {&Teeth_BTDC, "-8.25"},
      {&tdc_trim_deg, "2.25"},
      {&base_offset_deg, "-1.75"},
      {&min_dwell_deg, "15.0"},
      {&target_dwell, "4.00"},
      {&rpm_limit_max_degrees, "25.0"},
      {&priming_pw_hot, "4.000"},
      {&priming_pw_cold, "10.000"},
      {&num_pulses_hot, "1"},
      {&num_pulses_cold, "1"},
      {&temp_threshold, "35"},
      {&iac_close_steps, "200"},
      {&iac_open_steps, "25"},
      {&iac_enable_tps_val, "25"},
      {&iac_close_tps_val, "77"},
      {&iac_max_rate, "450"},
      {&iac_error_rate, "43"},
      {&iac_deadband, "50"},
      {&idle_disable_rpm, "2500"},
      {&iac_step_to_reenable, "15"},
      {&idle_max_retard, "5.0"},
      {&idle_max_advance, "10.5"},
      {&bat_comp, "60"},
      {&cranking_max_rpm, "450"},
      {&cranking_enrichment_gain, "1.50"},
      {&post_cranking_enrichment_gain, "1.25"},
      {&cranking_enrichment_timer, "15.0"},
      {&cranking_timing, "6.25"},
      {&tps_base_val, "20.4"},
      {&tps_fs_val, "77.6"},
      {&tps_open_loop_val, "75.0"},
      {&WB_EGO_0V_LAMBDA, "1.50"},
      {&WB_EGO_1V_LAMBDA, "0.60"},
      {&map_offset, "0.000"},
      {&baro_offset, "0.000"},
      {&map_scaler, "1.000"},
      {&baro_scaler, "1.000"},
      {&flat_shft_retard, "30.50"},
      {&flat_shft_fuel_cut, "0.025"},
      {&flat_shft_retard_time, "0.35"},
      {&wheel_rpm_scaler, "0.01567"},
  };
  const auto show = [](ui::TextBox& box, const std::string& text) {
    box.set_text(text);
    box.set_back_colour(ui::colours::white);
  };
  for (const DemoText& entry : texts) show(*entry.box, entry.text);
  for (int i = 0; i < kStutterSteps; ++i) show(stutter_table[i], "255");
  for (int i = 0; i < kInjectorChannels; ++i) {
    show(inj_gain[i], "1.000");
    show(inj_offset[i], "0.000");
    show(inj_min[i], "1.234");
    show(inj_max[i], "12.340");
  }
  for (int row = 0; row < kPhases; ++row) {
    show(ph_base_deg[row], row < 8 ? ui::format_number(90.0 * row, "##0.00") : "0.00");
  }
  for (int i = 0; i < kSensorPoints; ++i) {
    show(CLT_CAL_MAP[i], ui::format_number(13.5 * i, "##0.0"));
    show(MAT_CAL_MAP[i], ui::format_number(13.5 * i, "##0.0"));
  }
  const char* const low_ratios[] = {"300", "225", "175", "115", "75", "0", "0", "0"};
  const char* const high_ratios[] = {"400", "275", "230", "150", "100", "0", "0", "0"};
  const char* const boost_tables[] = {"1", "2", "3", "4", "4", "4", "4", "4"};
  for (int i = 0; i < kGears; ++i) {
    show(low_rps_ratio[i], low_ratios[i]);
    show(high_rps_ratio[i], high_ratios[i]);
    show(gear_gpo_num[i], boost_tables[i]);
  }

  // Every selection marks the one input word, so the colours go on after all four.
  const std::array input_groups = {&aux_in_used_as, &map_sel_used_as, &idx_used_as,
                                   &trig_b_used_as};
  for (ui::ControlArray<ui::OptionButton>* group : input_groups) (*group)[0].set_value(true);
  for (ui::ControlArray<ui::OptionButton>* group : input_groups) {
    (*group)[0].set_fore_colour(ui::colours::white);
  }
  EGO_type[1].set_value(true);
  EGO_type[0].set_fore_colour(ui::colours::black);
  enable_idle_by_timing.set_value(ui::CheckBox::unchecked);
  enable_idle_by_timing.set_fore_colour(ui::colours::black);
  map_type[0].set_value(true);
  map_type[0].set_fore_colour(ui::colours::black);
  TPS_mapped.set_fore_colour(ui::colours::black);
  MAP_accel.set_fore_colour(ui::colours::black);

  for (int row = 0; row < kPhases; ++row) {
    for (int item = 0; item < kOutputsPerPhase; ++item) {
      inj_ph(row)[item].set_value(ui::CheckBox::unchecked);
      ign_ph(row)[item].set_value(ui::CheckBox::unchecked);
    }
  }
  for (int k = 0; k < kOutputsPerPhase; ++k) {
    ign_ph(k)[k].set_value(ui::CheckBox::checked);
    inj_ph(k)[(k + 4) % kOutputsPerPhase].set_value(ui::CheckBox::checked);
  }
  for (int row = 0; row < kPhases; ++row) {
    inj_ph(row)[0].set_fore_colour(ui::colours::black);
    ign_ph(row)[0].set_fore_colour(ui::colours::black);
    const int value = row < 8 ? ui::CheckBox::checked : ui::CheckBox::unchecked;
    ph_used[row].set_value(value);
    ph_used[row].set_fore_colour(ui::colours::black);
    tach_ph[row].set_value(value);
  }
  ph_used[0].set_caption("");
  tach_ph[0].set_fore_colour(ui::colours::black);
}

}  // namespace ecu
