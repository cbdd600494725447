#pragma once
// The plotter's share of each plotter poll: the chart points of the 21 channels.

namespace ecu {

inline constexpr int kPlotterChannels = 21;

// Called by the plotter poll after each of its requests: writes a data log row while
// logging, shows the logged-sample count and feeds every chart channel with the current
// live value, scaled to 0..1 of its range.
void update_plotter_and_log();

// The value channel `channel` (0 to 20) gets from the current live values; NaN (no point:
// the chart leaves a gap) for any other channel and for a value that cannot be computed
// (a zero full scale, for instance).
float plotter_channel_value(int channel);

}  // namespace ecu
