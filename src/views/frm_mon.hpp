#pragma once
// The real-time monitor: a read-only panel of the live values, refreshed by the main poll
// while it is the current view (1).

#include "model/view_number.hpp"
#include "shell/view_commands.hpp"
#include "ui/ui.hpp"

namespace ecu {

class FrmMonForm : public ViewForm {
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
  // The entries for the other views.
  ViewMenuBar view_menus{*this, kMonitorView};

  // ---- Handlers ----
  // Leaves the monitor; the main poll also calls it when the link was aborted.
  void Command3d1_Click();
  void menufileexit_Click();

 protected:
  void on_activate() override;

 private:
  void lay_out();
  void build_menus();
};

inline ui::FormInstance<FrmMonForm> frm_mon;

}  // namespace ecu
