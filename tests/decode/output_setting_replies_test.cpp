// General-purpose output settings, boost parameters and rpm switch points of the output
// driver window.

#include <array>
#include <string>

#include "decode/setting_replies.hpp"
#include "decode/setting_reply_fixture.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"

namespace {

using test::payload_bytes;
using test::word_bytes;

int selected_mode(int output) {
  ui::ControlArray<ui::OptionButton>& buttons = ecu::output_mode_buttons(output);
  int selected = -1;
  for (int m = 0; m < buttons.count(); ++m) {
    if (buttons[m].value()) {
      EXPECT_EQ(selected, -1) << "two modes selected on output " << output;
      selected = m;
    }
  }
  return selected;
}

void mark_outputs_changed() {
  for (int k = 0; k < 4; ++k) ecu::output_mode_buttons(k)[0].set_fore_colour(ui::colours::yellow);
}

class OutputSettingReplies : public test::SettingReplyTest {};

TEST_F(OutputSettingReplies, ConfigurationReadSelectsModesTicksSwitchesAndKeepsTheBytesSent) {
  struct Case {
    std::array<unsigned, 4> bytes;
    std::array<int, 4> modes;
    std::array<int, 4> interpolation_off;
  };
  for (const Case& c : {Case{{0x81, 0x0A, 0x0B, 0x00}, {1, 10, 0, 0}, {1, 0, 0, 0}},
                        Case{{0x07, 0x86, 0xF3, 0x70}, {7, 6, 3, 0}, {0, 1, 1, 0}},
                        Case{{0x8F, 0x09, 0x02, 0x85}, {0, 9, 2, 5}, {1, 0, 0, 1}}}) {
    SCOPED_TRACE(c.bytes[0]);
    mark_outputs_changed();
    deliver(0xAA, {c.bytes[0], c.bytes[1], c.bytes[2], c.bytes[3]});
    for (int k = 0; k < 4; ++k) {
      const auto slot = static_cast<std::size_t>(k);
      EXPECT_EQ(selected_mode(k), c.modes[slot]) << "output " << k;
      EXPECT_EQ(ecu::frm_sup().dont_interpolate[k].value(), c.interpolation_off[slot]);
      EXPECT_EQ(ecu::output_mode_buttons(k)[0].fore_colour(), ui::colours::black);
      // Selecting a button rewrites the output's entry; what the controller sent stands.
      EXPECT_EQ(ecu::gpos[slot], static_cast<ecu::Long>(c.bytes[slot]));
    }
  }
}

TEST_F(OutputSettingReplies, ModeCaptionsNameTheChoices) {
  deliver(0xAA, {0x81, 0x0A, 0x0B, 0x00});
  EXPECT_EQ(ecu::output_mode_buttons(0)[selected_mode(0)].caption(), "X=RPM / Y=MAP");
  EXPECT_EQ(ecu::output_mode_buttons(1)[selected_mode(1)].caption(), "2 Wire Idle");
  EXPECT_EQ(ecu::output_mode_buttons(2)[selected_mode(2)].caption(), "Disabled");
  EXPECT_EQ(ecu::frm_sup().dont_interpolate[0].caption(), "Dont Interplolate");
}

TEST_F(OutputSettingReplies, ConfigurationEchoShowsOneOutputAndLeavesTheArray) {
  ecu::gpos = {1, 2, 3, 4};
  mark_outputs_changed();
  deliver(0xAB, {2, 0x87});
  EXPECT_EQ(selected_mode(2), 7);
  EXPECT_EQ(ecu::output_mode_buttons(2)[7].caption(), "Coolant Fan Relay");
  EXPECT_EQ(ecu::frm_sup().dont_interpolate[2].value(), 1);
  EXPECT_EQ(ecu::output_mode_buttons(2)[0].fore_colour(), ui::colours::black);
  EXPECT_EQ(ecu::output_mode_buttons(1)[0].fore_colour(), ui::colours::yellow);
  EXPECT_EQ(ecu::gpos[0], 1);
  EXPECT_EQ(ecu::gpos[1], 2);
  EXPECT_EQ(ecu::gpos[3], 4);
}

TEST_F(OutputSettingReplies, EchoNamingNoOutputIsTakenAndIgnored) {
  for (const std::uint8_t type : {0xAB, 0xAD}) {
    for (const unsigned output : {4U, 255U}) {
      SCOPED_TRACE(output);
      ecu::gpos = {1, 2, 3, 4};
      ecu::gpov = {5, 6, 7, 8};
      mark_outputs_changed();
      ecu::reply_received = 0;
      deliver(type, {output, 0x81});
      EXPECT_EQ(ecu::reply_received, -1);
      for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(ecu::output_mode_buttons(k)[0].fore_colour(), ui::colours::yellow);
        EXPECT_EQ(ecu::frm_sup().cool_rly_temp[k].text(), "");
      }
      EXPECT_EQ(ecu::gpos[3], 4);
      EXPECT_EQ(ecu::gpov[3], 8);
    }
  }
}

