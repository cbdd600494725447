#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <numbers>
#include <string>

#include "sim/calibration.hpp"
#include "sim/controller_replies.hpp"
#include "sim/controller_settings.hpp"

namespace sim {
namespace {

// A curve's nine stored bytes, in the controller's units (the console's memory map has the
// conversion of each): the temperature curves run from -13 to 115 degrees C.
struct CurveBytes {
  std::size_t first_address;
  std::array<std::uint8_t, 9> bytes;
};

// clang-format off
constexpr auto kCurves = std::to_array<CurveBytes>({
    {0x070, {102, 93, 84, 77, 70, 67, 64, 64, 64}},        // coolant enrichment 1.59 to 1.00
    {0x080, {70, 68, 66, 64, 62, 60, 59, 57, 55}},         // air temperature enrichment 1.09 to 0.86
    {0x090, {64, 64, 64, 64, 64, 64, 64, 64, 64}},         // auxiliary enrichment 1.00
    {0x200, {64, 64, 64, 64, 64, 64, 64, 64, 64}},         // advance by manifold pressure 0
    {0x210, {64, 64, 64, 64, 64, 64, 64, 64, 64}},         // advance by engine speed 0
    {0x220, {128, 128, 128, 128, 128, 128, 128, 128, 128}},  // barometric compensation 1.00
    {0x230, {175, 163, 150, 138, 125, 113, 106, 106, 106}},  // idle speed 1400 to 848 rpm
    {0x240, {64, 64, 64, 64, 64, 60, 56, 52, 48}},         // advance by air temperature 0 to -4
    {0x480, {64, 64, 64, 64, 64, 64, 64, 64, 64}},         // dwell by manifold pressure x 1.00
    {0x4A0, {64, 64, 64, 64, 64, 64, 64, 64, 64}},         // advance by barometric pressure 0
    {0x4B0, {80, 76, 72, 68, 64, 64, 64, 64, 62}},         // advance by coolant +4 to -0.5
    {0x4C0, {64, 64, 64, 64, 64, 64, 64, 64, 64}},         // advance by auxiliary input 0
    {0x4D0, {128, 115, 102, 90, 80, 72, 64, 64, 64}},      // acceleration enrichment 2.00 to 1.00
    {0x570, {128, 128, 115, 96, 80, 67, 61, 58, 54}},      // dwell by battery, 0 to 20 V: x 2.00 to 0.84
    {0x5C0, {24, 69, 88, 101, 114, 127, 144, 172, 214}},   // coolant sensor, 300k to 1 ohm: -40 to 150 C
    {0x5D0, {24, 69, 88, 101, 114, 127, 144, 172, 214}},   // air sensor, the same
});
// clang-format on

// The 16 x 16 maps and the 9 x 9 lambda table are stored column by column: speed index s
// across, load index l up, the byte of (s, l) at first + side x s + l.
constexpr std::size_t kEgoLambdaTable = 0x000;
constexpr std::size_t kFuelMap = 0x100;
constexpr std::size_t kIgnitionMap = 0x600;
constexpr std::size_t kThrottleFuelMap = 0x700;

// A torque curve's rise and fall over the speed columns, 0 to 1, highest at 3500 rpm.
double torque_shape(int speed) {
  return std::sin(std::numbers::pi * std::min(speed, 14) / 14.0);
}

std::uint8_t stored(double value) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

template <typename Cell>
void fill_table(std::vector<std::uint8_t>& memory, std::size_t first, int side, Cell cell) {
  for (int speed = 0; speed < side; ++speed) {
    for (int load = 0; load < side; ++load) {
      memory[first + static_cast<std::size_t>(side * speed + load)] = cell(speed, load);
    }
  }
}

}  // namespace

Calibration starting_calibration() {
  Calibration calibration;
  std::vector<std::uint8_t>& memory = calibration.memory;
  for (const CurveBytes& curve : kCurves) {
    std::copy(curve.bytes.begin(), curve.bytes.end(),
              memory.begin() + static_cast<std::ptrdiff_t>(curve.first_address));
  }
  // Fuel: 0.42 to 0.98 (x 1/128), more with load and around the torque peak; columns are
  // 500 rpm apart, rows 7.2 kPa from 10 kPa.
  fill_table(memory, kFuelMap, 16, [](int speed, int load) {
    return stored((0.42 + 0.42 * load / 15.0 + 0.14 * torque_shape(speed)) * 128);
  });
  // Ignition: 10 degrees at standstill rising to 34 by 4500 rpm, 12 less at full load, never
  // below 8 (stored as degrees x 4 + 64).
  fill_table(memory, kIgnitionMap, 16, [](int speed, int load) {
    const double degrees = 10 + 24 * std::min(speed / 9.0, 1.0) - 12 * load / 15.0;
    return stored(std::max(degrees, 8.0) * 4 + 64);
  });
  // Fuel by throttle (rows 0 to 100 %), for a controller switched to throttle mapping.
  fill_table(memory, kThrottleFuelMap, 16, [](int speed, int load) {
    return stored((0.30 + 0.60 * std::sqrt(load / 15.0) + 0.10 * torque_shape(speed)) * 128);
  });
  // Lambda set-points: 1.00 up to 67 kPa, then richer to 0.85 at full load.
  constexpr std::array<std::uint8_t, 9> kLambdaByLoad{128, 128, 128, 128, 128, 123, 115, 111, 109};
  fill_table(memory, kEgoLambdaTable, 9,
             [&](int, int load) { return kLambdaByLoad.at(static_cast<std::size_t>(load)); });

  calibration.settings = ControllerSettings().blocks();
  // Four cylinders: phases 1 to 4 at 0, 180, 360 and 540 degrees (x 4), each firing its own
  // coil and injector; every injector's idle trim 1.000 (625).
  std::string outputs(16, '\0');
  for (int phase = 0; phase < 4; ++phase)
    outputs[static_cast<std::size_t>(phase)] = static_cast<char>(1 << phase);
  calibration.settings[0x7F] = outputs;
  calibration.settings[0xA5] = outputs;
  calibration.settings[0x9B] = words({0, 720, 1440, 2160, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  calibration.settings[0xCA] = words({625, 625, 625, 625, 625, 625, 625, 625});
  // 10 ms of injector time for a full map cell, no offset; accelerator pulses 1 to 10 ms.
  calibration.settings['B'] =
      fuel_params_payload({.fuel_b = 16384, .fuel_mx = 6250, .acc_minp = 625, .acc_maxp = 6250});
  // Two triggers a turn, 8000 rpm full scale, a 1 bar MAP sensor, speed-density fuelling,
  // a minimum pressure of 30 kPa.
  calibration.settings['C'] = base_config_block_payload(
      {.min_pres = 178, .fs_rpm = 8000, .options = 0x00, .trgs_rev = 2, .map_type = 0x00});
  return calibration;
}

}  // namespace sim
