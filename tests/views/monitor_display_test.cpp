#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/comm_port.hpp"
#include "link/receive_framer.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "support/controller_replies.hpp"
#include "support/main_window_fixture.hpp"
#include "support/simulated_controller.hpp"
#include "views/frm_mon.hpp"
#include "views/monitor_display.hpp"

namespace ecu {
namespace {

class MonitorDisplayTest : public test::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    // Demo mode: the monitor command needs no port.
    start_demo();
    o2_sensor_status = 1;  // a wide-band lambda reading
  }
  static const std::string& label(int entry) { return frm_mon().ECU_Data[entry].caption(); }
};

TEST_F(MonitorDisplayTest, ClampsTheSpeedThrottleAndCoolantInTheSharedValues) {
  struct Case {
    Single* variable;
    Single value;
    Single kept;
    int entry;
    const char* shown;
  };
  const Case cases[] = {
      {&engine_rpm, 45000.0F, 40000.0F, 0, "40000"},
      {&engine_rpm, 40000.0F, 40000.0F, 0, "40000"},
      {&coolant_temp, 130.0F, 125.0F, 2, "125"},
      {&coolant_temp, -20.0F, -20.0F, 2, "-20"},
  };
  for (const Case& c : cases) {
    *c.variable = c.value;
    refresh_monitor_display();
    EXPECT_EQ(*c.variable, c.kept) << c.shown;
    EXPECT_EQ(label(c.entry), c.shown);
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
    refresh_monitor_display();
    EXPECT_EQ(label(15), name) << state;
  }
  iac_error = 0;
  refresh_monitor_display();
  EXPECT_EQ(label(16), "OK");
  iac_error = 3;
  refresh_monitor_display();
  EXPECT_EQ(label(16), "ERR 3");
}

TEST_F(MonitorDisplayTest, ShowsLambdaOxygenOrASensorErrorByTheSensorStatus) {
  lambda_measured = 1.0F;
  refresh_monitor_display();
  EXPECT_EQ(label(1), "1.000");

  FrmEcu().select_lambda_unit(1);  // gasoline AFR
  refresh_monitor_display();
  EXPECT_EQ(label(1), "14.70");

  o2_sensor_status = 0;
  o2_pcnt = 20.9F;
  refresh_monitor_display();
  EXPECT_EQ(label(1), "20.9");

  o2_sensor_status = 257;
  refresh_monitor_display();
  EXPECT_EQ(label(1), "ERR");
}

TEST_F(MonitorDisplayTest, RewritesOnlyLabelsWhoseTextDiffersFromTheShownText) {
  refresh_monitor_display();
  const std::string speed = label(0);
  frm_mon().ECU_Data[0].set_caption("stale");
  refresh_monitor_display();
  EXPECT_EQ(label(0), "stale") << "the text did not change, so the label is left alone";

  // The monitor view command forces labels 0 to 13, entry 13 included though it is empty.
  frm_mon().ECU_Data[13].set_caption("junk");
  FrmEcu().Menu_View_Monitor.click();
  refresh_monitor_display();
  EXPECT_EQ(label(0), speed);
  EXPECT_EQ(label(13), "");
}

}  // namespace
}  // namespace ecu

namespace ecu {
namespace {

TEST_F(MonitorDisplayTest, FormatsEveryEntryTheSetPointAndTheByteCountersByTheirMasks) {
  struct Case {
    Single* variable;
    Single value;
    int entry;
    const char* shown;
  };
  const Case cases[] = {
      {&engine_rpm, 3250.4F, 0, "3250"},        {&lambda_measured, 0.9F, 1, ".900"},
      {&coolant_temp, -12.0F, 2, "-12"},        {&throttle_pos, 7.25F, 3, "7.3"},
      {&manifold_pressure_kpa, 0.5F, 4, ".5"},  {&base_injection_pw_s, 0.0125F, 5, "12.500"},
      {&ego_correction, 1.0F, 6, "1.000"},      {&map_enrichment, 0.5F, 7, "0.500"},
      {&accel_enrichment_ms, 2.0F, 8, "2.000"}, {&clt_enrichment, 1.25F, 9, "1.250"},
      {&battery_volts, 13.8F, 10, "13.80"},     {&manifold_air_temp, 30.4F, 11, "30"},
      {&aux_input_volts, 3.3F, 12, "3.300"},    {&baro_pressure, 101.3F, 14, "101.3"},
      {&ign_advance_deg, -3.25F, 19, "3.25A"},
  };
  for (const Case& c : cases) *c.variable = c.value;
  iac_state = 4;
  iac_error = 0;
  iac_position = 120;
  iac_rpm_setpoint = 900;
  lambda_setpoint = 1.0F;
  tx_byte_counts[0] = 1234;
  rx_byte_counts[0] = 56789;
  refresh_monitor_display();
  for (const Case& c : cases) EXPECT_EQ(label(c.entry), c.shown) << c.entry;
  EXPECT_EQ(label(13), "");
  EXPECT_EQ(label(15), "OPENING");
  EXPECT_EQ(label(16), "OK");
  EXPECT_EQ(label(17), "120");
  EXPECT_EQ(label(18), "900");
  EXPECT_EQ(frm_mon().ego_lambda_setpoint.caption(), "1.000");
  EXPECT_EQ(frm_mon().tx_bytes.caption(), " 1234");
  EXPECT_EQ(frm_mon().rx_bytes.caption(), " 56789");
}

TEST_F(MonitorDisplayTest, UnitCaptionsFollowTheUnitsMenuAndShowOxygenWhileTheSensorReadsIt) {
  FrmEcuForm& main_window = FrmEcu();
  main_window.select_lambda_unit(1);  // gasoline AFR
  main_window.Menu_View_Monitor.click();
  FrmMonForm& monitor = frm_mon();
  ui::Label& afr_unit = monitor.Label1[FrmMonForm::kAfrUnitLabel];
  EXPECT_EQ(afr_unit.caption(), "AFR");
  EXPECT_EQ(monitor.Label1[FrmMonForm::kSetpointUnitLabel].caption(), "AFR");
  lambda_measured = 0.95F;
  lambda_setpoint = 1.0F;
  refresh_monitor_display();
  EXPECT_EQ(label(1), "13.97");
  EXPECT_EQ(monitor.ego_lambda_setpoint.caption(), "14.70");
  EXPECT_EQ(afr_unit.caption(), "AFR");

  o2_sensor_status = 0;  // the sensor reads oxygen in free air
  o2_pcnt = 20.9F;
  refresh_monitor_display();
  EXPECT_EQ(label(1), "20.9");
  EXPECT_EQ(afr_unit.caption(), "%O2");
  o2_sensor_status = 257;
  refresh_monitor_display();
  EXPECT_EQ(label(1), "ERR");
  EXPECT_EQ(afr_unit.caption(), "AFR") << "the stored unit comes back";

  main_window.select_lambda_unit(0);
  monitor.Command3d1.click();
  main_window.Menu_View_Monitor.click();
  EXPECT_EQ(frm_mon().Label1[FrmMonForm::kAfrUnitLabel].caption(), "Lambda");
}

}  // namespace
}  // namespace ecu

