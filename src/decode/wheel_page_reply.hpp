#pragma once

#include "link/receive_framer.hpp"
#include "model/basic_types.hpp"

namespace ecu {

// 0xF8: page p (byte 3) of a crank-wheel capture, 15 sample words from byte 4, stored at
// wheel_diag_samples(p x 15 + i).
void decode_wheel_page_reply(const ReplyFrame& reply, Integer n);

}  // namespace ecu
