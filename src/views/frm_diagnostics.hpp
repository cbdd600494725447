#pragma once
// The diagnostics window (view 8): driver tests, crank-wheel capture and dyno capture on the
// pages of `diags_tab`. The main poll sends its live-data request only while the dyno page
// (tab 3) is shown, at the rate the page's sample-rate field gives the main poll timer.

#include "model/view_number.hpp"
#include "shell/view_commands.hpp"
#include "ui/caption_set.hpp"
#include "ui/ui.hpp"

namespace ecu {

class FrmDiagnosticsForm : public ViewForm {
 public:
  FrmDiagnosticsForm();

  static constexpr int kInjectorTab = 0;
  static constexpr int kIgnitionTab = 1;
  static constexpr int kWheelTab = 2;
  static constexpr int kDynoTab = 3;
  static constexpr int kChannels = 8;
  // The main poll interval the window leaves behind when it closes.
  static constexpr int kIntervalAfterClose = 10;

  // ---- Controls ----
  ui::CommandButton Command3d2{*this, "Command3d2"};
  ui::TabControl diags_tab{*this, "diags_tab", 4};
  // Driver pages: channel i + 1 is element i; the Test buttons stay locked until the
  // warning behind Command3 (one on each page) was acknowledged.
  ui::ControlArray<ui::CheckBox> inj_chan_test{*this, "inj_chan_test", kChannels};
  ui::CommandButton Command1{*this, "Command1"};
  ui::ControlArray<ui::CheckBox> ign_chan_test{*this, "ign_chan_test", kChannels};
  ui::CommandButton Command2{*this, "Command2"};
  ui::ControlArray<ui::CommandButton> Command3{*this, "Command3", 2};
  // Crank-wheel page.
  ui::CommandButton arm_capture{*this, "arm_capture"};
  ui::CommandButton get_wheel_plot_data{*this, "get_wheel_plot_data"};
  ui::CommandButton wheel_diag_continuous{*this, "wheel_diag_continuous"};
  ui::CommandButton wheel_diag_halt{*this, "wheel_diag_halt"};
  ui::Label crank_target_rpm{*this, "crank_target_rpm"};
  ui::PictureBox wheel_speed_plot{*this, "wheel_speed_plot"};
  ui::Line wheel_average_line{*this, "wheel_average_line"};
  // Dyno page: trigger rpm (0) and end rpm (1).
  ui::ControlArray<ui::TextBox> dyno_trig_rpm{*this, "dyno_trig_rpm", 2};
  ui::CommandButton dyno_arm{*this, "dyno_arm"};
  ui::CommandButton dyno_cancel{*this, "dyno_cancel"};
  ui::Label dyno_stat{*this, "dyno_stat"};
  ui::Label dyno_samples{*this, "dyno_samples"};
  ui::TextBox dyno_sample_rate{*this, "dyno_sample_rate"};
  ui::PictureBox dyno_plot_screen{*this, "dyno_plot_screen"};
  ui::CommandButton dyno_plot{*this, "dyno_plot"};
  ui::CommandButton dyno_ref_file{*this, "dyno_ref_file"};
  ui::CommandButton dyno_save{*this, "dyno_save"};
  ui::TextBox dyno_file_name{*this, "dyno_file_name"};
  ui::TextBox dyno_series{*this, "dyno_series"};

  // ---- Menus ----
  ui::MenuItem menufile{*this, "menufile", nullptr};
  ui::MenuItem menufileexit{*this, "menufileexit", &menufile};
  ui::MenuItem menuupdate{*this, "menuupdate", nullptr};
  ui::MenuItem spacer1{*this, "spacer1", nullptr};
  ui::MenuItem spacer2{*this, "spacer2", nullptr};
  // The entries for the other views.
  ViewMenuBar view_menus{*this, kDiagnosticsView, {{kConfigurationView, nullptr, "&Config"}}};

  // ---- Handlers ----
  // Halts the crank-wheel loop, then the unload steps.
  void Command3d2_Click();
  void menufileexit_Click();
  // The warning, then both Test buttons unlocked.
  void Command3_Click();
  // Fire the checked injector (ignition) channels once.
  void Command1_Click();
  void Command2_Click();
  void arm_capture_Click();
  // Fetches the eight pages of crank-wheel samples and plots them.
  void get_wheel_plot_data_Click();
  // Arms, fetches and plots again and again until halted (or the window closes).
  void wheel_diag_continuous_Click();
  void wheel_diag_halt_Click();
  // Dyno page (dyno_tab.cpp).
  void dyno_arm_Click();
  void dyno_cancel_Click();
  void dyno_plot_Click();
  void dyno_ref_file_Click();
  void dyno_save_Click();
  // Sets the main poll interval from the field: its number of ms, 1 ms for 0.
  void dyno_sample_rate_Change();
  // Clears the plot and draws the last run and the reference run over it.
  void plot_dyno_graphs();

 protected:
  void on_activate() override;
  // Every way out halts a running crank-wheel loop; the main poll goes back to 10 ms.
  void on_close_command() override;
  void on_form_unload() override;
  bool on_frame_close() override;

 private:
  void lay_out();
  void lay_out_driver_page(int page, ui::ControlArray<ui::CheckBox>& channels,
                           ui::CommandButton& test);
  void lay_out_wheel_page();
  void lay_out_dyno_page();
  void build_menus();
  void wire_handlers();
  void send_driver_test(char code, ui::ControlArray<ui::CheckBox>& channels);

  // The captions beside the fields; design text only.
  ui::CaptionSet captions_{*this, "caption_label"};
};

inline ui::FormInstance<FrmDiagnosticsForm> frm_diagnostics;

}  // namespace ecu
