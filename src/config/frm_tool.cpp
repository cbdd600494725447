#include "config/frm_tool.hpp"

#include <array>
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

constexpr float kFieldLeft = 3000;
constexpr float kFieldWidth = 1215;
constexpr float kFieldHeight = 285;
constexpr float kRowStep = 420;
constexpr float kFirstRow = 720;

void mark_changed(ui::TextBox& field) {
  field.set_back_colour(ui::colours::yellow);
}

}  // namespace

FrmToolForm::FrmToolForm()
    : ui::Form("frm_tool", "Configuration", 12120, 8640),
      inj_ph_rows_{&inj_ph_0,  &inj_ph_1,  &inj_ph_2,  &inj_ph_3, &inj_ph_4,  &inj_ph_5,
                   &inj_ph_6,  &inj_ph_7,  &inj_ph_8,  &inj_ph_9, &inj_ph_10, &inj_ph_11,
                   &inj_ph_12, &inj_ph_13, &inj_ph_14, &inj_ph_15},
      ign_ph_rows_{&ign_ph_0,  &ign_ph_1,  &ign_ph_2,  &ign_ph_3, &ign_ph_4,  &ign_ph_5,
                   &ign_ph_6,  &ign_ph_7,  &ign_ph_8,  &ign_ph_9, &ign_ph_10, &ign_ph_11,
                   &ign_ph_12, &ign_ph_13, &ign_ph_14, &ign_ph_15} {
  set_back_colour(ui::colours::light_grey);
  lay_out();
  build_menus();
  wire_marking();
  Command3d2.on_click = [this] { Command3d2_Click(); };
}

ui::ControlArray<ui::CheckBox>& FrmToolForm::inj_ph(int row) {
  return *inj_ph_rows_.at(static_cast<std::size_t>(row));
}

ui::ControlArray<ui::CheckBox>& FrmToolForm::ign_ph(int row) {
  return *ign_ph_rows_.at(static_cast<std::size_t>(row));
}

