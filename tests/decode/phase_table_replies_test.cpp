// Phase output masks, phase base angles, phases in use and the tach phases: rows of check
// boxes whose element 0 carries the row's change marker, and the angle fields.

#include <array>
#include <string>

#include "config/frm_tool.hpp"
#include "decode/setting_replies.hpp"
#include "decode/setting_reply_fixture.hpp"
#include "model/shared_state.hpp"

namespace {

using test::payload_bytes;
using test::word_bytes;

struct PhaseTableCase {
  const char* what;
  std::uint8_t read;
  std::uint8_t echo;
  std::array<ecu::Long, 16>* masks;
  ui::ControlArray<ui::CheckBox>& (*row)(int phase);
};

const std::array<PhaseTableCase, 2> kPhaseTables = {{
    {"injection", 0x7F, 0x80, &ecu::injp, &ecu::injector_phase_row},
    {"ignition", 0xA5, 0xA6, &ecu::ignp, &ecu::ignition_phase_row},
}};

// Every box ticked and every row marked changed, as after edits.
void mark_all_rows_changed(const PhaseTableCase& table) {
  for (int phase = 0; phase < 16; ++phase) {
    for (int output = 0; output < 8; ++output) table.row(phase)[output].set_value(1);
    table.row(phase)[0].set_caption("X");
  }
}

int ticked(ui::ControlArray<ui::CheckBox>& row) {
  int mask = 0;
  for (int output = 0; output < 8; ++output) mask |= row[output].value() << output;
  return mask;
}

class PhaseTableReplies : public test::SettingReplyTest {};

TEST_F(PhaseTableReplies, TableOfZerosClearsEveryBoxValueAndMarker) {
  for (const PhaseTableCase& table : kPhaseTables) {
    SCOPED_TRACE(table.what);
    mark_all_rows_changed(table);
    table.masks->fill(0x55);
    deliver(table.read, std::string(16, '\0'));
    for (int phase = 0; phase < 16; ++phase) {
      EXPECT_EQ(ticked(table.row(phase)), 0);
      EXPECT_EQ(table.row(phase)[0].caption(), "");
      EXPECT_EQ((*table.masks)[static_cast<std::size_t>(phase)], 0);
    }
  }
}

TEST_F(PhaseTableReplies, EachRowShowsItsOwnMaskBitByBit) {
  for (const PhaseTableCase& table : kPhaseTables) {
    SCOPED_TRACE(table.what);
    std::string masks;
    for (unsigned phase = 0; phase < 16; ++phase) masks += static_cast<char>(phase * 17 + 1);
    masks[3] = static_cast<char>(0x81);
    deliver(table.read, masks);
    for (int phase = 0; phase < 16; ++phase) {
      const int mask = static_cast<unsigned char>(masks[static_cast<std::size_t>(phase)]);
      EXPECT_EQ(ticked(table.row(phase)), mask) << "phase " << phase;
      EXPECT_EQ((*table.masks)[static_cast<std::size_t>(phase)], mask);
    }
    // 0x81: outputs 0 and 7 only.
    EXPECT_EQ(table.row(3)[0].value(), 1);
    EXPECT_EQ(table.row(3)[7].value(), 1);
    for (int output = 1; output < 7; ++output) EXPECT_EQ(table.row(3)[output].value(), 0);
  }
}

TEST_F(PhaseTableReplies, RowEchoShowsOnlyThatRowAndKeepsTheArray) {
  for (const PhaseTableCase& table : kPhaseTables) {
    SCOPED_TRACE(table.what);
    mark_all_rows_changed(table);
    (*table.masks)[15] = 0x33;
    deliver(table.echo, {15, 0x81});
    EXPECT_EQ(ticked(table.row(15)), 0x81);
    EXPECT_EQ(table.row(15)[0].caption(), "");
    EXPECT_EQ((*table.masks)[15], 0x33);
    for (int phase = 0; phase < 15; ++phase) {
      EXPECT_EQ(ticked(table.row(phase)), 0xFF);
      EXPECT_EQ(table.row(phase)[0].caption(), "X");
    }
  }
}

TEST_F(PhaseTableReplies, RowEchoBeyondTheTableIsTakenAndIgnored) {
  for (const PhaseTableCase& table : kPhaseTables) {
    for (const unsigned row : {16U, 200U, 255U}) {
      SCOPED_TRACE(row);
      mark_all_rows_changed(table);
      ecu::reply_received = 0;
      deliver(table.echo, {row, 0});
      EXPECT_EQ(ecu::reply_received, -1);
      for (int phase = 0; phase < 16; ++phase) {
        EXPECT_EQ(ticked(table.row(phase)), 0xFF);
        EXPECT_EQ(table.row(phase)[0].caption(), "X");
      }
    }
  }
}

TEST_F(PhaseTableReplies, TableReadOfWrongLengthChangesNothing) {
  for (const PhaseTableCase& table : kPhaseTables) {
    SCOPED_TRACE(table.what);
    mark_all_rows_changed(table);
    table.masks->fill(0x55);
    ecu::reply_received = 0;
    deliver(table.read, std::string(15, '\0'));
    deliver(table.read, std::string(17, '\0'));
    EXPECT_EQ(ecu::reply_received, 0);
    EXPECT_EQ(ticked(table.row(0)), 0xFF);
    EXPECT_EQ(table.row(0)[0].caption(), "X");
    EXPECT_EQ((*table.masks)[0], 0x55);
  }
}

TEST_F(PhaseTableReplies, BaseAnglesShowInQuarterDegrees) {
  std::string angles;
  const std::array<unsigned, 16> words = {2879, 0,    0xFFFF, 4,  1,  2,  3,  720,
                                          1440, 2160, 10,     11, 12, 13, 14, 15};
  for (const unsigned word : words) angles += word_bytes(word);
  ecu::FrmToolForm& tool = ecu::frm_tool();
  for (int phase = 0; phase < 16; ++phase)
    tool.ph_base_deg[phase].set_back_colour(ui::colours::yellow);
  deliver(0x9B, angles);
  const std::array<const char*, 16> texts = {
      "719.75", "0.00",   "16383.75", "1.00", "0.25", "0.50", "0.75", "180.00",
      "360.00", "540.00", "2.50",     "2.75", "3.00", "3.25", "3.50", "3.75"};
  for (int phase = 0; phase < 16; ++phase) {
    const auto slot = static_cast<std::size_t>(phase);
    EXPECT_EQ(tool.ph_base_deg[phase].text(), texts[slot]);
    EXPECT_EQ(tool.ph_base_deg[phase].back_colour(), ui::colours::white);
    EXPECT_EQ(ecu::phbt[slot], static_cast<ecu::Long>(words[slot]));
  }
}

TEST_F(PhaseTableReplies, BaseAngleEchoShowsOneElementAndKeepsTheArray) {
  ecu::FrmToolForm& tool = ecu::frm_tool();
  ecu::phbt[15] = 7;
  tool.ph_base_deg[14].set_text("edited");
  deliver(0x9C, payload_bytes({15}) + word_bytes(2879));
  EXPECT_EQ(tool.ph_base_deg[15].text(), "719.75");
  EXPECT_EQ(tool.ph_base_deg[15].back_colour(), ui::colours::white);
  EXPECT_EQ(tool.ph_base_deg[14].text(), "edited");
  EXPECT_EQ(ecu::phbt[15], 7);

  ecu::reply_received = 0;
  deliver(0x9C, payload_bytes({16}) + word_bytes(4));
  EXPECT_EQ(ecu::reply_received, -1);
  EXPECT_EQ(tool.ph_base_deg[15].text(), "719.75");
}

TEST_F(PhaseTableReplies, BaseAngleTableOfWrongLengthChangesNothing) {
  ecu::phbt[0] = 9;
  ecu::reply_received = 0;
  deliver(0x9B, std::string(31, '\x04'));
  EXPECT_EQ(ecu::reply_received, 0);
  EXPECT_EQ(ecu::phbt[0], 9);
  EXPECT_EQ(ecu::frm_tool().ph_base_deg[0].text(), "");
}

struct PhaseMaskRowCase {
  const char* what;
  std::uint8_t type;
  ui::ControlArray<ui::CheckBox> ecu::FrmToolForm::*boxes;
  ecu::Long* variable;
};

TEST_F(PhaseTableReplies, SixteenBitRowsShowEachBitThenClearTheirMarker) {
  const std::array<PhaseMaskRowCase, 4> rows = {{
      {"phases in use read", 0x9F, &ecu::FrmToolForm::ph_used, &ecu::ph_used_setting},
      {"phases in use echo", 0xA0, &ecu::FrmToolForm::ph_used, &ecu::ph_used_setting},
      {"tach phases read", 0xB0, &ecu::FrmToolForm::tach_ph, &ecu::tach_ph_setting},
      {"tach phases echo", 0xB1, &ecu::FrmToolForm::tach_ph, &ecu::tach_ph_setting},
  }};
  struct Mask {
    unsigned word;
    std::array<int, 3> ticked_elements;  // -1: none
  };
  for (const PhaseMaskRowCase& row : rows) {
    for (const Mask mask :
         {Mask{0x8001, {0, 15, -1}}, Mask{0x8005, {0, 2, 15}}, Mask{0, {-1, -1, -1}}}) {
      SCOPED_TRACE(std::string(row.what) + " " + std::to_string(mask.word));
      ui::ControlArray<ui::CheckBox>& boxes = ecu::frm_tool().*row.boxes;
      for (int b = 0; b < 16; ++b) boxes[b].set_value(1);
      boxes[0].set_caption("X");
      deliver(row.type, word_bytes(mask.word));
      for (int b = 0; b < 16; ++b) {
        const bool expected = b == mask.ticked_elements[0] || b == mask.ticked_elements[1] ||
                              b == mask.ticked_elements[2];
        EXPECT_EQ(boxes[b].value(), expected ? 1 : 0) << "element " << b;
      }
      EXPECT_EQ(boxes[0].caption(), "");
      EXPECT_EQ(*row.variable, static_cast<ecu::Long>(mask.word));
    }
  }
}

}  // namespace
