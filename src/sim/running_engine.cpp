#include "sim/running_engine.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace sim {
namespace {

// One point of the drive cycle; between two points every value moves in a straight line.
struct CyclePoint {
  double seconds;
  double rpm;  // 0: the idle speed the calibration sets for the coolant temperature
  double throttle_percent;
  double map_kpa;
  bool in_gear;
};

// clang-format off
constexpr auto kCycle = std::to_array<CyclePoint>({
    {0.0,  0,    0.8, 36, false},  // idle
    {8.0,  0,    0.8, 36, false},
    {11.0, 3000, 30,  58, true},   // up to a cruise
    {17.0, 3000, 28,  55, true},
    {20.0, 5500, 85,  97, true},   // a full-throttle pull
    {23.0, 5500, 85,  98, true},
    {24.5, 4800, 0,   24, true},   // the overrun, fuel cut
    {30.0, 1300, 0,   28, true},
    {32.0, 0,    0.8, 36, false},  // back to idle
    {40.0, 0,    0.8, 36, false},
});
// clang-format on
constexpr double kCycleSeconds = kCycle.back().seconds;
// The idle speed counted for the trigger counters, which do not follow the warm-up.
constexpr double kCountedIdleRpm = 850;

// Where the calibration's tables start (the console's memory map).
constexpr std::size_t kEgoLambdaTable = 0x000;
constexpr std::size_t kCoolantFuelCurve = 0x070;
constexpr std::size_t kAirFuelCurve = 0x080;
constexpr std::size_t kFuelMap = 0x100;
constexpr std::size_t kMapIgnitionCurve = 0x200;
constexpr std::size_t kRpmIgnitionCurve = 0x210;
constexpr std::size_t kIdleRpmCurve = 0x230;
constexpr std::size_t kAirIgnitionCurve = 0x240;
constexpr std::size_t kMapDwellCurve = 0x480;
constexpr std::size_t kBaroIgnitionCurve = 0x4A0;
constexpr std::size_t kCoolantIgnitionCurve = 0x4B0;
constexpr std::size_t kBatteryDwellCurve = 0x570;
constexpr std::size_t kIgnitionMap = 0x600;

// Payload offsets of the fields read from the fuel parameter and base configuration blocks.
constexpr std::size_t kFuelOffsetAt = 0, kFuelScalerAt = 2;
constexpr std::size_t kFullScaleRpmAt = 13, kTriggersPerRevAt = 16, kMapTypeAt = 17;
constexpr double kFuelOffsetBias = 16384;
constexpr double kTickSeconds = 1.6e-6;

// MAP sensor span and offset in kPa, by the low two bits of the MAP type byte.
constexpr std::array<std::array<double, 2>, 4> kMapSensorScales{{
    {115, 10},
    {255, 10},
    {551, 79},
    {394, 10},
}};

constexpr double kBaroKpa = 100.0;
constexpr int kCylinders = 4;

double word_of(const std::string& block, std::size_t at, double otherwise) {
  if (block.size() < at + 2) return otherwise;
  return static_cast<unsigned char>(block[at]) + 256.0 * static_cast<unsigned char>(block[at + 1]);
}

double byte_of(const std::string& block, std::size_t at, double otherwise) {
  return block.size() > at ? static_cast<unsigned char>(block[at]) : otherwise;
}

// Position on an axis of `points` breakpoints from `lowest` to `highest`, within it.
double axis_position(double value, double lowest, double highest, int points) {
  const double last = points - 1;
  return std::clamp((value - lowest) / (highest - lowest) * last, 0.0, last);
}

// Position on an axis of a 16 x 16 map, whose 16 cells start at breakpoints a sixteenth of
// the span apart; the last cell holds to the end.
double map_position(double value, double lowest, double highest) {
  return std::min(axis_position(value, lowest, highest, 17), 15.0);
}

double sine(double seconds, double period) {
  return std::sin(2 * std::numbers::pi * seconds / period);
}

class CalibrationLookup {
 public:
  explicit CalibrationLookup(std::span<const std::uint8_t> memory) : memory_(memory) {}

  // A curve of nine bytes, between its breakpoints.
  [[nodiscard]] double curve(std::size_t first, double position) const {
    return between(position, [&](int i) { return at(first + static_cast<std::size_t>(i)); });
  }

