// The dyno page: a capture run against the simulated controller, its log byte for byte and
// its plot, and the page's handling of bad input, failed copies and the program's end.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <tuple>

#include "linked_view_test.hpp"
#include "model/shared_state.hpp"
#include "views/dyno_log.hpp"
#include "views/frm_diagnostics.hpp"

namespace ecu {
namespace {

using ui::DrawOp;

std::string file_text(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string live_frame(std::uint8_t state, std::uint16_t count, std::uint16_t rpm,
                       std::uint8_t map_rem) {
  test::LiveData live;
  live.dyno_state = state;
  live.dyno_samples = count;
  live.rpm = rpm;
  live.map_quarter_kpa = 400;
  live.throttle = 512;
  live.coolant = 85;
  live.air_temp = 30;
  live.base_pw = 625;
  live.map_cell = 5;
  live.map_rem = map_rem;
  live.rpm_cell = 3;
  live.tps_cell = 2;
  live.tps_rem = 32;
  return test::live_data_payload(live);
}

struct Op {
  DrawOp::Kind kind;
  float x1, y1, x2, y2;
};

// One record's ops: torque segment and point, power segment and point.
void expect_ops(const std::vector<DrawOp>& drawn, std::size_t from, const std::vector<Op>& ops,
                ui::Colour torque, ui::Colour power) {
  ASSERT_GE(drawn.size(), from + ops.size());
  for (std::size_t i = 0; i < ops.size(); ++i) {
    const DrawOp& op = drawn[from + i];
    EXPECT_EQ(op.kind, ops[i].kind) << i;
    EXPECT_EQ(op.x1, ops[i].x1) << i;
    EXPECT_EQ(op.y1, ops[i].y1) << i;
    EXPECT_EQ(op.x2, ops[i].x2) << i;
    EXPECT_EQ(op.y2, ops[i].y2) << i;
    EXPECT_EQ(op.colour, i % 4 < 2 ? torque : power) << i;
  }
}

constexpr auto kLine = DrawOp::Kind::line;
constexpr auto kCircle = DrawOp::Kind::circle;

using DynoCaptureTest = test::LinkedViewTest;

TEST_F(DynoCaptureTest, ArmedRunLogsEveryRunningFrameAndFinishingPlotsItAsTheReference) {
  FrmEcuForm& main_window = connect();
  // The monitor frame's values, last decoded in another view.
  vehicle_speed_mph = 42.5F;
  current_gear = 3;
  controller().play_reply_sequence(
      'A', {live_frame(1, 0, 0, 0), live_frame(2, 100, 3000, 64), live_frame(2, 200, 3400, 0),
            live_frame(2, 300, 3900, 16), live_frame(3, 0, 4000, 0)});
  main_window.menu_view_diagnostic.click();
  FrmDiagnosticsForm& window = frm_diagnostics();
  window.diags_tab.set_current_tab(FrmDiagnosticsForm::kDynoTab);
  const std::size_t before = controller().request_count();
  window.dyno_arm.click();
  EXPECT_EQ(commands_since(before), (std::vector<std::string>{std::string("\x03\x00\xC4\x09", 4),
                                                              std::string("\x03\x01\x40\x1F", 4),
                                                              std::string("\x04\x01\x00\x00", 4)}));
  for (int tick = 0; tick < 6; ++tick) main_poll_tick();

  EXPECT_EQ(window.dyno_stat.caption(), "Finished");
  const std::string log = file_text("dyno_temp.csv");
  const std::regex expected(
      "Time,MAP,RPM,Lambda,TPS,CLT,MAT,PW,MAP_Cell,MAP_Rem,RPM_Cell,RPM_Rem,TPS_Cell,TPS_Rem,"
      "LambdaSP,MPH,Gear\r\n"
      "Log Begins on [01]\\d-[0-3]\\d-20\\d\\d [0-2]\\d:[0-5]\\d:[0-5]\\d\r\n"
      "DYNOFILE V1\\.00\\.00\r\n\r\n"
      "0\\.100,100\\.0,3000\\.00,1\\.00,50\\.0,85,30,1\\.000,5,0\\.5,3,0\\.,2,0\\.25,1\\.00,42\\.5,"
      " 3\r\n"
      "0\\.200,100\\.0,3400\\.00,1\\.00,50\\.0,85,30,1\\.000,5,0\\.,3,0\\.,2,0\\.25,1\\.00,42\\.5, "
      "3\r\n"
      "0\\.300,100\\.0,3900\\.00,1\\.00,50\\.0,85,30,1\\.000,5,0\\.13,3,0\\.,2,0\\.25,1\\.00,42\\."
      "5, 3\r\n");
  EXPECT_TRUE(std::regex_match(log, expected)) << log;
  EXPECT_EQ(file_text("ref_dyno_temp.csv"), log);
  EXPECT_TRUE(window.dyno_arm.enabled());
  EXPECT_FALSE(window.dyno_cancel.enabled());
  EXPECT_TRUE(window.dyno_save.enabled());
  EXPECT_TRUE(window.dyno_ref_file.enabled());

  // Torque 0, 4000, 5000 at 3000, 3400, 3900 rpm; the reference (the same run) tops out at
  // torque 5000, so the plot's top stands for 6250 on a 6600 x 5280 area.
  const std::vector<Op> run = {
      {kLine, 600, 5280, 600, 5280},   {kCircle, 600, 5280, 20, 0},
      {kLine, 600, 5280, 600, 5280},   {kCircle, 600, 5280, 20, 0},
      {kLine, 600, 5280, 1080, 1901},  {kCircle, 1080, 1901, 20, 0},
      {kLine, 600, 5280, 1080, 3092},  {kCircle, 1080, 3092, 20, 0},
      {kLine, 1080, 1901, 1680, 1056}, {kCircle, 1680, 1056, 20, 0},
      {kLine, 1080, 3092, 1680, 2143}, {kCircle, 1680, 2143, 20, 0},
  };
  const std::vector<DrawOp>& drawn = window.dyno_plot_screen.drawing();
  EXPECT_EQ(drawn.size(), 24U);
  expect_ops(drawn, 0, run, 0xFF0000, 0x0000FF);
  expect_ops(drawn, 12, run, 0x808080, 0xC0C0C0);
}

class DynoPageTest : public test::MainWindowTest {
 protected:
  FrmDiagnosticsForm& open_page() {
    start_demo().menu_view_diagnostic.click();
    return frm_diagnostics();
  }
  static void write_log(const std::vector<std::string>& rows) {
    std::ofstream file("dyno_temp.csv", std::ios::binary);
    file << "Time,MAP\r\nLog Begins on\r\nDYNOFILE V1.00.00\r\n\r\n";
    for (const std::string& row : rows) file << row << "\r\n";
  }
  static std::string row(const std::string& time, const std::string& rpm) {
    return time + ",100.0," + rpm + ",1.00,50.0,85,30,1.000,5,0.5,3,0.,2,0.25,1.00,0.0, 0";
  }
};

TEST_F(DynoPageTest, SpeedsThatAreNoRpmTheControllerTakesArmNothing) {
  struct Case {
    const char* trigger;
    const char* end;
    const char* message;
  };
  const Case cases[] = {
      {"25OO", "8000",
       "The Trig RPM must be a number from 0 to 65535, the dyno capture has not been armed"},
      {"-1", "8000",
       "The Trig RPM must be a number from 0 to 65535, the dyno capture has not been armed"},
      {"2500", "65535.5",
       "The End RPM must be a number from 0 to 65535, the dyno capture has not been armed"},
      {"2500", "",
       "The End RPM must be a number from 0 to 65535, the dyno capture has not been armed"},
  };
  FrmDiagnosticsForm& window = open_page();
  for (const Case& c : cases) {
    window.dyno_trig_rpm[0].set_text(c.trigger);
    window.dyno_trig_rpm[1].set_text(c.end);
    window.dyno_arm.click();
    ASSERT_FALSE(presenter().shown_messages.empty());
    EXPECT_EQ(presenter().shown_messages.back().text, c.message);
    EXPECT_TRUE(window.dyno_arm.enabled());
    EXPECT_FALSE(window.dyno_cancel.enabled());
    EXPECT_FALSE(std::filesystem::exists("dyno_temp.csv"));
    EXPECT_EQ(dyno_log_file_num, 0);
  }
}

TEST_F(DynoPageTest, SampleRateOutsideTheTimersRangeLeavesThePollInterval) {
  FrmDiagnosticsForm& window = open_page();
  const std::pair<const char*, int> cases[] = {
      {"100", 100}, {"40000", 100}, {"-5", 100}, {"32767", 32767}, {"0", 1}};
  for (const auto& [text, interval] : cases) {
    window.dyno_sample_rate.set_text(text);
    EXPECT_EQ(FrmEcu().Timer1.interval(), interval) << text;
  }
}

TEST_F(DynoPageTest, PlotClearsFirstSkipsShortRecordsAndZeroSpanAndJoinsPointsOnTheTopEdge) {
  FrmDiagnosticsForm& window = open_page();
  // No reference: the top stands for 1250. Torque 1250 puts two points on the top edge; the
  // second is no first record, so a segment joins them.
  write_log({row("0.100", "3000"), row("0.200", "3125"), row("0.300", "3250"), "0.400,100.0,3400"});
  window.dyno_plot_screen.line(1, 2, 3, 4, ui::colours::white);
  window.dyno_plot.click();
  const std::vector<DrawOp>& drawn = window.dyno_plot_screen.drawing();
  ASSERT_EQ(drawn.size(), 12U);
  expect_ops(drawn, 8, {{kLine, 750, 0, 900, 0}, {kCircle, 900, 0, 20, 0}}, 0xFF0000, 0x0000FF);

  window.dyno_trig_rpm[1].set_text("2500");
  window.dyno_plot.click();
  EXPECT_TRUE(window.dyno_plot_screen.drawing().empty());
}

TEST_F(DynoPageTest, EveryRowReachesTheFileAtOnceAndTheLogClosesWhenTheProgramEnds) {
  FrmDiagnosticsForm& window = open_page();
  window.dyno_arm.click();
  window.dyno_samples.set_caption("100");
  engine_rpm_raw = 3000.0F;
  write_dyno_log_row();
  const std::string flushed = file_text("dyno_temp.csv");
  EXPECT_EQ(std::count(flushed.begin(), flushed.end(), '\n'), 5);
  window.dyno_plot.click();
  EXPECT_EQ(window.dyno_plot_screen.drawing().size(), 4U);

  ui::end_program();
  EXPECT_EQ(dyno_log_file_num, 0);
  const std::string closed = file_text("dyno_temp.csv");
  write_dyno_log_row();
  EXPECT_EQ(file_text("dyno_temp.csv"), closed);
}

TEST_F(DynoPageTest, FailedCopiesAreReportedAndTheRestGoesOn) {
  FrmDiagnosticsForm& window = open_page();
  std::filesystem::create_directory("ref_dyno_temp.csv");
  std::filesystem::create_directory("dyno_001.csv");
  window.dyno_arm.click();
  finish_dyno_capture();
  ASSERT_FALSE(presenter().shown_messages.empty());
  EXPECT_EQ(presenter().shown_messages.back().text,
            "Could not copy dyno_temp.csv to ref_dyno_temp.csv");
  EXPECT_EQ(dyno_log_file_num, 0);
  EXPECT_TRUE(window.dyno_save.enabled());
  EXPECT_TRUE(window.dyno_arm.enabled());
  EXPECT_TRUE(window.dyno_ref_file.enabled());

  window.dyno_save.click();
  EXPECT_EQ(presenter().shown_messages.back().text, "Could not copy dyno_temp.csv to dyno_001.csv");
  EXPECT_EQ(window.dyno_series.text(), "001");
  EXPECT_TRUE(window.dyno_save.enabled());
}

TEST_F(DynoPageTest, SavingAsksBeforeReplacingAnEarlierRunAndCountsTheSeries) {
  FrmDiagnosticsForm& window = open_page();
  window.dyno_arm.click();
  finish_dyno_capture();
  std::ofstream("dyno_001.csv") << "earlier";
  presenter().answer_next(ui::MsgResult::no);
  window.dyno_save.click();
  EXPECT_EQ(presenter().shown_messages.back().text,
            "dyno_001.csv already exists. Do you want to replace it?");
  EXPECT_EQ(file_text("dyno_001.csv"), "earlier");
  EXPECT_EQ(window.dyno_series.text(), "001");

  presenter().answer_next(ui::MsgResult::yes);
  window.dyno_save.click();
  EXPECT_EQ(file_text("dyno_001.csv"), file_text("dyno_temp.csv"));
  EXPECT_EQ(window.dyno_series.text(), "002");
  EXPECT_FALSE(window.dyno_save.enabled());

  const std::tuple<const char*, const char*, const char*> series[] = {
      {"009", "dyno_009.csv", "010"}, {" abc ", "dyno_abc.csv", "001"}};
  for (const auto& [typed, saved, next] : series) {
    window.dyno_series.set_text(typed);
    window.dyno_save_Click();
    EXPECT_TRUE(std::filesystem::exists(saved)) << saved;
    EXPECT_EQ(window.dyno_series.text(), next);
  }
}

}  // namespace
}  // namespace ecu
