// Each request takes an answer to itself on a line paced at 38400 baud, whatever came before
// it: noise holding look-alikes of the answer, an answer cut by the time-out, the answer to an
// earlier attempt. Every answer carries the number of the request frame it answers, so a
// value shows whose answer was taken.

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/request.hpp"
#include "link_test.hpp"
#include "model/shared_state.hpp"
#include "paced_line.hpp"
#include "shell/frm_dialog.hpp"
#include "support/fake_serial_port.hpp"
#include "support/tick_form.hpp"

namespace {

using test::bytes;
using test::reply_frame;

using test::kByteSeconds;
using test::PacedLine;

// 0x0E is answered with 7 bytes: a word that reads 3591 (07 0E, the answer's own length and
// code) for request frames up to `last_3591`, and 3600 + n for frame n after them.
std::string crank_rpm_answer(std::size_t frame, std::size_t last_3591) {
  const int value = frame <= last_3591 ? 3591 : 3600 + static_cast<int>(frame);
  return reply_frame(0x0E, bytes({value & 0xFF, value >> 8}));
}

// 'A' is answered with 65 bytes (0x41, its own code) starting 41 41; the O2 sensor status word
// (bytes 6 and 7) carries the frame's number.
std::string live_data_answer(std::size_t frame) {
  std::string payload = bytes({0x41, 0x41, 0, static_cast<int>(frame), 0});
  payload.resize(60, ' ');
  return reply_frame('A', payload);
}

// Answers the failure dialog "Try Again" whenever it is up, and counts it.
struct FailureDialogs {
  int shown = 0;
  test::TickForm watch{1, [this] {
                         if (!ecu::frm_Dialog.loaded() || !ecu::frm_Dialog().visible()) return;
                         ++shown;
                         ecu::frm_Dialog().dialog_button[0].click();
                       }};
};

class OwnAnswerTest : public test::LinkTest, public ::testing::WithParamInterface<bool> {
 protected:
  // A paced fake line whose controller answers as `controller` says, delivered byte by byte
  // or in chunks as the test's parameter says.
  void open_paced_line(const PacedLine::Controller& controller) {
    fake_ = test::install_fake_serial_port();
    paced_ = std::make_unique<PacedLine>(*fake_, use_manual_clock(), GetParam(), controller);
    ecu::com_port = 1;
    ecu::open_comm_link();
    ASSERT_EQ(ecu::link_ready, ecu::kTrue);
  }
  // Sends `command` and returns the attempts it took (0: none was answered).
  std::size_t attempts_of(const std::string& command) {
    const std::size_t before = fake_->writes.size();
    ecu::send_command(command);
    return ecu::reply_received == -1 ? fake_->writes.size() - before : 0;
  }