TEST_F(OutputSettingReplies, SwitchTemperaturesAreSignedAndShownPlain) {
  ecu::FrmSupForm& sup = ecu::frm_sup();
  for (int k = 0; k < 4; ++k) sup.cool_rly_temp[k].set_back_colour(ui::colours::yellow);
  deliver(0xAC, {0, 95, 128, 255});
  const std::array<const char*, 4> texts = {"0", "95", "-128", "-1"};
  const std::array<ecu::Long, 4> values = {0, 95, -128, -1};
  for (int k = 0; k < 4; ++k) {
    const auto slot = static_cast<std::size_t>(k);
    EXPECT_EQ(sup.cool_rly_temp[k].text(), texts[slot]);
    EXPECT_EQ(sup.cool_rly_temp[k].back_colour(), ui::colours::white);
    EXPECT_EQ(ecu::gpov[slot], values[slot]);
  }
  sup.cool_rly_temp[1].set_back_colour(ui::colours::yellow);
  deliver(0xAD, {1, 0xFB});
  EXPECT_EQ(sup.cool_rly_temp[1].text(), "-5");
  EXPECT_EQ(sup.cool_rly_temp[1].back_colour(), ui::colours::white);
  EXPECT_EQ(ecu::gpov[1], 95);
}

TEST_F(OutputSettingReplies, DutyIsStoredInPercentWithoutTouchingTheWindow) {
  deliver(0xAF, {0, 51, 255, 128});
  EXPECT_FLOAT_EQ(ecu::gpo_duty_pcnt[0], 0.0F);
  EXPECT_FLOAT_EQ(ecu::gpo_duty_pcnt[1], 20.0F);
  EXPECT_FLOAT_EQ(ecu::gpo_duty_pcnt[2], 100.0F);
  EXPECT_NEAR(ecu::gpo_duty_pcnt[3], 50.196, 0.001);
  EXPECT_FALSE(ecu::frm_sup.loaded());
}

TEST_F(OutputSettingReplies, RepliesOfWrongLengthChangeNothing) {
  for (const std::uint8_t type : {0xAA, 0xAB, 0xAC, 0xAD, 0xAF}) {
    SCOPED_TRACE(static_cast<int>(type));
    ecu::gpos = {1, 2, 3, 4};
    ecu::gpov = {5, 6, 7, 8};
    ecu::gpo_duty_pcnt = {9, 9, 9, 9};
    ecu::reply_received = 0;
    deliver(type, std::string(type == 0xAB || type == 0xAD ? 3 : 5, '\x01'));
    EXPECT_EQ(ecu::reply_received, 0);
    EXPECT_EQ(ecu::gpos[0], 1);
    EXPECT_EQ(ecu::gpov[0], 5);
    EXPECT_FLOAT_EQ(ecu::gpo_duty_pcnt[0], 9.0F);
  }
}

// ---- Boost parameters and rpm switch points ----

std::string boost_channel(unsigned p, unsigned i, unsigned d, unsigned enable, unsigned preset,
                          unsigned rate, unsigned flags) {
  return word_bytes(p) + word_bytes(i) + word_bytes(d) +
         payload_bytes({enable, preset, rate, flags});
}

class BoostReplies : public test::SettingReplyTest {};

