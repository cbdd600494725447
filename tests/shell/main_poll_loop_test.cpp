#include <gtest/gtest.h>

#include <array>

#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/main_poll_loop.hpp"
#include "support/main_window_fixture.hpp"
#include "ui/random.hpp"
#include "views/frm_dashboard.hpp"
#include "views/frm_mon.hpp"
#include "views/frm_plotter.hpp"

namespace ecu {
namespace {

class MainPollLoopTest : public test::MainWindowTest {};

// The engine speed of a demo value step whose random draws start at draw `first`.
Single demo_rpm_after_draws(int first) {
  ui::randomize(test::MainWindowTest::kSeed);
  for (int draw = 0; draw < first; ++draw) (void)ui::rnd();
  return 3210.0F + 50.0F * ui::rnd();
}

TEST_F(MainPollLoopTest, AnInhibitedTickChangesNothingEvenInDemoModeWithRequestsPending) {
  start_demo();
  poll_inhibit = kTrue;
  view_request_mon = kTrue;
  tach_filter_coef = 0.3F;
  main_poll_tick();
  EXPECT_EQ(engine_rpm, 0.0F);
  EXPECT_EQ(rpm_full_scale, 10000.0F);
  EXPECT_EQ(tach_filter_coef, 0.3F);
  EXPECT_EQ(view_request_mon, kTrue);
  EXPECT_EQ(current_view, 0);
  EXPECT_FALSE(frm_mon.loaded()) << "not even the demo label is touched";
}

TEST_F(MainPollLoopTest, ADemoTickGeneratesTwiceAndOnceWhenItServesAViewSwitch) {
  start_demo();
  main_poll_tick();
  EXPECT_EQ(engine_rpm, demo_rpm_after_draws(10)) << "second generation of the tick";

  ui::randomize(kSeed);
  view_request_dash = kTrue;
  main_poll_tick();
  EXPECT_EQ(current_view, 6);
  EXPECT_EQ(engine_rpm, demo_rpm_after_draws(0)) << "the switch ends the tick";
}

TEST_F(MainPollLoopTest, TheViewStepShowsTheValuesOfTheTicksFirstGeneration) {
  FrmEcuForm& main_window = start_demo();
  main_window.menu_view_dashboard.click();
  ASSERT_EQ(current_view, 6);
  ui::randomize(kSeed);
  main_poll_tick();
  EXPECT_EQ(frm_dashboard().tachometer.value(), demo_rpm_after_draws(0) / 1000.0F);
  EXPECT_EQ(engine_rpm, demo_rpm_after_draws(10)) << "generated again after the view step";
}

TEST_F(MainPollLoopTest, EachViewFlagIsTestedRightAfterItsOwnYield) {
  start_demo();
  // One queued input runs per yield: the first yield (before the monitor flag) runs the
  // first input, the second yield (before the dashboard flag) the second.
  ui::event_loop().post_user_input([] {});
  ui::event_loop().post_user_input([] { view_request_mon = kTrue; });
  main_poll_tick();
  EXPECT_EQ(view_request_mon, kTrue) << "raised after its test: waits for the next tick";
  EXPECT_EQ(current_view, 0);

  ui::event_loop().post_user_input([] { view_request_diag = kTrue; });
  main_poll_tick();
  EXPECT_EQ(view_request_mon, kFalse);
  EXPECT_EQ(current_view, 1) << "the monitor flag comes first";
  EXPECT_EQ(view_request_diag, kTrue);
}

TEST_F(MainPollLoopTest, TheSpeedFilterIsHeldResetUntilTheTickThatSendsTheStatusRequest) {
  start_demo();
  FrmEcuForm& main_window = FrmEcu();
  ASSERT_EQ(link_ready, kFalse);
  for (int tick = 0; tick < 2; ++tick) {
    tach_filter_coef = 0.5F;
    tach_filter_prev = 900.0F;
    main_poll_tick();
    EXPECT_EQ(tach_filter_coef, 0.8F);
    EXPECT_EQ(tach_filter_prev, 0.0F);
    EXPECT_EQ(main_window.config_requested, kFalse) << "no status request without a link";
    EXPECT_EQ(frm_dashboard().tachometer.maximum(), 10.0F);
  }

  link_ready = kTrue;
  frm_dashboard().tachometer.set_maximum(99);
  tach_filter_coef = 0.5F;
  main_poll_tick();
  EXPECT_EQ(main_window.config_requested, kTrue);
  EXPECT_EQ(tach_filter_coef, 0.8F) << "reset on the tick that sends the request too";
  EXPECT_EQ(frm_dashboard().tachometer.maximum(), 10.0F) << "first demo connect";

  tach_filter_coef = 0.5F;
  frm_dashboard().tachometer.set_maximum(99);
  main_poll_tick();
  EXPECT_EQ(tach_filter_coef, 0.5F);
  EXPECT_EQ(frm_dashboard().tachometer.maximum(), 99.0F) << "the scale is set only once";
}

TEST_F(MainPollLoopTest, AnAbortedLinkClosesTheMonitorOnItsNextTick) {
  FrmEcuForm& main_window = start_demo();
  main_window.Menu_View_Monitor.click();
  ASSERT_EQ(current_view, 1);
  comm_aborted = kTrue;
  main_poll_tick();
  EXPECT_FALSE(frm_mon().visible());
  EXPECT_TRUE(main_window.visible());
  EXPECT_EQ(current_view, 0);
}

TEST_F(MainPollLoopTest, ThePlotterPollCyclesOnlyWhileThePlotterIsTheView) {
  start_demo();
  current_view = 3;
  plotter_poll_tick();
  EXPECT_EQ(plotter_poll_step, 0) << "another view keeps the step";

  current_view = 4;
  std::array<Integer, 5> steps{};
  for (Integer& step : steps) {
    plotter_poll_tick();
    step = plotter_poll_step;
  }
  EXPECT_EQ(steps, (std::array<Integer, 5>{1, 2, 3, 0, 1}));
  // Each tick adds one point per channel, once a trace is shown.
  EXPECT_EQ(frm_plotter().Strip1.sample_count(0), 5);

  current_view = 0;
  plotter_poll_tick();
  EXPECT_EQ(plotter_poll_step, 1) << "the cycle resumes where it stopped";
}

TEST_F(MainPollLoopTest, TheMainWindowTimersDriveTheTwoTicks) {
  ui::ManualClock& clock = use_manual_clock();
  FrmEcuForm& main_window = start_demo();
  main_window.Timer1.set_enabled(true);
  main_window.Timer3.set_enabled(true);
  frm_plotter();
  current_view = 4;

  clock.advance(0.051);
  ui::do_events();
  EXPECT_NE(engine_rpm, 0.0F) << "Timer1 generated demo values";
  EXPECT_EQ(plotter_poll_step, 0);

  clock.advance(1.0);
  ui::do_events();
  EXPECT_EQ(plotter_poll_step, 1) << "Timer3 took one step";
}

}  // namespace
}  // namespace ecu