namespace ecu {
namespace {

// Counts the texts written into the monitor's value labels.
class ValueLabelWrites : public ui::FormObserver {
 public:
  int count = 0;
  void form_loaded(ui::Form&) override {}
  void form_unloaded(ui::Form&) override {}
  void form_changed(ui::Form&) override {}
  void form_shown(ui::Form&) override {}
  void form_hidden(ui::Form&) override {}
  void form_activated(ui::Form&) override {}
  void control_changed(ui::Control& control, ui::Property what) override {
    if (control.name() == "ECU_Data" && what == ui::Property::text) ++count;
  }
};

class MonitorWireTest : public test::MainWindowTest {
 protected:
  static const std::string& label(int entry) { return frm_mon().ECU_Data[entry].caption(); }
  void TearDown() override {
    set_serial_port_factory(nullptr);
    controller_.reset();
    MainWindowTest::TearDown();
  }
  std::unique_ptr<test::SimulatedController> controller_;
};

TEST_F(MonitorWireTest, ShowsTheControllersValuesAndRewritesOnlyTheLabelsThatChanged) {
  set_serial_port_factory(nullptr);
  reset_receive_framer();
  controller_ = std::make_unique<test::SimulatedController>(1);
  controller_->set_reply_payload(0xB3, std::string("\x88\x3F", 2));
  controller_->set_reply_payload(0xB4, std::string("\x23\x4E", 2));  // 20003
  test::LiveData live;
  live.rpm = 3250;
  live.coolant = static_cast<std::uint8_t>(-12);
  live.battery = 200;
  live.map_quarter_kpa = 404;
  live.ign_advance = 50;  // 12.5 degrees before top dead centre
  live.throttle = 512;
  controller_->set_reply_payload('A', test::live_data_payload(live));

  FrmEcuForm& main_window = start_console("");
  main_window.select_lambda_unit(1);  // gasoline AFR
  main_window.Menu_View_Monitor.click();
  ASSERT_EQ(link_ready, kTrue);
  // The speed filter settles within a few polls.
  for (int tick = 0; tick < 12; ++tick) main_poll_tick();
  const std::vector<std::string> expected = {
      "3250",  "14.70", "-12",   "50.0", "101.0", ".000", "1.000", "1.000", ".000", "1.000",
      "15.69", "0",     "0.000", "",     "10.0",  "HOME", "OK",    "120",   "900",  "12.50B"};
  for (int i = 0; i < kMonitorEntries; ++i) EXPECT_EQ(label(i), expected[i]) << i;
  EXPECT_EQ(frm_mon().Label1[FrmMonForm::kAfrUnitLabel].caption(), "AFR");
  EXPECT_EQ(frm_mon().ego_lambda_setpoint.caption(), "14.70");
  // Every request is an 8-byte frame.
  EXPECT_EQ(frm_mon().tx_bytes.caption(), " " + std::to_string(8 * controller_->request_count()));

  // Labels changed behind the formatter's back show whether it writes unchanged texts.
  for (int i = 0; i < kMonitorEntries; ++i) frm_mon().ECU_Data[i].set_caption("x");
  ValueLabelWrites writes;
  ui::forms().set_observer(&writes);
  main_poll_tick();
  EXPECT_EQ(writes.count, 0) << "nothing changed";
  live.coolant = 90;
  controller_->set_reply_payload('A', test::live_data_payload(live));
  main_poll_tick();
  EXPECT_EQ(writes.count, 1);
  EXPECT_EQ(label(2), "90");
  ui::forms().set_observer(nullptr);
}

}  // namespace
}  // namespace ecu
