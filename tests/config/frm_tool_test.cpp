#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "config/frm_tool.hpp"
#include "support/console_test.hpp"
#include "ui/colour.hpp"

namespace ecu {
namespace {

class FrmToolTest : public test::ConsoleTest {};

TEST_F(FrmToolTest, EveryTextFieldTurnsYellowWhenItsTextChanges) {
  FrmToolForm& tool = frm_tool();
  int fields = 0;
  for (ui::Control* control : tool.controls()) {
    if (control->kind() != ui::ControlKind::text_box) continue;
    auto* field = static_cast<ui::TextBox*>(control);
    field->set_back_colour(ui::colours::white);
    field->set_text(field->text() + "7");
    EXPECT_EQ(field->back_colour(), ui::colours::yellow)
        << field->name() << "(" << field->index() << ")";
    ++fields;
  }
  EXPECT_GT(fields, 100);
}

TEST_F(FrmToolTest, APhaseRowIsMarkedOnItsFirstBoxCaption) {
  FrmToolForm& tool = frm_tool();
  for (int row = 0; row < FrmToolForm::kPhases; ++row) {
    for (ui::ControlArray<ui::CheckBox>* boxes : {&tool.inj_ph(row), &tool.ign_ph(row)}) {
      (*boxes)[0].set_caption("");
      (*boxes)[7].set_value(ui::CheckBox::checked);
      EXPECT_EQ((*boxes)[0].caption(), "X") << (*boxes)[0].name();
    }
  }
  EXPECT_THROW(tool.inj_ph(16), std::out_of_range);
  for (ui::ControlArray<ui::CheckBox>* row : {&tool.ph_used, &tool.tach_ph}) {
    (*row)[0].set_caption("");
    (*row)[15].set_value(ui::CheckBox::checked);
    EXPECT_EQ((*row)[0].caption(), "X") << (*row)[0].name();
  }
}

TEST_F(FrmToolTest, GroupedSettingsAreMarkedOnTheirOneMarkerControl) {
  FrmToolForm& tool = frm_tool();
  struct Case {
    const char* what;
    std::function<void()> change;
    ui::Control* marker;
  };
  const Case cases[] = {
      {"map_type option", [&] { tool.map_type[2].set_value(true); }, &tool.map_type[0]},
      {"special_cfg box", [&] { tool.special_cfg[1].set_value(ui::CheckBox::checked); },
       &tool.map_type[0]},
      {"TPS_mapped", [&] { tool.TPS_mapped.set_value(ui::CheckBox::checked); }, &tool.TPS_mapped},
      {"MAP_accel", [&] { tool.MAP_accel.set_value(ui::CheckBox::checked); }, &tool.MAP_accel},
      {"idle by timing", [&] { tool.enable_idle_by_timing.set_value(ui::CheckBox::checked); },
       &tool.enable_idle_by_timing},
      {"trigger B input", [&] { tool.trig_b_used_as[3].set_value(true); }, &tool.aux_in_used_as[0]},
      {"EGO type", [&] { tool.EGO_type[2].set_value(true); }, &tool.EGO_type[0]},
  };
  for (const Case& c : cases) {
    c.marker->set_fore_colour(ui::colours::black);
    c.change();
    EXPECT_EQ(c.marker->fore_colour(), ui::colours::yellow) << c.what;
  }
}

TEST_F(FrmToolTest, OptionGroupsChooseIndependently) {
  FrmToolForm& tool = frm_tool();
  tool.map_type[1].set_value(true);
  tool.EGO_type[1].set_value(true);
  tool.aux_in_used_as[1].set_value(true);
  tool.idx_used_as[2].set_value(true);
  tool.map_sel_used_as[3].set_value(true);
  tool.trig_b_used_as[4].set_value(true);
  EXPECT_TRUE(tool.map_type[1].value());
  EXPECT_TRUE(tool.EGO_type[1].value());
  EXPECT_TRUE(tool.aux_in_used_as[1].value());
  EXPECT_TRUE(tool.idx_used_as[2].value());
  EXPECT_TRUE(tool.map_sel_used_as[3].value());
  EXPECT_TRUE(tool.trig_b_used_as[4].value());
}

TEST_F(FrmToolTest, OnlyTheAnalogueWideBandTypeEnablesItsCalibrationPoints) {
  FrmToolForm& tool = frm_tool();
  const bool enabled_for[] = {false, true, false};
  for (int type = 0; type < 3; ++type) {
    tool.EGO_type_Click(type);
    EXPECT_EQ(tool.WB_EGO_0V_LAMBDA.enabled(), enabled_for[type]) << type;
    EXPECT_EQ(tool.WB_EGO_1V_LAMBDA.enabled(), enabled_for[type]) << type;
  }
}

TEST_F(FrmToolTest, DesignStateLeavesTheSpecialBoxesDisabledAndGearTablesAtOne) {
  FrmToolForm& tool = frm_tool();
  EXPECT_FALSE(tool.special_cfg[0].enabled());
  EXPECT_FALSE(tool.special_cfg[1].enabled());
  for (int gear = 0; gear < FrmToolForm::kGears; ++gear) {
    EXPECT_EQ(tool.gear_gpo_num[gear].text(), "1");
    EXPECT_EQ(tool.gear_gpo_num[gear].back_colour(), ui::colours::white);
  }
  EXPECT_FALSE(tool.show_demo_mode.visible());
  EXPECT_EQ(tool.tool_tab.tab_caption(9), "Sensor Calibration");
}

}  // namespace
}  // namespace ecu
