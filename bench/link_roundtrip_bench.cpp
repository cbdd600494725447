// Round trips of send_request over a pseudo-terminal against the simulated controller.
// Prints the time a transaction adds to the line's own round trip, the processor time
// each transaction costs, and the processor share of the wait while a slow controller
// takes 50 ms to answer.
//
// Usage: link_roundtrip_bench [transactions, default 5000]

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_clock.hpp"
#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/request.hpp"
#include "link/request_transaction.hpp"
#include "model/shared_state.hpp"
#include "sim/simulated_controller.hpp"
#include "ui/form.hpp"

namespace {

using bench::thread_cpu_seconds;
using bench::wall_seconds;

constexpr ecu::Integer kStatusLength = 21;
constexpr std::size_t kStatusFrameLength = 23;
constexpr int kSlowTransactions = 40;
constexpr double kSlowReplySeconds = 0.05;

struct Summary {
  double median_us;
  double p99_us;
  double mean_us;
};

Summary summarize(std::vector<double> seconds) {
  std::sort(seconds.begin(), seconds.end());
  double total = 0;
  for (const double s : seconds) total += s;
  const auto at = [&](double fraction) {
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(seconds.size() - 1));
    return seconds[index] * 1e6;
  };
  return {at(0.5), at(0.99), total / static_cast<double>(seconds.size()) * 1e6};
}

// The line's own round trip: the same frame written and its reply read with a blocking
// wait, no message loop, no framer, no decoders.
std::vector<double> raw_round_trips(int count) {
  const std::string frame = ecu::build_request_frame("C");
  ecu::SerialPort& port = ecu::comm_port();
  std::vector<double> times;
  times.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const double start = wall_seconds();
    port.write(frame);
    while (port.bytes_waiting().value_or(kStatusFrameLength) < kStatusFrameLength) {
      port.wait_readable(0.1);
    }
    port.read_all();
    times.push_back(wall_seconds() - start);
  }
  return times;
}

struct TransactionRun {
  std::vector<double> times;
  double cpu_seconds;
  double wall_seconds;
  int failures;
};

TransactionRun transactions(int count) {
  TransactionRun run{{}, 0, 0, 0};
  run.times.reserve(static_cast<std::size_t>(count));
  const double cpu_start = thread_cpu_seconds();
  const double wall_start = wall_seconds();
  for (int i = 0; i < count; ++i) {
    ecu::Integer length = kStatusLength;
    const double start = wall_seconds();
    ecu::send_request("C", length);
    run.times.push_back(wall_seconds() - start);
    if (ecu::reply_received != -1) ++run.failures;
  }
  run.cpu_seconds = thread_cpu_seconds() - cpu_start;
  run.wall_seconds = wall_seconds() - wall_start;
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(100, std::atoi(argv[1])) : 5000;
  sim::SimulatedController controller(1, sim::ControllerTime::system);
  ecu::com_port = 1;
  ecu::open_comm_link();
  if (ecu::link_ready != ecu::kTrue) {
    std::fprintf(stderr, "could not open the simulated controller's line\n");
    return 1;
  }

  transactions(200);  // warm-up
  const Summary raw = summarize(raw_round_trips(count));
  const TransactionRun fast = transactions(count);
  const Summary link = summarize(fast.times);

  controller.set_reply_delay(kSlowReplySeconds);
  const TransactionRun slow = transactions(kSlowTransactions);
  const Summary slow_times = summarize(slow.times);
  ecu::set_serial_port_factory(nullptr);
  // Windows the decoders loaded go before the static registry they sit in.
  ui::discard_all_forms();

  std::printf("link round trip over a pseudo-terminal, %d status requests ('C', 23-byte reply)\n",
              count);
  std::printf("  line alone (blocking read):  median %8.1f us   p99 %8.1f us\n", raw.median_us,
              raw.p99_us);
  std::printf("  send_request:                median %8.1f us   p99 %8.1f us   mean %8.1f us\n",
              link.median_us, link.p99_us, link.mean_us);
  std::printf("  added by the transaction:    median %8.1f us   p99 %8.1f us\n",
              link.median_us - raw.median_us, link.p99_us - raw.p99_us);
  std::printf("  processor time per transaction: %.1f us (%.1f%% of the wall time)\n",
              fast.cpu_seconds / count * 1e6, fast.cpu_seconds / fast.wall_seconds * 100.0);
  std::printf("  failed transactions: %d\n", fast.failures + slow.failures);
  std::printf("controller answering after %.0f ms, %d requests\n", kSlowReplySeconds * 1000,
              kSlowTransactions);
  std::printf("  send_request:                median %8.1f us   p99 %8.1f us\n",
              slow_times.median_us, slow_times.p99_us);
  std::printf("  processor share while waiting: %.2f%% of one core (%.1f us per transaction)\n",
              slow.cpu_seconds / slow.wall_seconds * 100.0,
              slow.cpu_seconds / kSlowTransactions * 1e6);
  return fast.failures + slow.failures == 0 ? 0 : 1;
}
