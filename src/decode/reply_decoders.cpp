#include "decode/reply_decoders.hpp"

#include <array>

#include "link/request.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

using ReplyTypes = std::array<ReplyType, 256>;

AcceptedReply& accepted_reply() {
  static AcceptedReply reply;
  return reply;
}

ReplyTypes build_reply_types() {
  ReplyTypes types{};
  for (const CommandInfo& row : command_table()) {
    ReplyType& entry = types[row.code];
    // A code with two rows (the two actions of 0xAE) has one reply case: the first row's.
    if (entry.known) continue;
    entry = ReplyType{true, row.decoder, row.reply_length, row.decode};
  }
  return types;
}

void decode_owned_reply(ReplyDecoder self, const ReplyFrame& reply, Integer n) {
  const ReplyType* entry = reply.has(2) ? &reply_type(reply.at(2)) : nullptr;
  if (entry == nullptr || !entry->known || entry->decoder != self) {
    yield_to_message_loop();
    return;
  }
  // The length test comes first: a reply of the wrong length touches nothing.
  if (n != entry->reply_length) return;
  reply_received = -1;
  accepted_reply() = AcceptedReply{reply, n};
  if (entry->decode != nullptr) entry->decode(reply, n);
}

}  // namespace

const ReplyType& reply_type(std::uint8_t type) {
  static const ReplyTypes types = build_reply_types();
  return types[type];
}

const AcceptedReply& last_accepted_reply() {
  return accepted_reply();
}

bool echo_confirms_write(const CommandInfo& command, const std::string& request) {
  if (command.kind != CommandKind::write) return true;
  const AcceptedReply& reply = last_accepted_reply();
  // The echo repeats the request's payload from its byte 3 on, as far as it reaches.
  const int echoed = reply.n - 3;
  for (int k = 0; k < echoed; ++k) {
    const auto position = static_cast<std::size_t>(1 + k);
    if (position >= request.size() || !reply.frame.has(3 + k)) return false;
    if (reply.frame.at(3 + k) != static_cast<unsigned char>(request[position])) return false;
  }
  return true;
}

void decode_ascii_reply(const ReplyFrame& reply, const Integer& n) {
  decode_owned_reply(ReplyDecoder::ascii, reply, n);
}

void decode_binary_reply_1(const ReplyFrame& reply, const Integer& n) {
  decode_owned_reply(ReplyDecoder::binary_1, reply, n);
}

void decode_binary_reply_2(const ReplyFrame& reply, const Integer& n) {
  decode_owned_reply(ReplyDecoder::binary_2, reply, n);
}

}  // namespace ecu
