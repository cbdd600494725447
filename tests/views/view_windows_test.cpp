#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/receive_framer.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "sim/simulated_controller.hpp"
#include "support/control_shape.hpp"
#include "support/main_window_fixture.hpp"
#include "support/watched_ports.hpp"
#include "views/frm_dashboard.hpp"
#include "views/frm_diagnostics.hpp"
#include "views/frm_mon.hpp"
#include "views/frm_plotter.hpp"

namespace ecu {
namespace {

class ViewWindowsTest : public test::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    main_ = &start_demo();
  }
  FrmEcuForm& main_window() { return *main_; }

 private:
  FrmEcuForm* main_ = nullptr;
};

TEST_F(ViewWindowsTest, TheDynoSampleRateSetsTheMainPollInterval) {
  struct Case {
    const char* text;
    int interval;
  };
  const Case cases[] = {{"250", 250}, {"100", 100}, {"20.6", 21},  {"0", 1},
                        {"", 1},      {"-5", 1},    {"75 ms", 75}, {"99999", 75}};
  FrmDiagnosticsForm& diagnostics = frm_diagnostics();
  for (const Case& c : cases) {
    diagnostics.dyno_sample_rate.set_text(c.text);
    EXPECT_EQ(main_window().Timer1.interval(), c.interval) << '"' << c.text << '"';
  }
}

TEST_F(ViewWindowsTest, DiagnosticsPollsAtTwoHundredFiftyWhileOpenAndTenAfter) {
  main_window().menu_view_diagnostic.click();
  EXPECT_EQ(main_window().Timer1.interval(), 250);
  frm_diagnostics().Command3d2.click();
  EXPECT_EQ(main_window().Timer1.interval(), 10);
  EXPECT_EQ(current_view, 0);
  // The field still reads 250: the next visit must set the rate again all the same.
  main_window().menu_view_diagnostic.click();
  EXPECT_EQ(main_window().Timer1.interval(), 250);
  EXPECT_EQ(frm_diagnostics().caption(), "Diagnostics");
}

TEST_F(ViewWindowsTest, TheLoggingIntervalMenuSetsThePlotterPollAndTheCaption) {
  struct Case {
    int item;
    int interval;
    const char* caption;
  };
  const Case cases[] = {
      {0, 100, "DATA PLOTTER     10 Sample/Second,  1 minute window"},
      {1, 250, "DATA PLOTTER     4 Sample/Second,  2.5 minute window"},
      {3, 1000, "DATA PLOTTER     1 Sample/Second,  10 minute window"},
      {6, 10000, "DATA PLOTTER     .1 Sample/Second,  100 minute window"},
      {7, 1, "DATA PLOTTER  Fast as Comm will allow"},
  };
  FrmPlotterForm& plotter = frm_plotter();
  for (const Case& c : cases) {
    plotter.menu_log_int[c.item].click();
    EXPECT_EQ(main_window().Timer3.interval(), c.interval);
    EXPECT_TRUE(main_window().Timer3.enabled());
    EXPECT_EQ(plotter.caption(), c.caption);
    for (int item = 0; item < FrmPlotterForm::kIntervals; ++item) {
      EXPECT_EQ(plotter.menu_log_int[item].checked(), item == c.item);
    }
  }
  // The fastest rate, seen again when the window activates.
  EXPECT_EQ(FrmPlotterForm::caption_for_interval(1),
            "DATA PLOTTER     1000 Sample/Second,  .01 minute window");
}

TEST_F(ViewWindowsTest, DashboardSettingsTurnYellowWhenWrittenAndDemoSetsItsFullScale) {
  FrmDashboardForm& dashboard = frm_dashboard();
  for (ui::TextBox* field :
       {&dashboard.ecu_pgm[0], &dashboard.ecu_pgm[1], &dashboard.base_offset_deg}) {
    field->set_back_colour(ui::colours::white);
    field->set_text("1.5");
    EXPECT_EQ(field->back_colour(), ui::colours::yellow) << field->name();
  }
  rpm_full_scale = 10000.0F;
  main_window().menu_view_dashboard.click();
  EXPECT_EQ(rpm_full_scale, 8000.0F);
  EXPECT_EQ(dashboard.caption(), "Dashboard");
}

