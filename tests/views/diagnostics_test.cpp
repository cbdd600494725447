// The driver tests and the crank-wheel capture of the diagnostics window, against the
// simulated controller, and the capture loop when the window closes under it.

#include <gtest/gtest.h>

#include <tuple>

#include "model/shared_state.hpp"
#include "support/linked_window_test.hpp"
#include "views/frm_diagnostics.hpp"

namespace ecu {
namespace {

using DiagnosticsTest = test::LinkedWindowTest;

TEST_F(DiagnosticsTest, DriverTestsFireTheCheckedChannelsOnceUnlockedAndGetPlotDrawsTheWheel) {
  connect().menu_view_diagnostic.click();
  FrmDiagnosticsForm& window = frm_diagnostics();
  EXPECT_FALSE(window.Command1.enabled());
  window.Command3[1].click();
  EXPECT_EQ(presenter().shown_messages.back().text,
            "Testing drivers requires that the engine NOT be running, in addition, make certain "
            "that the driver parameters EI dwell or fuel pulse width are appropriate or "
            "ECU/wiring or engine damage may occur!");
  EXPECT_TRUE(window.Command1.enabled() && window.Command2.enabled() &&
              !window.Command3[0].enabled());

  window.inj_chan_test[0].click();
  window.inj_chan_test[7].click();
  std::size_t before = controller().request_count();
  window.Command1.click();
  window.Command2.click();
  EXPECT_EQ(commands_since(before), (std::vector<std::string>{std::string("\x01\x81\x00\x00", 4),
                                                              std::string("\x02\x00\x00\x00", 4)}));

  // Live data first, for the speed beside the plot, then the eight pages.
  before = controller().request_count();
  window.get_wheel_plot_data.click();
  const std::vector<std::string> sent = commands_since(before);
  ASSERT_EQ(sent.size(), 9U);
  EXPECT_EQ(sent[0], "A000");
  EXPECT_EQ(sent[8], std::string("\xF8\x07", 2) + "00");
  EXPECT_EQ(window.crank_target_rpm.caption(), "850");

  // Sample k reads k: the average is 59.5, so 30 to 89 lie within the band (yellow), the
  // others on the middle line (light red). Op 0 starts at the left edge, mid-height.
  const std::vector<ui::DrawOp>& drawn = window.wheel_speed_plot.drawing();
  ASSERT_EQ(drawn.size(), 121U);
  EXPECT_EQ(drawn[0].y2, 2640.0F);
  const std::tuple<int, float, float, ui::Colour> points[] = {
      {0, 0, 2640, 0x0000FF},   {29, 1989, 2640, 0x0000FF}, {30, 2057, 5258, 0x00FFFF},
      {89, 6103, 22, 0x00FFFF}, {90, 6171, 2640, 0x0000FF}, {119, 8160, 2640, 0x0000FF}};
  for (const auto& [sample, x, y, colour] : points) {
    const ui::DrawOp& op = drawn[static_cast<std::size_t>(sample + 1)];
    EXPECT_EQ(std::make_tuple(op.x2, op.y2, op.colour), std::make_tuple(x, y, colour)) << sample;
  }
}

class DiagnosticsWindowTest : public test::MainWindowTest {};

TEST_F(DiagnosticsWindowTest, ClosingTheWindowHaltsTheCaptureLoopAfterItsPass) {
  start_demo().menu_view_diagnostic.click();
  FrmDiagnosticsForm* window = &frm_diagnostics();
  // Closes the window from its frame, then counts the loop's passes; a loop that went on
  // regardless is stopped after twenty.
  int passes_after_close = 0;
  std::function<void()> count_pass = [&] {
    if (++passes_after_close == 20) window->wheel_diag_halt_Click();
    if (passes_after_close < 20) ui::event_loop().post_user_input(count_pass);
  };
  ui::event_loop().post_user_input([&] {
    window->request_close();
    ui::event_loop().post_user_input(count_pass);
  });
  window->wheel_diag_continuous.click();
  EXPECT_LT(passes_after_close, 5);
  EXPECT_FALSE(frm_diagnostics.loaded());
  EXPECT_EQ(current_view, 0);
  EXPECT_EQ(FrmEcu().Timer1.interval(), 10);
}

}  // namespace
}  // namespace ecu
