#include "support/console_test.hpp"

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "link/comm_link.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/live_cursors.hpp"
#include "shell/main_poll_loop.hpp"
#include "shell/startup.hpp"
#include "support/watched_ports.hpp"
#include "ui/random.hpp"
#include "views/monitor_display.hpp"

namespace test {
namespace {

// Every test runs in a scratch folder of its own, so a window whose load writes a settings
// file never leaves one in the folder the tests were started from. A fixture derived from
// ConsoleTest may still return to this folder after the base tear-down, so it is removed
// only when the next test starts (or the run ends).
struct ScratchFolders {
  std::filesystem::path start_folder;
  std::vector<std::filesystem::path> finished;

  void remove_finished() {
    std::error_code ignored;
    for (const auto& folder : finished) std::filesystem::remove_all(folder, ignored);
    finished.clear();
  }
  ~ScratchFolders() {
    std::error_code ignored;
    std::filesystem::current_path(start_folder, ignored);
    remove_finished();
  }
};

ScratchFolders& scratch_folders() {
  static ScratchFolders folders;
  return folders;
}

// The shell's own state outside the shared variables, as at program start.
void reset_shell_state() {
  ecu::console_command_line.clear();
  ecu::plotter_poll_step = 0;
  ecu::live_cursor_memory = {};
  ecu::monitor_text = {};
  ecu::monitor_shown_text = {};
}

}  // namespace

void ConsoleTest::SetUp() {
  auto& folders = scratch_folders();
  if (folders.start_folder.empty()) folders.start_folder = std::filesystem::current_path();
  std::string pattern = (std::filesystem::temp_directory_path() / "ecu-test-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  scratch_folder_ = pattern;
  std::filesystem::current_path(scratch_folder_);
  folders.remove_finished();
  ui::discard_all_forms();
  ui::reset_program_end();
  ecu::reset_shared_state();
  ecu::reset_link_state();
  use_system_serial_port();
  reset_shell_state();
  ui::randomize(kRandomSeed);
  presenter_ = std::make_shared<ui::ScriptedPresenter>();
  ui::install_presenter(presenter_);
  *program_ended_ = false;
  auto ended = program_ended_;
  ui::set_program_end([ended] { *ended = true; });
  ui::install_clock(nullptr);
}

void ConsoleTest::TearDown() {
  ui::discard_all_forms();
  ui::reset_program_end();
  ui::set_program_end(nullptr);
  ui::install_clock(nullptr);
  ui::install_presenter(nullptr);
  ecu::reset_shared_state();
  ecu::reset_link_state();
  reset_shell_state();
  auto& folders = scratch_folders();
  std::error_code ignored;
  std::filesystem::current_path(folders.start_folder, ignored);
  if (!scratch_folder_.empty()) folders.finished.push_back(scratch_folder_);
}

ui::ManualClock& ConsoleTest::use_manual_clock() {
  manual_clock_ = std::make_shared<ui::ManualClock>();
  ui::install_clock(manual_clock_);
  return *manual_clock_;
}

}  // namespace test