using test::ControlShape;
using test::expect_control_shape;

TEST_F(ViewWindowsTest, EveryViewHasTheControlsTheShellAndDecodersWriteAndRead) {
  using K = ui::ControlKind;
  struct View {
    ui::Form* form;
    std::vector<ControlShape> shapes;
  };
  std::vector<ControlShape> monitor = {
      {"show_demo_mode", K::label, 0},
      {"group_delay", K::label, 0},
      {"ECU_Data", K::label, 20},
      {"Command3d1", K::command_button, 0},
  };
  for (const char* label :
       {"can_rx_frames", "aux_stat", "map_sel_stat", "trig_b_stat", "rev_limit_stat",
        "flat_shift_stat", "EGT", "map_num", "num_trigs", "num_cams", "wheel_idx_num",
        "cam_idx_num", "cpu_secs", "err_flgs", "speed_MPH", "rpm_mph_ratio", "gear_number"}) {
    monitor.push_back({label, K::label, 0});
  }
  for (const char* channel_row : {"inj_pw", "inj_duty", "ign_duty", "ign_dwell"}) {
    monitor.push_back({channel_row, K::label, 8});
  }
  std::vector<ControlShape> dashboard = {
      {"Picture1", K::picture_box, 0}, {"Command2", K::command_button, 0},
      {"show_demo_mode", K::label, 0}, {"control_ego_gain", K::label, 0},
      {"afr_led", K::shape, 17},       {"GPO_duty", K::gauge, 4},
      {"ecu_pgm", K::text_box, 2},     {"base_offset_deg", K::text_box, 0},
      {"kill_ego", K::check_box, 0},   {"kill_timing", K::check_box, 0},
  };
  for (const char* gauge :
       {"tachometer", "manifold_pressure", "bat_volts", "water_temp", "air_temp", "Timing"}) {
    dashboard.push_back({gauge, K::gauge, 0});
  }
  const View views[] = {
      {&frm_mon(), monitor},
      {&frm_dashboard(), dashboard},
      {&frm_plotter(), {{"show_demo_mode", K::label, 0}}},
      {&frm_diagnostics(),
       {{"diags_tab", K::tab_control, 0},
        {"dyno_stat", K::label, 0},
        {"dyno_samples", K::label, 0}}},
  };
  for (const View& view : views) {
    for (const ControlShape& shape : view.shapes) expect_control_shape(*view.form, shape);
  }
  EXPECT_GE(frm_diagnostics().diags_tab.tab_count(), 4);
}

TEST_F(ViewWindowsTest, TheMonitorChannelRowsAreDesignedBlueOnWhite) {
  FrmMonForm& monitor = frm_mon();
  for (ui::ControlArray<ui::Label>* row :
       {&monitor.inj_pw, &monitor.inj_duty, &monitor.ign_duty, &monitor.ign_dwell}) {
    for (int channel = 0; channel < FrmMonForm::kChannels; ++channel) {
      EXPECT_EQ((*row)[channel].fore_colour(), 0xFF0000) << (*row)[channel].name() << channel;
      EXPECT_EQ((*row)[channel].back_colour(), ui::colours::white)
          << (*row)[channel].name() << channel;
    }
  }
}

class DashboardWireTest : public test::MainWindowTest {};

TEST_F(DashboardWireTest, TheTimingSwitchSendsItsKeyWhenTickedAndZeroWhenCleared) {
  test::use_system_serial_port();
  reset_receive_framer();
  {
    sim::SimulatedController controller(1);
    controller.set_reply_payload(0xA9, std::string(1, '\0'));
    start_console("");
    open_comm_link();
    ASSERT_EQ(link_ready, kTrue);
    frm_dashboard().kill_timing.click();
    frm_dashboard().kill_timing.click();
    const std::vector<std::string> frames = controller.request_frames();
    ASSERT_EQ(frames.size(), 2U);
    EXPECT_EQ(frames[0].substr(2, 4), std::string("\xA9\xA5\x00\x00", 4));
    EXPECT_EQ(frames[1].substr(2, 4), std::string("\xA9\x00\x00\x00", 4));
    test::use_system_serial_port();
  }
}

}  // namespace
}  // namespace ecu
