#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "link/comm_port.hpp"
#include "link/link_test.hpp"
#include "link/receive_framer.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "sim/controller_replies.hpp"
#include "sim/simulated_controller.hpp"
#include "support/main_window_fixture.hpp"
#include "support/watched_ports.hpp"
#include "views/frm_mon.hpp"
#include "views/monitor_display.hpp"

namespace ecu {
namespace {

class MonitorDisplayTest : public test::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    start_demo();          // the monitor command needs no port
    o2_sensor_status = 1;  // a wide-band lambda reading
  }
  static const std::string& label(int entry) { return frm_mon().ECU_Data[entry].caption(); }
};

TEST_F(MonitorDisplayTest, ClampsTheSpeedThrottleAndCoolantInTheSharedValues) {
  const std::tuple<Single*, Single, Single, int, const char*> cases[] = {
      {&engine_rpm, 45000.0F, 40000.0F, 0, "40000"},
      {&engine_rpm, 40000.0F, 40000.0F, 0, "40000"},
      {&coolant_temp, 130.0F, 125.0F, 2, "125"},
      {&coolant_temp, -20.0F, -20.0F, 2, "-20"}};
  for (const auto& [variable, value, kept, entry, shown] : cases) {
    *variable = value;
    refresh_monitor_display();
    EXPECT_EQ(*variable, kept) << shown;
    EXPECT_EQ(label(entry), shown);
  }
  throttle_pos_clamped = 120.0F;
  throttle_pos = 120.0F;
  refresh_monitor_display();
  EXPECT_EQ(throttle_pos_clamped, 100.0F);
  EXPECT_EQ(label(3), "120.0") << "the entry shows the unclamped throttle";
}

TEST(MonitorTimingText, GivesTheSizeOfTheAngleAndItsSide) {
  EXPECT_EQ(monitor_timing_text(12.5F), "12.50B");
  EXPECT_EQ(monitor_timing_text(-3.25F), "3.25A");
  EXPECT_EQ(monitor_timing_text(0.0F), "0.00A");
}

TEST_F(MonitorDisplayTest, NamesTheIdleStepperStateAndCountsItsErrors) {
  const std::pair<Long, const char*> states[] = {{0, "????"},   {1, "SHTDWN"},  {2, "HOME"},
                                                 {3, "ST_POS"}, {4, "OPENING"}, {5, "CLOSING"},
                                                 {6, "CLOSED"}, {7, "????"}};
  for (const auto& [state, name] : states) {
    iac_state = state;
    iac_error = state == 0 ? 3 : 0;
    refresh_monitor_display();
    EXPECT_EQ(label(15), name) << state;
    EXPECT_EQ(label(16), state == 0 ? "ERR 3" : "OK") << state;
  }
}

TEST_F(MonitorDisplayTest, ShowsLambdaOxygenOrASensorErrorByTheSensorStatus) {
  lambda_measured = 1.0F;
  refresh_monitor_display();
  EXPECT_EQ(label(1), "1.000");

  FrmEcu().select_lambda_unit(1);  // gasoline AFR
  FrmEcu().Menu_View_Monitor.click();
  ui::Label& unit = frm_mon().Label1[FrmMonForm::kAfrUnitLabel];
  EXPECT_EQ(unit.caption(), "AFR");
  EXPECT_EQ(frm_mon().Label1[FrmMonForm::kSetpointUnitLabel].caption(), "AFR");
  refresh_monitor_display();
  EXPECT_EQ(label(1), "14.70");

  o2_sensor_status = 0;
  o2_pcnt = 20.9F;
  refresh_monitor_display();
  EXPECT_EQ(label(1), "20.9");
  EXPECT_EQ(unit.caption(), "%O2");

  o2_sensor_status = 257;
  refresh_monitor_display();
  EXPECT_EQ(label(1), "ERR");
  EXPECT_EQ(unit.caption(), "AFR") << "the unit stored at activation comes back";
}

