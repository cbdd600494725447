#include "link/udp_socket.hpp"

#include <poll.h>

#include <array>
#include <asio.hpp>
#include <cmath>
#include <cstdlib>
#include <ctime>

namespace ecu {
namespace {

constexpr std::uint16_t kDefaultClientPort = 998;
constexpr std::uint16_t kDefaultServerPort = 999;
// Larger than any UDP payload, so a datagram is never cut.
constexpr std::size_t kLargestDatagram = 65536;

std::uint16_t port_from_environment(const char* variable, std::uint16_t fallback) {
  const char* value = std::getenv(variable);
  if (value == nullptr) return fallback;
  const std::string text = value;
  if (text.empty() || text.size() > 5 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return fallback;
  }
  const long port = std::strtol(text.c_str(), nullptr, 10);
  return port >= 1 && port <= 65535 ? static_cast<std::uint16_t>(port) : fallback;
}

}  // namespace

struct UdpSocket::Impl {
  asio::io_context context;
  asio::ip::udp::socket socket{context};
  std::array<char, kLargestDatagram> buffer{};

  std::optional<Datagram> take(asio::socket_base::message_flags flags) {
    if (!socket.is_open()) return std::nullopt;
    asio::ip::udp::endpoint sender;
    asio::error_code code;
    const std::size_t got =
        socket.receive_from(asio::buffer(buffer.data(), buffer.size()), sender, flags, code);
    if (code) return std::nullopt;
    return Datagram{std::string(buffer.data(), got), sender.address().to_string(), sender.port()};
  }
};

UdpSocket::UdpSocket() : impl_(std::make_unique<Impl>()) {}
UdpSocket::~UdpSocket() = default;

bool UdpSocket::bind(std::uint16_t port, std::string* error) {
  close();
  asio::error_code code;
  impl_->socket.open(asio::ip::udp::v4(), code);
  if (!code) impl_->socket.bind(asio::ip::udp::endpoint(asio::ip::udp::v4(), port), code);
  // Reads must return at once when nothing waits.
  if (!code) impl_->socket.non_blocking(true, code);
  if (!code) return true;
  asio::error_code ignored;
  impl_->socket.close(ignored);
  if (error != nullptr) {
    *error = "UDP port " + std::to_string(port) + " could not be opened (" + code.message() + ").";
  }
  return false;
}

void UdpSocket::close() {
  asio::error_code ignored;
  if (impl_->socket.is_open()) impl_->socket.close(ignored);
}

bool UdpSocket::is_open() const {
  return impl_->socket.is_open();
}

std::uint16_t UdpSocket::local_port() const {
  asio::error_code code;
  const auto endpoint = impl_->socket.local_endpoint(code);
  return code ? 0 : endpoint.port();
}

bool UdpSocket::send_to(std::string_view bytes, const std::string& address, std::uint16_t port) {
  if (!impl_->socket.is_open()) return false;
  asio::error_code code;
  const asio::ip::address_v4 target = asio::ip::make_address_v4(address, code);
  if (code) return false;
  impl_->socket.send_to(asio::buffer(bytes.data(), bytes.size()),
                        asio::ip::udp::endpoint(target, port), 0, code);
  return !code;
}

std::optional<Datagram> UdpSocket::peek() {
  return impl_->take(asio::socket_base::message_peek);
}

std::optional<Datagram> UdpSocket::receive() {
  return impl_->take(0);
}

bool UdpSocket::wait_readable(double seconds) {
  if (!impl_->socket.is_open()) return true;
  pollfd watched{impl_->socket.native_handle(), POLLIN, 0};
  const double bounded = std::max(0.0, seconds);
  timespec timeout{};
  timeout.tv_sec = static_cast<std::time_t>(bounded);
  timeout.tv_nsec = static_cast<long>((bounded - std::floor(bounded)) * 1e9);
  return ::ppoll(&watched, 1, &timeout, nullptr) > 0;
}

std::uint16_t relay_client_port() {
  return port_from_environment("ECU_RELAY_CLIENT_PORT", kDefaultClientPort);
}

std::uint16_t relay_server_port() {
  return port_from_environment("ECU_RELAY_SERVER_PORT", kDefaultServerPort);
}

}  // namespace ecu
