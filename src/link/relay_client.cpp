#include "link/relay_client.hpp"

#include <algorithm>

#include "model/shared_state.hpp"
#include "ui/clock.hpp"
#include "ui/event_loop.hpp"

namespace ecu {
namespace {

constexpr double kRelayReplyTimeoutSeconds = 1.0;
constexpr double kHandshakeTimeoutSeconds = 5.0;
constexpr double kIdleStepSeconds = 0.001;
constexpr const char* kHandshake = "MARCO";
constexpr const char* kHandshakeAnswer = "POLO";

std::int64_t dropped_datagrams = 0;

// The next datagram from the relay, peeked or taken; a datagram from anyone else is taken
// and dropped first, so it can neither pass for a reply nor hide one.
std::optional<Datagram> next_from_relay(bool take) {
  UdpSocket& socket = outgoing_sock();
  while (const auto next = socket.peek()) {
    if (next->sender_address == remote_server_ip) return take ? socket.receive() : next;
    socket.receive();
    ++dropped_datagrams;
  }
  return std::nullopt;
}

class RelayClientChannel final : public LinkChannel {
 public:
  bool discard_stale_input() override {
    while (next_from_relay(true)) {
    }
    return outgoing_sock().is_open();
  }
  bool send_frame(std::string_view frame, Integer expected_reply_length) override {
    std::string datagram(1, static_cast<char>(expected_reply_length & 0xFF));
    datagram += frame;
    return outgoing_sock().send_to(datagram, remote_server_ip, relay_server_port());
  }
  std::optional<std::size_t> bytes_waiting() override {
    if (!outgoing_sock().is_open()) return std::nullopt;
    const auto next = next_from_relay(false);
    return next ? next->bytes.size() : 0;
  }
  std::optional<std::string> take_input() override {
    if (!outgoing_sock().is_open()) return std::nullopt;
    const auto next = next_from_relay(true);
    return next ? next->bytes : std::string();
  }
  bool wait_for_input(double seconds) override { return outgoing_sock().wait_readable(seconds); }
  [[nodiscard]] double reply_timeout_seconds() const override { return kRelayReplyTimeoutSeconds; }
  void abandon() override { link_ready = kFalse; }
};

}  // namespace

UdpSocket& outgoing_sock() {
  static UdpSocket socket;
  return socket;
}

LinkChannel& relay_client_channel() {
  static RelayClientChannel channel;
  return channel;
}

bool relay_handshake(const std::string& address) {
  UdpSocket& socket = outgoing_sock();
  if (!socket.send_to(kHandshake, address, relay_server_port())) return false;
  const double start = ui::clock().monotonic_seconds();
  while (true) {
    ui::event_loop().pass(ui::UserInput::hold);
    while (const auto next = socket.receive()) {
      if (next->sender_address == address) return next->bytes == kHandshakeAnswer;
      ++dropped_datagrams;
    }
    const double remaining = kHandshakeTimeoutSeconds - (ui::clock().monotonic_seconds() - start);
    if (remaining <= 0) return false;
    const double step = std::min(kIdleStepSeconds, remaining);
    // A clock that does not run by itself is moved on instead.
    const double before = ui::clock().monotonic_seconds();
    if (!socket.wait_readable(step) && ui::clock().monotonic_seconds() - before < step * 0.5) {
      ui::clock().sleep_seconds(step);
    }
  }
}

std::int64_t relay_client_dropped_count() {
  return dropped_datagrams;
}

void reset_relay_client() {
  dropped_datagrams = 0;
}

}  // namespace ecu
