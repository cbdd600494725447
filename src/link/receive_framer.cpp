#include "link/receive_framer.hpp"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <limits>
#include <numeric>
#include <string>
#include <utility>

#include "decode/command_table.hpp"
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
// The shortest frame with a type byte before its sum (an acknowledgement without payload).
constexpr std::size_t kShortestFrame = 5;
constexpr std::size_t kIntervalCount = 16;
constexpr double kShownIntervalLimitMs = 10000.0;
constexpr Single kShownIntervalCeilingMs = 9999.9F;

struct FramerState {
  // Monotonic time of the previous accepted frame; none before the first one.
  std::optional<double> last_accepted_time;
  std::array<double, kIntervalCount> intervals{};  // oldest first
  std::int64_t dropped = 0;
  std::int64_t unanswered = 0;
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

unsigned byte_at(std::string_view input, std::size_t index) {
  return static_cast<unsigned char>(input[index]);
}

bool is_frame_length(std::size_t length) {
  return length >= kShortestFrame && length <= static_cast<std::size_t>(ReplyFrame::kPlaces);
}

// Whether the `length` bytes at `offset`, all there, end with the sum of those before it.
bool sum_is_right(std::string_view input, std::size_t offset, std::size_t length) {
  unsigned sum = 0;
  for (std::size_t i = offset; i < offset + length - 2; ++i) sum += byte_at(input, i);
  return byte_at(input, offset + length - 2) == (sum & 0xFFU) &&
         byte_at(input, offset + length - 1) == (sum >> 8);
}

// The length of the well-formed frame at `offset`, or 0 when none starts there.
std::size_t frame_at(std::string_view input, std::size_t offset) {
  if (input.size() - offset < kShortestFrame) return 0;
  const std::size_t length = byte_at(input, offset + 1);
  if (!is_frame_length(length) || length > input.size() - offset) return 0;
  return sum_is_right(input, offset, length) ? length : 0;
}

// The whole length the answer must have: the command table's for the request's code, the
// caller's for a code the table lacks.
std::size_t answer_length(std::string_view request_frame, std::size_t expected_length) {
  constexpr std::size_t kCode = 2;
  if (request_frame.size() <= kCode) return expected_length;
  const CommandInfo* row = find_command(static_cast<std::uint8_t>(request_frame[kCode]));
  if (row == nullptr) return expected_length;
  return static_cast<std::size_t>(std::max<Integer>(row->reply_length, 0)) + 2;
}

// Whether all the bytes of a frame headed as the answer (its length byte, then the request's
// type, and the address asked for) are in at `offset` with a wrong sum.
bool bad_sum_answer_at(std::string_view input, std::size_t offset, std::string_view request_frame,
                       std::size_t length) {
  if (!is_frame_length(length) || length > input.size() - offset) return false;
  if (byte_at(input, offset + 1) != length) return false;
  return reply_answers_request(request_frame, input.substr(offset, length)) &&
         !sum_is_right(input, offset, length);
}

// Where bytes may begin an answer that has not wholly come: the first offset from `from` on,
// among the last `length` - 1, whose bytes, as far as they are in, are a length byte equal to
// the answer's and then the request's type (any last byte may be a first byte). The input's
// size when there is none.
std::size_t answer_start_coming(std::string_view input, std::string_view request_frame,
                                std::size_t length, std::size_t from) {
  const std::size_t size = input.size();
  for (std::size_t offset = std::max(from, size >= length ? size - length + 1 : 0); offset < size;
       ++offset) {
    const bool length_fits = offset + 1 >= size || byte_at(input, offset + 1) == length;
    const bool type_fits = offset + 2 >= size || input[offset + 2] == request_frame[2];
    if (length_fits && type_fits) return offset;
  }
  return size;
}

// Decodes one checked frame; every decoder sees it, a failing one only ends its own work.
void decode_frame(const ReplyFrame& frame, Integer n) {
  run_decoder(&decode_ascii_reply, "decode_ascii_reply", frame, n);
  run_decoder(&decode_binary_reply_1, "decode_binary_reply_1", frame, n);
  run_decoder(&decode_binary_reply_2, "decode_binary_reply_2", frame, n);
  record_reply_interval();
  if (reply_received == -1) ++state().taken;
}

// What an attempt read: every byte taken, the reply sought only in the first `counted`.
struct AttemptInput {
  std::string bytes;
  std::size_t counted = 0;
};

// What waits for the framer, or nothing when the line failed. The frame is what was waiting
// when the attempt looked; bytes that arrived between that look and the read are consumed
// with it but are no part of this reply.
std::optional<AttemptInput> take_attempt_input(LinkChannel& channel) {
  // In relay mode the failure message tells whether the relay itself answered this attempt
  // (it sends "NORESP" when the controller did not), so the flag reflects the last attempt.
  const bool relay_mode = !remote_server_ip.empty();
  if (relay_mode) remote_server_answered = 0;
  const auto waiting = channel.bytes_waiting();
  if (!waiting) return std::nullopt;
  if (*waiting == 0) return AttemptInput{};
  auto input = channel.take_input();
  if (relay_mode && *waiting > 1) remote_server_answered = 1;
  if (!input) return std::nullopt;
  const std::size_t counted = std::min(*waiting, input->size());
  return AttemptInput{std::move(*input), counted};
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
  const auto input = take_attempt_input(channel);
  if (!input) return false;
  if (input->counted > 0) {
    const ReplyFrame frame(std::string_view(input->bytes).substr(0, input->counted));
    const auto n = check_reply_frame(frame);
    if (!n) {
      ++state().dropped;
      return true;
    }
    decode_frame(frame, *n);
  }
  yield_to_message_loop();
  yield_to_message_loop();
  return true;
}

bool receive_reply_for(LinkChannel& channel, std::string_view request_frame,
                       std::size_t expected_length, std::string& kept, int& answers) {
  const auto taken = take_attempt_input(channel);
  std::string input = std::exchange(kept, std::string());
  if (!taken) return false;
  const std::size_t own_from = input.size();
  input += std::string_view(taken->bytes).substr(0, taken->counted);
  ReplySearch search = find_reply(input, request_frame, expected_length, own_from);
  state().unanswered += search.other_frames;
  // An earlier attempt's answer is taken only when none of this attempt's own can be: its
  // value is right, and the answer still owed to this attempt is waited for before the next
  // request that could take it for its own.
  std::optional<FramePosition> reply = search.expected;
  const std::size_t answer = answer_length(request_frame, expected_length);
  if (!reply && search.answering && search.answering->length == answer) reply = search.answering;
  if (!reply) reply = search.earlier ? search.earlier : search.answering;
  // Bytes that hold no frame at all are dropped: no decoder sees them, nothing more is done.
  const bool dropped = !reply && search.other_frames == 0 && taken->counted > 0;
  if (reply) {
    const ReplyFrame frame(std::string_view(input).substr(reply->offset, reply->length));
    if (const auto n = check_reply_frame(frame)) decode_frame(frame, *n);
  } else if (dropped) {
    ++state().dropped;
  }
  // Bytes read after the look are no part of this reply, but an answer among them counts,
  // and one that begins there is kept whole for the next look.
  if (taken->counted < taken->bytes.size()) {
    input += std::string_view(taken->bytes).substr(taken->counted);
    search = find_reply(input, request_frame, expected_length, own_from);
  }
  answers += search.answers;
  kept = input.substr(search.still_coming);
  if (dropped) return true;
  yield_to_message_loop();
  yield_to_message_loop();
  return true;
}

ReplySearch find_reply(std::string_view input, std::string_view request_frame,
                       std::size_t expected_length, std::size_t own_from) {
  ReplySearch search;
  const std::size_t answer = answer_length(request_frame, expected_length);
  const std::size_t size = input.size();
  std::size_t frames_end = 0;  // where the last whole frame ends
  std::size_t before_answering = 0;
  std::size_t offset = 0;
  while (offset < size) {
    const std::size_t length = frame_at(input, offset);
    if (length == 0) {
      ++offset;
      continue;
    }
    const FramePosition position{offset, length};
    if (!reply_answers_request(request_frame, input.substr(offset, length))) {
      ++search.other_frames;
    } else {
      ++search.answers;
      if (offset < own_from) {
        if (!search.earlier) search.earlier = position;
      } else {
        if (!search.answering) {
          search.answering = position;
          before_answering = frames_end;
        }
        if (length == expected_length && !search.expected) search.expected = position;
      }
    }
    offset += length;
    frames_end = offset;
  }
  search.still_coming = answer_start_coming(input, request_frame, answer, frames_end);
  if (search.expected) return search;
  // A spoilt answer is judged only as the last thing in, so bytes that keep coming after it
  // (more noise, the answer itself) are never taken for one. An answer may still be coming
  // when its head (length byte and type) is in but not all of it: a short frame inside it is
  // part of it, and a look-alike with a wrong sum that holds such a head may be stray bytes
  // the answer began within.
  if (const auto& first = search.answering) {
    search.answer_spoilt =
        first->length != answer && first->offset + first->length == size &&
        answer_start_coming(input, request_frame, answer, before_answering) >= first->offset;
  } else if (size >= answer) {
    const std::size_t last = size - answer;
    search.answer_spoilt =
        last >= std::max(own_from, frames_end) &&
        bad_sum_answer_at(input, last, request_frame, answer) &&
        answer_start_coming(input, request_frame, answer, frames_end) + 2 >= size;
  }
  return search;
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

std::int64_t unanswered_reply_count() {
  return state().unanswered;
}

std::int64_t taken_reply_count() {
  return state().taken;
}

void reset_receive_framer() {
  state() = FramerState{};
  shown_reply_interval_ms = 0.0F;
}

}  // namespace ecu
