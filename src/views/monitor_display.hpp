#pragma once
// The monitor's twenty value texts. The texts belong to the main window, so they outlive
// the monitor window: a label is rewritten only when its new text differs from the one it
// shows, and the monitor view command forces a rewrite by storing a text no value can take.

#include <array>
#include <string>

namespace ecu {

inline constexpr int kMonitorEntries = 20;

// Texts built by the last formatting pass, one per ECU_Data label.
inline std::array<std::string, kMonitorEntries> monitor_text{};
// Texts the ECU_Data labels show now.
inline std::array<std::string, kMonitorEntries> monitor_shown_text{};

// One formatting pass: clamps the live values the monitor limits, formats the twenty texts
// and writes each ECU_Data label of frm_mon whose text changed. Called by the main poll
// after the monitor's requests.
void refresh_monitor_display();

// True when the Units menu has lambda ticked (the design state while the main window is
// not loaded).
bool lambda_units_chosen();

// The ignition advance as the monitor shows it: the size of the angle with "B" before top
// dead centre (above 0) and "A" after it (0 included), as 12.50B or 3.25A.
std::string monitor_timing_text(float advance_degrees);

}  // namespace ecu
