#include <algorithm>
#include <array>
#include <string>

#include "link/comm_port.hpp"
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
// One byte on the line: 10 bits (start, 8 data, stop) at 38400 baud, 0.26 ms.
constexpr double kByteSeconds = 10.0 / 38400.0;
// A reply is complete once the expected count has arrived and the line has then been quiet
// for longer than one byte takes: bytes of one reply follow each other without a gap, so a
// longer reply (a byte too many, garbage before it, stray bytes after it) is taken whole.
constexpr double kQuietLineSeconds = 1.5 * kByteSeconds;
// After leftovers were dropped, the line must stay quiet longer before the next request: a
// sender that paused inside a faulty reply is given time to finish it.
constexpr double kQuietAfterLeftoversSeconds = 0.002;
// A channel that reports input at once while nothing new came is slept on in these steps.
constexpr double kTrickleStepSeconds = kByteSeconds;
constexpr double kShortestIdleSeconds = 0.00005;

enum DialogChoice : Integer { kTryAgain = 0, kDemo = 1, kAbort = 2, kTerminate = 3 };

bool transaction_running = false;
// An attempt that ran out of time may still get its answer during the retry, and the
// retry's own answer then follows the transaction: the next two requests wait for a quiet
// line before they go.
constexpr int kQuietRequestsAfterTimeOut = 2;
int quiet_requests_owed = 0;

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

// Blocks on the line for up to `seconds` or until more than `seen` bytes wait, so that a new
// byte ends the idling at once. When the line came back early without input (a clock that
// does not run by itself), the rest of the step is slept by the clock; when it came back at
// once with nothing new (older input waiting), a short step is slept so the wait never spins.
void idle_on_channel(LinkChannel& channel, double seconds, std::size_t seen) {
  const double before = ui::clock().monotonic_seconds();
  const bool woke = channel.wait_for_input(seconds);
  const double waited = ui::clock().monotonic_seconds() - before;
  if (waited >= seconds * 0.5) return;
  if (!woke) {
    sleep_for(seconds - waited);
    return;
  }
  const auto waiting = channel.bytes_waiting();
  if (waiting && *waiting == seen) sleep_for(std::min(seconds - waited, kTrickleStepSeconds));
}

// Whether the bytes waiting (at least `count`) start with one well-formed frame, of that
// length or of the greater length its own length byte gives (a reply the decoders will
// refuse, but whole): the wait need not watch the line for more. Bytes that came after the
// frame (stray bytes behind a good frame) are no part of it: they are dropped, here or
// before the next attempt, and never reach its framer.
bool holds_whole_reply(LinkChannel& channel, std::size_t count) {
  const auto input = channel.peek_input();
  if (!input || input->size() < count || count < 2) return false;
  const std::size_t length =
      std::max(count, static_cast<std::size_t>(static_cast<unsigned char>((*input)[1])));
  if (input->size() < length) return false;
  const auto n = check_reply_frame(ReplyFrame(std::string_view(*input).substr(0, length)));
  if (!n || static_cast<std::size_t>(*n) + 2 != length) return false;
  return input->size() == length || channel.drop_input_beyond(length);
}

enum class WaitEnd { line_failed, reply_in, timed_out };

// Waits until at least `count` bytes wait and the line has been quiet since, or the time-out
// passed. The bytes end the wait at once only when they start with one whole frame;
// otherwise bytes of a longer (faulty) reply may still be arriving, and they must go to
// this attempt's framer, not to the next one.
// Bytes seen before the request sent at `sent_at` could have reached the controller are
// the tail of an earlier reply (stray bytes after a good frame, say) and are dropped.
WaitEnd wait_channel_bytes(LinkChannel& channel, double timeout_seconds, Integer count,
                           double sent_at) {
  const double start = ui::clock().monotonic_seconds();
  const double stale_until = sent_at + channel.earliest_reply_seconds();
  std::size_t seen = 0;
  double last_change = start;
  bool whole_reply = false;
  while (true) {
    const bool ran = ui::event_loop().pass(loop_input());
    auto waiting = channel.bytes_waiting();
    if (!waiting) return WaitEnd::line_failed;
    // Read after the count: every byte counted had arrived by then.
    const double now = ui::clock().monotonic_seconds();
    if (*waiting > 0 && now < stale_until) {
      if (!channel.drop_input(*waiting)) return WaitEnd::line_failed;
      waiting = 0;
    }
    const bool enough = count >= 0 && *waiting >= static_cast<std::size_t>(count);
    if (*waiting != seen) {
      seen = *waiting;
      last_change = now;
      whole_reply = enough && holds_whole_reply(channel, static_cast<std::size_t>(count));
    }
    const double quiet = now - last_change;
    if (enough && (whole_reply || quiet >= kQuietLineSeconds)) return WaitEnd::reply_in;
    const double elapsed = now - start;
    if (elapsed > timeout_seconds) return WaitEnd::timed_out;
    if (ran) continue;
    const double remaining = timeout_seconds - elapsed;
    const double step = enough ? kQuietLineSeconds - quiet : kIdleStepSeconds;
    idle_on_channel(channel, idle_step(step, remaining), seen);
  }
}

