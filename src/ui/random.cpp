#include "ui/random.hpp"

#include <random>

namespace ui {
namespace {

std::mt19937& generator() {
  static std::mt19937 engine(std::mt19937::default_seed);
  return engine;
}

}  // namespace

float rnd() {
  // 24 random bits are exactly a float's precision: every result is representable and the
  // largest is 1 - 2^-24, so rounding can never produce 1.0.
  constexpr float scale = 1.0F / 16777216.0F;
  return static_cast<float>(generator()() >> 8U) * scale;
}

void randomize(std::uint32_t seed) {
  generator().seed(seed);
}

void randomize() {
  std::random_device source;
  generator().seed(source());
}

}  // namespace ui
