#include <gtest/gtest.h>

#include <array>

#include "config/frm_tool.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "shell/demo_values.hpp"
#include "shell/frm_ecu.hpp"
#include "support/main_window_fixture.hpp"
#include "ui/random.hpp"
#include "views/frm_dashboard.hpp"
#include "views/frm_diagnostics.hpp"
#include "views/frm_mon.hpp"
#include "views/frm_plotter.hpp"

namespace ecu {
namespace {

struct DrawnValue {
  const char* name;
  Single* variable;
  Single base;
  Single span;
};

// The generated values in the order they draw their random numbers.
const std::array<DrawnValue, 10> kDrawOrder{{
    {"engine_rpm", &engine_rpm, 3210.0F, 50.0F},
    {"coolant_temp", &coolant_temp, 92.0F, 2.0F},
    {"manifold_air_temp", &manifold_air_temp, 23.0F, 2.0F},
    {"throttle_pos_clamped", &throttle_pos_clamped, 15.0F, 1.5F},
    {"lambda_measured", &lambda_measured, 1.0F, 0.17F},
    {"manifold_pressure_kpa", &manifold_pressure_kpa, 32.0F, 0.4F},
    {"base_injection_pw_s", &base_injection_pw_s, 0.0081F, 0.0002F},
    {"ego_correction", &ego_correction, 1.0F, 0.05F},
    {"map_enrichment", &map_enrichment, 0.95F, 0.05F},
    {"battery_volts", &battery_volts, 14.2F, 0.2F},
}};

class DemoValuesTest : public test::MainWindowTest {};

TEST_F(DemoValuesTest, TheValueStepDrawsTenNumbersInItsFixedOrder) {
  ui::randomize(kSeed);
  demo_value_step();
  ui::randomize(kSeed);
  for (const DrawnValue& value : kDrawOrder) {
    const float r = ui::rnd();
    EXPECT_EQ(*value.variable, value.base + value.span * r) << value.name;
  }
  EXPECT_EQ(throttle_pos, throttle_pos_clamped);
  EXPECT_EQ(rpm_full_scale, 8000.0F);
  EXPECT_EQ(clt_enrichment, 1.02F);
  EXPECT_EQ(baro_pressure, 101.2F);
  EXPECT_EQ(ign_advance_deg, 6.25F);
}

TEST_F(DemoValuesTest, EveryGeneratedValueStaysInItsRangeAndTheRestIsLeftAlone) {
  engine_rpm_raw = 1234.0F;
  map_pos = 0.25F;
  rpm_pos = 0.5F;
  gpo_duty_pcnt[2] = 40.0F;
  for (int step = 0; step < 2000; ++step) {
    demo_value_step();
    for (const DrawnValue& value : kDrawOrder) {
      ASSERT_GE(*value.variable, value.base) << value.name;
      ASSERT_LE(*value.variable, value.base + value.span) << value.name;
    }
    ASSERT_EQ(throttle_pos, throttle_pos_clamped);
  }
  EXPECT_EQ(engine_rpm_raw, 1234.0F);
  EXPECT_EQ(map_pos, 0.25F);
  EXPECT_EQ(rpm_pos, 0.5F);
  EXPECT_EQ(gpo_duty_pcnt[2], 40.0F);
}

TEST_F(DemoValuesTest, EnablingUnlocksTheViewCommandsAndShowsTheLabelOnSevenViewsHidden) {
  FrmEcuForm& main_window = start_demo();
  ui::Control* const commands[] = {&main_window.Menu_View_Injection,
                                   &main_window.menu_View_Mapping,
                                   &main_window.menu_view_temperature,
                                   &main_window.menu_View_Plotter,
                                   &main_window.Command3d1,
                                   &main_window.Command2,
                                   &main_window.Command3d2,
                                   &main_window.Command3d3,
                                   &main_window.Command3d7,
                                   &frm_dashboard().Command2};
  for (ui::Control* command : commands) command->set_enabled(false);

  demo_enabling_step();

  for (ui::Control* command : commands) EXPECT_TRUE(command->enabled()) << command->name();
  ui::Form* const views[] = {&frm_2d(),      &frm_3d(),  &frm_dashboard(), &frm_mon(),
                             &frm_plotter(), &frm_sup(), &frm_tool()};
  for (ui::Form* view : views) {
    const ui::Control* label = view->find_control("show_demo_mode");
    ASSERT_NE(label, nullptr) << view->name();
    EXPECT_TRUE(label->visible()) << view->name();
    EXPECT_FALSE(view->visible()) << view->name() << " is created hidden";
  }
  EXPECT_FALSE(frm_diagnostics.loaded()) << "the diagnostics window has no demo label";
}

TEST_F(DemoValuesTest, FirstConnectScalesTheTachometerForATenThousandEightHundredLimit) {
  ui::Gauge& tachometer = frm_dashboard().tachometer;
  tachometer.set_step(5);
  tachometer.set_maximum(20);
  first_demo_connect_step();
  EXPECT_EQ(tachometer.step(), 1.0F);
  EXPECT_EQ(tachometer.maximum(), 10.0F);
  EXPECT_EQ(tachometer.zone_mark_1(), 10.8F);
  EXPECT_EQ(tachometer.zone_mark_2(), 9.72F);
}

}  // namespace
}  // namespace ecu
