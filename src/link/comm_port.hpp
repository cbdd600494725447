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

// Replaces the factory of port objects (nullptr restores the real serial port) and drops
// the current port object; tests put a fake port behind the link this way.
void set_serial_port_factory(std::function<std::unique_ptr<SerialPort>()> factory);

}  // namespace ecu
