#include "link/receive_framer.hpp"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <limits>
#include <numeric>
#include <string>

#include "decode/reply_decoders.hpp"
#include "link/link_channel.hpp"
#include "link/reply_interval.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "model/view_number.hpp"
#include "ui/clock.hpp"

namespace ecu {
namespace {

constexpr std::uint8_t kResetOrReflashAnswer = 0xAE;
constexpr std::size_t kIntervalCount = 16;
constexpr double kShownIntervalLimitMs = 10000.0;
constexpr Single kShownIntervalCeilingMs = 9999.9F;

struct FramerState {
  // Monotonic time of the previous accepted frame; none before the first one.
  std::optional<double> last_accepted_time;
  std::array<double, kIntervalCount> intervals{};  // oldest first
  std::int64_t dropped = 0;
  std::int64_t taken = 0;
};

FramerState& state() {
  static FramerState instance;
  return instance;
}

using Decoder = void (*)(const ReplyFrame&, const Integer&);

// A failing decoder ends its own work on the frame; the others still get it.
void run_decoder(Decoder decoder, const char* name, const ReplyFrame& frame, const Integer& n) {
  yield_to_message_loop();
  try {
    decoder(frame, n);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: reply dropped: %s\n", name, error.what());
  } catch (...) {
    std::fprintf(stderr, "%s: reply dropped\n", name);
  }
}

void record_reply_interval() {
  auto& framer = state();
  const double now = ui::clock().monotonic_seconds();
  // The first interval runs from midnight, so the average shows the ceiling until that
  // long interval has been shifted out.
  const double interval = framer.last_accepted_time
                              ? std::max(0.0, now - *framer.last_accepted_time)
                              : std::max(0.0, ui::clock().seconds_since_midnight());
  framer.last_accepted_time = now;
  std::shift_left(framer.intervals.begin(), framer.intervals.end(), 1);
  framer.intervals.back() = interval;
  const double average_ms = std::accumulate(framer.intervals.begin(), framer.intervals.end(), 0.0) /
                            static_cast<double>(kIntervalCount) * 1000.0;
  const Single shown = average_ms >= kShownIntervalLimitMs ? kShownIntervalCeilingMs
                                                           : static_cast<Single>(average_ms);
  if (current_view == kMonitorView) show_reply_interval(shown);
}

}  // namespace

ReplyFrame::ReplyFrame(std::string_view bytes) {
  const std::size_t limit = static_cast<std::size_t>(std::numeric_limits<int>::max());
  received_ = static_cast<int>(std::min(bytes.size(), limit));
  count_ = std::min(received_, kPlaces);
  for (int i = 0; i < count_; ++i) {
    bytes_[static_cast<std::size_t>(i)] =
        static_cast<std::uint8_t>(bytes[static_cast<std::size_t>(i)]);
  }
}

std::uint8_t ReplyFrame::at(int index) const {
  if (!has(index)) throw ReplyByteMissing(index);
  return bytes_[static_cast<std::size_t>(index)];
}

ReplyByteMissing::ReplyByteMissing(int index)
    : std::out_of_range("reply byte " + std::to_string(index) + " was not received") {}

std::optional<Integer> check_reply_frame(const ReplyFrame& frame) {
  const int received = frame.received_count();
  if (received <= 1 || received > ReplyFrame::kPlaces) return std::nullopt;
  const int length_byte = frame.at(1);
  int length = received;
  if (length_byte != received) {
    // Only the reset and reflash answer may carry bytes after its frame; they are ignored.
    const bool answer = frame.has(2) && frame.at(2) == kResetOrReflashAnswer;
    if (!answer || length_byte > received) return std::nullopt;
    length = length_byte;
  }
  if (length <= 2) return std::nullopt;
  const int n = length - 2;
  int sum = 0;
  for (int i = 0; i < n; ++i) sum += frame.at(i);
  if (frame.at(n) != (sum & 0xFF) || frame.at(n + 1) != (sum >> 8)) return std::nullopt;
  return static_cast<Integer>(n);
}

bool receive_reply_from(LinkChannel& channel) {
  // In relay mode the failure message tells whether the relay itself answered this attempt
  // (it sends "NORESP" when the controller did not), so the flag reflects the last attempt.
  const bool relay_mode = !remote_server_ip.empty();
  if (relay_mode) remote_server_answered = 0;
  const auto waiting = channel.bytes_waiting();
  if (!waiting) return false;
  std::optional<std::string> input;
  if (*waiting > 0) {
    input = channel.take_input();
    if (relay_mode && *waiting > 1) remote_server_answered = 1;
    if (!input) return false;
  }
  if (input && !input->empty()) {
    // The frame is what was waiting when the attempt looked; bytes that arrived between
    // that look and the read are consumed with it but are no part of this reply.
    const ReplyFrame frame(std::string_view(*input).substr(0, *waiting));
    const auto n = check_reply_frame(frame);
    if (!n) {
      ++state().dropped;
      return true;
    }
    run_decoder(&decode_ascii_reply, "decode_ascii_reply", frame, *n);
    run_decoder(&decode_binary_reply_1, "decode_binary_reply_1", frame, *n);
    run_decoder(&decode_binary_reply_2, "decode_binary_reply_2", frame, *n);
    record_reply_interval();
    if (reply_received == -1) ++state().taken;
  }
  yield_to_message_loop();
  yield_to_message_loop();
  return true;
}

void receive_reply() {
  LinkChannel& channel = active_link_channel();
  if (!receive_reply_from(channel)) channel.abandon();
}

Long read_byte(const ReplyFrame& frame, Integer& index) {
  const Long value = frame.at(index);
  index = static_cast<Integer>(index + 1);
  return value;
}

Long read_word(const ReplyFrame& frame, Integer& index) {
  const Long value = word_at(frame, index);
  index = static_cast<Integer>(index + 2);
  return value;
}

Long word_at(const ReplyFrame& frame, Integer index) {
  return frame.at(index) + 256 * frame.at(index + 1);
}

Long as_signed_byte(Long value) {
  return value > 127 ? value - 256 : value;
}

Long as_signed_word(Long value) {
  return value > 32767 ? value - 65536 : value;
}

std::int64_t dropped_reply_count() {
  return state().dropped;
}

std::int64_t taken_reply_count() {
  return state().taken;
}

void reset_receive_framer() {
  state() = FramerState{};
  shown_reply_interval_ms = 0.0F;
}

}  // namespace ecu
