#pragma once

#include "link/receive_framer.hpp"
#include "model/basic_types.hpp"

namespace ecu {

// 0x81, the monitor frame: map set, trigger counts and debug teeth, running time, error
// flags, speed, rpm per mph and gear (each stored and shown on the monitor), then the four
// output duties, the analog input word and the idle-air status block (stored only).
void decode_monitor_frame(const ReplyFrame& reply, Integer n);

// 0xB2, the older monitor frame: the first ten fields of 0x81 alone. Its first five fields
// go to the monitor's labels only.
void decode_old_monitor_frame(const ReplyFrame& reply, Integer n);

}  // namespace ecu
