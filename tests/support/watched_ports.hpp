#pragma once
// The console's side of the tests' time (sim/line_time.hpp): the console's serial and loader
// ports, wrapped so that the time knows what the console wrote to a simulator's line and what
// it read from it.

namespace test {

// Puts the system's serial ports behind the link and the firmware loader, watched so that
// the tests' time knows what the console wrote and read on a simulator's line. The tests'
// base fixture installs them; a test that had installed other ports calls it to go back to
// the real line.
void use_system_serial_port();

}  // namespace test
