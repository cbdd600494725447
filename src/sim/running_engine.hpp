#pragma once
// The live values of the simulated controller's program: an engine that goes round a fixed
// 40-second drive cycle (idle, a rise to a cruise, a full-throttle pull, the overrun back to
// idle) while its coolant warms up. It is not an engine model: speed, throttle and manifold
// pressure follow the cycle's table, and what a controller works out from them (pulse width,
// advance, lambda set-point, enrichments, idle speed) is looked up in the calibration it runs
// on, so a changed map shows in the live values.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "sim/controller_replies.hpp"

namespace sim {

// The calibration the engine runs on: the controller's memory and the payloads of its fuel
// parameter ('B') and base configuration ('C') reads.
struct EngineCalibration {
  std::span<const std::uint8_t> memory;
  std::string fuel_params;
  std::string base_config;
};

struct EngineReadings {
  LiveData live;
  MonitorFrame monitor;
  ChannelRuntime runtime;
};

// The readings `seconds` after the engine started.
EngineReadings engine_readings(double seconds, const EngineCalibration& calibration);

// The payload of the live reply of `code` ('A', 0x81, 0xB2, 0xCF, 0x98), or nothing for a
// code the engine does not answer.
std::optional<std::string> engine_reply_payload(std::uint8_t code, const EngineReadings& readings);

}  // namespace sim
