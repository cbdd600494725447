#pragma once

#include "link/receive_framer.hpp"
#include "model/basic_types.hpp"

namespace ecu {

// 'A', the live-data frame: the engine's running values into the shared live data, the
// input and limiter states and the exhaust gas temperature onto the monitor, and the dyno
// capture's state onto the diagnostics window, which also drives the dyno log.
void decode_live_data_reply(const ReplyFrame& reply, Integer n);

}  // namespace ecu
