#include <gtest/gtest.h>

#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "support/console_test.hpp"
#include "ui/colour.hpp"

namespace ecu {
namespace {

class MapWindowsTest : public test::ConsoleTest {};

TEST_F(MapWindowsTest, ChoosingAnOutputModeMarksItAndRecordsItWithTheInterpolationFlag) {
  FrmSupForm& window = frm_sup();
  for (int output = 0; output < FrmSupForm::kOutputs; ++output) {
    ui::ControlArray<ui::OptionButton>& modes = window.gpo_mode(output);
    modes[0].set_fore_colour(ui::colours::black);
    modes[3].set_value(true);
    EXPECT_EQ(gpos[static_cast<std::size_t>(output)], 3);
    EXPECT_EQ(modes[0].fore_colour(), ui::colours::yellow);

    window.dont_interpolate[output].set_value(ui::CheckBox::checked);
    EXPECT_EQ(gpos[static_cast<std::size_t>(output)], 3) << "the flag alone changes no mode";
    modes[9].set_value(true);
    EXPECT_EQ(gpos[static_cast<std::size_t>(output)], 9 + 128);
  }
  // The four outputs keep their own choices.
  window.gpo_0_mode[1].set_value(true);
  EXPECT_TRUE(window.gpo_1_mode[9].value());
}

TEST_F(MapWindowsTest, OutputAndBoostFieldsTurnYellowAndTheFlagsMarkTheInvertBox) {
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
  for (int k = 0; k < FrmSupForm::kOutputs; ++k) {
    window.boost_ctrl_invert[k].set_fore_colour(ui::colours::black);
    window.use_as_pwm[k].set_value(ui::CheckBox::checked);
    EXPECT_EQ(window.boost_ctrl_invert[k].fore_colour(), ui::colours::yellow);
    EXPECT_EQ(window.use_as_pwm[k].fore_colour(), ui::colours::black);
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

}  // namespace
}  // namespace ecu