// Before every attempt: drops what is left of earlier replies (a late answer, the tail of a
// faulty one). When something was left, or an answer may still be on its way, the line
// must then stay quiet for a moment, so that a sender inside a reply finishes it before
// the request goes; a line that never goes quiet is given up on after one reply time-out
// and the attempt goes ahead. Bytes that follow a good reply at once are dropped after the
// request was sent (see wait_channel_bytes), so a clean line costs no wait here. False
// when the line failed (also when a lost port cannot be opened again).
bool settle_line(LinkChannel& channel) {
  // Nothing to count on a port that is lost: the discard opens it again first.
  const auto leftovers = channel.bytes_waiting();
  if (!channel.discard_stale_input()) return false;
  const bool answer_may_follow = quiet_requests_owed > 0;
  if (answer_may_follow) --quiet_requests_owed;
  if (leftovers.value_or(0) == 0 && !answer_may_follow) return true;
  const double start = ui::clock().monotonic_seconds();
  double last_arrival = start;
  while (true) {
    const auto waiting = channel.bytes_waiting();
    if (!waiting) return false;
    const double now = ui::clock().monotonic_seconds();
    if (*waiting > 0) {
      if (!channel.discard_stale_input()) return false;
      last_arrival = now;
    }
    const double quiet = now - last_arrival;
    if (quiet >= kQuietAfterLeftoversSeconds || now - start > channel.reply_timeout_seconds()) {
      return true;
    }
    idle_on_channel(channel, std::max(kShortestIdleSeconds, kQuietAfterLeftoversSeconds - quiet),
                    0);
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
  // Enter tries again, the answer that changes nothing.
  dialog.set_dialog_keys(&dialog.dialog_button[0]);
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
  const double sent_at = ui::clock().monotonic_seconds();
  if (!channel.send_frame(frame, expected_length)) return false;
  tx_byte_counts[0] += static_cast<std::int64_t>(frame.size());
  tx_byte_counts[1] += static_cast<std::int64_t>(frame.size());
  const WaitEnd end =
      wait_channel_bytes(channel, channel.reply_timeout_seconds(), expected_length, sent_at);
  if (end == WaitEnd::line_failed) return false;
  if (end == WaitEnd::timed_out) quiet_requests_owed = kQuietRequestsAfterTimeOut;
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
  if (comm_aborted == kTrue || demo_mode == kTrue) return;
  // While the relay window serves a remote console, the serial line is its alone.
  if (relay_server_active()) return;
  // A serial port lost to a line error is tried again at every attempt (see settle_line).
  const bool port_lost = remote_server_ip.empty() && comm_port_lost();
  if (link_ready != kTrue && !port_lost) return;
  const BusyScope busy;

  LinkChannel& channel = active_link_channel();
  const std::string frame = build_request_frame(command);
  expected_length = static_cast<Integer>(expected_length + 2);

  for (int attempt = 0; attempt < kAttempts;) {
    yield_to_message_loop();
    reply_received = 0;
    // A line that fails is given up; the next attempt tries to open it again, and while it
    // cannot, each attempt fails at once and the user gets the usual choice after ten.
    if (!settle_line(channel) || !run_attempt(channel, frame, expected_length)) {
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
