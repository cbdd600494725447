// The simulated controller program's engine: live values within an engine's ranges that move
// with its drive cycle and warm-up, worked out from the calibration it runs on. Its clock is
// driven by the seconds passed in; nothing waits.

#include <gtest/gtest.h>

#include <cstdint>
#include <set>

#include "sim/calibration.hpp"
#include "sim/running_engine.hpp"

namespace {

sim::EngineReadings readings_at(double seconds, const sim::Calibration& calibration) {
  return sim::engine_readings(
      seconds, {calibration.memory, calibration.settings.at('B'), calibration.settings.at('C')});
}

double signed_advance(const sim::LiveData& live) {
  return static_cast<std::int16_t>(live.ign_advance) / 4.0;
}

TEST(RunningEngineTest, LiveValuesStayWithinAnEnginesRangesForTenMinutes) {
  struct Range {
    const char* what;
    double lowest;
    double highest;
    double (*value)(const sim::LiveData&);
  };
  // clang-format off
  const Range ranges[] = {
      {"rpm",            800,  5600, [](const sim::LiveData& d) { return static_cast<double>(d.rpm); }},
      {"throttle %",     0,    86,   [](const sim::LiveData& d) { return d.throttle * 100 / 1023.0; }},
      {"MAP kPa",        23,   99,   [](const sim::LiveData& d) { return d.map_quarter_kpa / 4.0; }},
      {"coolant C",      20,   88,   [](const sim::LiveData& d) { return static_cast<double>(static_cast<std::int8_t>(d.coolant)); }},
      {"battery V",      13.3, 14.2, [](const sim::LiveData& d) { return d.battery * 20 / 255.0; }},
      {"lambda",         0.85, 1.21, [](const sim::LiveData& d) { return d.lambda_or_o2 / 128.0; }},
      {"EGO correction", 0.85, 1.15, [](const sim::LiveData& d) { return d.ego_correction / 64.0; }},
      {"advance",        8,    36,   signed_advance},
      {"pulse width ms", 0,    15,   [](const sim::LiveData& d) { return d.base_pw * 0.0016; }},
      {"baro kPa",       100,  100.1, [](const sim::LiveData& d) { return d.baro * 115 / 1023.0 + 10; }},
  };
  // clang-format on
  const sim::Calibration calibration = sim::starting_calibration();
  for (double seconds = 0; seconds <= 600; seconds += 0.25) {
    const sim::LiveData live = readings_at(seconds, calibration).live;
    for (const Range& range : ranges) {
      EXPECT_GE(range.value(live), range.lowest) << range.what << " at " << seconds << " s";
      EXPECT_LE(range.value(live), range.highest) << range.what << " at " << seconds << " s";
    }
  }
}

TEST(RunningEngineTest, StartsColdAtItsIdleSpeedThenPullsAndWarmsUp) {
  const sim::Calibration calibration = sim::starting_calibration();
  // At 0 s: coolant 20 C is 2.0625 points along the idle curve (175, 163, 150, 138, ...):
  // 149.25 x 8 = 1194 rpm; enrichment 84 - 0.0625 x 7 = 83.56, stored 84; MAP 36 kPa;
  // battery 13.4 + 0.6 x 1194 / 3000 = 13.64 V, 174 of 255 to 20 V.
  const sim::LiveData start = readings_at(0, calibration).live;
  EXPECT_EQ(start.rpm, 1194);
  EXPECT_EQ(start.coolant, 20);
  EXPECT_EQ(start.clt_enrichment, 84);
  EXPECT_EQ(start.map_quarter_kpa, 144);
  EXPECT_EQ(start.battery, 174);
  EXPECT_EQ(start.baro, 801) << "100.0 kPa";
  EXPECT_EQ(start.lambda_setpoint, 128);

  const sim::LiveData idle = readings_at(4, calibration).live;
  const sim::LiveData pull = readings_at(21.5, calibration).live;
  EXPECT_LT(idle.rpm, 1250);
  EXPECT_GT(pull.rpm, 5400);
  EXPECT_LT(idle.map_quarter_kpa, 40 * 4);
  EXPECT_GT(pull.map_quarter_kpa, 95 * 4);
  EXPECT_LT(pull.lambda_setpoint, 116) << "richer than 0.91 at full load";
  EXPECT_GT(pull.base_pw, 3 * idle.base_pw);
  EXPECT_NE(pull.ego_correction, idle.ego_correction);
  EXPECT_GE(static_cast<std::int8_t>(readings_at(300, calibration).live.coolant), 75);

  std::set<int> speeds;
  std::set<int> pressures;
  for (double seconds = 0; seconds < 40; seconds += 0.1) {
    const sim::LiveData live = readings_at(seconds, calibration).live;
    speeds.insert(live.rpm);
    pressures.insert(live.map_quarter_kpa);
  }
  EXPECT_GT(speeds.size(), 200U);
  EXPECT_GT(pressures.size(), 100U);
}

TEST(RunningEngineTest, ARaisedFuelMapRaisesThePulseWidth) {
  const sim::Calibration calibration = sim::starting_calibration();
  sim::Calibration raised = calibration;
  for (std::size_t address = 0x100; address <= 0x1FF; ++address) {
    raised.memory[address] = static_cast<std::uint8_t>(raised.memory[address] * 105 / 100);
  }
  for (const double seconds : {4.0, 14.0, 21.5}) {
    const double before = readings_at(seconds, calibration).live.base_pw;
    const double after = readings_at(seconds, raised).live.base_pw;
    EXPECT_GT(after / before, 1.03) << seconds << " s";
    EXPECT_LT(after / before, 1.07) << seconds << " s";
  }
}

// A user may write zeros over every table; the engine still answers within its ranges.
TEST(RunningEngineTest, ACalibrationOfZerosKeepsTheCorrectionWithinItsRange) {
  sim::Calibration zeros = sim::starting_calibration();
  zeros.memory.assign(zeros.memory.size(), 0);
  for (const double seconds : {4.0, 21.5}) {
    const sim::LiveData live = readings_at(seconds, zeros).live;
    EXPECT_GE(live.ego_correction, 54) << seconds << " s: 0.85";
    EXPECT_LE(live.ego_correction, 74) << seconds << " s: 1.15";
  }
}

}  // namespace
