#pragma once
// The diagnostics window (view 8): driver tests, crank-wheel capture and dyno capture on the
// pages of `diags_tab`. The main poll sends its live-data request only while the dyno page
// (tab 3) is shown, at the rate the page's sample-rate field gives the main poll timer.

#include "ui/caption_set.hpp"
#include "ui/ui.hpp"

namespace ecu {

class FrmDiagnosticsForm : public ui::Form {
 public:
  FrmDiagnosticsForm();

  static constexpr int kDynoTab = 3;
  // The main poll interval the window leaves behind when it closes.
  static constexpr int kIntervalAfterClose = 10;

  // ---- Controls ----
  ui::CommandButton Command3d2{*this, "Command3d2"};
  ui::TabControl diags_tab{*this, "diags_tab", 4};
  // Dyno page.
  ui::Label dyno_stat{*this, "dyno_stat"};
  ui::Label dyno_samples{*this, "dyno_samples"};
  ui::TextBox dyno_sample_rate{*this, "dyno_sample_rate"};

  // ---- Menus ----
  ui::MenuItem menufile{*this, "menufile", nullptr};
  ui::MenuItem menufileexit{*this, "menufileexit", &menufile};
  ui::MenuItem menuupdate{*this, "menuupdate", nullptr};
  ui::MenuItem spacer1{*this, "spacer1", nullptr};
  ui::MenuItem spacer2{*this, "spacer2", nullptr};
  ui::MenuItem menu_mon{*this, "menu_mon", nullptr};
  ui::MenuItem menu_dash{*this, "menu_dash", nullptr};
  ui::MenuItem menu_tools{*this, "menu_tools", nullptr};
  ui::MenuItem menu_3d{*this, "menu_3d", nullptr};
  ui::MenuItem menu_2d{*this, "menu_2d", nullptr};
  ui::MenuItem menu_sup{*this, "menu_sup", nullptr};
  ui::MenuItem menu_plot{*this, "menu_plot", nullptr};

  // ---- Handlers ----
  void Command3d2_Click();
  void menufileexit_Click();
  // The unload steps: no view, the main poll at 10 ms, hide, main window back.
  void Form_Unload();
  // Sets the main poll interval from the field: its number of ms, 1 ms for 0 or less.
  void dyno_sample_rate_Change();

 protected:
  void on_activate() override;
  void on_unload() override;

 private:
  void lay_out();
  void build_menus();

  // The captions beside the dyno fields; design text only.
  ui::CaptionSet captions_{*this, "caption_label"};
};

inline ui::FormInstance<FrmDiagnosticsForm> frm_diagnostics;

}  // namespace ecu
