#include <gtest/gtest.h>

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

TEST_F(FrmToolTest, EveryTextFieldTurnsYellowWhenItsTextChangesAndNotForTheSameText) {
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
    // The decoder's in-sync mark comes after the value; the same value again is no change.
    field->set_back_colour(ui::colours::white);
    field->set_text(field->text());
    EXPECT_EQ(field->back_colour(), ui::colours::white) << field->name();
    ++fields;
  }
  EXPECT_GT(fields, 100);
}

TEST_F(FrmToolTest, EachGroupedSettingIsMarkedOnItsOneMarkerControlOnly) {
  FrmToolForm& tool = frm_tool();
  constexpr int on = ui::CheckBox::checked;
  constexpr int off = ui::CheckBox::unchecked;
  // Each marker with the changes it marks: a check box set to the value, or an option chosen.
  const std::vector<std::pair<ui::Control*, std::vector<std::pair<ui::Control*, int>>>> groups = {
      {&tool.map_type[0],
       {{&tool.map_type[3], 0},
        {&tool.map_type[1], 0},
        {&tool.map_type[2], 0},
        {&tool.map_type[0], 0},
        {&tool.special_cfg[0], on},
        {&tool.special_cfg[0], off},
        {&tool.special_cfg[1], on}}},
      {&tool.TPS_mapped, {{&tool.TPS_mapped, on}, {&tool.TPS_mapped, off}}},
      {&tool.MAP_accel, {{&tool.MAP_accel, on}, {&tool.MAP_accel, off}}},
      {&tool.enable_idle_by_timing, {{&tool.enable_idle_by_timing, on}}},
      {&tool.aux_in_used_as[0], {{&tool.trig_b_used_as[3], 0}}},
      {&tool.EGO_type[0],
       {{&tool.EGO_type[1], 0}, {&tool.EGO_type[2], 0}, {&tool.EGO_type[0], 0}}}};
  ui::Control* const markers[] = {
      &tool.map_type[0],       &tool.map_type[1],    &tool.map_type[2],
      &tool.map_type[3],       &tool.special_cfg[0], &tool.special_cfg[1],
      &tool.TPS_mapped,        &tool.MAP_accel,      &tool.enable_idle_by_timing,
      &tool.aux_in_used_as[0], &tool.EGO_type[0],    &tool.EGO_type[1],
      &tool.EGO_type[2]};
  for (const auto& [marked, changes] : groups) {
    for (const auto& [changed, value] : changes) {
      for (ui::Control* marker : markers) marker->set_fore_colour(ui::colours::black);
      if (auto* box = dynamic_cast<ui::CheckBox*>(changed)) {
        box->set_value(value);
      } else {
        dynamic_cast<ui::OptionButton&>(*changed).set_value(true);
      }
      for (const ui::Control* marker : markers) {
        EXPECT_EQ(marker->fore_colour(),
                  marker == marked ? ui::colours::yellow : ui::colours::black)
            << changed->name() << "(" << changed->index() << ") = " << value << " seen on "
            << marker->name() << "(" << marker->index() << ")";
      }
    }
  }
}

TEST_F(FrmToolTest, OptionGroupsChooseIndependentlyAndOnlyTheAnalogueWideBandNeedsItsPoints) {
  FrmToolForm& tool = frm_tool();
  const std::pair<ui::ControlArray<ui::OptionButton>*, int> chosen[] = {
      {&tool.map_type, 1},    {&tool.EGO_type, 1},        {&tool.aux_in_used_as, 1},
      {&tool.idx_used_as, 2}, {&tool.map_sel_used_as, 3}, {&tool.trig_b_used_as, 4}};
  for (const auto& [group, index] : chosen) (*group)[index].set_value(true);
  for (const auto& [group, index] : chosen)
    EXPECT_TRUE((*group)[index].value()) << (*group)[index].name();
  const std::pair<int, bool> wide_band[] = {
      {1, true}, {2, false}, {0, false}, {1, true}, {0, false}};
  for (const auto& [type, enabled] : wide_band) {
    tool.EGO_type[type].set_value(true);
    EXPECT_EQ(tool.WB_EGO_0V_LAMBDA.enabled(), enabled) << type;
    EXPECT_EQ(tool.WB_EGO_1V_LAMBDA.enabled(), enabled) << type;
  }
}

