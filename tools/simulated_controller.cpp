// The simulated controller as a program of its own, for trying the console without a
// controller: it prints the terminal's device and answers until it is ended. Start the
// console with ECU_COM1 set to the printed device. Its engine goes round a drive cycle
// (sim/running_engine.hpp) on a calibration a user recognises; with --calibration the
// calibration is read from FILE at the start and saved to it as the console changes it, and
// on every signal that ends the program (sim/controller_program.hpp). A second program on
// the same FILE, or a FILE that is no regular file, is refused. SIGUSR1 prints the number of
// requests answered so far, for counting the requests of a stretch of time. Messages about
// the calibration go to the error output.
//
// Usage: simulated_controller [--calibration FILE] [baud [delay]]
//          baud 0 sends each reply whole (default 38400); delay: seconds before each answer
//          (default 0)

#include <cstdlib>
#include <string_view>

#include "sim/controller_program.hpp"

int main(int argc, char** argv) {
  sim::ProgramOptions options;
  int first_number = 1;
  if (argc > 2 && std::string_view(argv[1]) == "--calibration") {
    options.calibration_path = argv[2];
    first_number = 3;
  }
  if (argc > first_number) options.baud = std::atoi(argv[first_number]);
  if (argc > first_number + 1) options.reply_delay = std::atof(argv[first_number + 1]);
  return sim::run_controller_program(options);
}
