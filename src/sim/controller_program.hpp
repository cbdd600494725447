#pragma once
// The simulated controller as a program of its own (tools/simulated_controller.cpp): a
// controller on a pseudo-terminal running its engine, its calibration kept in a file, ended
// by a signal with its last change saved first.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "sim/simulated_controller.hpp"

namespace sim {

using ProgramClock = std::chrono::steady_clock;

// A change is saved once the console has written nothing for `quiet` (an Update or a data set
// upload writes hundreds of bytes in a row), and at least every `longest` while it writes.
struct SavingPace {
  ProgramClock::duration quiet = std::chrono::milliseconds(500);
  ProgramClock::duration longest = std::chrono::seconds(3);
};

// Saves a controller's calibration to its file as the console changes it. A save that fails
// is said once on the error output and tried again at the next change, paced as any change,
// and at the end; never again and again while nothing changes.
class CalibrationKeeper {
 public:
  // `may_save` false, or an empty path: nothing is ever written.
  CalibrationKeeper(const SimulatedController& controller, std::string path, bool may_save,
                    SavingPace pace = {});

  // Saves what changed when it is due at `now`; `ending` saves whatever is unsaved.
  void check(ProgramClock::time_point now, bool ending);

 private:
  const SimulatedController& controller_;
  std::string path_;
  bool may_save_;
  SavingPace pace_;
  std::size_t saved_count_;
  std::size_t seen_count_ = saved_count_;
  std::optional<std::size_t> failed_count_;  // the changes a save could not keep
  ProgramClock::time_point last_change_{};
  std::optional<ProgramClock::time_point> first_unsaved_;
  bool reported_ = false;
};

struct ProgramOptions {
  std::string calibration_path;  // empty: the starting calibration, kept nowhere
  int baud = 38400;              // 0 sends each reply whole
  double reply_delay = 0.0;      // seconds before each answer
  SavingPace pace;
};

// Prints the terminal's device on the output and answers until a signal ends it, then saves
// what is unsaved: 0. A calibration file another program holds, or that is no regular file,
// is refused with the reason on the error output before anything else: 1.
int run_controller_program(const ProgramOptions& options);

}  // namespace sim
