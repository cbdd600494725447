#pragma once
// The average time between accepted replies, shown on the monitor window while it is the
// current view. The framer computes it; this shows it.

#include "model/basic_types.hpp"

namespace ecu {

// The last average handed to show_reply_interval, in milliseconds (9999.9 at most).
inline Single shown_reply_interval_ms = 0.0F;

// Called by the framer after each accepted reply while `current_view` is 1: writes the
// average into the monitor window's `group_delay` label with the mask "###0.0".
void show_reply_interval(Single milliseconds);

}  // namespace ecu
