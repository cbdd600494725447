#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>

#include "decode/command_table.hpp"
#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/link_channel.hpp"
#include "link/receive_framer.hpp"
#include "link/relay_server.hpp"
#include "link/request.hpp"
#include "link/request_transaction.hpp"
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
// A channel that reports input at once while nothing new came is slept on in these steps.
constexpr double kTrickleStepSeconds = 10.0 / 38400.0;
constexpr double kShortestIdleSeconds = 0.00005;
// How long the line must stay quiet after a spoilt answer before the attempt ends: longer
// than the gaps in one stream of bytes as a USB adapter hands them over (about 1 ms), short
// enough that a spoilt answer is still tried again at about the pace of the line.
constexpr double kQuietSeconds = 0.002;

enum DialogChoice : Integer { kTryAgain = 0, kDemo = 1, kAbort = 2, kTerminate = 3 };

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

enum class WaitEnd { line_failed, reply_in, answer_spoilt, timed_out };

// What one request keeps from one attempt to the next.
struct Exchange {
  std::string kept;  // bytes that may begin an answer still coming in
  int written = 0;   // attempts whose request went out
  int answers = 0;   // whole frames answering the request that came
  double last_written = 0;
  bool fresh = true;  // the next attempt drops what waits first
};

// Answers the last request may still be owed: an attempt that ended without its own answer
// (spoilt, timed out, or answered by an earlier attempt's) may get it later.
struct OwedAnswers {
  std::string frame;
  std::size_t expected_length = 0;
  int count = 0;
  double until = 0;  // the last attempt's time-out
  std::string kept;
  // Some of them answer an earlier request with other bytes than `frame` (another value
  // written to the same item), carried over as they were still out when `frame` went.
  bool other_bytes_among = false;
};

OwedAnswers& owed_answers() {
  static OwedAnswers owed;
  return owed;
}

// Answers owed to earlier requests that had not come when the time given them was over; a
// controller slower than the link's wait still sends them, and they may come during the
// request that follows.
struct StillOwed {
  int count = 0;
  bool other_bytes_among = false;  // some answer a request with other bytes than this one
};

bool& last_answer_in_doubt() {
  static bool in_doubt = false;
  return in_doubt;
}

// Whether the wait is over: a frame that answers the request with the whole length expected
// has come, found among what waits by its own framing (bytes before it that start no such
// frame, and frames that answer something else, are passed over), or the last bytes in are a
// spoilt answer (the wait then ends once the line stays quiet). A channel that cannot show
// its input (the relay's datagrams) has its reply once the expected count waits. `seen`
// becomes the count of bytes looked at, which may have grown since they were counted.
std::optional<WaitEnd> reply_state(LinkChannel& channel, std::size_t& seen,
                                   std::string_view request_frame, std::size_t count,
                                   const std::string& kept) {
  if (seen == 0) return std::nullopt;
  const auto input = channel.peek_input();
  if (!input) return seen >= count ? std::optional(WaitEnd::reply_in) : std::nullopt;
  seen = input->size();
  const ReplySearch search = find_reply(kept + *input, request_frame, count, kept.size());
  if (search.expected) return WaitEnd::reply_in;
  if (search.answer_spoilt) return WaitEnd::answer_spoilt;
  return std::nullopt;
}

// Waits until the reply has come, a spoilt answer came last and the line stayed quiet after
// it, or the time-out passed; what came is searched behind the bytes earlier attempts kept.
// What came before the reply is told apart from it by the framing alone, so a controller that
// answers at once is heard at once. A spoilt answer ends the attempt only once the line has
// been quiet for a moment after it: bytes that keep coming after it (more noise, the answer)
// show that it is no answer.
WaitEnd wait_for_reply(LinkChannel& channel, double timeout_seconds, std::string_view request_frame,
                       Integer count, const std::string& kept) {
  const double start = ui::clock().monotonic_seconds();
  const auto expected = static_cast<std::size_t>(std::max<Integer>(count, 0));
  std::size_t seen = 0;
  double last_arrival = start;
  bool spoilt_last = false;
  while (true) {
    const bool ran = ui::event_loop().pass(loop_input());
    const auto waiting = channel.bytes_waiting();
    if (!waiting) return WaitEnd::line_failed;
    const double now = ui::clock().monotonic_seconds();
    if (*waiting != seen) {
      seen = *waiting;
      last_arrival = now;
      const auto end = reply_state(channel, seen, request_frame, expected, kept);
      if (end == WaitEnd::reply_in) return *end;
      spoilt_last = end == WaitEnd::answer_spoilt;
    }
    // A sliver short of the span counts: the idle steps need not add up to it exactly.
    const double quiet = now - last_arrival;
    if (spoilt_last && quiet > kQuietSeconds - kShortestIdleSeconds) return WaitEnd::answer_spoilt;
    const double elapsed = now - start;
    if (elapsed > timeout_seconds) return WaitEnd::timed_out;
    if (ran) continue;
    // After a spoilt answer the line is watched for the rest of the quiet span in one wait
    // (a byte ends it at once).
    const double step =
        spoilt_last ? std::max(kQuietSeconds - quiet, kShortestIdleSeconds) : kIdleStepSeconds;
    idle_on_channel(channel, idle_step(step, timeout_seconds - elapsed), seen);
  }
}

