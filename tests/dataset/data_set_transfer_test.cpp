// The File menu's download and upload against a simulated controller on a pseudo-terminal.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "dataset/data_set_transfer.hpp"
#include "decode/memory_map.hpp"
#include "link/comm_port.hpp"
#include "link/link_test.hpp"
#include "link/receive_framer.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_about.hpp"
#include "shell/frm_dialog.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/frm_wait.hpp"
#include "sim/simulated_controller.hpp"
#include "support/folder_files.hpp"
#include "support/main_window_fixture.hpp"
#include "support/tick_form.hpp"
#include "support/watched_ports.hpp"

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

using test::TickForm;

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
    test::use_system_serial_port();
    reset_receive_framer();
    presenter_ = std::make_shared<HookedPresenter>();
    ui::install_presenter(presenter_);
    controller_ = std::make_unique<sim::SimulatedController>(1);
    main_ = &start_console("");
  }

  void TearDown() override {
    // The port closes before the controller behind it goes away.
    test::use_system_serial_port();
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
  std::unique_ptr<sim::SimulatedController> controller_;
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
  // The user's own files, named as a temporary file might be.
  std::ofstream("cal.set.tmp", std::ios::binary) << "the user's own\r\n";
  std::ofstream("cal.tmp", std::ios::binary) << "another of the user's\r\n";
  auto files = test::folder_files();

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
  files["cal.set"] = read_file("cal.set");
  EXPECT_EQ(test::folder_files(), files) << "the new file and nothing else";
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
  std::ofstream("cal.set.tmp", std::ios::binary) << "the user's own\r\n";
  const auto files = test::folder_files();
  controller_->answer_only(1000);
  TickForm choose_abort([] { answer_dialog(2); });
  download("cal.set");
  ASSERT_EQ(messages().size(), 1U);
  EXPECT_NE(messages()[0].find("so the download was stopped.\nNo file was written: cal.set is as "
                               "it was before."),
            std::string::npos)
      << messages()[0];
  expect_console_released(kFalse);

  controller_->answer_only(sim::SimulatedController::kEveryReply);
  controller_->set_reply_payload('E', std::string("\x00\x00\x07", 3));
  download("cal.set");
  EXPECT_EQ(messages().back(),
            "The controller's replies to the request for MAPM[000] did not answer it, so the "
            "download was stopped.\nNo file was written: cal.set is as it was before.");
  EXPECT_EQ(read_file("cal.set"), "old\r\n");
  EXPECT_EQ(test::folder_files(), files);
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
                "did not answer.\n2 lines were written before it. That line may not have been "
                "written, and the lines after it were not: the controller now holds a partly "
                "written calibration.\n\nThese lines were not written as the file has "
                "them:\nLine 2: XYZW[000]=1 (unknown name)"});
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
                "The data set file was uploaded: 2 lines were written.\n\nThese lines were "
                "not written as the file has them:\nLine 1: EGO_A_LO= 40 (refused: the "
                "controller echoed "
                "another value)\nLine 2: SUPM[004]= 1 (unknown name)"});
  EXPECT_EQ(frm_wait().update_info.caption(), "Unknown variable in data set file -->SUPM[004]");
  EXPECT_EQ(controller_->memory(0x100), 1);
}

