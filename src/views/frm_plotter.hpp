#pragma once
// The plotter: a strip chart of 21 live channels, fed by the main window's plotter poll
// (Timer3) while it is the current view (4).

#include "model/view_number.hpp"
#include "shell/view_commands.hpp"
#include "ui/caption_set.hpp"
#include "ui/ui.hpp"

namespace ecu {

class FrmPlotterForm : public ViewForm {
 public:
  FrmPlotterForm();

  static constexpr int kChannels = 21;
  static constexpr int kIntervals = 8;

  // ---- Controls ----
  ui::CommandButton Command3d1{*this, "Command3d1"};
  ui::Label show_demo_mode{*this, "show_demo_mode"};
  ui::StripChart Strip1{*this, "Strip1"};
  // One box per chart channel: shows or hides that channel's trace.
  ui::ControlArray<ui::CheckBox> Check3d1{*this, "Check3d1", kChannels};
  ui::CheckBox skip_graphics{*this, "skip_graphics"};
  ui::Label File_Samples{*this, "File_Samples"};
  ui::TextBox plot_file{*this, "plot_file"};
  ui::CommandButton Command3d2{*this, "Command3d2"};  // Start Log
  ui::CommandButton Command3d3{*this, "Command3d3"};  // Stop Log

  // ---- Menus ----
  ui::MenuItem menufile{*this, "menufile", nullptr};
  ui::MenuItem menufileexit{*this, "menufileexit", &menufile};
  ui::MenuItem menu_logging{*this, "menu_logging", nullptr};
  ui::ControlArray<ui::MenuItem> menu_log_int{*this, "menu_log_int", kIntervals, &menu_logging};
  // The entries for the other views.
  ViewMenuBar view_menus{*this, kPlotterView};

  // ---- Handlers ----
  void Command3d1_Click();
  void menufileexit_Click();
  // Shows or hides the trace of channel `index`.
  void Check3d1_Click(int index);
  // Sets the plotter poll's interval from the Logging Interval item `index`.
  void menu_log_int_Click(int index);
  // Start Log: opens the data log named in plot_file and writes its header.
  void Command3d2_Click();
  // Stop Log: closes the data log.
  void Command3d3_Click();
  // Chooses the data log's name in a Save As dialog.
  void plot_file_DblClick();
  // A click on the chart writes the time of day there as a mark.
  void Strip1_Click();
  // Ends logging after a row could not be written, and says why.
  void logging_failed(const std::string& reason);

  // The interval in ms of Logging Interval item `index`; 0 for an unknown item.
  static int log_interval_ms(int index);
  // "DATA PLOTTER ..." with the sample rate and chart window of an interval in ms.
  static std::string caption_for_interval(int interval_ms);

 protected:
  void on_load() override;
  void on_activate() override;
  // Halts a running log before the window leaves.
  void on_form_unload() override;

 private:
  void lay_out();
  void build_menus();
  // Start Log, Stop Log and the file name as logging_active says.
  void show_logging_state();

  // The name the Save As dialog returned (it asked about replacing it); Start Log asks
  // before replacing any other existing file.
  std::string confirmed_file_name_;

  // The captions of the sample count and the file name; design text only.
  ui::CaptionSet captions_{*this, "caption_label"};
};

inline ui::FormInstance<FrmPlotterForm> frm_plotter;

}  // namespace ecu
