// Single settings of the first binary decoder: idle air, dwell and timing, battery
// compensation, index teeth, throttle calibration, EGO lambda points and the scalar limits.
// The read and its write echo are decoded alike.

#include <functional>
#include <string>
#include <vector>

#include "config/frm_tool.hpp"
#include "decode/setting_reply_fixture.hpp"
#include "model/shared_state.hpp"
#include "views/frm_dashboard.hpp"

namespace {

using test::payload_bytes;
using test::word_bytes;
using Tool = ecu::FrmToolForm;

struct SettingCase {
  const char* what;
  std::vector<std::uint8_t> types;  // each decodes alike
  std::string payload;
  ui::TextBox Tool::*field;
  std::string text;
  ecu::Long* variable;
  ecu::Long stored;
};

std::vector<SettingCase> setting_cases() {
  return {
      {"close steps with a sign position",
       {0x84, 0x85},
       payload_bytes({0x02, 0x01}),
       &Tool::iac_close_steps,
       " 258",
       &ecu::iac_clos,
       258},
      {"open steps",
       {0x86, 0x87},
       word_bytes(65535),
       &Tool::iac_open_steps,
       " 65535",
       &ecu::iac_open,
       65535},
      {"idle enable throttle 1023",
       {0x88, 0x89},
       word_bytes(1023),
       &Tool::iac_enable_tps_val,
       "99.9",
       &ecu::iac_tpse,
       1023},
      {"idle enable throttle 512",
       {0x88},
       word_bytes(512),
       &Tool::iac_enable_tps_val,
       "50.0",
       &ecu::iac_tpse,
       512},
      {"idle enable throttle 0",
       {0x89},
       word_bytes(0),
       &Tool::iac_enable_tps_val,
       "0.0",
       &ecu::iac_tpse,
       0},
      {"idle close throttle",
       {0x8A, 0x8B},
       word_bytes(512),
       &Tool::iac_close_tps_val,
       "50.0",
       &ecu::iac_tpsc,
       512},
      {"maximum step rate",
       {0x8C, 0x8D},
       word_bytes(400),
       &Tool::iac_max_rate,
       " 400",
       &ecu::iac_maxr,
       400},
      {"error step rate",
       {0x8E, 0x8F},
       word_bytes(0),
       &Tool::iac_error_rate,
       " 0",
       &ecu::iac_errr,
       0},
      {"dead band",
       {0x90, 0x91},
       payload_bytes({50}),
       &Tool::iac_deadband,
       " 50",
       &ecu::iac_dead,
       50},
      {"target dwell 350",
       {0x94, 0x95},
       word_bytes(350),
       &Tool::target_dwell,
       "3.50",
       &ecu::ign_tdwl,
       350},
      {"target dwell 5", {0x94}, word_bytes(5), &Tool::target_dwell, "0.05", &ecu::ign_tdwl, 5},
      {"minimum dwell degrees",
       {0x9D, 0x9E},
       word_bytes(90),
       &Tool::min_dwell_deg,
       "22.50",
       &ecu::ign_mdeg,
       90},
      {"TDC trim 0",
       {0xA1, 0xA2},
       payload_bytes({0}),
       &Tool::tdc_trim_deg,
       "-16.00",
       &ecu::tdc_trim,
       0},
      {"TDC trim 64", {0xA1}, payload_bytes({64}), &Tool::tdc_trim_deg, "0.00", &ecu::tdc_trim, 64},
      {"TDC trim 255",
       {0xA2},
       payload_bytes({255}),
       &Tool::tdc_trim_deg,
       "47.75",
       &ecu::tdc_trim,
       255},
      {"battery compensation 0",
       {0x83},
       payload_bytes({0}),
       &Tool::bat_comp,
       "0.0",
       &ecu::bat_comp_setting,
       0},
      {"battery compensation 255",
       {0x83},
       payload_bytes({255}),
       &Tool::bat_comp,
       "408.0",
       &ecu::bat_comp_setting,
       255},
      {"battery compensation 25",
       {0x83},
       payload_bytes({25}),
       &Tool::bat_comp,
       "40.0",
       &ecu::bat_comp_setting,
       25},
      {"teeth before TDC 0",
       {0xA7, 0xA8},
       payload_bytes({0}),
       &Tool::Teeth_BTDC,
       "0",
       &ecu::tdc_teth,
       0},
      {"teeth before TDC 255",
       {0xA7, 0xA8},
       payload_bytes({255}),
       &Tool::Teeth_BTDC,
       "255",
       &ecu::tdc_teth,
       255},
      {"0 V lambda",
       {0xD2},
       payload_bytes({0}),
       &Tool::WB_EGO_0V_LAMBDA,
       "0.000",
       &ecu::ego_wbl0,
       0},
      {"1 V lambda",
       {0xD3},
       payload_bytes({255}),
       &Tool::WB_EGO_1V_LAMBDA,
       "1.992",
       &ecu::ego_wbl1,
       255},
      {"closed throttle 255",
       {0xD5, 0xD7},
       payload_bytes({255}),
       &Tool::tps_base_val,
       "100.0",
       &ecu::tps_base,
       255},
      {"closed throttle 0",
       {0xD5, 0xD7},
       payload_bytes({0}),
       &Tool::tps_base_val,
       "0.0",
       &ecu::tps_base,
       0},
      {"full throttle 26",
       {0xD6, 0xD8},
       payload_bytes({26}),
       &Tool::tps_fs_val,
       "10.2",
       &ecu::tps_fs,
       26},
      {"captured full throttle 230",
       {0xD8},
       payload_bytes({230}),
       &Tool::tps_fs_val,
       "90.2",
       &ecu::tps_fs,
       230},
      {"rev limit retard 10",
       {0xB7, 0xB8},
       word_bytes(10),
       &Tool::rpm_limit_max_degrees,
       "2.50",
       &ecu::lim_deg,
       10},
      {"rev limit retard 0",
       {0xB7},
       word_bytes(0),
       &Tool::rpm_limit_max_degrees,
       "0.00",
       &ecu::lim_deg,
       0},
      {"open-loop throttle",
       {0xE3, 0xE4},
       payload_bytes({255}),
       &Tool::tps_open_loop_val,
       "100.0",
       &ecu::tps_ego,
       255},
      {"deceleration throttle",
       {0xE5, 0xE6},
       payload_bytes({26}),
       &Tool::decel_tps_value,
       "10.2",
       &ecu::tps_enr,
       26},
  };
}

class BinarySettingReplies : public test::SettingReplyTest {};

TEST_F(BinarySettingReplies, ReadAndEchoStoreShowAndLeaveTheFieldWhite) {
  for (const SettingCase& c : setting_cases()) {
    for (const std::uint8_t type : c.types) {
      SCOPED_TRACE(std::string(c.what) + " type " + std::to_string(type));
      ui::TextBox& field = ecu::frm_tool().*c.field;
      field.set_text("edited");
      field.set_back_colour(ui::colours::yellow);
      *c.variable = -7;
      ecu::reply_received = 0;
      deliver(type, c.payload);
      EXPECT_EQ(ecu::reply_received, -1);
      EXPECT_EQ(field.text(), c.text);
      EXPECT_EQ(field.back_colour(), ui::colours::white);
      EXPECT_EQ(*c.variable, c.stored);
    }
  }
}

TEST_F(BinarySettingReplies, ReplyOfWrongLengthLeavesEverythingAsItWas) {
  for (const SettingCase& c : setting_cases()) {
    for (const std::uint8_t type : c.types) {
      SCOPED_TRACE(std::string(c.what) + " type " + std::to_string(type));
      ui::TextBox& field = ecu::frm_tool().*c.field;
      field.set_text("edited");
      field.set_back_colour(ui::colours::yellow);
      *c.variable = -7;
      ecu::reply_received = 0;
      deliver(type, c.payload + '\x01');
      EXPECT_EQ(ecu::reply_received, 0);
      EXPECT_EQ(field.text(), "edited");
      EXPECT_EQ(field.back_colour(), ui::colours::yellow);
      EXPECT_EQ(*c.variable, -7);
    }
  }
}

TEST_F(BinarySettingReplies, BaseTimingShowsInConfigurationAndDashboard) {
  for (const std::uint8_t type : {0xA3, 0xA4}) {
    ecu::frm_tool().base_offset_deg.set_back_colour(ui::colours::yellow);
    ecu::frm_dashboard().base_offset_deg.set_back_colour(ui::colours::yellow);
    deliver(type, {type == 0xA3 ? 64U : 255U});
    const char* expected = type == 0xA3 ? "0.00" : "47.75";
    EXPECT_EQ(ecu::frm_tool().base_offset_deg.text(), expected);
    EXPECT_EQ(ecu::frm_dashboard().base_offset_deg.text(), expected);
    EXPECT_EQ(ecu::frm_tool().base_offset_deg.back_colour(), ui::colours::white);
    EXPECT_EQ(ecu::frm_dashboard().base_offset_deg.back_colour(), ui::colours::white);
  }
  EXPECT_EQ(ecu::base_deg, 255);
}

TEST_F(BinarySettingReplies, BaseTimingWritesBothTextsBeforeWhiteningConfigurationFirst) {
  for (ui::TextBox* field :
       {&ecu::frm_tool().base_offset_deg, &ecu::frm_dashboard().base_offset_deg}) {
    field->set_text("edited");
    field->set_back_colour(ui::colours::yellow);
  }
  const test::TextBoxLog log("base_offset_deg");
  deliver(0xA3, {68});
  EXPECT_EQ(log.entries(), (std::vector<std::string>{
                               "frm_tool.base_offset_deg text 1.00",
                               "frm_dashboard.base_offset_deg text 1.00",
                               "frm_tool.base_offset_deg back white",
                               "frm_dashboard.base_offset_deg back white",
                           }));
}

TEST_F(BinarySettingReplies, EchoOfTheTextTypedStillTurnsTheFieldWhite) {
  // The user typed "12" and wrote it; the echo brings the same text, so no change handler
  // runs, and only the decoder's mark tells that the controller holds it.
  ecu::FrmToolForm& tool = ecu::frm_tool();
  tool.Teeth_BTDC.set_text("12");
  tool.Teeth_BTDC.set_back_colour(ui::colours::yellow);
  deliver(0xA8, {12});
  EXPECT_EQ(tool.Teeth_BTDC.text(), "12");
  EXPECT_EQ(tool.Teeth_BTDC.back_colour(), ui::colours::white);
  EXPECT_EQ(ecu::tdc_teth, 12);
}

TEST_F(BinarySettingReplies, MaximumPressureUsesTheSensorScaleInForce) {
  struct Case {
    float gain, offset;
    unsigned word;
    const char* text;
  };
  for (const Case c :
       {Case{115, 10, 1023, "125.0"}, Case{115, 10, 512, "67.6"}, Case{551, 79, 1023, "630.0"}}) {
    SCOPED_TRACE(c.text);
    ecu::map_sensor_gain = c.gain;
    ecu::map_sensor_offset = c.offset;
    deliver(0xE8, word_bytes(c.word));
    EXPECT_EQ(ecu::frm_tool().max_pressure.text(), c.text);
    EXPECT_EQ(ecu::max_map, static_cast<ecu::Long>(c.word));
  }
  ecu::frm_tool().max_pressure.set_back_colour(ui::colours::yellow);
  deliver(0xE8, payload_bytes({0, 2, 0}));
  EXPECT_EQ(ecu::frm_tool().max_pressure.back_colour(), ui::colours::yellow);
}

TEST_F(BinarySettingReplies, MapSensorEchoChoosesTypeScaleAndFlagsThenMarksElementZero) {
  struct Case {
    unsigned byte;
    int type;
    float gain, offset;
    int special_1, special_2;
  };
  ecu::FrmToolForm& tool = ecu::frm_tool();
  for (const Case c : {Case{0x02, 2, 551, 79, 0, 0}, Case{0xC3, 3, 394, 10, 1, 1},
                       Case{0x3C, 0, 115, 10, 0, 0}, Case{0x41, 1, 255, 10, 1, 0}}) {
    SCOPED_TRACE(c.byte);
    tool.map_type[0].set_fore_colour(ui::colours::yellow);
    ecu::map_type_setting = 99;
    deliver(0x82, {c.byte});
    for (int k = 0; k < 4; ++k) EXPECT_EQ(tool.map_type[k].value(), k == c.type) << k;
    EXPECT_FLOAT_EQ(ecu::map_sensor_gain, c.gain);
    EXPECT_FLOAT_EQ(ecu::map_sensor_offset, c.offset);
    EXPECT_EQ(tool.special_cfg[0].value(), c.special_1);
    EXPECT_EQ(tool.special_cfg[1].value(), c.special_2);
    EXPECT_EQ(tool.map_type[0].fore_colour(), ui::colours::black);
    EXPECT_EQ(ecu::map_type_setting, 99);
  }
}

TEST_F(BinarySettingReplies, EgoConfigurationSelectsTypeAndEnablesLambdaPointsForWideband) {
  struct Case {
    std::uint8_t type;
    std::string payload;
    int option;
    bool lambda_enabled;
  };
  ecu::FrmToolForm& tool = ecu::frm_tool();
  for (const Case& c :
       {Case{0xD0, payload_bytes({1, 64, 192}), 1, true}, Case{0xD1, payload_bytes({2}), 2, false},
        Case{0xD1, payload_bytes({7}), 0, false}, Case{0xD1, payload_bytes({1}), 1, true},
        Case{0xD0, payload_bytes({0, 0, 255}), 0, false}}) {
    SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(c.payload[0])));
    tool.EGO_type[0].set_fore_colour(ui::colours::yellow);
    deliver(c.type, c.payload);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(tool.EGO_type[k].value(), k == c.option) << k;
    EXPECT_EQ(tool.WB_EGO_0V_LAMBDA.enabled(), c.lambda_enabled);
    EXPECT_EQ(tool.WB_EGO_1V_LAMBDA.enabled(), c.lambda_enabled);
    EXPECT_EQ(tool.EGO_type[0].fore_colour(), ui::colours::black);
    EXPECT_EQ(ecu::ego_flgs, static_cast<unsigned char>(c.payload[0]));
  }
  // The first case's lambda points, in payload order after the type.
  deliver(0xD0, {1, 64, 192});
  EXPECT_EQ(tool.WB_EGO_0V_LAMBDA.text(), "0.500");
  EXPECT_EQ(tool.WB_EGO_1V_LAMBDA.text(), "1.500");
  EXPECT_EQ(tool.WB_EGO_0V_LAMBDA.back_colour(), ui::colours::white);
  EXPECT_EQ(tool.WB_EGO_1V_LAMBDA.back_colour(), ui::colours::white);
  EXPECT_EQ(ecu::ego_wbl0, 64);
  EXPECT_EQ(ecu::ego_wbl1, 192);
}

TEST_F(BinarySettingReplies, ThrottleCalibrationReadFillsBothFields) {
  ecu::FrmToolForm& tool = ecu::frm_tool();
  tool.tps_base_val.set_back_colour(ui::colours::yellow);
  tool.tps_fs_val.set_back_colour(ui::colours::yellow);
  deliver(0xD4, {26, 230});
  EXPECT_EQ(tool.tps_base_val.text(), "10.2");
  EXPECT_EQ(tool.tps_fs_val.text(), "90.2");
  EXPECT_EQ(tool.tps_base_val.back_colour(), ui::colours::white);
  EXPECT_EQ(tool.tps_fs_val.back_colour(), ui::colours::white);
  EXPECT_EQ(ecu::tps_base, 26);
  EXPECT_EQ(ecu::tps_fs, 230);
}

TEST_F(BinarySettingReplies, ByteSettingOfWordLengthIsIgnored) {
  ecu::iac_dead = 3;
  ecu::reply_received = 0;
  deliver(0x90, word_bytes(300));
  EXPECT_EQ(ecu::reply_received, 0);
  EXPECT_EQ(ecu::iac_dead, 3);
}

}  // namespace
