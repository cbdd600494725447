#pragma once
// Demo mode without a controller: the main poll keeps every view alive with live values
// that jitter around a fixed running point, and unlocks what a controller would enable.

namespace ecu {

// Every demo tick: enables the views a feature word could have disabled and shows the
// "DEMO MODE!" label on every view that has one.
void demo_enabling_step();

// The tick that sends the first status request: gives the dashboard tachometer the scale
// of a 10800 rpm limit.
void first_demo_connect_step();

// Fills the live values, drawing ten random numbers in a fixed order.
void demo_value_step();

}  // namespace ecu
