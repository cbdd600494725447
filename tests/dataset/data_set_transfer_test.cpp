// The File menu's download and upload against a simulated controller on a pseudo-terminal.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "decode/memory_map.hpp"
#include "link/comm_port.hpp"
#include "link/receive_framer.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_about.hpp"
#include "shell/frm_dialog.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/frm_wait.hpp"
#include "support/main_window_fixture.hpp"
#include "support/simulated_controller.hpp"

namespace ecu {
namespace {

// Answers the file dialog with a path, after running a test's hook.
class HookedPresenter : public ui::ScriptedPresenter {
 public:
  std::optional<std::string> file_dialog(const ui::FileDialogRequest& request) override {
    if (on_file_dialog) on_file_dialog();
    return ui::ScriptedPresenter::file_dialog(request);
  }
  std::function<void()> on_file_dialog;
};

// Runs a handler every millisecond, also inside the transfer's waits and modal dialogs.
class TickForm final : public ui::Form {
 public:
  explicit TickForm(std::function<void()> handler) : ui::Form("tick_form", "", 1000, 1000) {
    tick.set_interval(1);
    tick.on_timer = std::move(handler);
  }
  ui::Timer tick{*this, "tick", 1};
};

// Presses button `index` of the choice dialog whenever it shows.
void answer_dialog(int index) {
  if (frm_Dialog.loaded() && frm_Dialog().visible()) frm_Dialog().dialog_button[index].click();
}

std::string read_file(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

void for_each_calibration_address(const std::function<void(std::uint16_t)>& visit) {
  for (const CalibrationTable& table : calibration_memory_map()) {
    for (Long address = table.first_address; address <= table.last_address; ++address)
      visit(static_cast<std::uint16_t>(address));
  }
}

class DataSetTransferTest : public test::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    set_serial_port_factory(nullptr);
    reset_receive_framer();
    presenter_ = std::make_shared<HookedPresenter>();
    ui::install_presenter(presenter_);
    controller_ = std::make_unique<test::SimulatedController>(1);
    main_ = &start_console("");
  }

  void TearDown() override {
    // The port closes before the controller behind it goes away.
    set_serial_port_factory(nullptr);
    controller_.reset();
    MainWindowTest::TearDown();
  }

