#pragma once
// The instrument dashboard (view 6): dial gauges for the live values, a row of mixture
// lamps, and three quick settings (fuel scaler, fuel offset, base timing offset) with two
// test switches. The main poll writes the gauges and lamps while it is the current view.

#include "maps/editor_lifecycle.hpp"
#include "maps/table_writes.hpp"
#include "model/view_number.hpp"
#include "shell/view_commands.hpp"
#include "ui/caption_set.hpp"
#include "ui/ui.hpp"

namespace ecu {

class FrmDashboardForm : public EditorForm {
 public:
  FrmDashboardForm();

  static constexpr int kMixtureLamps = 17;
  static constexpr int kMixtureLabels = 9;
  static constexpr int kOutputs = 4;
  static constexpr int kTachFilters = 3;

  // ---- Controls ----
  ui::PictureBox Picture1{*this, "Picture1"};
  ui::CommandButton Command1{*this, "Command1"};  // exit
  ui::CommandButton Command2{*this, "Command2"};  // update
  ui::Label show_demo_mode{*this, "show_demo_mode"};
  ui::Gauge tachometer{*this, "tachometer"};
  ui::Gauge manifold_pressure{*this, "manifold_pressure"};
  ui::Gauge water_temp{*this, "water_temp"};
  ui::Gauge air_temp{*this, "air_temp"};
  ui::Gauge bat_volts{*this, "bat_volts"};
  ui::Gauge Timing{*this, "Timing"};
  // One gauge per output, all at one place; the Options menu chooses the one shown.
  ui::ControlArray<ui::Gauge> GPO_duty{*this, "GPO_duty", kOutputs};
  // Mixture lamps, lean on the left and rich on the right; one is lit (solid fill).
  ui::ControlArray<ui::Shape> afr_led{*this, "afr_led", kMixtureLamps};
  // The scale under the lamps in the chosen unit, lean (0) to rich (8), and the
  // stoichiometric mark.
  ui::ControlArray<ui::Label> lambda_label{*this, "lambda_label", kMixtureLabels};
  ui::Label lambda_val{*this, "lambda_val"};
  ui::Label control_ego_gain{*this, "control_ego_gain"};
  // Fuel scaler (0) and fuel offset (1) in ms.
  ui::ControlArray<ui::TextBox> ecu_pgm{*this, "ecu_pgm", 2};
  ui::TextBox base_offset_deg{*this, "base_offset_deg"};
  ui::CheckBox kill_ego{*this, "kill_ego"};
  ui::CheckBox kill_timing{*this, "kill_timing"};

  // ---- Menus ----
  ui::MenuItem menu_file{*this, "menu_file", nullptr};
  ui::MenuItem menu_file_exit{*this, "menu_file_exit", &menu_file};
  ui::MenuItem menu_Update{*this, "menu_Update", nullptr};
  ui::MenuItem menu_opts{*this, "menu_opts", nullptr};
  ui::ControlArray<ui::MenuItem> menu_view_gpo{*this, "menu_view_gpo", kOutputs, &menu_opts};
  ui::MenuItem menu_opts_tach_filt{*this, "menu_opts_tach_filt", &menu_opts};
  ui::ControlArray<ui::MenuItem> menu_opts_tach_filt_num{*this, "menu_opts_tach_filt_num",
                                                         kTachFilters, &menu_opts_tach_filt};
  // The entries for the other views.
  ViewMenuBar view_menus{*this, kDashboardView};

  // ---- Handlers ----
  void Command1_Click();
  void menu_file_exit_Click();
  // Writes every yellow setting read or typed to the controller (Command2 and the Update
  // menu); nothing while the opening reads run.
  void Command2_Click();
  void menu_Update_Click();
  // Enter writes; Shift+Up and Shift+Down step the value by 0.1 ms; Up and Down otherwise
  // move to the other fuel field.
  void ecu_pgm_KeyDown(int index, int& key_code, int shift);
  // Hard, soft or no smoothing of the engine speed.
  void menu_opts_tach_filt_num_Click(int index);
  // Shows the duty gauge of one output.
  void menu_view_gpo_Click(int index);
  // The feedback switch: ticked sends kill_ego_on, cleared kill_ego_off.
  void kill_ego_Click();
  // Ticked fixes the timing at 0 degrees for checking it with a timing light.
  void kill_timing_Click();
  // The picture start-up read; also on every creation, so a dashboard closed through its
  // frame comes back with it.
  void show_branding();

 protected:
  void on_activate() override;

 private:
  void lay_out();
  void lay_out_gauges();
  void lay_out_mixture_scale();
  void build_menus();
  // The first activation of this window instance: reads the three settings and sets scales.
  void set_up_once();
  void set_scales();
  void write_settings();
  // A setting the reply or the user changed: not yet sent, and worth sending.
  void mark_changed(ui::TextBox& field);
  bool dash_activated = false;
  // The settings read from the controller or typed since this window was created: a yellow
  // field outside it shows nothing to send.
  LoadedItems loaded_;

  // The captions and units beside the settings and live values; design text only.
  ui::CaptionSet captions_{*this, "caption_label"};
};

inline ui::FormInstance<FrmDashboardForm> frm_dashboard;

}  // namespace ecu
