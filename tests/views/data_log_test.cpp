// The plotter's data log: written against the simulated controller and read back as plain
// comma-separated text, and the ways Start Log, Stop Log and a failing file are handled.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/receive_framer.hpp"
#include "model/shared_state.hpp"
#include "sim/controller_replies.hpp"
#include "sim/simulated_controller.hpp"
#include "support/main_window_fixture.hpp"
#include "support/watched_ports.hpp"
#include "views/data_log.hpp"
#include "views/frm_mon.hpp"
#include "views/frm_plotter.hpp"

namespace ecu {
namespace {

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A plain CSV reader: one row per CR LF line, fields split at every comma.
std::vector<std::vector<std::string>> csv_rows(const std::string& bytes) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(bytes);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line.back() != '\r') break;  // not a whole line
    std::istringstream fields(line.substr(0, line.size() - 1));
    rows.emplace_back();
    for (std::string field; std::getline(fields, field, ',');) rows.back().push_back(field);
  }
  return rows;
}

class DataLogWireTest : public test::MainWindowTest {};

// The columns autotune reads, where the header puts them (counted from 1).
TEST(DataLogColumnsTest, NamesTheFieldNumberOfEachColumnAReaderLooksFor) {
  const std::vector<std::pair<const char*, int>> expected{
      {"Time", 1},   {"CPU_T", 2},   {"RPM", 3},       {"A/F", 4},    {"TPS", 6},    {"MAP", 7},
      {"CORR", 10},  {"EGO_SP", 25}, {"MAP_C", 28},    {"MAP_R", 29}, {"RPM_C", 30}, {"RPM_R", 31},
      {"TPS_C", 32}, {"TPS_R", 33},  {"TPS_PCNT", 34}, {"EGT", 37},   {"TIME", 0},   {"", 0}};
  for (const auto& [column, number] : expected) {
    EXPECT_EQ(data_log_field_number(column), number) << column;
  }
}

TEST_F(DataLogWireTest, WritesTheHeaderAndOneRowOfTheControllersValuesPerPoll) {
  test::use_system_serial_port();
  reset_receive_framer();
  sim::SimulatedController controller(1);
  sim::LiveData live;
  live.rpm = 3250, live.lambda_or_o2 = 115, live.coolant = 85, live.throttle = 512;
  live.o2_sensor_status = 301;  // a lambda reading with sensor errors
  live.map_quarter_kpa = 404, live.air_temp = 30, live.base_pw = 3125, live.tps = 32;
  live.ign_advance = 65516;  // -20: 5 degrees after top dead centre
  live.map_cell = 5, live.map_rem = 64, live.rpm_cell = 7, live.rpm_rem = 32;
  live.tps_cell = 2, live.tps_rem = 96, live.wb_heater_temp = 780, live.egt_sixteenths = 6400;
  controller.set_reply_payload('A', sim::live_data_payload(live));
  sim::MonitorFrame frame;
  frame.map_set = 1, frame.wheel_triggers = 1234, frame.cam_triggers = 56, frame.wheel_tooth = 12;
  frame.cam_tooth = 3, frame.cpu_seconds = 600, frame.error_flags = 5, frame.gear = 3;
  frame.speed_sixteenths = 880, frame.gpo_duty = {255, 128, 0, 64};
  controller.set_reply_payload(0x81, sim::monitor_frame_payload(frame));
  sim::ChannelRuntime runtime;
  runtime.injection_duty.fill(51), runtime.ignition_duty.fill(102);
  controller.set_reply_payload(0xCF, sim::channel_runtime_payload(runtime));

  start_console("").menu_View_Plotter.click();
  ASSERT_EQ(link_ready, kTrue);
  FrmPlotterForm& plotter = frm_plotter();
  plotter.Command3d2.click();
  const double before = ui::clock().seconds_since_midnight();
  for (int tick = 0; tick < 4; ++tick) plotter_poll_tick();  // 'A', 0x81, 'A', 0xCF
  const double after = ui::clock().seconds_since_midnight();
  EXPECT_EQ(plotter.File_Samples.caption(), " 4");
  plotter.Command3d3.click();
  test::use_system_serial_port();

  const std::string bytes = file_bytes("PLOTTER.CSV");
  const std::string columns =
      "Time,CPU_T,RPM,A/F,CLT,TPS,MAP,MAT,PW,CORR,IGN\xB0,INJ%,IGN%,WDBG,GPO1%,GPO2%,GPO3%,"
      "GPO4%,MAP#,WTRG,CTRG,CDBG,SECS,EFLGS,EGO_SP,SPEED,GEAR,MAP_C,MAP_R,RPM_C,RPM_R,TPS_C,"
      "TPS_R,TPS_PCNT,O2_ERRS,WB_TEMP,EGT\r\n";
  ASSERT_EQ(columns.size(), 202U);
  EXPECT_EQ(bytes.substr(0, 202), columns);
  EXPECT_TRUE(std::regex_search(bytes, std::regex("^[^\n]*\nLog Begins on \\d\\d-\\d\\d-\\d{4} "
                                                  "\\d\\d:\\d\\d:\\d\\d\r\nLOG_FILE "
                                                  "V1\\.00\\.02\r\n\r\n[^\r\n]")));
  const auto rows = csv_rows(bytes);
  ASSERT_EQ(rows.size(), 8U) << "four header lines and four rows";
  EXPECT_EQ(rows[4][2], "3250") << "the first row already has the live values";
  ASSERT_EQ(rows[7].size(), 37U);
  EXPECT_TRUE(std::regex_match(rows[7][0], std::regex("\\d\\d:\\d\\d:\\d\\d"))) << rows[7][0];
  EXPECT_GE(std::stod(rows[7][1]), before - 0.01);
  EXPECT_LE(std::stod(rows[7][1]), after + 0.01);
  const std::vector<std::string> expected = {
      "3250", "0.90", "85",  "50.0",  "101.0", "30",    "5.000", "1.000", "-5.00",
      "20.0", "40.0", "12",  "100.0", "50.2",  "0.0",   "25.1",  "1",     "1234",
      "56",   "3",    "600", "5",     "1.00",  "55.00", "3",     "5",     "0.50",
      "7",    "0.25", "2",   "0.75",  "50.00", "12D",   "780",   "400.0"};
  EXPECT_EQ(std::vector<std::string>(rows[7].begin() + 2, rows[7].end()), expected);
}

