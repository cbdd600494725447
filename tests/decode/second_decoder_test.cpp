// The settings of the second binary decoder: single settings, the sensor calibration block,
// the indexed tables, the idle-by-timing box and the input assignment word.

#include <array>
#include <string>
#include <vector>

#include "config/frm_tool.hpp"
#include "decode/setting_reply_fixture.hpp"
#include "model/shared_state.hpp"

namespace {

using test::payload_bytes;
using test::word_bytes;
using Tool = ecu::FrmToolForm;

struct SettingCase {
  const char* what;
  std::vector<std::uint8_t> types;
  std::string payload;
  ui::TextBox Tool::*field;
  std::string text;
  ecu::Long* variable;  // nullptr: the reply stores nothing
  ecu::Long stored;
};

std::vector<SettingCase> setting_cases() {
  return {
      {"idle max retard",
       {0x06, 0x07},
       payload_bytes({10}),
       &Tool::idle_max_retard,
       "2.50",
       &ecu::idl_maxr,
       10},
      {"idle max advance",
       {0x08, 0x09},
       payload_bytes({255}),
       &Tool::idle_max_advance,
       "63.75",
       &ecu::idl_maxa,
       255},
      {"cranking max rpm 0",
       {0x0E, 0x0F},
       word_bytes(0),
       &Tool::cranking_max_rpm,
       "0",
       &ecu::crk_rpmh,
       0},
      {"cranking max rpm",
       {0x0E, 0x0F},
       word_bytes(400),
       &Tool::cranking_max_rpm,
       "400",
       &ecu::crk_rpmh,
       400},
      {"cranking enrichment gain",
       {0x10, 0x11},
       payload_bytes({32}),
       &Tool::cranking_enrichment_gain,
       ".500",
       &ecu::crk_degn,
       32},
      {"cranking enrichment timer",
       {0x12, 0x13},
       word_bytes(300),
       &Tool::cranking_enrichment_timer,
       "1.500",
       &ecu::crk_etmr,
       300},
      {"cranking timing 0x40",
       {0x14, 0x15},
       payload_bytes({0x40}),
       &Tool::cranking_timing,
       "0.00",
       &ecu::crk_tdeg,
       0x40},
      {"cranking timing 0",
       {0x14, 0x15},
       payload_bytes({0}),
       &Tool::cranking_timing,
       "-16.00",
       &ecu::crk_tdeg,
       0},
      {"post-cranking gain",
       {0x16, 0x17},
       payload_bytes({96}),
       &Tool::post_cranking_enrichment_gain,
       "1.500",
       &ecu::crk_pegn,
       96},
      {"hard ignition limit 1",
       {0x18, 0x19},
       word_bytes(7000),
       &Tool::hard_ign_limit1,
       "7000",
       &ecu::rli_hrd1,
       7000},
      {"hard ignition limit 2",
       {0x1A, 0x1B},
       word_bytes(7200),
       &Tool::hard_ign_limit2,
       "7200",
       &ecu::rli_hrd2,
       7200},
      {"wheel rpm scaler",
       {0x1E, 0x1F},
       word_bytes(32768),
       &Tool::wheel_rpm_scaler,
       "0.500000",
       &ecu::wrpm_scl,
       32768},
      {"rpm acceleration gain",
       {0x28, 0x29},
       payload_bytes({64}),
       &Tool::rpm_accel_gain,
       "1.000",
       &ecu::rpm_accl,
       64},
      {"idle disable rpm",
       {0x2E, 0x2F},
       word_bytes(2500),
       &Tool::idle_disable_rpm,
       "2500",
       &ecu::idl_drpm,
       2500},
      {"map offset echo", {0x31}, payload_bytes({0x00}), &Tool::map_offset, "-12.50", nullptr, 0},
      {"map scaler echo", {0x32}, word_bytes(1024), &Tool::map_scaler, "1.000", nullptr, 0},
      {"baro offset echo", {0x33}, payload_bytes({0x80}), &Tool::baro_offset, "0.00", nullptr, 0},
      {"baro scaler echo", {0x34}, word_bytes(512), &Tool::baro_scaler, "0.500", nullptr, 0},
      {"map change time",
       {0x35, 0x36},
       payload_bytes({100}),
       &Tool::map_change_time,
       "0.500",
       nullptr,
       0},
      {"soft ignition rpm 1",
       {0xE9, 0xEA},
       payload_bytes({0x10, 0x27}),
       &Tool::soft_ign_rpm1,
       "10000",
       &ecu::rli_sft1,
       10000},
      {"soft ignition rpm 1 zero",
       {0xE9, 0xEA},
       word_bytes(0),
       &Tool::soft_ign_rpm1,
       "",
       &ecu::rli_sft1,
       0},
      {"soft ignition rpm 2",
       {0xEB, 0xEC},
       word_bytes(6500),
       &Tool::soft_ign_rpm2,
       "6500",
       &ecu::rli_sft2,
       6500},
      {"fuel cut rpm 1",
       {0xED, 0xEE},
       word_bytes(7500),
       &Tool::fuel_rpm1,
       "7500",
       &ecu::rlf_hrd1,
       7500},
      {"fuel cut rpm 2",
       {0xEF, 0xF0},
       word_bytes(7600),
       &Tool::fuel_rpm2,
       "7600",
       &ecu::rlf_hrd2,
       7600},
      {"fuel cut time 1",
       {0xF1, 0xF2},
       payload_bytes({200}),
       &Tool::fuel_cut_time1,
       "1.000",
       &ecu::f_cut_t1,
       200},
      {"fuel cut time 2",
       {0xF3, 0xF4},
       payload_bytes({1}),
       &Tool::fuel_cut_time2,
       "0.005",
       &ecu::f_cut_t2,
       1},
      {"flat shift retard",
       {0xF9, 0xFA},
       payload_bytes({40}),
       &Tool::flat_shft_retard,
       "10.00",
       &ecu::fshf_deg,
       40},
      {"flat shift retard time",
       {0xFB, 0xFC},
       payload_bytes({20}),
       &Tool::flat_shft_retard_time,
       "0.100",
       &ecu::fshf_rtm,
       20},
      {"flat shift fuel cut",
       {0xFD, 0xFE},
       payload_bytes({255}),
       &Tool::flat_shft_fuel_cut,
       "1.275",
       &ecu::fshf_ctm,
       255},
  };
}

class SecondDecoderSettings : public test::SettingReplyTest {};

TEST_F(SecondDecoderSettings, ReadAndEchoStoreShowAndLeaveTheFieldWhite) {
  for (const SettingCase& c : setting_cases()) {
    for (const std::uint8_t type : c.types) {
      SCOPED_TRACE(std::string(c.what) + " type " + std::to_string(type));
      ui::TextBox& field = ecu::frm_tool().*c.field;
      field.set_text("edited");
      field.set_back_colour(ui::colours::yellow);
      if (c.variable != nullptr) *c.variable = -7;
      ecu::reply_received = 0;
      deliver(type, c.payload);
      EXPECT_EQ(ecu::reply_received, -1);
      EXPECT_EQ(field.text(), c.text);
      EXPECT_EQ(field.back_colour(), ui::colours::white);
      if (c.variable != nullptr) {
        EXPECT_EQ(*c.variable, c.stored);
      }
    }
  }
}

TEST_F(SecondDecoderSettings, ReplyOfWrongLengthLeavesEverythingAsItWas) {
  for (const SettingCase& c : setting_cases()) {
    for (const std::uint8_t type : c.types) {
      SCOPED_TRACE(std::string(c.what) + " type " + std::to_string(type));
      ui::TextBox& field = ecu::frm_tool().*c.field;
      field.set_text("edited");
      field.set_back_colour(ui::colours::yellow);
      if (c.variable != nullptr) *c.variable = -7;
      ecu::reply_received = 0;
      deliver(type, c.payload.substr(0, c.payload.size() - 1));
      EXPECT_EQ(ecu::reply_received, 0);
      EXPECT_EQ(field.text(), "edited");
      EXPECT_EQ(field.back_colour(), ui::colours::yellow);
      if (c.variable != nullptr) {
        EXPECT_EQ(*c.variable, -7);
      }
    }
  }
}

TEST_F(SecondDecoderSettings, SensorCalibrationBlockFillsFourFieldsAndVariables) {
  ecu::FrmToolForm& tool = ecu::frm_tool();
  for (ui::TextBox* field :
       {&tool.map_offset, &tool.baro_offset, &tool.map_scaler, &tool.baro_scaler}) {
    field->set_back_colour(ui::colours::yellow);
  }
  deliver(0x30, payload_bytes({0x80, 0x00}) + word_bytes(1024) + word_bytes(2048));
  EXPECT_EQ(tool.map_offset.text(), "0.00");
  EXPECT_EQ(tool.baro_offset.text(), "-12.50");
  EXPECT_EQ(tool.map_scaler.text(), "1.000");
  EXPECT_EQ(tool.baro_scaler.text(), "2.000");
  for (ui::TextBox* field :
       {&tool.map_offset, &tool.baro_offset, &tool.map_scaler, &tool.baro_scaler}) {
    EXPECT_EQ(field->back_colour(), ui::colours::white);
  }
  EXPECT_EQ(ecu::map_ofst, 0x80);
  EXPECT_EQ(ecu::bar_ofst, 0);
  EXPECT_EQ(ecu::map_sclr, 1024);
  EXPECT_EQ(ecu::bar_sclr, 2048);

  // The single echoes show the value but keep the variables of the last block read.
  deliver(0x31, {0x00});
  EXPECT_EQ(tool.map_offset.text(), "-12.50");
  EXPECT_EQ(ecu::map_ofst, 0x80);
}

struct IndexedCase {
  const char* what;
  std::uint8_t read, echo;
  std::string block;
  ui::ControlArray<ui::TextBox> Tool::*fields;
  std::array<const char*, 8> texts;
  std::array<ecu::Long, 8>* array;
  std::array<ecu::Long, 8> stored;
  bool echo_stores;
  std::string echo_value;  // bytes after the index
  const char* echo_text;
};

std::string words(std::initializer_list<unsigned> values) {
  std::string bytes;
  for (const unsigned value : values) bytes += word_bytes(value);
  return bytes;
}

std::vector<IndexedCase> indexed_cases() {
  const std::string ratios = words({16, 32, 8, 0, 65535, 1, 160, 24});
  return {
      {"stutter pattern",
       0x1C,
       0x1D,
       words({0, 1, 2, 65535, 100, 5, 6, 7}),
       &Tool::stutter_table,
       {"0", "1", "2", "65535", "100", "5", "6", "7"},
       &ecu::stut,
       {0, 1, 2, 65535, 100, 5, 6, 7},
       false,
       word_bytes(300),
       "300"},
      {"low speed ratios",
       0x22,
       0x23,
       ratios + words({1, 2, 3, 4, 5, 6, 7, 8}),
       &Tool::low_rps_ratio,
       {"1.00", "2.00", "0.50", "0.00", "4095.94", "0.06", "10.00", "1.50"},
       &ecu::rpsl,
       {16, 32, 8, 0, 65535, 1, 160, 24},
       false,
       word_bytes(40),
       "2.50"},
      {"high speed ratios",
       0x22,
       0x24,
       words({1, 2, 3, 4, 5, 6, 7, 8}) + ratios,
       &Tool::high_rps_ratio,
       {"1.00", "2.00", "0.50", "0.00", "4095.94", "0.06", "10.00", "1.50"},
       &ecu::rpsh,
       {16, 32, 8, 0, 65535, 1, 160, 24},
       false,
       word_bytes(8),
       "0.50"},
      {"gear outputs",
       0x26,
       0x27,
       payload_bytes({0, 0, 0, 0, 0, 0, 0, 0}),
       &Tool::gear_gpo_num,
       {"1", "1", "1", "1", "1", "1", "1", "1"},
       &ecu::ggpo,
       {0, 0, 0, 0, 0, 0, 0, 0},
       true,
       payload_bytes({3}),
       "4"},
  };
}

TEST_F(SecondDecoderSettings, BlockReadsFillEveryElementAndMarkItWhite) {
  for (const IndexedCase& c : indexed_cases()) {
    SCOPED_TRACE(c.what);
    ui::ControlArray<ui::TextBox>& fields = ecu::frm_tool().*c.fields;
    for (int i = 0; i < 8; ++i) fields[i].set_back_colour(ui::colours::yellow);
    c.array->fill(-1);
    deliver(c.read, c.block);
    for (int i = 0; i < 8; ++i) {
      const auto slot = static_cast<std::size_t>(i);
      EXPECT_EQ(fields[i].text(), c.texts[slot]) << i;
      EXPECT_EQ(fields[i].back_colour(), ui::colours::white) << i;
      EXPECT_EQ((*c.array)[slot], c.stored[slot]) << i;
    }
  }
}

TEST_F(SecondDecoderSettings, EchoShowsOneElementAndOnlyGearOutputsStoreIt) {
  for (const IndexedCase& c : indexed_cases()) {
    SCOPED_TRACE(c.what);
    ui::ControlArray<ui::TextBox>& fields = ecu::frm_tool().*c.fields;
    c.array->fill(-1);
    for (int i = 0; i < 8; ++i) fields[i].set_text("edited");
    fields[5].set_back_colour(ui::colours::yellow);
    deliver(c.echo, payload_bytes({5}) + c.echo_value);
    EXPECT_EQ(fields[5].text(), c.echo_text);
    EXPECT_EQ(fields[5].back_colour(), ui::colours::white);
    EXPECT_EQ(fields[4].text(), "edited");
    EXPECT_EQ((*c.array)[5], c.echo_stores ? 3 : -1);
    EXPECT_EQ((*c.array)[4], -1);
  }
}

TEST_F(SecondDecoderSettings, EchoNamingNoElementIsTakenAndIgnored) {
  for (const IndexedCase& c : indexed_cases()) {
    for (const unsigned index : {8U, 255U}) {
      SCOPED_TRACE(c.what);
      c.array->fill(-1);
      ui::ControlArray<ui::TextBox>& fields = ecu::frm_tool().*c.fields;
      for (int i = 0; i < 8; ++i) fields[i].set_text("edited");
      ecu::reply_received = 0;
      deliver(c.echo, payload_bytes({index}) + c.echo_value);
      EXPECT_EQ(ecu::reply_received, -1);
      for (int i = 0; i < 8; ++i) EXPECT_EQ(fields[i].text(), "edited");
      EXPECT_EQ((*c.array)[7], -1);
    }
  }
}

TEST_F(SecondDecoderSettings, IdleByTimingBoxIsTickedOnlyByOne) {
  ecu::FrmToolForm& tool = ecu::frm_tool();
  for (const auto& [type, byte, ticked] :
       {std::tuple{0x0A, 1U, 1}, std::tuple{0x0B, 2U, 0}, std::tuple{0x0A, 0U, 0},
        std::tuple{0x0B, 1U, 1}, std::tuple{0x0A, 255U, 0}}) {
    SCOPED_TRACE(byte);
    tool.enable_idle_by_timing.set_fore_colour(ui::colours::yellow);
    deliver(static_cast<std::uint8_t>(type), {byte});
    EXPECT_EQ(tool.enable_idle_by_timing.value(), ticked);
    EXPECT_EQ(tool.enable_idle_by_timing.fore_colour(), ui::colours::black);
    EXPECT_EQ(ecu::idl_by_i, static_cast<ecu::Long>(byte));
  }
}

int selected(ui::ControlArray<ui::OptionButton>& group) {
  for (int i = 0; i < group.count(); ++i) {
    if (group[i].value()) return i;
  }
  return -1;
}

TEST_F(SecondDecoderSettings, InputAssignmentSelectsEachGroupAndMarksOnlyTheFirstButton) {
  struct Case {
    unsigned word;
    std::array<int, 4> buttons;  // aux, map selector, trigger B, index
  };
  ecu::FrmToolForm& tool = ecu::frm_tool();
  for (const Case c :
       {Case{0x0FFF, {1, 0, 0, 0}}, Case{0x0000, {0, 1, 1, 1}}, Case{0x02D0, {0, 3, 4, 2}},
        Case{0x0248, {0, 2, 2, 2}}, Case{0x00C0, {0, 1, 4, 1}}, Case{0xF000, {0, 1, 1, 1}}}) {
    SCOPED_TRACE(c.word);
    for (ui::Control* button : {static_cast<ui::Control*>(&tool.aux_in_used_as[0]),
                                static_cast<ui::Control*>(&tool.map_sel_used_as[0]),
                                static_cast<ui::Control*>(&tool.trig_b_used_as[0]),
                                static_cast<ui::Control*>(&tool.idx_used_as[0])}) {
      button->set_fore_colour(ui::colours::yellow);
    }
    deliver(0xF5, word_bytes(c.word));
    EXPECT_EQ(selected(tool.aux_in_used_as), c.buttons[0]);
    EXPECT_EQ(selected(tool.map_sel_used_as), c.buttons[1]);
    EXPECT_EQ(selected(tool.trig_b_used_as), c.buttons[2]);
    EXPECT_EQ(selected(tool.idx_used_as), c.buttons[3]);
    EXPECT_EQ(tool.aux_in_used_as[0].fore_colour(), ui::colours::black);
    EXPECT_EQ(tool.map_sel_used_as[0].fore_colour(), ui::colours::yellow);
    EXPECT_EQ(ecu::inpt_cgf, static_cast<ecu::Long>(c.word));
  }
}

TEST_F(SecondDecoderSettings, FieldValueWithoutButtonLeavesItsGroupAsItWas) {
  ecu::FrmToolForm& tool = ecu::frm_tool();
  deliver(0xF6, word_bytes(0x0000));
  // 5 in every field: no group has a button for it.
  deliver(0xF6, word_bytes(0x0B6D));
  EXPECT_EQ(selected(tool.aux_in_used_as), 0);
  EXPECT_EQ(selected(tool.map_sel_used_as), 1);
  EXPECT_EQ(selected(tool.trig_b_used_as), 1);
  EXPECT_EQ(selected(tool.idx_used_as), 1);
  EXPECT_EQ(tool.aux_in_used_as[0].fore_colour(), ui::colours::black);
}

TEST_F(SecondDecoderSettings, AnotherDecodersReplyPassesThroughUntouched) {
  ecu::reply_received = 0;
  ecu::rli_sft1 = 4;
  deliver(0x05, {0x10, 0x27});
  EXPECT_EQ(ecu::reply_received, 0);
  EXPECT_EQ(ecu::rli_sft1, 4);
}

}  // namespace
