#include "sim/controller_program.hpp"

#include <pthread.h>
#include <signal.h>

#include <array>
#include <cstdio>
#include <ctime>
#include <utility>

#include "sim/calibration_file.hpp"

namespace sim {
namespace {

constexpr timespec kWaitStep{0, 100'000'000};

// The signals whose default ends a program, taken here instead so the last change is saved
// first: the terminal closed (SIGHUP), Ctrl-C and Ctrl-\, the output's reader gone (SIGPIPE),
// kill's default and the others a user or a limit sends. The real-time ones are added below.
// Those a fault raises cannot be waited for and SIGKILL cannot be taken at all; SIGXFSZ stays
// the file writer's, which turns it into a save that fails with a message.
constexpr std::array kEndingSignals{SIGHUP,  SIGINT,  SIGQUIT, SIGPIPE,   SIGALRM, SIGTERM,
                                    SIGUSR2, SIGPOLL, SIGPROF, SIGVTALRM, SIGXCPU, SIGPWR};

bool ignored_from_the_start(int signal_number) {
  struct sigaction current {};
  return ::sigaction(signal_number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

// SIGUSR1 and the ending signals, but none the program was started with ignored (by nohup, or
// as a shell's background job): a blocked signal is queued even when ignored, so waiting for
// it would end the program where its starter meant it to go on.
sigset_t waited_signals() {
  sigset_t signals;
  sigemptyset(&signals);
  const auto wait_for = [&signals](int signal_number) {
    if (!ignored_from_the_start(signal_number)) sigaddset(&signals, signal_number);
  };
  wait_for(SIGUSR1);
  for (const int signal_number : kEndingSignals) wait_for(signal_number);
  for (int signal_number = SIGRTMIN; signal_number <= SIGRTMAX; ++signal_number) {
    wait_for(signal_number);
  }
  return signals;
}

}  // namespace

CalibrationKeeper::CalibrationKeeper(const SimulatedController& controller, std::string path,
                                     bool may_save, SavingPace pace)
    : controller_(controller),
      path_(std::move(path)),
      may_save_(may_save),
      pace_(pace),
      saved_count_(controller.calibration_write_count()) {}

void CalibrationKeeper::check(ProgramClock::time_point now, bool ending) {
  if (!may_save_ || path_.empty()) return;
  const std::size_t count = controller_.calibration_write_count();
  if (count != seen_count_) {
    seen_count_ = count;
    last_change_ = now;
    if (!first_unsaved_) first_unsaved_ = now;
  }
  if (count == saved_count_) return;
  // What a save could not keep waits for the next change or the end: the cause (a full disk,
  // a folder taken away) is not gone by the next check.
  if (count == failed_count_ && !ending) return;
  const bool due =
      ending || now - last_change_ >= pace_.quiet || now - *first_unsaved_ >= pace_.longest;
  if (!due) return;
  const std::string problem = save_calibration_file(path_, controller_.calibration());
  if (problem.empty()) {
    saved_count_ = count;
    failed_count_.reset();
    first_unsaved_.reset();
    if (reported_)
      std::fprintf(stderr, "simulated_controller: calibration saved to %s\n", path_.c_str());
    reported_ = false;
    return;
  }
  failed_count_ = count;
  first_unsaved_ = now;
  // Said once until a save succeeds, and at the end.
  if (!reported_ || ending) std::fprintf(stderr, "simulated_controller: %s\n", problem.c_str());
  reported_ = true;
}

int run_controller_program(const ProgramOptions& options) {
  // Blocked for the program's life in every thread (the controller's inherits the mask) and
  // taken only by the wait below, so none is lost between a check and the wait, and one that
  // comes during the start ends the program at its first wait.
  const sigset_t signals = waited_signals();
  ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  const std::string& path = options.calibration_path;
  // Taken before the file is read, so a second program neither reads nor puts aside a file
  // the first one is about to save.
  std::optional<CalibrationFileLock> lock;
  LoadedCalibration loaded{starting_calibration(), "", true};
  if (!path.empty()) {
    lock.emplace(path);
    if (!lock->held()) {
      std::fprintf(stderr, "simulated_controller: %s\n", lock->problem().c_str());
      return 1;
    }
    loaded = load_calibration_file(path);
    std::fprintf(stderr, "simulated_controller: %s\n", loaded.message.c_str());
    if (loaded.refused) return 1;
  }
  SimulatedController controller(1, ControllerTime::system);
  controller.set_calibration(loaded.calibration);
  controller.run_engine();
  controller.set_line_rate(options.baud);
  controller.set_reply_delay(options.reply_delay);
  CalibrationKeeper keeper(controller, path, loaded.may_save, options.pace);
  std::printf("%s\n", controller.device_path().c_str());
  std::fflush(stdout);
  while (true) {
    const int signal_number = ::sigtimedwait(&signals, nullptr, &kWaitStep);
    if (signal_number == SIGUSR1) {
      std::printf("%zu requests answered so far\n", controller.answer_count());
      std::fflush(stdout);
    } else if (signal_number > 0) {
      break;
    }
    keeper.check(ProgramClock::now(), false);
  }
  keeper.check(ProgramClock::now(), true);
  std::printf("%zu requests answered\n", controller.answer_count());
  return 0;
}

}  // namespace sim
