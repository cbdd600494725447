#include "link/link_channel.hpp"

#include "link/comm_port.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

constexpr double kSerialReplyTimeoutSeconds = 0.1;
constexpr double kRelayReplyTimeoutSeconds = 1.0;

class SerialChannel final : public LinkChannel {
 public:
  bool discard_stale_input() override { return comm_port().read_all().has_value(); }
  bool send_frame(std::string_view frame, Integer /*expected_reply_length*/) override {
    return comm_port().write(frame);
  }
  std::optional<std::size_t> bytes_waiting() override { return comm_port().bytes_waiting(); }
  std::optional<std::string> take_input() override { return comm_port().read_all(); }
  bool wait_for_input(double seconds) override { return comm_port().wait_readable(seconds); }
  [[nodiscard]] double reply_timeout_seconds() const override { return kSerialReplyTimeoutSeconds; }
  void abandon() override { close_comm_port(); }
};

// Relay mode before a relay client is installed: nothing can be sent.
class NoRelayChannel final : public LinkChannel {
 public:
  bool discard_stale_input() override { return false; }
  bool send_frame(std::string_view /*frame*/, Integer /*expected_reply_length*/) override {
    return false;
  }
  std::optional<std::size_t> bytes_waiting() override { return std::nullopt; }
  std::optional<std::string> take_input() override { return std::nullopt; }
  bool wait_for_input(double /*seconds*/) override { return true; }
  [[nodiscard]] double reply_timeout_seconds() const override { return kRelayReplyTimeoutSeconds; }
  void abandon() override { link_ready = kFalse; }
};

LinkChannel*& relay_channel() {
  static LinkChannel* channel = nullptr;
  return channel;
}

}  // namespace

LinkChannel& serial_link_channel() {
  static SerialChannel serial;
  return serial;
}

LinkChannel& active_link_channel() {
  static NoRelayChannel no_relay;
  if (remote_server_ip.empty()) return serial_link_channel();
  LinkChannel* relay = relay_channel();
  return relay != nullptr ? *relay : no_relay;
}

void set_relay_channel(LinkChannel* channel) {
  relay_channel() = channel;
}

}  // namespace ecu
