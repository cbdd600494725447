#pragma once
// The three reply decoders. Each owns a set of reply types (the command table says which);
// for a type it owns it checks the reply length, marks the reply received and runs the
// type's case. Types it does not own, and lengths that do not match, change nothing.

#include <cstdint>

#include "decode/command_table.hpp"
#include "link/receive_framer.hpp"
#include "model/basic_types.hpp"

namespace ecu {

void decode_ascii_reply(const ReplyFrame& reply, const Integer& n);
void decode_binary_reply_1(const ReplyFrame& reply, const Integer& n);
void decode_binary_reply_2(const ReplyFrame& reply, const Integer& n);

// What the decoders know about one reply type, taken from the command table.
struct ReplyType {
  bool known = false;  // false: no decoder owns the type
  ReplyDecoder decoder = ReplyDecoder::ascii;
  Integer reply_length = 0;
  ReplyCase decode = nullptr;
};

const ReplyType& reply_type(std::uint8_t type);

// The last reply a decoder accepted (a type it owns, at the right length), so that a caller
// can tell whether that reply answers its own request: its type and the bytes it echoes.
struct AcceptedReply {
  ReplyFrame frame;
  Integer n = 0;
};
const AcceptedReply& last_accepted_reply();

}  // namespace ecu
