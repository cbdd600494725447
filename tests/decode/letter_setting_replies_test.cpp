// Letter-code settings: reads and write echoes store the value, show it scaled in its field
// and leave the field white.

#include <functional>
#include <string>
#include <vector>

#include "config/frm_tool.hpp"
#include "decode/display_values.hpp"
#include "decode/setting_reply_fixture.hpp"
#include "maps/frm_3d.hpp"
#include "model/shared_state.hpp"
#include "views/frm_dashboard.hpp"

namespace {

using test::payload_bytes;
using test::word_bytes;

struct LetterCase {
  const char* what;
  std::uint8_t type;
  std::string payload;
  std::function<ui::TextBox&()> field;
  std::string text;
  ecu::Long* variable;  // nullptr when the reply stores no raw value
  ecu::Long stored;
};

ui::TextBox& tool_field(ui::TextBox ecu::FrmToolForm::*member) {
  return ecu::frm_tool().*member;
}

std::vector<LetterCase> letter_cases() {
  using Tool = ecu::FrmToolForm;
  auto tool = [](ui::TextBox Tool::*member) {
    return [member]() -> ui::TextBox& { return tool_field(member); };
  };
  return {
      {"proportional gain read", '!', payload_bytes({96}), tool(&Tool::EGO_Prop_Gain), "1.500",
       &ecu::ego_gain, 96},
      {"proportional gain echo", '?', payload_bytes({64}), tool(&Tool::EGO_Prop_Gain), "1.000",
       &ecu::ego_gain, 64},
      {"minimum gain read", '%', payload_bytes({96}), tool(&Tool::min_ego_gain), "1.500",
       &ecu::ego_a_lo, 96},
      {"minimum gain echo", '<', payload_bytes({128}), tool(&Tool::min_ego_gain), "2.000",
       &ecu::ego_a_lo, 128},
      {"maximum gain read", '^', payload_bytes({160}), tool(&Tool::max_ego_gain), "2.500",
       &ecu::ego_a_hi, 160},
      {"maximum gain echo", '>', payload_bytes({64}), tool(&Tool::max_ego_gain), "1.000",
       &ecu::ego_a_hi, 64},
      {"EGO reset read", '@', word_bytes(625), tool(&Tool::EGO_reset_pw), "1.00", &ecu::ego_cut,
       625},
      {"EGO reset echo", '=', word_bytes(3125), tool(&Tool::EGO_reset_pw), "5.00", &ecu::ego_cut,
       3125},
      {"hot priming read", 'S', word_bytes(625), tool(&Tool::priming_pw_hot), "1.000",
       &ecu::hot_p_pw, 625},
      {"hot priming echo", 's', word_bytes(1250), tool(&Tool::priming_pw_hot), "2.000",
       &ecu::hot_p_pw, 1250},
      {"hot pulses limited to 100", 'T', payload_bytes({150}), tool(&Tool::num_pulses_hot), "100",
       &ecu::hot_num_p, 100},
      {"hot pulses echo", 't', payload_bytes({7}), tool(&Tool::num_pulses_hot), "7",
       &ecu::hot_num_p, 7},
      {"cold priming read", 'U', word_bytes(3125), tool(&Tool::priming_pw_cold), "5.000",
       &ecu::cld_p_pw, 3125},
      {"cold priming echo", 'u', word_bytes(0), tool(&Tool::priming_pw_cold), "0.000",
       &ecu::cld_p_pw, 0},
      {"cold pulses read", 'V', payload_bytes({100}), tool(&Tool::num_pulses_cold), "100",
       &ecu::cld_num_p, 100},
      {"cold pulses limited to 100", 'v', payload_bytes({255}), tool(&Tool::num_pulses_cold), "100",
       &ecu::cld_num_p, 100},
      {"threshold shown signed", 'w', payload_bytes({0xF6}), tool(&Tool::temp_threshold), "-10",
       &ecu::tmp_thrs, 246},
      {"threshold above 120 shown 120", 'w', payload_bytes({0x7F}), tool(&Tool::temp_threshold),
       "120", &ecu::tmp_thrs, 127},
      {"threshold below -14 shown -14", 'W', payload_bytes({0x80}), tool(&Tool::temp_threshold),
       "-14", &ecu::tmp_thrs, 128},
      {"EGO seconds echo", 'b', word_bytes(30), tool(&Tool::ego_seconds), "30", &ecu::ego_secs, 30},
      {"EGO rate echo", 'c', payload_bytes({10}), tool(&Tool::ego_rate), "10",
       &ecu::ego_rate_setting, 10},
      {"acceleration rate echo", 'f', word_bytes(819), tool(&Tool::accel_flt_rate), "76.30",
       &ecu::acc_rate, 819},
      {"acceleration sensitivity echo", 'g', word_bytes(100), tool(&Tool::accel_senitivity),
       "20.50", &ecu::acc_sen, 100},
      {"minimum accel pulse echo", 'h', word_bytes(625), tool(&Tool::accel_pw_min), "1.00",
       &ecu::acc_minp, 625},
      {"maximum accel pulse echo", ' ', word_bytes(6250), tool(&Tool::accel_pw_max), "10.00",
       &ecu::acc_maxp, 6250},
      {"triggers per revolution", '~', payload_bytes({36}), tool(&Tool::trigs_per_rev), "36",
       nullptr, 0},
      {"zero triggers print no digit", '~', payload_bytes({0}), tool(&Tool::trigs_per_rev), "",
       nullptr, 0},
  };
}

class LetterSettingReplies : public test::SettingReplyTest {};

TEST_F(LetterSettingReplies, ShowEachValueScaledAndLeaveItsFieldWhite) {
  for (const LetterCase& c : letter_cases()) {
    SCOPED_TRACE(c.what);
    ui::TextBox& field = c.field();
    field.set_text("edited");
    field.set_back_colour(ui::colours::yellow);
    ecu::reply_received = 0;
    deliver(c.type, c.payload);
    EXPECT_EQ(ecu::reply_received, -1);
    EXPECT_EQ(field.text(), c.text);
    EXPECT_EQ(field.back_colour(), ui::colours::white);
    if (c.variable != nullptr) {
      EXPECT_EQ(*c.variable, c.stored);
    }
  }
}

TEST_F(LetterSettingReplies, ReplyOfWrongLengthLeavesFieldYellowAndUntaken) {
  for (const LetterCase& c : letter_cases()) {
    SCOPED_TRACE(c.what);
    ui::TextBox& field = c.field();
    field.set_text("edited");
    field.set_back_colour(ui::colours::yellow);
    ecu::reply_received = 0;
    deliver(c.type, c.payload + '\x01');
    EXPECT_EQ(ecu::reply_received, 0);
    EXPECT_EQ(field.text(), "edited");
    EXPECT_EQ(field.back_colour(), ui::colours::yellow);
  }
}

TEST_F(LetterSettingReplies, ProportionalGainEchoSetsItsDisplayValue) {
  deliver('?', {64});
  EXPECT_FLOAT_EQ(ecu::ego_gain_value, 1.0F);
}

TEST_F(LetterSettingReplies, CutInSpeedFollowsTheFullScaleInForce) {
  ecu::rpm_full_scale = 10000;
  deliver('Z', word_bytes(1023));
  EXPECT_EQ(ecu::frm_3d().tps_rpm.text(), "10000");
  EXPECT_EQ(ecu::tps_rpm_setting, 1023);
  deliver('}', word_bytes(8000));
  EXPECT_FLOAT_EQ(ecu::rpm_full_scale, 8000.0F);
  EXPECT_EQ(ecu::frm_tool().full_scale_rpm.text(), "8000");
  deliver('z', word_bytes(1023));
  EXPECT_EQ(ecu::frm_3d().tps_rpm.text(), "8000");
  EXPECT_EQ(ecu::frm_3d().tps_rpm.back_colour(), ui::colours::white);
}

TEST_F(LetterSettingReplies, MinimumPressureUsesTheSensorScaleInForce) {
  ecu::map_sensor_gain = 551;
  ecu::map_sensor_offset = 79;
  deliver('p', word_bytes(512));
  EXPECT_EQ(ecu::frm_tool().min_pressure.text(), "354.8");
  EXPECT_EQ(ecu::min_pres, 512);
}

TEST_F(LetterSettingReplies, FuelScalerAndOffsetShowInMappingAndDashboard) {
  deliver('o', word_bytes(16384 + 625));
  deliver('m', word_bytes(1250));
  for (ui::ControlArray<ui::TextBox>* fields :
       {&ecu::frm_3d().ecu_pgm, &ecu::frm_dashboard().ecu_pgm}) {
    EXPECT_EQ((*fields)[1].text(), "1.000");
    EXPECT_EQ((*fields)[0].text(), "2.000");
    EXPECT_EQ((*fields)[0].back_colour(), ui::colours::white);
    EXPECT_EQ((*fields)[1].back_colour(), ui::colours::white);
  }
  EXPECT_EQ(ecu::fuel_b, 17009);
  EXPECT_EQ(ecu::fuel_mx, 1250);
  EXPECT_FLOAT_EQ(ecu::fuel_offset_secs, 0.001F);
  EXPECT_FLOAT_EQ(ecu::fuel_scaler_secs, 0.002F);
}

TEST_F(LetterSettingReplies, FuelEchoesWriteBothTextsBeforeWhiteningMappingFirst) {
  struct Case {
    std::uint8_t type;
    unsigned word;
    int element;
    const char* text;
  };
  for (const Case c : {Case{'m', 1250, 0, "2.000"}, Case{'o', 16384 + 625, 1, "1.000"}}) {
    SCOPED_TRACE(c.type);
    for (ui::ControlArray<ui::TextBox>* fields :
         {&ecu::frm_3d().ecu_pgm, &ecu::frm_dashboard().ecu_pgm}) {
      (*fields)[c.element].set_text("edited");
      (*fields)[c.element].set_back_colour(ui::colours::yellow);
    }
    const test::TextBoxLog log("ecu_pgm");
    deliver(c.type, word_bytes(c.word));
    const std::string box = "ecu_pgm(" + std::to_string(c.element) + ") ";
    EXPECT_EQ(log.entries(), (std::vector<std::string>{
                                 "frm_3d." + box + "text " + c.text,
                                 "frm_dashboard." + box + "text " + c.text,
                                 "frm_3d." + box + "back white",
                                 "frm_dashboard." + box + "back white",
                             }));
  }
}

TEST_F(LetterSettingReplies, OptionsEchoSetsBothBoxesThenMarksThemBlack) {
  struct Case {
    unsigned byte;
    int tps_mapped;
    int map_accel;
  };
  for (const Case c : {Case{3, 1, 1}, Case{1, 1, 0}, Case{2, 0, 1}, Case{0xFC, 0, 0}}) {
    SCOPED_TRACE(c.byte);
    ecu::FrmToolForm& tool = ecu::frm_tool();
    tool.TPS_mapped.set_fore_colour(ui::colours::yellow);
    tool.MAP_accel.set_fore_colour(ui::colours::yellow);
    deliver('|', {c.byte});
    EXPECT_EQ(tool.TPS_mapped.value(), c.tps_mapped);
    EXPECT_EQ(tool.MAP_accel.value(), c.map_accel);
    EXPECT_EQ(tool.TPS_mapped.fore_colour(), ui::colours::black);
    EXPECT_EQ(tool.MAP_accel.fore_colour(), ui::colours::black);
    EXPECT_EQ(ecu::option_bits, static_cast<ecu::Long>(c.byte));
  }
}

}  // namespace
