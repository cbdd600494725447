#include <gtest/gtest.h>

#include <array>
#include <string>

#include "decode/decode_test_support.hpp"
#include "model/shared_state.hpp"
#include "views/frm_mon.hpp"

namespace ecu {
namespace {

using sim::MonitorFrame;
using MonitorFrameTest = test::DecodeTest;

MonitorFrame sample_frame() {
  MonitorFrame f;
  f.map_set = 1;
  f.wheel_triggers = 36000;
  f.cam_triggers = 1200;
  f.wheel_tooth = 7;
  f.cam_tooth = 3;
  f.cpu_seconds = 65535;
  f.error_flags = 0xFF;
  f.speed_sixteenths = 0x0320;
  f.rpm_per_mph_sixteenths = 0x0100;
  f.gear = 4;
  f.gpo_duty = {0, 128, 255, 51};
  f.analog = 512;
  f.iac = {3, 1, 300, 1200};
  return f;
}

struct LabelCase {
  ui::Label FrmMonForm::*label;
  const char* text;
};

constexpr LabelCase kSampleLabels[] = {
    {&FrmMonForm::map_num, "1"},           {&FrmMonForm::num_trigs, "36000"},
    {&FrmMonForm::num_cams, "1200"},       {&FrmMonForm::wheel_idx_num, "7"},
    {&FrmMonForm::cam_idx_num, "3"},       {&FrmMonForm::cpu_secs, "65535"},
    {&FrmMonForm::err_flgs, "255"},        {&FrmMonForm::speed_MPH, "50.00"},
    {&FrmMonForm::rpm_mph_ratio, "16.00"}, {&FrmMonForm::gear_number, "4"},
};

TEST_F(MonitorFrameTest, StoresEveryFieldAndShowsTheHeadOnTheMonitor) {
  current_view = 1;
  test::receive(0x81, sim::monitor_frame_payload(sample_frame()));
  EXPECT_EQ(reply_received, -1);
  EXPECT_EQ(active_map_num, 1);
  EXPECT_EQ(wheel_trig_count, 36000);
  EXPECT_EQ(cam_trig_count, 1200);
  EXPECT_EQ(wheel_idx_tooth, 7);
  EXPECT_EQ(cam_idx_tooth, 3);
  EXPECT_EQ(ecu_cpu_secs, 65535);
  EXPECT_EQ(ecu_err_flgs, 255);
  EXPECT_FLOAT_EQ(vehicle_speed_mph, 50.0F);
  EXPECT_FLOAT_EQ(rpm_per_mph, 16.0F);
  EXPECT_EQ(current_gear, 4);
  for (const LabelCase& c : kSampleLabels) {
    EXPECT_EQ((frm_mon().*c.label).caption(), c.text) << (frm_mon().*c.label).name();
  }
  EXPECT_FALSE(frm_mon().visible());
}

TEST_F(MonitorFrameTest, OutputDutiesAndTheAnalogWordAreScaled) {
  test::receive(0x81, sim::monitor_frame_payload(sample_frame()));
  EXPECT_FLOAT_EQ(gpo_duty_pcnt[0], 0.0F);
  EXPECT_FLOAT_EQ(gpo_duty_pcnt[1], static_cast<Single>(128.0 / 255.0 * 100.0));
  EXPECT_FLOAT_EQ(gpo_duty_pcnt[2], 100.0F);
  EXPECT_FLOAT_EQ(gpo_duty_pcnt[3], 20.0F);
  EXPECT_FLOAT_EQ(aux_input_volts, 1.65F);
  EXPECT_FLOAT_EQ(analog_temp, 200.0F);
}

TEST_F(MonitorFrameTest, EndsWithTheIdleAirStatusBlock) {
  test::receive(0x81, sim::monitor_frame_payload(sample_frame()));
  EXPECT_EQ(iac_state, 3);
  EXPECT_EQ(iac_error, 1);
  EXPECT_EQ(iac_position, 300);
  EXPECT_EQ(iac_rpm_setpoint, 1200);
}

TEST_F(MonitorFrameTest, PlotterViewUpdatesEveryVariableButOnlyTheMapSetLabel) {
  current_view = 4;
  test::receive(0x81, sim::monitor_frame_payload(sample_frame()));
  EXPECT_EQ(frm_mon().map_num.caption(), "1");
  for (const LabelCase& c : kSampleLabels) {
    if (c.label == &FrmMonForm::map_num) continue;
    EXPECT_EQ((frm_mon().*c.label).caption(), "") << (frm_mon().*c.label).name();
  }
  EXPECT_EQ(wheel_trig_count, 36000);
  EXPECT_FLOAT_EQ(vehicle_speed_mph, 50.0F);
  EXPECT_EQ(current_gear, 4);
  EXPECT_EQ(iac_position, 300);
}

TEST_F(MonitorFrameTest, ZeroFieldsShowTheMasksMinimum) {
  current_view = 1;
  test::receive(0x81, sim::monitor_frame_payload(MonitorFrame{}));
  EXPECT_EQ(frm_mon().num_trigs.caption(), "0");
  EXPECT_EQ(frm_mon().speed_MPH.caption(), "0.00");
  EXPECT_EQ(frm_mon().gear_number.caption(), "0");
}

TEST_F(MonitorFrameTest, OldFrameShowsTheHeadAndStoresOnlyItsLastFiveFields) {
  current_view = 4;  // the old frame has no view condition
  test::receive(0xB2, sim::old_monitor_frame_payload(sample_frame()));
  EXPECT_EQ(reply_received, -1);
  for (const LabelCase& c : kSampleLabels) {
    EXPECT_EQ((frm_mon().*c.label).caption(), c.text) << (frm_mon().*c.label).name();
  }
  EXPECT_EQ(active_map_num, 0);
  EXPECT_EQ(wheel_trig_count, 0);
  EXPECT_EQ(cam_trig_count, 0);
  EXPECT_EQ(wheel_idx_tooth, 0);
  EXPECT_EQ(cam_idx_tooth, 0);
  EXPECT_EQ(ecu_cpu_secs, 65535);
  EXPECT_EQ(ecu_err_flgs, 255);
  EXPECT_FLOAT_EQ(vehicle_speed_mph, 50.0F);
  EXPECT_FLOAT_EQ(rpm_per_mph, 16.0F);
  EXPECT_EQ(current_gear, 4);
}

TEST_F(MonitorFrameTest, FramesOfTheWrongLengthChangeNothing) {
  const std::string monitor = sim::monitor_frame_payload(sample_frame());
  const std::string old_frame = sim::old_monitor_frame_payload(sample_frame());
  test::receive(0x81, monitor.substr(1));
  test::receive(0x81, monitor + '\x01');
  test::receive(0xB2, old_frame.substr(1));
  test::receive(0xB2, monitor);
  EXPECT_EQ(reply_received, 0);
  EXPECT_EQ(ecu_cpu_secs, 0);
  EXPECT_EQ(iac_position, 0);
  EXPECT_FALSE(frm_mon.loaded());
}

TEST_F(MonitorFrameTest, IdleAirStatusReplyStoresTheBlockAndShowsNothing) {
  test::receive(0x98, std::string("\x03\x00\x2C\x01\xB0\x04", 6));
  EXPECT_EQ(reply_received, -1);
  EXPECT_EQ(iac_state, 3);
  EXPECT_EQ(iac_error, 0);
  EXPECT_EQ(iac_position, 300);
  EXPECT_EQ(iac_rpm_setpoint, 1200);
  EXPECT_FALSE(frm_mon.loaded());

  test::receive(0x98, sim::iac_status_payload({5, 255, 0xFFFF, 0xFFFF}));
  EXPECT_EQ(iac_error, 255);
  EXPECT_EQ(iac_position, 65535);
  EXPECT_EQ(iac_rpm_setpoint, 65535);

  reply_received = 0;
  test::receive(0x98, sim::iac_status_payload({1, 1, 1, 1}).substr(1));
  EXPECT_EQ(reply_received, 0);
  EXPECT_EQ(iac_state, 5);
}

std::array<std::uint16_t, 15> counting_samples(std::uint16_t first) {
  std::array<std::uint16_t, 15> samples{};
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<std::uint16_t>(first + i);
  }
  return samples;
}

TEST_F(MonitorFrameTest, WheelPageFillsItsFifteenSamples) {
  wheel_diag_samples.fill(-1.0F);
  test::receive(0xF8, sim::wheel_page_payload(2, counting_samples(100)));
  EXPECT_EQ(reply_received, -1);
  EXPECT_FLOAT_EQ(wheel_diag_samples[29], -1.0F);
  for (int i = 0; i < 15; ++i) EXPECT_FLOAT_EQ(wheel_diag_samples[30 + i], 100.0F + i);
  EXPECT_FLOAT_EQ(wheel_diag_samples[45], -1.0F);
}

TEST_F(MonitorFrameTest, WheelPageBeyondTheCaptureStopsAtTheLastSample) {
  wheel_diag_samples.fill(-1.0F);
  test::receive(0xF8, sim::wheel_page_payload(13, counting_samples(1)));
  EXPECT_EQ(reply_received, -1);
  for (int i = 0; i <= 5; ++i) EXPECT_FLOAT_EQ(wheel_diag_samples[195 + i], 1.0F + i);
  EXPECT_FLOAT_EQ(wheel_diag_samples[194], -1.0F);

  wheel_diag_samples.fill(-1.0F);
  for (const std::uint8_t page : {14, 100, 255}) {
    test::receive(0xF8, sim::wheel_page_payload(page, counting_samples(1)));
  }
  for (const Single sample : wheel_diag_samples) EXPECT_FLOAT_EQ(sample, -1.0F);
}

TEST_F(MonitorFrameTest, WheelSampleIsUnsigned) {
  std::array<std::uint16_t, 15> samples{};
  samples[0] = 0xFFFF;
  test::receive(0xF8, sim::wheel_page_payload(5, samples));
  EXPECT_FLOAT_EQ(wheel_diag_samples[75], 65535.0F);
}

}  // namespace
}  // namespace ecu
