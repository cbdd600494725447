// The command table and the decoders' dispatch: every reply type reaches the one decoder
// that owns it, and only at its fixed length.

#include <gtest/gtest.h>

#include <set>

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

TEST_F(ReplyDecodersTest, OnlyTheOwningDecoderTakesEachReplyAndOnlyAtItsLength) {
  for (const CommandInfo& row : ecu::command_table()) {
    const ecu::Integer n = row.reply_length;
    EXPECT_EQ(accepting_decoders(frame_of(row.code, n), n), std::vector<ReplyDecoder>{row.decoder})
        << row.name;
    EXPECT_TRUE(
        accepting_decoders(frame_of(row.code, n + 1), static_cast<ecu::Integer>(n + 1)).empty())
        << row.name << " one byte long";
    if (n > 3) {
      EXPECT_TRUE(
          accepting_decoders(frame_of(row.code, n - 1), static_cast<ecu::Integer>(n - 1)).empty())
          << row.name << " one byte short";
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
