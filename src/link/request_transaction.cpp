#include <algorithm>
#include <array>
#include <string>

#include "link/link_channel.hpp"
#include "link/receive_framer.hpp"
#include "link/relay_server.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_dialog.hpp"
#include "shell/frm_retries.hpp"
#include "ui/clock.hpp"
#include "ui/event_loop.hpp"
#include "ui/form.hpp"
#include "ui/format.hpp"

namespace ecu {
namespace {

constexpr int kAttempts = 10;
constexpr int kFirstAttemptShown = 3;
constexpr std::size_t kFrameLength = 8;
constexpr std::size_t kCommandBytes = 4;
constexpr char kCommandPad = '0';
constexpr Integer kNoChoice = -1;
// Longest idle step of a wait: short enough that timers and a reply are served at once.
constexpr double kIdleStepSeconds = 0.001;
// A reply that has begun to arrive finishes within a few byte times (0.26 ms at 38400 baud).
constexpr double kTrickleStepSeconds = 0.00025;
constexpr double kShortestIdleSeconds = 0.00005;

enum DialogChoice : Integer { kTryAgain = 0, kDemo = 1, kAbort = 2, kTerminate = 3 };

bool transaction_running = false;

// Holds the busy flag for one transaction, however it ends.
class BusyScope {
 public:
  BusyScope() { transaction_running = true; }
  ~BusyScope() { transaction_running = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
};

ui::UserInput loop_input() {
  return transaction_running ? ui::UserInput::hold : ui::UserInput::allow;
}

// Time to idle: at most one step, not past a timer's tick or the end of the wait, but never
// nothing, so that time passes even on a clock that moves only while the link sleeps.
double idle_step(double step, double remaining) {
  const double until_timer = ui::event_loop().seconds_until_next_timer();
  return std::clamp(std::min({step, remaining, until_timer}), kShortestIdleSeconds, step);
}

// Sleeps by the clock in use; a manual clock in tests moves forward instead.
void sleep_for(double seconds) {
  if (seconds > 0) ui::clock().sleep_seconds(seconds);
}

// Blocks on the line for up to `seconds`, so that a reply ends the idling at once. When the
// line came back early without input (a clock that does not run by itself), the rest of the
// step is slept by the clock.
void idle_on_channel(LinkChannel& channel, double seconds) {
  const double before = ui::clock().monotonic_seconds();
  if (channel.wait_for_input(seconds)) return;
  const double waited = ui::clock().monotonic_seconds() - before;
  if (waited < seconds * 0.5) sleep_for(seconds - waited);
}

// Waits until exactly `count` bytes wait or the time-out passed; false when the line failed.
bool wait_channel_bytes(LinkChannel& channel, double timeout_seconds, Integer count) {
  const double start = ui::clock().monotonic_seconds();
  while (true) {
    const bool ran = ui::event_loop().pass(loop_input());
    const auto waiting = channel.bytes_waiting();
    if (!waiting) return false;
    if (count >= 0 && *waiting == static_cast<std::size_t>(count)) return true;
    const double elapsed = ui::clock().monotonic_seconds() - start;
    if (elapsed > timeout_seconds) return true;
    if (ran) continue;
    const double remaining = timeout_seconds - elapsed;
    if (*waiting == 0) {
      idle_on_channel(channel, idle_step(kIdleStepSeconds, remaining));
    } else {
      // Bytes already wait, so the line would wake at once: sleep instead.
      sleep_for(idle_step(kTrickleStepSeconds, remaining));
    }
  }
}

std::string failure_message() {
  if (remote_server_ip.empty()) return "Communications has failed, Run Demo mode?";
  if (remote_server_answered != 0) {
    return "Communications has failed, Remote server IS responding, ECU hardware is NOT.";
  }
  return "Communications has failed, Remote server IS NOT responding";
}

Integer ask_after_failure() {
  auto& dialog = frm_Dialog();
  constexpr std::array<const char*, 4> kCaptions{"Try Again", "Demo", "Abort", "Terminate"};
  for (int i = 0; i < dialog.dialog_button.count(); ++i) {
    dialog.dialog_button[i].set_caption(kCaptions.at(static_cast<std::size_t>(i)));
    dialog.dialog_button[i].set_visible(true);
  }
  dialog.dialog_caption.set_caption(failure_message());
  // A choice left over from an earlier use must not be taken for this one.
  dialog.dialog_choice = kNoChoice;
  dialog.show_modal();
  const FrmDialogForm* shown = frm_Dialog.if_loaded();
  return shown != nullptr ? shown->dialog_choice : kNoChoice;
}

void act_on_failure_choice(Integer choice) {
  switch (choice) {
    case kDemo:
      demo_mode = kTrue;
      break;
    case kAbort:
      comm_aborted = kTrue;
      break;
    case kTerminate:
      ui::end_program();
      break;
    default:
      // "Try Again", or the dialog closed through its frame: return without a reply.
      break;
  }
}

// One attempt: send, wait, count, frame. False when the line failed.
bool run_attempt(LinkChannel& channel, const std::string& frame, Integer expected_length) {
  if (!channel.send_frame(frame, expected_length)) return false;
  tx_byte_counts[0] += static_cast<std::int64_t>(frame.size());
  tx_byte_counts[1] += static_cast<std::int64_t>(frame.size());
  if (!wait_channel_bytes(channel, channel.reply_timeout_seconds(), expected_length)) return false;
  const auto waiting = channel.bytes_waiting();
  if (!waiting) return false;
  rx_byte_counts[0] += static_cast<std::int64_t>(*waiting);
  rx_byte_counts[1] += static_cast<std::int64_t>(*waiting);
  return receive_reply_from(channel);
}

}  // namespace

std::string build_request_frame(const std::string& command) {
  std::string frame{'\x02', static_cast<char>(kFrameLength)};
  frame += command.substr(0, kCommandBytes);
  frame.resize(2 + kCommandBytes, kCommandPad);
  unsigned sum = 0;
  for (const char byte : frame) sum += static_cast<unsigned char>(byte);
  frame += static_cast<char>(sum & 0xFFU);
  frame += static_cast<char>(sum >> 8);
  return frame;
}

bool link_busy() {
  return transaction_running;
}

void yield_to_message_loop() {
  ui::event_loop().pass(loop_input());
}

void send_request(const std::string& command, Integer& expected_length) {
  // A request made by a handler that runs inside a transaction's waits would share the
  // port's input and the reply flag with it: it returns at once, changing nothing.
  if (transaction_running) return;
  if (comm_aborted == kTrue || demo_mode == kTrue || link_ready != kTrue) return;
  // While the relay window serves a remote console, the serial line is its alone.
  if (relay_server_active()) return;
  const BusyScope busy;

  LinkChannel& channel = active_link_channel();
  bool line_ok = channel.discard_stale_input();
  // A line that fails already here is given up like one that fails during an attempt.
  if (!line_ok) channel.abandon();
  const std::string frame = build_request_frame(command);
  expected_length = static_cast<Integer>(expected_length + 2);

  for (int attempt = 0; attempt < kAttempts;) {
    yield_to_message_loop();
    reply_received = 0;
    if (line_ok && !run_attempt(channel, frame, expected_length)) {
      // The line failed under us: give it up so the next open_comm_link reopens it; the
      // remaining attempts fail at once and the user gets the usual choice.
      line_ok = false;
      channel.abandon();
    }
    if (reply_received == -1) return;
    ++attempt;
    if (attempt >= kFirstAttemptShown) {
      frm_retries().retries.set_caption(ui::str_integer(attempt));
      yield_to_message_loop();
    }
    if (ui::program_ending()) return;
  }

  if (demo_mode == kTrue) return;
  act_on_failure_choice(ask_after_failure());
}

void delay_seconds(Single seconds) {
  const double start = ui::clock().monotonic_seconds();
  while (true) {
    const bool ran = ui::event_loop().pass(loop_input());
    const double elapsed = ui::clock().monotonic_seconds() - start;
    if (elapsed > static_cast<double>(seconds)) return;
    if (!ran) {
      sleep_for(idle_step(kIdleStepSeconds, static_cast<double>(seconds) - elapsed));
    }
  }
}

Single afr_to_lambda(Single afr) {
  // Before start-up has set the unit the factor is 0; read the value as lambda then.
  return afr_factor != 0.0F ? afr / afr_factor : afr;
}

Single lambda_to_afr(Single lambda) {
  return afr_factor * lambda;
}

Long low_byte(Long value) {
  return value & 0xFF;
}

// An arithmetic shift: the sign is kept, as the controller's signed words expect.
Long high_byte(Long value) {
  return value >> 8;
}

}  // namespace ecu
