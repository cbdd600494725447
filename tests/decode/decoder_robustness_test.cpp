#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "decode/decode_test_support.hpp"
#include "decode/reply_decoders.hpp"
#include "link/receive_framer.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

using DecoderRobustnessTest = test::DecodeTest;

// Every reply type decoded by the live-data, status, memory-read, monitor, idle-air and
// channel runtime cases, with the length its case accepts.
struct OwnedType {
  std::uint8_t type;
  int n;
};
constexpr OwnedType kOwnedTypes[] = {
    {'A', 63}, {'B', 12}, {'C', 21},  {'R', 5},   {'-', 6},   {'+', 4},   {'F', 7},  {'X', 6},
    {'x', 6},  {'D', 3},  {'d', 3},   {'E', 6},   {'e', 6},   {'r', 14},  {'q', 21}, {'k', 32},
    {'l', 37}, {0x98, 9}, {0xB2, 18}, {0x81, 30}, {0xCF, 37}, {0xF8, 34},
};

std::string random_bytes(std::mt19937& random, int count) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes;
  for (int i = 0; i < count; ++i) bytes += static_cast<char>(byte(random));
  return bytes;
}

// Each view changes which controls the cases write.
constexpr Integer kViews[] = {0, 1, 4, 8};

TEST_F(DecoderRobustnessTest, RandomPayloadsOfTheRightLengthDecodeWithoutFault) {
  std::mt19937 random(20240611);
  for (const OwnedType& owned : kOwnedTypes) {
    for (int round = 0; round < 40; ++round) {
      current_view = kViews[round % 4];
      reply_received = 0;
      test::receive(owned.type, random_bytes(random, owned.n - 3));
      ASSERT_EQ(reply_received, -1) << static_cast<int>(owned.type);
    }
  }
}

TEST_F(DecoderRobustnessTest, PayloadsOfEveryOtherLengthAreDropped) {
  std::mt19937 random(7);
  for (const OwnedType& owned : kOwnedTypes) {
    for (int payload = 0; payload <= 95; ++payload) {
      if (payload == owned.n - 3) continue;
      reply_received = 0;
      test::receive(owned.type, random_bytes(random, payload));
      ASSERT_EQ(reply_received, 0) << static_cast<int>(owned.type) << " " << payload;
    }
  }
  EXPECT_EQ(mem_value, 0);
  EXPECT_FLOAT_EQ(engine_rpm_raw, 0.0F);
}

TEST_F(DecoderRobustnessTest, TruncatedAndCorruptedFramesReachNoDecoder) {
  std::mt19937 random(99);
  for (const OwnedType& owned : kOwnedTypes) {
    const std::string frame = sim::reply_frame(owned.type, random_bytes(random, owned.n - 3));
    for (std::size_t cut = 0; cut < frame.size(); ++cut) {
      reply_received = 0;
      test::receive_bytes(frame.substr(0, cut));
      ASSERT_EQ(reply_received, 0) << static_cast<int>(owned.type) << " cut at " << cut;
    }
    std::string bad_sum = frame;
    bad_sum.back() = static_cast<char>(bad_sum.back() ^ 0x10);
    test::receive_bytes(bad_sum);
    EXPECT_EQ(reply_received, 0);
  }
}

TEST_F(DecoderRobustnessTest, OnlyGoodFramesOfTheRightLengthCountAsReceived) {
  std::mt19937 random(4242);
  std::uniform_int_distribution<int> length(0, 120);
  std::uniform_int_distribution<int> spread(-2, 2);
  int accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    current_view = kViews[round % 4];
    const OwnedType& owned = kOwnedTypes[static_cast<std::size_t>(round) % std::size(kOwnedTypes)];
    std::string bytes;
    if (round % 3 == 0) {
      bytes = random_bytes(random, length(random));
    } else {
      const int payload = std::max(0, owned.n - 3 + spread(random));
      bytes = sim::reply_frame(owned.type, random_bytes(random, payload));
      if (round % 3 == 2) {
        // Damage one byte other than the type: the length byte, a payload byte or the sum.
        std::uniform_int_distribution<std::size_t> at(3, bytes.size() - 1);
        const std::size_t damaged = round % 6 == 2 ? 1 : at(random);
        bytes[damaged] = static_cast<char>(bytes[damaged] ^ (1 << (round % 8)));
      }
    }
    const ReplyFrame frame(bytes);
    const std::optional<Integer> n = check_reply_frame(frame);
    const bool expected =
        n && reply_type(frame.at(2)).known && reply_type(frame.at(2)).reply_length == *n;
    if (expected && round % 3 == 0) continue;  // random bytes of another owner's type
    reply_received = 0;
    test::receive_bytes(bytes);
    ASSERT_EQ(reply_received == -1, expected) << "round " << round;
    accepted += expected ? 1 : 0;
  }
  EXPECT_GT(accepted, 100);
}

// Straight into the decoders with a frame that holds fewer bytes than n claims, as no
// checked frame can: a case may stop with the framer's missing-byte error, never read past
// what was received.
TEST_F(DecoderRobustnessTest, FrameShorterThanItsLengthIsNeverReadPastItsEnd) {
  std::mt19937 random(5);
  for (const OwnedType& owned : kOwnedTypes) {
    for (int held = 3; held < owned.n; ++held) {
      std::string bytes = random_bytes(random, held);
      bytes[2] = static_cast<char>(owned.type);
      const ReplyFrame frame(bytes);
      const Integer n = static_cast<Integer>(owned.n);
      for (auto* decoder : {&decode_ascii_reply, &decode_binary_reply_1, &decode_binary_reply_2}) {
        try {
          decoder(frame, n);
        } catch (const ReplyByteMissing& missing) {
          EXPECT_NE(std::string(missing.what()).find("was not received"), std::string::npos);
        }
      }
    }
  }
}

}  // namespace
}  // namespace ecu
