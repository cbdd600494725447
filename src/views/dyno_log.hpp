#pragma once
// The dyno capture log, driven by the live-data decoder while the diagnostics view is
// current: one row per frame while the controller reports the capture running, and the
// end of the capture when it reports it finished.

namespace ecu {

// Appends one row to the open dyno log; without an open log it does nothing.
void write_dyno_log_row();

// Closes the open dyno log and ends the capture; without an open log it does nothing, so
// only the first "finished" frame of a capture has an effect.
void finish_dyno_capture();

}  // namespace ecu
