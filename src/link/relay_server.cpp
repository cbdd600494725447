#include "link/relay_server.hpp"

#include <algorithm>

#include "link/link_channel.hpp"
#include "model/basic_types.hpp"
#include "ui/clock.hpp"
#include "ui/event_loop.hpp"

namespace ecu {
namespace {

constexpr std::size_t kDatagramLength = 9;
constexpr unsigned kShortestReply = 3;
constexpr unsigned kLongestReply = 100;
constexpr double kSerialReplyTimeoutSeconds = 0.1;
constexpr double kIdleStepSeconds = 0.001;
// A reply that has begun to arrive finishes within a few byte times.
constexpr double kTrickleStepSeconds = 0.00025;

bool relay_active = false;

unsigned byte_at(std::string_view bytes, std::size_t index) {
  return static_cast<unsigned char>(bytes[index]);
}

}  // namespace

UdpSocket& incomming_sock() {
  static UdpSocket socket;
  return socket;
}

bool is_relay_request_datagram(std::string_view datagram) {
  if (datagram.size() != kDatagramLength) return false;
  const unsigned reply_length = byte_at(datagram, 0);
  if (reply_length < kShortestReply || reply_length > kLongestReply) return false;
  if (byte_at(datagram, 1) != 0x02 || byte_at(datagram, 2) != 0x08) return false;
  unsigned sum = 0;
  for (std::size_t i = 1; i <= 6; ++i) sum += byte_at(datagram, i);
  return byte_at(datagram, 7) == (sum & 0xFFU) && byte_at(datagram, 8) == (sum >> 8);
}

std::optional<std::string> forward_to_controller(std::string_view datagram) {
  LinkChannel& serial = serial_link_channel();
  const auto expected = static_cast<std::size_t>(byte_at(datagram, 0));
  if (!serial.send_frame(datagram.substr(1), static_cast<Integer>(expected))) return std::nullopt;
  const double start = ui::clock().monotonic_seconds();
  while (true) {
    const bool ran = ui::event_loop().pass(ui::UserInput::hold);
    const auto waiting = serial.bytes_waiting();
    if (!waiting) return std::nullopt;
    const double elapsed = ui::clock().monotonic_seconds() - start;
    if (*waiting == expected || elapsed > kSerialReplyTimeoutSeconds) break;
    if (ran) continue;
    const double step = std::min(*waiting == 0 ? kIdleStepSeconds : kTrickleStepSeconds,
                                 kSerialReplyTimeoutSeconds - elapsed);
    const double before = ui::clock().monotonic_seconds();
    const bool woke = *waiting == 0 && serial.wait_for_input(step);
    // A clock that does not run by itself is moved on instead.
    if (!woke && ui::clock().monotonic_seconds() - before < step * 0.5) {
      ui::clock().sleep_seconds(step);
    }
  }
  return serial.take_input();
}

bool relay_server_active() {
  return relay_active;
}

void set_relay_server_active(bool active) {
  relay_active = active;
}

}  // namespace ecu
