#pragma once
// The real-time monitor: a read-only panel of the live values, refreshed by the main poll
// while it is the current view (1).

#include "ui/ui.hpp"

namespace ecu {

class FrmMonForm : public ui::Form {
 public:
  FrmMonForm();

  static constexpr int kChannels = 8;
  // Captions and units of the panel; the program changes elements 8 (the A/F unit) and 64
  // (the lambda set-point unit), the others keep their design text.
  static constexpr int kLabels = 72;
  static constexpr int kAfrUnitLabel = 8;
  static constexpr int kSetpointUnitLabel = 64;

  // ---- Controls ----
  ui::CommandButton Command3d1{*this, "Command3d1"};
  ui::Label show_demo_mode{*this, "show_demo_mode"};
  ui::ControlArray<ui::Label> ECU_Data{*this, "ECU_Data", 20};
  ui::ControlArray<ui::Label> Label1{*this, "Label1", kLabels};
  ui::Label group_delay{*this, "group_delay"};
  // The lambda set-point (unit in Label1 element 64) and the link's byte counters.
  ui::Label ego_lambda_setpoint{*this, "ego_lambda_setpoint"};
  ui::Label tx_bytes{*this, "tx_bytes"};
  ui::Label rx_bytes{*this, "rx_bytes"};
  // Status texts of the live-data reply.
  ui::Label can_rx_frames{*this, "can_rx_frames"};
  ui::Label aux_stat{*this, "aux_stat"};
  ui::Label map_sel_stat{*this, "map_sel_stat"};
  ui::Label trig_b_stat{*this, "trig_b_stat"};
  ui::Label rev_limit_stat{*this, "rev_limit_stat"};
  ui::Label flat_shift_stat{*this, "flat_shift_stat"};
  ui::Label EGT{*this, "EGT"};
  // Values of the monitor frame.
  ui::Label map_num{*this, "map_num"};
  ui::Label num_trigs{*this, "num_trigs"};
  ui::Label num_cams{*this, "num_cams"};
  ui::Label wheel_idx_num{*this, "wheel_idx_num"};
  ui::Label cam_idx_num{*this, "cam_idx_num"};
  ui::Label cpu_secs{*this, "cpu_secs"};
  ui::Label err_flgs{*this, "err_flgs"};
  ui::Label speed_MPH{*this, "speed_MPH"};
  ui::Label rpm_mph_ratio{*this, "rpm_mph_ratio"};
  ui::Label gear_number{*this, "gear_number"};
  // One row per injector and ignition channel, from the channel runtime reply.
  ui::ControlArray<ui::Label> inj_pw{*this, "inj_pw", kChannels};
  ui::ControlArray<ui::Label> inj_duty{*this, "inj_duty", kChannels};
  ui::ControlArray<ui::Label> ign_dwell{*this, "ign_dwell", kChannels};
  ui::ControlArray<ui::Label> ign_duty{*this, "ign_duty", kChannels};

  // ---- Menus ----
  ui::MenuItem menufile{*this, "menufile", nullptr};
  ui::MenuItem menufileexit{*this, "menufileexit", &menufile};
  ui::MenuItem menu_dash{*this, "menu_dash", nullptr};
  ui::MenuItem menu_tools{*this, "menu_tools", nullptr};
  ui::MenuItem menu_3d{*this, "menu_3d", nullptr};
  ui::MenuItem menu_2d{*this, "menu_2d", nullptr};
  ui::MenuItem menu_sup{*this, "menu_sup", nullptr};
  ui::MenuItem menu_plot{*this, "menu_plot", nullptr};
  ui::MenuItem menu_diag{*this, "menu_diag", nullptr};

  // ---- Handlers ----
  // Leaves the monitor; the main poll also calls it when the link was aborted.
  void Command3d1_Click();
  void menufileexit_Click();
  // The close path (current_view 0, hide, main window back); the frame's close runs it too.
  void Form_Unload();

 protected:
  void on_activate() override;
  void on_unload() override;

 private:
  void lay_out();
  void build_menus();
};

inline ui::FormInstance<FrmMonForm> frm_mon;

}  // namespace ecu