TEST_F(BoostReplies, BlockFillsEveryArrayAndFieldChannelByChannel) {
  ecu::map_sensor_gain = 115;
  ecu::map_sensor_offset = 10;
  ecu::FrmSupForm& sup = ecu::frm_sup();
  for (int k = 0; k < 4; ++k) {
    sup.boost_p[k].set_back_colour(ui::colours::yellow);
    sup.boost_ctrl_invert[k].set_fore_colour(ui::colours::yellow);
  }
  const std::string block =
      boost_channel(6144, 4096, 0, 255, 128, 200, 1) + boost_channel(65535, 1, 2, 0, 0, 0, 2) +
      boost_channel(0, 0, 0, 51, 255, 1, 3) + boost_channel(2048, 0, 0, 128, 64, 255, 4);
  deliver(0xD9, block);
  EXPECT_EQ(sup.boost_p[0].text(), "1.500");
  EXPECT_EQ(sup.boost_i[0].text(), "1.000");
  EXPECT_EQ(sup.boost_d[0].text(), "0.000");
  EXPECT_EQ(sup.boost_enable_press[0].text(), "125.0");
  EXPECT_EQ(sup.boost_integ_preset[0].text(), "50");
  EXPECT_EQ(sup.boost_loop_rate[0].text(), "200");
  EXPECT_EQ(sup.boost_p[1].text(), "16.000");
  EXPECT_EQ(sup.boost_enable_press[1].text(), "10.0");
  EXPECT_EQ(sup.boost_integ_preset[2].text(), "100");
  EXPECT_EQ(sup.boost_p[3].text(), "0.500");
  const std::array<std::array<int, 2>, 4> boxes = {{{1, 0}, {0, 1}, {1, 1}, {0, 0}}};
  for (int k = 0; k < 4; ++k) {
    const auto slot = static_cast<std::size_t>(k);
    EXPECT_EQ(sup.boost_ctrl_invert[k].value(), boxes[slot][0]) << k;
    EXPECT_EQ(sup.use_as_pwm[k].value(), boxes[slot][1]) << k;
    EXPECT_EQ(sup.boost_ctrl_invert[k].fore_colour(), ui::colours::black);
    EXPECT_EQ(sup.boost_p[k].back_colour(), ui::colours::white);
  }
  EXPECT_EQ(ecu::bo_p, (std::array<ecu::Long, 4>{6144, 65535, 0, 2048}));
  EXPECT_EQ(ecu::bo_i, (std::array<ecu::Long, 4>{4096, 1, 0, 0}));
  EXPECT_EQ(ecu::bo_d, (std::array<ecu::Long, 4>{0, 2, 0, 0}));
  EXPECT_EQ(ecu::boen, (std::array<ecu::Long, 4>{255, 0, 51, 128}));
  EXPECT_EQ(ecu::bois, (std::array<ecu::Long, 4>{128, 0, 255, 64}));
  EXPECT_EQ(ecu::bort, (std::array<ecu::Long, 4>{200, 0, 1, 255}));
  // Bits 2 to 7 are kept with the byte though nothing shows them.
  EXPECT_EQ(ecu::bofg, (std::array<ecu::Long, 4>{1, 2, 3, 4}));
}

TEST_F(BoostReplies, EnablePressureUsesTheSensorScaleInForce) {
  ecu::map_sensor_gain = 255;
  ecu::map_sensor_offset = 10;
  deliver(0xDD, {1, 128});
  EXPECT_EQ(ecu::frm_sup().boost_enable_press[1].text(), "138.0");
  EXPECT_EQ(ecu::boen[1], 128);
}

TEST_F(BoostReplies, GainEchoesShowOnlyByteEchoesAlsoStore) {
  struct Case {
    std::uint8_t type;
    std::string payload;
    ui::ControlArray<ui::TextBox> ecu::FrmSupForm::*field;
    const char* text;
    std::array<ecu::Long, 4>* array;
    ecu::Long stored;  // what element 2 holds afterwards
  };
  ecu::map_sensor_gain = 115;
  ecu::map_sensor_offset = 10;
  const Case cases[] = {
      {0xDA, payload_bytes({2}) + word_bytes(6144), &ecu::FrmSupForm::boost_p, "1.500", &ecu::bo_p,
       -3},
      {0xDB, payload_bytes({2}) + word_bytes(4096), &ecu::FrmSupForm::boost_i, "1.000", &ecu::bo_i,
       -3},
      {0xDC, payload_bytes({2}) + word_bytes(2048), &ecu::FrmSupForm::boost_d, "0.500", &ecu::bo_d,
       -3},
      {0xDD, payload_bytes({2, 255}), &ecu::FrmSupForm::boost_enable_press, "125.0", &ecu::boen,
       255},
      {0xDE, payload_bytes({2, 128}), &ecu::FrmSupForm::boost_integ_preset, "50", &ecu::bois, 128},
      {0xDF, payload_bytes({2, 200}), &ecu::FrmSupForm::boost_loop_rate, "200", &ecu::bort, 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.type));
    c.array->fill(-3);
    ui::TextBox& field = (ecu::frm_sup().*c.field)[2];
    field.set_back_colour(ui::colours::yellow);
    deliver(c.type, c.payload);
    EXPECT_EQ(field.text(), c.text);
    EXPECT_EQ(field.back_colour(), ui::colours::white);
    EXPECT_EQ((*c.array)[2], c.stored);
    EXPECT_EQ((*c.array)[1], -3);
  }
}

