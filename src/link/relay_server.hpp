#pragma once
// The relay's side of the remote link: its socket `incomming_sock`, the shape a request
// datagram must have before it may reach the controller, and the serial exchange of one
// forwarded request.

#include <optional>
#include <string>
#include <string_view>

#include "link/udp_socket.hpp"

namespace ecu {

UdpSocket& incomming_sock();

// A request datagram the relay may forward: exactly 9 bytes, a plausible whole reply length
// (3 to 100) in byte 0, then an 8-byte request frame (0x02, 0x08, four command bytes, the
// sum of those six low byte first).
[[nodiscard]] bool is_relay_request_datagram(std::string_view datagram);

// Writes the frame (bytes 1 to 8 of the datagram) to the serial port and waits up to 0.1 s
// for the reply length of byte 0; returns everything the port then holds (nothing when the
// line failed). Timers run meanwhile; clicks and keys wait.
std::optional<std::string> forward_to_controller(std::string_view datagram);

// True while the relay window owns the serial port: requests of this console's own poll
// loop and windows are then not sent, so they cannot cross the relay's exchanges.
[[nodiscard]] bool relay_server_active();
void set_relay_server_active(bool active);

}  // namespace ecu
