// Each request takes an answer to itself on a line paced at 38400 baud, whatever came before
// it: noise holding look-alikes of the answer, an answer cut by the time-out, the answer to an
// earlier attempt. Every answer carries the number of the request frame it answers, so a
// value shows whose answer was taken.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
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

INSTANTIATE_TEST_SUITE_P(Delivered, OwnAnswerTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& param_info) {
                           return param_info.param ? "ByteByByte" : "InChunks";
                         });

}  // namespace