// What the upload says of a file it will not send, every text written out as shown: a file
// that would send nothing is refused like a malformed one, a line is shown with its control
// bytes as "?" and cut when long, and a line longer than any data set line is refused.
TEST_F(DataSetTransferTest, UploadRefusesAFileThatWouldSendNothingAndShowsBadLinesReadably) {
  struct Case {
    const char* what;
    std::string file;
    std::string message;
  };
  const std::string long_line = "ACC_SEN = " + std::string(300, '1');
  const Case cases[] = {
      {"random bytes",
       std::string("\x01\x9A\x00zz\r\n\x7F\x10"
                   "abc\r\n",
                   11),
       std::string("The data set file cannot be uploaded: none of its 2 lines is a setting or "
                   "table line of a data set file.\n\nLine 1: ?\x9A?zz\n\nNothing has been sent "
                   "to the controller.")},
      {"a plotter log", "Time,RPM,MAP\r\n\r\n0.05,3000,101.0\r\n",
       "The data set file cannot be uploaded: none of its 3 lines is a setting or table line of "
       "a data set file.\n\nLine 1: Time,RPM,MAP\n\nNothing has been sent to the controller."},
      {"version lines only", "SET_REV = 10000\r\nSW_REV  = V1.02.00 02/12/10\r\n",
       "The data set file cannot be uploaded: none of its 2 lines is a setting or table line of "
       "a data set file.\n\nLine 1: SET_REV = 10000\n\nNothing has been sent to the controller."},
      {"an empty file", "",
       "The data set file cannot be uploaded: it is empty.\n\nNothing has "
       "been sent to the controller."},
      {"blank lines only", " \r\n\t\r\n",
       "The data set file cannot be uploaded: it is empty."
       "\n\nNothing has been sent to the controller."},
      {"a NUL in a value",
       std::string("MAPM[000]=1\r\nMAPM[003]=3\x00"
                   "00\r\n",
                   27),
       "The data set file cannot be uploaded: line 2 is not valid, its value column (from column "
       "11) holds no number.\n\nLine 2: MAPM[003]=3?00\n\nNothing has been sent to the "
       "controller."},
      {"a line of 310 characters", "MAPM[000]=1\r\n" + long_line + "\r\n",
       "The data set file cannot be uploaded: line 2 is not valid, it is longer than any line of "
       "a data set file (310 characters).\n\nLine 2: ACC_SEN = " +
           std::string(70, '1') + "...\n\nNothing has been sent to the controller."},
      {"a line of a megabyte", "ACC_SEN = 1" + std::string(1 << 20, ' ') + "\r\nMAPM[000]=1\r\n",
       "The data set file cannot be uploaded: line 1 is not valid, it is longer than any line of "
       "a data set file (1048587 characters).\n\nLine 1: ACC_SEN = 1" +
           std::string(69, ' ') + "...\n\nNothing has been sent to the controller."},
  };
  for (const Case& c : cases) {
    std::ofstream("wrong.set", std::ios::binary) << c.file;
    const std::size_t before = controller_->request_count();
    presenter_->shown_messages.clear();
    upload("wrong.set");
    EXPECT_EQ(messages(), std::vector<std::string>{c.message}) << c.what;
    EXPECT_EQ(controller_->request_count() - before, 1U) << c.what << ": only the link check";
    expect_console_released(kFalse);
  }
  EXPECT_EQ(controller_->memory(0x100), 0) << "no line was written";
}

// The download's stop message names the old file only when there was one, and no way a run
// ends (the program's end from its failure dialog included) leaves its temporary file or
// touches a file of the user's: the folder holds what it held before.
TEST_F(DataSetTransferTest, StoppedDownloadSaysWhatBecameOfTheFileAndLeavesNoTemporaryOne) {
  struct Case {
    const char* what;
    bool old_file;
    int button;  // pressed in the failure dialog once the controller fell silent
    std::optional<std::string> message;
  };
  const Case cases[] = {
      {"Abort, an old file", true, 2,
       "The controller did not answer the request for MAPM[000], so the download was stopped."
       "\nNo file was written: cal.set is as it was before."},
      {"Abort, no old file", false, 2,
       "The controller did not answer the request for MAPM[000], so the download was stopped."
       "\nNo file was written."},
      {"Demo, no old file", false, 1,
       "The controller did not answer the request for MAPM[000], so the download was stopped."
       "\nNo file was written."},
      {"Terminate", false, 3, std::nullopt},
  };
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    if (c.old_file) std::ofstream("cal.set", std::ios::binary) << "old\r\n";
    std::ofstream("cal.set.tmp", std::ios::binary) << "the user's own\r\n";
    std::ofstream("cal.tmp", std::ios::binary) << "another of the user's\r\n";
    const auto files = test::folder_files();
    // The link check and the settings reads, then silence.
    controller_->answer_only(1 + 67);
    std::optional<std::map<std::string, std::string>> files_at_end;
    std::vector<std::string> open_at_end;
    ui::set_program_end([&] {
      files_at_end = test::folder_files();
      open_at_end = test::files_open_in_folder();
    });
    TickForm press([&c] { answer_dialog(c.button); });
    download("cal.set");
    EXPECT_EQ(messages().empty(), !c.message.has_value()) << c.what;
    if (c.message) {
      EXPECT_EQ(messages().back(), *c.message) << c.what;
    }
    EXPECT_EQ(files_at_end.has_value(), c.button == 3) << c.what;
    EXPECT_EQ(files_at_end.value_or(files), files) << c.what << ": removed as it ended";
    EXPECT_EQ(open_at_end, std::vector<std::string>{}) << c.what << ": closed as it ended";
    EXPECT_EQ(test::folder_files(), files) << c.what;
  }
}

