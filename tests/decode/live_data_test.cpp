#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "decode/decode_test_support.hpp"
#include "model/shared_state.hpp"
#include "views/frm_diagnostics.hpp"
#include "views/frm_mon.hpp"

namespace ecu {
namespace {

using sim::LiveData;

class LiveDataTest : public test::DecodeTest {
 protected:
  void SetUp() override {
    DecodeTest::SetUp();
    tach_filter_coef = 1.0F;
  }
  static void receive_live(const LiveData& data) {
    test::receive('A', sim::live_data_payload(data));
  }
};

struct ValueCase {
  const char* what;
  std::function<void(LiveData&)> set;
  const Single* variable;
  double expected;
};

TEST_F(LiveDataTest, ConvertsEachRunningValue) {
  const ValueCase cases[] = {
      {"lambda set-point", [](LiveData& d) { d.lambda_setpoint = 160; }, &lambda_setpoint, 1.25},
      {"tps", [](LiveData& d) { d.tps = 32; }, &tps_pcnt, 50.0},
      {"tps limited", [](LiveData& d) { d.tps = 100; }, &tps_pcnt, 100.0},
      {"pulse width", [](LiveData& d) { d.base_pw = 625; }, &base_injection_pw_s, 0.001},
      {"coolant below zero", [](LiveData& d) { d.coolant = 0xF6; }, &coolant_temp, -10.0},
      {"coolant top", [](LiveData& d) { d.coolant = 0x7F; }, &coolant_temp, 127.0},
      {"air temp", [](LiveData& d) { d.air_temp = 0x80; }, &manifold_air_temp, -128.0},
      {"battery", [](LiveData& d) { d.battery = 255; }, &battery_volts, 20.0},
      {"ego correction", [](LiveData& d) { d.ego_correction = 96; }, &ego_correction, 1.5},
      {"map enrichment", [](LiveData& d) { d.map_enrichment = 192; }, &map_enrichment, 1.5},
      {"accel enrichment", [](LiveData& d) { d.accel_enrichment = 65535; }, &accel_enrichment_ms,
       104.856},
      {"clt enrichment", [](LiveData& d) { d.clt_enrichment = 128; }, &clt_enrichment, 2.0},
      {"baro", [](LiveData& d) { d.baro = 1023; }, &baro_pressure, 125.0},
      {"baro zero", [](LiveData& d) { d.baro = 0; }, &baro_pressure, 10.0},
      {"advance", [](LiveData& d) { d.ign_advance = 40; }, &ign_advance_deg, 10.0},
      {"advance negative", [](LiveData& d) { d.ign_advance = 0xFF00; }, &ign_advance_deg, -64.0},
      {"map pressure", [](LiveData& d) { d.map_quarter_kpa = 401; }, &manifold_pressure_kpa,
       100.25},
      {"rpm raw", [](LiveData& d) { d.rpm = 6500; }, &engine_rpm_raw, 6500.0},
      {"throttle full", [](LiveData& d) { d.throttle = 0x03FF; }, &throttle_pos, 100.0},
      {"throttle most negative", [](LiveData& d) { d.throttle = 0x8000; }, &throttle_pos,
       -32768.0 / 1023.0 * 100.0},
      {"egt", [](LiveData& d) { d.egt_sixteenths = 12345; }, &exhaust_gas_temp, 771.5625},
  };
  for (const ValueCase& c : cases) {
    SCOPED_TRACE(c.what);
    LiveData data;
    c.set(data);
    receive_live(data);
    EXPECT_FLOAT_EQ(*c.variable, static_cast<Single>(c.expected));
  }
}

TEST_F(LiveDataTest, SensorStatusChoosesLambdaOrOxygenPercent) {
  LiveData data;
  data.o2_sensor_status = 0;
  data.lambda_or_o2 = 209;
  receive_live(data);
  EXPECT_FLOAT_EQ(o2_pcnt, 20.9F);
  EXPECT_FLOAT_EQ(lambda_measured, 2.0F);
  EXPECT_EQ(o2_sensor_status, 0);

  data.o2_sensor_status = 0x0101;
  data.lambda_or_o2 = 128;
  receive_live(data);
  EXPECT_FLOAT_EQ(lambda_measured, 1.0F);
  EXPECT_FLOAT_EQ(o2_pcnt, 0.0F);
  EXPECT_EQ(o2_sensor_status, 0x0101);
}

TEST_F(LiveDataTest, ClampedThrottleStaysWithinZeroToHundred) {
  const std::pair<std::uint16_t, Single> cases[] = {
      {0x8000, 0.0F}, {0xFFFF, 0.0F}, {0x03FF, 100.0F}, {0x7FFF, 100.0F}, {0x0200, 50.048874F}};
  for (const auto& [raw, clamped] : cases) {
    LiveData data;
    data.throttle = raw;
    receive_live(data);
    EXPECT_FLOAT_EQ(throttle_pos_clamped, clamped) << raw;
  }
}

TEST_F(LiveDataTest, CellBytesGiveTheAxisPositions) {
  LiveData data;
  data.map_cell = 4;
  data.map_rem = 64;
  data.rpm_cell = 15;
  data.rpm_rem = 127;
  data.tps_cell = 0;
  data.tps_rem = 32;
  receive_live(data);
  EXPECT_EQ(map_cell, 4);
  EXPECT_EQ(map_rem, 64);
  EXPECT_EQ(rpm_cell, 15);
  EXPECT_EQ(rpm_rem, 127);
  EXPECT_EQ(tps_cell, 0);
  EXPECT_EQ(tps_rem, 32);
  EXPECT_FLOAT_EQ(map_pos, 4.5F / 16.0F);
  EXPECT_FLOAT_EQ(rpm_pos, (15.0F + 127.0F / 128.0F) / 16.0F);
  EXPECT_FLOAT_EQ(tps_pos, 0.25F / 16.0F);
}

TEST_F(LiveDataTest, WideBandWordsAreStoredAsReceived) {
  LiveData data;
  data.wb_feedback = 1;
  data.wb_pump_current = 0xFFFF;
  data.wb_pump_dac = 300;
  data.wb_heater_pw = 4000;
  data.wb_heater_temp = 780;
  receive_live(data);
  EXPECT_EQ(wb_feedback, 1);
  EXPECT_EQ(wb_pump_current, 65535);
  EXPECT_EQ(wb_pump_dac, 300);
  EXPECT_EQ(wb_heater_pw, 4000);
  EXPECT_EQ(wb_heater_temp, 780);
}

TEST_F(LiveDataTest, TachFilterSmoothsTheEngineSpeed) {
  tach_filter_coef = 0.5F;
  tach_filter_prev = 1000.0F;
  LiveData data;
  data.rpm = 3000;
  receive_live(data);
  EXPECT_FLOAT_EQ(engine_rpm_raw, 3000.0F);
  EXPECT_FLOAT_EQ(engine_rpm, 2000.0F);
  EXPECT_FLOAT_EQ(tach_filter_prev, 2000.0F);
  receive_live(data);
  EXPECT_FLOAT_EQ(engine_rpm, 2500.0F);

  tach_filter_coef = 1.0F;
  data.rpm = 812;
  receive_live(data);
  EXPECT_FLOAT_EQ(engine_rpm, 812.0F);
}

struct StatusBitCase {
  std::uint8_t bits;
  const char* aux;
  const char* map_sel;
  const char* trig_b;
  const char* rev_limit;
  const char* flat_shift;
};

TEST_F(LiveDataTest, StatusBitsAreShownOnTheMonitor) {
  current_view = 3;
  const StatusBitCase cases[] = {
      {0x00, "LOW", "LOW", "LOW", "RPM2", "flat-"},
      {0x01, "HIGH", "LOW", "LOW", "RPM2", "flat-"},
      {0x02, "LOW", "HIGH", "LOW", "RPM2", "flat-"},
      {0x04, "LOW", "LOW", "HIGH", "RPM2", "flat-"},
      {0x20, "LOW", "LOW", "LOW", "RPM1", "flat-"},
      {0x40, "LOW", "LOW", "LOW", "RPM2", "FLAT+"},
      {0x98, "LOW", "LOW", "LOW", "RPM2", "flat-"},  // bits 3, 4 and 7 are not shown
      {0xFF, "HIGH", "HIGH", "HIGH", "RPM1", "FLAT+"},
  };
  for (const StatusBitCase& c : cases) {
    SCOPED_TRACE(c.bits);
    LiveData data;
    data.status_bits = c.bits;
    receive_live(data);
    EXPECT_EQ(frm_mon().aux_stat.caption(), c.aux);
    EXPECT_EQ(frm_mon().map_sel_stat.caption(), c.map_sel);
    EXPECT_EQ(frm_mon().trig_b_stat.caption(), c.trig_b);
    EXPECT_EQ(frm_mon().rev_limit_stat.caption(), c.rev_limit);
    EXPECT_EQ(frm_mon().flat_shift_stat.caption(), c.flat_shift);
  }
  EXPECT_FALSE(frm_mon().visible());
}

TEST_F(LiveDataTest, PlotterViewLeavesTheMonitorLabelsAlone) {
  current_view = 1;
  LiveData data;
  data.status_bits = 0x01;
  data.egt_sixteenths = 1600;
  receive_live(data);
  ASSERT_EQ(frm_mon().aux_stat.caption(), "HIGH");
  ASSERT_EQ(frm_mon().EGT.caption(), "100.0");

  current_view = 4;
  data.status_bits = 0x00;
  data.egt_sixteenths = 3200;
  data.coolant = 90;
  receive_live(data);
  EXPECT_EQ(frm_mon().aux_stat.caption(), "HIGH");
  EXPECT_EQ(frm_mon().EGT.caption(), "100.0");
  EXPECT_FLOAT_EQ(exhaust_gas_temp, 200.0F);
  EXPECT_FLOAT_EQ(coolant_temp, 90.0F);
}

TEST_F(LiveDataTest, CanFrameCountIsShownOnlyInTheMonitorView) {
  LiveData data;
  data.can_rx_count = 4321;
  current_view = 6;
  receive_live(data);
  EXPECT_EQ(frm_mon().can_rx_frames.caption(), "");
  current_view = 1;
  receive_live(data);
  EXPECT_EQ(frm_mon().can_rx_frames.caption(), "4321");
}

struct DynoCase {
  std::uint8_t state;
  const char* status;
  const char* samples;
};

TEST_F(LiveDataTest, DynoStateIsShownInTheDiagnosticsView) {
  current_view = 8;
  const DynoCase cases[] = {
      {0, "Disarmed", "---"}, {1, "Armed", "---"}, {2, "Running", "1234"}, {3, "Finished", "---"}};
  for (const DynoCase& c : cases) {
    SCOPED_TRACE(c.state);
    LiveData data;
    data.dyno_state = c.state;
    data.dyno_samples = 1234;
    receive_live(data);
    EXPECT_EQ(frm_diagnostics().dyno_stat.caption(), c.status);
    EXPECT_EQ(frm_diagnostics().dyno_samples.caption(), c.samples);
  }
  LiveData unknown;
  unknown.dyno_state = 7;
  receive_live(unknown);
  EXPECT_EQ(frm_diagnostics().dyno_stat.caption(), "Finished");
}

TEST_F(LiveDataTest, DynoStateOutsideTheDiagnosticsViewTouchesNoDiagnostics) {
  for (const Integer view : {0, 1, 4, 6}) {
    current_view = view;
    LiveData data;
    data.dyno_state = 2;
    receive_live(data);
  }
  EXPECT_FALSE(frm_diagnostics.loaded());
}

TEST_F(LiveDataTest, ReplyOfTheWrongLengthChangesNothing) {
  current_view = 1;
  LiveData data;
  data.rpm = 3000;
  data.coolant = 50;
  std::string payload = sim::live_data_payload(data);
  test::receive('A', payload.substr(0, payload.size() - 1));
  test::receive('A', payload + '\0');
  EXPECT_EQ(reply_received, 0);
  EXPECT_FLOAT_EQ(engine_rpm_raw, 0.0F);
  EXPECT_FLOAT_EQ(coolant_temp, 0.0F);
  EXPECT_FALSE(frm_mon.loaded());
}

}  // namespace
}  // namespace ecu
