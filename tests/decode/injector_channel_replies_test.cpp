// The per-channel injector tables: table reads fill the array and the fields, element echoes
// the field only.

#include <array>
#include <string>

#include "config/frm_tool.hpp"
#include "decode/setting_reply_fixture.hpp"
#include "model/shared_state.hpp"

namespace {

using test::payload_bytes;
using test::word_bytes;
using Tool = ecu::FrmToolForm;

struct InjectorTable {
  const char* what;
  std::uint8_t read, echo;
  std::array<ecu::Long, 8>* array;
  ui::ControlArray<ui::TextBox> Tool::*fields;
};

const std::array<InjectorTable, 4> kTables = {{
    {"gain", 0xC9, 0xCC, &ecu::injk, &Tool::inj_gain},
    {"offset", 0xCA, 0xCD, &ecu::injo, &Tool::inj_offset},
    {"minimum pulse", 0x0C, 0x0D, &ecu::injl, &Tool::inj_min},
    {"maximum pulse", 0xCB, 0xCE, &ecu::injm, &Tool::inj_max},
}};

struct WordCase {
  unsigned word;
  ecu::Long stored;
  const char* text;
};

// Per table: what channel 0 to 7 receive and must show.
const std::array<std::array<WordCase, 8>, 4> kWords = {{
    {{{4096, 4096, "1.000"},
      {0, 0, "0.000"},
      {65535, 65535, "16.000"},
      {2048, 2048, "0.500"},
      {6144, 6144, "1.500"},
      {1, 1, "0.000"},
      {40960, 40960, "10.000"},
      {8192, 8192, "2.000"}}},
    {{{0xFFFF, -1, "-0.002"},
      {0x8000, -32768, "-52.429"},
      {0x7FFF, 32767, "52.427"},
      {625, 625, "1.000"},
      {0, 0, "0.000"},
      {0xFD8F, -625, "-1.000"},
      {3125, 3125, "5.000"},
      {1, 1, "0.002"}}},
    {{{0xFFFF, 65535, "104.856"},
      {0, 0, "0.000"},
      {625, 625, "1.000"},
      {0x8000, 32768, "52.429"},
      {1250, 1250, "2.000"},
      {1, 1, "0.002"},
      {2, 2, "0.003"},
      {3125, 3125, "5.000"}}},
    {{{6250, 6250, "10.000"},
      {0xFFFF, 65535, "104.856"},
      {0, 0, "0.000"},
      {625, 625, "1.000"},
      {9375, 9375, "15.000"},
      {12500, 12500, "20.000"},
      {1, 1, "0.002"},
      {32767, 32767, "52.427"}}},
}};

class InjectorChannelReplies : public test::SettingReplyTest {};

TEST_F(InjectorChannelReplies, TableReadStoresAndShowsEveryChannel) {
  for (std::size_t t = 0; t < kTables.size(); ++t) {
    const InjectorTable& table = kTables[t];
    SCOPED_TRACE(table.what);
    ui::ControlArray<ui::TextBox>& fields = ecu::frm_tool().*table.fields;
    std::string payload;
    for (const WordCase& c : kWords[t]) payload += word_bytes(c.word);
    for (int ch = 0; ch < 8; ++ch) fields[ch].set_back_colour(ui::colours::yellow);
    deliver(table.read, payload);
    for (int ch = 0; ch < 8; ++ch) {
      const WordCase& c = kWords[t][static_cast<std::size_t>(ch)];
      EXPECT_EQ((*table.array)[static_cast<std::size_t>(ch)], c.stored) << ch;
      EXPECT_EQ(fields[ch].text(), c.text) << ch;
      EXPECT_EQ(fields[ch].back_colour(), ui::colours::white) << ch;
    }
  }
}

TEST_F(InjectorChannelReplies, EchoShowsTheStoredElementButLeavesTheArray) {
  for (std::size_t t = 0; t < kTables.size(); ++t) {
    const InjectorTable& table = kTables[t];
    SCOPED_TRACE(table.what);
    ui::ControlArray<ui::TextBox>& fields = ecu::frm_tool().*table.fields;
    table.array->fill(77);
    fields[7].set_back_colour(ui::colours::yellow);
    const WordCase& c = kWords[t][1];
    deliver(table.echo, payload_bytes({7}) + word_bytes(c.word));
    EXPECT_EQ(fields[7].text(), c.text);
    EXPECT_EQ(fields[7].back_colour(), ui::colours::white);
    EXPECT_EQ((*table.array)[7], 77);
    EXPECT_EQ(fields[6].text(), "");
  }
}

TEST_F(InjectorChannelReplies, EchoNamingNoChannelIsTakenAndIgnored) {
  for (const InjectorTable& table : kTables) {
    SCOPED_TRACE(table.what);
    ecu::reply_received = 0;
    deliver(table.echo, payload_bytes({8}) + word_bytes(625));
    EXPECT_EQ(ecu::reply_received, -1);
    for (int ch = 0; ch < 8; ++ch) EXPECT_EQ((ecu::frm_tool().*table.fields)[ch].text(), "");
  }
}

TEST_F(InjectorChannelReplies, RepliesOfWrongLengthChangeNothing) {
  for (const InjectorTable& table : kTables) {
    SCOPED_TRACE(table.what);
    table.array->fill(5);
    ecu::reply_received = 0;
    deliver(table.read, std::string(15, '\x01'));
    deliver(table.echo, payload_bytes({1, 2}));
    EXPECT_EQ(ecu::reply_received, 0);
    EXPECT_EQ((*table.array)[0], 5);
    EXPECT_EQ((ecu::frm_tool().*table.fields)[1].text(), "");
  }
}

}  // namespace
