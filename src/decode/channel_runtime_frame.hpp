#pragma once

#include "link/receive_framer.hpp"
#include "model/basic_types.hpp"

namespace ecu {

// 0xCF: per channel (0 to 7) the injector pulse width word (bytes 3 + 2c), the injection
// duty byte (19 + c) and the ignition duty byte (27 + c); one coil dwell word (35-36).
// The duty percentages are stored whatever the view; the monitor's channel labels are
// written unless the plotter is the current view.
void decode_channel_runtime_frame(const ReplyFrame& reply, Integer n);

}  // namespace ecu
