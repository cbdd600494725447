#pragma once
// Opening the link to the controller and choosing its serial port.

#include <string>

namespace ecu {

// Makes the link usable for requests (opens the serial port when needed), or offers demo
// mode or the end of the program when the port cannot be opened.
void open_comm_link();
// Opens again the main port given up after a line error, with the same number, and makes
// the link usable; true when the port is open. Opening fails quickly while the device is
// gone, so a request can try at every attempt.
bool reopen_lost_comm_port();
// The link's own state as at program start: no relay served, the reply counts (the relay
// client's dropped datagrams too) and intervals cleared. The shared variables are
// reset_shared_state's.
void reset_link_state();
// For the choice dialog's own line: the device the main COM port stands for, why it could
// not be opened or that it brought no reply, and the variable that names another device.
std::string com_port_detail();
// Probes COM1 to COM16 and shows which are present.
void scan_com_ports();
// The Comm menu's item for port `port_number` (1 to 10).
void choose_com_port(int port_number);

}  // namespace ecu
