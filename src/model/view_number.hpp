#pragma once
// The values of `current_view`: which view window the main poll serves, one at a time.

#include "model/basic_types.hpp"

namespace ecu {

inline constexpr Integer kNoView = 0;
inline constexpr Integer kMonitorView = 1;
inline constexpr Integer kConfigurationView = 2;
inline constexpr Integer kBasicMappingView = 3;
inline constexpr Integer kPlotterView = 4;
inline constexpr Integer kAdditionalMappingView = 5;
inline constexpr Integer kDashboardView = 6;
inline constexpr Integer kOutputDriverView = 7;
inline constexpr Integer kDiagnosticsView = 8;

}  // namespace ecu
