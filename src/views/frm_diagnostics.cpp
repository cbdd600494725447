#include "views/frm_diagnostics.hpp"

#include <string>

#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/view_commands.hpp"
#include "ui/format.hpp"
#include "views/diagnostic_plots.hpp"

namespace ecu {

namespace {

constexpr const char* kRateAtActivation = "250";
constexpr const char* kDriverWarning =
    "Testing drivers requires that the engine NOT be running, in addition, make certain that "
    "the driver parameters EI dwell or fuel pulse width are appropriate or ECU/wiring or engine "
    "damage may occur!";

constexpr char kTestInjectorDrivers = 0x01;
constexpr char kTestIgnitionDrivers = 0x02;
constexpr auto kArmWheelCapture = static_cast<char>(0xF7);
constexpr auto kReadWheelPage = static_cast<char>(0xF8);
constexpr int kWheelPages = 8;

// A control on a page of the tab control, with its design caption.
struct Placement {
  ui::Control* control;
  int page;
  float left, top, width, height;
  const char* caption;
};

void place_all(ui::TabControl& tabs, std::initializer_list<Placement> placements) {
  for (const Placement& placed : placements) {
    placed.control->place_in(tabs, placed.page);
    placed.control->move(placed.left, placed.top, placed.width, placed.height);
    if (placed.caption) placed.control->set_caption(placed.caption);
  }
}

}  // namespace

FrmDiagnosticsForm::FrmDiagnosticsForm() : ViewForm("frm_diagnostics", "Diagnostics", 10800, 7800) {
  lay_out();
  build_menus();
  wire_handlers();
}

void FrmDiagnosticsForm::lay_out() {
  Command3d2.move(120, 120, 615, 615);
  set_up_exit_button(Command3d2);

  diags_tab.move(120, 840, 10440, 6120);
  diags_tab.set_tab_caption(kInjectorTab, "Injector Drivers");
  diags_tab.set_tab_caption(kIgnitionTab, "Ignition Drivers");
  diags_tab.set_tab_caption(kWheelTab, "Crank Target Oscillograph");
  diags_tab.set_tab_caption(kDynoTab, "-");

  lay_out_driver_page(kInjectorTab, inj_chan_test, Command1);
  lay_out_driver_page(kIgnitionTab, ign_chan_test, Command2);
  lay_out_wheel_page();
  lay_out_dyno_page();
}

void FrmDiagnosticsForm::lay_out_driver_page(int page, ui::ControlArray<ui::CheckBox>& channels,
                                             ui::CommandButton& test) {
  // Two columns of four channels.
  for (int channel = 0; channel < kChannels; ++channel) {
    ui::CheckBox& box = channels[channel];
    box.place_in(diags_tab, page);
    box.move(600.0F + 2400.0F * static_cast<float>(channel / 4),
             480.0F + 420.0F * static_cast<float>(channel % 4), 1500, 285);
    box.set_caption("Channel " + std::to_string(channel + 1));
  }
  place_all(diags_tab, {
                           {&Command3[page], page, 600, 2400, 5400, 495,
                            "Click this button to enable driver diagnostics!"},
                           {&test, page, 600, 3120, 1200, 375, "Test"},
                       });
  test.set_enabled(false);
}

void FrmDiagnosticsForm::lay_out_wheel_page() {
  place_all(diags_tab, {
                           {&arm_capture, kWheelTab, 240, 240, 1500, 375, "Arm Capture"},
                           {&get_wheel_plot_data, kWheelTab, 240, 720, 1500, 375, "Get Plot"},
                           {&wheel_diag_continuous, kWheelTab, 240, 1200, 1500, 375, "Start"},
                           {&wheel_diag_halt, kWheelTab, 240, 1680, 1500, 375, "Halt"},
                           {&crank_target_rpm, kWheelTab, 240, 2280, 900, 285, "XXXXX"},
                           {&wheel_speed_plot, kWheelTab, 2040, 240, 8160, 5280, nullptr},
                       });
  wheel_diag_halt.set_enabled(false);
  captions_.beside(crank_target_rpm, "", "RPM");
  wheel_speed_plot.set_back_colour(ui::colours::black);
  // The average level, which the plot's middle stands for.
  wheel_average_line.place_in(wheel_speed_plot);
  wheel_average_line.set_points(0, 2640, 8160, 2640);
  wheel_average_line.set_border_colour(ui::colours::light_grey);
}

void FrmDiagnosticsForm::lay_out_dyno_page() {
  place_all(diags_tab, {
                           {&dyno_trig_rpm[0], kDynoTab, 1800, 240, 855, 285, nullptr},
                           {&dyno_trig_rpm[1], kDynoTab, 1800, 600, 855, 285, nullptr},
                           {&dyno_stat, kDynoTab, 1800, 1020, 1500, 285, "?"},
                           {&dyno_samples, kDynoTab, 1800, 1380, 1200, 285, "0"},
                           {&dyno_sample_rate, kDynoTab, 1800, 1740, 855, 285, nullptr},
                           {&dyno_arm, kDynoTab, 240, 2280, 1560, 375, "ARM DynoBox"},
                           {&dyno_cancel, kDynoTab, 1920, 2280, 1200, 375, "Cancel"},
                           {&dyno_plot, kDynoTab, 240, 2760, 1560, 375, "Plot Last"},
                           {&dyno_ref_file, kDynoTab, 1920, 2760, 1440, 375, "Save Ref Plot"},
                           {&dyno_file_name, kDynoTab, 1800, 3360, 1200, 285, nullptr},
                           {&dyno_series, kDynoTab, 1800, 3720, 855, 285, nullptr},
                           {&dyno_save, kDynoTab, 1800, 4140, 1200, 375, "Save"},
                           {&dyno_plot_screen, kDynoTab, 3600, 240, 6600, 5280, nullptr},
                       });
  dyno_trig_rpm[0].set_text("2500");
  dyno_trig_rpm[1].set_text("8000");
  dyno_sample_rate.set_text("100");
  dyno_file_name.set_text("dyno");
  dyno_series.set_text("001");
  dyno_cancel.set_enabled(false);
  dyno_ref_file.set_enabled(false);
  dyno_save.set_enabled(false);
  dyno_plot_screen.set_back_colour(ui::colours::black);
  captions_.beside(dyno_trig_rpm[0], "Trig RPM");
  captions_.beside(dyno_trig_rpm[1], "End RPM");
  captions_.beside(dyno_stat, "Dyno Status");
  captions_.beside(dyno_samples, "Samples");
  captions_.beside(dyno_sample_rate, "Sample rate MS");
  captions_.beside(dyno_file_name, "File Name");
  captions_.beside(dyno_series, "Series");
}

void FrmDiagnosticsForm::build_menus() {
  menufile.set_caption("&File");
  menufileexit.set_caption("e&xit");
  menufileexit.on_click = [this] { menufileexit_Click(); };
  // The update entry does nothing in this window; the spacers only separate the bar.
  menuupdate.set_caption("&Update");
}

void FrmDiagnosticsForm::wire_handlers() {
  Command3d2.on_click = [this] { Command3d2_Click(); };
  for (ui::CommandButton* enable : {&Command3[0], &Command3[1]}) {
    enable->on_click = [this] { Command3_Click(); };
  }
  Command1.on_click = [this] { Command1_Click(); };
  Command2.on_click = [this] { Command2_Click(); };
  arm_capture.on_click = [this] { arm_capture_Click(); };
  get_wheel_plot_data.on_click = [this] { get_wheel_plot_data_Click(); };
  wheel_diag_continuous.on_click = [this] { wheel_diag_continuous_Click(); };
  wheel_diag_halt.on_click = [this] { wheel_diag_halt_Click(); };
  dyno_arm.on_click = [this] { dyno_arm_Click(); };
  dyno_cancel.on_click = [this] { dyno_cancel_Click(); };
  dyno_plot.on_click = [this] { dyno_plot_Click(); };
  dyno_ref_file.on_click = [this] { dyno_ref_file_Click(); };
  dyno_save.on_click = [this] { dyno_save_Click(); };
  dyno_sample_rate.on_change = [this] { dyno_sample_rate_Change(); };
}

void FrmDiagnosticsForm::on_activate() {
  current_view = kDiagnosticsView;
  set_caption("Diagnostics" + caption_suffix);
  // The same text again raises no change, yet the poll rate must be reset at every visit.
  if (dyno_sample_rate.text() == kRateAtActivation) {
    dyno_sample_rate_Change();
  } else {
    dyno_sample_rate.set_text(kRateAtActivation);
  }
}

void FrmDiagnosticsForm::Command3d2_Click() {
  close_command();
}

void FrmDiagnosticsForm::menufileexit_Click() {
  Command3d2_Click();
}

void FrmDiagnosticsForm::on_close_command() {
  wheel_diag_halt_Click();
}

void FrmDiagnosticsForm::on_form_unload() {
  current_view = kNoView;
  if (FrmEcuForm* main_window = FrmEcu.if_loaded()) {
    main_window->Timer1.set_interval(kIntervalAfterClose);
  }
}

bool FrmDiagnosticsForm::on_frame_close() {
  // Closed through its frame: a running crank-wheel loop stops after its pass (the window
  // stays alive until the loop has returned).
  wheel_diag_halt_Click();
  return true;
}

void FrmDiagnosticsForm::Command3_Click() {
  ui::msg_box(kDriverWarning);
  Command1.set_enabled(true);
  Command2.set_enabled(true);
  Command3[0].set_enabled(false);
  Command3[1].set_enabled(false);
}

void FrmDiagnosticsForm::send_driver_test(char code, ui::ControlArray<ui::CheckBox>& channels) {
  int mask = 0;
  for (int channel = 0; channel < kChannels; ++channel) {
    if (channels[channel].value() == ui::CheckBox::checked) mask |= 1 << channel;
  }
  send_command(
      std::string{code, static_cast<char>(mask & 0xFF), static_cast<char>(mask >> 8), '\0'});
}

void FrmDiagnosticsForm::Command1_Click() {
  send_driver_test(kTestInjectorDrivers, inj_chan_test);
}

void FrmDiagnosticsForm::Command2_Click() {
  send_driver_test(kTestIgnitionDrivers, ign_chan_test);
}

void FrmDiagnosticsForm::arm_capture_Click() {
  send_command(std::string(1, kArmWheelCapture));
}

void FrmDiagnosticsForm::get_wheel_plot_data_Click() {
  // The engine speed first, so the figure beside the plot is current.
  send_command("A");
  for (int page = 0; page < kWheelPages; ++page) {
    send_command(std::string{kReadWheelPage, static_cast<char>(page)});
  }
  crank_target_rpm.set_caption(ui::format_single(engine_rpm_raw, "####0"));
  draw_wheel_plot(wheel_speed_plot, wheel_diag_samples);
}

void FrmDiagnosticsForm::wheel_diag_continuous_Click() {
  wheel_diag_continuous.set_enabled(false);
  wheel_diag_halt.set_enabled(true);
  // Halt, leaving the window and the end of the program all stop the loop after its pass.
  do {
    arm_capture_Click();
    ui::do_events();
    get_wheel_plot_data_Click();
    // Without a controller (demo mode) the requests return at once: the pass sleeps a little
    // when nothing else is pending, so the loop does not take a whole core.
    ui::event_loop().wait_pass(ui::UserInput::allow);
  } while (wheel_diag_halt.enabled() && !ui::program_ending());
  wheel_diag_continuous.set_enabled(true);
}

void FrmDiagnosticsForm::wheel_diag_halt_Click() {
  wheel_diag_halt.set_enabled(false);
}

}  // namespace ecu
