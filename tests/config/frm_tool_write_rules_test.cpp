// The update's write rules, by class, as the requests reach a simulated controller: each
// class is one pass over a set of edited fields, whose requests go out in the pass order.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_wire_fixture.hpp"

namespace ecu {
namespace {

using test::command;
using Commands = std::vector<std::string>;

struct Edit {
  ui::TextBox& box;
  const char* typed;
  std::string sent;  // empty: nothing sent
};

class WriteRulesTest : public test::ConfigWireTest {
 protected:
  // Types every edit, runs one update and checks what was sent, in order.
  void expect_pass(const std::vector<Edit>& edits) {
    for (const Edit& edit : edits) edit.box.set_text(edit.typed);
    frm_tool().Command3d1.click();
    Commands expected;
    for (const Edit& edit : edits) {
      if (!edit.sent.empty()) expected.push_back(edit.sent);
    }
    EXPECT_EQ(new_commands(), expected);
  }

  std::vector<std::string> messages() {
    std::vector<std::string> texts;
    for (const auto& shown : presenter().shown_messages) texts.push_back(shown.text);
    return texts;
  }
};

TEST_F(WriteRulesTest, ScalingClampingAndRewrittenLimitsGoWithoutAMessage) {
  FrmToolForm& t = open_window();
  expect_pass({
      {t.accel_senitivity, "100", command({0x67, 0xE8, 0x01, 0})},  // 487.8 -> 488
      {t.accel_flt_rate, "", command({0x66, 1, 0, 0})},             // at least 1
      {t.EGO_reset_pw, "200", command({0x3D, 0xFF, 0xFF, 0})},      // 125000 ticks -> 65535
      {t.ego_rate, "200", command({0x63, 127, 0, 0})},
      {t.ego_seconds, "2.5", command({0x62, 2, 0, 0})},  // a half goes to the even neighbour
      {t.soft_ign_rpm1, "40000", command({0xEA, 0x30, 0x75, 0})},
      {t.fuel_cut_time1, "1.5", command({0xF2, 255, 0, 0})},
      {t.priming_pw_hot, "110", command({0x73, 0xE8, 0xFD, 0})},  // 65000, not 65535
      {t.temp_threshold, "-20", command({0x77, 0xF3, 0, 0})},     // -13 as a signed byte
      {t.bat_comp, "100", command({0x83, 62, 0, 0})},             // 62.5 -> 62
      {t.iac_enable_tps_val, "50", command({0x89, 0x00, 0x02, 0})},
      {t.tps_open_loop_val, "100", command({0xE4, 255, 0, 0})},  // 256 -> 255
      {t.max_pressure, "125", command({0xE8, 85, 0, 0})},        // (125 - 79) / 551 x 1023
      {t.flat_shft_retard, "70", command({0xFA, 255, 0, 0})},
      {t.cranking_enrichment_gain, "1.5", command({0x11, 96, 0, 0})},
      {t.wheel_rpm_scaler, "0.5", command({0x1F, 0x00, 0x80, 0})},
      {t.low_rps_ratio[1], "2.5", command({0x23, 1, 40, 0})},
      {t.MAT_CAL_MAP[8], "-80", command({'e', 0xD8, 0x05, 0})},
      {t.map_offset, "100", command({0x31, 254, 0, 0})},  // never 255
      {t.map_scaler, "5", command({0x32, 0x00, 0x10, 0})},
  });
  // Rewritten limits send the limit; injector channels go channel by channel.
  expect_pass({
      {t.target_dwell, "abc", command({0x95, 50, 0, 0})},  // no number reads as 0: "0.50"
      {t.Teeth_BTDC, "300", command({0xA8, 255, 0, 0})},
      {t.tdc_trim_deg, "-20", command({0xA2, 0, 0, 0})},
      {t.base_offset_deg, "47.75", command({0xA4, 255, 0, 0})},
      {t.min_dwell_deg, "2", command({0x9E, 20, 0, 0})},
      {t.rpm_limit_max_degrees, "150", command({0xB8, 0x90, 0x01, 0})},
      {t.tps_fs_val, "100", command({0xD6, 255, 0, 0})},
      {t.WB_EGO_0V_LAMBDA, "2.5", command({0xD2, 255, 0, 0})},  // "2.00" is 256, sent as 255
      {t.WB_EGO_1V_LAMBDA, "0.4", command({0xD3, 64, 0, 0})},
      {t.inj_offset[0], "-50", command({0xCD, 0, 0x58, 0x9E})},  // -40 ms: 65536 - 25000 = 0x9E58
      {t.inj_gain[1], "5", command({0xCC, 1, 0x00, 0x40})},
      {t.inj_max[1], "60", command({0xCE, 1, 0x12, 0x7A})},
      {t.decel_tps_value, "-5", command({0xE6, 0, 0, 0})},
      {t.cranking_timing, "50", command({0x15, 255, 0, 0})},
  });
  EXPECT_EQ(t.target_dwell.text(), "0.50");
  EXPECT_EQ(t.Teeth_BTDC.text(), "255");
  EXPECT_EQ(messages(), std::vector<std::string>{});
}

TEST_F(WriteRulesTest, RefusalsWarningsAndOutOfRangeValuesEachHaveTheirMessage) {
  FrmToolForm& t = open_window();
  for (const ui::MsgResult answer : {ui::MsgResult::ok, ui::MsgResult::ok, ui::MsgResult::ok,
                                     ui::MsgResult::ok, ui::MsgResult::yes, ui::MsgResult::no}) {
    presenter().answer_next(answer);
  }
  expect_pass({
      {t.accel_pw_max, "-1", ""},
      {t.EGO_Prop_Gain, "1.008", ""},                       // 64.512 rounds to 65
      {t.min_ego_gain, "0.6", command({0x3C, 39, 0, 0})},   // ".614"
      {t.max_ego_gain, "1.5", command({0x3E, 90, 0, 0})},   // "1.4"
      {t.num_pulses_hot, "1.4", command({0x74, 1, 0, 0})},  // Yes
      {t.num_pulses_cold, "3", ""},                         // No
      {t.trigs_per_rev, "300", ""},                         // not 44
      {t.ph_base_deg[3], "720", ""},
      {t.ph_base_deg[4], "719.75", command({0x9C, 4, 0x3F, 0x0B})},
      {t.cranking_max_rpm, "70000", ""},
  });
  const std::string pulses =
      "\nThis can cause excessive fuel to puddle in the cylinders.\nAre you certain that this is "
      "what you want to do?";
  EXPECT_EQ(messages(),
            (std::vector<std::string>{
                "The value for the Accel Max PW is out of range, it will not be updated",
                "The value for the Ego Proportional Gain is greater than 1.000, Parameter will not "
                "be updated",
                "The Minimum EGO Gain has been altered to within limits",
                "The Maximum EGO Gain has been altered to within limits",
                "You have specified more than 1 hot priming pulse." + pulses,
                "You have specified more than 1 cold priming pulse." + pulses,
                "The value for the Crank Wheel Code # is out of range, it will not be updated",
                "An illegal value for a phase base degree angle has been supplied, and will NOT be "
                "accepted",
                "The value for the MAX cranking RPM is out of range, it will not be updated",
            }));
  for (const ui::TextBox* refused : {&t.accel_pw_max, &t.EGO_Prop_Gain, &t.num_pulses_cold,
                                     &t.trigs_per_rev, &t.ph_base_deg[3], &t.cranking_max_rpm}) {
    EXPECT_EQ(refused->back_colour(), ui::colours::yellow) << refused->name();
  }
}

TEST_F(WriteRulesTest, TemperatureSensorPointsGoToTheirTablesAddressesHeldWithinAByte) {
  FrmToolForm& t = open_window();
  // The two tables go point by point, coolant first.
  expect_pass({
      {t.CLT_CAL_MAP[0], "3E+9", ""},                             // beyond a 32-bit integer
      {t.MAT_CAL_MAP[0], "1.5", command({'e', 0xD0, 0x05, 66})},  // 65.5 to the even 66
      {t.CLT_CAL_MAP[1], "300", command({'e', 0xC1, 0x05, 255})},
      {t.MAT_CAL_MAP[1], "-0.5", command({'e', 0xD1, 0x05, 64})},  // 63.5
  });
  EXPECT_EQ(messages(),
            std::vector<std::string>{"The value for the Coolant [CLT] Calibation "
                                     "point 1 is out of range, it will not be updated"});
}

TEST_F(WriteRulesTest, ANewFullScaleIsReadBackAfterTheWheelCodeAndAnEgoTypeWithNoOptionIsKept) {
  FrmToolForm& t = open_window();
  for (int i = 0; i < t.EGO_type.count(); ++i) t.EGO_type[i].set_value(false);
  t.EGO_type_Click(0);  // marked, with no option chosen to send
  t.full_scale_rpm.set_text("9000");
  t.trigs_per_rev.set_text("4");
  t.Command3d1.click();
  EXPECT_EQ(new_commands(), (Commands{command({0x7D, 0x28, 0x23, 0}), command({0x7E, 4, 0, 0}),
                                      command({'C', '0', '0', '0'})}));
  EXPECT_EQ(t.EGO_type[0].fore_colour(), ui::colours::yellow);
}

}  // namespace
}  // namespace ecu