  std::shared_ptr<test::FakeLine> fake_;
  std::unique_ptr<PacedLine> paced_;
};

// A whole look-alike with a wrong sum 0.3 ms after the first request, before its answer; the
// controller answers `delay` after a request is in. The first request takes one attempt, or
// two when the line fell quiet after the look-alike, and an answer to itself; every later
// request takes its own at its first attempt.
TEST_P(OwnAnswerTest, LookAlikeBeforeTheAnswerLeavesNoAnswerForTheNextRequest) {
  for (const double delay : {0.0, 0.001, 0.006, 0.04}) {
    SCOPED_TRACE(delay);
    TearDown();
    SetUp();
    open_paced_line([delay](PacedLine& line, std::size_t frame, double at) {
      if (frame == 1) line.send(bytes({0x00, 0x07, 0x0E, 0, 0, 0, 0}), at + 0.0003);
      line.send(crank_rpm_answer(frame, 2), at + 8 * kByteSeconds + delay);
    });
    const FailureDialogs dialogs;
    const std::size_t first = attempts_of(bytes({0x0E}));
    EXPECT_EQ(first, delay > 0.002 ? 2U : 1U);
    EXPECT_EQ(ecu::crk_rpmh, 3591);
    for (const std::size_t frame : {first + 1, first + 2}) {
      EXPECT_EQ(attempts_of(bytes({0x0E})), 1U);
      EXPECT_EQ(ecu::crk_rpmh, frame <= 2 ? 3591 : 3600 + static_cast<int>(frame));
    }
    EXPECT_EQ(dialogs.shown, 0);
  }
}

// Eight requests back to back, the first after a 65-byte look-alike of its answer with a wrong
// sum that the line falls quiet after.
TEST_P(OwnAnswerTest, BackToBackRequestsAfterALongLookAlikeEachTakeTheirOwnAnswer) {
  open_paced_line([](PacedLine& line, std::size_t frame, double at) {
    if (frame == 1) line.send(bytes({0x00, 0x41, 0x41}) + std::string(62, '\0'), at + 0.0003);
    line.send(live_data_answer(frame), at + 8 * kByteSeconds + 0.02);
  });
  EXPECT_EQ(attempts_of("A"), 2U);
  EXPECT_TRUE(ecu::o2_sensor_status == 1 || ecu::o2_sensor_status == 2);
  for (int frame = 3; frame <= 9; ++frame) {
    EXPECT_EQ(attempts_of("A"), 1U) << "frame " << frame;
    EXPECT_EQ(ecu::o2_sensor_status, frame);
  }
}

// The answer to the first request comes 97.5 ms after it, its first byte before the 0.1 s
// time-out and the rest after the retry went out, where it reads as the head of a look-alike
// with the retry's answer (07 0E 07 0E 2C 00 02 07); the line may pause 3 ms after the second
// byte of that answer. The retry passes the late answer over and takes its own, which is newer.
TEST_P(OwnAnswerTest, AnswerCutByTheTimeOutCostsOneAttemptAndTheRetryTakesItsOwn) {
  for (const double pause : {0.0, 0.003}) {
    SCOPED_TRACE(pause);
    TearDown();
    SetUp();
    open_paced_line([pause](PacedLine& line, std::size_t frame, double at) {
      const std::string answer = crank_rpm_answer(frame, 1);
      if (frame == 1) line.hold_from(at + 0.0978);
      if (frame == 1) return line.send(answer, at + 0.0975);
      line.send(answer.substr(0, 2), at + 8 * kByteSeconds);
      line.send(answer.substr(2), at + 10 * kByteSeconds + pause);
    });
    EXPECT_EQ(attempts_of(bytes({0x0E})), 2U);
    EXPECT_EQ(ecu::crk_rpmh, 3602);
    EXPECT_EQ(attempts_of(bytes({0x0E})), 1U);
    EXPECT_EQ(ecu::crk_rpmh, 3603);
  }
}

// The first attempt's answer (3000) comes 97.5 ms after it, its first byte before the 0.1 s
// time-out and the rest after the retry went out; the retry brings no answer of its own that
// a decoder can take. The earlier attempt's whole answer is taken, its value right, and the
// next request takes its own (3500).
TEST_P(OwnAnswerTest, RetryWithoutAnAnswerOfItsOwnTakesTheEarlierAttemptsWholeAnswer) {
  struct Case {
    const char* what;
    std::string retry_answer;
  };
  const Case cases[] = {
      {"no answer", ""},
      {"an answer with a wrong sum", bytes({0x02, 0x07, 0x0E, 0xAC, 0x0D, 0xD1, 0x00})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    open_paced_line([&c](PacedLine& line, std::size_t frame, double at) {
      if (frame == 1) {
        line.hold_from(at + 0.0978);
        return line.send(bytes({0x02, 0x07, 0x0E, 0xB8, 0x0B, 0xDA, 0x00}), at + 0.0975);
      }
      if (frame == 2) return line.send(c.retry_answer, at + 8 * kByteSeconds);
      line.send(bytes({0x02, 0x07, 0x0E, 0xAC, 0x0D, 0xD0, 0x00}), at + 8 * kByteSeconds);
    });
    EXPECT_EQ(attempts_of(bytes({0x0E})), 2U);
    EXPECT_EQ(ecu::crk_rpmh, 3000);
    EXPECT_EQ(attempts_of(bytes({0x0E})), 1U);
    EXPECT_EQ(ecu::crk_rpmh, 3500);
  }
}

// A monitor frame whose payload holds a short well-formed frame of its own type (00 05 81 86
// 00, its sum right), the line pausing 3 ms after it: that frame inside an answer still
// coming is no answer of the wrong length.
TEST_P(OwnAnswerTest, ShortFrameInsideAnAnswerStillComingDoesNotSpoilIt) {
  std::string payload(27, '\x10');
  payload.replace(15, 5, bytes({0x00, 0x05, 0x81, 0x86, 0x00}));
  const std::string answer = reply_frame(0x81, payload);
  open_paced_line([answer](PacedLine& line, std::size_t, double at) {
    line.send(answer.substr(0, 23), at + 8 * kByteSeconds);
    line.send(answer.substr(23), at + 31 * kByteSeconds + 0.003);
  });
  const FailureDialogs dialogs;
  for (int request = 1; request <= 3; ++request) EXPECT_EQ(attempts_of(bytes({0x81})), 1U);
  EXPECT_EQ(dialogs.shown, 0);
}

// Bursts of 16, 40 and 100 bytes of repeated answer heads ([any][the answer's length][its
// code][the address asked for] and up to three random bytes) before correct answers, the
// controller answering within 20 ms, drawn from a fixed seed; a quarter of them cut by the
// time-out anywhere up to the answer's head, the answer in time. Each costs one extra attempt
// at most, and the next request takes its own answer at once.
TEST_P(OwnAnswerTest, BurstsOfAnswerHeadsCostOneExtraAttemptAtMost) {
  // Each answer carries its frame's number where its decoder stores it.
  struct Code {
    std::string request;
    std::string payload;
    std::size_t number_at;
    std::function<long()> number;
  };
  const Code codes[] = {
      {bytes({0x0E}), bytes({0x07, 0x0E}), 0, [] { return ecu::crk_rpmh - 0x0E00; }},
      {bytes({'E', 0x10, 0x01}), bytes({0x10, 0x01, 0}), 2, [] { return ecu::mem_value; }},
      {"A", bytes({0x41, 0x41, 0, 0, 0}) + std::string(55, 'A'), 3,
       [] { return ecu::o2_sensor_status; }}};
  std::mt19937 random(40);
  const auto draw = [&](unsigned below) { return static_cast<int>(random() % below); };
  for (int n = 0; n < 180; ++n) {
    const Code& c = codes[n % 3];
    const std::size_t burst = std::array<std::size_t, 3>{16, 40, 100}[n / 3 % 3];
    const int length = static_cast<int>(c.payload.size()) + 5;
    const test::HeadBurstCase burst_case(burst, length, c.request, draw);
    TearDown();
    SetUp();
    open_paced_line(burst_case.controller([&c](std::size_t frame) {
      std::string payload = c.payload;
      payload[c.number_at] = static_cast<char>(frame);
      return reply_frame(c.request[0], payload);
    }));
    const FailureDialogs dialogs;
    const std::size_t taken = attempts_of(c.request);
    ASSERT_TRUE(taken == 1 || taken == 2) << "case " << n << ": " << taken;
    ASSERT_TRUE(c.number() >= 1 && c.number() <= static_cast<long>(taken)) << "case " << n;
    ASSERT_EQ(attempts_of(c.request), 1U) << "case " << n;
    ASSERT_EQ(c.number(), static_cast<long>(taken + 1)) << "case " << n << ": its own answer";
    ASSERT_EQ(dialogs.shown, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Delivered, OwnAnswerTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& param_info) {
                           return param_info.param ? "ByteByByte" : "InChunks";
                         });

}  // namespace
