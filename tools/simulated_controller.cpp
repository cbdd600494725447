// The simulated controller as a program of its own, for running the console by hand against
// a controller on a pseudo-terminal: it prints the terminal's device and answers until it is
// ended. Start the console with ECU_COM1 set to the printed device. SIGUSR1 prints the
// number of requests answered so far, for counting the requests of a stretch of time.
//
// Usage: simulated_controller [baud [delay]]   baud 0 sends each reply whole (default 38400);
//                                             delay: seconds before each answer (default 0)

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "sim/simulated_controller.hpp"

namespace {

volatile std::sig_atomic_t stop_requested = 0;
volatile std::sig_atomic_t count_requested = 0;

void request_stop(int /*signal*/) {
  stop_requested = 1;
}

void request_count(int /*signal*/) {
  count_requested = 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int baud = argc > 1 ? std::atoi(argv[1]) : 38400;
  const double delay = argc > 2 ? std::atof(argv[2]) : 0.0;
  std::signal(SIGINT, request_stop);
  std::signal(SIGTERM, request_stop);
  std::signal(SIGUSR1, request_count);
  sim::SimulatedController controller(1, sim::ControllerTime::system);
  controller.set_line_rate(baud);
  controller.set_reply_delay(delay);
  std::printf("%s\n", controller.device_path().c_str());
  std::fflush(stdout);
  while (stop_requested == 0) {
    pause();
    if (count_requested != 0) {
      count_requested = 0;
      std::printf("%zu requests answered so far\n", controller.answer_count());
      std::fflush(stdout);
    }
  }
  std::printf("%zu requests answered\n", controller.answer_count());
  return 0;
}