void FrmToolForm::lay_out() {
  Command3d1.move(120, 120, 615, 615);
  Command3d1.set_tool_tip("Click to update modified entries");
  Command3d2.move(120, 780, 615, 615);
  Command3d2.set_tool_tip("Click to exit back to the console");

  show_demo_mode.move(4200, 120, 4800, 555);
  show_demo_mode.set_caption("DEMO MODE!");
  show_demo_mode.set_fore_colour(ui::colours::light_red);
  show_demo_mode.set_visible(false);

  tool_tab.move(840, 120, 11160, 8280);
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
       {&iac_close_steps, &iac_open_steps, &iac_enable_tps_val, &iac_close_tps_val, &iac_max_rate,
        &iac_error_rate, &iac_deadband}},
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
    stutter_table[step].move(
        row.left() + kFieldWidth + 240.0F + 600.0F * static_cast<float>(step % 4), row.top(), 540,
        kFieldHeight);
  }
  enable_idle_by_timing.place_in(tool_tab, kIdleControl);
  enable_idle_by_timing.move(7800, kFirstRow + 3 * kRowStep, 3000, kFieldHeight);
  enable_idle_by_timing.set_caption("Control Idle with timing");

  // Injector channel trims: one row per channel to the right of the scalars.
  ui::ControlArray<ui::TextBox>* const trims[] = {&inj_gain, &inj_offset, &inj_min, &inj_max};
  for (std::size_t column = 0; column < std::size(trims); ++column) {
    for (int channel = 0; channel < kInjectorChannels; ++channel) {
      ui::TextBox& field = (*trims[column])[channel];
      field.place_in(tool_tab, kInjection);
      field.move(6600.0F + 1020.0F * static_cast<float>(column),
                 kFirstRow + 360.0F * static_cast<float>(channel), 900, kFieldHeight);
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
  WB_EGO_0V_LAMBDA.move(2640, 1440, 1215, kFieldHeight);
  WB_EGO_1V_LAMBDA.place_in(ego_type_frame);
  WB_EGO_1V_LAMBDA.move(2640, 1860, 1215, kFieldHeight);

  // The temperature sensor tables: nine cells left to right, one row per sensor.
  for (int point = 0; point < kSensorPoints; ++point) {
    const float left = 1560.0F + 735.0F * static_cast<float>(point);
    CLT_CAL_MAP[point].place_in(tool_tab, kSensorCalibration);
    CLT_CAL_MAP[point].move(left, 2160, 675, kFieldHeight);
    MAT_CAL_MAP[point].place_in(tool_tab, kSensorCalibration);
    MAT_CAL_MAP[point].move(left, 3000, 675, kFieldHeight);
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
  map_change_time.place_in(map_select_frame);
  map_change_time.move(3360, 300, 855, kFieldHeight);
}

void FrmToolForm::lay_out_gear_page() {
  wheel_rpm_scaler.place_in(tool_tab, kSpeedGearSetup);
  wheel_rpm_scaler.move(kFieldLeft, kFirstRow, kFieldWidth, kFieldHeight);
  for (int gear = 0; gear < kGears; ++gear) {
    const float top = 1800.0F + 360.0F * static_cast<float>(gear);
    low_rps_ratio[gear].place_in(tool_tab, kSpeedGearSetup);
    low_rps_ratio[gear].move(1560, top, 855, kFieldHeight);
    high_rps_ratio[gear].place_in(tool_tab, kSpeedGearSetup);
    high_rps_ratio[gear].move(2880, top, 855, kFieldHeight);
    gear_gpo_num[gear].place_in(tool_tab, kSpeedGearSetup);
    gear_gpo_num[gear].move(6600, top, 615, kFieldHeight);
    // The design's boost table for every gear; the marking is wired after it.
    gear_gpo_num[gear].set_text("1");
  }
}

void FrmToolForm::build_menus() {
  menufile.set_caption("&File");
  menufileexit.set_caption("E&xit");
  menufileexit.on_click = [this] { menufileexit_Click(); };
  menuupdate.set_caption("&Update");
  const auto close = [this] { Command3d2_Click(); };
  wire_view_menu(menu_mon, "&Monitor", view_request_mon, close);
  wire_view_menu(menu_dash, "&Dashboard", view_request_dash, close);
  wire_view_menu(menu_3d, "&Basic Map", view_request_3d, close);
  wire_view_menu(menu_2d, "&Additional Map", view_request_2d, close);
  wire_view_menu(menu_sup, "&GPO Drv.", view_request_sup, close);
  wire_view_menu(menu_plot, "&Plotter", view_request_plot, close);
  wire_view_menu(menu_diag, "D&iagnostics", view_request_diag, close);
}

void FrmToolForm::wire_marking() {
  // Every text field turns yellow when its text changes, from typing or from code.
  for (ui::Control* control : controls()) {
    if (control->kind() != ui::ControlKind::text_box) continue;
    auto* field = static_cast<ui::TextBox*>(control);
    field->on_change = [field] { mark_changed(*field); };
  }

  // A phase row is one setting: any box of it marks element 0's caption.
  for (int row = 0; row < kPhases; ++row) {
    for (ui::ControlArray<ui::CheckBox>* boxes : {&inj_ph(row), &ign_ph(row)}) {
      boxes->on(&ui::CheckBox::on_click, [boxes](int) { (*boxes)[0].set_caption(kRowChanged); });
    }
  }
  ph_used.on(&ui::CheckBox::on_click, [this](int) { ph_used[0].set_caption(kRowChanged); });
  tach_ph.on(&ui::CheckBox::on_click, [this](int) { tach_ph[0].set_caption(kRowChanged); });

  // The sensor type byte carries both the options and the two special boxes.
  const auto mark_sensor_type = [this](int) { map_type[0].set_fore_colour(ui::colours::yellow); };
  map_type.on(&ui::OptionButton::on_click, mark_sensor_type);
  special_cfg.on(&ui::CheckBox::on_click, mark_sensor_type);
  TPS_mapped.on_click = [this] { TPS_mapped.set_fore_colour(ui::colours::yellow); };
  enable_idle_by_timing.on_click = [this] {
    enable_idle_by_timing.set_fore_colour(ui::colours::yellow);
  };
  // The four input groups are one setting, marked on the first AUX option.
  const auto mark_inputs = [this](int) { aux_in_used_as[0].set_fore_colour(ui::colours::yellow); };
  for (ui::ControlArray<ui::OptionButton>* group :
       {&aux_in_used_as, &idx_used_as, &map_sel_used_as, &trig_b_used_as}) {
    group->on(&ui::OptionButton::on_click, mark_inputs);
  }
  MAP_accel.on_click = [this] { MAP_accel.set_fore_colour(ui::colours::yellow); };
  EGO_type.on(&ui::OptionButton::on_click, [this](int index) { EGO_type_Click(index); });
}

void FrmToolForm::EGO_type_Click(int index) {
  EGO_type[0].set_fore_colour(ui::colours::yellow);
  // Only the 0-1 V wide-band controller needs its two calibration points.
  const bool wide_band_analogue = index != 0 && index != 2;
  WB_EGO_0V_LAMBDA.set_enabled(wide_band_analogue);
  WB_EGO_1V_LAMBDA.set_enabled(wide_band_analogue);
}

void FrmToolForm::Command3d2_Click() {
  Form_Unload();
}

void FrmToolForm::menufileexit_Click() {
  Command3d2_Click();
}

void FrmToolForm::Form_Unload() {
  config_loaded = kFalse;
  close_view(*this);
}

void FrmToolForm::on_unload() {
  Form_Unload();
}

}  // namespace ecu
