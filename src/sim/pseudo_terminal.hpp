#pragma once
// The pseudo-terminal a simulator answers on, standing in for a serial port COM<n>.

#include <string>

namespace sim {

struct PseudoTerminal {
  int master_fd = -1;  // the simulator's end, non-blocking
  int slave_fd = -1;   // held open, so the line stays up between the console's opens
  std::string device_path;
};

// Opens a raw pseudo-terminal and points ECU_COM<com_number> at its device.
PseudoTerminal open_com_terminal(int com_number);
// Clears ECU_COM<com_number> unless it has been pointed elsewhere meanwhile.
void release_com_variable(int com_number, const std::string& device_path);

}  // namespace sim
