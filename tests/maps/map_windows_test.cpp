#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_autotune.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "support/console_test.hpp"
#include "support/control_shape.hpp"
#include "ui/colour.hpp"

namespace ecu {
namespace {

class MapWindowsTest : public test::ConsoleTest {};

TEST_F(MapWindowsTest, EveryTableWindowsExitButtonShowsTheHomeIcon) {
  const ui::CommandButton* const buttons[] = {&frm_3d().Command3d1, &frm_2d().Command3d1,
                                              &frm_sup().Command3d1, &frm_autotune().Command3d1};
  for (const ui::CommandButton* button : buttons) {
    EXPECT_EQ(button->picture(), "go-home") << button->form().name();
    EXPECT_EQ(button->tool_tip(), "Click to exit back to the console") << button->form().name();
  }
}

TEST_F(MapWindowsTest, OutputAndBoostFieldsTurnYellowWhenEdited) {
  FrmSupForm& window = frm_sup();
  for (ui::ControlArray<ui::TextBox>* fields :
       {&window.cool_rly_temp, &window.rpm_switch, &window.boost_p, &window.boost_i,
        &window.boost_d, &window.boost_enable_press, &window.boost_integ_preset,
        &window.boost_loop_rate}) {
    for (int k = 0; k < fields->count(); ++k) {
      (*fields)[k].set_back_colour(ui::colours::white);
      (*fields)[k].set_text("12");
      EXPECT_EQ((*fields)[k].back_colour(), ui::colours::yellow) << (*fields)[k].name() << k;
    }
  }
}

TEST_F(MapWindowsTest, BasicMappingShowsOneMapAtATimeAndMarksItsScalars) {
  Frm3dForm& window = frm_3d();
  EXPECT_TRUE(window.inj_map.visible());
  for (int shown = 0; shown < Frm3dForm::kMaps; ++shown) {
    window.show_map_type[shown].set_value(true);
    EXPECT_EQ(window.shown_map_index, shown);
    for (int map = 0; map < Frm3dForm::kMaps; ++map) {
      EXPECT_EQ(window.map_grid(map).visible(), map == shown) << shown << " " << map;
    }
  }
  for (ui::TextBox* field : {&window.ecu_pgm[0], &window.ecu_pgm[1], &window.tps_rpm}) {
    field->set_back_colour(ui::colours::white);
    field->set_text("300");
    EXPECT_EQ(field->back_colour(), ui::colours::yellow) << field->name();
  }
}

TEST_F(MapWindowsTest, EveryNinePointTableTurnsYellowWhenWritten) {
  Frm2dForm& window = frm_2d();
  int fields = 0;
  for (ui::Control* control : window.controls()) {
    if (control->kind() != ui::ControlKind::text_box) continue;
    auto* field = static_cast<ui::TextBox*>(control);
    field->set_back_colour(ui::colours::white);
    field->set_text("1.000");
    EXPECT_EQ(field->back_colour(), ui::colours::yellow) << field->name() << field->index();
    ++fields;
  }
  EXPECT_EQ(fields, 14 * 9);
}

using test::ControlShape;
using test::expect_control_shape;

// A grid with `cells` x `cells` data cells, addressed from (1, 1).
void expect_data_cells(const ui::Grid& grid, int cells) {
  EXPECT_TRUE(grid.contains(1, 1)) << grid.name();
  EXPECT_TRUE(grid.contains(cells, cells)) << grid.name();
  EXPECT_FALSE(grid.contains(cells + 1, cells)) << grid.name();
  EXPECT_FALSE(grid.contains(cells, cells + 1)) << grid.name();
}

TEST_F(MapWindowsTest, BasicMappingHasEveryControlTheShellAndDecodersUse) {
  using K = ui::ControlKind;
  const ControlShape shapes[] = {
      {"inj_map", K::grid, 0},
      {"ign_map", K::grid, 0},
      {"TPS_map", K::grid, 0},
      {"TPS_mix", K::grid, 0},
      {"ecu_pgm", K::text_box, 2},
      {"tps_rpm", K::text_box, 0},
      {"show_demo_mode", K::label, 0},
      {"control_lambda", K::label, 0},
      {"control_ego_gain", K::label, 0},
      {"control_map_gain", K::label, 0},
      {"Inj_pulse_width", K::label, 0},
      {"mapping_rpm", K::label, 1},
      {"AF_condition", K::label, 0},
      {"base_timing", K::label, 0},
      {"map_p_ptr", K::shape, 1},
      {"map_r_ptr", K::shape, 1},
      {"map_beg", K::line, 1},
      {"map_end", K::line, 1},
      {"rpm_beg", K::line, 1},
      {"rpm_end", K::line, 1},
      {"show_map_type", K::option_button, 4},
  };
  Frm3dForm& window = frm_3d();
  for (const ControlShape& shape : shapes) expect_control_shape(window, shape);
  for (ui::Grid* grid : {&window.inj_map, &window.ign_map, &window.TPS_map, &window.TPS_mix}) {
    expect_data_cells(*grid, 16);
  }
}

TEST_F(MapWindowsTest, AdditionalMappingHasEveryControlTheShellAndDecodersUse) {
  using K = ui::ControlKind;
  std::vector<ControlShape> shapes = {
      {"lambda_sp_table", K::grid, 0}, {"show_demo_mode", K::label, 0}, {"inj_pw", K::label, 0},
      {"ign_deg", K::label, 0},        {"Line1", K::line, 0},           {"Line2", K::line, 0},
      {"rpm_beg", K::line, 0},         {"rpm_end", K::line, 0},         {"map_beg", K::line, 0},
      {"map_end", K::line, 0},         {"map_bar", K::shape, 0},
  };
  for (const char* table :
       {"clt_map", "mat_data", "Pressure_Gain", "ign_map", "ign_rpm", "ign_mat", "baro_gain",
        "idle_rpm_map", "dwell_map", "ign_bar", "accel_map", "ign_clt", "ign_aux", "dwell_vbat"}) {
    shapes.push_back({table, K::text_box, 9});
  }
  for (const char* bar :
       {"clt_bar", "clt_bar_2", "accel_clt_bar", "idle_speed_bar", "mat_bar", "mat_bar2", "aux_bar",
        "aux_bar_ign", "rpm_bar", "map_ign_bar", "dwell_mult_bar", "rpm_ign_bar", "baro_bar",
        "baro_ign_bar", "vbat_dwell_mult_bar"}) {
    shapes.push_back({bar, K::shape, 0});
  }
  Frm2dForm& window = frm_2d();
  for (const ControlShape& shape : shapes) expect_control_shape(window, shape);
  expect_data_cells(window.lambda_sp_table, 9);
}

TEST_F(MapWindowsTest, OutputDriversHaveEveryControlTheShellAndDecodersUse) {
  using K = ui::ControlKind;
  std::vector<ControlShape> shapes = {
      {"GPO_params", K::frame, 4},       {"dont_interpolate", K::check_box, 4},
      {"cool_rly_temp", K::text_box, 4}, {"boost_ctrl_invert", K::check_box, 4},
      {"use_as_pwm", K::check_box, 4},   {"show_demo_mode", K::label, 0},
      {"supp_x_ptr", K::shape, 8},       {"supp_y_ptr", K::shape, 8},
      {"supp_x_beg", K::line, 1},        {"supp_x_end", K::line, 1},
      {"supp_y_beg", K::line, 1},        {"supp_y_end", K::line, 1},
  };
  for (int k = 0; k < 4; ++k) {
    shapes.push_back({"GPO_tbl_" + std::to_string(k), K::grid, 0});
    shapes.push_back({"boost_gpo_" + std::to_string(k), K::grid, 0});
    shapes.push_back({"gpo_" + std::to_string(k) + "_mode", K::option_button, 11});
  }
  for (const char* field : {"boost_p", "boost_i", "boost_d", "boost_enable_press",
                            "boost_integ_preset", "boost_loop_rate", "rpm_switch"}) {
    shapes.push_back({field, K::text_box, 4});
  }
  FrmSupForm& window = frm_sup();
  for (const ControlShape& shape : shapes) expect_control_shape(window, shape);
  for (int page = 0; page < FrmSupForm::kPages; ++page) {
    expect_data_cells(window.table_grid(page), 9);
  }
  const char* const tabs[] = {"GPO-1", "GPO-2", "GPO-3", "GPO-4"};
  for (int k = 0; k < FrmSupForm::kOutputs; ++k) {
    EXPECT_EQ(window.GPO_params[k].tab_page(), k);
    EXPECT_EQ(window.GPO_tab.tab_caption(k), tabs[k]);
  }
}

TEST_F(MapWindowsTest, TheModeHandlerRecordsTheIndexPlusTheInterpolationFlag) {
  struct Case {
    int output;
    int flag_value;
    int selected;
    Long expected;
  };
  const Case cases[] = {
      {0, ui::CheckBox::unchecked, 10, 10}, {1, ui::CheckBox::checked, 10, 138},
      {2, ui::CheckBox::grayed, 4, 132},    {3, ui::CheckBox::checked, 1, 129},
      {3, ui::CheckBox::unchecked, 0, 0},   {0, ui::CheckBox::checked, 0, 128},
  };
  FrmSupForm& window = frm_sup();
  for (const Case& c : cases) {
    gpos = {7, 7, 7, 7};
    ui::ControlArray<ui::OptionButton>& modes = window.gpo_mode(c.output);
    // Start from another option so that the selection is a change.
    modes[c.selected == 5 ? 6 : 5].set_value(true);
    window.dont_interpolate[c.output].set_value(c.flag_value);
    gpos = {7, 7, 7, 7};
    for (int k = 0; k < FrmSupForm::kOutputs; ++k) {
      window.gpo_mode(k)[0].set_fore_colour(ui::colours::black);
    }
    modes[c.selected].set_value(true);
    for (int k = 0; k < FrmSupForm::kOutputs; ++k) {
      EXPECT_EQ(gpos[static_cast<std::size_t>(k)], k == c.output ? c.expected : 7)
          << "output " << c.output << " option " << c.selected << " seen on " << k;
      EXPECT_EQ(window.gpo_mode(k)[0].fore_colour(),
                k == c.output ? ui::colours::yellow : ui::colours::black)
          << "output " << c.output << " option " << c.selected << " seen on " << k;
    }
  }
  // The four outputs keep their own choices.
  window.gpo_mode(1)[9].set_value(true);
  window.gpo_mode(0)[1].set_value(true);
  EXPECT_TRUE(window.gpo_mode(1)[9].value());
}

TEST_F(MapWindowsTest, TheInterpolationFlagMarksItsOwnOutputsModeAndLeavesGposAlone) {
  FrmSupForm& window = frm_sup();
  for (int output = 0; output < FrmSupForm::kOutputs; ++output) {
    for (const int value : {ui::CheckBox::checked, ui::CheckBox::unchecked}) {
      gpos = {1, 2, 3, 4};
      for (int k = 0; k < FrmSupForm::kOutputs; ++k) {
        window.gpo_mode(k)[0].set_fore_colour(ui::colours::black);
      }
      window.dont_interpolate[output].set_value(value);
      for (int k = 0; k < FrmSupForm::kOutputs; ++k) {
        EXPECT_EQ(window.gpo_mode(k)[0].fore_colour(),
                  k == output ? ui::colours::yellow : ui::colours::black)
            << "flag " << output << " = " << value << " seen on " << k;
        EXPECT_EQ(gpos[static_cast<std::size_t>(k)], k + 1);
      }
      EXPECT_EQ(window.dont_interpolate[output].fore_colour(), ui::colours::black);
    }
  }
}

TEST_F(MapWindowsTest, EitherBoostFlagBoxMarksOnlyItsChannelsInvertBox) {
  FrmSupForm& window = frm_sup();
  struct Case {
    ui::ControlArray<ui::CheckBox>* boxes;
    int value;
  };
  const Case cases[] = {{&window.boost_ctrl_invert, ui::CheckBox::checked},
                        {&window.boost_ctrl_invert, ui::CheckBox::unchecked},
                        {&window.use_as_pwm, ui::CheckBox::checked},
                        {&window.use_as_pwm, ui::CheckBox::unchecked}};
  for (const Case& c : cases) {
    for (int channel = 0; channel < FrmSupForm::kOutputs; ++channel) {
      for (int k = 0; k < FrmSupForm::kOutputs; ++k) {
        window.boost_ctrl_invert[k].set_fore_colour(ui::colours::black);
        window.use_as_pwm[k].set_fore_colour(ui::colours::black);
      }
      (*c.boxes)[channel].set_value(c.value);
      for (int k = 0; k < FrmSupForm::kOutputs; ++k) {
        EXPECT_EQ(window.boost_ctrl_invert[k].fore_colour(),
                  k == channel ? ui::colours::yellow : ui::colours::black)
            << (*c.boxes)[channel].name() << "(" << channel << ") = " << c.value << " seen on "
            << k;
        EXPECT_EQ(window.use_as_pwm[k].fore_colour(), ui::colours::black);
      }
    }
  }
}

TEST_F(MapWindowsTest, ADecoderWriteMarksTheFieldAndItsInSyncMarkThenHolds) {
  FrmSupForm& outputs = frm_sup();
  Frm3dForm& basic = frm_3d();
  Frm2dForm& additional = frm_2d();
  struct Case {
    ui::TextBox* field;
    const char* value;
  };
  const Case cases[] = {{&outputs.cool_rly_temp[3], "-10"}, {&outputs.rpm_switch[0], " 6000"},
                        {&outputs.boost_p[2], "1.250"},     {&basic.ecu_pgm[1], "-.520"},
                        {&basic.tps_rpm, " 2500"},          {&additional.dwell_vbat[8], ".500"},
                        {&additional.Pressure_Gain[0], ""}};
  for (const Case& c : cases) {
    // The start-up's empty text is no change; anything else is.
    c.field->set_text("x");
    c.field->set_back_colour(ui::colours::white);
    c.field->set_text(c.value);
    EXPECT_EQ(c.field->back_colour(), ui::colours::yellow) << c.field->name();
    c.field->set_back_colour(ui::colours::white);
    c.field->set_text(c.value);
    EXPECT_EQ(c.field->back_colour(), ui::colours::white) << c.field->name();
  }
}

}  // namespace
}  // namespace ecu