TEST_F(BoostReplies, FlagEchoSetsBothBoxesAndMarksTheChannel) {
  ecu::FrmSupForm& sup = ecu::frm_sup();
  sup.boost_ctrl_invert[3].set_fore_colour(ui::colours::yellow);
  deliver(0xE0, {3, 3});
  EXPECT_EQ(sup.boost_ctrl_invert[3].value(), 1);
  EXPECT_EQ(sup.use_as_pwm[3].value(), 1);
  EXPECT_EQ(sup.boost_ctrl_invert[3].fore_colour(), ui::colours::black);
  EXPECT_EQ(ecu::bofg[3], 3);
}

TEST_F(BoostReplies, EchoNamingNoChannelIsTakenAndIgnored) {
  for (const std::uint8_t type : {0xDA, 0xDB, 0xDC, 0xE2}) {
    for (const unsigned index : {4U, 255U}) {
      ecu::reply_received = 0;
      deliver(type, payload_bytes({index}) + word_bytes(1));
      EXPECT_EQ(ecu::reply_received, -1);
    }
  }
  for (const std::uint8_t type : {0xDD, 0xDE, 0xDF, 0xE0}) {
    for (const unsigned index : {4U, 255U}) {
      ecu::reply_received = 0;
      deliver(type, {index, 3});
      EXPECT_EQ(ecu::reply_received, -1);
    }
  }
  EXPECT_EQ(ecu::boen, (std::array<ecu::Long, 4>{}));
  EXPECT_EQ(ecu::bofg, (std::array<ecu::Long, 4>{}));
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(ecu::frm_sup().boost_p[k].text(), "");
    EXPECT_EQ(ecu::frm_sup().rpm_switch[k].text(), "");
    EXPECT_EQ(ecu::frm_sup().boost_ctrl_invert[k].value(), 0);
  }
}

TEST_F(BoostReplies, RpmSwitchPointsFillArrayAndFieldsEchoOnlyTheField) {
  ecu::FrmSupForm& sup = ecu::frm_sup();
  deliver(0xE1, word_bytes(65535) + word_bytes(0) + word_bytes(3000) + word_bytes(12));
  const std::array<const char*, 4> texts = {"65535", "0", "3000", "12"};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(sup.rpm_switch[k].text(), texts[static_cast<std::size_t>(k)]);
    EXPECT_EQ(sup.rpm_switch[k].back_colour(), ui::colours::white);
  }
  EXPECT_EQ(ecu::rpms, (std::array<ecu::Long, 4>{65535, 0, 3000, 12}));
  sup.rpm_switch[2].set_back_colour(ui::colours::yellow);
  deliver(0xE2, payload_bytes({2}) + word_bytes(4500));
  EXPECT_EQ(sup.rpm_switch[2].text(), "4500");
  EXPECT_EQ(sup.rpm_switch[2].back_colour(), ui::colours::white);
  EXPECT_EQ(ecu::rpms[2], 3000);
}

TEST_F(BoostReplies, RepliesOfWrongLengthChangeNothing) {
  for (const auto& [type, size] : {std::pair{0xD9, 39}, std::pair{0xD9, 41}, std::pair{0xDA, 4},
                                   std::pair{0xDD, 3}, std::pair{0xE1, 9}, std::pair{0xE2, 2}}) {
    SCOPED_TRACE(type);
    ecu::reply_received = 0;
    deliver(static_cast<std::uint8_t>(type), std::string(static_cast<std::size_t>(size), '\x01'));
    EXPECT_EQ(ecu::reply_received, 0);
    EXPECT_EQ(ecu::bo_p[0], 0);
    EXPECT_EQ(ecu::rpms[0], 0);
  }
}

}  // namespace