class DataLogMendsTest : public test::MainWindowTest {
 protected:
  void TearDown() override {
    close_data_log();
    MainWindowTest::TearDown();
  }
  FrmPlotterForm& open_plotter() {
    start_demo().menu_View_Plotter.click();
    presenter().shown_messages.clear();  // the demo mode notice
    return frm_plotter();
  }
  static void expect_idle(FrmPlotterForm& plotter) {
    EXPECT_EQ(logging_active, 0);
    EXPECT_TRUE(plotter.Command3d2.enabled() && plotter.plot_file.enabled());
    EXPECT_FALSE(plotter.Command3d3.enabled());
  }
  std::string message(std::size_t index) { return presenter().shown_messages.at(index).text; }
};

TEST_F(DataLogMendsTest, AsksBeforeReplacingAFileNotConfirmedInTheSaveAsDialog) {
  FrmPlotterForm& plotter = open_plotter();
  std::ofstream("PLOTTER.CSV") << "an earlier log";
  presenter().answer_next(ui::MsgResult::no);
  plotter.Command3d2.click();
  EXPECT_EQ(message(0), "PLOTTER.CSV already exists. Do you want to replace it?");
  expect_idle(plotter);
  EXPECT_EQ(file_bytes("PLOTTER.CSV"), "an earlier log");

  plotter.plot_file.double_click();  // the dialog cancelled: the name stays
  EXPECT_EQ(plotter.plot_file.text(), "PLOTTER.CSV");
  // Chosen in the dialog, which asked itself: no second question, once.
  presenter().choose_next_file("PLOTTER.CSV");
  plotter.plot_file.double_click();
  plotter.Command3d2.click();
  EXPECT_EQ(presenter().shown_messages.size(), 1U);
  EXPECT_EQ(logging_active, 1);
  plotter.Command3d3.click();
  EXPECT_EQ(file_bytes("PLOTTER.CSV").substr(0, 5), "Time,");
  presenter().answer_next(ui::MsgResult::yes);
  plotter.Command3d2.click();
  EXPECT_EQ(presenter().shown_messages.size(), 2U);
  EXPECT_EQ(logging_active, 1);
}

TEST_F(DataLogMendsTest, AFileThatCannotBeCreatedOrWrittenLeavesThePlotterIdleAndSaysSo) {
  FrmPlotterForm& plotter = open_plotter();
  plotter.plot_file.set_text("no-such-folder/run.csv");
  plotter.Command3d2.click();
  EXPECT_EQ(message(0),
            "The data log could not be created: no-such-folder/run.csv: No such file or "
            "directory (open). Logging has not started.");
  expect_idle(plotter);

  // A device that takes no bytes: the first row fails, logging stops.
  plotter.plot_file.set_text("/dev/full");
  plotter.Command3d2.click();
  ASSERT_EQ(logging_active, 1);
  plotter_poll_tick();
  EXPECT_EQ(message(1),
            "Writing to the data log failed: /dev/full: No space left on device (flush). "
            "Logging has been stopped.");
  expect_idle(plotter);
  EXPECT_FALSE(data_log_open());
}

TEST_F(DataLogMendsTest, AReturnToTheRunningLogKeepsStopLogAndEveryRowIsOnDiskAtOnce) {
  FrmPlotterForm& plotter = open_plotter();
  plotter.Command3d2.click();
  frm_mon().show();  // another window comes and goes: the plotter is activated again
  frm_mon().hide();
  EXPECT_EQ(ui::forms().active(), &plotter);
  EXPECT_TRUE(plotter.Command3d3.enabled());
  EXPECT_FALSE(plotter.Command3d2.enabled());

  plotter_poll_tick();
  EXPECT_EQ(csv_rows(file_bytes("PLOTTER.CSV")).size(), 5U) << "flushed while still open";
  ui::end_program();
  EXPECT_FALSE(data_log_open()) << "the shutdown closes the log";
}

TEST_F(DataLogMendsTest, AChartMarkIsTheTimeOfDayWithItsFractionTruncatedToHundredths) {
  ui::ManualClock& clock = use_manual_clock();
  FrmPlotterForm& plotter = frm_plotter();
  const std::pair<double, const char*> cases[] = {{45296.999, "12:34:56.99"},
                                                  {45296.999999999, "12:34:56.99"},
                                                  {45296.0, "12:34:56."},
                                                  {45296.29, "12:34:56.29"},
                                                  {45296.5, "12:34:56.5"}};
  for (const auto& [time, text] : cases) {
    clock.set_time_of_day(time);
    plotter.Strip1.click();
    EXPECT_EQ(plotter.Strip1.text_marks().back().text, text);
  }
}

}  // namespace
}  // namespace ecu
