#pragma once
// The random numbers of demo mode. One deterministic generator behind it, started from a
// fixed seed, so a run without randomize repeats its sequence and tests can pin values.

#include <cstdint>

namespace ui {

// Uniform in [0, 1), single precision; never 1.0.
float rnd();
// Restarts the sequence from the seed.
void randomize(std::uint32_t seed);
// Restarts the sequence from a seed taken from the system.
void randomize();

}  // namespace ui