// A chosen name that leads to a pipe (a device alike) is refused as soon as the dialog has
// answered: no read goes to the controller after the link check, and the pipe stays.
TEST_F(DataSetTransferTest, DownloadToWhatIsNotARegularFileIsRefusedBeforeAnyRead) {
  ASSERT_EQ(::mkfifo("pipe", 0600), 0);
  std::filesystem::create_symlink("pipe", "cal.set");
  const auto files = test::folder_files();
  presenter_->choose_next_file("cal.set");
  main_->menufilesave_Click();
  EXPECT_EQ(messages(),
            std::vector<std::string>{"Cannot write cal.set: it leads to pipe, which is not a "
                                     "regular file"});
  EXPECT_EQ(controller_->request_count(), 1U);
  EXPECT_EQ(test::folder_files(), files);
  EXPECT_TRUE(std::filesystem::is_fifo(std::filesystem::status("cal.set")));
  expect_console_released(kFalse);
}

// A file of the download's temporary naming that nothing proves the console's stays, and the
// message of the download that succeeded names it.
TEST_F(DataSetTransferTest, ADownloadNamesTheFilesOfItsTemporaryNamingThatItLeaves) {
  std::ofstream("cal.set.0123456789ab.tmp", std::ios::binary) << "the user's own\r\n";
  ASSERT_EQ(download("cal.set").size(), 2126U);
  EXPECT_EQ(messages(), std::vector<std::string>{
                            "cal.set is written.\nLeft as it is, as nothing shows that the "
                            "console made it: cal.set.0123456789ab.tmp. A save that was cut short "
                            "leaves such a file; remove it if it is not yours."});
  EXPECT_EQ(read_file("cal.set.0123456789ab.tmp"), "the user's own\r\n");
}

// The serial device goes away in the middle of a download: while it is gone "Try Again"
// brings the usual failure dialog back; once it is back "Try Again" opens the same COM port
// and the download goes on from the request that failed.
TEST_F(DataSetTransferTest, APortPulledDuringADownloadAndPutBackCompletesItAfterTryAgain) {
  const auto fill = [](sim::SimulatedController& controller) {
    for_each_calibration_address([&](std::uint16_t address) {
      controller.set_memory(address, static_cast<std::uint8_t>((address * 13 + 5) & 0xFF));
    });
  };
  fill(*controller_);
  download("undisturbed.set");
  const std::size_t before = controller_->request_count();
  std::vector<std::string> dialog_texts;
  int phase = 0;
  TickForm unplug([&] {
    if (phase == 0 && controller_->request_count() >= before + 1000) {
      controller_->hang_up();
      phase = 1;
    }
    if (!frm_Dialog.loaded() || !frm_Dialog().visible()) return;
    dialog_texts.push_back(frm_Dialog().dialog_caption.caption());
    if (phase == 1) {
      // Gone: COM1 still names the device that went away.
      const std::string gone = controller_->device_path();
      controller_.reset();
      ::setenv("ECU_COM1", gone.c_str(), 1);
      phase = 2;
    } else if (phase == 2) {
      controller_ = std::make_unique<sim::SimulatedController>(1);
      fill(*controller_);
      phase = 3;
    }
    frm_Dialog().dialog_button[0].click();
  });
  download("cal.set");
  EXPECT_EQ(dialog_texts, (std::vector<std::string>{"Communications has failed, Run Demo mode?",
                                                    "Communications has failed, Run Demo mode?"}));
  EXPECT_EQ(phase, 3);
  EXPECT_TRUE(messages().empty());
  const std::string downloaded = read_file("cal.set");
  EXPECT_EQ(downloaded, read_file("undisturbed.set"));
  EXPECT_EQ(std::count(downloaded.begin(), downloaded.end(), '\n'), 2126);
  expect_console_released(kFalse);
}

// However fast the requests go, the wait window's counts and bar are drawn at most 30 times
// a second, and they end showing the last values exactly.
TEST_F(DataSetTransferTest, TheWaitWindowIsDrawnAtMostThirtyTimesASecondAndEndsExact) {
  ui::ManualClock& clock = use_manual_clock();
  test::CaptionRecorder tx_writes("tx_bytes");
  {
    DataSetTransferScope scope;
    scope.show_wait("ECU->cal.set");
    ui::forms().set_observer(&tx_writes);
    // A request every millisecond for one second: drawn at 1 ms, then every 34 ms (the first
    // step past 1/30 s) up to 987 ms, 30 times, and once more as the window goes.
    for (int k = 1; k <= 1000; ++k) {
      clock.advance(0.001);
      tx_byte_counts[1] = 8 * k;
      scope.show_progress(k, 1000);
    }
    EXPECT_EQ(tx_writes.captions.size(), 30U);
    EXPECT_EQ(tx_writes.captions.back(), "7896") << "drawn at 987 ms";
  }
  ui::forms().set_observer(nullptr);
  EXPECT_EQ(tx_writes.captions.size(), 31U);
  EXPECT_EQ(frm_wait().tx_bytes.caption(), "8000");
  EXPECT_EQ(frm_wait().percent_comp[1].width(), 5280);
}

}  // namespace
}  // namespace ecu
