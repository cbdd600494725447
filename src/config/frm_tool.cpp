#include "config/frm_tool.hpp"

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "model/shared_state.hpp"
#include "shell/view_commands.hpp"

namespace ecu {

namespace {

constexpr const char* kPageCaptions[FrmToolForm::kPages] = {"Engine Setup",
                                                            "Acceleration Enrichments",
                                                            "Ignition Parameters",
                                                            "Injection Parameters",
                                                            "Phase Setup",
                                                            "Powerup/Options",
                                                            "Idle Control",
                                                            "Closed Loop Setup",
                                                            "Engine Startup",
                                                            "Sensor Calibration",
                                                            "Flat Shift",
                                                            "Inputs Config",
                                                            "Speed/Gear Setup",
                                                            "-",
                                                            "-",
                                                            "-"};

// A phase row's mark: "X" on element 0 while the row differs from the controller.
constexpr const char* kRowChanged = "X";

constexpr int kEnterKey = 13;

constexpr float kFieldLeft = 3000;
constexpr float kFieldWidth = 975;
constexpr float kFieldHeight = 285;
constexpr float kRowStep = 420;
constexpr float kFirstRow = 720;

void mark_changed(ui::TextBox& field) {
  field.set_back_colour(ui::colours::yellow);
}

}  // namespace

FrmToolForm::FrmToolForm()
    : EditorForm("frm_tool", "Configuration", 12240, 9360),
      inj_ph_rows_{&inj_ph_0,  &inj_ph_1,  &inj_ph_2,  &inj_ph_3, &inj_ph_4,  &inj_ph_5,
                   &inj_ph_6,  &inj_ph_7,  &inj_ph_8,  &inj_ph_9, &inj_ph_10, &inj_ph_11,
                   &inj_ph_12, &inj_ph_13, &inj_ph_14, &inj_ph_15},
      ign_ph_rows_{&ign_ph_0,  &ign_ph_1,  &ign_ph_2,  &ign_ph_3, &ign_ph_4,  &ign_ph_5,
                   &ign_ph_6,  &ign_ph_7,  &ign_ph_8,  &ign_ph_9, &ign_ph_10, &ign_ph_11,
                   &ign_ph_12, &ign_ph_13, &ign_ph_14, &ign_ph_15} {
  set_back_colour(ui::colours::light_grey);
  lay_out();
  lay_out_tools();
  set_tool_tips();
  build_menus();
  wire_marking();
  Command3d1.on_click = [this] { Command3d1_Click(); };
  Command3d2.on_click = [this] { Command3d2_Click(); };
  make_stutter_text.on(&ui::CommandButton::on_click, [this](int i) { make_stutter_text_Click(i); });
  create_stutter_patterns_from_text.on(
      &ui::CommandButton::on_click, [this](int i) { create_stutter_patterns_from_text_Click(i); });
  calibrate_tps_val.on(&ui::CommandButton::on_click, [this](int i) { calibrate_tps_val_Click(i); });
  speed_wizard_calc.on(&ui::CommandButton::on_click, [this](int i) { speed_wizard_calc_Click(i); });
}

ui::ControlArray<ui::CheckBox>& FrmToolForm::inj_ph(int row) {
  return *inj_ph_rows_.at(static_cast<std::size_t>(row));
}

ui::ControlArray<ui::CheckBox>& FrmToolForm::ign_ph(int row) {
  return *ign_ph_rows_.at(static_cast<std::size_t>(row));
}

void FrmToolForm::lay_out() {
  Command3d1.move(120, 120, 615, 615);
  set_up_update_button(Command3d1);
  Command3d2.move(120, 780, 615, 615);
  set_up_exit_button(Command3d2);

  lay_out_demo_label(show_demo_mode, 4200, 60, 4800, 480);
  // On the window's own grey.
  show_demo_mode.set_transparent(true);

  tool_tab.move(840, 600, 11160, 7920);
  tool_tab.set_tabs_per_row(4);
  for (int page = 0; page < kPages; ++page) tool_tab.set_tab_caption(page, kPageCaptions[page]);

  // The scalar fields of each page in columns, top to bottom in the order the page lists them.
  struct FieldColumn {
    int page;
    float left;
    std::vector<ui::TextBox*> fields;
  };
  const FieldColumn columns[] = {
      {kEngineSetup,
       kFieldLeft,
       {&trigs_per_rev, &Teeth_BTDC, &tdc_trim_deg, &full_scale_rpm, &rpm_limit_max_degrees}},
      {kEngineSetup,
       7200,
       {&soft_ign_rpm1, &soft_ign_rpm2, &hard_ign_limit1, &hard_ign_limit2, &fuel_rpm1,
        &fuel_rpm2}},
      {kAcceleration,
       kFieldLeft,
       {&accel_senitivity, &accel_flt_rate, &accel_pw_min, &accel_pw_max, &EGO_reset_pw,
        &rpm_accel_gain}},
      {kIgnition, kFieldLeft, {&base_offset_deg, &target_dwell, &min_dwell_deg}},
      {kInjection, kFieldLeft, {&bat_comp, &min_pressure, &decel_tps_value, &max_pressure}},
      {kPowerupOptions,
       kFieldLeft,
       {&priming_pw_cold, &num_pulses_cold, &temp_threshold, &priming_pw_hot, &num_pulses_hot}},
      {kIdleControl,
       kFieldLeft,
       {&iac_close_steps, &iac_open_steps, &iac_step_to_reenable, &iac_enable_tps_val,
        &iac_close_tps_val, &iac_max_rate, &iac_error_rate, &iac_deadband}},
      {kIdleControl, 7800, {&idle_disable_rpm, &idle_max_retard, &idle_max_advance}},
      {kClosedLoop,
       kFieldLeft,
       {&ego_rate, &EGO_Prop_Gain, &ego_seconds, &min_ego_gain, &max_ego_gain, &tps_open_loop_val}},
      {kEngineStartup,
       kFieldLeft,
       {&cranking_max_rpm, &cranking_enrichment_gain, &post_cranking_enrichment_gain,
        &cranking_enrichment_timer, &cranking_timing}},
      {kSensorCalibration, kFieldLeft, {&tps_base_val, &tps_fs_val}},
      {kSensorCalibration, 7800, {&map_offset, &map_scaler, &baro_offset, &baro_scaler}},
      {kFlatShift, kFieldLeft, {&flat_shft_retard, &flat_shft_fuel_cut}},
  };
  for (const FieldColumn& column : columns) {
    float top = kFirstRow;
    for (ui::TextBox* field : column.fields) {
      field->place_in(tool_tab, column.page);
      field->move(column.left, top, kFieldWidth, kFieldHeight);
      top += kRowStep;
    }
  }
  // Fields that continue a row of the column beside them.
  struct RowContinuation {
    ui::TextBox* field;
    const ui::TextBox* beside;
  };
  const RowContinuation continuations[] = {{&fuel_cut_time1, &fuel_rpm1},
                                           {&fuel_cut_time2, &fuel_rpm2},
                                           {&flat_shft_retard_time, &flat_shft_retard}};
  for (const RowContinuation& continuation : continuations) {
    continuation.field->place_in(tool_tab, continuation.beside->tab_page());
    continuation.field->move(continuation.beside->left() + kFieldWidth + 720,
                             continuation.beside->top(), 855, kFieldHeight);
  }
  // The hard stutter table: two rows of four on the rows of the two hard limits.
  for (int step = 0; step < kStutterSteps; ++step) {
    const ui::TextBox& row = step < 4 ? hard_ign_limit1 : hard_ign_limit2;
    stutter_table[step].place_in(tool_tab, kEngineSetup);
    // Past the row's "RPM" unit.
    stutter_table[step].move(
        row.left() + kFieldWidth + 585.0F + 570.0F * static_cast<float>(step % 4), row.top(), 510,
        kFieldHeight);
  }
  // Nothing ever enables it.
  iac_step_to_reenable.set_enabled(false);
  enable_idle_by_timing.place_in(tool_tab, kIdleControl);
  enable_idle_by_timing.move(7800, kFirstRow + 3 * kRowStep, 3000, kFieldHeight);
  enable_idle_by_timing.set_caption("Control Idle with timing");

  // Injector channel trims: one row per channel to the right of the scalars.
  ui::ControlArray<ui::TextBox>* const trims[] = {&inj_gain, &inj_offset, &inj_min, &inj_max};
  for (std::size_t column = 0; column < std::size(trims); ++column) {
    for (int channel = 0; channel < kInjectorChannels; ++channel) {
      ui::TextBox& field = (*trims[column])[channel];
      field.place_in(tool_tab, kInjection);
      field.move(6840.0F + 960.0F * static_cast<float>(column),
                 kFirstRow + 360.0F * static_cast<float>(channel), 840, kFieldHeight);
    }
  }

  lay_out_phase_page();
  lay_out_input_page();
  lay_out_gear_page();

  // Pressure sensor type, listed 0, 1, 3, 2 from the top.
  constexpr int kSensorOrder[] = {0, 1, 3, 2};
  for (int position = 0; position < map_type.count(); ++position) {
    ui::OptionButton& option = map_type[kSensorOrder[position]];
    option.place_in(tool_tab, kPowerupOptions);
    option.move(6600, kFirstRow + 360.0F * static_cast<float>(position), 2400, kFieldHeight);
    option.set_tool_tip("This value must match the onboard pressure transducer.");
  }
  map_type[0].set_caption("1.0 Bar MAP");
  map_type[1].set_caption("2.5 Bar MAP");
  map_type[2].set_caption("7.0 Bar Ga MAP");
  map_type[3].set_caption("4.0 Bar MAP");
  TPS_mapped.place_in(tool_tab, kPowerupOptions);
  TPS_mapped.move(6600, 2400, 2400, kFieldHeight);
  TPS_mapped.set_caption("TPS Mapped");
  MAP_accel.place_in(tool_tab, kPowerupOptions);
  MAP_accel.move(6600, 2760, 2400, kFieldHeight);
  MAP_accel.set_caption("MAP Accel");
  special_cfg[0].set_caption("Spcl1");
  special_cfg[1].set_caption("Spc2");
  for (int i = 0; i < special_cfg.count(); ++i) {
    special_cfg[i].place_in(tool_tab, kPowerupOptions);
    special_cfg[i].move(9120, kFirstRow + 360.0F * static_cast<float>(i), 1200, kFieldHeight);
    // Only the master mode enables them, when the window loads the configuration.
    special_cfg[i].set_enabled(false);
  }

  // The oxygen sensor type and the wide-band calibration share one frame.
  ego_type_frame.place_in(tool_tab, kClosedLoop);
  ego_type_frame.move(6000, kFirstRow, 4200, 2520);
  ego_type_frame.set_caption("EGO Type");
  const char* const ego_captions[] = {"Narrowband (0-1v)", "Wideband (0-1v)", "CAN Wideband"};
  for (int i = 0; i < EGO_type.count(); ++i) {
    EGO_type[i].place_in(ego_type_frame);
    EGO_type[i].move(240, 300.0F + 330.0F * static_cast<float>(i), 2400, kFieldHeight);
    EGO_type[i].set_caption(ego_captions[i]);
  }
  EGO_type[0].set_tool_tip("Click this item if you will run a narrowband (1 to 4 wire sensor)");
  EGO_type[1].set_tool_tip(
      "Click this item if you will run a wideband sensor control module, 0 to 1.0VDC.");
  WB_EGO_0V_LAMBDA.place_in(ego_type_frame);
  WB_EGO_0V_LAMBDA.move(2760, 1440, kFieldWidth, kFieldHeight);
  WB_EGO_1V_LAMBDA.place_in(ego_type_frame);
  WB_EGO_1V_LAMBDA.move(2760, 1860, kFieldWidth, kFieldHeight);

  // The temperature sensor tables: nine cells left to right, one row per sensor.
  for (int point = 0; point < kSensorPoints; ++point) {
    const float left = 1560.0F + 735.0F * static_cast<float>(point);
    CLT_CAL_MAP[point].place_in(tool_tab, kSensorCalibration);
    CLT_CAL_MAP[point].move(left, 2760, 675, kFieldHeight);
    MAT_CAL_MAP[point].place_in(tool_tab, kSensorCalibration);
    MAT_CAL_MAP[point].move(left, 3480, 675, kFieldHeight);
  }

  lay_out_captions();
}

void FrmToolForm::lay_out_tools() {
  // Engine setup: the stutter generator below the wheel and tach fields.
  stutter_tool_frame.place_in(tool_tab, kEngineSetup);
  stutter_tool_frame.set_caption("Stutter Generator Tool");
  stutter_tool_frame.move(240, 3000, 5280, 2640);
  const std::pair<ui::TextBox*, const char*> counts[] = {{&skip_fire_bits, "3"}, {&fire_bits, "1"}};
  const char* const make_captions[] = {"Create Stutter 1", "Create Stutter 2"};
  const char* const use_captions[] = {"Use Bit Pattern for Stutter 1",
                                      "Use Bit Pattern for Stutter 2"};
  for (int i = 0; i < 2; ++i) {
    const float top = 300.0F + 420.0F * static_cast<float>(i);
    ui::TextBox& count = *counts[static_cast<std::size_t>(i)].first;
    count.place_in(stutter_tool_frame);
    count.move(840, top, 615, kFieldHeight);
    count.set_text(counts[static_cast<std::size_t>(i)].second);
    make_stutter_text[i].place_in(stutter_tool_frame);
    make_stutter_text[i].move(1680, top - 45.0F, 1920, 375);
    make_stutter_text[i].set_caption(make_captions[i]);
    create_stutter_patterns_from_text[i].place_in(stutter_tool_frame);
    create_stutter_patterns_from_text[i].move(180, 1620.0F + 450.0F * static_cast<float>(i), 3420,
                                              375);
    create_stutter_patterns_from_text[i].set_caption(use_captions[i]);
  }
  stutter_text.place_in(stutter_tool_frame);
  stutter_text.move(180, 1200, 3420, kFieldHeight);

  // Sensor calibration: a "Cal." button beside each throttle end point.
  const ui::TextBox* const throttle_points[] = {&tps_base_val, &tps_fs_val};
  for (int i = 0; i < 2; ++i) {
    calibrate_tps_val[i].place_in(tool_tab, kSensorCalibration);
    calibrate_tps_val[i].move(throttle_points[i]->left() + kFieldWidth + 600,
                              throttle_points[i]->top(), 600, kFieldHeight);
    calibrate_tps_val[i].set_caption("Cal.");
  }

  // Speed and gear: the wizard below the scaler it computes, in the same frame.
  speed_wizard_frame.place_in(wheel_speed_frame);
  speed_wizard_frame.set_caption("Speed Wizard");
  speed_wizard_frame.move(120, 840, 5040, 1560);
  ui::TextBox* const wizard_boxes[] = {&trigs_rev, &rolling_circum_inches, &revs_mile};
  for (std::size_t i = 0; i < std::size(wizard_boxes); ++i) {
    wizard_boxes[i]->place_in(speed_wizard_frame);
    wizard_boxes[i]->move(1680, 300.0F + 390.0F * static_cast<float>(i), 855, kFieldHeight);
  }
  for (int i = 0; i < 2; ++i) {
    speed_wizard_calc[i].place_in(speed_wizard_frame);
    speed_wizard_calc[i].move(3600, rolling_circum_inches.top() + 390.0F * static_cast<float>(i),
                              720, kFieldHeight);
    speed_wizard_calc[i].set_caption("Calc.");
  }
  const std::pair<const ui::TextBox*, const char*> tool_captions[] = {
      {&skip_fire_bits, "Skips"},
      {&fire_bits, "Hits"},
      {&trigs_rev, "Triggers"},
      {&rolling_circum_inches, "Roll Circum."},
      {&revs_mile, "Revs/Mile"}};
  for (const auto& [box, caption] : tool_captions) captions_.beside(*box, caption);
  captions_.beside(trigs_rev, "", "Rev");
  captions_.beside(rolling_circum_inches, "", "Inch");
}

void FrmToolForm::set_tool_tips() {
  struct Tip {
    std::vector<ui::Control*> controls;
    std::string text;
  };
  const auto all = [](auto& boxes) {
    std::vector<ui::Control*> list;
    for (int i = 0; i < boxes.count(); ++i) list.push_back(&boxes[i]);
    return list;
  };
  const std::string soft =
      "The engine power will be SOFTLY limited if the engine speed is "
      "greater than this number when RPM limit ";
  const std::string hard =
      "AKA 2 step...  The engine power will be HARD ignition limited if the "
      "engine speed is greater than this number when RPM limit ";
  const std::string calibration =
      "Enter the temp in degrees C that corresponds with the cells resistance value in Ohms.";
  const std::string iac_steps =
      "After the IAC is closed, it will open this many steps to "
      "attempt idle";
  const Tip tips[] = {
      {{&trigs_per_rev},
       "Enter the code specified for your target wheel (See documentation, or contact "
       "support)."},
      {{&Teeth_BTDC},
       "This number sets the number of teeth after the (Index/missing teeth) before #1 TDC "
       "occurs"},
      {{&tdc_trim_deg},
       "This is the number of degrees (-16 to +48) that corrects any angular wheel error"},
      {{&full_scale_rpm}, "This value should be well beyond the max RPM of the engine"},
      {{&rpm_limit_max_degrees},
       "Durring an overrev, ignition will be retarded up to this number of degrees in order to "
       "limit engine power"},
      {{&soft_ign_rpm1}, (soft + "1 is active.")},
      {{&soft_ign_rpm2}, (soft + "2 is active.")},
      {{&hard_ign_limit1}, (hard + "1 is active.")},
      {{&hard_ign_limit2}, (hard + "2 is active.")},
      {{&fuel_rpm1},
       " The engine power will be HARD fuel limited if the engine speed is greater than this "
       "number when RPM limit 1 is active.  Fuel is cut time is to the right."},
      {{&fuel_cut_time1}, "Time in seconds that fuel is cut for Fuel Limit 1 RPM."},
      {{&fuel_rpm2},
       "The engine power will be HARD fuel limited if the engine speed is greater than this "
       "number when RPM limit 2 is active.  Fuel is cut time is to the right."},
      {{&fuel_cut_time2}, "Time in seconds that fuel is cut for Fuel Limit 2 RPM."},
      {{&stutter_text}, "1s are skips, 0s are hits."},
      {{&accel_senitivity},
       "Higher values will provide greater amounts of fuel during enrichment conditions."},
      {{&accel_flt_rate}, "Higher values will provide shorter enrichment durations."},
      {{&accel_pw_min},
       "High values may cause a stumble, while small values may cause sporadiic un-needed "
       "enrichments."},
      {{&accel_pw_max}, "Use this to limit the max enrichment pulse width needed."},
      {{&EGO_reset_pw},
       "Use this variable to set the amount of acceleration enrichment that will cause the EGO "
       "loop to reset."},
      {{&rpm_accel_gain},
       "Use this variable to set the amount of acceleration enrichment adder based on a 1000 "
       "RPM/Sec acceleration rate.  Deceleration will not cause a fuel subtraction."},
      {{&base_offset_deg},
       "This adjusts phases to have a fixed offset relative to their Base timing"},
      {{&target_dwell}, "Faster coils need less dwell time."},
      {{&min_dwell_deg},
       "Set this value to the minumum number of dwell degrees that the coil should be charged "
       "(Allows for hotter low RPM spark)."},
      {{&bat_comp},
       "This value allows the injection time to be influenced by the battery voltage."},
      {{&min_pressure}, "The fuel will be cut if the manifold pressure drops below this number"},
      {{&decel_tps_value},
       "The Engine Decel is enabled only if the TPS value is below this cells number"},
      {{&max_pressure}, "The fuel will be cut if the manifold pressure goes above this number"},
      {all(inj_gain), "Value mutiliplies the Inj. PW for this Inj. channel."},
      {all(inj_offset), "Value adds to the Inj. PW for this Inj. channel."},
      {all(inj_max), "Sets the maximum Inj. PW for this channel"},
      {all(ph_base_deg), "Put the degree (0-719.75) relative to #1 TDC"},
      {{&priming_pw_cold},
       "Enter the pulse width of each priming pulse when the coolant is below the Cold/Hot "
       "threshold"},
      {{&num_pulses_cold},
       "Enter the number of times that the ECU shall pulse each injector when the coolant is "
       "below the Cold/Hot threshold"},
      {{&temp_threshold},
       "This is the coolant temperature that seperates a hot condition from a cold condition to "
       "wet the intake prior to startup"},
      {{&priming_pw_hot},
       "Enter the pulse width of each priming pulse when the coolant is above the Cold/Hot "
       "threshold"},
      {{&num_pulses_hot},
       "Enter the number of times that the ECU shall pulse each injector when the coolant is "
       "above the Cold/Hot threshold"},
      {{&iac_close_steps},
       "When the ECU is powered up, the IAC will close this many steps to insure that the IAC "
       "is fully closed"},
      {{&iac_open_steps, &iac_step_to_reenable}, iac_steps},
      {{&iac_enable_tps_val},
       "The IAC will only adjust idle speed when the TPS is BELOW this level, leave room for "
       "some TPS sensor drift (set to 0% to disable IAC)."},
      {{&iac_close_tps_val},
       "The IAC will be automatically closed to the init position when the TPS value is above "
       "this parameter (set to 101% to disable)"},
      {{&iac_max_rate},
       "Sets the highest frequency in pulses per second that the IAC motor will be stepped.  "
       "Too high and the IAC may mis-step."},
      {{&iac_error_rate},
       "Sets the IAC step rate if the idle RPM error were 1000 RPM.  Higher values may make the "
       "idle control unstable."},
      {{&iac_deadband},
       "Sets the idle speed error window, where when the error is less than the deadband, ther "
       "IAC will not adjust the idle speed."},
      {{&idle_disable_rpm}, "Idle control will be disabled above this RPM value."},
      {{&enable_idle_by_timing},
       "Select this option to use engine timing to control closed loop idle speed."},
      {{&idle_max_retard},
       "For ignition based idle control, Set this value to the maximum timing retard (in "
       "degrees) used to SLOW the engine."},
      {{&idle_max_advance},
       "For ignition based idle control, Set this value to the maximum timing advance (in "
       "degrees) used to increase engine SPEED."},
      {{&ego_rate},
       "Smaller numbers will make EGO loop respond faster, but with possible instabilities"},
      {{&EGO_Prop_Gain}, "Smaller numbers will make EGO loop more stabile, but slower."},
      {{&ego_seconds},
       "Number of seconds after ignition on, till the ECU runs closed loop off the EGO. 0 = EGO "
       "Disable"},
      {{&min_ego_gain},
       "Sets the lowest amount of EGO loop based gain while in closed loop operation."},
      {{&max_ego_gain},
       "Sets the highest amount of EGO loop based gain while in closed loop operation."},
      {{&tps_open_loop_val},
       "EGO Closed loop opperation is disabled when the TPS sensor is greater than this field."},
      {{&WB_EGO_0V_LAMBDA}, "Enter the Lamda Value your wideband controller will output at 0VDC."},
      {{&WB_EGO_1V_LAMBDA},
       "Enter the Lamda Value your wideband controller will output at 1.0VDC."},
      {{&cranking_max_rpm}, "Maximum RPM that will be considered cranking speed."},
      {{&cranking_enrichment_gain},
       "Amount that will be multiplied to the base injection PW during cranking."},
      {{&post_cranking_enrichment_gain},
       "Amount that will be multiplied to the base injection PW after cranking has ended for a "
       "timed period."},
      {{&cranking_enrichment_timer},
       "The amount of time in seconds to apply the Post Cranking Enrichment."},
      {{&cranking_timing},
       "The ignition timing (in degrees) to use while cranking.  Positive numbers are BTDC, "
       "negative numbers are ATDC."},
      {{&tps_base_val},
       "Set the TPS value (% FS) when the throttle is fully closed, (set to 0.0 to disable)."},
      {{&tps_fs_val},
       "Set the TPS value (% FS) when the throttle is fully opened, (set to 99.9 to disable)."},
      {{&calibrate_tps_val[0]},
       "Close the throttle then click here to automatically set the TPS Closed Value."},
      {{&calibrate_tps_val[1]},
       "Fully open the throttle then click here to automatically set the TPS Opened Value."},
      {all(CLT_CAL_MAP), calibration},
      {all(MAT_CAL_MAP), calibration},
      {{&flat_shft_retard}, "Set the Flatshift (no lift) event ignition timing in degrees."},
      {{&flat_shft_retard_time}, "Set the Flatshift (no lift) ignition retard time in seconds."},
      {{&flat_shft_fuel_cut}, "Set the Flatshift (no lift) event fuel cut time in seconds."},
      {{&aux_in_used_as[0]}, "Select if AUX input has no special use."},
      {{&aux_in_used_as[1]},
       "Select if AUX input will be used to select RPM1/RPM2 limiter states."},
      {{&idx_used_as[0]}, "Select if IDX/CAM input will be used as a CAM sensor HALL input."},
      {{&idx_used_as[1]}, "Select if IDX/CAM input will not be used."},
      {{&idx_used_as[2]},
       "Select if IDX/CAM input will be used as a HALL effect sensor vehicle speed input."},
      {{&map_sel_used_as[0]}, "Select if MAP Select input will be used to select the ECU map."},
      {{&map_sel_used_as[1]},
       "Select if MAP Select input will be used to select RPM1/RPM2 limiter states."},
      {{&map_sel_used_as[2]},
       "Select if MAP select input will be used to trigger the Flatshift (no lift) feature."},
      {{&map_sel_used_as[3]},
       "Select if MAP select input will be used to trigger the Gear 1/2 feature (High is 1, Low "
       "is 2)."},
      {{&trig_b_used_as[0]}, "Select if Trigger B input will not be used."},
      {{&trig_b_used_as[1]},
       "Select if Trigger B input will be used to select RPM1/RPM2 limiter states."},
      {{&trig_b_used_as[2]},
       "Select if Trigger B input will be used to trigger the Flatshift (no lift) feature."},
      {{&trig_b_used_as[3]},
       "Select if Trigger B input will be used as a HALL effect sensor vehicle speed input."},
      {{&trig_b_used_as[4]},
       "Select if Trigger B input will be used to trigger the Gear 1/2 feature (High is 1, Low "
       "is 2)."},
      {{&wheel_rpm_scaler}, "Use the \"Speed Wizard\" below to setup this field."},
      {all(gear_gpo_num), "Enter the Gear based Boost/GPO table to be used in this gear."},
      {{&trigs_rev}, "Enter the number of triggers per wheel revolution."},
      {{&rolling_circum_inches}, "Enter the rolling circumference of the tire in inches."},
      {{&revs_mile}, "Enter the number of wheel revolutions per mile."},
  };
  for (const Tip& tip : tips) {
    for (ui::Control* control : tip.controls) control->set_tool_tip(tip.text);
  }
}

void FrmToolForm::lay_out_phase_page() {
  constexpr float kRowHeight = 375;
  constexpr float kBoxStep = 300;
  for (int row = 0; row < kPhases; ++row) {
    const float top = 600.0F + kRowHeight * static_cast<float>(row);
    ph_base_deg[row].place_in(tool_tab, kPhaseSetup);
    ph_base_deg[row].move(1560, top, 855, kFieldHeight);
    ph_used[row].place_in(tool_tab, kPhaseSetup);
    ph_used[row].move(2580, top, 255, kFieldHeight);
    for (int output = 0; output < kOutputsPerPhase; ++output) {
      ui::CheckBox& ignition = ign_ph(row)[output];
      ignition.place_in(tool_tab, kPhaseSetup);
      ignition.move(3120.0F + kBoxStep * static_cast<float>(output), top, 255, kFieldHeight);
      ui::CheckBox& injection = inj_ph(row)[output];
      injection.place_in(tool_tab, kPhaseSetup);
      injection.move(5760.0F + kBoxStep * static_cast<float>(output), top, 255, kFieldHeight);
    }
    tach_ph[row].place_in(tool_tab, kPhaseSetup);
    tach_ph[row].move(8400, top, 255, kFieldHeight);
  }
}

void FrmToolForm::lay_out_input_page() {
  struct InputGroup {
    ui::Frame* frame;
    const char* caption;
    ui::ControlArray<ui::OptionButton>* options;
    std::vector<const char*> option_captions;
    float left;
    float top;
  };
  const InputGroup groups[] = {
      {&aux_input_frame,
       "AUX Input",
       &aux_in_used_as,
       {"Normal Use", "Rev Limit Control"},
       240,
       600},
      {&idx_input_frame,
       "IDX/CAM Input",
       &idx_used_as,
       {"CAM HALL Input", "Unused", "Speed HALL Input"},
       240,
       2400},
      {&map_select_frame,
       "MAP Select Input",
       &map_sel_used_as,
       {"Map Selector", "Rev Limit Control", "Flatshift Trigger", "Gear 0/1 Select"},
       5400,
       600},
      {&trig_b_frame,
       "Trigger \"B\" Input",
       &trig_b_used_as,
       {"Unused", "Rev Limit Control", "Flatshift Trigger", "Speed HALL Input", "Gear 0/1 Select"},
       5400,
       3000},
  };
  // Each group sits in its own frame, so the four inputs choose independently.
  for (const InputGroup& group : groups) {
    group.frame->place_in(tool_tab, kInputsConfig);
    group.frame->set_caption(group.caption);
    const auto option_count = static_cast<float>(group.options->count());
    group.frame->move(group.left, group.top, 4800, 480.0F + 330.0F * option_count);
    for (int option = 0; option < group.options->count(); ++option) {
      ui::OptionButton& button = (*group.options)[option];
      button.place_in(*group.frame);
      button.move(240, 300.0F + 330.0F * static_cast<float>(option), 2880, kFieldHeight);
      button.set_caption(group.option_captions.at(static_cast<std::size_t>(option)));
    }
  }
  // The debounce time sits beside the options, with its caption above and unit after it.
  map_select_frame.set_width(5520);
  map_change_time.place_in(map_select_frame);
  map_change_time.move(3720, 660, 735, kFieldHeight);
}

void FrmToolForm::lay_out_gear_page() {
  // Three frames as on the other pages: the wheel speed (with the wizard) above, gear
  // detection and the boost table by gear side by side below it.
  const struct {
    ui::Frame* frame;
    const char* caption;
    float left, top, width, height;
  } frames[] = {
      {&wheel_speed_frame, "Wheel Speed Configuration", 240, 240, 5280, 2520},
      {&gear_detect_frame, "Gear Detect Configuration", 240, 2880, 5280, 3540},
      {&boost_by_gear_frame, "Boost by Gear", 5640, 2880, 3000, 3540},
  };
  for (const auto& placed : frames) {
    placed.frame->place_in(tool_tab, kSpeedGearSetup);
    placed.frame->set_caption(placed.caption);
    placed.frame->move(placed.left, placed.top, placed.width, placed.height);
  }
  wheel_rpm_scaler.place_in(wheel_speed_frame);
  wheel_rpm_scaler.move(kFieldLeft - 240, 420, kFieldWidth, kFieldHeight);
  for (int gear = 0; gear < kGears; ++gear) {
    const float top = 540.0F + 360.0F * static_cast<float>(gear);
    low_rps_ratio[gear].place_in(gear_detect_frame);
    low_rps_ratio[gear].move(1440, top, 855, kFieldHeight);
    high_rps_ratio[gear].place_in(gear_detect_frame);
    high_rps_ratio[gear].move(2760, top, 855, kFieldHeight);
    gear_gpo_num[gear].place_in(boost_by_gear_frame);
    gear_gpo_num[gear].move(1560, top, 615, kFieldHeight);
    // The design's boost table for every gear; the marking is wired after it.
    gear_gpo_num[gear].set_text("1");
  }
}

void FrmToolForm::lay_out_captions() {
  const std::string degrees = "\xB0";
  // The label to the left of each field and the unit to its right.
  struct FieldCaption {
    const ui::Control* field;
    std::string caption;
    std::string unit;
  };
  const FieldCaption fields[] = {
      {&trigs_per_rev, "Crank Wheel Code #", ""},
      {&Teeth_BTDC, "Index Teeth Till TDC", ""},
      {&tdc_trim_deg, "TDC trim Advance", degrees},
      {&full_scale_rpm, "Tach Full Scale", "RPM"},
      {&rpm_limit_max_degrees, "Ign Limit Max Retard", degrees},
      {&soft_ign_rpm1, "Soft Ign Limit 1", "RPM"},
      {&soft_ign_rpm2, "Soft Ign Limit 2", "RPM"},
      {&hard_ign_limit1, "Hard Ign Limit 1", "RPM"},
      {&hard_ign_limit2, "Hard Ign Limit 2", "RPM"},
      {&fuel_rpm1, "Fuel Limit 1", "RPM"},
      {&fuel_cut_time1, "", "sec"},
      {&fuel_rpm2, "Fuel Limit 2", "RPM"},
      {&fuel_cut_time2, "", "sec"},
      {&accel_senitivity, "Accel Sensitivity", "MS/V"},
      {&accel_flt_rate, "Accel Rate", "V/Sec"},
      {&accel_pw_min, "Accel Min PW", "MS"},
      {&accel_pw_max, "Accel Max PW", "MS"},
      {&EGO_reset_pw, "Accel EGO Reset", "MS"},
      {&rpm_accel_gain, "RPM Accel Adder", "at 1K/Sec rate"},
      {&base_offset_deg, "Timing Offset", degrees},
      {&target_dwell, "Coil Dwell Time", "MS"},
      {&min_dwell_deg, "Min dwell", degrees},
      {&bat_comp, "Battery Offset Time", "\xB5sec/V"},
      {&min_pressure, "Engine Decel", "kPa"},
      {&decel_tps_value, "Max TPS for Decel", "%"},
      {&max_pressure, "Max/Cut Pressure", "kPa"},
      {&priming_pw_cold, "Cold Priming Duration", "MS"},
      {&num_pulses_cold, "Cold Number of Pulses", ""},
      {&temp_threshold, "Cold/Hot Threshold", degrees + "C"},
      {&priming_pw_hot, "Hot Priming Duration", "MS"},
      {&num_pulses_hot, "Hot Number of Pulses", ""},
      {&iac_close_steps, "On Init Close", "Steps"},
      {&iac_open_steps, "After Init step to", ""},
      {&iac_step_to_reenable, "On Re-Enable step to", ""},
      {&iac_enable_tps_val, "Enable if TPS below", "%"},
      {&iac_close_tps_val, "Close if TPS above", "%"},
      {&iac_max_rate, "Max Step Rate", "P/Sec"},
      {&iac_error_rate, "Rate @ 1kRPM error", "P/Sec"},
      {&iac_deadband, "Control Deadband", "RPM"},
      {&idle_disable_rpm, "Disable if above", "RPM"},
      {&idle_max_retard, "Max Idle Retard", degrees},
      {&idle_max_advance, "Max Idle Advance", degrees},
      {&ego_rate, "EGO Loop Rate", ""},
      {&EGO_Prop_Gain, "EGO Prop. Gain", ""},
      {&ego_seconds, "EGO Loop Activation", "Sec"},
      {&min_ego_gain, "Min EGO Gain", ""},
      {&max_ego_gain, "Max EGO Gain", ""},
      {&tps_open_loop_val, "Open Loop if TPS >", "%"},
      {&WB_EGO_0V_LAMBDA, "WEGO Lambda @ 0v", ""},
      {&WB_EGO_1V_LAMBDA, "WEGO Lambda @ 1v", ""},
      {&cranking_max_rpm, "MAX cranking RPM", "RPM"},
      {&cranking_enrichment_gain, "Cranking Enrich.", "PW Multiplier"},
      {&post_cranking_enrichment_gain, "Post Cranking Enrich.", "PW Multiplier"},
      {&cranking_enrichment_timer, "Post Cranking Timer", "Sec."},
      {&cranking_timing, "Cranking Timing", degrees},
      {&tps_base_val, "TPS Closed Value", "%"},
      {&tps_fs_val, "TPS Opened Value", "%"},
      {&map_offset, "MAP Offset ADJ",
       "(\xB1"
       "12.5%)"},
      {&map_scaler, "MAP Scaler ADJ", "(0-4.000)"},
      {&baro_offset, "BARO Offset ADJ",
       "(\xB1"
       "12.5%)"},
      {&baro_scaler, "BARO Scaler ADJ", "(0-4.000)"},
      {&flat_shft_retard, "On Trigger Retard timing", degrees + " for"},
      {&flat_shft_retard_time, "", "Sec."},
      {&flat_shft_fuel_cut, "On Trigger Cut Fuel For", "Sec."},
      {&map_change_time, "", "Secs"},
      {&wheel_rpm_scaler, "WRPM Mult", ""},
  };
  for (const FieldCaption& entry : fields)
    captions_.beside(*entry.field, entry.caption, entry.unit);
  captions_.above(map_change_time, "Debounce", 1200, 255);

  // Engine setup: the stutter table's heading over its two rows.
  captions_.add("Hard Stutter Table", stutter_table[0].left(), stutter_table[0].top() - 300,
                stutter_table[3].left() + stutter_table[3].width() - stutter_table[0].left(), 255,
                &tool_tab, kEngineSetup);

  // Injection: one row per injector channel, two-line column headings under the block.
  const char* const trim_headings[] = {"Main Gain", "Idle Trim", "P.W. Min.", "P.W. Clamp"};
  ui::ControlArray<ui::TextBox>* const trims[] = {&inj_gain, &inj_offset, &inj_min, &inj_max};
  for (int channel = 0; channel < kInjectorChannels; ++channel) {
    captions_.beside(inj_gain[channel], "Injector Channel " + std::to_string(channel + 1));
    captions_.beside(inj_max[channel], "", "MS");
  }
  for (std::size_t column = 0; column < std::size(trims); ++column) {
    const ui::TextBox& last = (*trims[column])[kInjectorChannels - 1];
    ui::Label& heading = captions_.add(trim_headings[column], last.left(), last.top() + 360,
                                       last.width(), 480, &tool_tab, kInjection);
    heading.set_alignment(ui::Label::Align::centre);
  }

  // Phase setup: a caption per row and the column headings above the first row.
  for (int row = 0; row < kPhases; ++row) {
    captions_.beside(ph_base_deg[row], "Eng. Phase " + std::to_string(row + 1));
  }
  captions_.above(ph_base_deg[0], "Base " + degrees + " (0-720)", 855, 480);
  captions_.above(ph_used[0], "Use", 480, 255);
  captions_.above(tach_ph[0], "Drv. Tach", 600, 480);
  for (int output = 0; output < kOutputsPerPhase; ++output) {
    const std::string number = std::to_string(output + 1);
    captions_.above(ign_ph(0)[output], number, 255, 255);
    captions_.above(inj_ph(0)[output], number, 255, 255);
  }
  const float group_width = ign_ph(0)[kOutputsPerPhase - 1].left() + 255 - ign_ph(0)[0].left();
  for (const ui::CheckBox* first : {&ign_ph(0)[0], &inj_ph(0)[0]}) {
    ui::Label& heading =
        captions_.add(first == &ign_ph(0)[0] ? "Ignition Driver Num." : "Injector Driver Num.",
                      first->left(), first->top() - 510, group_width, 255, &tool_tab, kPhaseSetup);
    heading.set_alignment(ui::Label::Align::centre);
  }

  // Sensor calibration: the resistance of each cell above the two temperature rows.
  const char* const ohms[] = {"300k", "7000", "3000", "1667", "1000", "600", "333", "143", "1"};
  for (int point = 0; point < kSensorPoints; ++point) {
    captions_.above(CLT_CAL_MAP[point], ohms[point], CLT_CAL_MAP[point].width(), 255);
  }
  const ui::TextBox& last_point = CLT_CAL_MAP[kSensorPoints - 1];
  captions_.add("Ohms", last_point.left() + last_point.width() + ui::CaptionSet::kGap,
                last_point.top() - 255, 600, 255, &tool_tab, kSensorCalibration);
  captions_.beside(CLT_CAL_MAP[kSensorPoints - 1], "", degrees + "C");
  captions_.beside(MAT_CAL_MAP[kSensorPoints - 1], "", degrees + "C");
  const std::pair<const ui::TextBox*, const char*> sensor_rows[] = {
      {&CLT_CAL_MAP[0],
       "Coolant [CLT] Calibation \xB0"
       "C"},
      {&MAT_CAL_MAP[0],
       "Air Temp [MAT] Calibration \xB0"
       "C"}};
  for (const auto& [first, caption] : sensor_rows) {
    ui::Label& label = captions_.add(caption, 120, first->top(), first->left() - 210, 480,
                                     &tool_tab, kSensorCalibration);
    label.set_alignment(ui::Label::Align::right);
  }

  // Speed and gear: each gear row reads "Gear n [low] to [high] E/W RPM".
  for (int gear = 0; gear < kGears; ++gear) {
    captions_.beside(low_rps_ratio[gear], "Gear " + std::to_string(gear + 1), "to");
    captions_.beside(high_rps_ratio[gear], "", "E/W RPM");
    captions_.beside(gear_gpo_num[gear], "Gear " + std::to_string(gear));
  }
  captions_.above(gear_gpo_num[0], "Boost Table", 1200, 255);
}

void FrmToolForm::build_menus() {
  menufile.set_caption("&File");
  menufileexit.set_caption("E&xit");
  menufileexit.on_click = [this] { menufileexit_Click(); };
  menuupdate.set_caption("&Update");
  // The update refuses to start while the load runs, and runs once more after an update
  // that is running; the view menus and Exit may close the window meanwhile.
  menuupdate.on_click = [this] { Command3d1_Click(); };
}

void FrmToolForm::wire_marking() {
  // Every text field of a setting turns yellow when its text changes, from typing or from
  // code, and Enter in it runs the update. The tools' own boxes hold no setting.
  const std::set<const ui::Control*> tool_boxes = {
      &skip_fire_bits, &fire_bits, &stutter_text, &trigs_rev, &rolling_circum_inches, &revs_mile};
  for (ui::Control* control : controls()) {
    if (control->kind() != ui::ControlKind::text_box || tool_boxes.contains(control)) continue;
    auto* field = static_cast<ui::TextBox*>(control);
    field->on_change = [this, field] {
      mark_changed(*field);
      know_value(*field);
    };
    field->on_key_down = [this](int& key_code, int) {
      if (key_code == kEnterKey) Command3d1_Click();
    };
  }

  // A phase row is one setting: any box of it marks element 0's caption.
  for (int row = 0; row < kPhases; ++row) {
    for (ui::ControlArray<ui::CheckBox>* boxes : {&inj_ph(row), &ign_ph(row)}) {
      boxes->on(&ui::CheckBox::on_click, [this, boxes](int) { mark_row(*boxes); });
    }
  }
  ph_used.on(&ui::CheckBox::on_click, [this](int) { mark_row(ph_used); });
  tach_ph.on(&ui::CheckBox::on_click, [this](int) { mark_row(tach_ph); });

  // The sensor type byte carries both the options and the two special boxes.
  const auto mark_sensor_type = [this](int) { mark_group(map_type[0]); };
  map_type.on(&ui::OptionButton::on_click, mark_sensor_type);
  special_cfg.on(&ui::CheckBox::on_click, mark_sensor_type);
  TPS_mapped.on_click = [this] { mark_group(TPS_mapped); };
  enable_idle_by_timing.on_click = [this] { mark_group(enable_idle_by_timing); };
  // The four input groups are one setting, marked on the first AUX option.
  const auto mark_inputs = [this](int) { mark_group(aux_in_used_as[0]); };
  for (ui::ControlArray<ui::OptionButton>* group :
       {&aux_in_used_as, &idx_used_as, &map_sel_used_as, &trig_b_used_as}) {
    group->on(&ui::OptionButton::on_click, mark_inputs);
  }
  MAP_accel.on_click = [this] { mark_group(MAP_accel); };
  EGO_type.on(&ui::OptionButton::on_click, [this](int index) { EGO_type_Click(index); });
}

void FrmToolForm::mark_row(ui::ControlArray<ui::CheckBox>& boxes) {
  boxes[0].set_caption(kRowChanged);
  know_value(boxes[0]);
}

void FrmToolForm::mark_group(ui::Control& marker) {
  marker.set_fore_colour(ui::colours::yellow);
  know_value(marker);
}

void FrmToolForm::EGO_type_Click(int index) {
  mark_group(EGO_type[0]);
  // Only the 0-1 V wide-band controller needs its two calibration points.
  const bool wide_band_analogue = index != 0 && index != 2;
  WB_EGO_0V_LAMBDA.set_enabled(wide_band_analogue);
  WB_EGO_1V_LAMBDA.set_enabled(wide_band_analogue);
}

void FrmToolForm::Command3d2_Click() {
  close_command();
}

void FrmToolForm::menufileexit_Click() {
  Command3d2_Click();
}

void FrmToolForm::on_form_unload() {
  config_loaded = kFalse;
  // A running load stops after its current request; an update goes on to its end.
  if (lifecycle_.reading()) stop_load_ = true;
}

void FrmToolForm::on_activate() {
  Form_Activate();
}

}  // namespace ecu
