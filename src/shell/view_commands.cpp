#include "shell/view_commands.hpp"

#include "config/frm_tool.hpp"
#include "link/comm_link.hpp"
#include "link/request.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_about.hpp"
#include "shell/frm_ecu.hpp"
#include "views/frm_dashboard.hpp"
#include "views/frm_diagnostics.hpp"
#include "views/frm_mon.hpp"
#include "views/frm_plotter.hpp"
#include "views/monitor_display.hpp"

namespace ecu {

namespace {

// The status reply brings the controller's full-scale rpm and pressure sensor type, which
// the plotter, basic mapping and output driver windows scale their axes with.
void request_base_config() {
  send_command("C", 21);
}

// Text no formatted value can equal, so the next refresh rewrites the label.
constexpr const char* kForceRewrite = "xxox";

}  // namespace

void Menu_View_Monitor() {
  open_comm_link();
  current_view = 1;
  poll_inhibit = kFalse;
  FrmEcu().hide();
  frm_mon().show();
  // Every label is forced: a monitor closed through its close box comes back with empty
  // labels, and baro or idle values that do not move would otherwise never be drawn.
  monitor_shown_text.fill(kForceRewrite);
}

void menu_view_dashboard() {
  current_view = 6;
  open_comm_link();
  poll_inhibit = kFalse;
  FrmEcu().hide();
  frm_dashboard().show();
}

void Menu_View_Injection() {
  open_comm_link();
  current_view = 2;
  poll_inhibit = kFalse;
  // The editor windows read the controller while they activate; the main window goes only
  // once that has returned, and only if the window was not closed during its load.
  frm_tool().show();
  if (const FrmToolForm* tool = frm_tool.if_loaded(); tool != nullptr && tool->visible()) {
    FrmEcu().hide();
  }
}

void menu_View_Mapping() {
  open_comm_link();
  request_base_config();
  current_view = 3;
  poll_inhibit = kFalse;
  frm_3d().show();
  // A window closed during its own fetch has already brought the main window back.
  if (const Frm3dForm* view = frm_3d.if_loaded(); view != nullptr && view->visible()) {
    FrmEcu().hide();
  }
}

void menu_view_temperature() {
  open_comm_link();
  current_view = 5;
  poll_inhibit = kFalse;
  frm_2d().show();
  FrmEcu().hide();
}

void menu_View_supp() {
  open_comm_link();
  request_base_config();
  current_view = 7;
  poll_inhibit = kFalse;
  frm_sup().show();
  FrmEcu().hide();
}

void menu_View_Plotter() {
  open_comm_link();
  request_base_config();
  current_view = 4;
  poll_inhibit = kFalse;
  FrmEcu().hide();
  frm_plotter().show();
}

void menu_view_diagnostic() {
  open_comm_link();
  current_view = 8;
  // poll_inhibit is left as it is: the diagnostics window paces its own traffic.
  frm_diagnostics().show();
  FrmEcu().hide();
}

void menu_about() {
  open_comm_link();
  poll_inhibit = kFalse;
  frm_about().show();
}

void lay_out_demo_label(ui::Label& label, float left, float top, float width, float height) {
  label.move(left, top, width, height);
  label.set_caption("DEMO MODE!");
  label.set_fore_colour(ui::colours::light_red);
  label.set_visible(false);
}

void set_up_exit_button(ui::CommandButton& button) {
  button.set_tool_tip("Click to exit back to the console");
  button.set_picture("go-home");
}

void set_up_update_button(ui::CommandButton& button) {
  button.set_tool_tip("Click to update modified entries");
  button.set_picture("document-send");
}

void close_view(ui::Form& view) {
  current_view = 0;
  view.hide();
  // Views unloaded while the program ends must not bring a main window back to life.
  if (ui::program_ending()) return;
  FrmEcu().show();
}

void wire_view_menu(ui::MenuItem& item, std::string caption, Flag& request,
                    std::function<void()> close_command) {
  item.set_caption(std::move(caption));
  item.on_click = [&request, close = std::move(close_command)] {
    request = kTrue;
    if (close) close();
  };
}

}  // namespace ecu
