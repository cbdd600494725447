// The plotter's data log: written against the simulated controller and read back as plain
// comma-separated text, and the ways Start Log, Stop Log and a failing file are handled.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "decode/setting_replies.hpp"
#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/receive_framer.hpp"
#include "model/shared_state.hpp"
#include "support/controller_replies.hpp"
#include "support/main_window_fixture.hpp"
#include "support/simulated_controller.hpp"
#include "views/data_log.hpp"
#include "views/frm_mon.hpp"
#include "views/frm_plotter.hpp"

namespace ecu {
namespace {

constexpr const char* kColumns =
    "Time,CPU_T,RPM,A/F,CLT,TPS,MAP,MAT,PW,CORR,IGN\xB0,INJ%,IGN%,WDBG,GPO1%,GPO2%,GPO3%,GPO4%,"
    "MAP#,WTRG,CTRG,CDBG,SECS,EFLGS,EGO_SP,SPEED,GEAR,MAP_C,MAP_R,RPM_C,RPM_R,TPS_C,TPS_R,"
    "TPS_PCNT,O2_ERRS,WB_TEMP,EGT";

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A plain CSV reader: lines end in CR LF, fields are split at every comma.
std::vector<std::vector<std::string>> csv_rows(const std::string& bytes) {
  std::vector<std::vector<std::string>> rows;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) break;
    std::vector<std::string> fields;
    std::stringstream line(bytes.substr(start, end - start));
    for (std::string field; std::getline(line, field, ',');) fields.push_back(field);
    rows.push_back(fields);
    start = end + 2;
  }
  return rows;
}

class DataLogWireTest : public test::MainWindowTest {
 protected:
  void TearDown() override {
    set_serial_port_factory(nullptr);
    controller_.reset();
    MainWindowTest::TearDown();
  }
  std::unique_ptr<test::SimulatedController> controller_;
};

TEST_F(DataLogWireTest, WritesTheHeaderAndOneRowOfTheControllersValuesPerPoll) {
  set_serial_port_factory(nullptr);
  reset_receive_framer();
  controller_ = std::make_unique<test::SimulatedController>(1);
  test::LiveData live;
  live.rpm = 3250;
  live.o2_sensor_status = 301;  // lambda reading with an error count
  live.lambda_or_o2 = 115;      // 0.8984 lambda
  live.coolant = 85;
  live.throttle = 512;
  live.map_quarter_kpa = 404;
  live.air_temp = 30;
  live.base_pw = 3125;       // 5 ms
  live.ign_advance = 65516;  // -20: 5 degrees after top dead centre
  live.tps = 32;
  live.map_cell = 5, live.map_rem = 64, live.rpm_cell = 7, live.rpm_rem = 32;
  live.tps_cell = 2, live.tps_rem = 96;
  live.wb_heater_temp = 780;
  live.egt_sixteenths = 6400;
  controller_->set_reply_payload('A', test::live_data_payload(live));
  test::MonitorFrame monitor;
  monitor.map_set = 1, monitor.wheel_triggers = 1234, monitor.cam_triggers = 56;
  monitor.wheel_tooth = 12, monitor.cam_tooth = 3, monitor.cpu_seconds = 600;
  monitor.error_flags = 5, monitor.speed_sixteenths = 880, monitor.gear = 3;
  monitor.gpo_duty = {255, 128, 0, 64};
  controller_->set_reply_payload(0x81, test::monitor_frame_payload(monitor));
  test::ChannelRuntime runtime;
  runtime.injection_duty.fill(51);
  runtime.ignition_duty.fill(102);
  controller_->set_reply_payload(0xCF, test::channel_runtime_payload(runtime));

  FrmEcuForm& main_window = start_console("");
  open_comm_link();
  ASSERT_EQ(link_ready, kTrue);
  main_window.menu_View_Plotter.click();
  FrmPlotterForm& plotter = frm_plotter();
  plotter.Command3d2.click();
  ASSERT_EQ(logging_active, 1);
  const double before = ui::clock().seconds_since_midnight();
  for (int tick = 0; tick < 4; ++tick) plotter_poll_tick();  // 'A', 0x81, 'A', 0xCF
  const double after = ui::clock().seconds_since_midnight();
  EXPECT_EQ(plotter.File_Samples.caption(), " 4");
  plotter.Command3d3.click();

  const std::string bytes = file_bytes("PLOTTER.CSV");
  ASSERT_EQ(std::string(kColumns).size(), 200U);
  EXPECT_EQ(bytes.substr(0, 202), std::string(kColumns) + "\r\n");
  EXPECT_TRUE(std::regex_search(
      bytes, std::regex("^[^\n]*\r\nLog Begins on \\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d\r\n"
                        "LOG_FILE V1\\.00\\.02\r\n\r\n")));
  const auto rows = csv_rows(bytes);
  ASSERT_EQ(rows.size(), 8U) << "four header lines and four rows";
  EXPECT_EQ(rows[3].size(), 0U);
  const std::vector<std::string> last = rows[7];
  ASSERT_EQ(last.size(), 37U);
  EXPECT_TRUE(std::regex_match(last[0], std::regex("\\d\\d:\\d\\d:\\d\\d"))) << last[0];
  const double cpu_time = std::stod(last[1]);
  EXPECT_GE(cpu_time, before - 0.01);
  EXPECT_LE(cpu_time, after + 0.01);
  const std::vector<std::string> expected = {
      "3250", "0.90", "85",  "50.0",  "101.0", "30",    "5.000", "1.000", "-5.00",
      "20.0", "40.0", "12",  "100.0", "50.2",  "0.0",   "25.1",  "1",     "1234",
      "56",   "3",    "600", "5",     "1.00",  "55.00", "3",     "5",     "0.50",
      "7",    "0.25", "2",   "0.75",  "50.00", "12D",   "780",   "400.0"};
  EXPECT_EQ(std::vector<std::string>(last.begin() + 2, last.end()), expected);
  EXPECT_EQ(rows[4][2], "3250") << "the first row already has the live values";
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
    EXPECT_TRUE(plotter.Command3d2.enabled());
    EXPECT_FALSE(plotter.Command3d3.enabled());
    EXPECT_TRUE(plotter.plot_file.enabled());
  }
};

