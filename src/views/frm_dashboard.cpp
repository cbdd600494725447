#include "views/frm_dashboard.hpp"

#include <string>

#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/view_commands.hpp"

namespace ecu {

namespace {

// The demo engine's tachometer runs to 8000 rpm.
constexpr Single kDemoFullScale = 8000.0F;
// write_kill_timing: 0xA5 fixes the timing, 0x00 releases it.
constexpr char kWriteKillTiming = static_cast<char>(0xA9);
constexpr char kKillTimingOn = static_cast<char>(0xA5);

void send(const std::string& command, Integer reply_length) {
  Integer length = reply_length;
  send_request(command, length);
}

}  // namespace

FrmDashboardForm::FrmDashboardForm() : ui::Form("frm_dashboard", "Dashboard", 12000, 8400) {
  Picture1.move(9240, 5880, 2520, 1680);
  lay_out();
  build_menus();
  Command1.on_click = [this] { Command1_Click(); };
  ecu_pgm.on(&ui::TextBox::on_change,
             [this](int index) { ecu_pgm[index].set_back_colour(ui::colours::yellow); });
  base_offset_deg.on_change = [this] { base_offset_deg.set_back_colour(ui::colours::yellow); };
  kill_ego.on_click = [this] { kill_ego_Click(); };
  kill_timing.on_click = [this] { kill_timing_Click(); };
}

void FrmDashboardForm::lay_out() {
  Command1.move(120, 120, 615, 615);
  Command1.set_tool_tip("Click to exit back to the console");
  Command2.move(120, 780, 615, 615);
  Command2.set_tool_tip("Click to update modified entries");

  show_demo_mode.move(3600, 120, 4800, 555);
  show_demo_mode.set_caption("DEMO MODE!");
  show_demo_mode.set_fore_colour(ui::colours::light_red);
  show_demo_mode.set_visible(false);

  lay_out_gauges();

  // The lamp row under the gauges: lean (yellow) to the left, rich (red) to the right.
  for (int lamp = 0; lamp < kMixtureLamps; ++lamp) {
    ui::Shape& led = afr_led[lamp];
    led.move(1200.0F + 360.0F * static_cast<float>(lamp), 5520, 240, 240);
    led.set_shape(ui::Shape::Kind::circle);
    led.set_fill_style(1);
    const ui::Colour colour = lamp < 6
                                  ? ui::colours::yellow
                                  : (lamp < 11 ? ui::colours::light_green : ui::colours::light_red);
    led.set_fill_colour(colour);
  }
  ui::Label& bar_caption = captions_.add("A/F Ratio", 3600, 5220, 1200, 255);
  bar_caption.set_alignment(ui::Label::Align::centre);
  control_ego_gain.move(9000, 5520, 975, 285);
  control_ego_gain.set_caption("0.00");
  captions_.beside(control_ego_gain, "EGO Correction");

  ecu_pgm[0].move(2880, 6120, 1095, 285);
  ecu_pgm[1].move(2880, 6540, 1095, 285);
  for (int i = 0; i < ecu_pgm.count(); ++i) {
    ecu_pgm[i].set_tool_tip(
        "The higher this number, the more fuel that will be injected under given conditions");
  }
  base_offset_deg.move(2880, 6960, 1095, 285);
  base_offset_deg.set_tool_tip(
      "This adjusts phases to have a fixed offset relative to the Base timing");
  captions_.beside(ecu_pgm[0], "High Range (Main) Adj.", "MS");
  captions_.beside(ecu_pgm[1], "Low Range [Idle] Adj.", "MS");
  captions_.beside(base_offset_deg, "Timing Offset", "\xB0");
  kill_ego.move(4800, 6120, 3600, 285);
  kill_ego.set_caption("Disable EGO Feedback");
  kill_timing.move(4800, 6540, 3600, 285);
  kill_timing.set_caption("Set Timing to 0\xB0 for verification");
}

void FrmDashboardForm::lay_out_gauges() {
  struct Dial {
    ui::Gauge* gauge;
    float left;
    float top;
    float size;
    float maximum;
    float step;
    const char* caption;
  };
  // The tachometer in the middle, the other dials around it; scales in display units
  // (the tachometer in thousands of rpm).
  const Dial dials[] = {
      {&tachometer, 3480, 840, 3600, 10, 1, "x 1000"},
      {&manifold_pressure, 840, 840, 2400, 120, 12, "Manifold"},
      {&water_temp, 840, 3360, 1920, 125, 25, "H2O Temp"},
      {&air_temp, 7320, 3360, 1920, 125, 25, "Air Temp"},
      {&bat_volts, 9720, 3000, 1920, 20, 2, "Battery"},
      {&Timing, 7320, 840, 2400, 60, 10, "Timing"},
  };
  for (const Dial& dial : dials) {
    dial.gauge->move(dial.left, dial.top, dial.size, dial.size);
    dial.gauge->set_maximum(dial.maximum);
    dial.gauge->set_step(dial.step);
    dial.gauge->set_caption(dial.caption);
  }
  for (int output = 0; output < kOutputs; ++output) {
    GPO_duty[output].move(9840, 840, 1920, 1920);
    GPO_duty[output].set_caption("GPO" + std::to_string(output + 1));
    GPO_duty[output].set_maximum(100);
    GPO_duty[output].set_step(10);
    GPO_duty[output].set_visible(output == 0);
  }
}

void FrmDashboardForm::build_menus() {
  menu_file.set_caption("&File");
  menu_file_exit.set_caption("e&xit");
  menu_file_exit.on_click = [this] { menu_file_exit_Click(); };
  menu_Update.set_caption("&Update");
  const auto close = [this] { Command1_Click(); };
  wire_view_menu(menu_mon, "&Monitor", view_request_mon, close);
  wire_view_menu(menu_tools, "&Config.", view_request_tools, close);
  wire_view_menu(menu_3d, "&Basic Map", view_request_3d, close);
  wire_view_menu(menu_2d, "&Additional Map", view_request_2d, close);
  wire_view_menu(menu_sup, "&GPO Drv.", view_request_sup, close);
  wire_view_menu(menu_plot, "&Plotter", view_request_plot, close);
  wire_view_menu(menu_diag, "D&iagnostics", view_request_diag, close);
}

void FrmDashboardForm::on_activate() {
  set_caption("Dashboard" + caption_suffix);
  if (demo_mode != kFalse) rpm_full_scale = kDemoFullScale;
}

void FrmDashboardForm::Command1_Click() {
  Form_Unload();
}

void FrmDashboardForm::menu_file_exit_Click() {
  Form_Unload();
}

void FrmDashboardForm::Form_Unload() {
  close_view(*this);
}

void FrmDashboardForm::on_unload() {
  Form_Unload();
}

void FrmDashboardForm::kill_ego_Click() {
  // A grey box is neither state and sends nothing.
  if (kill_ego.value() == ui::CheckBox::checked) send("D", 3);
  if (kill_ego.value() == ui::CheckBox::unchecked) send("d", 3);
}

void FrmDashboardForm::kill_timing_Click() {
  std::string command{kWriteKillTiming};
  if (kill_timing.value() == ui::CheckBox::checked) {
    command += std::string{kKillTimingOn, '\0', '\0'};
  } else if (kill_timing.value() == ui::CheckBox::unchecked) {
    command += std::string(3, '\0');
  } else {
    return;
  }
  send(command, 4);
}

}  // namespace ecu
