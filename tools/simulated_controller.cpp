// The simulated controller as a program of its own, for trying the console without a
// controller: it prints the terminal's device and answers until it is ended. Start the
// console with ECU_COM1 set to the printed device. Its engine goes round a drive cycle
// (sim/running_engine.hpp) on a calibration a user recognises; with --calibration the
// calibration is read from FILE at the start and saved to it as the console changes it.
// SIGUSR1 prints the number of requests answered so far, for counting the requests of a
// stretch of time. Messages about the calibration go to the error output.
//
// Usage: simulated_controller [--calibration FILE] [baud [delay]]
//          baud 0 sends each reply whole (default 38400); delay: seconds before each answer
//          (default 0)

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "sim/calibration_file.hpp"
#include "sim/simulated_controller.hpp"

namespace {

using Clock = std::chrono::steady_clock;

// A change is saved once the console has written nothing for a moment (an Update or a data
// set upload writes hundreds of bytes in a row), and at least this often while it writes.
constexpr auto kQuietBeforeSaving = std::chrono::milliseconds(500);
constexpr auto kLongestUnsaved = std::chrono::seconds(3);
constexpr timespec kWaitStep{0, 100'000'000};

// Saves the calibration to its file as it changes.
class CalibrationKeeper {
 public:
  CalibrationKeeper(sim::SimulatedController& controller, std::string path, bool may_save)
      : controller_(controller),
        path_(std::move(path)),
        may_save_(may_save),
        saved_count_(controller.calibration_write_count()) {}

  void check(bool ending) {
    if (!may_save_ || path_.empty()) return;
    const std::size_t count = controller_.calibration_write_count();
    const Clock::time_point now = Clock::now();
    if (count != seen_count_) {
      seen_count_ = count;
      last_change_ = now;
      if (!first_unsaved_) first_unsaved_ = now;
    }
    if (count == saved_count_) return;
    const bool due = ending || now - last_change_ >= kQuietBeforeSaving ||
                     now - *first_unsaved_ >= kLongestUnsaved;
    if (!due) return;
    const std::string problem = sim::save_calibration_file(path_, controller_.calibration());
    if (problem.empty()) {
      saved_count_ = count;
      first_unsaved_.reset();
      if (reported_)
        std::fprintf(stderr, "simulated_controller: calibration saved to %s\n", path_.c_str());
      reported_ = false;
    } else if (!reported_ || ending) {
      // Said once, and tried again at the next change.
      std::fprintf(stderr, "simulated_controller: %s\n", problem.c_str());
      reported_ = true;
      first_unsaved_ = now;
    }
  }

 private:
  sim::SimulatedController& controller_;
  std::string path_;
  bool may_save_;
  std::size_t saved_count_;
  std::size_t seen_count_ = saved_count_;
  Clock::time_point last_change_{};
  std::optional<Clock::time_point> first_unsaved_;
  bool reported_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  int first_number = 1;
  std::string calibration_path;
  if (argc > 2 && std::string_view(argv[1]) == "--calibration") {
    calibration_path = argv[2];
    first_number = 3;
  }
  const int baud = argc > first_number ? std::atoi(argv[first_number]) : 38400;
  const double delay = argc > first_number + 1 ? std::atof(argv[first_number + 1]) : 0.0;

  sim::LoadedCalibration loaded{sim::starting_calibration(), "", true};
  if (!calibration_path.empty()) {
    loaded = sim::load_calibration_file(calibration_path);
    std::fprintf(stderr, "simulated_controller: %s\n", loaded.message.c_str());
  }

  // The signals stay blocked in every thread (the controller's inherits the mask) and are
  // taken only by the wait below, so none can arrive between a check and the wait.
  sigset_t signals;
  sigemptyset(&signals);
  for (const int signal_number : {SIGINT, SIGTERM, SIGUSR1}) sigaddset(&signals, signal_number);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  sim::SimulatedController controller(1, sim::ControllerTime::system);
  controller.set_calibration(loaded.calibration);
  controller.run_engine();
  controller.set_line_rate(baud);
  controller.set_reply_delay(delay);
  CalibrationKeeper keeper(controller, calibration_path, loaded.may_save);
  std::printf("%s\n", controller.device_path().c_str());
  std::fflush(stdout);
  while (true) {
    const int signal_number = sigtimedwait(&signals, nullptr, &kWaitStep);
    if (signal_number == SIGUSR1) {
      std::printf("%zu requests answered so far\n", controller.answer_count());
      std::fflush(stdout);
    } else if (signal_number == SIGINT || signal_number == SIGTERM) {
      break;
    }
    keeper.check(false);
  }
  keeper.check(true);
  std::printf("%zu requests answered\n", controller.answer_count());
  return 0;
}
