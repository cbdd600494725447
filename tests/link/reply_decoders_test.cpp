// The command table and the decoders' dispatch: every reply type reaches the one decoder
// that owns it, and only at its fixed length.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "decode/command_table.hpp"
#include "decode/reply_decoders.hpp"
#include "link_test.hpp"
#include "model/shared_state.hpp"

namespace {

using ecu::CommandInfo;
using ecu::ReplyDecoder;

class ReplyDecodersTest : public test::ConsoleTest {};

ecu::ReplyFrame frame_of(int type, int n) {
  return ecu::ReplyFrame(
      test::reply_frame(type, std::string(static_cast<std::size_t>(n - 3), '\0')));
}

// Which of the three decoders set reply_received for the frame.
std::vector<ReplyDecoder> accepting_decoders(const ecu::ReplyFrame& frame, ecu::Integer n) {
  struct Entry {
    ReplyDecoder which;
    void (*decode)(const ecu::ReplyFrame&, const ecu::Integer&);
  };
  const Entry decoders[] = {{ReplyDecoder::ascii, &ecu::decode_ascii_reply},
                            {ReplyDecoder::binary_1, &ecu::decode_binary_reply_1},
                            {ReplyDecoder::binary_2, &ecu::decode_binary_reply_2}};
  std::vector<ReplyDecoder> accepted;
  for (const Entry& entry : decoders) {
    ecu::reply_received = 0;
    entry.decode(frame, n);
    if (ecu::reply_received == -1) accepted.push_back(entry.which);
  }
  return accepted;
}

// Every code's reply length n as the protocol gives it, grouped by n. Both rows of 0xAE
// (reset and re-flash) answer with n = 4.
struct ReplyLength {
  ecu::Integer n;
  std::vector<int> codes;
};
const std::vector<ReplyLength> kProtocolReplyLengths = {
    {3, {0x44, 0x64}},
    {4, {0x04, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x10, 0x11, 0x14, 0x15, 0x16, 0x17, 0x21,
         0x25, 0x28, 0x29, 0x2B, 0x31, 0x33, 0x35, 0x36, 0x3C, 0x3E, 0x3F, 0x54, 0x56, 0x57,
         0x5E, 0x63, 0x74, 0x76, 0x77, 0x7C, 0x7E, 0x82, 0x83, 0x90, 0x91, 0xA1, 0xA2, 0xA3,
         0xA4, 0xA7, 0xA8, 0xA9, 0xAE, 0xD1, 0xD2, 0xD3, 0xD5, 0xD6, 0xD7, 0xD8, 0xE3, 0xE4,
         0xE5, 0xE6, 0xF1, 0xF2, 0xF3, 0xF4, 0xF7, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE}},
    {5, {0x01, 0x02, 0x0E, 0x0F, 0x12, 0x13, 0x18, 0x19, 0x1A, 0x1B, 0x1E, 0x1F, 0x20, 0x27,
         0x2E, 0x2F, 0x32, 0x34, 0x3D, 0x40, 0x52, 0x53, 0x55, 0x5A, 0x62, 0x66, 0x67, 0x68,
         0x6D, 0x6F, 0x70, 0x73, 0x75, 0x7A, 0x7D, 0x80, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89,
         0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F, 0x94, 0x95, 0x9D, 0x9E, 0x9F, 0xA0, 0xA6, 0xAB,
         0xAD, 0xB0, 0xB1, 0xB3, 0xB4, 0xB7, 0xB8, 0xD4, 0xDD, 0xDE, 0xDF, 0xE0, 0xE7, 0xE8,
         0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF5, 0xF6}},
    {6,
     {0x03, 0x0D, 0x1D, 0x23, 0x24, 0x2D, 0x45, 0x58, 0x65, 0x78, 0x9C, 0xCC, 0xCD, 0xCE, 0xD0,
      0xDA, 0xDB, 0xDC, 0xE2}},
    {7, {0x46, 0xAA, 0xAC, 0xAF}},
    {9, {0x30, 0x98}},
    {11, {0x26, 0xE1}},
    {12, {0x42}},
    {14, {0x72}},
    {18, {0xB2}},
    {19, {0x0C, 0x1C, 0x7F, 0xA5, 0xC9, 0xCA, 0xCB}},
    {21, {0x43, 0x71}},
    {30, {0x81}},
    {32, {0x6B}},
    {34, {0xF8}},
    {35, {0x22, 0x9B}},
    {37, {0x6C, 0xCF}},
    {43, {0xD9}},
    {63, {0x41}},
};

TEST(CommandTable, EveryCodeWaitsForTheReplyLengthOfTheProtocol) {
  std::map<int, ecu::Integer> protocol;
  for (const ReplyLength& group : kProtocolReplyLengths) {
    for (const int code : group.codes) {
      EXPECT_TRUE(protocol.emplace(code, group.n).second) << code << " listed twice";
    }
  }
  EXPECT_EQ(protocol.size(), 199U);
  std::set<int> in_table;
  for (const CommandInfo& row : ecu::command_table()) {
    in_table.insert(row.code);
    ASSERT_EQ(protocol.count(row.code), 1U) << row.name << " is no code of the protocol";
    EXPECT_EQ(row.reply_length, protocol.at(row.code)) << row.name;
  }
  EXPECT_EQ(in_table.size(), protocol.size()) << "a code of the protocol is missing";
}

TEST_F(ReplyDecodersTest, OnlyTheOwningDecoderTakesEachReplyAndOnlyAtItsLength) {
  for (const ReplyLength& group : kProtocolReplyLengths) {
    const ecu::Integer n = group.n;
    for (const int code : group.codes) {
      const CommandInfo* row = ecu::find_command(static_cast<std::uint8_t>(code));
      ASSERT_NE(row, nullptr) << code;
      EXPECT_EQ(accepting_decoders(frame_of(code, n), n), std::vector<ReplyDecoder>{row->decoder})
          << row->name;
      EXPECT_TRUE(
          accepting_decoders(frame_of(code, n + 1), static_cast<ecu::Integer>(n + 1)).empty())
          << row->name << " one byte long";
      if (n > 3) {
        EXPECT_TRUE(
            accepting_decoders(frame_of(code, n - 1), static_cast<ecu::Integer>(n - 1)).empty())
            << row->name << " one byte short";
      }
    }
  }
}

TEST_F(ReplyDecodersTest, TypesWithoutOwnerChangeNothing) {
  std::set<int> owned;
  for (const CommandInfo& row : ecu::command_table()) owned.insert(row.code);
  int unowned = 0;
  for (int type = 0; type < 256; ++type) {
    if (owned.count(type) != 0) continue;
    ++unowned;
    EXPECT_FALSE(ecu::reply_type(static_cast<std::uint8_t>(type)).known) << type;
    for (int n : {3, 4, 5, 6, 21}) {
      EXPECT_TRUE(accepting_decoders(frame_of(type, n), static_cast<ecu::Integer>(n)).empty())
          << "type " << type << " n " << n;
    }
  }
  EXPECT_EQ(unowned, 57);
}

TEST(CommandTable, HoldsEveryCodeOnceExceptTheTwoActionsOfTheResetCode) {
  std::set<int> codes;
  for (const CommandInfo& row : ecu::command_table()) codes.insert(row.code);
  EXPECT_EQ(codes.size(), 199U);
  EXPECT_EQ(ecu::command_table().size(), 200U);
  for (int absent : {0x00, 0x05, 0xFF}) EXPECT_EQ(codes.count(absent), 0U) << absent;
  const CommandInfo* reset = ecu::find_command("reset_controller");
  const CommandInfo* reflash = ecu::find_command("prepare_reflash");
  ASSERT_NE(reset, nullptr);
  ASSERT_NE(reflash, nullptr);
  EXPECT_EQ(reset->code, 0xAE);
  EXPECT_EQ(reflash->code, 0xAE);
  EXPECT_EQ(reset->reply_length, reflash->reply_length);
  EXPECT_EQ(reset->decoder, reflash->decoder);
}

TEST(CommandTable, SharedCasesPairUpWithTheSameLengthAndDecoder) {
  for (const CommandInfo& row : ecu::command_table()) {
    if (row.shares_with == ecu::kNoSharedCode) continue;
    const CommandInfo* partner = ecu::find_command(static_cast<std::uint8_t>(row.shares_with));
    ASSERT_NE(partner, nullptr) << row.name;
    EXPECT_EQ(partner->shares_with, row.code) << row.name << " and " << partner->name;
    EXPECT_EQ(partner->reply_length, row.reply_length) << row.name;
    EXPECT_EQ(partner->decoder, row.decoder) << row.name;
    // Binary read/write pairs sit next to each other: write = read + 1.
    const bool binary_pair = row.kind == ecu::CommandKind::read &&
                             partner->kind == ecu::CommandKind::write &&
                             (row.code < 0x20 || row.code >= 0x80);
    if (binary_pair) {
      EXPECT_EQ(partner->code, row.code + 1) << row.name;
    }
  }
}

// A write is echoed with what the controller stored, so its reply carries the bytes its
// request carried: one byte gives n = 4, a word n = 5, an indexed word n = 6; a phase row
// comes back as the row and its 8-bit mask.
TEST(CommandTable, WritesAreEchoedWithTheirOwnPayloadLength) {
  struct Rule {
    ecu::RequestPayload payload;
    ecu::Integer n;
  };
  const Rule rules[] = {
      {ecu::RequestPayload::byte_value, 4},   {ecu::RequestPayload::word_value, 5},
      {ecu::RequestPayload::index_word, 6},   {ecu::RequestPayload::index_byte, 5},
      {ecu::RequestPayload::memory_write, 6}, {ecu::RequestPayload::row_mask, 5},
  };
  for (const CommandInfo& row : ecu::command_table()) {
    if (row.kind != ecu::CommandKind::write) continue;
    const Rule* rule = nullptr;
    for (const Rule& candidate : rules) {
      if (row.payload == candidate.payload) rule = &candidate;
    }
    ASSERT_NE(rule, nullptr) << row.name << " sends no value";
    EXPECT_EQ(row.reply_length, rule->n) << row.name;
    // A read sharing the write's case answers with the same value: it sends the code alone.
    if (row.shares_with != ecu::kNoSharedCode) {
      const CommandInfo* read = ecu::find_command(static_cast<std::uint8_t>(row.shares_with));
      ASSERT_NE(read, nullptr) << row.name;
      if (read->kind == ecu::CommandKind::read) {
        const bool memory = read->payload == ecu::RequestPayload::memory_read;
        EXPECT_TRUE(memory || read->payload == ecu::RequestPayload::none) << read->name;
      }
    }
  }
}

TEST(CommandTable, RowsMatchTheProtocolWherePeersRelyOnThem) {
  struct Expected {
    const char* name;
    int code;
    ecu::Integer n;
    ReplyDecoder decoder;
    ecu::RequestPayload payload;
  };
  const Expected rows[] = {
      {"read_live_data", 'A', 63, ReplyDecoder::ascii, ecu::RequestPayload::none},
      {"read_base_config", 'C', 21, ReplyDecoder::ascii, ecu::RequestPayload::none},
      {"read_memory_byte", 'E', 6, ReplyDecoder::ascii, ecu::RequestPayload::memory_read},
      {"write_memory_byte", 'e', 6, ReplyDecoder::ascii, ecu::RequestPayload::memory_write},
      {"read_memory_32", 'l', 37, ReplyDecoder::ascii, ecu::RequestPayload::memory_read},
      {"read_monitor_frame", 0x81, 30, ReplyDecoder::binary_2, ecu::RequestPayload::none},
      {"read_channel_runtime", 0xCF, 37, ReplyDecoder::binary_1, ecu::RequestPayload::none},
      {"read_feature_word", 0xB3, 5, ReplyDecoder::binary_1, ecu::RequestPayload::none},
      {"write_iac_clos", 0x85, 5, ReplyDecoder::binary_1, ecu::RequestPayload::word_value},
      {"read_boost_params", 0xD9, 43, ReplyDecoder::binary_1, ecu::RequestPayload::zeros},
      {"read_wheel_page", 0xF8, 34, ReplyDecoder::binary_2, ecu::RequestPayload::page},
      {"write_kill_timing", 0xA9, 4, ReplyDecoder::binary_1, ecu::RequestPayload::on_or_off},
      {"write_options", '|', 4, ReplyDecoder::ascii, ecu::RequestPayload::byte_value},
  };
  for (const Expected& expected : rows) {
    const CommandInfo* row = ecu::find_command(expected.name);
    ASSERT_NE(row, nullptr) << expected.name;
    EXPECT_EQ(row->code, expected.code) << expected.name;
    EXPECT_EQ(row->reply_length, expected.n) << expected.name;
    EXPECT_EQ(row->decoder, expected.decoder) << expected.name;
    EXPECT_EQ(row->payload, expected.payload) << expected.name;
  }
  EXPECT_EQ(ecu::find_command("no_such_command"), nullptr);
}

}  // namespace
