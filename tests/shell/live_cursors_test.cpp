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

TEST_F(LiveCursorsTest, BasicMappingCursorsFollowTheLoadAxisOfTheShownMapAndTheRpm) {
  Frm3dForm& window = frm_3d();
  const float load_begin = window.map_beg[0].y1();
  const Integer load_span = *axis_span(load_begin, window.map_end[0].y1());
  const float rpm_begin = window.rpm_beg[0].x1();
  const Integer rpm_span = *axis_span(rpm_begin, window.rpm_end[0].x1());
  const float designed_top = window.map_p_ptr[0].top();
  const float designed_left = window.map_r_ptr[0].left();
  rpm_full_scale = 10000.0F;
  map_pos = 0.5F;
  tps_pos = 0.25F;

  // A first offset of 0 leaves the cursors where the design put them.
  engine_rpm = 0.0F;
  map_pos = 0.0F;
  basic_mapping_display();
  EXPECT_EQ(window.map_p_ptr[0].top(), designed_top);
  EXPECT_EQ(window.map_r_ptr[0].left(), designed_left);

  map_pos = 0.5F;
  engine_rpm = 5000.0F;
  basic_mapping_display();
  EXPECT_EQ(window.map_p_ptr[0].top(),
            load_begin + static_cast<float>(*axis_offset(0.5, load_span)));
  EXPECT_EQ(window.map_r_ptr[0].left(),
            rpm_begin + static_cast<float>(*axis_offset(0.5, rpm_span)));

  // Throttle-mapped fuel and ignition maps run on throttle position.
  frm_tool().TPS_mapped.set_value(ui::CheckBox::checked);
  basic_mapping_display();
  EXPECT_EQ(window.map_p_ptr[0].top(),
            load_begin + static_cast<float>(*axis_offset(0.25, load_span)));

  frm_tool().TPS_mapped.set_value(ui::CheckBox::unchecked);
  window.show_map_type[3].set_value(true);
  basic_mapping_display();
  EXPECT_EQ(window.map_p_ptr[0].top(),
            load_begin + static_cast<float>(*axis_offset(0.25, load_span)))
      << "the TPS mix map always runs on throttle";

  // A zero full scale leaves the rpm cursor where it was; above full scale it stops at the end.
  rpm_full_scale = 0.0F;
  const float before = window.map_r_ptr[0].left();
  basic_mapping_display();
  EXPECT_EQ(window.map_r_ptr[0].left(), before);
  rpm_full_scale = 10000.0F;
  engine_rpm = 15000.0F;
  basic_mapping_display();
  EXPECT_EQ(window.map_r_ptr[0].left(), rpm_begin + static_cast<float>(rpm_span));
}

TEST_F(LiveCursorsTest, WithNoMapChosenTheLoadCursorStaysWhereItWas) {
  Frm3dForm& window = frm_3d();
  rpm_full_scale = 10000.0F;
  map_pos = 0.5F;
  basic_mapping_display();
  const float drawn = window.map_p_ptr[0].top();
  for (int option = 0; option < window.show_map_type.count(); ++option) {
    window.show_map_type[option].set_value(false);
  }
  map_pos = 0.75F;
  tps_pos = 0.75F;
  basic_mapping_display();
  EXPECT_EQ(window.map_p_ptr[0].top(), drawn);
  window.show_map_type[1].set_value(true);
  basic_mapping_display();
  EXPECT_NE(window.map_p_ptr[0].top(), drawn) << "the ignition map runs on the load axis";
}

TEST_F(LiveCursorsTest, AdditionalMappingBarsFollowTheirAxesAndTheTemperatureBarsStopAtTheEnds) {
  Frm2dForm& window = frm_2d();
  const Integer span = *axis_span(window.Line1.x1(), window.Line2.x1());
  const auto left_of = [&](ui::ControlArray<ui::TextBox>& table, double fraction) {
    return table[0].left() + static_cast<float>(*axis_offset(fraction, span));
  };
  base_injection_pw_s = 0.0081F;
  ign_advance_deg = 6.25F;
  coolant_temp = -40.0F;  // below the axis
  manifold_air_temp = 51.0F;
  aux_input_volts = 4.0F;  // beyond 3.3 V: no limit
  baro_pressure = 101.2F;
  battery_volts = 14.0F;
  map_pos = 0.5F;
  rpm_pos = 0.75F;
  const float clt_designed = window.clt_bar.left();
  additional_mapping_display();

  EXPECT_EQ(window.inj_pw.caption(), "8.100");
  EXPECT_EQ(window.ign_deg.caption(), "6.25B");
  EXPECT_EQ(window.clt_bar.left(), clt_designed) << "clamped to offset 0: not moved";
  EXPECT_EQ(window.mat_bar.left(), left_of(window.mat_data, 64.0 / 128.0));
  EXPECT_EQ(window.mat_bar2.left(), left_of(window.ign_mat, 64.0 / 128.0));
  EXPECT_EQ(window.aux_bar.left(), left_of(window.Pressure_Gain, 4.0F / 3.3));
  EXPECT_EQ(window.aux_bar_ign.left(), left_of(window.ign_aux, 4.0F / 3.3));
  EXPECT_EQ(window.map_ign_bar.left(), left_of(window.ign_map, 0.5));
  EXPECT_EQ(window.dwell_mult_bar.left(), left_of(window.dwell_map, 0.5));
  EXPECT_EQ(window.rpm_ign_bar.left(), left_of(window.ign_rpm, 0.75));
  EXPECT_EQ(window.baro_bar.left(), left_of(window.baro_gain, (101.2F - 10.0) / 115.0));
  EXPECT_EQ(window.vbat_dwell_mult_bar.left(), left_of(window.dwell_vbat, 14.0F / 20.0));
  const Integer rpm_span = *axis_span(window.rpm_beg.x1(), window.rpm_end.x1());
  EXPECT_EQ(window.rpm_bar.left(),
            window.rpm_beg.x1() + static_cast<float>(*axis_offset(0.75, rpm_span)));
  const Integer map_span = *axis_span(window.map_beg.y1(), window.map_end.y1());
  EXPECT_EQ(window.map_bar.top(),
            window.map_beg.y1() + static_cast<float>(*axis_offset(0.5, map_span)));

  coolant_temp = 130.0F;  // above the axis
  additional_mapping_display();
  EXPECT_EQ(window.clt_bar.left(), window.clt_map[0].left() + static_cast<float>(span));
  EXPECT_EQ(window.clt_bar_2.left(), window.ign_clt[0].left() + static_cast<float>(span));
  EXPECT_EQ(window.accel_clt_bar.left(), window.clt_map[0].left() + static_cast<float>(span));
  EXPECT_EQ(window.idle_speed_bar.left(), window.idle_rpm_map[0].left() + static_cast<float>(span));
}

