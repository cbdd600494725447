// The link stays in step when one reply goes wrong, on a line paced like the real one and
// against a controller that answers at once.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>

#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/request.hpp"
#include "link/request_transaction.hpp"
#include "link_test.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_dialog.hpp"
#include "sim/simulated_controller.hpp"
#include "support/watched_ports.hpp"

namespace {

struct FaultCase {
  const char* name;
  sim::Misbehaviour fault;
  std::size_t most_extra_attempts = 2;
};

struct LineCase {
  const char* name;
  int baud;  // 0: the whole reply at once, as soon as the request is in
};

class LineFaultTest : public test::LinkTest,
                      public ::testing::WithParamInterface<std::tuple<FaultCase, LineCase>> {};

// What one run costs: requests in all, and those of the last transaction.
struct RunCost {
  std::size_t requests = 0;
  std::size_t last_transaction_requests = 0;
};

constexpr std::size_t kLaterTransactions = 3;

// One faulty reply, then three clean transactions; every transaction must be answered.
RunCost run_fault_then_clean_transactions(const FaultCase& c, int baud) {
  sim::SimulatedController controller(1);
  controller.set_line_rate(baud);
  ecu::com_port = 1;
  ecu::open_comm_link();
  EXPECT_EQ(ecu::link_ready, ecu::kTrue);

  controller.set_misbehaviour(c.fault, 1);
  ecu::Integer length = 21;
  ecu::send_request("C", length);
  EXPECT_EQ(ecu::reply_received, -1);

  RunCost cost;
  for (std::size_t later = 1; later <= kLaterTransactions; ++later) {
    const std::size_t before = controller.request_count();
    ecu::send_request("C", length = 21);
    EXPECT_EQ(ecu::reply_received, -1) << "transaction " << later << " after the fault";
    cost.last_transaction_requests = controller.request_count() - before;
  }
  cost.requests = controller.request_count();
  test::use_system_serial_port();
  return cost;
}

// 'C' is answered with 23 bytes; at 38400 baud one exchange takes 31 byte times (8 ms).
// Nothing here depends on timing but the late answer coming after one attempt's wait: the
// stale bytes a fault leaves are told from the next reply by their framing alone. The
// tests' time holds while the controller owes an answer in time, so a loaded machine
// costs no attempt.
TEST_P(LineFaultTest, OneFaultyReplyCostsAnExtraAttemptOrTwoAndLaterOnesGoThroughAtOnce) {
  const FaultCase& c = std::get<0>(GetParam());
  test::CaptionRecorder recorder("retries");
  ui::forms().set_observer(&recorder);

  // A fault costs an extra attempt at most, wherever its stale bytes land, and the line is
  // in step again at the latest by the last transaction.
  const std::size_t most_requests = 1 + kLaterTransactions + c.most_extra_attempts;
  const RunCost cost = run_fault_then_clean_transactions(c, std::get<1>(GetParam()).baud);
  EXPECT_LE(cost.requests, most_requests);
  EXPECT_EQ(cost.last_transaction_requests, 1U);
  EXPECT_FALSE(ecu::frm_Dialog.loaded());
  EXPECT_EQ(std::count(recorder.shown_forms.begin(), recorder.shown_forms.end(), "frm_Dialog"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EachFaultKind, LineFaultTest,
    ::testing::Combine(
        ::testing::Values(FaultCase{"GarbageBeforeTheReply", sim::Misbehaviour::garbage_before, 0},
                          FaultCase{"StrayBytesAfterIt", sim::Misbehaviour::extra_bytes, 0},
                          FaultCase{"OnePayloadByteTooMany", sim::Misbehaviour::extra_payload_byte,
                                    1},
                          FaultCase{"LengthByteTooLarge", sim::Misbehaviour::wrong_length_byte, 1},
                          FaultCase{"BadSum", sim::Misbehaviour::bad_sum_low, 1},
                          // The retry takes the late answer or its own; whichever follows it is
                          // dropped before a later request or passed over by its framing.
                          FaultCase{"LateAnswer", sim::Misbehaviour::late, 1},
                          FaultCase{"DroppedAnswer", sim::Misbehaviour::silent, 1}),
        ::testing::Values(LineCase{"Paced", 38400}, LineCase{"AnsweredAtOnce", 0})),
    [](const ::testing::TestParamInfo<std::tuple<FaultCase, LineCase>>& param_info) {
      return std::string(std::get<0>(param_info.param).name) + std::get<1>(param_info.param).name;
    });

}  // namespace
