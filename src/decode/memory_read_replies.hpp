#pragma once

#include "link/receive_framer.hpp"
#include "model/basic_types.hpp"

namespace ecu {

// 'E', 'e', 'r', 'q', 'k' and 'l': bytes 3-4 the address of the first data byte (low byte
// first), data from byte 5 up to n - 1. Every byte goes to place_calibration_byte with its
// own address, in address order; mem_value ends holding the last one.
void decode_memory_read_reply(const ReplyFrame& reply, Integer n);

}  // namespace ecu
