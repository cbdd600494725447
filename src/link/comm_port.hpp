#pragma once
// The main window's serial port to the controller. One port object lives for the whole run;
// the link opens it lazily and other commands (relay start, reflash, firmware loader) close
// it when they take the line over.

#include <functional>
#include <memory>

#include "link/serial_port.hpp"

namespace ecu {

SerialPort& comm_port();
// Closes the main port when open and clears `link_ready`, so the next open_comm_link
// opens it again.
void close_comm_port();

// Gives up the main port after a line error (a USB adapter pulled, say): it is closed,
// `link_ready` cleared, and the port counts as lost, so the next request tries to open
// the same port again instead of returning at once.
void give_up_lost_comm_port();
// Whether the main port was given up after an error and not opened or closed on purpose
// since.
[[nodiscard]] bool comm_port_lost();
void set_comm_port_lost(bool lost);

// Replaces the factory of port objects (nullptr restores the real serial port) and drops
// the current port object; tests put a fake port behind the link this way.
void set_serial_port_factory(std::function<std::unique_ptr<SerialPort>()> factory);

}  // namespace ecu
