#pragma once
// A UDP socket of the remote relay (standalone Asio, IPv4). Every call returns at once: the
// callers wait through wait_readable, so that the message loop keeps running.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ecu {

struct Datagram {
  std::string bytes;
  std::string sender_address;  // dotted IPv4
  std::uint16_t sender_port = 0;
};

class UdpSocket {
 public:
  UdpSocket();
  ~UdpSocket();
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;

  // Closes the socket when open, then binds `port` on every local address; false with
  // *error (when given) naming the port when it is in use or needs privileges.
  bool bind(std::uint16_t port, std::string* error);
  void close();
  [[nodiscard]] bool is_open() const;
  // The bound port (the one the system chose when bound to port 0); 0 when closed.
  [[nodiscard]] std::uint16_t local_port() const;

  // Sends one datagram; false when the socket is closed, the address is not an IPv4
  // address or the send failed.
  bool send_to(std::string_view bytes, const std::string& address, std::uint16_t port);
  // The next datagram without taking it; nothing when none waits or the socket is closed.
  std::optional<Datagram> peek();
  // Takes the next datagram; nothing when none waits or the socket is closed.
  std::optional<Datagram> receive();
  // Blocks up to `seconds` until a datagram waits: true when one does (or the socket is
  // closed, so the caller looks at once), false when the time passed quietly.
  bool wait_readable(double seconds);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The relay's UDP ports: 998 for the client and 999 for the relay, unless the environment
// variables ECU_RELAY_CLIENT_PORT and ECU_RELAY_SERVER_PORT name another port (1 to 65535;
// ports below 1024 need privileges on this platform). A value that is no such port is
// ignored.
std::uint16_t relay_client_port();
std::uint16_t relay_server_port();

}  // namespace ecu
