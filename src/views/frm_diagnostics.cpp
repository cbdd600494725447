#include "views/frm_diagnostics.hpp"

#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/view_commands.hpp"
#include "ui/number_parse.hpp"
#include "ui/rounding.hpp"

namespace ecu {

namespace {

constexpr const char* kRateAtActivation = "250";

}  // namespace

FrmDiagnosticsForm::FrmDiagnosticsForm() : ui::Form("frm_diagnostics", "Diagnostics", 10800, 7800) {
  lay_out();
  build_menus();
  Command3d2.on_click = [this] { Command3d2_Click(); };
  dyno_sample_rate.on_change = [this] { dyno_sample_rate_Change(); };
}

void FrmDiagnosticsForm::lay_out() {
  Command3d2.move(120, 120, 615, 615);
  Command3d2.set_tool_tip("Click to exit back to the console");

  diags_tab.move(120, 840, 10440, 6120);
  diags_tab.set_tab_caption(0, "Injector Drivers");
  diags_tab.set_tab_caption(1, "Ignition Drivers");
  diags_tab.set_tab_caption(2, "Crank Target Oscillograph");
  diags_tab.set_tab_caption(kDynoTab, "-");

  dyno_stat.place_in(diags_tab, kDynoTab);
  dyno_stat.move(1800, 600, 1500, 285);
  dyno_stat.set_caption("?");
  dyno_samples.place_in(diags_tab, kDynoTab);
  dyno_samples.move(1800, 960, 1200, 285);
  dyno_samples.set_caption("0");
  dyno_sample_rate.place_in(diags_tab, kDynoTab);
  dyno_sample_rate.move(1800, 1380, 855, 285);
  dyno_sample_rate.set_text("100");
  captions_.beside(dyno_stat, "Dyno Status");
  captions_.beside(dyno_samples, "Samples");
  captions_.beside(dyno_sample_rate, "Sample rate MS");
}

void FrmDiagnosticsForm::build_menus() {
  menufile.set_caption("&File");
  menufileexit.set_caption("e&xit");
  menufileexit.on_click = [this] { menufileexit_Click(); };
  // The update entry does nothing in this window; the spacers only separate the bar.
  menuupdate.set_caption("&Update");
  const auto close = [this] { Command3d2_Click(); };
  wire_view_menu(menu_mon, "&Monitor", view_request_mon, close);
  wire_view_menu(menu_dash, "&Dashboard", view_request_dash, close);
  wire_view_menu(menu_tools, "&Config", view_request_tools, close);
  wire_view_menu(menu_3d, "&Basic Map", view_request_3d, close);
  wire_view_menu(menu_2d, "&Additional Map", view_request_2d, close);
  wire_view_menu(menu_sup, "&GPO Drv.", view_request_sup, close);
  wire_view_menu(menu_plot, "&Plotter", view_request_plot, close);
}

void FrmDiagnosticsForm::on_activate() {
  current_view = 8;
  set_caption("Diagnostics" + caption_suffix);
  // The same text again raises no change, yet the poll rate must be reset at every visit.
  if (dyno_sample_rate.text() == kRateAtActivation) {
    dyno_sample_rate_Change();
  } else {
    dyno_sample_rate.set_text(kRateAtActivation);
  }
}

void FrmDiagnosticsForm::Command3d2_Click() {
  Form_Unload();
}

void FrmDiagnosticsForm::menufileexit_Click() {
  Command3d2_Click();
}

void FrmDiagnosticsForm::Form_Unload() {
  current_view = 0;
  if (FrmEcuForm* main_window = FrmEcu.if_loaded()) {
    main_window->Timer1.set_interval(kIntervalAfterClose);
  }
  close_view(*this);
}

void FrmDiagnosticsForm::on_unload() {
  Form_Unload();
}

void FrmDiagnosticsForm::dyno_sample_rate_Change() {
  const std::optional<std::int16_t> rate =
      ui::round_to_int16(ui::leading_number(dyno_sample_rate.text()));
  // A number too large for the field's range leaves the poll rate as it was.
  if (!rate) return;
  // 0, and a negative number that would stop the poll altogether, run it as fast as it goes.
  const int interval = *rate > 0 ? *rate : 1;
  FrmEcu().Timer1.set_interval(interval);
}

}  // namespace ecu
