#pragma once
// The configuration window (view 2): the controller's scalar settings and bit tables on the
// pages of `tool_tab`. A field the user or the program changes turns yellow (changed, not
// yet written); the reply decoders write the controller's value first and the in-sync mark
// after it, because writing a value runs the same marking as an edit.

#include <array>
#include <set>

#include "maps/editor_lifecycle.hpp"
#include "model/basic_types.hpp"
#include "model/view_number.hpp"
#include "shell/view_commands.hpp"
#include "ui/caption_set.hpp"
#include "ui/ui.hpp"

namespace ecu {

class FrmToolForm : public EditorForm {
 public:
  FrmToolForm();

  static constexpr int kPages = 16;
  static constexpr int kPhases = 16;
  static constexpr int kOutputsPerPhase = 8;
  static constexpr int kInjectorChannels = 8;
  static constexpr int kSensorPoints = 9;
  static constexpr int kStutterSteps = 8;
  static constexpr int kGears = 8;

  // Page indices of `tool_tab`.
  enum Page {
    kEngineSetup = 0,
    kAcceleration = 1,
    kIgnition = 2,
    kInjection = 3,
    kPhaseSetup = 4,
    kPowerupOptions = 5,
    kIdleControl = 6,
    kClosedLoop = 7,
    kEngineStartup = 8,
    kSensorCalibration = 9,
    kFlatShift = 10,
    kInputsConfig = 11,
    kSpeedGearSetup = 12,
  };

  // ---- Controls ----
  ui::CommandButton Command3d1{*this, "Command3d1"};  // update
  ui::CommandButton Command3d2{*this, "Command3d2"};  // close
  ui::Label show_demo_mode{*this, "show_demo_mode"};
  ui::TabControl tool_tab{*this, "tool_tab", kPages};

