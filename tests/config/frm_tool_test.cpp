#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/frm_tool.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "support/console_test.hpp"
#include "support/control_shape.hpp"
#include "support/main_window_fixture.hpp"
#include "ui/colour.hpp"

namespace ecu {
namespace {

class FrmToolTest : public test::ConsoleTest {};

TEST_F(FrmToolTest, EveryTextFieldTurnsYellowWhenItsTextChanges) {
  FrmToolForm& tool = frm_tool();
  // The tools' own boxes hold no setting and are never marked.
  const std::set<const ui::Control*> tool_boxes = {&tool.skip_fire_bits,        &tool.fire_bits,
                                                   &tool.stutter_text,          &tool.trigs_rev,
                                                   &tool.rolling_circum_inches, &tool.revs_mile};
  int fields = 0;
  for (ui::Control* control : tool.controls()) {
    if (control->kind() != ui::ControlKind::text_box) continue;
    auto* field = static_cast<ui::TextBox*>(control);
    field->set_back_colour(ui::colours::white);
    field->set_text(field->text() + "7");
    EXPECT_EQ(field->back_colour(),
              tool_boxes.contains(field) ? ui::colours::white : ui::colours::yellow)
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

TEST_F(FrmToolTest, FieldsToolsAndButtonsCarryTheirToolTipsAndCaptions) {
  FrmToolForm& tool = frm_tool();
  const std::pair<const ui::Control*, const char*> tips[] = {
      {&tool.fuel_rpm1,
       " The engine power will be HARD fuel limited if the engine speed is greater than this "
       "number when RPM limit 1 is active.  Fuel is cut time is to the right."},
      {&tool.hard_ign_limit2,
       "AKA 2 step...  The engine power will be HARD ignition limited if the engine speed is "
       "greater than this number when RPM limit 2 is active."},
      {&tool.MAT_CAL_MAP[8],
       "Enter the temp in degrees C that corresponds with the cells resistance value in Ohms."},
      {&tool.trig_b_used_as[4],
       "Select if Trigger B input will be used to trigger the Gear 1/2 feature (High is 1, Low is "
       "2)."},
      {&tool.wheel_rpm_scaler, "Use the \"Speed Wizard\" below to setup this field."},
      {&tool.iac_step_to_reenable,
       "After the IAC is closed, it will open this many steps to attempt idle"},
      {&tool.stutter_text, "1s are skips, 0s are hits."},
      {&tool.calibrate_tps_val[1],
       "Fully open the throttle then click here to automatically set the TPS Opened Value."},
  };
  for (const auto& [control, tip] : tips) EXPECT_EQ(control->tool_tip(), tip) << control->name();
  EXPECT_EQ(tool.make_stutter_text[1].caption(), "Create Stutter 2");
  EXPECT_EQ(tool.create_stutter_patterns_from_text[0].caption(), "Use Bit Pattern for Stutter 1");
  EXPECT_EQ(tool.speed_wizard_calc[0].caption(), "Calc.");
  EXPECT_EQ(tool.skip_fire_bits.text(), "3");
  EXPECT_EQ(tool.fire_bits.text(), "1");
  EXPECT_FALSE(tool.iac_step_to_reenable.enabled());
}

using test::ControlShape;
using test::expect_control_shape;

TEST_F(FrmToolTest, EveryControlTheDecodersWriteExistsWithItsKindAndElementRange) {
  using K = ui::ControlKind;
  std::vector<ControlShape> shapes = {
      {"accel_pw_min", K::text_box, 0},      {"accel_pw_max", K::text_box, 0},
      {"bat_comp", K::text_box, 0},          {"accel_flt_rate", K::text_box, 0},
      {"accel_senitivity", K::text_box, 0},  {"ego_seconds", K::text_box, 0},
      {"ego_rate", K::text_box, 0},          {"min_pressure", K::text_box, 0},
      {"full_scale_rpm", K::text_box, 0},    {"trigs_per_rev", K::text_box, 0},
      {"EGO_Prop_Gain", K::text_box, 0},     {"min_ego_gain", K::text_box, 0},
      {"max_ego_gain", K::text_box, 0},      {"EGO_reset_pw", K::text_box, 0},
      {"priming_pw_hot", K::text_box, 0},    {"num_pulses_hot", K::text_box, 0},
      {"priming_pw_cold", K::text_box, 0},   {"num_pulses_cold", K::text_box, 0},
      {"temp_threshold", K::text_box, 0},    {"iac_close_steps", K::text_box, 0},
      {"iac_open_steps", K::text_box, 0},    {"iac_enable_tps_val", K::text_box, 0},
      {"iac_close_tps_val", K::text_box, 0}, {"iac_max_rate", K::text_box, 0},
      {"iac_error_rate", K::text_box, 0},    {"iac_deadband", K::text_box, 0},
      {"target_dwell", K::text_box, 0},      {"min_dwell_deg", K::text_box, 0},
      {"tdc_trim_deg", K::text_box, 0},      {"base_offset_deg", K::text_box, 0},
      {"Teeth_BTDC", K::text_box, 0},        {"tps_base_val", K::text_box, 0},
      {"tps_fs_val", K::text_box, 0},        {"rpm_limit_max_degrees", K::text_box, 0},
      {"tps_open_loop_val", K::text_box, 0}, {"decel_tps_value", K::text_box, 0},
      {"max_pressure", K::text_box, 0},      {"WB_EGO_0V_LAMBDA", K::text_box, 0},
      {"WB_EGO_1V_LAMBDA", K::text_box, 0},  {"ph_base_deg", K::text_box, 16},
      {"inj_gain", K::text_box, 8},          {"inj_offset", K::text_box, 8},
      {"inj_min", K::text_box, 8},           {"inj_max", K::text_box, 8},
      {"CLT_CAL_MAP", K::text_box, 9},       {"MAT_CAL_MAP", K::text_box, 9},
      {"TPS_mapped", K::check_box, 0},       {"MAP_accel", K::check_box, 0},
      {"special_cfg", K::check_box, 2},      {"map_type", K::option_button, 4},
      {"ph_used", K::check_box, 16},         {"tach_ph", K::check_box, 16},
      {"EGO_type", K::option_button, 3},     {"show_demo_mode", K::label, 0},
  };
  for (const char* bank : {"inj_ph_", "ign_ph_"}) {
    for (int row = 0; row < FrmToolForm::kPhases; ++row) {
      shapes.push_back({bank + std::to_string(row), K::check_box, FrmToolForm::kOutputsPerPhase});
    }
  }
  const FrmToolForm& tool = frm_tool();
  for (const ControlShape& shape : shapes) expect_control_shape(tool, shape);
  const char* const ego_captions[] = {"Narrowband (0-1v)", "Wideband (0-1v)", "CAN Wideband"};
  for (int i = 0; i < tool.EGO_type.count(); ++i) {
    EXPECT_EQ(tool.EGO_type[i].caption(), ego_captions[i]);
  }
}

TEST_F(FrmToolTest, ADecoderWriteMarksTheFieldAndItsInSyncMarkThenHolds) {
  FrmToolForm& tool = frm_tool();
  struct Case {
    ui::TextBox* field;
    const char* value;
  };
  const Case cases[] = {{&tool.trigs_per_rev, "12"},     {&tool.ph_base_deg[15], "180.00"},
                        {&tool.inj_max[7], "3.20"},      {&tool.CLT_CAL_MAP[8], "150"},
                        {&tool.WB_EGO_1V_LAMBDA, "1.5"}, {&tool.max_pressure, "250.0"}};
  for (const Case& c : cases) {
    c.field->set_back_colour(ui::colours::white);
    c.field->set_text(c.value);
    EXPECT_EQ(c.field->back_colour(), ui::colours::yellow) << c.field->name();
    // The decoder's in-sync mark comes after the value; the same value again is no change.
    c.field->set_back_colour(ui::colours::white);
    c.field->set_text(c.value);
    EXPECT_EQ(c.field->back_colour(), ui::colours::white) << c.field->name();
  }
}

TEST_F(FrmToolTest, EveryBoxOfAPhaseRowMarksOnlyThatRowTickedOrCleared) {
  FrmToolForm& tool = frm_tool();
  std::vector<ui::ControlArray<ui::CheckBox>*> rows;
  for (int row = 0; row < FrmToolForm::kPhases; ++row) {
    rows.push_back(&tool.inj_ph(row));
    rows.push_back(&tool.ign_ph(row));
  }
  rows.push_back(&tool.ph_used);
  rows.push_back(&tool.tach_ph);
  for (ui::ControlArray<ui::CheckBox>* row : rows) {
    for (int box = 0; box < row->count(); ++box) {
      for (const int value : {ui::CheckBox::checked, ui::CheckBox::unchecked}) {
        for (ui::ControlArray<ui::CheckBox>* other : rows) (*other)[0].set_caption("");
        (*row)[box].set_value(value);
        for (ui::ControlArray<ui::CheckBox>* other : rows) {
          EXPECT_EQ((*other)[0].caption(), other == row ? "X" : "")
              << (*row)[box].name() << "(" << box << ") = " << value << " seen on "
              << (*other)[0].name();
        }
      }
    }
  }
}

TEST_F(FrmToolTest, TheSensorTypeByteIsMarkedOnTheFirstOptionWhicheverControlChanges) {
  FrmToolForm& tool = frm_tool();
  struct Case {
    const char* what;
    std::function<void()> change;
  };
  const Case cases[] = {
      {"map_type 3", [&] { tool.map_type[3].set_value(true); }},
      {"map_type 1", [&] { tool.map_type[1].set_value(true); }},
      {"map_type 2", [&] { tool.map_type[2].set_value(true); }},
      {"map_type 0", [&] { tool.map_type[0].set_value(true); }},
      {"special_cfg 0 ticked", [&] { tool.special_cfg[0].set_value(ui::CheckBox::checked); }},
      {"special_cfg 0 cleared", [&] { tool.special_cfg[0].set_value(ui::CheckBox::unchecked); }},
      {"special_cfg 1 ticked", [&] { tool.special_cfg[1].set_value(ui::CheckBox::checked); }},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < tool.map_type.count(); ++i) {
      tool.map_type[i].set_fore_colour(ui::colours::black);
    }
    for (int i = 0; i < tool.special_cfg.count(); ++i) {
      tool.special_cfg[i].set_fore_colour(ui::colours::black);
    }
    c.change();
    EXPECT_EQ(tool.map_type[0].fore_colour(), ui::colours::yellow) << c.what;
    for (int i = 1; i < tool.map_type.count(); ++i) {
      EXPECT_EQ(tool.map_type[i].fore_colour(), ui::colours::black) << c.what << " on " << i;
    }
    for (int i = 0; i < tool.special_cfg.count(); ++i) {
      EXPECT_EQ(tool.special_cfg[i].fore_colour(), ui::colours::black) << c.what << " on " << i;
    }
  }
}

TEST_F(FrmToolTest, TheThrottleAxisAndPressureAccelBoxesMarkOnlyThemselves) {
  FrmToolForm& tool = frm_tool();
  ui::CheckBox* const boxes[] = {&tool.TPS_mapped, &tool.MAP_accel};
  for (ui::CheckBox* changed : boxes) {
    for (const int value : {ui::CheckBox::checked, ui::CheckBox::unchecked}) {
      for (ui::CheckBox* box : boxes) box->set_fore_colour(ui::colours::black);
      changed->set_value(value);
      for (ui::CheckBox* box : boxes) {
        EXPECT_EQ(box->fore_colour(), box == changed ? ui::colours::yellow : ui::colours::black)
            << changed->name() << " = " << value << " seen on " << box->name();
      }
    }
  }
}

TEST_F(FrmToolTest, SelectingAnEgoTypeFromCodeMarksTheGroupAndSetsTheWideBandFields) {
  FrmToolForm& tool = frm_tool();
  struct Case {
    int selected;
    bool wide_band_fields_enabled;
  };
  const Case cases[] = {{1, true}, {2, false}, {0, false}, {1, true}, {0, false}};
  for (const Case& c : cases) {
    for (int i = 0; i < tool.EGO_type.count(); ++i) {
      tool.EGO_type[i].set_fore_colour(ui::colours::black);
    }
    tool.EGO_type[c.selected].set_value(true);
    EXPECT_EQ(tool.EGO_type[0].fore_colour(), ui::colours::yellow) << c.selected;
    EXPECT_EQ(tool.EGO_type[c.selected].fore_colour(),
              c.selected == 0 ? ui::colours::yellow : ui::colours::black)
        << c.selected;
    EXPECT_EQ(tool.WB_EGO_0V_LAMBDA.enabled(), c.wide_band_fields_enabled) << c.selected;
    EXPECT_EQ(tool.WB_EGO_1V_LAMBDA.enabled(), c.wide_band_fields_enabled) << c.selected;
  }
}

class FrmToolCloseTest : public test::MainWindowTest {};

// Where the window goes on closing is the navigation's business; here only that every way
// out clears the load flag, so the next opening reads the controller again.
TEST_F(FrmToolCloseTest, EveryWayOutClearsTheLoadFlag) {
  FrmEcuForm& main_window = start_demo();
  for (const char* way_out : {"menu_mon", "menufileexit", "Command3d2"}) {
    main_window.Menu_View_Injection.click();
    FrmToolForm& tool = frm_tool();
    tool.config_loaded = kTrue;
    ui::Control* control = tool.find_control(way_out);
    ASSERT_NE(control, nullptr) << way_out;
    if (auto* item = dynamic_cast<ui::MenuItem*>(control)) {
      item->click();
    } else {
      dynamic_cast<ui::CommandButton&>(*control).click();
    }
    EXPECT_FALSE(tool.visible()) << way_out;
    EXPECT_EQ(tool.config_loaded, kFalse) << way_out;
    view_request_mon = kFalse;
  }
}

}  // namespace
}  // namespace ecu
