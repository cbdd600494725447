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