  // Engine setup.
  ui::TextBox trigs_per_rev{*this, "trigs_per_rev"};
  ui::TextBox Teeth_BTDC{*this, "Teeth_BTDC"};
  ui::TextBox tdc_trim_deg{*this, "tdc_trim_deg"};
  ui::TextBox full_scale_rpm{*this, "full_scale_rpm"};
  ui::TextBox rpm_limit_max_degrees{*this, "rpm_limit_max_degrees"};
  ui::TextBox soft_ign_rpm1{*this, "soft_ign_rpm1"};
  ui::TextBox soft_ign_rpm2{*this, "soft_ign_rpm2"};
  ui::TextBox hard_ign_limit1{*this, "hard_ign_limit1"};
  ui::TextBox hard_ign_limit2{*this, "hard_ign_limit2"};
  ui::ControlArray<ui::TextBox> stutter_table{*this, "stutter_table", kStutterSteps};
  ui::TextBox fuel_rpm1{*this, "fuel_rpm1"};
  ui::TextBox fuel_cut_time1{*this, "fuel_cut_time1"};
  ui::TextBox fuel_rpm2{*this, "fuel_rpm2"};
  ui::TextBox fuel_cut_time2{*this, "fuel_cut_time2"};
  // The stutter generator: a skip/hit text turned into four words of the stutter table.
  ui::Frame stutter_tool_frame{*this, "stutter_tool_frame"};
  ui::TextBox skip_fire_bits{*this, "skip_fire_bits"};
  ui::TextBox fire_bits{*this, "fire_bits"};
  ui::TextBox stutter_text{*this, "stutter_text"};
  ui::ControlArray<ui::CommandButton> make_stutter_text{*this, "make_stutter_text", 2};
  ui::ControlArray<ui::CommandButton> create_stutter_patterns_from_text{
      *this, "create_stutter_patterns_from_text", 2};
  // Acceleration enrichments.
  ui::TextBox accel_senitivity{*this, "accel_senitivity"};
  ui::TextBox accel_flt_rate{*this, "accel_flt_rate"};
  ui::TextBox accel_pw_min{*this, "accel_pw_min"};
  ui::TextBox accel_pw_max{*this, "accel_pw_max"};
  ui::TextBox EGO_reset_pw{*this, "EGO_reset_pw"};
  ui::TextBox rpm_accel_gain{*this, "rpm_accel_gain"};
  // Ignition parameters.
  ui::TextBox base_offset_deg{*this, "base_offset_deg"};
  ui::TextBox target_dwell{*this, "target_dwell"};
  ui::TextBox min_dwell_deg{*this, "min_dwell_deg"};
  // Injection parameters.
  ui::TextBox bat_comp{*this, "bat_comp"};
  ui::TextBox min_pressure{*this, "min_pressure"};
  ui::TextBox decel_tps_value{*this, "decel_tps_value"};
  ui::TextBox max_pressure{*this, "max_pressure"};
  ui::ControlArray<ui::TextBox> inj_gain{*this, "inj_gain", kInjectorChannels};
  ui::ControlArray<ui::TextBox> inj_offset{*this, "inj_offset", kInjectorChannels};
  ui::ControlArray<ui::TextBox> inj_min{*this, "inj_min", kInjectorChannels};
  ui::ControlArray<ui::TextBox> inj_max{*this, "inj_max", kInjectorChannels};
  // Phase setup: per phase row a base angle, a use box, the ignition and injection output
  // boxes and a tach box.
  ui::ControlArray<ui::TextBox> ph_base_deg{*this, "ph_base_deg", kPhases};
  ui::ControlArray<ui::CheckBox> ph_used{*this, "ph_used", kPhases};
  ui::ControlArray<ui::CheckBox> tach_ph{*this, "tach_ph", kPhases};
  ui::ControlArray<ui::CheckBox> inj_ph_0{*this, "inj_ph_0", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> inj_ph_1{*this, "inj_ph_1", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> inj_ph_2{*this, "inj_ph_2", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> inj_ph_3{*this, "inj_ph_3", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> inj_ph_4{*this, "inj_ph_4", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> inj_ph_5{*this, "inj_ph_5", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> inj_ph_6{*this, "inj_ph_6", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> inj_ph_7{*this, "inj_ph_7", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> inj_ph_8{*this, "inj_ph_8", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> inj_ph_9{*this, "inj_ph_9", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> inj_ph_10{*this, "inj_ph_10", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> inj_ph_11{*this, "inj_ph_11", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> inj_ph_12{*this, "inj_ph_12", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> inj_ph_13{*this, "inj_ph_13", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> inj_ph_14{*this, "inj_ph_14", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> inj_ph_15{*this, "inj_ph_15", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> ign_ph_0{*this, "ign_ph_0", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> ign_ph_1{*this, "ign_ph_1", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> ign_ph_2{*this, "ign_ph_2", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> ign_ph_3{*this, "ign_ph_3", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> ign_ph_4{*this, "ign_ph_4", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> ign_ph_5{*this, "ign_ph_5", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> ign_ph_6{*this, "ign_ph_6", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> ign_ph_7{*this, "ign_ph_7", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> ign_ph_8{*this, "ign_ph_8", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> ign_ph_9{*this, "ign_ph_9", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> ign_ph_10{*this, "ign_ph_10", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> ign_ph_11{*this, "ign_ph_11", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> ign_ph_12{*this, "ign_ph_12", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> ign_ph_13{*this, "ign_ph_13", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> ign_ph_14{*this, "ign_ph_14", kOutputsPerPhase};
  ui::ControlArray<ui::CheckBox> ign_ph_15{*this, "ign_ph_15", kOutputsPerPhase};
  // Powerup and options.
  ui::TextBox priming_pw_cold{*this, "priming_pw_cold"};
  ui::TextBox num_pulses_cold{*this, "num_pulses_cold"};
  ui::TextBox temp_threshold{*this, "temp_threshold"};
  ui::TextBox priming_pw_hot{*this, "priming_pw_hot"};
  ui::TextBox num_pulses_hot{*this, "num_pulses_hot"};
  ui::ControlArray<ui::OptionButton> map_type{*this, "map_type", 4};
  // Value 1: the fuel and ignition maps are indexed by throttle position, not pressure.
  ui::CheckBox TPS_mapped{*this, "TPS_mapped"};
  ui::CheckBox MAP_accel{*this, "MAP_accel"};
  ui::ControlArray<ui::CheckBox> special_cfg{*this, "special_cfg", 2};
  // Idle control.
  ui::TextBox iac_close_steps{*this, "iac_close_steps"};
  ui::TextBox iac_open_steps{*this, "iac_open_steps"};
  // Shown only: no controller setting is read into it or written from it.
  ui::TextBox iac_step_to_reenable{*this, "iac_step_to_reenable"};
  ui::TextBox iac_enable_tps_val{*this, "iac_enable_tps_val"};
  ui::TextBox iac_close_tps_val{*this, "iac_close_tps_val"};
  ui::TextBox iac_max_rate{*this, "iac_max_rate"};
  ui::TextBox iac_error_rate{*this, "iac_error_rate"};
  ui::TextBox iac_deadband{*this, "iac_deadband"};
  ui::TextBox idle_disable_rpm{*this, "idle_disable_rpm"};
  ui::CheckBox enable_idle_by_timing{*this, "enable_idle_by_timing"};
  ui::TextBox idle_max_retard{*this, "idle_max_retard"};
  ui::TextBox idle_max_advance{*this, "idle_max_advance"};
  // Closed loop.
  ui::TextBox ego_rate{*this, "ego_rate"};
  ui::TextBox EGO_Prop_Gain{*this, "EGO_Prop_Gain"};
  ui::TextBox ego_seconds{*this, "ego_seconds"};
  ui::TextBox min_ego_gain{*this, "min_ego_gain"};
  ui::TextBox max_ego_gain{*this, "max_ego_gain"};
  ui::TextBox tps_open_loop_val{*this, "tps_open_loop_val"};
  ui::Frame ego_type_frame{*this, "ego_type_frame"};
  ui::ControlArray<ui::OptionButton> EGO_type{*this, "EGO_type", 3};
  ui::TextBox WB_EGO_0V_LAMBDA{*this, "WB_EGO_0V_LAMBDA"};
  ui::TextBox WB_EGO_1V_LAMBDA{*this, "WB_EGO_1V_LAMBDA"};
  // Engine startup.
  ui::TextBox cranking_max_rpm{*this, "cranking_max_rpm"};
  ui::TextBox cranking_enrichment_gain{*this, "cranking_enrichment_gain"};
  ui::TextBox post_cranking_enrichment_gain{*this, "post_cranking_enrichment_gain"};
  ui::TextBox cranking_enrichment_timer{*this, "cranking_enrichment_timer"};
  ui::TextBox cranking_timing{*this, "cranking_timing"};
  // Sensor calibration.
  ui::TextBox tps_base_val{*this, "tps_base_val"};
  ui::TextBox tps_fs_val{*this, "tps_fs_val"};
  ui::ControlArray<ui::CommandButton> calibrate_tps_val{*this, "calibrate_tps_val", 2};
  ui::ControlArray<ui::TextBox> CLT_CAL_MAP{*this, "CLT_CAL_MAP", kSensorPoints};
  ui::ControlArray<ui::TextBox> MAT_CAL_MAP{*this, "MAT_CAL_MAP", kSensorPoints};
  ui::TextBox map_offset{*this, "map_offset"};
  ui::TextBox map_scaler{*this, "map_scaler"};
  ui::TextBox baro_offset{*this, "baro_offset"};
  ui::TextBox baro_scaler{*this, "baro_scaler"};
  // Flat shift.
  ui::TextBox flat_shft_retard{*this, "flat_shft_retard"};
  ui::TextBox flat_shft_retard_time{*this, "flat_shft_retard_time"};
  ui::TextBox flat_shft_fuel_cut{*this, "flat_shft_fuel_cut"};
  // Inputs: one option group per controller input, all packed into one setting.
  ui::Frame aux_input_frame{*this, "aux_input_frame"};
  ui::ControlArray<ui::OptionButton> aux_in_used_as{*this, "aux_in_used_as", 2};
  ui::Frame idx_input_frame{*this, "idx_input_frame"};
  ui::ControlArray<ui::OptionButton> idx_used_as{*this, "idx_used_as", 3};
  ui::Frame map_select_frame{*this, "map_select_frame"};
  ui::ControlArray<ui::OptionButton> map_sel_used_as{*this, "map_sel_used_as", 4};
  ui::TextBox map_change_time{*this, "map_change_time"};
  ui::Frame trig_b_frame{*this, "trig_b_frame"};
  ui::ControlArray<ui::OptionButton> trig_b_used_as{*this, "trig_b_used_as", 5};
  // Speed and gear setup, in three frames; the wizard sits inside the wheel speed frame.
  ui::Frame wheel_speed_frame{*this, "wheel_speed_frame"};
  ui::Frame gear_detect_frame{*this, "gear_detect_frame"};
  ui::Frame boost_by_gear_frame{*this, "boost_by_gear_frame"};
  ui::TextBox wheel_rpm_scaler{*this, "wheel_rpm_scaler"};
  // The speed wizard computes the scaler from the tyre and the trigger count.
  ui::Frame speed_wizard_frame{*this, "speed_wizard_frame"};
  ui::TextBox trigs_rev{*this, "trigs_rev"};
  ui::TextBox rolling_circum_inches{*this, "rolling_circum_inches"};
  ui::TextBox revs_mile{*this, "revs_mile"};
  ui::ControlArray<ui::CommandButton> speed_wizard_calc{*this, "speed_wizard_calc", 2};
  ui::ControlArray<ui::TextBox> low_rps_ratio{*this, "low_rps_ratio", kGears};
  ui::ControlArray<ui::TextBox> high_rps_ratio{*this, "high_rps_ratio", kGears};
  ui::ControlArray<ui::TextBox> gear_gpo_num{*this, "gear_gpo_num", kGears};

  // ---- Menus ----
  ui::MenuItem menufile{*this, "menufile", nullptr};
  ui::MenuItem menufileexit{*this, "menufileexit", &menufile};
  ui::MenuItem menuupdate{*this, "menuupdate", nullptr};
  ui::MenuItem spacer1{*this, "spacer1", nullptr};
  ui::MenuItem spacer2{*this, "spacer2", nullptr};
  // The entries for the other views.
  ViewMenuBar view_menus{*this, kConfigurationView};

  // ---- Window state ----
  // The configuration has been read since the window was last opened.
  Flag config_loaded = kFalse;

  // ---- Handlers ----
  // The update: writes every marked field whose value is known (frm_tool_write.cpp).
  void Command3d1_Click();
  void Command3d2_Click();
  void menufileexit_Click();
  // Titles the window and, on the first activation after opening, reads the whole
  // configuration page by page (frm_tool_load.cpp).
  void Form_Activate();
  // The tools (frm_tool_tools.cpp).
  void create_stutter_patterns_from_text_Click(int index);
  void make_stutter_text_Click(int index);
  void calibrate_tps_val_Click(int index);
  void speed_wizard_calc_Click(int index);
  // Marks the oxygen sensor type changed and enables the wide-band fields for option 1 only.
  void EGO_type_Click(int index);

  // The injection and ignition output rows of phase `row` (0 to 15).
  ui::ControlArray<ui::CheckBox>& inj_ph(int row);
  ui::ControlArray<ui::CheckBox>& ign_ph(int row);

  // A field (or a group's marker control) holds a value from the controller or the user.
  // The load clears it for every field it marks; a fill from a reply or an edit sets it.
  // The update never sends a marked field whose value is not known.
  [[nodiscard]] bool value_known(const ui::Control& marker) const {
    return !unread_.contains(&marker);
  }
  void forget_value(const ui::Control& marker) { unread_.insert(&marker); }
  void know_value(const ui::Control& marker) { unread_.erase(&marker); }

 protected:
  void on_activate() override;
  void on_form_unload() override;

 private:
  void load_configuration();
  void note_marked_fields();
  void mark_every_field_unread();
  void fill_demo_values();
  void lay_out_tools();
  void set_tool_tips();
  void lay_out();
  void lay_out_phase_page();
  void lay_out_input_page();
  void lay_out_gear_page();
  void lay_out_captions();
  void build_menus();
  void wire_marking();
  // The marking handlers: the change mark, and the value is now the user's or the reply's.
  void mark_row(ui::ControlArray<ui::CheckBox>& boxes);
  void mark_group(ui::Control& marker);

  std::array<ui::ControlArray<ui::CheckBox>*, kPhases> inj_ph_rows_;
  std::array<ui::ControlArray<ui::CheckBox>*, kPhases> ign_ph_rows_;
  // The captions, units and headings beside the fields; design text only.
  ui::CaptionSet captions_{*this, "caption_label"};

  std::set<const ui::Control*> unread_;
  // The window was closed while its load ran: the load stops after the request under way.
  bool stop_load_ = false;
};

inline ui::FormInstance<FrmToolForm> frm_tool;

}  // namespace ecu
