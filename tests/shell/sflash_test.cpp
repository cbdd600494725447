// The flash utility against a simulated loader on a pseudo-terminal at 19200 baud.

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <memory>
#include <string>

#include "link/comm_port.hpp"
#include "link/loader_port.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/sflash.hpp"
#include "support/main_window_fixture.hpp"
#include "support/simulated_loader.hpp"
#include "support/watched_ports.hpp"

namespace ecu {
namespace {

const std::string kLine0 = "S00600004844521B";
const std::string kLine1 = "S1130000285F245F2212226A000424290008237C2A";
const std::string kLine2 = "S9030000FC";
const std::string kWarning =
    "The reflash opperation requires that ALL other applications be halted, or errors may "
    "occur. Press Cancel if you need to halt other applications";
const std::string kFlashFailed =
    "An error has occurred durring the program Flash opperation, you must Flash the controller "
    "again.";

class SflashTest : public test::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    test::use_system_serial_port();
    loader_ = std::make_unique<test::SimulatedLoader>(1);
    start_console("");
    std::ofstream("fw.s") << kLine0 << "\r\n" << kLine1 << "\r\n" << kLine2 << "\r\n";
  }
  void TearDown() override {
    test::use_system_serial_port();  // the port closes before the loader behind it goes
    loader_.reset();
    MainWindowTest::TearDown();
  }

  // Runs "Flash Program" with `file` chosen in the dialog; the warning is answered OK.
  void flash(const std::string& file = "fw.s") {
    presenter().choose_next_file(file);
    sflash().Command1.click();
  }
  // Runs `action` once, at the first pass after the loader received `text`.
  void when_received(const std::string& text, std::function<void()> action) {
    auto done = std::make_shared<bool>(false);
    ui::event_loop().add_source([this, text, action, done] {
      if (*done || loader_->received().find(text) == std::string::npos) return false;
      *done = true;
      action();
      return true;
    });
  }
  std::string last_message() {
    return presenter().shown_messages.empty() ? "" : presenter().shown_messages.back().text;
  }
  void expect_buttons_usable() {
    EXPECT_TRUE(sflash().Command1.enabled());
    EXPECT_FALSE(sflash().Command2.enabled());
    EXPECT_TRUE(sflash().Command3.enabled());
    EXPECT_TRUE(sflash().exit_flash.enabled());
  }

  std::unique_ptr<test::SimulatedLoader> loader_;
};

// An "E" from the loader stops the stream after its line; one after the last line still fails.
// The failing cases come first: the loader looks for its text in all it has received.
TEST_F(SflashTest, StreamsTheFileAt19200BaudUntilTheLoaderAnswersE) {
  const struct {
    int char_mode;
    std::string line_delay;  // longer than the 100 ms the terminal takes to read an "E"; "": off
    std::string failing_line;
    std::string wire;
    const char* lines_sent;
    const char* last_terminal_line;
    std::string message;
  } cases[] = {
      {ui::CheckBox::unchecked, "0.15", kLine1, "q" + kLine0 + kLine1, " 1", "E", kFlashFailed},
      {ui::CheckBox::unchecked, "0", kLine2, "q" + kLine0 + kLine1 + kLine2, " 2", "E",
       kFlashFailed},
      {ui::CheckBox::unchecked, "", "", "q" + kLine0 + kLine1 + kLine2, " 2", "", kWarning},
      {ui::CheckBox::checked, "", "", "q" + kLine0 + kLine1 + "\r\n" + kLine2 + "\r\n", " 2", "",
       kWarning},
  };
  for (const auto& sample : cases) {
    sflash().char_delay_box.set_value(sample.char_mode);
    sflash().char_dly.set_text("0");
    sflash().line_delay_box.set_value(sample.line_delay.empty() ? ui::CheckBox::unchecked
                                                                : ui::CheckBox::checked);
    sflash().line_dly.set_text(sample.line_delay);
    if (!sample.failing_line.empty()) loader_->fail_after(sample.failing_line);
    const std::size_t sent_before = loader_->received().size();
    flash();
    EXPECT_EQ(loader_->received().substr(sent_before), sample.wire);
    EXPECT_EQ(loader_->line_speed(), 19200U);
    EXPECT_EQ(last_message(), sample.message);
    EXPECT_EQ(sflash().lines_sent.caption(), sample.lines_sent);
    EXPECT_EQ(sflash().terminal_lines(),
              (std::vector<std::string>{"Flashing controller firmware.", "Please stand by.",
                                        sample.last_terminal_line}));
    EXPECT_EQ(caption_suffix, " ->COM1");
    expect_buttons_usable();
  }
}

TEST_F(SflashTest, ALoaderNotAnsweringBIsReportedAndItsOutputWrapsAfterFortyCharacters) {
  loader_->set_ready(false);
  flash();
  EXPECT_EQ(loader_->received(), "q");
  EXPECT_TRUE(presenter().shown_file_dialogs.empty());
  EXPECT_EQ(last_message(),
            "The controller doesnt appear to be ready to reflash, prepare it from the System "
            "Console Tool menu.");

  loader_->send("B" + std::string(39, '1') + "\nE2\r3");
  for (int pass = 0; pass < 2000 && sflash().terminal_lines().size() < 3; ++pass) {
    ui::event_loop().wait_pass(ui::UserInput::allow);
  }
  EXPECT_EQ(sflash().terminal_lines(),
            (std::vector<std::string>{"B" + std::string(39, '1') + "E2", "", "3"}));
  EXPECT_TRUE(sflash().loader_ready);
  EXPECT_TRUE(sflash().flash_error);
}

