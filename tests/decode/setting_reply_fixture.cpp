#include "decode/setting_reply_fixture.hpp"

#include <exception>

#include "decode/display_values.hpp"
#include "decode/reply_decoders.hpp"
#include "decode/setting_replies.hpp"
#include "model/shared_state.hpp"
#include "support/controller_replies.hpp"

namespace test {

std::string payload_bytes(std::initializer_list<unsigned> bytes) {
  std::string payload;
  for (const unsigned byte : bytes) payload += static_cast<char>(byte & 0xFFU);
  return payload;
}

std::string word_bytes(unsigned value) {
  return payload_bytes({value & 0xFFU, value >> 8});
}

void SettingReplyTest::SetUp() {
  DecodeTest::SetUp();
  ecu::reset_display_values();
  ecu::allow_feature_version_warning();
}

void SettingReplyTest::deliver(std::uint8_t type, const std::string& payload) {
  const ecu::ReplyFrame frame(reply_frame(type, payload));
  const auto n = ecu::check_reply_frame(frame);
  ASSERT_TRUE(n.has_value()) << "the test built a frame the framer drops";
  ecu::decode_ascii_reply(frame, *n);
  ecu::decode_binary_reply_1(frame, *n);
  ecu::decode_binary_reply_2(frame, *n);
}

void SettingReplyTest::deliver_raw(const ecu::ReplyFrame& frame, ecu::Integer n) {
  for (auto* decoder :
       {&ecu::decode_ascii_reply, &ecu::decode_binary_reply_1, &ecu::decode_binary_reply_2}) {
    try {
      decoder(frame, n);
    } catch (const std::exception&) {
      // The framer ends a decoder's work on a frame that lacks a byte it reads.
    }
  }
}

}  // namespace test
