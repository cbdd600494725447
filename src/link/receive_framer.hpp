#pragma once
// The receive framer: takes what arrived for one attempt, checks it is one well-formed
// reply frame, and hands it to the three reply decoders.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "model/basic_types.hpp"

namespace ecu {

class LinkChannel;

// A reply as the decoders see it: up to 100 places, the first `count()` holding the bytes
// received in order, the rest holding nothing.
class ReplyFrame {
 public:
  static constexpr int kPlaces = 100;

  ReplyFrame() = default;
  // Keeps the first 100 bytes; `received_count()` still tells how many arrived.
  explicit ReplyFrame(std::string_view bytes);

  [[nodiscard]] int count() const { return count_; }
  [[nodiscard]] int received_count() const { return received_; }
  [[nodiscard]] bool has(int index) const { return index >= 0 && index < count_; }
  // The byte at `index`; throws ReplyByteMissing when that place holds nothing.
  [[nodiscard]] std::uint8_t at(int index) const;

 private:
  std::array<std::uint8_t, kPlaces> bytes_{};
  int count_ = 0;
  int received_ = 0;
};

// A decoder read a place of the frame that holds no byte. The framer traps it: that
// decoder's work on the frame ends and the framer goes on.
class ReplyByteMissing : public std::out_of_range {
 public:
  explicit ReplyByteMissing(int index);
};

// Returns n (the length byte minus 2) for a frame that passes the length and sum tests,
// nothing for a frame to drop. Only bytes that arrived are ever read: a length byte that
// claims more than arrived drops the frame (also for 0xAE), and so does input of more than
// 100 bytes, which no reply of the protocol reaches.
std::optional<Integer> check_reply_frame(const ReplyFrame& frame);

// Where the reply to a request stands in the bytes that came after the request. Frames are
// found by their own framing (a length byte of 5 to 100, the whole frame there, its sum
// right); a byte that starts no such frame is skipped, and so is a whole frame that answers
// another request. Stale bytes (the tail of an earlier reply, stray bytes, a late answer to
// an earlier request) therefore never spoil the reply that follows them. Bytes before
// `own_from` came before the attempt's request went out: an answer that begins there answers
// an earlier attempt of the same request.
struct FramePosition {
  std::size_t offset = 0;
  std::size_t length = 0;
};
struct ReplySearch {
  // The first frame from `own_from` on that answers the request with the whole length the
  // caller expects.
  std::optional<FramePosition> expected;
  // The first frame from `own_from` on that answers the request, whatever its length.
  std::optional<FramePosition> answering;
  // The first frame that answers the request and began before `own_from`.
  std::optional<FramePosition> earlier;
  // Every whole frame that answers the request, wherever it began.
  int answers = 0;
  // Well-formed frames that answer something else.
  int other_frames = 0;
  // The last bytes in are a spoilt answer, and no answer can still be coming in them: the
  // first frame from `own_from` on that answers the request ends them and has a length the
  // command table does not give the code (and no frame headed as the answer began before it
  // and is still coming in: a short frame inside an answer is part of that answer), or, with
  // no such frame, they are a frame headed as the answer (its length, type and address) with
  // a wrong sum that began from `own_from` on, outside every whole frame, with no other such
  // head inside it. Only the bytes are judged here; the wait adds that the line fell quiet.
  bool answer_spoilt = false;
  // Where bytes that may begin an answer still coming in start (a length byte equal to the
  // answer's and the request's type, as far as they are in, in its last bytes, after every
  // whole frame); the input's size when none can.
  std::size_t still_coming = 0;
};
ReplySearch find_reply(std::string_view input, std::string_view request_frame,
                       std::size_t expected_length, std::size_t own_from = 0);

// Reads what arrived for the current attempt and, when it is a good frame, decodes it.
void receive_reply();
// The same on a given channel; false when the line failed (the frame is then dropped).
bool receive_reply_from(LinkChannel& channel);
// What arrived for an attempt of `request_frame`, after `kept` (what came before the request
// went out, see `find_reply`'s `own_from`): only a frame that answers the request reaches
// the decoders, the attempt's own first (of the expected whole length, then of the length
// the command table gives), an earlier attempt's when none of its own came, and any answering
// frame last; other frames are counted. `answers` grows by the answering frames that came,
// and on return `kept` holds the bytes that may begin an answer still coming in, with all
// read after them. False when the line failed.
bool receive_reply_for(LinkChannel& channel, std::string_view request_frame,
                       std::size_t expected_length, std::string& kept, int& answers);

// Field readers for the decoders: the byte (0 to 255) or the word (low byte first, 0 to
// 65535) at `index`, which advances past what was read.
Long read_byte(const ReplyFrame& frame, Integer& index);
Long read_word(const ReplyFrame& frame, Integer& index);
// The word at `index` without moving on, for replies read by fixed position.
Long word_at(const ReplyFrame& frame, Integer index);
// Bytes and words the controller sends as two's complement.
Long as_signed_byte(Long value);
Long as_signed_word(Long value);

// Frames dropped by the framer since start-up (bad length, bad sum, too short or too long):
// attempts whose bytes held no well-formed frame at all.
[[nodiscard]] std::int64_t dropped_reply_count();

// Well-formed frames since start-up that did not answer the request they came after (a
// stray frame of another type, a late answer to an earlier request); none was decoded.
[[nodiscard]] std::int64_t unanswered_reply_count();

// Frames a decoder took (set `reply_received`) since start-up; for the poll-rate benchmark.
[[nodiscard]] std::int64_t taken_reply_count();

// Forgets the reply-interval history and the drop count (start-up state; used by tests).
void reset_receive_framer();

}  // namespace ecu
