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
  float aftermath_seconds = 0.0F;  // the line is still busy with the fault's aftermath
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
  const std::size_t attempts = controller.request_count();
  // A fault costs one extra attempt, a late answer two; a sender pausing inside a faulty reply
  // (a loaded machine) may cost one more, never more than two in all.
  EXPECT_LE(attempts, 3U);
  // A late answer ends its transaction on arrival; the retry's own answer follows it.
  if (c.aftermath_seconds > 0) ecu::delay_seconds(c.aftermath_seconds);

  for (std::size_t later = 1; later <= 3; ++later) {
    ecu::send_request("C", length = 21);
    EXPECT_EQ(ecu::reply_received, -1) << "transaction " << later << " after the fault";
    EXPECT_EQ(controller.request_count(), attempts + later) << "one attempt each";
  }
  EXPECT_FALSE(ecu::frm_Dialog.loaded());
  EXPECT_EQ(std::count(recorder.shown_forms.begin(), recorder.shown_forms.end(), "frm_Dialog"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EachFaultKind, LineFaultTest,
    ::testing::Values(FaultCase{"GarbageBeforeTheReply", test::Misbehaviour::garbage_before},
                      FaultCase{"StrayBytesAfterIt", test::Misbehaviour::extra_bytes},
                      FaultCase{"OnePayloadByteTooMany", test::Misbehaviour::extra_payload_byte},
                      FaultCase{"LengthByteTooLarge", test::Misbehaviour::wrong_length_byte},
                      FaultCase{"LateAnswer", test::Misbehaviour::late, 0.2F},
                      FaultCase{"DroppedAnswer", test::Misbehaviour::silent}),
    [](const ::testing::TestParamInfo<FaultCase>& fault_case) {
      return std::string(fault_case.param.name);
    });

}  // namespace
