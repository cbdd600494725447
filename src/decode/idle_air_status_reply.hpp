#pragma once

#include "link/receive_framer.hpp"
#include "model/basic_types.hpp"

namespace ecu {

// The idle-air stepper's status block (state byte, error-count byte, position word, rpm
// set-point word) read from `index` on into iac_state, iac_error, iac_position and
// iac_rpm_setpoint; `index` ends past the block. The monitor frame ends with the same block.
void store_iac_status_block(const ReplyFrame& reply, Integer& index);

// 0x98: the block alone, from byte 3. No control is written; the monitor shows the values
// at its next refresh.
void decode_iac_status_reply(const ReplyFrame& reply, Integer n);

}  // namespace ecu
