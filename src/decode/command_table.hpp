#pragma once
// The controller's command table: every code, its request payload, the reply length that
// the sender passes and the decoder checks, the decoder that owns the reply and the case
// that decodes it. One row per code (0xAE has two rows, one per action).

#include <cstdint>
#include <span>
#include <string_view>

#include "model/basic_types.hpp"

namespace ecu {

class ReplyFrame;

enum class CommandKind { read, write, action, poll, reply_only };

// Request bytes 3 to 5 after the code.
enum class RequestPayload {
  none,           // the code alone, padded with "000"
  byte_value,     // v 0x00 0x00
  word_value,     // lo hi 0x00
  index_word,     // idx lo hi
  index_byte,     // idx v 0x00
  mask_word,      // maskLo maskHi 0x00
  row_mask,       // row maskLo maskHi
  memory_read,    // addrLo addrHi 0x00
  memory_write,   // addrLo addrHi value
  zeros,          // 0x00 0x00 0x00
  arm_or_cancel,  // 0x01 0x00 0x00 arms, 0x00 0x00 0x00 cancels
  on_or_off,      // 0xA5 0x00 0x00 on, 0x00 0x00 0x00 off
  reset_key,      // 0xA5 0x00 0x00
  reflash_key,    // 0x5A 0x00 0x00
  page,           // page '0' '0', page 0 to 7
};

enum class ReplyDecoder { ascii, binary_1, binary_2 };

// Decodes an accepted reply of the right length into the shared state and the windows.
using ReplyCase = void (*)(const ReplyFrame& reply, Integer n);

inline constexpr int kNoSharedCode = -1;

// The live frames the polls request for the views; their rows below carry these codes.
inline constexpr std::uint8_t kReadLiveData = 'A';
inline constexpr std::uint8_t kReadMonitorFrame = 0x81;
inline constexpr std::uint8_t kReadChannelRuntime = 0xCF;

struct CommandInfo {
  std::uint8_t code;
  const char* name;
  CommandKind kind;
  RequestPayload payload;
  Integer reply_length;  // n: the reply's bytes before its sum
  ReplyDecoder decoder;
  int shares_with;   // the code whose reply the same case decodes, or kNoSharedCode
  ReplyCase decode;  // nullptr until the reply's fields are decoded
};

std::span<const CommandInfo> command_table();

// The first row of a code or of a name; nullptr when there is none.
const CommandInfo* find_command(std::uint8_t code);
const CommandInfo* find_command(std::string_view name);

// Whether a whole reply frame (first byte, length byte, type, payload, sum) answers the
// 8-byte request frame that was sent: its type is the request's own code (a read's reply, a
// write's echo, an action's acknowledgement; no request of the console is answered under
// another code) and, for memory reads and writes and writes of one element, it names the
// address or index asked for. A frame too short to carry that is left to the decoder's
// length test.
bool reply_answers_request(std::string_view request_frame, std::string_view reply);

}  // namespace ecu
