#include "decode/idle_air_status_reply.hpp"

#include "model/shared_state.hpp"

namespace ecu {

void store_iac_status_block(const ReplyFrame& reply, Integer& index) {
  iac_state = read_byte(reply, index);
  iac_error = read_byte(reply, index);
  iac_position = read_word(reply, index);
  iac_rpm_setpoint = read_word(reply, index);
}

void decode_iac_status_reply(const ReplyFrame& reply, Integer /*n*/) {
  Integer index = 3;
  store_iac_status_block(reply, index);
}

}  // namespace ecu