TEST_F(LiveCursorsTest, AMarkerIsMovedOnlyWhenItsOffsetChanged) {
  Frm2dForm& window = frm_2d();
  manifold_air_temp = 35.0F;
  additional_mapping_display();
  const float drawn = window.mat_bar.left();
  // Moved by hand: a steady value does not draw it again.
  window.mat_bar.set_left(10);
  additional_mapping_display();
  EXPECT_EQ(window.mat_bar.left(), 10.0F);
  manifold_air_temp = 51.0F;
  additional_mapping_display();
  EXPECT_NE(window.mat_bar.left(), 10.0F);
  EXPECT_NE(window.mat_bar.left(), drawn);
}

TEST_F(LiveCursorsTest, OutputCursorsTakeTheirAxesFromTheModeAndBoostFromThePwmBox) {
  FrmSupForm& window = frm_sup();
  const Integer x_span = *axis_span(window.supp_x_beg[0].x1(), window.supp_x_end[0].x1());
  const Integer y_span = *axis_span(window.supp_y_end[0].y1(), window.supp_y_beg[0].y1());
  ASSERT_GT(y_span, 0) << "the y axis grows upwards";
  rpm_pos = 0.5F;
  map_pos = 0.25F;
  tps_pos = 0.75F;
  coolant_temp = 51.0F;       // half way up the temperature axis
  manifold_air_temp = 19.0F;  // a quarter of the way

  struct Case {
    int mode;
    double x;
    double y;
  };
  const Case cases[] = {
      {1, 0.5, 0.25}, {2, 0.5, 0.5}, {3, 0.25, 0.75}, {4, 0.5, 0.25}, {5, 0.25, 0.25},
      {0, 0, 0},      {6, 0, 0},     {10, 0, 0},      {11, 0, 0},
  };
  for (const Case& c : cases) {
    const CursorOffsets offsets = output_cursor_offsets(c.mode, x_span, y_span);
    EXPECT_EQ(offsets.x, axis_offset(c.x, x_span)) << "mode " << c.mode;
    EXPECT_EQ(offsets.y, axis_offset(c.y, y_span)) << "mode " << c.mode;
  }

  EXPECT_EQ(output_cursor_mode(0), 11) << "no option selected";
  window.gpo_2_mode[5].set_value(true);
  EXPECT_EQ(output_cursor_mode(2), 5);
  EXPECT_EQ(output_cursor_mode(4 + 1), 4);
  window.use_as_pwm[1].set_value(ui::CheckBox::checked);
  EXPECT_EQ(output_cursor_mode(4 + 1), 1);

  output_driver_cursors();
  EXPECT_EQ(window.supp_x_ptr[2].left(),
            window.supp_x_beg[0].x1() + static_cast<float>(*axis_offset(0.25, x_span)));
  EXPECT_EQ(window.supp_y_ptr[2].top(),
            window.supp_y_beg[0].y1() - static_cast<float>(*axis_offset(0.25, y_span)));
  EXPECT_EQ(window.supp_y_ptr[5].top(),
            window.supp_y_beg[0].y1() - static_cast<float>(*axis_offset(0.25, y_span)));
}

TEST_F(LiveCursorsTest, AnOutputWithoutAModeHasItsCursorsAtTheAxisBeginnings) {
  FrmSupForm& window = frm_sup();
  rpm_pos = 0.5F;
  map_pos = 0.5F;
  window.gpo_1_mode[1].set_value(true);
  output_driver_cursors();
  ASSERT_NE(window.supp_x_ptr[1].left(), window.supp_x_beg[0].x1());
  ASSERT_NE(window.supp_y_ptr[1].top(), window.supp_y_beg[0].y1());

  for (const bool another_mode : {true, false}) {
    SCOPED_TRACE(another_mode ? "mode 7" : "no mode selected");
    if (another_mode) {
      window.gpo_1_mode[7].set_value(true);
    } else {
      window.gpo_1_mode[1].set_value(false);
    }
    output_driver_cursors();
    EXPECT_EQ(window.supp_x_ptr[1].left(), window.supp_x_beg[0].x1());
    EXPECT_EQ(window.supp_y_ptr[1].top(), window.supp_y_beg[0].y1());
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
  const float x_before = window.supp_x_ptr[0].left();
  output_driver_cursors();
  EXPECT_EQ(window.supp_x_ptr[0].left(), x_before);
  EXPECT_NE(window.supp_y_ptr[0].top(), window.supp_y_beg[0].y1()) << "the other axis still moves";
}

}  // namespace
}  // namespace ecu
