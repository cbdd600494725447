#pragma once
// The four numeric types the console's state is written in. Widths are fixed because
// values travel to and from the controller and the data set files at these widths.

#include <cstdint>

namespace ecu {

// A yes/no flag stored as 16 bits: -1 is true, 0 is false. Callers compare against -1,
// so a flag set to 1 would read as not set; always assign kTrue or kFalse.
using Flag = std::int16_t;
using Integer = std::int16_t;
using Long = std::int32_t;
using Single = float;

inline constexpr Flag kTrue = -1;
inline constexpr Flag kFalse = 0;

}  // namespace ecu
