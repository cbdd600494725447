// The dashboard against the simulated controller: its one-time set-up, the gauges and lamps
// following the live values, and the write-back of its three settings.

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <tuple>

#include "model/shared_state.hpp"
#include "shell/frm_dialog.hpp"
#include "support/linked_window_test.hpp"
#include "views/frm_dashboard.hpp"

namespace ecu {
namespace {

// Maximum, step and the two zone marks, as the scale shows them.
std::string scale_of(const ui::Gauge& gauge) {
  std::ostringstream text;
  text << gauge.maximum() << "/" << gauge.step() << "/" << gauge.zone_mark_1() << "/"
       << gauge.zone_mark_2();
  return text.str();
}

using DashboardTest = test::LinkedWindowTest;

TEST_F(DashboardTest, FirstActivationReadsTheSettingsAndScalesTheGaugesOnce) {
  const std::tuple<std::uint16_t, std::uint8_t, const char*, const char*> cases[] = {
      {8000, 0xC2, "8/1/7.2/6.48", "650/65/410/110"},
      {12000, 0x00, "16/2/10.8/9.72", "120/12/110/0"}};
  FrmEcuForm& main_window = connect();
  main_window.menuUnitsLambda[1].click();  // gasoline, 14.7
  for (const auto& [full_scale, map_type, tachometer, manifold] : cases) {
    controller().set_base_config({.fs_rpm = full_scale, .map_type = map_type});
    const std::size_t before = controller().request_count();
    main_window.menu_view_dashboard.click();
    EXPECT_EQ(commands_since(before),
              (std::vector<std::string>{std::string("\xA3") + "000", "C000", "B000"}));
    FrmDashboardForm& dashboard = frm_dashboard();
    EXPECT_EQ(current_view, 6);
    EXPECT_EQ(dashboard.ecu_pgm[0].text() + " " + dashboard.base_offset_deg.text(), "1.000 2.00");
    EXPECT_EQ(dashboard.base_offset_deg.back_colour(), ui::colours::white);
    EXPECT_EQ(scale_of(dashboard.tachometer), tachometer);
    EXPECT_EQ(scale_of(dashboard.manifold_pressure), manifold);
    EXPECT_EQ(dashboard.bat_volts.caption(), "Battery\r\nVolts");
    EXPECT_EQ(dashboard.manifold_pressure.caption(), "Manifold");
    EXPECT_EQ(dashboard.lambda_label[0].caption() + " " + dashboard.lambda_label[8].caption() +
                  " " + dashboard.lambda_val.caption(),
              "20.6 8.8 =14.7");
    // Back through the exit button: the second activation sends nothing.
    dashboard.Command1.click();
    const std::size_t reopened = controller().request_count();
    main_window.menu_view_dashboard.click();
    EXPECT_EQ(controller().request_count(), reopened);
    dashboard.request_close();
  }
}

// The gauges' own values are pinned by the decoders' and the live cursors' tests.
TEST_F(DashboardTest, TachometerAndMixtureLampsFollowTheLiveValues) {
  // Lambda 0.75 lights lamp 15, lambda 1.0 lamp 8.
  controller().play_reply_sequence('A',
                                   {sim::live_data_payload({.lambda_or_o2 = 96, .rpm = 4500}),
                                    sim::live_data_payload({.lambda_or_o2 = 128, .rpm = 6000})});
  connect().menu_view_dashboard.click();
  FrmDashboardForm& dashboard = frm_dashboard();

  // The first tick's speed goes through the start-up filter (0.8); then no filter.
  main_poll_tick();
  EXPECT_FLOAT_EQ(dashboard.tachometer.value(), 3.6F);
  for (int lamp = 0; lamp < FrmDashboardForm::kMixtureLamps; ++lamp) {
    EXPECT_EQ(dashboard.afr_led[lamp].fill_style(), lamp == 15 ? 0 : 1) << lamp;
  }

  dashboard.menu_opts_tach_filt_num[2].click();
  main_poll_tick();
  EXPECT_FLOAT_EQ(dashboard.tachometer.value(), 6.0F);
  EXPECT_EQ(dashboard.afr_led[8].fill_style(), 0);
  EXPECT_EQ(dashboard.afr_led[15].fill_style(), 1);
}

TEST_F(DashboardTest, UpdateWritesTheYellowSettingsScaledAndRefusesWhatCannotBeSent) {
  connect().menu_view_dashboard.click();
  FrmDashboardForm& dashboard = frm_dashboard();
  dashboard.ecu_pgm[0].set_text("10.2");
  dashboard.ecu_pgm[1].set_text("0");
  dashboard.base_offset_deg.set_text("50");
  std::size_t before = controller().request_count();
  dashboard.Command2.click();
  EXPECT_EQ(commands_since(before), (std::vector<std::string>{std::string("m\xE7\x18\x00", 4),
                                                              std::string("o\x00\x40\x00", 4),
                                                              std::string("\xA4\xFF\x00\x00", 4)}));
  EXPECT_EQ(dashboard.base_offset_deg.text(), "47.75");
  EXPECT_EQ(dashboard.ecu_pgm[0].back_colour(), ui::colours::white);

  const std::tuple<int, const char*, const char*> refusals[] = {
      {0, "104.9", "The value for the Fuel Scaler is too high, it will not be updated"},
      {0, "-1", "The value for the Fuel Scaler is negative, it will not be updated"},
      {1, "52.5", "The value for the Fuel Offset is too high, it will not be updated"},
      {1, "-26.3", "The value for the Fuel Offset is too negative, it will not be updated"},
  };
  for (const auto& [index, text, message] : refusals) {
    ui::TextBox& field = dashboard.ecu_pgm[index];
    field.set_text(text);
    before = controller().request_count();
    dashboard.menu_Update.click();
    EXPECT_TRUE(commands_since(before).empty()) << text;
    EXPECT_EQ(presenter().shown_messages.back().text, message);
    EXPECT_EQ(field.back_colour(), ui::colours::yellow);
    field.set_back_colour(ui::colours::white);
  }
}

// A field typed into while the Update runs was not asked for: it waits, marked, for the next.
TEST_F(DashboardTest, AFieldTypedIntoDuringTheUpdateWaitsForTheNextOne) {
  connect().menu_view_dashboard.click();
  FrmDashboardForm& dashboard = frm_dashboard();
  dashboard.ecu_pgm[0].set_text("10.2");
  dashboard.ecu_pgm[1].set_text("0");
  const std::function<void()> mark = dashboard.ecu_pgm[0].on_change;
  dashboard.ecu_pgm[0].on_change = [&dashboard, mark] {  // the scaler's echo
    mark();
    dashboard.ecu_pgm[0].on_change = mark;
    ui::event_loop().post_user_input([&dashboard] { dashboard.base_offset_deg.set_text("-8"); });
  };
  std::size_t before = controller().request_count();
  dashboard.Command2.click();
  EXPECT_EQ(commands_since(before), (std::vector<std::string>{std::string("m\xE7\x18\x00", 4),
                                                              std::string("o\x00\x40\x00", 4)}));
  EXPECT_EQ(dashboard.base_offset_deg.back_colour(), ui::colours::yellow);
  before = controller().request_count();
  dashboard.Command2.click();  // (-8 + 16) x 4
  EXPECT_EQ(commands_since(before), std::vector<std::string>{std::string("\xA4\x20\x00\x00", 4)});
}

// Closed through its frame while the Update runs, the window leaves at once; every write
// still goes, its echo shown in this window, which is unloaded once the Update has ended.
TEST_F(DashboardTest, AFrameCloseDuringTheUpdateUnloadsTheWindowOnceTheUpdateHasEnded) {
  connect().menu_view_dashboard.click();
  FrmDashboardForm& dashboard = frm_dashboard();
  dashboard.ecu_pgm[1].set_text("1");
  bool left_at_once = false;
  ui::event_loop().post_user_input([&] {
    dashboard.request_close();
    left_at_once = frm_dashboard.loaded() && !dashboard.visible();
  });
  const std::size_t before = controller().request_count();
  dashboard.Command2.click();  // 1 ms + 16384 ticks is 17009
  EXPECT_EQ(commands_since(before), std::vector<std::string>{std::string("o\x71\x42\x00", 4)});
  EXPECT_TRUE(left_at_once);
  EXPECT_FALSE(frm_dashboard.loaded()) << "no echo brought a window of its own";
  EXPECT_EQ(current_view, 0);
}

// Answers the failure dialog with "Try Again" once it shows.
void press_try_again_when_shown() {
  ui::event_loop().post_user_input([] {
    if (!frm_Dialog.loaded() || !frm_Dialog().visible()) return press_try_again_when_shown();
    frm_Dialog().dialog_button[0].click();
  });
}

// Nothing goes to the controller that was neither read from it nor typed: an Update asked
// for while the opening reads run sends nothing (not even a setting read and typed over
// already), and a setting whose read never came is not sent until the user types it.
TEST_F(DashboardTest, AnUpdateSendsNoSettingThatWasNeitherReadNorTyped) {
  FrmEcuForm& main_window = connect();
  FrmDashboardForm& dashboard = frm_dashboard();
  // Once the timing offset is read, while the fuel settings are still to come, the user
  // types a new offset and asks for an Update.
  const std::function<void()> mark = dashboard.base_offset_deg.on_change;
  dashboard.base_offset_deg.on_change = [&dashboard, mark] {
    mark();
    dashboard.base_offset_deg.on_change = mark;
    ui::event_loop().post_user_input([&dashboard] {
      dashboard.base_offset_deg.set_text("-8");
      dashboard.Command2.click();
    });
  };
  const std::vector<std::string> reads = {std::string("\xA3") + "000", "C000", "B000"};
  const std::size_t before_opening = controller().request_count();
  main_window.menu_view_dashboard.click();
  EXPECT_EQ(commands_since(before_opening), reads);
  EXPECT_EQ(dashboard.base_offset_deg.back_colour(), ui::colours::yellow);
  const std::size_t before_update = controller().request_count();
  dashboard.Command2.click();  // (-8 + 16) x 4
  EXPECT_EQ(commands_since(before_update),
            std::vector<std::string>{std::string("\xA4\x20\x00\x00", 4)});
  dashboard.request_close();

  // The fuel settings' read is never answered.
  controller().answer_only(2);
  press_try_again_when_shown();
  main_window.menu_view_dashboard.click();
  FrmDashboardForm& reopened = frm_dashboard();
  controller().answer_only(sim::SimulatedController::kEveryReply);
  EXPECT_EQ(reopened.ecu_pgm[0].back_colour(), ui::colours::yellow);
  std::size_t before = controller().request_count();
  reopened.Command2.click();
  EXPECT_TRUE(commands_since(before).empty());
  reopened.ecu_pgm[0].set_text("10.2");
  reopened.Command2.click();
  EXPECT_EQ(commands_since(before), std::vector<std::string>{std::string("m\xE7\x18\x00", 4)});
}

class DashboardWindowTest : public test::MainWindowTest {};

TEST_F(DashboardWindowTest, ClosedDuringItsFirstReadsTheDashboardIsNotMadeTheView) {
  FrmEcuForm& main_window = start_demo();
  for (const bool through_frame : {false, true}) {
    ui::event_loop().post_user_input([through_frame] {
      through_frame ? frm_dashboard().request_close() : frm_dashboard().Command1.click();
    });
    main_window.menu_view_dashboard.click();
    EXPECT_EQ(current_view, 0) << through_frame;
    EXPECT_TRUE(main_window.visible());
    frm_dashboard().unload();
  }
}

}  // namespace
}  // namespace ecu
