#include "decode/memory_read_replies.hpp"

#include "decode/byte_placement.hpp"
#include "model/shared_state.hpp"

namespace ecu {

namespace {
constexpr int kFirstDataByte = 5;
}  // namespace

void decode_memory_read_reply(const ReplyFrame& reply, Integer n) {
  // The address is the reply's own, not the one asked for; it is kept so the asker can
  // tell a reply for another address from its own.
  const Long address = reply.at(3) + 256 * reply.at(4);
  mem_address = address;
  for (int k = 0; kFirstDataByte + k < n; ++k) {
    mem_value = reply.at(kFirstDataByte + k);
    place_calibration_byte(address + k, mem_value);
  }
}

}  // namespace ecu
