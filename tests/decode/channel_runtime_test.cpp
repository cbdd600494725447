#include <gtest/gtest.h>

#include "decode/decode_test_support.hpp"
#include "model/shared_state.hpp"
#include "views/frm_mon.hpp"

namespace ecu {
namespace {

using sim::ChannelRuntime;
using ChannelRuntimeTest = test::DecodeTest;

constexpr ui::Colour kBlue = 0xFF0000;
constexpr ui::Colour kOrange = 0x0080FF;
constexpr ui::Colour kLightRed = 0x0000FF;

struct DutyCase {
  std::uint8_t raw;
  Long percent;
  const char* text;
  ui::Colour colour;
};

TEST_F(ChannelRuntimeTest, InjectionDutyIsBandedAtSeventyFiveAndEightyFive) {
  current_view = 1;
  const DutyCase cases[] = {{0, 0, "0", kBlue},         {1, 0, "0", kBlue},
                            {191, 75, "75", kBlue},     {192, 75, "75", kBlue},
                            {193, 76, "76", kOrange},   {218, 85, "85", kOrange},
                            {219, 86, "86", kLightRed}, {255, 100, "100", kLightRed}};
  ChannelRuntime runtime;
  for (std::size_t c = 0; c < 8; ++c) runtime.injection_duty[c] = cases[c].raw;
  test::receive(0xCF, sim::channel_runtime_payload(runtime));
  for (int c = 0; c < 8; ++c) {
    const DutyCase& expected = cases[c];
    SCOPED_TRACE(static_cast<int>(expected.raw));
    EXPECT_EQ(inj_duty_pcnt[static_cast<std::size_t>(c)], expected.percent);
    EXPECT_EQ(frm_mon().inj_duty[c].caption(), expected.text);
    EXPECT_EQ(frm_mon().inj_duty[c].fore_colour(), expected.colour);
  }
}

TEST_F(ChannelRuntimeTest, IgnitionDutyIsBandedAtFortyAndFifty) {
  current_view = 1;
  const DutyCase cases[] = {{102, 40, "40", kBlue},       {103, 40, "40", kBlue},
                            {104, 41, "41", kOrange},     {128, 50, "50", kOrange},
                            {129, 51, "51", kLightRed},   {0, 0, "0", kBlue},
                            {255, 100, "100", kLightRed}, {26, 10, "10", kBlue}};
  ChannelRuntime runtime;
  for (std::size_t c = 0; c < 8; ++c) runtime.ignition_duty[c] = cases[c].raw;
  test::receive(0xCF, sim::channel_runtime_payload(runtime));
  for (int c = 0; c < 8; ++c) {
    const DutyCase& expected = cases[c];
    SCOPED_TRACE(static_cast<int>(expected.raw));
    EXPECT_EQ(ign_duty_pcnt[static_cast<std::size_t>(c)], expected.percent);
    EXPECT_EQ(frm_mon().ign_duty[c].caption(), expected.text);
    EXPECT_EQ(frm_mon().ign_duty[c].fore_colour(), expected.colour);
  }
}

TEST_F(ChannelRuntimeTest, PulseWidthsAndTheDwellAreShownInMilliseconds) {
  current_view = 1;
  ChannelRuntime runtime;
  runtime.pulse_width = {625, 0, 1, 65535, 3125, 6250, 312, 10000};
  runtime.dwell = 250;
  test::receive(0xCF, sim::channel_runtime_payload(runtime));
  const char* pulse_texts[] = {"1.000", "0.000",  "0.002", "104.856",
                               "5.000", "10.000", "0.499", "16.000"};
  for (int c = 0; c < 8; ++c) {
    EXPECT_EQ(frm_mon().inj_pw[c].caption(), pulse_texts[c]) << c;
    EXPECT_EQ(frm_mon().ign_dwell[c].caption(), "2.500") << c;
  }
}

TEST_F(ChannelRuntimeTest, PlotterViewStoresTheDutiesAndLeavesTheLabels) {
  current_view = 4;
  ChannelRuntime runtime;
  runtime.injection_duty.fill(255);
  runtime.ignition_duty.fill(128);
  runtime.pulse_width.fill(625);
  test::receive(0xCF, sim::channel_runtime_payload(runtime));
  for (int c = 0; c < 8; ++c) {
    EXPECT_EQ(inj_duty_pcnt[static_cast<std::size_t>(c)], 100);
    EXPECT_EQ(ign_duty_pcnt[static_cast<std::size_t>(c)], 50);
    EXPECT_EQ(frm_mon().inj_pw[c].caption(), "");
    EXPECT_EQ(frm_mon().inj_duty[c].caption(), "");
    EXPECT_EQ(frm_mon().inj_duty[c].fore_colour(), kBlue);
  }
}

TEST_F(ChannelRuntimeTest, LeavesChannelsEightToFifteenAlone) {
  inj_duty_pcnt.fill(-7);
  ign_duty_pcnt.fill(-7);
  test::receive(0xCF, sim::channel_runtime_payload(ChannelRuntime{}));
  for (std::size_t c = 8; c < 16; ++c) {
    EXPECT_EQ(inj_duty_pcnt[c], -7);
    EXPECT_EQ(ign_duty_pcnt[c], -7);
  }
  EXPECT_EQ(inj_duty_pcnt[0], 0);
}

TEST_F(ChannelRuntimeTest, FrameOfTheWrongLengthIsIgnoredEntirely) {
  ChannelRuntime runtime;
  runtime.injection_duty.fill(255);
  const std::string payload = sim::channel_runtime_payload(runtime);
  test::receive(0xCF, payload.substr(0, payload.size() - 1));
  test::receive(0xCF, payload + '\0');
  EXPECT_EQ(reply_received, 0);
  EXPECT_EQ(inj_duty_pcnt[0], 0);
  EXPECT_FALSE(frm_mon.loaded());
}

}  // namespace
}  // namespace ecu