TEST_F(FrmToolTest, TheDesignStateCarriesTheToolTipsCaptionsAndStartingValues) {
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
  EXPECT_FALSE(tool.special_cfg[0].enabled());
  EXPECT_FALSE(tool.special_cfg[1].enabled());
  for (int gear = 0; gear < FrmToolForm::kGears; ++gear) {
    EXPECT_EQ(tool.gear_gpo_num[gear].text(), "1");
    EXPECT_EQ(tool.gear_gpo_num[gear].back_colour(), ui::colours::white);
  }
  EXPECT_FALSE(tool.show_demo_mode.visible());
  EXPECT_EQ(tool.tool_tab.tab_caption(9), "Sensor Calibration");
}

using test::ControlShape;
using test::expect_control_shape;

TEST_F(FrmToolTest, EveryControlTheDecodersWriteExistsWithItsKindAndElementRange) {
  using K = ui::ControlKind;
  std::vector<ControlShape> shapes = {
      {"ph_base_deg", K::text_box, 16},  {"inj_gain", K::text_box, 8},
      {"inj_offset", K::text_box, 8},    {"inj_min", K::text_box, 8},
      {"inj_max", K::text_box, 8},       {"CLT_CAL_MAP", K::text_box, 9},
      {"MAT_CAL_MAP", K::text_box, 9},   {"TPS_mapped", K::check_box, 0},
      {"MAP_accel", K::check_box, 0},    {"special_cfg", K::check_box, 2},
      {"map_type", K::option_button, 4}, {"ph_used", K::check_box, 16},
      {"tach_ph", K::check_box, 16},     {"EGO_type", K::option_button, 3},
      {"show_demo_mode", K::label, 0},
  };
  for (const char* text_box :
       {"accel_pw_min",     "accel_pw_max",          "bat_comp",          "accel_flt_rate",
        "accel_senitivity", "ego_seconds",           "ego_rate",          "min_pressure",
        "full_scale_rpm",   "trigs_per_rev",         "EGO_Prop_Gain",     "min_ego_gain",
        "max_ego_gain",     "EGO_reset_pw",          "priming_pw_hot",    "num_pulses_hot",
        "priming_pw_cold",  "num_pulses_cold",       "temp_threshold",    "iac_close_steps",
        "iac_open_steps",   "iac_enable_tps_val",    "iac_close_tps_val", "iac_max_rate",
        "iac_error_rate",   "iac_deadband",          "target_dwell",      "min_dwell_deg",
        "tdc_trim_deg",     "base_offset_deg",       "Teeth_BTDC",        "tps_base_val",
        "tps_fs_val",       "rpm_limit_max_degrees", "tps_open_loop_val", "decel_tps_value",
        "max_pressure",     "WB_EGO_0V_LAMBDA",      "WB_EGO_1V_LAMBDA"}) {
    shapes.push_back({text_box, K::text_box, 0});
  }
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

TEST_F(FrmToolTest, EveryBoxOfAPhaseRowMarksOnlyThatRowTickedOrCleared) {
  FrmToolForm& tool = frm_tool();
  std::vector<ui::ControlArray<ui::CheckBox>*> rows;
  for (int row = 0; row < FrmToolForm::kPhases; ++row) {
    rows.push_back(&tool.inj_ph(row));
    rows.push_back(&tool.ign_ph(row));
  }
  rows.push_back(&tool.ph_used);
  rows.push_back(&tool.tach_ph);
  EXPECT_THROW(tool.inj_ph(16), std::out_of_range);
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
