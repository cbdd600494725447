#include "ui/rounding.hpp"

#include <cmath>
#include <limits>

namespace ui {
namespace {

template <typename Integer>
std::optional<Integer> round_to(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double rounded = round_half_even(value);
  // Both limits are exact in a double, so the comparison decides before any conversion.
  if (rounded < static_cast<double>(std::numeric_limits<Integer>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<Integer>::max())) {
    return std::nullopt;
  }
  return static_cast<Integer>(rounded);
}

}  // namespace

bool fits_single(double value) {
  return std::isfinite(value) && std::fabs(value) <= std::numeric_limits<float>::max();
}

double round_half_even(double value) {
  if (!std::isfinite(value)) return value;
  const double lower = std::floor(value);
  // Exact: a double's fraction is representable on its own.
  const double fraction = value - lower;
  if (fraction < 0.5) return lower;
  if (fraction > 0.5) return lower + 1.0;
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

std::optional<std::int16_t> round_to_int16(double value) {
  return round_to<std::int16_t>(value);
}

std::optional<std::int32_t> round_to_int32(double value) {
  return round_to<std::int32_t>(value);
}

double int_floor(double value) {
  return std::floor(value);
}

double fix_trunc(double value) {
  return std::trunc(value);
}

}  // namespace ui
