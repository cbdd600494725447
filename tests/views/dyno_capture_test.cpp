// The dyno page: a run against the simulated controller, its log byte for byte and its plot,
// and the page's handling of bad input, failed copies and the program's end.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <tuple>

#include "model/shared_state.hpp"
#include "support/folder_files.hpp"
#include "support/linked_window_test.hpp"
#include "views/diagnostic_plots.hpp"
#include "views/dyno_log.hpp"
#include "views/frm_diagnostics.hpp"

namespace ecu {
namespace {

using Kind = ui::DrawOp::Kind;

std::string file_text(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

std::string live_frame(std::uint8_t state, std::uint16_t count, std::uint16_t rpm,
                       std::uint8_t map_rem) {
  // clang-format off
  return sim::live_data_payload({.base_pw = 625, .coolant = 85, .air_temp = 30,
      .map_quarter_kpa = 400, .rpm = rpm, .throttle = 512, .map_cell = 5, .map_rem = map_rem,
      .rpm_cell = 3, .tps_cell = 2, .tps_rem = 32, .dyno_state = state, .dyno_samples = count});
  // clang-format on
}

// Ops from `from` on: kind and coordinates; per record torque line and point, then power.
void expect_ops(const std::vector<ui::DrawOp>& drawn, std::size_t from,
                const std::vector<std::array<float, 4>>& points, ui::Colour torque,
                ui::Colour power) {
  ASSERT_GE(drawn.size(), from + points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    const ui::DrawOp& op = drawn[from + i];
    EXPECT_EQ(op.kind, i % 2 == 0 ? Kind::line : Kind::circle) << i;
    EXPECT_EQ((std::array<float, 4>{op.x1, op.y1, op.x2, op.y2}), points[i]) << i;
    EXPECT_EQ(op.colour, i % 4 < 2 ? torque : power) << i;
  }
}

// A dyno log of (time, rpm) records, the other fields as a capture writes them.
void write_dyno_log(const char* path,
                    const std::vector<std::pair<const char*, const char*>>& records) {
  std::ofstream log(path, std::ios::binary);
  log << "Time\r\nLog Begins on\r\nDYNOFILE V1.00.00\r\n\r\n";
  for (const auto& [time, rpm] : records) {
    log << time << ",100.0," << rpm << ",1.00,50.0,85,30,1.000,5,0.5,3,0.,2,0.25,1.00,0.0, 0\r\n";
  }
}

using DynoCaptureTest = test::LinkedWindowTest;

TEST_F(DynoCaptureTest, ArmedRunLogsEveryRunningFrameAndFinishingPlotsItAsTheReference) {
  FrmEcuForm& main_window = connect();
  vehicle_speed_mph = 42.5F;  // from a monitor frame decoded in another view
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
  EXPECT_TRUE(std::regex_match(
      log,
      std::regex("Time,MAP,RPM,Lambda,TPS,CLT,MAT,PW,MAP_Cell,MAP_Rem,RPM_Cell,RPM_Rem,"
                 "TPS_Cell,TPS_Rem,LambdaSP,MPH,Gear\r\n"
                 "Log Begins on [01]\\d-[0-3]\\d-20\\d\\d [0-2]\\d:[0-5]\\d:[0-5]\\d\r\n"
                 "DYNOFILE V1\\.00\\.00\r\n\r\n"
                 "0\\.100,100\\.0,3000\\.00,1\\.00,50\\.0,85,30,1\\.000,5,0\\.5,3,0\\.,2,0\\.25,"
                 "1\\.00,42\\.5, 3\r\n"
                 "0\\.200,100\\.0,3400\\.00,1\\.00,50\\.0,85,30,1\\.000,5,0\\.,3,0\\.,2,0\\.25,"
                 "1\\.00,42\\.5, 3\r\n"
                 "0\\.300,100\\.0,3900\\.00,1\\.00,50\\.0,85,30,1\\.000,5,0\\.13,3,0\\.,2,0\\.25,"
                 "1\\.00,42\\.5, 3\r\n")))
      << log;
  EXPECT_EQ(file_text("ref_dyno_temp.csv"), log);
  EXPECT_TRUE(window.dyno_arm.enabled() && window.dyno_save.enabled() &&
              window.dyno_ref_file.enabled());
  EXPECT_FALSE(window.dyno_cancel.enabled());

  // Torque 0, 4000, 5000 at 3000, 3400, 3900 rpm; the reference (the same run) tops out at
  // 5000, so the top edge of the 6600 x 5280 area stands for 6250.
  const std::vector<std::array<float, 4>> run = {
      {600, 5280, 600, 5280},   {600, 5280, 20, 0},  {600, 5280, 600, 5280},   {600, 5280, 20, 0},
      {600, 5280, 1080, 1901},  {1080, 1901, 20, 0}, {600, 5280, 1080, 3092},  {1080, 3092, 20, 0},
      {1080, 1901, 1680, 1056}, {1680, 1056, 20, 0}, {1080, 3092, 1680, 2143}, {1680, 2143, 20, 0}};
  const std::vector<ui::DrawOp>& drawn = window.dyno_plot_screen.drawing();
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
};

TEST_F(DynoPageTest, SpeedsAndRatesOutOfRangeChangeNothing) {
  const std::tuple<const char*, const char*, const char*> speeds[] = {{"25OO", "8000", "Trig"},
                                                                      {"-1", "8000", "Trig"},
                                                                      {"2500", "65535.5", "End"},
                                                                      {"2500", "", "End"}};
  FrmDiagnosticsForm& window = open_page();
  for (const auto& [trigger, end, which] : speeds) {
    window.dyno_trig_rpm[0].set_text(trigger);
    window.dyno_trig_rpm[1].set_text(end);
    window.dyno_arm.click();
    EXPECT_EQ(presenter().shown_messages.back().text,
              std::string("The ") + which +
                  " RPM must be a number from 0 to 65535, the dyno capture has not been armed");
    EXPECT_TRUE(window.dyno_arm.enabled());
    EXPECT_FALSE(window.dyno_cancel.enabled());
    EXPECT_FALSE(std::filesystem::exists("dyno_temp.csv"));
  }
  const std::pair<const char*, int> rates[] = {
      {"100", 100}, {"40000", 100}, {"-5", 100}, {"32767", 32767}, {"0", 1}};
  for (const auto& [text, interval] : rates) {
    window.dyno_sample_rate.set_text(text);
    EXPECT_EQ(FrmEcu().Timer1.interval(), interval) << text;
  }
}

TEST_F(DynoPageTest, PlotClearsFirstSkipsShortRecordsAndZeroSpanAndJoinsPointsOnTheTopEdge) {
  FrmDiagnosticsForm& window = open_page();
  std::ofstream log("dyno_temp.csv", std::ios::binary);
  log << "Time\r\nLog Begins on\r\nDYNOFILE V1.00.00\r\n\r\n";
  for (const char* record : {"0.100,100.0,3000", "0.200,100.0,3125", "0.300,100.0,3250"}) {
    log << record << ",1.00,50.0,85,30,1.000,5,0.5,3,0.,2,0.25,1.00,0.0, 0\r\n";
  }
  log << "0.400,100.0,3400\r\n";
  log.close();
  // No reference: the top stands for 1250. Torque 1250 puts the last two points on the top
  // edge; the third record is no first record, so a segment joins them.
  window.dyno_plot_screen.line(1, 2, 3, 4, ui::colours::white);
  window.dyno_plot.click();
  ASSERT_EQ(window.dyno_plot_screen.drawing().size(), 12U);
  expect_ops(window.dyno_plot_screen.drawing(), 8, {{750, 0, 900, 0}, {900, 0, 20, 0}}, 0xFF0000,
             0x0000FF);

  window.dyno_trig_rpm[1].set_text("2500");
  window.dyno_plot.click();
  EXPECT_TRUE(window.dyno_plot_screen.drawing().empty());
}

TEST_F(DynoPageTest, EveryValueBeyondASingleSkipsItsRecordAndLeavesTheMaximaFinite) {
  struct Case {
    const char* what;
    std::vector<std::pair<const char*, const char*>> records;
  };
  // Each log measures and draws as its two good records alone: torque 252 rpm / 0.2 = 1260,
  // power 5252 / 5252 x 1260 = 1260, four drawing operations a record.
  const Case cases[] = {
      {"none", {{"0.100", "5000"}, {"0.300", "5252"}}},
      {"rpm", {{"0.100", "5000"}, {"0.200", "1E39"}, {"0.300", "5252"}}},
      {"negative rpm", {{"0.100", "5000"}, {"0.200", "-1E39"}, {"0.300", "5252"}}},
      {"first rpm", {{"0.100", "1E39"}, {"0.200", "5000"}, {"0.400", "5252"}}},
      {"time", {{"0.100", "5000"}, {"0.300", "5252"}, {"1E39", "5378"}}},
      {"torque", {{"0", "5000"}, {"1E-40", "0"}, {"0.2", "5252"}}},
      {"power", {{"0", "5000"}, {"1E-29", "1E7"}, {"0.2", "5252"}}},
  };
  ui::PictureBox& area = open_page().dyno_plot_screen;
  for (const Case& c : cases) {
    write_dyno_log("run.csv", c.records);
    area.cls();
    const std::optional<DynoMaxima> maxima =
        plot_dyno_file("run.csv", 1575, {2500, 5500}, &area, {});
    ASSERT_TRUE(maxima.has_value()) << c.what;
    EXPECT_EQ(maxima->torque, 1260.0F) << c.what;
    EXPECT_EQ(maxima->power, 1260.0F) << c.what;
    EXPECT_EQ(area.drawing().size(), 8U) << c.what;
  }
}

TEST_F(DynoPageTest, APointBeyondASingleIsNotDrawn) {
  ui::PictureBox& area = open_page().dyno_plot_screen;
  write_dyno_log("run.csv", {{"0.100", "5000"}, {"0.300", "5252"}});
  // Torque 1260 against a scale of 1E-36 puts the second point 6.7E42 above the top edge.
  const std::optional<DynoMaxima> maxima = plot_dyno_file(
      "run.csv", 1E-36F, {2500, 5500}, &area, {ui::colours::light_blue, ui::colours::light_red});
  ASSERT_TRUE(maxima.has_value());
  EXPECT_EQ(maxima->torque, 1260.0F);
  ASSERT_EQ(area.drawing().size(), 4U);
  expect_ops(area.drawing(), 0,
             {{3000, 5280, 3000, 5280},
              {3000, 5280, 20, 0},
              {3000, 5280, 3000, 5280},
              {3000, 5280, 20, 0}},
             0xFF0000, 0x0000FF);
}

TEST_F(DynoPageTest, EveryRowReachesTheFileAtOnceAndTheLogClosesWhenTheProgramEnds) {
  FrmDiagnosticsForm& window = open_page();
  window.dyno_arm.click();
  window.dyno_samples.set_caption("100");
  write_dyno_log_row();
  const std::string flushed = file_text("dyno_temp.csv");
  EXPECT_EQ(std::count(flushed.begin(), flushed.end(), '\n'), 5);
  window.dyno_plot.click();
  EXPECT_EQ(window.dyno_plot_screen.drawing().size(), 4U);

  ui::end_program();
  EXPECT_EQ(dyno_log_file_num, 0);
  write_dyno_log_row();
  EXPECT_EQ(file_text("dyno_temp.csv"), flushed);
}

TEST_F(DynoPageTest, SavingAsksBeforeReplacingAndFailedCopiesAreReportedWhileTheRestGoesOn) {
  FrmDiagnosticsForm& window = open_page();
  std::filesystem::create_directory("ref_dyno_temp.csv");
  window.dyno_arm.click();
  finish_dyno_capture();
  EXPECT_EQ(presenter().shown_messages.back().text,
            "Could not copy dyno_temp.csv to ref_dyno_temp.csv: not a regular file");
  EXPECT_EQ(dyno_log_file_num, 0);
  EXPECT_TRUE(window.dyno_save.enabled() && window.dyno_arm.enabled() &&
              window.dyno_ref_file.enabled());

  std::ofstream("dyno_001.csv") << "earlier";
  presenter().answer_next(ui::MsgResult::no);
  window.dyno_save.click();
  EXPECT_EQ(presenter().shown_messages.back().text,
            "dyno_001.csv already exists. Do you want to replace it?");
  EXPECT_EQ(file_text("dyno_001.csv") + window.dyno_series.text(), "earlier001");
  presenter().answer_next(ui::MsgResult::yes);
  window.dyno_save.click();
  EXPECT_EQ(file_text("dyno_001.csv"), file_text("dyno_temp.csv"));
  EXPECT_EQ(window.dyno_series.text(), "002");
  EXPECT_FALSE(window.dyno_save.enabled());

  // A copy that fails says the system's reason and keeps the series for another try.
  {
    const test::NoFileContents full;
    window.dyno_save_Click();
  }
  EXPECT_EQ(presenter().shown_messages.back().text,
            "Could not copy dyno_temp.csv to dyno_002.csv: File too large (write)");
  std::filesystem::remove("dyno_temp.csv");
  window.dyno_save_Click();
  EXPECT_EQ(presenter().shown_messages.back().text,
            "Could not copy dyno_temp.csv to dyno_002.csv: No such file or directory (read)");
  EXPECT_EQ(window.dyno_series.text(), "002");
  EXPECT_FALSE(std::filesystem::exists("dyno_002.csv"));
}

}  // namespace
}  // namespace ecu
