#include "link/link_channel.hpp"

#include <string>
#include <utility>

#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

constexpr double kSerialReplyTimeoutSeconds = 0.1;
constexpr double kRelayReplyTimeoutSeconds = 1.0;

// Bytes a wait has seen are moved from the port into `received_`, so that the next wait
// blocks until more arrive: the wait looks for the reply each time a byte lands.
class SerialChannel final : public LinkChannel {
 public:
  bool discard_stale_input() override {
    received_.clear();
    if (comm_port_lost() && !reopen_lost_comm_port()) return false;
    return comm_port().read_all().has_value();
  }
  bool send_frame(std::string_view frame, Integer /*expected_reply_length*/) override {
    return comm_port().write(frame);
  }
  std::optional<std::size_t> bytes_waiting() override {
    const auto on_port = comm_port().bytes_waiting();
    if (!on_port) return std::nullopt;
    return received_.size() + *on_port;
  }
  std::optional<std::string> take_input() override {
    auto rest = comm_port().read_all();
    if (!rest) return std::nullopt;
    return std::exchange(received_, std::string()) + *rest;
  }
  bool wait_for_input(double seconds) override {
    if (!move_waiting_bytes()) return true;
    return comm_port().wait_readable(seconds);
  }
  std::optional<std::string> peek_input() override {
    if (!move_waiting_bytes()) return std::nullopt;
    return received_;
  }
  [[nodiscard]] bool carries_byte_stream() const override { return true; }
  [[nodiscard]] double reply_timeout_seconds() const override { return kSerialReplyTimeoutSeconds; }
  void abandon() override {
    received_.clear();
    give_up_lost_comm_port();
  }

 private:
  // Moves what waits on the port into `received_`; false when the line failed.
  bool move_waiting_bytes() {
    const auto on_port = comm_port().bytes_waiting();
    if (!on_port) return false;
    if (*on_port == 0) return true;
    auto more = comm_port().read_all();
    if (!more) return false;
    received_ += *more;
    return true;
  }

  std::string received_;
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