  // A table stored column by column (speed across, load up): the byte of speed index s and
  // load index l is at first + side x s + l.
  [[nodiscard]] double table(std::size_t first, int side, double speed_position,
                             double load_position) const {
    return between(speed_position, [&](int s) {
      return between(load_position,
                     [&](int l) { return at(first + static_cast<std::size_t>(side * s + l)); });
    });
  }

 private:
  template <typename Value>
  static double between(double position, Value value) {
    const int below = static_cast<int>(std::floor(position));
    const double share = position - below;
    if (share <= 0.0) return value(below);
    return value(below) * (1 - share) + value(below + 1) * share;
  }

  [[nodiscard]] double at(std::size_t address) const {
    return address < memory_.size() ? memory_[address] : 0.0;
  }

  std::span<const std::uint8_t> memory_;
};

double ignition_degrees(double stored) {
  return stored * 64 / 256 - 16;
}

struct CycleState {
  double rpm;
  double throttle_percent;
  double map_kpa;
  bool in_gear;
  double throttle_rise_per_second;
};

CycleState cycle_state(double seconds, double idle_rpm) {
  const double in_cycle = std::fmod(seconds, kCycleSeconds);
  std::size_t next = 1;
  while (next + 1 < kCycle.size() && kCycle[next].seconds <= in_cycle) ++next;
  const CyclePoint& from = kCycle[next - 1];
  const CyclePoint& to = kCycle[next];
  const double span = to.seconds - from.seconds;
  const double share = std::clamp((in_cycle - from.seconds) / span, 0.0, 1.0);
  const auto along = [share](double a, double b) { return a + (b - a) * share; };
  const auto speed = [idle_rpm](const CyclePoint& point) {
    return point.rpm > 0 ? point.rpm : idle_rpm;
  };
  return {along(speed(from), speed(to)), along(from.throttle_percent, to.throttle_percent),
          along(from.map_kpa, to.map_kpa), from.in_gear,
          (to.throttle_percent - from.throttle_percent) / span};
}

// Crankshaft revolutions since the start, at the counted idle speed.
double revolutions(double seconds) {
  const auto rpm_of = [](const CyclePoint& point) {
    return point.rpm > 0 ? point.rpm : kCountedIdleRpm;
  };
  double per_cycle = 0;
  double in_part = 0;
  const double whole_cycles = std::floor(seconds / kCycleSeconds);
  const double in_cycle = seconds - whole_cycles * kCycleSeconds;
  for (std::size_t k = 1; k < kCycle.size(); ++k) {
    const CyclePoint& from = kCycle[k - 1];
    const CyclePoint& to = kCycle[k];
    const double span = to.seconds - from.seconds;
    per_cycle += (rpm_of(from) + rpm_of(to)) / 2 * span / 60;
    if (in_cycle > from.seconds) {
      const double part = std::min(in_cycle, to.seconds) - from.seconds;
      const double rpm_at_end = rpm_of(from) + (rpm_of(to) - rpm_of(from)) * part / span;
      in_part += (rpm_of(from) + rpm_at_end) / 2 * part / 60;
    }
  }
  return whole_cycles * per_cycle + in_part;
}

template <typename Integer>
Integer held_within(double value, double lowest, double highest) {
  return static_cast<Integer>(std::lround(std::clamp(value, lowest, highest)));
}

std::uint8_t byte_value(double value) {
  return held_within<std::uint8_t>(value, 0, 255);
}

std::uint16_t word_value(double value) {
  return held_within<std::uint16_t>(value, 0, 65535);
}

// A signed value as the two's-complement byte or word it travels as.
std::uint8_t signed_byte(double value) {
  return static_cast<std::uint8_t>(held_within<int>(value, -128, 127) & 0xFF);
}

std::uint16_t signed_word(double value) {
  return static_cast<std::uint16_t>(held_within<int>(value, -32768, 32767) & 0xFFFF);
}

// An axis position as its cell and the 1/128 of the way to the next.
void split_position(double position, std::uint8_t& cell, std::uint8_t& remainder) {
  const double whole = std::floor(position);
  cell = static_cast<std::uint8_t>(whole);
  remainder = static_cast<std::uint8_t>(std::floor((position - whole) * 128));
}

}  // namespace

