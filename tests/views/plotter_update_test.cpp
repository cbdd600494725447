#include <gtest/gtest.h>

#include <cmath>

#include "model/shared_state.hpp"
#include "support/main_window_fixture.hpp"
#include "views/frm_plotter.hpp"
#include "views/plotter_update.hpp"

namespace ecu {
namespace {

class PlotterUpdateTest : public test::MainWindowTest {};

TEST_F(PlotterUpdateTest, EachChannelIsItsLiveValueOverItsRange) {
  rpm_full_scale = 8000.0F;
  map_sensor_gain = 255.0F;
  engine_rpm_raw = 2000.0F;
  lambda_measured = 1.0F;
  coolant_temp = 100.0F;
  throttle_pos_clamped = 50.0F;
  manifold_pressure_kpa = 51.0F;
  manifold_air_temp = 25.0F;
  base_injection_pw_s = 0.005F;
  ego_correction = 1.0F;
  ign_advance_deg = 0.0F;
  inj_duty_pcnt[0] = 20;
  ign_duty_pcnt[0] = 30;
  wheel_idx_tooth = 51;
  gpo_duty_pcnt = {101.0F, 50.5F, 0.0F, 10.1F};
  wb_feedback = 500;
  wb_pump_current = 2500;
  wb_pump_dac = 1024;
  wb_heater_temp = 450;
  wb_heater_pw = 64;
  const float expected[kPlotterChannels] = {0.25F, 0.5F, 0.8F, 0.5F, 0.2F,  0.2F, 0.2F,
                                            0.5F,  0.5F, 0.2F, 0.3F, 0.2F,  1.0F, 0.5F,
                                            0.0F,  0.1F, 0.5F, 0.5F, 0.25F, 0.5F, 0.25F};
  for (int channel = 0; channel < kPlotterChannels; ++channel) {
    EXPECT_FLOAT_EQ(plotter_channel_value(channel), expected[channel]) << channel;
  }
}

TEST_F(PlotterUpdateTest, LeanLambdaIsRaisedToZeroAndAZeroScaleGivesNoPoint) {
  lambda_measured = 0.5F;
  EXPECT_EQ(plotter_channel_value(1), 0.0F);
  // A controller reporting a full scale of 0: no division, a gap in the trace.
  rpm_full_scale = 0.0F;
  engine_rpm_raw = 3000.0F;
  EXPECT_TRUE(std::isnan(plotter_channel_value(0)));
  map_sensor_gain = 0.0F;
  EXPECT_TRUE(std::isnan(plotter_channel_value(4)));
  EXPECT_TRUE(std::isnan(plotter_channel_value(21)));
}

TEST_F(PlotterUpdateTest, EveryChannelAdvancesWhileAnyTraceIsShownAndNoneOtherwise) {
  FrmPlotterForm& plotter = frm_plotter();
  for (int channel = 0; channel < kPlotterChannels; ++channel) {
    plotter.Check3d1[channel].set_value(ui::CheckBox::unchecked);
  }
  update_plotter_and_log();
  EXPECT_EQ(plotter.Strip1.total_samples(), 0);
  EXPECT_EQ(plotter.File_Samples.caption(), "N/A");

  plotter.Check3d1[18].set_value(ui::CheckBox::checked);
  EXPECT_TRUE(plotter.Strip1.channel_visible(18));
  EXPECT_FALSE(plotter.Strip1.channel_visible(0));
  update_plotter_and_log();
  for (int channel = 0; channel < kPlotterChannels; ++channel) {
    EXPECT_EQ(plotter.Strip1.sample_count(channel), 1) << channel;
  }

  plotter.skip_graphics.set_value(ui::CheckBox::checked);
  update_plotter_and_log();
  EXPECT_EQ(plotter.Strip1.sample_count(0), 1) << "log to file only: no chart points";
}

}  // namespace
}  // namespace ecu
