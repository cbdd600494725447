#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "maps/frm_2d.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_about.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/frm_wait.hpp"
#include "shell/startup.hpp"
#include "support/console_test.hpp"
#include "support/folder_files.hpp"
#include "views/frm_dashboard.hpp"

namespace ecu {
namespace {

namespace fs = std::filesystem;

const std::string kJpegBytes = std::string("\xFF\xD8\xFF\xE0", 4) + "JFIF body";
constexpr const char* kAboutDesignText =
    "Quellar.EXE, Windows based monitor/programmer for crank triggered engine control.";

// Each test runs in a fresh working folder of its own, as the console reads and writes its
// settings by bare file name.
class StartupTest : public test::ConsoleTest {
 protected:
  void SetUp() override {
    test::ConsoleTest::SetUp();
    previous_folder_ = fs::current_path();
    std::string pattern = (fs::temp_directory_path() / "ecu-shell-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    fs::current_path(folder_);
    console_command_line.clear();
  }

  void TearDown() override {
    no_file_contents_.reset();
    fs::current_path(previous_folder_);
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    console_command_line.clear();
    test::ConsoleTest::TearDown();
  }

  static void write_file(const std::string& name, const std::string& content) {
    std::ofstream file(name, std::ios::binary);
    file << content;
  }

  static std::string read_file(const std::string& name) {
    std::ifstream file(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }

  // The files a normal installation holds.
  static void lay_down_installation() {
    write_file("port.cfg", "2\r\n");
    write_file("OEM.JPG", kJpegBytes);
    write_file("OEM.TXT", "Branding\r\n");
  }

  // Neither the owner nor anyone else can write files here (root included: no file may
  // hold a byte).
  void make_folder_unwritable() {
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
    no_file_contents_.emplace();
  }

  static FrmEcuForm& start(const std::string& command_line = "") {
    console_command_line = command_line;
    return FrmEcu();
  }

  static std::vector<int> checked_lambda_items() {
    std::vector<int> checked;
    for (int k = 0; k < FrmEcuForm::kLambdaUnits; ++k) {
      if (FrmEcu().menuUnitsLambda[k].checked()) checked.push_back(k);
    }
    return checked;
  }

  static std::vector<int> checked_comm_items() {
    std::vector<int> checked;
    for (int n = 1; n <= FrmEcuForm::kComPortItems; ++n) {
      if (FrmEcu().comm_port_item(n).checked()) checked.push_back(n);
    }
    return checked;
  }

 private:
  fs::path previous_folder_;
  fs::path folder_;
  std::optional<test::NoFileContents> no_file_contents_;
};

TEST_F(StartupTest, SetsSharedDefaultsAndBrandsWindowsWithoutSendingAnything) {
  lay_down_installation();
  caption_suffix = " ->COM9";
  current_view = 3;
  rpm_full_scale = 8000.0F;

  FrmEcuForm& main_window = start();

  EXPECT_EQ(demo_mode, kFalse);
  EXPECT_EQ(current_view, 0);
  EXPECT_EQ(caption_suffix, "");
  EXPECT_FLOAT_EQ(afr_factor, 1.0F);
  EXPECT_FLOAT_EQ(rpm_full_scale, 10000.0F);
  EXPECT_FLOAT_EQ(map_sensor_gain, 115.0F);
  EXPECT_FLOAT_EQ(map_sensor_offset, 10.0F);
  EXPECT_EQ(master_mode, 0);
  EXPECT_EQ(main_window.caption(), "ECU System Console");
  EXPECT_EQ(tx_byte_counts[0], 0);
  EXPECT_EQ(link_ready, kFalse);
  EXPECT_TRUE(presenter().shown_messages.empty());
  EXPECT_FALSE(program_ended());

  EXPECT_EQ(main_window.Picture1.picture_path(), "OEM.JPG");
  EXPECT_EQ(frm_dashboard().Picture1.picture_path(), "OEM.JPG");
  EXPECT_EQ(frm_about().Picture1.picture_path(), "OEM.JPG");
  EXPECT_EQ(frm_about().ECU_Rev.caption(), "V1.02.00 02/12/10");

  // The branded windows are loaded but only the program start shows anything.
  EXPECT_FALSE(main_window.visible());
  EXPECT_FALSE(frm_dashboard().visible());
  EXPECT_FALSE(frm_about().visible());
  EXPECT_FALSE(frm_2d().visible());

  EXPECT_TRUE(main_window.menuUnitsPressure[0].checked());
  EXPECT_FALSE(main_window.menuUnitsPressure[1].checked());
  EXPECT_EQ(checked_lambda_items(), std::vector<int>{0});
  EXPECT_FALSE(main_window.menu_remote_setup_halt_client.enabled());
  EXPECT_TRUE(main_window.menu_remote_setup_start_client.enabled());
}

TEST_F(StartupTest, MarksAdditionalMappingFieldsEmptyAndYellow) {
  lay_down_installation();
  start();
  for (int i = 0; i <= 8; ++i) {
    for (ui::ControlArray<ui::TextBox>* fields :
         {&frm_2d().clt_map, &frm_2d().mat_data, &frm_2d().Pressure_Gain}) {
      SCOPED_TRACE((*fields)[i].name() + "(" + std::to_string(i) + ")");
      EXPECT_EQ((*fields)[i].text(), "");
      EXPECT_EQ((*fields)[i].back_colour(), ui::qb_color(14));
    }
  }
}

TEST_F(StartupTest, StartConsoleShowsTheLoadedMainWindow) {
  lay_down_installation();
  start_console("");
  ASSERT_TRUE(FrmEcu.loaded());
  EXPECT_TRUE(FrmEcu().visible());
  EXPECT_EQ(ui::forms().active(), &FrmEcu());
  EXPECT_EQ(FrmEcu().Timer1.interval(), 50);
  EXPECT_EQ(FrmEcu().Timer3.interval(), 1000);
  EXPECT_TRUE(FrmEcu().Timer1.enabled());
  EXPECT_TRUE(FrmEcu().Timer3.enabled());
}

struct PortCase {
  const char* label;
  std::optional<std::string> content;  // nullopt: no port.cfg at all
  Integer com_port;
  std::vector<int> checked;
};

TEST_F(StartupTest, PortSettingTicksItsCommItemAndFallsBackToComOne) {
  const std::vector<PortCase> cases = {
      {"port 4 with CR LF", "4\r\n", 4, {4}},
      {"port 10", "10", 10, {10}},
      {"port 11 is kept but ticks nothing", "11\r\n", 11, {}},
      {"port 0 is kept but ticks nothing", "0", 0, {}},
      {"missing file", std::nullopt, 1, {1}},
      {"empty file", "", 1, {1}},
      {"no number in the file", "COM3\r\n", 1, {1}},
      {"too large for a port number", "99999999", 1, {1}},
  };
  for (const PortCase& c : cases) {
    SCOPED_TRACE(c.label);
    TearDown();
    SetUp();
    write_file("OEM.JPG", kJpegBytes);
    write_file("OEM.TXT", "x\r\n");
    if (c.content) write_file("port.cfg", *c.content);

    start();

    EXPECT_EQ(com_port, c.com_port);
    EXPECT_EQ(checked_comm_items(), c.checked);
    EXPECT_FALSE(program_ended());
    EXPECT_TRUE(presenter().shown_messages.empty());
    // The start-up goes on to its last step.
    EXPECT_TRUE(fs::exists("lambda.txt"));
  }
}

TEST_F(StartupTest, MasterModeMarkerSelectsMasterModeTitle) {
  lay_down_installation();
  write_file("debug.ini", "");
  FrmEcuForm& main_window = start();
  EXPECT_EQ(master_mode, 1);
  EXPECT_EQ(main_window.caption(), "ECU System Console [Master Mode]");
}

TEST_F(StartupTest, FolderNamedLikeTheMarkerIsNoMasterMode) {
  lay_down_installation();
  fs::create_directory("debug.ini");
  FrmEcuForm& main_window = start();
  EXPECT_EQ(master_mode, 0);
  EXPECT_EQ(main_window.caption(), "ECU System Console");
}

TEST_F(StartupTest, OemTextLinesAreJoinedWithCarriageReturnsOnly) {
  lay_down_installation();
  write_file("OEM.TXT", "First line\r\nSecond line\nThird line");
  start();
  EXPECT_EQ(frm_about().oemtext.caption(), "First line\rSecond line\rThird line\r");
}

TEST_F(StartupTest, MissingOemTextKeepsTheDesignedAboutText) {
  lay_down_installation();
  fs::remove("OEM.TXT");
  start();
  EXPECT_EQ(frm_about().oemtext.caption(), kAboutDesignText);
  EXPECT_FALSE(program_ended());
  EXPECT_EQ(frm_about().ECU_Rev.caption(), "V1.02.00 02/12/10");
}

TEST_F(StartupTest, AboutAndDashboardCreatedAgainShowWhatStartUpReadForThem) {
  lay_down_installation();
  start();
  // The files change after start-up; start-up read them, and what it read stands.
  write_file("OEM.TXT", "Changed\r\n");
  fs::remove("OEM.JPG");
  frm_about().press_escape();
  frm_dashboard().request_close();
  ASSERT_FALSE(frm_about.loaded());
  ASSERT_FALSE(frm_dashboard.loaded());

  EXPECT_EQ(frm_about().oemtext.caption(), "Branding\r");
  EXPECT_EQ(frm_about().ECU_Rev.caption(), "V1.02.00 02/12/10");
  EXPECT_EQ(frm_about().Picture1.picture().bytes(), kJpegBytes);
  EXPECT_EQ(frm_dashboard().Picture1.picture().bytes(), kJpegBytes);
}

TEST_F(StartupTest, MissingOrBrokenPictureShowsNothingAndStartupGoesOn) {
  for (const bool present : {false, true}) {
    SCOPED_TRACE(present ? "not a picture" : "missing");
    TearDown();
    SetUp();
    lay_down_installation();
    fs::remove("OEM.JPG");
    if (present) write_file("OEM.JPG", "this is text, not a picture");

    FrmEcuForm& main_window = start();

    EXPECT_EQ(main_window.Picture1.picture_path(), "");
    EXPECT_EQ(frm_dashboard().Picture1.picture_path(), "");
    EXPECT_EQ(frm_about().Picture1.picture_path(), "");
    EXPECT_EQ(frm_about().oemtext.caption(), "Branding\r");
    EXPECT_FLOAT_EQ(map_sensor_gain, 115.0F);
    EXPECT_FALSE(program_ended());
  }
}

// What this thread has had read from files since it began, as the system counts it.
std::int64_t bytes_read_by_this_thread() {
  std::ifstream counts("/proc/thread-self/io");
  std::string key;
  std::int64_t value = 0;
  while (counts >> key >> value) {
    if (key == "rchar:") return value;
  }
  return -1;
}

// A 100 MB OEM.JPG (sparse) of zeros, or with a JPEG's first bytes but a size no picture has:
// start-up reads no more than its first bytes and goes on without a picture.
TEST_F(StartupTest, HugeBrandingFileIsReadNoFurtherThanItsFirstBytes) {
  for (const std::string& head : {std::string(), std::string("\xFF\xD8\xFF\xE0", 4)}) {
    SCOPED_TRACE(head.empty() ? "zeros" : "a JPEG's first bytes");
    TearDown();
    SetUp();
    lay_down_installation();
    write_file("OEM.JPG", head);
    fs::resize_file("OEM.JPG", 100'000'000);
    const std::int64_t before = bytes_read_by_this_thread();
    ASSERT_GE(before, 0) << "the system counts no thread's reads";

    FrmEcuForm& main_window = start();

    // Its files' few bytes and one buffer of the picture's; a whole read is 100 MB.
    EXPECT_LT(bytes_read_by_this_thread() - before, 65'536);
    EXPECT_EQ(main_window.Picture1.picture_path(), "");
    EXPECT_EQ(frm_about().Picture1.picture_path(), "");
    EXPECT_EQ(frm_about().oemtext.caption(), "Branding\r");
    EXPECT_FALSE(program_ended());
  }
}

TEST_F(StartupTest, DemoSwitchMustMatchExactly) {
  struct DemoCase {
    const char* command_line;
    bool demo;
  };
  for (const DemoCase& c :
       {DemoCase{"demo", true}, DemoCase{"Demo", false}, DemoCase{"demo ", false},
        DemoCase{" demo", false}, DemoCase{"DEMO", false}, DemoCase{"", false}}) {
    SCOPED_TRACE(std::string("command line '") + c.command_line + "'");
    TearDown();
    SetUp();
    lay_down_installation();

    start(c.command_line);

    EXPECT_EQ(demo_mode, c.demo ? kTrue : kFalse);
    if (c.demo) {
      ASSERT_EQ(presenter().shown_messages.size(), 1U);
      const ui::MessageBoxRequest& box = presenter().shown_messages[0];
      EXPECT_EQ(box.text, "Demo Mode has been selected, Communicatons will not be performed.");
      EXPECT_EQ(box.title, "ECU System Console");
      EXPECT_EQ(box.buttons, ui::MsgButtons::ok);
    } else {
      EXPECT_TRUE(presenter().shown_messages.empty());
    }
    EXPECT_EQ(link_ready, kFalse);
  }
}

// Notes what start-up had done by the time the demo message came up.
class StartupProbePresenter final : public ui::ScriptedPresenter {
 public:
  ui::MsgResult message_box(const ui::MessageBoxRequest& request) override {
    com_port_seen = com_port;
    rpm_full_scale_seen = rpm_full_scale;
    about_loaded_seen = frm_about.loaded();
    lambda_file_seen = fs::exists("lambda.txt");
    return ScriptedPresenter::message_box(request);
  }
  Integer com_port_seen = -1;
  Single rpm_full_scale_seen = -1.0F;
  bool about_loaded_seen = true;
  bool lambda_file_seen = true;
};

TEST_F(StartupTest, DemoMessageComesAfterTheDefaultsAndBeforeAnyFileIsRead) {
  lay_down_installation();
  rpm_full_scale = 8000.0F;
  auto probe = std::make_shared<StartupProbePresenter>();
  ui::install_presenter(probe);

  start("demo");

  ASSERT_EQ(probe->shown_messages.size(), 1U);
  EXPECT_FLOAT_EQ(probe->rpm_full_scale_seen, 10000.0F) << "the defaults come first";
  EXPECT_EQ(probe->com_port_seen, 0) << "port.cfg not read yet";
  EXPECT_FALSE(probe->about_loaded_seen) << "no window branded yet";
  EXPECT_FALSE(probe->lambda_file_seen) << "lambda.txt not created yet";
  EXPECT_EQ(com_port, 2);
  EXPECT_TRUE(fs::exists("lambda.txt"));
}

struct LambdaCase {
  const char* label;
  std::optional<std::string> content;  // nullopt: no lambda.txt
  Single factor;
  int checked;
  std::string content_after;
};

TEST_F(StartupTest, LambdaUnitIsRestoredOnlyFromAValidEntryAndNeverRewritten) {
  const std::vector<LambdaCase> cases = {
      {"missing file is created with 0", std::nullopt, 1.0F, 0, "0\r\n"},
      {"E85", "3", 9.765F, 3, "3"},
      {"gasoline with CR LF", "1\r\n", 14.7F, 1, "1\r\n"},
      {"above the last unit", "7", 1.0F, 0, "7"},
      {"negative", "-1", 1.0F, 0, "-1"},
      {"empty file", "", 1.0F, 0, ""},
      {"rounds to 5", "4.6", 1.0F, 0, "4.6"},
      {"not a number", "abc", 1.0F, 0, "abc"},
      {"half rounds to even 4", "4.5", 6.4F, 4, "4.5"},
      {"half rounds to even 2", "2.5", 9.0F, 2, "2.5"},
      {"leading number", "2 units", 9.0F, 2, "2 units"},
  };
  for (const LambdaCase& c : cases) {
    SCOPED_TRACE(c.label);
    TearDown();
    SetUp();
    lay_down_installation();
    if (c.content) write_file("lambda.txt", *c.content);

    start();

    EXPECT_FLOAT_EQ(afr_factor, c.factor);
    EXPECT_EQ(checked_lambda_items(), std::vector<int>{c.checked});
    EXPECT_EQ(read_file("lambda.txt"), c.content_after);
    EXPECT_TRUE(presenter().shown_messages.empty());
  }
}

TEST_F(StartupTest, EachLambdaUnitHasItsCaptionAndFactor) {
  struct UnitRow {
    const char* caption;
    Single factor;
  };
  const UnitRow rows[] = {
      {"Lamba is &1.0", 1.0F},
      {"Lambda is 1&4.7 (Gasoline)", 14.7F},
      {"Lambda is 9.&0 (Ethanol)", 9.0F},
      {"Lambda is 9.&765 (E85)", 9.765F},
      {"Lambda is 6.&4 (Methanol)", 6.4F},
  };
  lay_down_installation();
  FrmEcuForm& main_window = start();
  for (int k = 0; k < FrmEcuForm::kLambdaUnits; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(main_window.menuUnitsLambda[k].caption(), rows[k].caption);
    main_window.menuUnitsLambda[k].click();
    EXPECT_FLOAT_EQ(afr_factor, rows[k].factor);
    EXPECT_EQ(checked_lambda_items(), std::vector<int>{k});
  }
}

TEST_F(StartupTest, EveryUnitChoiceOfTheUserIsWrittenAtOnce) {
  lay_down_installation();
  FrmEcuForm& main_window = start();
  ASSERT_EQ(read_file("lambda.txt"), "0\r\n");

  main_window.menuUnitsLambda[1].click();
  EXPECT_FLOAT_EQ(afr_factor, 14.7F);
  EXPECT_EQ(read_file("lambda.txt"), "1\r\n");

  main_window.menuUnitsLambda[4].click();
  EXPECT_EQ(read_file("lambda.txt"), "4\r\n");

  main_window.menuUnitsLambda[4].click();
  EXPECT_EQ(read_file("lambda.txt"), "4\r\n");
  EXPECT_EQ(checked_lambda_items(), std::vector<int>{4});
}

TEST_F(StartupTest, ChoiceAfterRestoredUnitReplacesTheFile) {
  lay_down_installation();
  write_file("lambda.txt", "3");
  write_file("lambda.txt.tmp", "the user's own");
  FrmEcuForm& main_window = start();
  main_window.menuUnitsLambda[2].click();
  EXPECT_EQ(read_file("lambda.txt"), "2\r\n");
  EXPECT_FLOAT_EQ(afr_factor, 9.0F);
  EXPECT_EQ(test::folder_files(), (std::map<std::string, std::string>{
                                      {"OEM.JPG", kJpegBytes},
                                      {"OEM.TXT", "Branding\r\n"},
                                      {"lambda.txt", "2\r\n"},
                                      {"lambda.txt.tmp", "the user's own"},
                                      {"port.cfg", "2\r\n"},
                                  }));
}

// A lambda.txt that leads to a pipe (in the test's folder; a device alike) is neither written
// into nor replaced, at start-up or by a choice, and the choice says why.
TEST_F(StartupTest, UnitFileThatIsNoRegularFileStaysAsItIs) {
  lay_down_installation();
  ASSERT_EQ(::mkfifo("pipe", 0600), 0);
  fs::create_symlink("pipe", "lambda.txt");
  FrmEcuForm& main_window = start();
  main_window.menuUnitsLambda[1].click();
  EXPECT_FLOAT_EQ(afr_factor, 14.7F);
  EXPECT_TRUE(fs::is_fifo(fs::status("lambda.txt")));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status("lambda.txt")));
  ASSERT_EQ(presenter().shown_messages.size(), 1U);
  EXPECT_EQ(presenter().shown_messages[0].text,
            "The units choice could not be saved in lambda.txt (it leads to pipe, which is not a "
            "regular file). It applies until the console is closed.");
}

TEST_F(StartupTest, UnwritableFolderStartsNormallyWithoutUnitFile) {
  lay_down_installation();
  make_folder_unwritable();

  start();

  EXPECT_FALSE(program_ended());
  EXPECT_TRUE(presenter().shown_messages.empty());
  EXPECT_FLOAT_EQ(afr_factor, 1.0F);
  EXPECT_EQ(checked_lambda_items(), std::vector<int>{0});
  EXPECT_FALSE(fs::exists("lambda.txt"));
}

TEST_F(StartupTest, UnitAndPortChoicesInUnwritableFolderApplyForThisRunAndSaySoOnce) {
  lay_down_installation();
  write_file("lambda.txt", "1");
  make_folder_unwritable();
  FrmEcuForm& main_window = start();
  ASSERT_FLOAT_EQ(afr_factor, 14.7F);

  main_window.menuUnitsLambda[2].click();
  main_window.comm_port_item(4).click();

  EXPECT_FALSE(program_ended());
  EXPECT_FLOAT_EQ(afr_factor, 9.0F);
  EXPECT_EQ(checked_lambda_items(), std::vector<int>{2});
  EXPECT_EQ(read_file("lambda.txt"), "1");
  EXPECT_EQ(read_file("port.cfg"), "2\r\n");
  ASSERT_EQ(presenter().shown_messages.size(), 2U);
  // Each message names its file once.
  const std::string files[] = {"lambda.txt", "port.cfg"};
  for (std::size_t k = 0; k < 2; ++k) {
    const std::string& text = presenter().shown_messages[k].text;
    EXPECT_NE(text.find(files[k]), std::string::npos) << text;
    EXPECT_EQ(text.find(files[k]), text.rfind(files[k])) << text;
    EXPECT_EQ(presenter().shown_messages[k].title, "ECU System Console");
  }
}

TEST_F(StartupTest, PressureUnitMovesTheTickAndChangesNothingElse) {
  lay_down_installation();
  write_file("lambda.txt", "1");
  FrmEcuForm& main_window = start();

  main_window.menuUnitsPressure[1].click();
  EXPECT_FALSE(main_window.menuUnitsPressure[0].checked());
  EXPECT_TRUE(main_window.menuUnitsPressure[1].checked());
  EXPECT_FLOAT_EQ(afr_factor, 14.7F);
  EXPECT_FLOAT_EQ(map_sensor_gain, 115.0F);
  EXPECT_EQ(read_file("lambda.txt"), "1");

  main_window.menuUnitsPressure[0].click();
  EXPECT_TRUE(main_window.menuUnitsPressure[0].checked());
  EXPECT_FALSE(main_window.menuUnitsPressure[1].checked());
}

TEST_F(StartupTest, CommItemsAreCaptionedWithTheirNumber) {
  lay_down_installation();
  FrmEcuForm& main_window = start();
  for (int n = 1; n <= FrmEcuForm::kComPortItems; ++n) {
    SCOPED_TRACE(n);
    ui::MenuItem& item = main_window.comm_port_item(n);
    EXPECT_EQ(item.name(), "menu_comm_" + std::to_string(n));
    EXPECT_EQ(item.caption(), n == 10 ? std::string("1&0") : "&" + std::to_string(n));
    EXPECT_EQ(item.parent(), &main_window.menu_comm);
  }
  EXPECT_THROW(main_window.comm_port_item(0), std::out_of_range);
  EXPECT_THROW(main_window.comm_port_item(11), std::out_of_range);
}

TEST_F(StartupTest, QuitAsksAndEndsTheProgramThroughTheShutdownPath) {
  struct QuitCase {
    const char* label;
    void (*trigger)(FrmEcuForm&);
  };
  const QuitCase cases[] = {
      {"File menu", [](FrmEcuForm& form) { form.menu_file_exit.click(); }},
      {"exit button", [](FrmEcuForm& form) { form.Command3d5.click(); }},
  };
  for (const QuitCase& c : cases) {
    SCOPED_TRACE(c.label);
    TearDown();
    SetUp();
    lay_down_installation();
    bool port_closed = false;
    ui::add_shutdown_step([&port_closed] { port_closed = true; });
    start_console("");
    presenter().answer_next(ui::MsgResult::yes);

    c.trigger(FrmEcu());

    ASSERT_EQ(presenter().shown_messages.size(), 1U);
    const ui::MessageBoxRequest& box = presenter().shown_messages[0];
    EXPECT_EQ(box.text, "Are you sure you want to quit?");
    EXPECT_EQ(box.title, "ECU");
    EXPECT_EQ(box.buttons, ui::MsgButtons::yes_no);
    EXPECT_EQ(box.icon, ui::MsgIcon::exclamation);
    EXPECT_EQ(box.default_button, 1);
    EXPECT_TRUE(program_ended());
    EXPECT_TRUE(port_closed);
    EXPECT_FALSE(FrmEcu.loaded());
  }
}

TEST_F(StartupTest, QuitAnsweredNoChangesNothing) {
  lay_down_installation();
  start_console("");
  presenter().answer_next(ui::MsgResult::no);
  FrmEcu().menu_file_exit.click();
  EXPECT_EQ(presenter().shown_messages.size(), 1U);
  EXPECT_FALSE(program_ended());
  ASSERT_TRUE(FrmEcu.loaded());
  EXPECT_TRUE(FrmEcu().visible());
}

TEST_F(StartupTest, ClosingTheMainWindowEndsTheProgram) {
  lay_down_installation();
  start_console("");
  FrmEcu().request_close();
  EXPECT_TRUE(program_ended());
  EXPECT_FALSE(FrmEcu.loaded());
  EXPECT_TRUE(presenter().shown_messages.empty());
}

TEST_F(StartupTest, OnlyTheFirstActivationClearsTheStatusRequestMark) {
  lay_down_installation();
  FrmEcuForm& main_window = start();
  main_window.config_requested = kTrue;
  main_window.show();
  EXPECT_EQ(main_window.config_requested, kFalse);

  main_window.config_requested = kTrue;
  main_window.hide();
  frm_wait().show();
  main_window.show();
  EXPECT_EQ(main_window.config_requested, kTrue);
}

}  // namespace
}  // namespace ecu
