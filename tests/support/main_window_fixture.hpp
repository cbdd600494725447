#pragma once
// The starting point of tests that run the console from its main window: a working folder
// of its own (start-up reads and writes its settings files by bare name), the main window
// started and shown, its poll timers stopped so that a test runs each tick itself, and the
// poll's own remembered state back at its start.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/live_cursors.hpp"
#include "shell/main_poll_loop.hpp"
#include "support/console_test.hpp"
#include "ui/random.hpp"
#include "views/monitor_display.hpp"

namespace test {

class MainWindowTest : public ConsoleTest {
 public:
  // The random source of the demo values starts from this seed in every test.
  static constexpr std::uint32_t kSeed = kRandomSeed;

 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    previous_folder_ = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "ecu-views-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    std::filesystem::current_path(folder_);
    std::ofstream("port.cfg") << "1\r\n";
  }

  void TearDown() override {
    ui::forms().set_observer(nullptr);
    ConsoleTest::TearDown();
    ecu::console_command_line.clear();
    std::filesystem::current_path(previous_folder_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  // Starts the console ("demo" for demo mode) and shows its main window; the timers stay
  // still unless a test starts them.
  ecu::FrmEcuForm& start_console(const std::string& command_line) {
    ecu::console_command_line = command_line;
    ecu::FrmEcuForm& main_window = ecu::FrmEcu();
    main_window.Timer1.set_enabled(false);
    main_window.Timer3.set_enabled(false);
    main_window.show();
    return main_window;
  }
  ecu::FrmEcuForm& start_demo() { return start_console("demo"); }

  [[nodiscard]] const std::filesystem::path& folder() const { return folder_; }

 private:
  std::filesystem::path previous_folder_;
  std::filesystem::path folder_;
};

}  // namespace test
