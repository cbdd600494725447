#pragma once
// The three reply decoders. Each owns a set of reply types (the command table says which);
// for a type it owns it checks the reply length, marks the reply received and runs the
// type's case. Types it does not own, and lengths that do not match, change nothing.

#include <cstdint>
#include <string>

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

// Whether the last reply a decoder accepted, which the link took only because it answers
// the request (its type, and the address or index asked for), confirms a write: the echo
// carries back every request byte it repeats, so the value stored is the value sent. Any
// reply answers a read.
bool echo_confirms_write(const CommandInfo& command, const std::string& request);

}  // namespace ecu