  std::vector<std::string> download(const std::string& path) {
    presenter_->choose_next_file(path);
    main_->menufilesave_Click();
    std::vector<std::string> lines;
    std::istringstream text(read_file(path));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

  void upload(const std::string& path) {
    presenter_->choose_next_file(path);
    main_->menufileopen_Click();
  }

  std::vector<std::string> messages() const {
    std::vector<std::string> texts;
    for (const auto& shown : presenter_->shown_messages) texts.push_back(shown.text);
    return texts;
  }

  void expect_console_released(Flag poll_inhibit_before) const {
    EXPECT_TRUE(main_->enabled());
    EXPECT_FALSE(main_->busy_pointer());
    EXPECT_FALSE(frm_wait.loaded() && frm_wait().visible());
    EXPECT_EQ(poll_inhibit, poll_inhibit_before);
  }

  std::shared_ptr<HookedPresenter> presenter_;
  std::unique_ptr<test::SimulatedController> controller_;
  FrmEcuForm* main_ = nullptr;
};

TEST_F(DataSetTransferTest, DownloadWritesTheControllersCalibrationLineByLine) {
  const std::map<std::uint16_t, std::uint8_t> memory{
      {0x100, 128}, {0x6FF, 255}, {0x000, 64}, {0x078, 7}, {0x9B0, 1}};
  for (const auto& [address, value] : memory) controller_->set_memory(address, value);
  bool held_while_running = false;
  TickForm watch([&] {
    if (!main_->enabled() && frm_wait().visible() && poll_inhibit == kTrue)
      held_while_running = true;
  });

  const std::vector<std::string> lines = download("cal.set");

  ASSERT_EQ(lines.size(), 2126U);
  const std::map<int, std::string> expected{
      {1, "SET_REV = 10000"},   {2, "SW_REV  = V1.02.00 02/12/10"},
      {3, "FW_REV  = 10203"},   {4, "ACC_SEN = 100"},
      {11, "FS_RPM  = 8000"},   {20, "EGO_A_LO= 32"},
      {23, "MAP_TYPE= 194"},    {41, "TACH_PH = 5"},
      {74, "BAR_OFST= 127"},    {77, "MAP_SCLR= 1024"},
      {81, "INJP[003]= 8"},     {132, "GPOV[002]= -5"},
      {137, "RPMS[003]= 6000"}, {173, "BO_P[003]= 2048"},
      {195, "BOFG[001]= 2"},    {198, "MAPM[000]=128"},
      {709, "IGN3[255]=255"},   {1222, "EGOL[000]=64"},
      {1311, "CLTM[008]=7"},    {1454, "INJK[007]=4096"},
      {1459, "INJO[004]=-625"}, {1964, "BMP1[080]=1"},
      {2126, "BMP3[080]=0"},
  };
  for (const auto& [number, text] : expected) EXPECT_EQ(lines.at(number - 1), text + "\r");
  EXPECT_EQ(controller_->request_count(), 1969U);
  EXPECT_EQ(frm_about().ECU_Rev.caption(), "V1.02.00 02/12/10") << "the version the file names";
  EXPECT_TRUE(messages().empty());
  EXPECT_TRUE(held_while_running);
  EXPECT_EQ(frm_wait().percent_comp[1].width(), frm_wait().percent_comp[0].width());
  expect_console_released(kFalse);
}

TEST_F(DataSetTransferTest, UploadOfADownloadedFileMakesAnotherControllerEqual) {
  for_each_calibration_address(
      [&](std::uint16_t address) { controller_->set_memory(address, (address * 37 + 11) & 0xFF); });
  std::map<int, std::string> blocks;
  for (int code = 0; code < 256; ++code) blocks[code] = controller_->settings().block(code);
  const std::vector<std::string> lines = download("cal.set");
  // Another calibration: every stored byte changed, lines read back with LF alone.
  for_each_calibration_address(
      [&](std::uint16_t address) { controller_->set_memory(address, 0xA5); });
  for (auto [code, payload] : blocks) {
    for (char& byte : payload) byte = static_cast<char>(byte ^ 0x5A);
    if (code != 0xB3 && code != 0xB4 && code != 0x35)
      controller_->settings().set_block(code, payload);
  }
  std::ofstream("lf.set", std::ios::binary) << [&] {
    std::string text;
    for (const std::string& line : lines) text += line.substr(0, line.size() - 1) + "\n";
    return text;
  }();
  const std::size_t before = controller_->request_count();

  upload("lf.set");

  EXPECT_EQ(controller_->request_count() - before, 2124U) << "the link check and 2123 writes";
  for_each_calibration_address([&](std::uint16_t address) {
    EXPECT_EQ(controller_->memory(address), (address * 37 + 11) & 0xFF) << address;
  });
  for (const auto& [code, payload] : blocks) {
    EXPECT_EQ(controller_->settings().block(code), payload) << "block of " << code;
  }
  EXPECT_TRUE(messages().empty());
  expect_console_released(kFalse);
}

TEST_F(DataSetTransferTest, DownloadStoppedBySilenceOrAReplyForAnotherAddressKeepsTheOldFile) {
  std::ofstream("cal.set", std::ios::binary) << "old\r\n";
  controller_->answer_only(1000);
  TickForm choose_abort([] { answer_dialog(2); });
  download("cal.set");
  ASSERT_EQ(messages().size(), 1U);
  EXPECT_NE(messages()[0].find("so the download was stopped.\nNo file was written: cal.set is as "
                               "it was before."),
            std::string::npos)
      << messages()[0];
  expect_console_released(kFalse);

  controller_->answer_only(test::SimulatedController::kEveryReply);
  controller_->set_reply_payload('E', std::string("\x00\x00\x07", 3));
  download("cal.set");
  EXPECT_EQ(messages().back(),
            "The controller's replies to the request for MAPM[000] did not answer it, so the "
            "download was stopped.\nNo file was written: cal.set is as it was before.");
  EXPECT_EQ(read_file("cal.set"), "old\r\n");
  EXPECT_FALSE(std::filesystem::exists("cal.set.tmp"));
}

TEST_F(DataSetTransferTest, TryAgainRepeatsTheSameRequestAndDemoStops) {
  presenter_->on_file_dialog = [&] { controller_->ignore_requests(10); };
  TickForm try_again([] { answer_dialog(0); });
  EXPECT_EQ(download("cal.set").size(), 2126U);
  const auto frames = controller_->request_frames();
  ASSERT_EQ(frames.size(), 1979U);
  for (int k = 1; k <= 11; ++k) EXPECT_EQ(frames[k][2], 'C') << k;
  // The upload sends the same line again.
  std::ofstream("one.set") << "MAPM[000]=9\r\n";
  upload("one.set");
  EXPECT_EQ(controller_->request_count(), 1979U + 12U) << "the link check and the line 11 times";
  EXPECT_EQ(controller_->request_frames().back(), controller_->request_frames()[1979 + 1]);
  EXPECT_EQ(controller_->memory(0x100), 9);

  TickForm demo([] { answer_dialog(1); });
  try_again.tick.set_enabled(false);
  download("cal.set");
  EXPECT_EQ(messages().back(),
            "The controller did not answer the request for read_base_config, so the download was "
            "stopped.\nNo file was written: cal.set is as it was before.");
}

TEST_F(DataSetTransferTest, DemoModeSendsNothingAndAStaleReplyFlagIsNoAnswer) {
  demo_mode = kTrue;
  download("cal.set");
  // Demo chosen in the port dialog, with the flag of an earlier reply still set.
  com_port = 2;
  ::setenv("ECU_COM2", "/nonexistent/tty", 1);
  TickForm choose_demo([] { answer_dialog(1); });
  reply_received = -1;
  demo_mode = kFalse;
  download("cal.set");
  reply_received = -1;
  demo_mode = kFalse;
  upload("cal.set");
  ::unsetenv("ECU_COM2");
  const std::string demo =
      "This program is running in demo mode, so this feature cannot be executed.";
  EXPECT_EQ(messages(), (std::vector<std::string>{demo, demo, demo}));
  EXPECT_EQ(controller_->request_count(), 0U);
  EXPECT_TRUE(presenter_->shown_file_dialogs.empty());
}

TEST_F(DataSetTransferTest, MissingOrMalformedFilesAreReportedWithTheirReasonAndSendNothing) {
  poll_inhibit = kTrue;
  download("missing/cal.set");
  upload("missing.set");
  std::ofstream("bad.set") << "SET_REV = 10000\r\nMAPM[000]=1\r\nMAPM[003]=300\r\n";
  const std::size_t before = controller_->request_count();
  upload("bad.set");
  EXPECT_EQ(controller_->request_count() - before, 1U) << "only the link check";
  EXPECT_EQ(messages(), (std::vector<std::string>{
                            "Cannot write missing/cal.set: No such file or directory (open)",
                            "Cannot open missing.set: No such file or directory",
                            "The data set file cannot be uploaded: line 3 is not valid, its value "
                            "300 is outside 0 to 255.\n\nLine 3: MAPM[003]=300\n\nNothing has been "
                            "sent to the controller."}));
  expect_console_released(kTrue);
}

TEST_F(DataSetTransferTest, AbortedUploadNamesTheLineReachedAndThePartlyWrittenCalibration) {
  std::ofstream("part.set")
      << "FS_RPM  = 7000\nXYZW[000]=1\nTACH_PH = 9\nMAPM[002]=7\nMAPM[003]=8\n";
  // Memory writes get an answer of the wrong length, which is no answer at all.
  controller_->set_reply_payload('e', std::string(1, '\x01'));
  TickForm choose_abort([] { answer_dialog(2); });
  upload("part.set");
  EXPECT_EQ(messages(),
            std::vector<std::string>{
                "The upload was stopped at line 4 of 5 (MAPM[002]=7): the controller "
                "did not answer.\nThat line and the lines after it were not written: the "
                "controller now holds a partly written calibration.\n\nThese lines were "
                "not written as the file has them:\nLine 2: XYZW[000]=1 (unknown name)"});
  EXPECT_EQ(controller_->settings().block(0xB0), std::string("\x09\x00", 2));
  EXPECT_EQ(controller_->request_count(), 1U + 2U + 10U) << "no line after the one stopped at";
  expect_console_released(kFalse);
}

TEST_F(DataSetTransferTest, EchoOfAnotherValueIsRefusedAndUnknownNamesAreReported) {
  controller_->set_reply_payload('<', std::string("\x05", 1));
  std::ofstream("ego.set") << "EGO_A_LO= 40\r\nSUPM[004]= 1\r\nMAPM[000]=1\r\n";
  upload("ego.set");
  EXPECT_EQ(messages(),
            std::vector<std::string>{
                "The data set file was uploaded.\n\nThese lines were not written as the "
                "file has them:\nLine 1: EGO_A_LO= 40 (refused: the controller echoed "
                "another value)\nLine 2: SUPM[004]= 1 (unknown name)"});
  EXPECT_EQ(frm_wait().update_info.caption(), "Unknown variable in data set file -->SUPM[004]");
  EXPECT_EQ(controller_->memory(0x100), 1);
}

}  // namespace
}  // namespace ecu
