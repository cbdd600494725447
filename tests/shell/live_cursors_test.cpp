#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "config/frm_tool.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "shell/live_cursors.hpp"
#include "support/main_window_fixture.hpp"
#include "ui/colour.hpp"
#include "views/frm_dashboard.hpp"

namespace ecu {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

class LiveCursorsTest : public test::MainWindowTest {};

std::vector<int> lit_lamps() {
  std::vector<int> lit;
  for (int lamp = 0; lamp < FrmDashboardForm::kMixtureLamps; ++lamp) {
    if (frm_dashboard().afr_led[lamp].fill_style() == 0) lit.push_back(lamp);
  }
  return lit;
}

TEST(MixtureLampIndex, FollowsTheReciprocalOfLambdaWithinItsLimits) {
  struct Case {
    float lambda;
    std::optional<Integer> index;
  };
  const Case cases[] = {
      {1.0F, 8},
      {0.8F, 13},
      {1.2F, 4},
      {1.6F, 0},
      {2.0F, 0},
      {0.7373F, 16},
      // The algorithm gives 15 at 0.74: 1 / 0.74 - 0.625 = 0.726, / 0.375 x 8 = 15.5 -> 15.
      {0.74F, 15},
      {0.5F, 16},
      {0.1F, 16},
      {kInfinity, 0},
      {-1.0F, 0},
      {kNaN, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(mixture_lamp_index(c.lambda), c.index) << c.lambda;
  }
}

TEST(SideLetterText, ShowsTheAdvanceWithAFromBelowZeroAndBFromZeroUp) {
  EXPECT_EQ(side_letter_text(-2.5F), "-2.50A");
  EXPECT_EQ(side_letter_text(6.25F), "6.25B");
  EXPECT_EQ(side_letter_text(0.0F), "0.00B");
  EXPECT_EQ(side_letter_text(-0.004F), "0.00A");
}

TEST(RpmCursorOffset, IsTheShareOfFullScaleKeptWithinTheAxis) {
  struct Case {
    float rpm;
    float full_scale;
    Integer span;
    std::optional<Long> offset;
  };
  const Case cases[] = {
      {5000, 10000, 9120, 4560},
      {0, 10000, 9120, 0},
      {12000, 10000, 9120, 9120},
      {-500, 10000, 9120, 0},
      {3235, 8000, 9120, 3688},
      {1, 8, 4, 0},  // 0.5 rounds to the even 0
      {3, 8, 4, 2},  // 1.5 rounds to the even 2
      {5000, 0, 9120, std::nullopt},
      {kNaN, 10000, 9120, std::nullopt},
      {kInfinity, 10000, 9120, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(rpm_cursor_offset(c.rpm, c.full_scale, c.span), c.offset)
        << c.rpm << " of " << c.full_scale << " over " << c.span;
  }
}

TEST(AxisSpan, IsRefusedWhenItDoesNotFitSixteenBits) {
  EXPECT_EQ(axis_span(1000, 10120), std::optional<Integer>(9120));
  EXPECT_EQ(axis_span(5000, 1000), std::optional<Integer>(-4000));
  EXPECT_EQ(axis_span(0, 40000), std::nullopt);
  EXPECT_EQ(axis_offset(kNaN, 100), std::nullopt);
}

TEST_F(LiveCursorsTest, DashboardLightsOneLampAndDarkensAllForNoReading) {
  lambda_measured = 1.0F;
  dashboard_display();
  EXPECT_EQ(lit_lamps(), std::vector<int>{8});
  lambda_measured = 0.8F;
  dashboard_display();
  EXPECT_EQ(lit_lamps(), std::vector<int>{13});
  lambda_measured = 0.0F;
  dashboard_display();
  EXPECT_TRUE(lit_lamps().empty());
  EXPECT_EQ(live_cursor_memory.lit_lamp, 0);
  // Lean beyond 1.6 is lamp 0, the lit index already: nothing is drawn.
  lambda_measured = 1.8F;
  dashboard_display();
  EXPECT_TRUE(lit_lamps().empty());
  lambda_measured = kNaN;
  dashboard_display();
  EXPECT_TRUE(lit_lamps().empty());
}

TEST_F(LiveCursorsTest, DashboardWritesTheGaugesAndTheCorrection) {
  manifold_pressure_kpa = 55.5F;
  battery_volts = 13.8F;
  engine_rpm = 3250.0F;
  coolant_temp = 88.0F;
  manifold_air_temp = 31.0F;
  ign_advance_deg = -4.0F;
  gpo_duty_pcnt = {10.0F, 20.0F, 30.0F, 40.0F};
  ego_correction = 1.0456F;
  dashboard_display();
  FrmDashboardForm& dash = frm_dashboard();
  EXPECT_EQ(dash.manifold_pressure.value(), 55.5F);
  EXPECT_EQ(dash.bat_volts.value(), 13.8F);
  EXPECT_EQ(dash.tachometer.value(), 3.25F);
  EXPECT_EQ(dash.water_temp.value(), 88.0F);
  EXPECT_EQ(dash.air_temp.value(), 31.0F);
  EXPECT_EQ(dash.Timing.value(), -4.0F);
  for (int output = 0; output < 4; ++output) {
    EXPECT_EQ(dash.GPO_duty[output].value(), 10.0F * static_cast<float>(output + 1));
  }
  EXPECT_EQ(dash.control_ego_gain.caption(), "1.046");
}

TEST_F(LiveCursorsTest, BasicMappingWritesItsLabelsAndKeepsTheMixtureTextAtExactlyOne) {
  Frm3dForm& window = frm_3d();
  lambda_measured = 0.9F;
  ign_advance_deg = -2.5F;
  ego_correction = 1.02F;
  map_enrichment = 0.98F;
  engine_rpm_raw = 3221.4F;
  base_injection_pw_s = 0.00815F;
  basic_mapping_display();
  EXPECT_EQ(window.control_lambda.caption(), "0.900");
  EXPECT_EQ(window.AF_condition.caption(), "Rich");
  EXPECT_EQ(window.AF_condition.fore_colour(), ui::qb_color(1));
  EXPECT_EQ(window.base_timing.caption(), "-2.50A");
  EXPECT_EQ(window.control_ego_gain.caption(), "1.020");
  EXPECT_EQ(window.control_map_gain.caption(), "0.980");
  EXPECT_EQ(window.mapping_rpm[0].caption(), "3221");
  EXPECT_EQ(window.Inj_pulse_width.caption(), "8.150");

  lambda_measured = 1.0F;
  basic_mapping_display();
  EXPECT_EQ(window.AF_condition.caption(), "Rich");
  EXPECT_EQ(window.AF_condition.fore_colour(), ui::qb_color(1));
  lambda_measured = 1.1F;
  basic_mapping_display();
  EXPECT_EQ(window.AF_condition.caption(), "Lean");
  EXPECT_EQ(window.AF_condition.fore_colour(), ui::qb_color(12));
  lambda_measured = 0.0F;
  basic_mapping_display();
  EXPECT_EQ(window.AF_condition.caption(), "");
}

// frm_3d: the load axis runs up from map_beg at 1380 + 3915 - 75 = 5220 to map_end at
// 1380 - 75 = 1305 (span -3915); the rpm axis from rpm_beg at 1620 - 75 = 1545 to rpm_end at
// 1620 + 16 x 38 x 15 - 75 = 10665 (span 9120).
TEST_F(LiveCursorsTest, BasicMappingCursorsFollowTheLoadAxisOfTheShownMapAndTheRpm) {
  Frm3dForm& window = frm_3d();
  rpm_full_scale = 8000.0F;
  tps_pos = 0.25F;

  // A first offset of 0 leaves the cursors where the design put them.
  engine_rpm = 0.0F;
  map_pos = 0.0F;
  basic_mapping_display();
  EXPECT_EQ(window.map_p_ptr[0].top(), 5220.0F);
  EXPECT_EQ(window.map_r_ptr[0].left(), 1545.0F);

  map_pos = 0.5F;
  engine_rpm = 4125.0F;
  basic_mapping_display();
  // -3915 x 0.5 = -1957.5, a half: to the even -1958 -> 5220 - 1958 = 3262.
  EXPECT_EQ(window.map_p_ptr[0].top(), 3262.0F);
  // 4125 / 8000 = 33/64 of 9120 = 4702.5, a half: to the even 4702 -> 1545 + 4702 = 6247.
  EXPECT_EQ(window.map_r_ptr[0].left(), 6247.0F);

  // Throttle-mapped fuel and ignition maps run on throttle position:
  // -3915 x 0.25 = -978.75 -> -979 -> 5220 - 979 = 4241.
  frm_tool().TPS_mapped.set_value(ui::CheckBox::checked);
  basic_mapping_display();
  EXPECT_EQ(window.map_p_ptr[0].top(), 4241.0F);

  frm_tool().TPS_mapped.set_value(ui::CheckBox::unchecked);
  window.show_map_type[3].set_value(true);
  basic_mapping_display();
  EXPECT_EQ(window.map_p_ptr[0].top(), 4241.0F) << "the TPS mix map always runs on throttle";

  // A zero full scale leaves the rpm cursor where it was; above full scale it stops at the end.
  rpm_full_scale = 0.0F;
  basic_mapping_display();
  EXPECT_EQ(window.map_r_ptr[0].left(), 6247.0F);
  rpm_full_scale = 8000.0F;
  engine_rpm = 15000.0F;
  basic_mapping_display();
  EXPECT_EQ(window.map_r_ptr[0].left(), 10665.0F);  // 1545 + 9120
}

TEST_F(LiveCursorsTest, WithNoMapChosenTheLoadCursorStaysWhereItWas) {
  Frm3dForm& window = frm_3d();
  rpm_full_scale = 10000.0F;
  map_pos = 0.5F;
  basic_mapping_display();
  EXPECT_EQ(window.map_p_ptr[0].top(), 3262.0F);  // 5220 - 1958, as above
  for (int option = 0; option < window.show_map_type.count(); ++option) {
    window.show_map_type[option].set_value(false);
  }
  map_pos = 0.75F;
  tps_pos = 0.75F;
  basic_mapping_display();
  EXPECT_EQ(window.map_p_ptr[0].top(), 3262.0F);
  window.show_map_type[1].set_value(true);
  basic_mapping_display();
  // -3915 x 0.75 = -2936.25 -> -2936 -> 5220 - 2936 = 2284.
  EXPECT_EQ(window.map_p_ptr[0].top(), 2284.0F) << "the ignition map runs on the load axis";
}

// frm_2d: every table's first field is at 600 and its axis runs from Line1 at 600 to Line2 at
// 600 + 8 x 705 = 6240 (span 5640). The lambda grid's rpm axis runs from 2040 + 300 - 75 = 2265
// to 2040 + 8.5 x 600 - 75 = 7065 (span 4800), its pressure axis up from
// 3480 + 8.5 x 285 - 75 = 5827.5 to 3480 + 142.5 - 75 = 3547.5 (span -2280).
TEST_F(LiveCursorsTest, AdditionalMappingBarsFollowTheirAxesAndTheTemperatureBarsStopAtTheEnds) {
  Frm2dForm& window = frm_2d();
  base_injection_pw_s = 0.0081F;
  ign_advance_deg = 6.25F;
  coolant_temp = -40.0F;  // below the axis
  manifold_air_temp = -5.0F;
  aux_input_volts = 4.0F;  // beyond 3.3 V: no limit
  baro_pressure = 101.2F;
  battery_volts = 14.0F;
  map_pos = 0.1875F;
  rpm_pos = 0.75F;
  additional_mapping_display();

  EXPECT_EQ(window.inj_pw.caption(), "8.100");
  EXPECT_EQ(window.ign_deg.caption(), "6.25B");
  EXPECT_EQ(window.clt_bar.left(), 600.0F) << "clamped to offset 0: not moved";
  // (-5 + 13) / 128 = 1/16 of 5640 = 352.5, a half: to the even 352 -> 600 + 352 = 952.
  EXPECT_EQ(window.mat_bar.left(), 952.0F);
  EXPECT_EQ(window.mat_bar2.left(), 952.0F);
  // 4 / 3.3 of 5640 = 6836.36 -> 6836 -> 600 + 6836 = 7436.
  EXPECT_EQ(window.aux_bar.left(), 7436.0F);
  EXPECT_EQ(window.aux_bar_ign.left(), 7436.0F);
  // 0.1875 of 5640 = 1057.5, a half: to the even 1058 -> 600 + 1058 = 1658.
  EXPECT_EQ(window.map_ign_bar.left(), 1658.0F);
  EXPECT_EQ(window.dwell_mult_bar.left(), 1658.0F);
  EXPECT_EQ(window.rpm_ign_bar.left(), 4830.0F);  // 0.75 of 5640 = 4230 -> 600 + 4230
  // (101.2 - 10) / 115 of 5640 = 4472.77 -> 4473 -> 600 + 4473 = 5073.
  EXPECT_EQ(window.baro_bar.left(), 5073.0F);
  EXPECT_EQ(window.vbat_dwell_mult_bar.left(), 4548.0F);  // 14 / 20 of 5640 = 3948 -> 600 + 3948
  EXPECT_EQ(window.rpm_bar.left(), 5865.0F);              // 0.75 of 4800 = 3600 -> 2265 + 3600
  // 0.1875 of -2280 = -427.5, a half: to the even -428 -> 5827.5 - 428 = 5399.5.
  EXPECT_EQ(window.map_bar.top(), 5399.5F);

  coolant_temp = 130.0F;  // above the axis: 143/128 of 5640 stops at 5640 -> 600 + 5640
  additional_mapping_display();
  EXPECT_EQ(window.clt_bar.left(), 6240.0F);
  EXPECT_EQ(window.clt_bar_2.left(), 6240.0F);
  EXPECT_EQ(window.accel_clt_bar.left(), 6240.0F);
  EXPECT_EQ(window.idle_speed_bar.left(), 6240.0F);
}

TEST_F(LiveCursorsTest, AMarkerIsMovedOnlyWhenItsOffsetChanged) {
  Frm2dForm& window = frm_2d();
  manifold_air_temp = 35.0F;
  additional_mapping_display();
  EXPECT_EQ(window.mat_bar.left(), 2715.0F);  // 48/128 of 5640 = 2115 -> 600 + 2115
  // Moved by hand: a steady value does not draw it again.
  window.mat_bar.set_left(10);
  additional_mapping_display();
  EXPECT_EQ(window.mat_bar.left(), 10.0F);
  manifold_air_temp = 51.0F;
  additional_mapping_display();
  EXPECT_EQ(window.mat_bar.left(), 3420.0F);  // 64/128 of 5640 = 2820 -> 600 + 2820
}

// frm_sup: the x axis runs from 4860 + 645 / 2 - 75 = 5107.5 to 4860 + 8.5 x 645 - 75 = 10267.5
// (span 5160); the y axis grows upwards from 840 + 8.5 x 330 - 75 = 3570 to 840 + 165 - 75 = 930
// (span 2640), so a cursor's top is 3570 less its offset.
TEST_F(LiveCursorsTest, OutputCursorsTakeTheirAxesFromTheModeAndBoostFromThePwmBox) {
  FrmSupForm& window = frm_sup();
  rpm_pos = 0.5F;             // x 2580
  map_pos = 0.1875F;          // x 967.5, a half: to the even 968; y 495
  tps_pos = 0.75F;            // y 1980
  coolant_temp = -1.0F;       // 12/128: y 247.5, a half: to the even 248
  manifold_air_temp = -5.0F;  // 8/128: x 322.5, a half: to the even 322; y 165

  struct Case {
    int mode;
    Long x;
    Long y;
  };
  const Case cases[] = {
      {1, 2580, 495}, {2, 2580, 248}, {3, 968, 1980}, {4, 2580, 165}, {5, 322, 495},
      {0, 0, 0},      {6, 0, 0},      {10, 0, 0},     {11, 0, 0},
  };
  for (const Case& c : cases) {
    const CursorOffsets offsets = output_cursor_offsets(c.mode, 5160, 2640);
    EXPECT_EQ(offsets.x, c.x) << "mode " << c.mode;
    EXPECT_EQ(offsets.y, c.y) << "mode " << c.mode;
  }

  EXPECT_EQ(output_cursor_mode(0), 11) << "no option selected";
  window.gpo_2_mode[3].set_value(true);
  EXPECT_EQ(output_cursor_mode(2), 3);
  EXPECT_EQ(output_cursor_mode(4 + 1), 4);
  window.use_as_pwm[1].set_value(ui::CheckBox::checked);
  EXPECT_EQ(output_cursor_mode(4 + 1), 1);

  output_driver_cursors();
  EXPECT_EQ(window.supp_x_ptr[2].left(), 6075.5F);  // 5107.5 + 968
  EXPECT_EQ(window.supp_y_ptr[2].top(), 1590.0F);   // 3570 - 1980
  EXPECT_EQ(window.supp_x_ptr[5].left(), 7687.5F);  // 5107.5 + 2580
  EXPECT_EQ(window.supp_y_ptr[5].top(), 3075.0F);   // 3570 - 495
}

TEST_F(LiveCursorsTest, AnOutputWithoutAModeHasItsCursorsAtTheAxisBeginnings) {
  FrmSupForm& window = frm_sup();
  rpm_pos = 0.5F;
  map_pos = 0.5F;
  window.gpo_1_mode[1].set_value(true);
  output_driver_cursors();
  ASSERT_EQ(window.supp_x_ptr[1].left(), 7687.5F);  // 5107.5 + 0.5 of 5160
  ASSERT_EQ(window.supp_y_ptr[1].top(), 2250.0F);   // 3570 - 0.5 of 2640

  for (const bool another_mode : {true, false}) {
    SCOPED_TRACE(another_mode ? "mode 7" : "no mode selected");
    if (another_mode) {
      window.gpo_1_mode[7].set_value(true);
    } else {
      window.gpo_1_mode[1].set_value(false);
    }
    output_driver_cursors();
    EXPECT_EQ(window.supp_x_ptr[1].left(), 5107.5F);
    EXPECT_EQ(window.supp_y_ptr[1].top(), 3570.0F);
    window.gpo_1_mode[1].set_value(true);
    output_driver_cursors();
  }
}

TEST_F(LiveCursorsTest, AnAxisTooLongToMeasureLeavesItsCursorsAlone) {
  FrmSupForm& window = frm_sup();
  window.supp_x_end[0].set_x1(window.supp_x_beg[0].x1() + 50000);
  window.gpo_0_mode[1].set_value(true);
  rpm_pos = 0.5F;
  map_pos = 0.5F;
  output_driver_cursors();
  EXPECT_EQ(window.supp_x_ptr[0].left(), 5107.5F);
  EXPECT_EQ(window.supp_y_ptr[0].top(), 2250.0F) << "the other axis still moves: 3570 - 1320";
}

}  // namespace
}  // namespace ecu
