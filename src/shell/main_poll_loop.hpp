#pragma once
// The background traffic with the controller, driven by two timers of the main window:
// Timer1 (50 ms) polls for the current view and serves view switches, Timer3 (1000 ms)
// polls for the plotter. Every request is a complete exchange, so a tick is a fixed
// sequence of requests and replies.

#include "model/basic_types.hpp"

namespace ecu {

// Timer3's place in its four-request cycle, 0 to 3; kept while the plotter is closed.
inline Integer plotter_poll_step = 0;

// One Timer1 tick.
void main_poll_tick();

// One Timer3 tick.
void plotter_poll_tick();

}  // namespace ecu
