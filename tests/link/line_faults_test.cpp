// The link stays in step when one reply goes wrong on a line paced like the real one.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/request.hpp"
#include "link_test.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_dialog.hpp"
#include "support/simulated_controller.hpp"

namespace {

struct FaultCase {
  const char* name;
  test::Misbehaviour fault;
  std::size_t most_extra_attempts = 2;
};

class LineFaultTest : public test::LinkTest, public ::testing::WithParamInterface<FaultCase> {};

// 'C' is answered with 23 bytes; at 38400 baud one exchange takes 31 byte times (8 ms).
TEST_P(LineFaultTest, OneFaultyReplyCostsAnExtraAttemptOrTwoAndLaterOnesGoThroughAtOnce) {
  const FaultCase& c = GetParam();
  test::SimulatedController controller(1);
  controller.set_line_rate(38400);
  ecu::com_port = 1;
  ecu::open_comm_link();
  ASSERT_EQ(ecu::link_ready, ecu::kTrue);
  test::CaptionRecorder recorder("retries");
  ui::forms().set_observer(&recorder);

  controller.set_misbehaviour(c.fault, 1);
  ecu::Integer length = 21;
  ecu::send_request("C", length);
  EXPECT_EQ(ecu::reply_received, -1);

  constexpr std::size_t kLaterTransactions = 3;
  for (std::size_t later = 1; later <= kLaterTransactions; ++later) {
    const std::size_t before = controller.request_count();
    ecu::send_request("C", length = 21);
    EXPECT_EQ(ecu::reply_received, -1) << "transaction " << later << " after the fault";
    // The line is in step again at the latest by the last one.
    if (later == kLaterTransactions) {
      EXPECT_EQ(controller.request_count(), before + 1);
    }
  }
  // A fault costs one extra attempt. On a loaded machine a sender that pauses inside a faulty
  // reply may move that cost to the next transaction, never add to it.
  EXPECT_LE(controller.request_count(), 1 + kLaterTransactions + c.most_extra_attempts);
  EXPECT_FALSE(ecu::frm_Dialog.loaded());
  EXPECT_EQ(std::count(recorder.shown_forms.begin(), recorder.shown_forms.end(), "frm_Dialog"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EachFaultKind, LineFaultTest,
    ::testing::Values(FaultCase{"GarbageBeforeTheReply", test::Misbehaviour::garbage_before},
                      FaultCase{"StrayBytesAfterIt", test::Misbehaviour::extra_bytes},
                      FaultCase{"OnePayloadByteTooMany", test::Misbehaviour::extra_payload_byte},
                      FaultCase{"LengthByteTooLarge", test::Misbehaviour::wrong_length_byte},
                      // The retry takes the late answer; its own answer, which follows,
                      // is waited out before the next request goes.
                      FaultCase{"LateAnswer", test::Misbehaviour::late, 1},
                      FaultCase{"DroppedAnswer", test::Misbehaviour::silent}),
    [](const ::testing::TestParamInfo<FaultCase>& fault_case) {
      return std::string(fault_case.param.name);
    });

}  // namespace