// Before a request that could take an answer still owed to the last one for its own (the same
// code and, where the answer names it, the same address or index), waits until those answers
// have come or their time has passed; they are dropped with whatever else waits. A request
// that cannot take them passes them over by their framing, and its own answer comes after
// them, so nothing of the last request is left once any later one is answered. Returns the
// answers this request could take that were still out when their time was over.
StillOwed settle_owed_answers(LinkChannel& channel, const std::string& frame) {
  const OwedAnswers owed = std::exchange(owed_answers(), OwedAnswers{});
  // An answer repeats its request's code and the address or index it names: the owed
  // request's own frame stands for its answers here.
  if (owed.count == 0 || !reply_answers_request(frame, owed.frame)) return {};
  while (true) {
    const auto input = channel.peek_input();
    if (!input) return {};
    const ReplySearch search = find_reply(owed.kept + *input, owed.frame, owed.expected_length);
    if (search.answers >= owed.count) return {};
    const double remaining = owed.until - ui::clock().monotonic_seconds();
    if (remaining <= 0) {
      return {owed.count - search.answers, owed.other_bytes_among || owed.frame != frame};
    }
    if (!ui::event_loop().pass(loop_input())) {
      idle_on_channel(channel, idle_step(kIdleStepSeconds, remaining), input->size());
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
  // The relay client has no serial port of its own to name.
  dialog.dialog_detail.set_caption(remote_server_ip.empty() ? com_port_detail() : std::string());
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

// One attempt: send, wait, count, frame. Before the first attempt (and after a line failure)
// whatever waits is stale (the rest of an earlier reply, a late answer) and is dropped; what
// comes later is sorted out by the framing. Between attempts nothing is dropped: what waits
// joins the bytes the last attempt kept (the start of an answer still coming in), so an
// answer that runs on from one attempt into the next is passed over whole, never cut into a
// tail that could look like a spoilt answer. On a channel of datagrams every attempt starts
// afresh. False when the line failed (also when a lost port cannot be opened again).
bool run_attempt(LinkChannel& channel, const std::string& frame, Integer expected_length,
                 Exchange& exchange) {
  if (exchange.fresh || !channel.carries_byte_stream()) {
    exchange.kept.clear();
    if (!channel.discard_stale_input()) return false;
  } else {
    const auto came_since = channel.take_input();
    if (!came_since) return false;
    exchange.kept += *came_since;
  }
  exchange.fresh = false;
  if (!channel.send_frame(frame, expected_length)) return false;
  ++exchange.written;
  exchange.last_written = ui::clock().monotonic_seconds();
  tx_byte_counts[0] += static_cast<std::int64_t>(frame.size());
  tx_byte_counts[1] += static_cast<std::int64_t>(frame.size());
  const WaitEnd end = wait_for_reply(channel, channel.reply_timeout_seconds(), frame,
                                     expected_length, exchange.kept);
  if (end == WaitEnd::line_failed) return false;
  const auto waiting = channel.bytes_waiting();
  if (!waiting) return false;
  rx_byte_counts[0] += static_cast<std::int64_t>(*waiting);
  rx_byte_counts[1] += static_cast<std::int64_t>(*waiting);
  return receive_reply_for(channel, frame,
                           static_cast<std::size_t>(std::max<Integer>(expected_length, 0)),
                           exchange.kept, exchange.answers);
}

// Up to ten attempts; true when one was answered or the program is ending.
bool run_attempts(LinkChannel& channel, const std::string& frame, Integer expected_length,
                  Exchange& exchange) {
  for (int attempt = 0; attempt < kAttempts;) {
    yield_to_message_loop();
    reply_received = 0;
    // A line that fails is given up; the next attempt tries to open it again, and while it
    // cannot, each attempt fails at once and the user gets the usual choice after ten.
    if (!run_attempt(channel, frame, expected_length, exchange)) {
      channel.abandon();
      exchange.fresh = true;
    }
    if (reply_received == -1) return true;
    ++attempt;
    if (attempt >= kFirstAttemptShown) {
      frm_retries().retries.set_caption(ui::str_integer(attempt));
      yield_to_message_loop();
    }
    if (ui::program_ending()) return true;
  }
  return false;
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

void forget_owed_answers() {
  owed_answers() = OwedAnswers{};
  last_answer_in_doubt() = false;
}

bool last_answer_may_answer_earlier_request() {
  return last_answer_in_doubt();
}

bool link_busy() {
  return transaction_running;
}

void yield_to_message_loop() {
  if (transaction_running) {
    ui::event_loop().pass(ui::UserInput::hold);
    return;
  }
  // Between two requests every click and key that came meanwhile runs, not only the first,
  // also inside the handling of the input that started the requests.
  const ui::EventLoop::AllowingInput allowing(ui::event_loop());
  ui::event_loop().pass(ui::UserInput::allow);
  ui::event_loop().serve_user_input();
}

void send_request(const std::string& command, Integer& expected_length) {
  // A request made by a handler that runs inside a transaction's waits would share the
  // port's input and the reply flag with it: it returns at once, changing nothing.
  if (transaction_running) return;
  if (comm_aborted == kTrue || demo_mode == kTrue) return;
  // While the relay window serves a remote console, the serial line is its alone.
  if (relay_server_active()) return;
  // A serial port lost to a line error is tried again at every attempt (the discard before
  // each request opens it again).
  const bool port_lost = remote_server_ip.empty() && comm_port_lost();
  if (link_ready != kTrue && !port_lost) return;
  const BusyScope busy;

  LinkChannel& channel = active_link_channel();
  const std::string frame = build_request_frame(command);
  expected_length = static_cast<Integer>(expected_length + 2);
  const StillOwed earlier = settle_owed_answers(channel, frame);
  // A late answer of an earlier request with other bytes can be taken for this one's: its
  // value is not the one this request sent. Those answers count among this request's, so
  // its own stay owed to the next one.
  last_answer_in_doubt() = earlier.other_bytes_among;
  const int carried = earlier.other_bytes_among ? earlier.count : 0;
  Exchange exchange;
  const bool done = run_attempts(channel, frame, expected_length, exchange);
  // Every attempt is owed an answer; those that did not come may still come, within the time
  // of the last attempt.
  const int owed = exchange.written + carried - exchange.answers;
  if (channel.carries_byte_stream() && owed > 0) {
    owed_answers() = {
        .frame = frame,
        .expected_length = static_cast<std::size_t>(std::max<Integer>(expected_length, 0)),
        .count = owed,
        .until = exchange.last_written + channel.reply_timeout_seconds(),
        .kept = exchange.kept,
        .other_bytes_among = carried > 0};
  }
  if (done) return;

  if (demo_mode == kTrue) return;
  act_on_failure_choice(ask_after_failure());
}

void send_command(const std::string& command) {
  send_command(command, {});
}

void send_command(const std::string& command, const std::function<void()>& on_reply) {
  const CommandInfo* info =
      command.empty() ? nullptr : find_command(static_cast<std::uint8_t>(command.front()));
  if (info == nullptr) return;
  Integer length = info->reply_length;
  send_request(command, length);
  if (on_reply) on_reply();
  // A window's own run of requests (a fetch, an Update) serves the user between two of
  // them, as the wait would if it let clicks through: a close, a map button or a menu is
  // not kept waiting for the whole run.
  if (poll_inhibit == kTrue && !transaction_running) ui::event_loop().serve_user_input();
}

std::string command_with_payload(std::uint8_t code, Long first, Long second, Long third) {
  std::string command(1, static_cast<char>(code));
  for (const Long byte : {first, second, third}) command += static_cast<char>(byte & 0xFF);
  return command;
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