TEST_F(MonitorDisplayTest, TheMonitorViewCommandRewritesEveryLabel) {
  ign_advance_deg = -2.25F;
  refresh_monitor_display();
  const std::string speed = label(0);
  // Unchanged texts are left alone (see the wire test), but the monitor view command forces
  // every label, entry 13 included though it is empty.
  frm_mon().ECU_Data[0].set_caption("stale");
  frm_mon().ECU_Data[13].set_caption("junk");
  frm_mon().ECU_Data[19].set_caption("junk");
  FrmEcu().Menu_View_Monitor.click();
  refresh_monitor_display();
  EXPECT_EQ(label(0), speed);
  EXPECT_EQ(label(13), "");
  EXPECT_EQ(label(19), "2.25A");
}

TEST_F(MonitorDisplayTest, AMonitorClosedThroughItsCloseBoxShowsTheUnchangedValuesWhenOpenedAgain) {
  baro_pressure = 98.5F;
  iac_state = 2;
  iac_error = 0;
  iac_position = 120;
  iac_rpm_setpoint = 900;
  ign_advance_deg = 12.5F;
  FrmEcu().Menu_View_Monitor.click();
  refresh_monitor_display();
  frm_mon().request_close();  // the close box discards the window and its labels
  FrmEcu().Menu_View_Monitor.click();
  refresh_monitor_display();
  const char* const expected[] = {"98.5", "HOME", "OK", "120", "900", "12.50B"};
  for (int entry = 14; entry < kMonitorEntries; ++entry) {
    EXPECT_EQ(label(entry), expected[entry - 14]) << entry;
  }
}

class MonitorWireTest : public test::MainWindowTest {};

TEST_F(MonitorWireTest, ShowsTheControllersValuesAndRewritesOnlyTheLabelsThatChanged) {
  test::use_system_serial_port();
  reset_receive_framer();
  sim::SimulatedController controller(1);
  controller.set_reply_payload(0xB3, std::string("\x88\x3F", 2));
  controller.set_reply_payload(0xB4, std::string("\x23\x4E", 2));  // feature version 20003
  sim::LiveData live;
  live.rpm = 3250, live.coolant = static_cast<std::uint8_t>(-12), live.battery = 200;
  live.map_quarter_kpa = 404, live.throttle = 512;
  live.ign_advance = 50;  // 12.5 degrees before top dead centre
  controller.set_reply_payload('A', sim::live_data_payload(live));

  FrmEcuForm& main_window = start_console("");
  main_window.select_lambda_unit(1);  // gasoline AFR
  main_window.Menu_View_Monitor.click();
  ASSERT_EQ(link_ready, kTrue);
  for (int tick = 0; tick < 12; ++tick) main_poll_tick();  // the speed filter settles
  const std::vector<std::string> expected = {
      "3250",  "14.70", "-12",   "50.0", "101.0", ".000", "1.000", "1.000", ".000", "1.000",
      "15.69", "0",     "0.000", "",     "10.0",  "HOME", "OK",    "120",   "900",  "12.50B"};
  for (int i = 0; i < kMonitorEntries; ++i)
    EXPECT_EQ(frm_mon().ECU_Data[i].caption(), expected[i]) << i;
  EXPECT_EQ(frm_mon().ego_lambda_setpoint.caption(), "14.70");
  // Every request is an 8-byte frame.
  // Appended rather than " " + ...: GCC 12 at -O3 sees a false overlap in that insert.
  std::string tx_bytes_text = " ";
  tx_bytes_text += std::to_string(8 * controller.request_count());
  EXPECT_EQ(frm_mon().tx_bytes.caption(), tx_bytes_text);

  // Labels changed behind the formatter's back show whether it writes unchanged texts.
  for (int i = 0; i < kMonitorEntries; ++i) frm_mon().ECU_Data[i].set_caption("x");
  test::CaptionRecorder writes("ECU_Data");
  ui::forms().set_observer(&writes);
  main_poll_tick();
  EXPECT_EQ(writes.captions.size(), 0U) << "nothing changed";
  live.coolant = 90;
  controller.set_reply_payload('A', sim::live_data_payload(live));
  main_poll_tick();
  EXPECT_EQ(writes.captions, std::vector<std::string>{"90"});
  ui::forms().set_observer(nullptr);
  test::use_system_serial_port();
}

}  // namespace
}  // namespace ecu
