// Random and truncated frames of every reply type through the three decoders. Run under the
// sanitizers, these find any read or write outside a frame, an array or a control array.

#include <exception>
#include <random>
#include <string>
#include <typeinfo>

#include "decode/command_table.hpp"
#include "decode/reply_decoders.hpp"
#include "decode/setting_reply_fixture.hpp"
#include "model/shared_state.hpp"
#include "support/controller_replies.hpp"

namespace {

constexpr int kRoundsPerType = 40;

std::string random_bytes(std::mt19937& random, std::size_t count) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes += static_cast<char>(byte(random));
  return bytes;
}

// Runs the decoders as the framer does; returns the name of anything other than a missing
// byte that a decoder threw, or empty.
std::string run_decoders(const ecu::ReplyFrame& frame, ecu::Integer n) {
  std::string unexpected;
  for (auto* decoder :
       {&ecu::decode_ascii_reply, &ecu::decode_binary_reply_1, &ecu::decode_binary_reply_2}) {
    try {
      decoder(frame, n);
    } catch (const ecu::ReplyByteMissing&) {
      // The framer traps this: the decoder's work on the frame ends.
    } catch (const std::exception& error) {
      unexpected = typeid(error).name() + std::string(": ") + error.what();
    }
  }
  return unexpected;
}

class ReplyFuzz : public test::SettingReplyTest {};

TEST_F(ReplyFuzz, WholeFramesOfTheRightLengthDecodeWithoutReadingPastThem) {
  std::mt19937 random(20003);
  for (const ecu::CommandInfo& row : ecu::command_table()) {
    SCOPED_TRACE(row.name);
    for (int round = 0; round < kRoundsPerType; ++round) {
      const auto payload = random_bytes(random, static_cast<std::size_t>(row.reply_length - 3));
      const ecu::ReplyFrame frame(test::reply_frame(row.code, payload));
      const auto n = ecu::check_reply_frame(frame);
      ASSERT_TRUE(n.has_value());
      ecu::reply_received = 0;
      bool threw = false;
      for (auto* decoder :
           {&ecu::decode_ascii_reply, &ecu::decode_binary_reply_1, &ecu::decode_binary_reply_2}) {
        try {
          decoder(frame, *n);
        } catch (const std::exception& error) {
          threw = true;
          ADD_FAILURE() << error.what();
        }
      }
      EXPECT_FALSE(threw);
      EXPECT_EQ(ecu::reply_received, -1);
    }
  }
}

TEST_F(ReplyFuzz, TruncatedFramesOnlyEverMissABytePastTheirEnd) {
  std::mt19937 random(1602);
  for (const ecu::CommandInfo& row : ecu::command_table()) {
    SCOPED_TRACE(row.name);
    for (int round = 0; round < kRoundsPerType; ++round) {
      // The length the table expects, but fewer bytes than that arrived.
      std::uniform_int_distribution<int> kept(0, row.reply_length - 1);
      std::string bytes = test::reply_frame(
          row.code, random_bytes(random, static_cast<std::size_t>(row.reply_length - 3)));
      bytes.resize(static_cast<std::size_t>(kept(random)));
      EXPECT_EQ(run_decoders(ecu::ReplyFrame(bytes), row.reply_length), "");
    }
  }
}

TEST_F(ReplyFuzz, RandomFramesAreTakenOnlyAtTheirTypesLength) {
  std::mt19937 random(38400);
  std::uniform_int_distribution<int> type(0, 255);
  std::uniform_int_distribution<int> size(0, 97);
  for (int round = 0; round < 256 * kRoundsPerType; ++round) {
    const auto code = static_cast<std::uint8_t>(type(random));
    const ecu::ReplyFrame frame(
        test::reply_frame(code, random_bytes(random, static_cast<std::size_t>(size(random)))));
    const auto n = ecu::check_reply_frame(frame);
    if (!n) continue;
    ecu::reply_received = 0;
    ASSERT_EQ(run_decoders(frame, *n), "") << "type " << int{code};
    const ecu::ReplyType& owner = ecu::reply_type(code);
    EXPECT_EQ(ecu::reply_received, owner.known && owner.reply_length == *n ? -1 : 0)
        << "type " << int{code} << " n " << *n;
  }
}

TEST_F(ReplyFuzz, ArbitraryLengthsAndBytesNeverFault) {
  std::mt19937 random(115);
  std::uniform_int_distribution<int> size(0, 120);
  std::uniform_int_distribution<int> length(-5, 120);
  for (int round = 0; round < 256 * kRoundsPerType; ++round) {
    const std::string bytes = random_bytes(random, static_cast<std::size_t>(size(random)));
    const auto n = static_cast<ecu::Integer>(length(random));
    ASSERT_EQ(run_decoders(ecu::ReplyFrame(bytes), n), "");
  }
}

}  // namespace
