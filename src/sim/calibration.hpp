#pragma once
// What a simulated controller keeps between runs: its calibration memory and the settings
// blocks the console reads and writes, in the controller's own units, as they travel.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

// The controller's memory, read and written a byte at a time by 16-bit address.
constexpr std::size_t kMemorySize = 65536;

struct Calibration {
  std::vector<std::uint8_t> memory = std::vector<std::uint8_t>(kMemorySize, 0);
  // The payload of each setting's read reply, by its read code.
  std::map<std::uint8_t, std::string> settings;

  bool operator==(const Calibration&) const = default;
};

// A calibration a user recognises, for the program rather than the tests: fuel and ignition
// maps, enrichments and sensor curves of a four-cylinder engine on a 1 bar MAP sensor and an
// 8000 rpm scale, and every setting block including the base configuration and the fuel
// parameters, so the console's writes to those are kept too.
Calibration starting_calibration();

}  // namespace sim
