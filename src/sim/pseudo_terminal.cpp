#include "sim/pseudo_terminal.hpp"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>

#include <array>
#include <cstdlib>
#include <stdexcept>

namespace sim {

PseudoTerminal open_com_terminal(int com_number) {
  PseudoTerminal terminal;
  std::array<char, 128> name{};
  if (::openpty(&terminal.master_fd, &terminal.slave_fd, name.data(), nullptr, nullptr) != 0) {
    throw std::runtime_error("openpty failed");
  }
  terminal.device_path = name.data();
  termios settings{};
  ::tcgetattr(terminal.slave_fd, &settings);
  ::cfmakeraw(&settings);
  ::tcsetattr(terminal.slave_fd, TCSANOW, &settings);
  ::fcntl(terminal.master_fd, F_SETFL, ::fcntl(terminal.master_fd, F_GETFL) | O_NONBLOCK);
  const std::string variable = "ECU_COM" + std::to_string(com_number);
  ::setenv(variable.c_str(), terminal.device_path.c_str(), 1);
  return terminal;
}

void release_com_variable(int com_number, const std::string& device_path) {
  const std::string variable = "ECU_COM" + std::to_string(com_number);
  if (const char* value = std::getenv(variable.c_str()); value && device_path == value) {
    ::unsetenv(variable.c_str());
  }
}

}  // namespace sim
