#pragma once
// Conversions of floating values to integers and singles. Wire values, screen offsets and
// indices round to the nearest integer with a half going to the even neighbour (2.5 -> 2,
// 3.5 -> 4), independent of the floating-point environment's rounding mode.

#include <cstdint>
#include <optional>

namespace ui {

// Nearest integer, halves to even; a value that is not finite comes back unchanged.
double round_half_even(double value);

// Nearest integer, halves to even; nullopt when the value is not finite or the result does
// not fit, so a caller can never convert out of range.
std::optional<std::int16_t> round_to_int16(double value);
std::optional<std::int32_t> round_to_int32(double value);

// Whether a value is a finite number within single precision's range, so converting it to
// a single neither overflows nor is undefined.
bool fits_single(double value);

// Int: the largest whole number not above the value (Int(-2.5) is -3).
double int_floor(double value);
// Fix: the whole part, towards zero (Fix(-2.5) is -2).
double fix_trunc(double value);

}  // namespace ui
