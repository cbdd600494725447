// The receive framer: which frames reach the decoders, the field readers, and the interval
// between accepted replies.

#include <gtest/gtest.h>

#include "link/comm_link.hpp"
#include "link/receive_framer.hpp"
#include "link/relay_server.hpp"
#include "link/reply_interval.hpp"
#include "link/request.hpp"
#include "link/request_transaction.hpp"
#include "link_test.hpp"
#include "model/shared_state.hpp"
#include "sim/simulated_controller.hpp"
#include "support/fake_serial_port.hpp"
#include "views/frm_mon.hpp"

namespace {

using test::bytes;
using test::reply_frame;

std::string with_byte(std::string frame, std::size_t index, int value) {
  frame[index] = static_cast<char>(value);
  return frame;
}

// A frame whose length byte is wrong but whose sum is right, so only the length test fails.
std::string with_length_byte(std::string frame, int length) {
  const std::size_t end = frame.size() - 2;
  frame[1] = static_cast<char>(length);
  unsigned sum = 0;
  for (std::size_t i = 0; i < end; ++i) sum += static_cast<unsigned char>(frame[i]);
  frame[end] = static_cast<char>(sum & 0xFFU);
  frame[end + 1] = static_cast<char>(sum >> 8);
  return frame;
}

struct FramerCase {
  const char* what;
  std::string input;
  std::optional<ecu::Integer> n;
};

TEST(ReceiveFramer, AcceptsWellFormedFramesAndDropsEveryMalformedOne) {
  const std::string status = reply_frame('C', std::string(18, '\x11'));
  const std::string link_byte = reply_frame('+', bytes({0x42}));
  const std::string reset_answer = reply_frame(0xAE, bytes({0xA5}));
  std::string longest_payload(95, '\x01');
  const FramerCase cases[] = {
      {"status block", status, 21},
      {"six bytes give n = 4", link_byte, 4},
      {"first byte is not tested", reply_frame('+', bytes({0x42}), 0xFF), 4},
      {"length byte above the count", with_length_byte(status, 24), std::nullopt},
      {"length byte below the count", with_length_byte(status, 22), std::nullopt},
      {"extra bytes after a frame", status + bytes({0, 0}), std::nullopt},
      {"reset answer with extra bytes", reset_answer + bytes({0x00, 0x00}), 4},
      {"reset answer longer than what arrived", with_length_byte(reset_answer, 10), std::nullopt},
      {"reset answer claiming two bytes", with_length_byte(reset_answer + "xx", 2), std::nullopt},
      {"wrong low sum byte", with_byte(status, 21, status[21] + 1), std::nullopt},
      {"wrong high sum byte", with_byte(status, 22, status[22] + 1), std::nullopt},
      {"one byte", bytes({0x02}), std::nullopt},
      {"two bytes", bytes({0x02, 0x02}), std::nullopt},
      {"cut short", status.substr(0, 21), std::nullopt},
      {"100 bytes fit", reply_frame(0x22, longest_payload), 98},
      {"more than 100 bytes", reply_frame(0x22, longest_payload + "\x01"), std::nullopt},
  };
  for (const FramerCase& c : cases) {
    EXPECT_EQ(ecu::check_reply_frame(ecu::ReplyFrame(c.input)), c.n) << c.what;
  }
}

TEST(ReplyFrame, HoldsOnlyTheBytesReceivedAndRefusesReadsBeyondThem) {
  const ecu::ReplyFrame frame(bytes({0x02, 0x07, 0x34, 0x12, 0xFF}));
  ecu::Integer index = 2;
  EXPECT_EQ(ecu::read_word(frame, index), 4660);
  EXPECT_EQ(index, 4);
  EXPECT_EQ(ecu::read_byte(frame, index), 255);
  EXPECT_EQ(index, 5);
  EXPECT_THROW((void)ecu::read_byte(frame, index), ecu::ReplyByteMissing);
  index = 4;
  EXPECT_THROW((void)ecu::read_word(frame, index), ecu::ReplyByteMissing)
      << "the word's high byte never arrived";
  EXPECT_THROW((void)frame.at(-1), ecu::ReplyByteMissing);

  const ecu::ReplyFrame oversized(std::string(150, '\x05'));
  EXPECT_EQ(oversized.count(), ecu::ReplyFrame::kPlaces);
  EXPECT_EQ(oversized.received_count(), 150);
  EXPECT_FALSE(oversized.has(100));
}

class FramerOnLineTest : public test::LinkTest {
 protected:
  void open_link() {
    ecu::com_port = 1;
    ecu::open_comm_link();
    ASSERT_EQ(ecu::link_ready, ecu::kTrue);
  }
  // A controller that answers every status request at once, read by the monitor.
  ui::ManualClock& open_monitor_on_status_line() {
    auto line = test::install_fake_serial_port();
    ui::ManualClock& clock = use_manual_clock();
    line->responder = [](test::FakeLine& l, const std::string&) {
      l.input = reply_frame('C', std::string(18, '\0'));
    };
    open_link();
    ecu::current_view = 1;
    ecu::frm_mon().show();
    return clock;
  }
};

TEST_F(FramerOnLineTest, DropsMalformedReplyAndTakesTheGoodOneOfTheNextAttempt) {
  struct Case {
    const char* what;
    sim::Misbehaviour behaviour;
    std::int64_t dropped;
    std::size_t attempts = 2;
  };
  const Case cases[] = {
      {"bad low sum", sim::Misbehaviour::bad_sum_low, 1},
      {"bad high sum", sim::Misbehaviour::bad_sum_high, 1},
      {"wrong length byte", sim::Misbehaviour::wrong_length_byte, 1},
      // The frame is whole before them: they are dropped and the frame taken.
      {"stray bytes after a good frame", sim::Misbehaviour::extra_bytes, 0, 1},
      {"frame cut short", sim::Misbehaviour::short_frame, 1},
      {"garbage", sim::Misbehaviour::garbage, 1},
      {"no answer", sim::Misbehaviour::silent, 0},
  };
  sim::SimulatedController controller(1);
  open_link();
  for (const Case& c : cases) {
    const std::size_t before = controller.request_count();
    const std::int64_t dropped_before = ecu::dropped_reply_count();
    controller.set_misbehaviour(c.behaviour, 1);
    ecu::Integer length = 21;
    ecu::send_request("C", length);
    EXPECT_EQ(ecu::reply_received, -1) << c.what;
    EXPECT_EQ(controller.request_count() - before, c.attempts) << c.what;
    EXPECT_EQ(ecu::dropped_reply_count() - dropped_before, c.dropped) << c.what;
  }
  EXPECT_FALSE(ecu::frm_Dialog.loaded());
}

// What one test leaves on the link never reaches the next: the counts and the relay mark
// go back to program start with the shared state.
TEST_F(FramerOnLineTest, LinkStateGoesBackToProgramStartWithTheSharedState) {
  sim::SimulatedController controller(1);
  open_link();
  controller.set_misbehaviour(sim::Misbehaviour::garbage, 1);
  ecu::Integer length = 21;
  ecu::send_request("C", length);
  ASSERT_EQ(ecu::dropped_reply_count(), 1);
  ASSERT_EQ(ecu::taken_reply_count(), 1);
  ecu::set_relay_server_active(true);
  ecu::transaction_running = true;

  ecu::reset_shared_state();
  ecu::reset_link_state();

  EXPECT_EQ(ecu::dropped_reply_count(), 0);
  EXPECT_EQ(ecu::taken_reply_count(), 0);
  EXPECT_EQ(ecu::unanswered_reply_count(), 0);
  EXPECT_FLOAT_EQ(ecu::shown_reply_interval_ms, 0.0F);
  EXPECT_FALSE(ecu::relay_server_active());
  EXPECT_FALSE(ecu::link_busy());
}

TEST_F(FramerOnLineTest, AcceptsResetAnswerFollowedByExtraBytes) {
  sim::SimulatedController controller(1);
  open_link();
  controller.set_misbehaviour(sim::Misbehaviour::extra_bytes);
  ecu::Integer length = 4;
  ecu::send_request(bytes({0xAE, 0xA5, 0x00, 0x00}), length);
  EXPECT_EQ(ecu::reply_received, -1);
  EXPECT_EQ(controller.request_count(), 1U);
  EXPECT_EQ(ecu::dropped_reply_count(), 0);
}

TEST_F(FramerOnLineTest, ReplyOfATypeNoDecoderOwnsCountsAsFailedAttempt) {
  auto line = test::install_fake_serial_port();
  use_manual_clock();
  line->responder = [](test::FakeLine& l, const std::string&) {
    l.input = reply_frame(0x05, bytes({0, 0, 0}));
  };
  open_link();
  press_dialog_button(0);
  ecu::Integer length = 6;
  ecu::send_request(bytes({0x05}), length);
  EXPECT_EQ(ecu::reply_received, 0);
  EXPECT_EQ(line->writes.size(), 10U);
  EXPECT_EQ(ecu::dropped_reply_count(), 0) << "a good frame nobody owns is not malformed";
}

TEST_F(FramerOnLineTest, AveragesTheLastSixteenReplyIntervalsForTheMonitor) {
  ui::ManualClock& clock = open_monitor_on_status_line();
  auto request_status = [&] {
    clock.advance(0.05);
    ecu::Integer length = 21;
    ecu::send_request("C", length);
    ASSERT_EQ(ecu::reply_received, -1);
  };
  // The first interval runs from midnight and stays among the last sixteen for 16 replies.
  clock.set_time_of_day(12 * 3600.0);
  for (int reply = 1; reply <= 16; ++reply) {
    request_status();
    EXPECT_FLOAT_EQ(ecu::shown_reply_interval_ms, 9999.9F) << "reply " << reply;
    EXPECT_EQ(ecu::frm_mon().group_delay.caption(), "9999.9") << "reply " << reply;
  }
  request_status();
  EXPECT_NEAR(ecu::shown_reply_interval_ms, 50.0F, 0.01F);
  EXPECT_EQ(ecu::frm_mon().group_delay.caption(), "50.0");

  // Other views leave the shown value alone.
  ecu::current_view = 2;
  clock.advance(1.0);
  request_status();
  EXPECT_NEAR(ecu::shown_reply_interval_ms, 50.0F, 0.01F);
  EXPECT_EQ(ecu::frm_mon().group_delay.caption(), "50.0");
  ecu::current_view = 1;
  request_status();
  EXPECT_NEAR(ecu::shown_reply_interval_ms, (14 * 50.0F + 1050.0F + 50.0F) / 16, 0.01F);
  EXPECT_EQ(ecu::frm_mon().group_delay.caption(), "112.5");
}

TEST_F(FramerOnLineTest, FirstReplyIntervalRunsFromMidnight) {
  ui::ManualClock& clock = open_monitor_on_status_line();
  // Four seconds after midnight: one interval of 4 s among sixteen averages 250 ms.
  clock.set_time_of_day(4.0);
  ecu::Integer length = 21;
  ecu::send_request("C", length);
  ASSERT_EQ(ecu::reply_received, -1);
  EXPECT_EQ(ecu::frm_mon().group_delay.caption(), "250.0");
}

TEST_F(FramerOnLineTest, FrameIsWhatWaitedWhenCountedAndLaterBytesAreConsumed) {
  auto line = test::install_fake_serial_port();
  use_manual_clock();
  const std::string status = reply_frame('C', std::string(18, '\x22'));
  line->responder = [&](test::FakeLine& l, const std::string&) { l.input = status; };
  int late_bytes_added = 0;
  line->before_read = [&](test::FakeLine& l) {
    // Two bytes land after the framer counted the reply (the wait had taken it off the
    // port), once.
    if (!l.input.empty() || l.writes.empty() || late_bytes_added > 0) return;
    l.input += bytes({0x00, 0x00});
    ++late_bytes_added;
  };
  open_link();
  ecu::Integer length = 21;
  ecu::send_request("C", length);
  EXPECT_EQ(late_bytes_added, 1);
  EXPECT_EQ(ecu::reply_received, -1);
  EXPECT_EQ(line->writes.size(), 1U) << "the first attempt's frame was taken";
  EXPECT_EQ(ecu::dropped_reply_count(), 0);
  EXPECT_TRUE(line->input.empty()) << "the late bytes were read with it";
}

}  // namespace