TEST_F(DataLogMendsTest, AsksBeforeReplacingAFileNotConfirmedInTheSaveAsDialog) {
  FrmPlotterForm& plotter = open_plotter();
  std::ofstream("PLOTTER.CSV") << "an earlier log";
  presenter().answer_next(ui::MsgResult::no);
  plotter.Command3d2.click();
  ASSERT_EQ(presenter().shown_messages.size(), 1U);
  EXPECT_EQ(presenter().shown_messages[0].text,
            "PLOTTER.CSV already exists. Do you want to replace it?");
  expect_idle(plotter);
  EXPECT_EQ(file_bytes("PLOTTER.CSV"), "an earlier log");

  // Chosen in the dialog, which asked itself: no second question.
  presenter().choose_next_file("PLOTTER.CSV");
  plotter.plot_file.double_click();
  plotter.Command3d2.click();
  EXPECT_EQ(presenter().shown_messages.size(), 1U);
  EXPECT_EQ(logging_active, 1);
  plotter.Command3d3.click();
  EXPECT_EQ(file_bytes("PLOTTER.CSV").substr(0, 4), "Time");

  // Confirmed once: the next log into the same file asks again.
  presenter().answer_next(ui::MsgResult::yes);
  plotter.Command3d2.click();
  EXPECT_EQ(presenter().shown_messages.size(), 2U);
  EXPECT_EQ(logging_active, 1);
}

TEST_F(DataLogMendsTest, AFileThatCannotBeCreatedOrWrittenLeavesThePlotterIdleAndSaysSo) {
  FrmPlotterForm& plotter = open_plotter();
  plotter.plot_file.set_text("no-such-folder/run.csv");
  plotter.Command3d2.click();
  ASSERT_EQ(presenter().shown_messages.size(), 1U);
  EXPECT_EQ(presenter().shown_messages[0].text,
            "The data log could not be created: no-such-folder/run.csv: No such file or "
            "directory (open). Logging has not started.");
  expect_idle(plotter);

  // A device that takes no bytes: the first row fails, logging stops.
  plotter.plot_file.set_text("/dev/full");
  plotter.Command3d2.click();
  ASSERT_EQ(logging_active, 1);
  plotter_poll_tick();
  ASSERT_EQ(presenter().shown_messages.size(), 2U);
  EXPECT_EQ(presenter().shown_messages[1].text,
            "Writing to the data log failed: /dev/full: No space left on device (flush). "
            "Logging has been stopped.");
  expect_idle(plotter);
  EXPECT_FALSE(data_log_open());
}

TEST_F(DataLogMendsTest, AReturnToTheRunningLogKeepsStopLogAndEveryRowIsOnDiskAtOnce) {
  FrmPlotterForm& plotter = open_plotter();
  plotter.Command3d2.click();
  // Another window comes and goes; the plotter is activated again.
  frm_mon().show();
  frm_mon().hide();
  EXPECT_EQ(ui::forms().active(), &plotter);
  EXPECT_TRUE(plotter.Command3d3.enabled());
  EXPECT_FALSE(plotter.Command3d2.enabled());

  plotter_poll_tick();
  EXPECT_EQ(csv_rows(file_bytes("PLOTTER.CSV")).size(), 5U) << "flushed while still open";
  ui::end_program();
  EXPECT_TRUE(program_ended());
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