EngineReadings engine_readings(double seconds, const EngineCalibration& calibration) {
  const CalibrationLookup lookup(calibration.memory);
  const double full_scale_rpm =
      std::max(1.0, word_of(calibration.base_config, kFullScaleRpmAt, 8000));
  const auto sensor =
      static_cast<std::size_t>(byte_of(calibration.base_config, kMapTypeAt, 0)) & 3U;
  const double map_span = kMapSensorScales[sensor][0];
  const double map_offset = kMapSensorScales[sensor][1];
  const double triggers_per_rev = byte_of(calibration.base_config, kTriggersPerRevAt, 2);

  // The engine starts cold and warms up; its air warms a little with it.
  const double coolant = 20 + 68 * (1 - std::exp(-seconds / 150));
  const double air = 22 + 8 * (1 - std::exp(-seconds / 240));
  const double coolant_position = axis_position(coolant, -13, 115, 9);
  const double air_position = axis_position(air, -13, 115, 9);
  const double idle_rpm = lookup.curve(kIdleRpmCurve, coolant_position) * 8;

  const CycleState cycle = cycle_state(seconds, idle_rpm);
  const double rpm = std::max(0.0, cycle.rpm + 10 * sine(seconds, 0.9) + 5 * sine(seconds, 0.31));
  const double throttle = std::max(0.0, cycle.throttle_percent + 0.1 * sine(seconds, 0.7));
  const double map_kpa = cycle.map_kpa + 0.6 * sine(seconds, 0.9);
  const double battery = 13.4 + 0.6 * std::min(1.0, rpm / 3000) + 0.04 * sine(seconds, 2.3);
  const bool overrun = throttle < 2 && rpm > idle_rpm + 400;
  const double tip_in = std::clamp(cycle.throttle_rise_per_second / 40, 0.0, 1.0);

  const double rpm_16 = map_position(rpm, 0, full_scale_rpm);
  const double load_16 = map_position(map_kpa, map_offset, map_offset + map_span);
  const double rpm_9 = axis_position(rpm, 0, full_scale_rpm, 9);
  const double load_9 = axis_position(map_kpa, map_offset, map_offset + map_span, 9);
  const double throttle_16 = map_position(throttle, 0, 100);

  // Lambda answers the set-point of the calibration with a little hunting, leans out on a
  // tip-in and reads lean on the overrun; the correction answers it and the load (a table
  // of zeros, which a user may write, must not divide by zero).
  const double setpoint = lookup.table(kEgoLambdaTable, 9, rpm_9, load_9) / 128;
  const double lambda =
      overrun
          ? 1.20
          : setpoint * (1 + 0.02 * sine(seconds, 1.3) + 0.01 * sine(seconds, 0.37) + 0.06 * tip_in);
  const double correction = overrun ? 1.0
                                    : std::clamp(1 + 0.6 * (lambda / std::max(setpoint, 0.1) - 1) +
                                                     0.03 * (map_kpa - 55) / 45,
                                                 0.85, 1.15);

  const double volumetric = lookup.table(kFuelMap, 16, rpm_16, load_16) / 128;
  const double coolant_enrichment = lookup.curve(kCoolantFuelCurve, coolant_position) / 64;
  const double air_enrichment = lookup.curve(kAirFuelCurve, air_position) / 64;
  const double accel_ms = 4.0 * tip_in;
  const double scaler = word_of(calibration.fuel_params, kFuelScalerAt, 6250) * kTickSeconds;
  const double offset =
      (word_of(calibration.fuel_params, kFuelOffsetAt, kFuelOffsetBias) - kFuelOffsetBias) *
      kTickSeconds;
  const double pulse_seconds = overrun ? 0.0
                                       : scaler * volumetric * map_kpa / 100 * coolant_enrichment *
                                                 air_enrichment * correction +
                                             accel_ms / 1000 + offset;

  const double advance =
      ignition_degrees(lookup.table(kIgnitionMap, 16, rpm_16, load_16)) +
      ignition_degrees(lookup.curve(kMapIgnitionCurve, load_9)) +
      ignition_degrees(lookup.curve(kRpmIgnitionCurve, rpm_9)) +
      ignition_degrees(lookup.curve(kAirIgnitionCurve, air_position)) +
      ignition_degrees(lookup.curve(kCoolantIgnitionCurve, coolant_position)) +
      ignition_degrees(lookup.curve(kBaroIgnitionCurve, axis_position(kBaroKpa, 10, 125, 9)));
  const double dwell_ms = 3.0 * lookup.curve(kBatteryDwellCurve, axis_position(battery, 0, 20, 9)) /
                          64 * lookup.curve(kMapDwellCurve, load_9) / 64;
  const double cycle_seconds = rpm > 0 ? 120 / rpm : 1.0;

  EngineReadings readings;
  LiveData& live = readings.live;
  live.o2_sensor_status = 1;
  live.lambda_setpoint = byte_value(setpoint * 128);
  live.lambda_or_o2 = byte_value(lambda * 128);
  live.tps = byte_value(throttle / 100 * 64);
  live.base_pw = word_value(pulse_seconds / kTickSeconds);
  live.coolant = signed_byte(coolant);
  live.air_temp = signed_byte(air);
  live.battery = byte_value(battery / 20 * 255);
  live.ego_correction = byte_value(correction * 64);
  live.map_enrichment = byte_value(volumetric * 128);
  live.accel_enrichment = word_value(accel_ms / 104.856 * 65535);
  live.clt_enrichment = byte_value(coolant_enrichment * 64);
  live.baro = word_value((kBaroKpa - 10) / 115 * 1023);
  live.ign_advance = signed_word(advance * 4);
  live.map_quarter_kpa = word_value(map_kpa * 4);
  live.rpm = word_value(rpm);
  live.throttle = signed_word(throttle * 1023 / 100);
  split_position(load_16, live.map_cell, live.map_rem);
  split_position(rpm_16, live.rpm_cell, live.rpm_rem);
  split_position(throttle_16, live.tps_cell, live.tps_rem);
  live.wb_heater_temp = 780;
  live.egt_sixteenths = word_value((330 + 0.08 * rpm + 2.5 * (map_kpa - 30)) * 16);

  MonitorFrame& monitor = readings.monitor;
  const double turns = revolutions(seconds);
  monitor.wheel_triggers = static_cast<std::uint16_t>(
      static_cast<unsigned long long>(turns * triggers_per_rev) & 0xFFFFU);
  monitor.cam_triggers =
      static_cast<std::uint16_t>(static_cast<unsigned long long>(turns / 2) & 0xFFFFU);
  monitor.cpu_seconds =
      static_cast<std::uint16_t>(static_cast<unsigned long long>(seconds) & 0xFFFFU);
  // Second gear, 60 rpm to the mile an hour.
  constexpr double kRpmPerMph = 60;
  monitor.gear = cycle.in_gear ? 2 : 0;
  monitor.speed_sixteenths = cycle.in_gear ? word_value(rpm / kRpmPerMph * 16) : 0;
  monitor.rpm_per_mph_sixteenths = cycle.in_gear ? word_value(kRpmPerMph * 16) : 0;
  // The first output runs the radiator fan once the coolant is hot.
  monitor.gpo_duty[0] = byte_value((coolant - 82) / 6 * 255);
  monitor.analog = 512;
  const bool idling = !cycle.in_gear;
  monitor.iac = {static_cast<std::uint8_t>(idling ? 3 : 6), 0,
                 word_value(idling ? 60 + (idle_rpm - 800) / 5 : 20), word_value(idle_rpm)};

  ChannelRuntime& runtime = readings.runtime;
  for (int c = 0; c < kCylinders; ++c) {
    const auto channel = static_cast<std::size_t>(c);
    runtime.pulse_width[channel] = live.base_pw;
    runtime.injection_duty[channel] =
        byte_value(std::min(1.0, pulse_seconds / cycle_seconds) * 255);
    runtime.ignition_duty[channel] =
        byte_value(std::min(1.0, dwell_ms / 1000 / cycle_seconds) * 255);
  }
  runtime.dwell = word_value(dwell_ms * 100);
  return readings;
}

std::optional<std::string> engine_reply_payload(std::uint8_t code, const EngineReadings& readings) {
  switch (code) {
    case 'A':
      return live_data_payload(readings.live);
    case 0x81:
      return monitor_frame_payload(readings.monitor);
    case 0xB2:
      return old_monitor_frame_payload(readings.monitor);
    case 0xCF:
      return channel_runtime_payload(readings.runtime);
    case 0x98:
      return iac_status_payload(readings.monitor.iac);
    default:
      return std::nullopt;
  }
}

}  // namespace sim
