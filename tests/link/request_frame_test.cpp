// The request frame on the wire, the transaction's entry gates and the small value functions.

#include <gtest/gtest.h>

#include "link/comm_link.hpp"
#include "link/request.hpp"
#include "link/request_transaction.hpp"
#include "link_test.hpp"
#include "model/shared_state.hpp"
#include "sim/simulated_controller.hpp"
#include "support/fake_serial_port.hpp"

namespace {

using test::bytes;

struct FrameCase {
  const char* what;
  std::string command;
  std::string wire;
};

TEST(RequestFrame, PadsWithAsciiZeroCutsAtFourBytesAndAddsLittleEndianSum) {
  const FrameCase cases[] = {
      {"code alone", "C", bytes({0x02, 0x08, 0x43, 0x30, 0x30, 0x30, 0xDD, 0x00})},
      {"memory write", bytes({'e', 0x10, 0x01, 0x7F}),
       bytes({0x02, 0x08, 0x65, 0x10, 0x01, 0x7F, 0xFF, 0x00})},
      {"reset, sum above 255", bytes({0xAE, 0xA5, 0x00, 0x00}),
       bytes({0x02, 0x08, 0xAE, 0xA5, 0x00, 0x00, 0x5D, 0x01})},
      {"three bytes padded once", bytes({'E', 0x23, 0x01}),
       bytes({0x02, 0x08, 0x45, 0x23, 0x01, 0x30, 0xA3, 0x00})},
      {"five characters send four", "ABCDE",
       bytes({0x02, 0x08, 0x41, 0x42, 0x43, 0x44, 0x14, 0x01})},
      {"high byte values stay unsigned", bytes({'e', 0xFF, 0xFF, 0xFF}),
       bytes({0x02, 0x08, 0x65, 0xFF, 0xFF, 0xFF, 0x6C, 0x03})},
  };
  for (const FrameCase& c : cases) {
    EXPECT_EQ(ecu::build_request_frame(c.command), c.wire) << c.what;
  }
}

class RequestWireTest : public test::LinkTest {};

struct WireCase {
  std::string command;
  ecu::Integer expected_length;
  std::string wire;
};

TEST_F(RequestWireTest, SendsFrameBytesUnchangedOverTheSerialLineAndTakesTheReply) {
  sim::SimulatedController controller(1);
  ecu::com_port = 1;
  ecu::open_comm_link();
  ASSERT_EQ(ecu::link_ready, ecu::kTrue);

  const WireCase cases[] = {
      {"C", 21, bytes({0x02, 0x08, 0x43, 0x30, 0x30, 0x30, 0xDD, 0x00})},
      {bytes({'e', 0x10, 0x01, 0x7F}), 6, bytes({0x02, 0x08, 0x65, 0x10, 0x01, 0x7F, 0xFF, 0x00})},
      {bytes({0xAE, 0xA5, 0x00, 0x00}), 4, bytes({0x02, 0x08, 0xAE, 0xA5, 0x00, 0x00, 0x5D, 0x01})},
  };
  std::size_t sent = 0;
  std::string all_frames;
  for (const WireCase& c : cases) {
    all_frames += c.wire;
    ecu::Integer length = c.expected_length;
    ecu::send_request(c.command, length);
    ++sent;
    EXPECT_EQ(ecu::reply_received, -1) << "reply to " << c.wire;
    EXPECT_EQ(length, c.expected_length + 2) << "the length variable holds the whole reply";
    const auto frames = controller.request_frames();
    ASSERT_EQ(frames.size(), sent) << "one attempt per request";
    EXPECT_EQ(frames.back(), c.wire);
  }
  EXPECT_EQ(controller.received_bytes(), all_frames) << "nothing but the frames went out";
  EXPECT_EQ(controller.memory(0x0110), 0x7F) << "the write reached the controller's memory";
  EXPECT_EQ(ecu::tx_byte_counts[0], 24);
  EXPECT_EQ(ecu::rx_byte_counts[0], 23 + 8 + 6);
  EXPECT_EQ(controller.bad_request_count(), 0U);
}

TEST_F(RequestWireTest, ReturnsAtOnceWithoutSendingWhenLinkIsNotUsable) {
  struct Gate {
    const char* what;
    ecu::Flag comm_aborted, demo_mode, link_ready;
  };
  const Gate gates[] = {
      {"aborted", ecu::kTrue, ecu::kFalse, ecu::kTrue},
      {"demo mode", ecu::kFalse, ecu::kTrue, ecu::kTrue},
      {"link not ready", ecu::kFalse, ecu::kFalse, ecu::kFalse},
  };
  auto line = test::install_fake_serial_port();
  ecu::com_port = 1;
  ecu::open_comm_link();
  for (const Gate& gate : gates) {
    ecu::comm_aborted = gate.comm_aborted;
    ecu::demo_mode = gate.demo_mode;
    ecu::link_ready = gate.link_ready;
    ecu::reply_received = 7;
    ecu::Integer length = 21;
    ecu::send_request("C", length);
    EXPECT_EQ(length, 21) << gate.what;
    EXPECT_EQ(ecu::reply_received, 7) << gate.what;
    EXPECT_TRUE(line->writes.empty()) << gate.what;
    EXPECT_FALSE(ecu::frm_Dialog.loaded()) << gate.what;
  }
}

TEST(ValueFunctions, ConvertLambdaByTheUnitFactorAndSplitWords) {
  ecu::afr_factor = 14.7F;
  EXPECT_FLOAT_EQ(ecu::afr_to_lambda(14.7F), 1.0F);
  EXPECT_FLOAT_EQ(ecu::lambda_to_afr(0.8F), 11.76F);
  ecu::afr_factor = 1.0F;
  EXPECT_FLOAT_EQ(ecu::afr_to_lambda(0.95F), 0.95F);
  ecu::afr_factor = 0.0F;
  EXPECT_FLOAT_EQ(ecu::afr_to_lambda(0.95F), 0.95F) << "no unit chosen yet reads as lambda";

  struct Split {
    ecu::Long value, low, high;
  };
  const Split splits[] = {
      {0x1234, 0x34, 0x12}, {65535, 255, 255}, {255, 255, 0},
      {256, 0, 1},          {-1, 255, -1},     {-256, 0, -1},
  };
  for (const Split& s : splits) {
    EXPECT_EQ(ecu::low_byte(s.value), s.low) << s.value;
    EXPECT_EQ(ecu::high_byte(s.value), s.high) << s.value;
  }
}

}  // namespace
