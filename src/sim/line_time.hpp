#pragma once
// The time of the tests that run the console against a simulated controller (or firmware
// loader) on a pseudo-terminal. While a simulator is on a line, the console reads its waits
// from this clock. It runs with the system's monotonic clock, except that it does not run while the
// controller owes an answer that is in time: from the console's write of a request until the
// controller has taken it, past the time an answer it made falls due until it has written
// it, and from that write until the answer has reached the console's side of the terminal.
// So an answer that the controller gives at once, after its set delay or at its line's pace
// comes within the console's wait however long the controller's thread or the terminal
// waits for a processor, while a dropped or late answer still costs the wait it costs on a
// real line. The console itself is not changed: its waits and their lengths stay its own.

#include <cstddef>
#include <memory>
#include <optional>

namespace sim {

struct SimulatedLine;

// One simulator's part in the tests' time, on its COM number. Made before the simulator's
// thread starts; installs the tests' clock while any simulator is on a line (unless a test
// runs on a manual clock). Every call may come from the simulator's thread.
class LineTime {
 public:
  // `console_side` is a descriptor of the terminal's side the console opens, for counting
  // what has reached it.
  LineTime(int com_number, int console_side);
  ~LineTime();
  LineTime(const LineTime&) = delete;
  LineTime& operator=(const LineTime&) = delete;

  // The tests' time in seconds, for the simulator's own schedule.
  [[nodiscard]] double now() const;
  // The simulator took `bytes` of what the console wrote, and answered or scheduled them; the
  // earliest answer it still has to write falls due at `next_due` (none: nothing waits).
  void took(std::size_t bytes, std::optional<double> next_due);
  // The earliest answer still to be written falls due at `next_due`.
  void set_next_due(std::optional<double> next_due);
  // The simulator wrote `bytes` towards the console.
  void wrote(std::size_t bytes);
  // The line was hung up: nothing on it holds the time any more.
  void hang_up();

 private:
  std::unique_ptr<SimulatedLine> line_;
};

// The console's side of the line, as the ports the tests wrap around the console's own report
// it (tests/support/watched_ports.hpp): a port on COM<n> opened or closed, bytes written
// towards a simulator or read from it.
void console_port_opened(int com_number);
void console_port_closed(int com_number);
void console_wrote(int com_number, std::size_t bytes);
void console_read(int com_number, std::size_t bytes);

}  // namespace sim