TEST_F(SflashTest, HaltOrCloseStopBeforeTheNextLineAndAnActivationMeanwhileSendsNoCheck) {
  sflash().line_delay_box.set_value(ui::CheckBox::checked);
  sflash().line_dly.set_text("0.2");
  when_received(kLine1, [] {
    FrmEcu().show();
    sflash().show();
    sflash().Command2.click();
  });
  flash();
  EXPECT_EQ(loader_->received(), "q" + kLine0 + kLine1);
  EXPECT_EQ(last_message(), kFlashFailed);
  expect_buttons_usable();

  // Closing halts the transfer; the window closes once it has ended.
  FrmEcu().hide();
  when_received(kLine1 + "q" + kLine0 + kLine1, [] {
    sflash().request_close();
    EXPECT_TRUE(sflash.loaded());
  });
  flash();
  EXPECT_EQ(loader_->received(), "q" + kLine0 + kLine1 + "q" + kLine0 + kLine1);
  EXPECT_EQ(last_message(), kFlashFailed);
  EXPECT_FALSE(sflash.loaded());
  EXPECT_TRUE(FrmEcu().visible());
  EXPECT_FALSE(loader_port().is_open());
}

TEST_F(SflashTest, AnEmptyOrMissingFileIsReportedAndNothingIsSent) {
  std::ofstream("empty.s").close();
  sflash().show();
  for (int pass = 0; pass < 2000 && loader_->received() != "q"; ++pass) {
    ui::event_loop().wait_pass(ui::UserInput::allow);
  }
  const struct {
    const char* file;
    const char* message;
  } cases[] = {
      {"empty.s", "The firmware file empty.s is empty. Nothing was sent."},
      {"missing.s", "The firmware file missing.s cannot be read. Nothing was sent."},
  };
  for (const auto& sample : cases) {
    flash(sample.file);
    EXPECT_EQ(last_message(), sample.message);
    expect_buttons_usable();
  }
  EXPECT_EQ(loader_->received(), "qqq");
}

TEST_F(SflashTest, APortThatCannotOpenIsNamed) {
  ::setenv("ECU_COM1", "/nonexistent/loader", 1);
  sflash().Command3.click();
  EXPECT_EQ(last_message().rfind("The flash utility cannot open COM1 (/nonexistent/loader: ", 0),
            0U);
}

// A port whose output buffer never drains: the transfer must fail, not hang.
class StuckLoaderPort final : public LoaderPort {
 public:
  bool open(int, std::string*) override { return open_ = true; }
  void close() override { open_ = false; }
  [[nodiscard]] bool is_open() const override { return open_; }
  std::optional<std::string> read_waiting() override { return std::exchange(input_, ""); }
  std::optional<std::size_t> write_some(std::string_view bytes) override {
    if (bytes == "q") input_ = "B";
    written += bytes;
    return bytes.size();
  }
  std::optional<std::size_t> output_queue_count() override { return 200; }
  inline static std::string written;

 private:
  bool open_ = false;
  std::string input_;
};

TEST_F(SflashTest, AnOutputBufferThatNeverDrainsFailsTheTransfer) {
  use_manual_clock();
  StuckLoaderPort::written.clear();
  set_loader_port_factory([] { return std::make_unique<StuckLoaderPort>(); });
  flash();
  EXPECT_EQ(StuckLoaderPort::written, "q");
  EXPECT_EQ(last_message(), kFlashFailed);
  expect_buttons_usable();
}

// A port that takes every byte at once and answers the check: long files in no time.
class PromptLoaderPort final : public LoaderPort {
 public:
  bool open(int, std::string*) override { return open_ = true; }
  void close() override { open_ = false; }
  [[nodiscard]] bool is_open() const override { return open_; }
  std::optional<std::string> read_waiting() override { return std::exchange(input_, ""); }
  std::optional<std::size_t> write_some(std::string_view bytes) override {
    if (bytes == "q") input_ = "B";
    return bytes.size();
  }
  std::optional<std::size_t> output_queue_count() override { return 0; }

 private:
  bool open_ = false;
  std::string input_;
};

TEST_F(SflashTest, TheTerminalIsAWhiteSunkenAreaWithItsTextClearOfTheBorder) {
  flash();
  EXPECT_TRUE(sflash().terminal.bordered());
  EXPECT_EQ(sflash().terminal.back_colour(), ui::colours::white);
  EXPECT_EQ(sflash().terminal.fore_colour(), ui::colours::black);
  ASSERT_FALSE(sflash().terminal.drawing().empty());
  const ui::DrawOp& first = sflash().terminal.drawing().front();
  EXPECT_EQ((std::array<float, 2>{first.x1, first.y1}), (std::array<float, 2>{60, 60}));
}

TEST_F(SflashTest, LinesSentCountsPastTheSixteenBitRange) {
  use_manual_clock();
  set_loader_port_factory([] { return std::make_unique<PromptLoaderPort>(); });
  {
    std::ofstream file("long.s");
    file << kLine0 << "\r\n";
    for (int line = 0; line < 40916; ++line) file << kLine1 << "\r\n";
  }
  flash("long.s");
  EXPECT_EQ(sflash().lines_sent.caption(), " 40916");
  EXPECT_EQ(last_message(), kWarning);
}

}  // namespace
}  // namespace ecu
