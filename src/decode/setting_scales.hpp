#pragma once
// Scales shared by the setting decoders: how a raw reply value becomes the number a field
// shows.

#include "model/basic_types.hpp"
#include "model/shared_state.hpp"

namespace ecu {

inline constexpr double kTickSeconds = 1.6e-6;  // pulse widths travel in ticks of 1.6 us

// Pulse widths in ticks, shown in ms.
inline double tick_ms(Long value) {
  return value * kTickSeconds * 1000;
}
// Gains carry 12 fraction bits.
inline double gain(Long value) {
  return value / 4096.0;
}
// A byte as a share of full scale.
inline double percent(Long value) {
  return value / 255.0 * 100;
}
inline double quarter_degrees(Long value) {
  return value / 4.0;
}
inline double per_64(Long value) {
  return value / 64.0;
}
// One byte holding (degrees + 16) x 4: -16 to +47.75 degrees.
inline double offset_degrees(Long value) {
  return value / 256.0 * 64 - 16;
}
// A 10-bit MAP reading under the sensor scale in force when the reply arrives.
inline double map_pressure_kpa(Long value) {
  return value / 1023.0 * map_sensor_gain + map_sensor_offset;
}

}  // namespace ecu
