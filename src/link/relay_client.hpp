#pragma once
// The relay client: requests go as datagrams to a relay console that has the controller on
// its serial port. Its socket is `outgoing_sock`; its channel plugs in behind the request
// transaction and the receive framer.

#include <string>

#include "link/link_channel.hpp"
#include "link/udp_socket.hpp"

namespace ecu {

UdpSocket& outgoing_sock();

// The channel of relay client mode: each request frame goes out as one 9-byte datagram (the
// whole reply length, then the frame); each reply is one datagram. Only datagrams from the
// relay's address count; anything else is dropped unseen.
LinkChannel& relay_client_channel();

// Sends "MARCO" to the relay at `address` and waits up to 5 s for its answer; true when
// the relay answered "POLO". Clicks and keys wait meanwhile; timers run.
bool relay_handshake(const std::string& address);

// Datagrams from other senders dropped by the client since start-up.
[[nodiscard]] std::int64_t relay_client_dropped_count();
// Forgets the drop count (start-up state; used by tests).
void reset_relay_client();

}  // namespace ecu
