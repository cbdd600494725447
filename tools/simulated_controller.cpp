// The simulated controller as a program of its own, for running the console by hand against
// a controller on a pseudo-terminal: it prints the terminal's device and answers until it is
// ended. Start the console with ECU_COM1 set to the printed device. SIGUSR1 prints the
// number of requests answered so far, for counting the requests of a stretch of time.
//
// Usage: simulated_controller [baud [delay]]   baud 0 sends each reply whole (default 38400);
//                                             delay: seconds before each answer (default 0)

#include <signal.h>

#include <cstdio>
#include <cstdlib>

#include "sim/simulated_controller.hpp"

int main(int argc, char** argv) {
  const int baud = argc > 1 ? std::atoi(argv[1]) : 38400;
  const double delay = argc > 2 ? std::atof(argv[2]) : 0.0;
  // The signals stay blocked in every thread (the controller's inherits the mask) and are
  // taken only by the wait below, so none can arrive between a check and the wait.
  sigset_t signals;
  sigemptyset(&signals);
  for (const int signal_number : {SIGINT, SIGTERM, SIGUSR1}) sigaddset(&signals, signal_number);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  sim::SimulatedController controller(1, sim::ControllerTime::system);
  controller.set_line_rate(baud);
  controller.set_reply_delay(delay);
  std::printf("%s\n", controller.device_path().c_str());
  std::fflush(stdout);
  while (true) {
    const int signal_number = sigwaitinfo(&signals, nullptr);
    if (signal_number == SIGUSR1) {
      std::printf("%zu requests answered so far\n", controller.answer_count());
      std::fflush(stdout);
    } else if (signal_number == SIGINT || signal_number == SIGTERM) {
      break;
    }
  }
  std::printf("%zu requests answered\n", controller.answer_count());
  return 0;
}
