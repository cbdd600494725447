#include <gtest/gtest.h>

#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "support/main_window_fixture.hpp"
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
