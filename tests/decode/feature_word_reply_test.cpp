// The feature word decides which phase outputs and function groups can be edited and which
// general-purpose output pages are shown.

#include <string>
#include <vector>

#include "config/frm_tool.hpp"
#include "decode/setting_replies.hpp"
#include "decode/setting_reply_fixture.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "views/frm_dashboard.hpp"

namespace {

std::vector<ui::Control*> idle_air_controls() {
  ecu::FrmToolForm& tool = ecu::frm_tool();
  std::vector<ui::Control*> list = {&tool.iac_close_steps,    &tool.iac_open_steps,
                                    &tool.iac_enable_tps_val, &tool.iac_close_tps_val,
                                    &tool.iac_max_rate,       &tool.iac_error_rate,
                                    &tool.iac_deadband};
  for (int i = 0; i < 9; ++i) list.push_back(&ecu::frm_2d().idle_rpm_map[i]);
  return list;
}

std::vector<ui::Control*> fuel_controls() {
  ecu::FrmToolForm& tool = ecu::frm_tool();
  std::vector<ui::Control*> list = {&tool.accel_senitivity,
                                    &tool.accel_flt_rate,
                                    &tool.accel_pw_min,
                                    &tool.accel_pw_max,
                                    &tool.EGO_reset_pw,
                                    &tool.min_pressure,
                                    &tool.bat_comp,
                                    &tool.ego_rate,
                                    &tool.EGO_Prop_Gain,
                                    &tool.ego_seconds,
                                    &tool.min_ego_gain,
                                    &tool.max_ego_gain,
                                    &tool.priming_pw_cold,
                                    &tool.num_pulses_cold,
                                    &tool.temp_threshold,
                                    &tool.priming_pw_hot,
                                    &tool.num_pulses_hot,
                                    &ecu::frm_dashboard().ecu_pgm[0],
                                    &ecu::frm_dashboard().ecu_pgm[1],
                                    &ecu::frm_dashboard().kill_ego};
  for (int c = 0; c < 8; ++c) {
    list.push_back(&tool.inj_offset[c]);
    list.push_back(&tool.inj_gain[c]);
  }
  for (int i = 0; i < 9; ++i) {
    list.push_back(&ecu::frm_2d().clt_map[i]);
    list.push_back(&ecu::frm_2d().mat_data[i]);
    list.push_back(&ecu::frm_2d().baro_gain[i]);
    list.push_back(&ecu::frm_2d().Pressure_Gain[i]);
  }
  for (ui::Control* editing : ecu::basic_mapping_editing_controls()) list.push_back(editing);
  return list;
}

std::vector<ui::Control*> ignition_controls() {
  ecu::FrmToolForm& tool = ecu::frm_tool();
  return {&tool.base_offset_deg, &tool.target_dwell, &tool.min_dwell_deg};
}

// Enabled channels 0 to count - 1 in every row of a phase table.
void expect_channels(ui::ControlArray<ui::CheckBox>& (*row)(int), int enabled_count) {
  for (int phase = 0; phase < 16; ++phase) {
    for (int channel = 0; channel < 8; ++channel) {
      EXPECT_EQ(row(phase)[channel].enabled(), channel < enabled_count)
          << "phase " << phase << " channel " << channel;
    }
  }
}

void expect_group(const std::vector<ui::Control*>& controls, bool enabled) {
  for (ui::Control* control : controls) {
    EXPECT_EQ(control->enabled(), enabled) << control->name() << "(" << control->index() << ")";
  }
}

struct FeatureCase {
  const char* what;
  unsigned low, high;
  int injector_channels, ignition_channels;
  bool idle_air, fuel, ignition;
  std::array<bool, 4> output_pages;
};

const FeatureCase kFeatureCases[] = {
    {"four and four, all groups, no outputs",
     0x44,
     0x07,
     4,
     4,
     true,
     true,
     true,
     {false, false, false, false}},
    {"nothing", 0x00, 0x00, 0, 0, false, false, false, {false, false, false, false}},
    {"counts of eight and everything",
     0x88,
     0x3F,
     8,
     8,
     true,
     true,
     true,
     {true, true, true, true}},
    {"outputs 3 and 4 only", 0x00, 0x20, 0, 0, false, false, false, {false, false, true, true}},
    {"no injectors, nine ignition",
     0x90,
     0x00,
     0,
     8,
     false,
     false,
     false,
     {false, false, false, false}},
    {"counts above eight, bits 14 and 15 ignored",
     0xFF,
     0xC9,
     8,
     8,
     true,
     false,
     false,
     {true, false, false, false}},
    {"fuel group only, one injector",
     0x21,
     0x02,
     1,
     2,
     false,
     true,
     false,
     {false, false, false, false}},
};

class FeatureWordReply : public test::SettingReplyTest {};

TEST_F(FeatureWordReply, WordDecidesChannelsGroupsAndOutputPages) {
  for (const FeatureCase& c : kFeatureCases) {
    SCOPED_TRACE(c.what);
    ecu::feature_word_received = 0;
    ecu::reply_received = 0;
    deliver(0xB3, {c.low, c.high});
    EXPECT_EQ(ecu::reply_received, -1);
    EXPECT_EQ(ecu::feature_word_received, 1);
    expect_channels(&ecu::injector_phase_row, c.injector_channels);
    expect_channels(&ecu::ignition_phase_row, c.ignition_channels);
    expect_group(idle_air_controls(), c.idle_air);
    expect_group(fuel_controls(), c.fuel);
    expect_group(ignition_controls(), c.ignition);
    for (int page = 0; page < 4; ++page) {
      EXPECT_EQ(ecu::frm_sup().GPO_params[page].visible(),
                c.output_pages[static_cast<std::size_t>(page)])
          << page;
    }
  }
}

TEST_F(FeatureWordReply, IsReadLowByteFirst) {
  // Low byte 0x07 would mean seven injectors and no groups if read the other way round.
  deliver(0xB3, {0x44, 0x07});
  expect_channels(&ecu::injector_phase_row, 4);
  expect_group(idle_air_controls(), true);
}

TEST_F(FeatureWordReply, LaterWordMovesEveryControlToItsOwnState) {
  deliver(0xB3, {0x00, 0x00});
  deliver(0xB3, {0x88, 0x3F});
  expect_channels(&ecu::injector_phase_row, 8);
  expect_channels(&ecu::ignition_phase_row, 8);
  expect_group(fuel_controls(), true);
  for (int page = 0; page < 4; ++page) EXPECT_TRUE(ecu::frm_sup().GPO_params[page].visible());
}

TEST_F(FeatureWordReply, WithoutFuelGroupTheMappingWindowKeepsItsMenusAndClose) {
  deliver(0xB3, {0x88, 0x05});
  ecu::Frm3dForm& mapping = ecu::frm_3d();
  EXPECT_TRUE(mapping.enabled());
  EXPECT_FALSE(mapping.inj_map.enabled());
  EXPECT_FALSE(mapping.Command3d2.enabled());
  EXPECT_FALSE(mapping.menuupdate.enabled());
  EXPECT_FALSE(mapping.ecu_pgm[0].enabled());
  EXPECT_TRUE(mapping.Command3d1.enabled());
  EXPECT_TRUE(mapping.menufile.enabled());
  EXPECT_TRUE(mapping.menufileexit.enabled());
  EXPECT_TRUE(mapping.view_menus.item(ecu::kMonitorView).enabled());
}

TEST_F(FeatureWordReply, ReplyOfWrongLengthChangesNothing) {
  for (const std::string& payload :
       {test::payload_bytes({0x00}), test::payload_bytes({0x00, 0x00, 0x00})}) {
    ecu::frm_tool().iac_close_steps.set_enabled(true);
    ecu::frm_sup().GPO_params[0].set_visible(true);
    ecu::reply_received = 0;
    deliver(0xB3, payload);
    EXPECT_EQ(ecu::reply_received, 0);
    EXPECT_EQ(ecu::feature_word_received, 0);
    EXPECT_TRUE(ecu::frm_tool().iac_close_steps.enabled());
    EXPECT_TRUE(ecu::frm_sup().GPO_params[0].visible());
    expect_channels(&ecu::injector_phase_row, 8);
  }
}

}  // namespace
