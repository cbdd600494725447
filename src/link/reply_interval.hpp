#pragma once
// The average time between accepted replies, shown on the monitor window while it is the
// current view. The framer computes it; the monitor window shows it.

#include "model/basic_types.hpp"

namespace ecu {

// The last average handed to show_reply_interval, in milliseconds (9999.9 at most). The
// monitor window writes it into its `group_delay` label with the mask "###0.0".
inline Single shown_reply_interval_ms = 0.0F;

// Called by the framer after each accepted reply while `current_view` is 1. It only stores
// the value for now; the monitor window's label is written from here once that window exists.
void show_reply_interval(Single milliseconds);

}  // namespace ecu
