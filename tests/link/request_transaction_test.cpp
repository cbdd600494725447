// Retries, the failure dialog, the busy flag and line failures inside a transaction.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/request.hpp"
#include "link/request_transaction.hpp"
#include "link_test.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_retries.hpp"
#include "sim/simulated_controller.hpp"
#include "support/fake_serial_port.hpp"
#include "support/tick_form.hpp"

namespace {

using test::bytes;
using test::reply_frame;

using test::TickForm;

const std::vector<std::string> kRetryCaptions{" 3", " 4", " 5", " 6", " 7", " 8", " 9", " 10"};

std::vector<std::string> retry_counts(const std::vector<std::string>& captions) {
  std::vector<std::string> counts;
  for (const std::string& caption : captions) {
    if (!caption.empty() && caption[0] == ' ') counts.push_back(caption);
  }
  return counts;
}

class TransactionTest : public test::LinkTest {
 protected:
  void open_link() {
    ecu::com_port = 1;
    ecu::open_comm_link();
    ASSERT_EQ(ecu::link_ready, ecu::kTrue);
  }

  // A fake line that never answers, on a clock that moves only while the link waits.
  std::shared_ptr<test::FakeLine> open_silent_fake_line() {
    auto line = test::install_fake_serial_port();
    use_manual_clock();
    open_link();
    return line;
  }

  // Sends `command` (answered with `length` bytes) on a line where what the controller sends
  // comes byte by byte, one at each wait on a quiet line (and, when `at_reads`, one at each
  // read too: between a count and its read, just before a request): every request is answered
  // with `answer` behind what is still coming, `noise` ahead of the first answer. The attempts
  // it took, 0 when it got no reply (after ten, "Try Again" is pressed at the dialog).
  static std::size_t streamed_attempts(test::FakeLine& line, const std::string& command,
                                       std::size_t length, const std::string& noise,
                                       const std::string& answer, bool at_reads = false) {
    auto coming = std::make_shared<std::string>();
    line.writes.clear();
    line.responder = [coming, noise, answer](test::FakeLine& l, const std::string&) {
      *coming += (l.writes.size() == 1 ? noise : std::string()) + answer;
      if (l.writes.size() == 10) press_dialog_button(0);
    };
    const auto next_byte = [coming](test::FakeLine& l) {
      if (coming->empty()) return;
      l.input += coming->front();
      coming->erase(0, 1);
    };
    line.on_wait = next_byte;
    line.before_read = nullptr;
    if (at_reads) line.before_read = next_byte;
    ecu::Integer expected = static_cast<ecu::Integer>(length - 2);
    ecu::send_request(command, expected);
    return ecu::reply_received == -1 ? line.writes.size() : 0;
  }
};

TEST_F(TransactionTest, TriesTenTimesCountingFromTheThirdThenAsksTheUser) {
  sim::SimulatedController controller(1);
  controller.set_misbehaviour(sim::Misbehaviour::silent);
  open_link();
  test::CaptionRecorder recorder("retries");
  ui::forms().set_observer(&recorder);
  press_dialog_button(0);

  ecu::Integer length = 21;
  ecu::send_request("C", length);

  EXPECT_EQ(controller.request_count(), 10U);
  for (const std::string& frame : controller.request_frames()) {
    EXPECT_EQ(frame, ecu::build_request_frame("C")) << "the same frame at every attempt";
  }
  EXPECT_EQ(retry_counts(recorder.captions), kRetryCaptions);
  EXPECT_EQ(std::count(recorder.shown_forms.begin(), recorder.shown_forms.end(), "frm_retries"), 0)
      << "the counter is written, never shown";
  const auto& dialog = ecu::frm_Dialog();
  EXPECT_EQ(dialog.dialog_caption.caption(), "Communications has failed, Run Demo mode?");
  const char* const buttons[] = {"Try Again", "Demo", "Abort", "Terminate"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(dialog.dialog_button[i].caption(), buttons[i]);
    EXPECT_TRUE(dialog.dialog_button[i].visible());
  }
  EXPECT_FALSE(dialog.visible());
  EXPECT_EQ(ecu::reply_received, 0);
  EXPECT_EQ(length, 23);
  EXPECT_EQ(ecu::tx_byte_counts[0], 80);
  EXPECT_EQ(ecu::demo_mode, ecu::kFalse);
  EXPECT_EQ(ecu::comm_aborted, ecu::kFalse);
  EXPECT_FALSE(program_ended());
}

TEST_F(TransactionTest, EachChoiceOfTheFailureDialogHasItsEffect) {
  struct Choice {
    const char* what;
    int button;
    ecu::Flag demo_mode;
    ecu::Flag comm_aborted;
    bool ended;
    // Whether the next request goes out to a controller that now answers; the program's
    // end has no next request.
    std::optional<bool> next_request_sent;
  };
  const Choice choices[] = {
      {"Try Again", 0, ecu::kFalse, ecu::kFalse, false, true},
      {"Demo", 1, ecu::kTrue, ecu::kFalse, false, false},
      {"Abort", 2, ecu::kFalse, ecu::kTrue, false, false},
      {"Terminate", 3, ecu::kFalse, ecu::kFalse, true, std::nullopt},
  };
  for (const Choice& choice : choices) {
    TearDown();
    SetUp();
    auto line = open_silent_fake_line();
    press_dialog_button(choice.button);
    ecu::Integer length = 21;
    ecu::send_request("C", length);
    EXPECT_EQ(line->writes.size(), 10U) << choice.what;
    EXPECT_EQ(ecu::frm_Dialog().dialog_choice, choice.button) << choice.what;
    EXPECT_EQ(ecu::demo_mode, choice.demo_mode) << choice.what;
    EXPECT_EQ(ecu::comm_aborted, choice.comm_aborted) << choice.what;
    EXPECT_EQ(program_ended(), choice.ended) << choice.what;
    EXPECT_FALSE(ecu::link_busy()) << choice.what;
    if (!choice.next_request_sent) continue;

    line->responder = [](test::FakeLine& l, const std::string&) {
      l.input = reply_frame('C', std::string(18, '\0'));
    };
    ecu::send_request("C", length = 21);
    EXPECT_EQ(line->writes.size() == 11U, *choice.next_request_sent) << choice.what;
    EXPECT_EQ(ecu::reply_received == -1, *choice.next_request_sent) << choice.what;
  }
}

TEST_F(TransactionTest, FailureMessageTellsWhetherTheRelayOrTheControllerIsSilent) {
  // A relay client whose relay answers the first `answered_attempts` attempts with the
  // given datagram and stays silent after that.
  class ScriptedRelay final : public ecu::LinkChannel {
   public:
    ScriptedRelay(std::string answer, int answered_attempts)
        : answer_(std::move(answer)), answered_attempts_(answered_attempts) {}
    bool discard_stale_input() override { return true; }
    bool send_frame(std::string_view, ecu::Integer) override {
      ++sent;
      if (sent <= answered_attempts_) pending_ = answer_;
      return true;
    }
    std::optional<std::size_t> bytes_waiting() override { return pending_.size(); }
    std::optional<std::string> take_input() override {
      return std::exchange(pending_, std::string());
    }
    bool wait_for_input(double) override { return !pending_.empty(); }
    [[nodiscard]] double reply_timeout_seconds() const override { return 1.0; }
    void abandon() override { ecu::link_ready = ecu::kFalse; }
    int sent = 0;

   private:
    std::string answer_;
    int answered_attempts_;
    std::string pending_;
  };
  struct Case {
    const char* what;
    std::string relay_address;
    std::string relay_answer;
    int answered_attempts;
    const char* message;
  };
  const Case cases[] = {
      {"serial line", "", "", 0, "Communications has failed, Run Demo mode?"},
      {"relay answers NORESP", "10.0.0.2", "NORESP", 10,
       "Communications has failed, Remote server IS responding, ECU hardware is NOT."},
      {"relay answers a single byte", "10.0.0.2", "x", 10,
       "Communications has failed, Remote server IS NOT responding"},
      {"relay silent", "10.0.0.2", "", 10,
       "Communications has failed, Remote server IS NOT responding"},
      {"relay fell silent after answering", "10.0.0.2", "NORESP", 9,
       "Communications has failed, Remote server IS NOT responding"},
  };
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    auto line = open_silent_fake_line();
    ScriptedRelay relay(c.relay_answer, c.answered_attempts);
    ecu::set_relay_channel(&relay);
    ecu::remote_server_ip = c.relay_address;
    press_dialog_button(0);
    ecu::Integer length = 21;
    ecu::send_request("C", length);
    EXPECT_EQ(ecu::frm_Dialog().dialog_caption.caption(), c.message) << c.what;
    // Only the serial line has a device to name.
    EXPECT_EQ(ecu::frm_Dialog().dialog_detail.caption().starts_with("No reply came on COM1 ("),
              c.relay_address.empty())
        << c.what;
    const std::size_t attempts =
        c.relay_address.empty() ? line->writes.size() : static_cast<std::size_t>(relay.sent);
    EXPECT_EQ(attempts, 10U) << c.what;
    EXPECT_EQ(ecu::reply_received, 0) << c.what;
    const std::int64_t dropped = c.relay_answer.empty() ? 0 : c.answered_attempts;
    EXPECT_EQ(ecu::dropped_reply_count(), dropped) << c.what << ": no datagram is a frame";
    ecu::set_relay_channel(nullptr);
  }
}

TEST_F(TransactionTest, AbortSilencesEveryRequestUntilTheLinkIsOpenedAgain) {
  auto line = open_silent_fake_line();
  press_dialog_button(2);
  ecu::Integer length = 21;
  ecu::send_request("C", length);
  ASSERT_EQ(ecu::comm_aborted, ecu::kTrue);

  ecu::Integer other = 6;
  ecu::send_request(bytes({'E', 0x10, 0x01}), other);
  EXPECT_EQ(line->writes.size(), 10U) << "nothing sent after Abort";
  EXPECT_EQ(other, 6);

  ecu::open_comm_link();
  EXPECT_EQ(ecu::comm_aborted, ecu::kFalse);
  line->responder = [](test::FakeLine& l, const std::string&) {
    l.input = reply_frame('E', bytes({0x10, 0x01, 0x99}));
  };
  ecu::send_request(bytes({'E', 0x10, 0x01}), other);
  EXPECT_EQ(line->writes.size(), 11U);
  EXPECT_EQ(ecu::reply_received, -1);
}

TEST_F(TransactionTest, NoDialogWhenDemoModeWasChosenDuringTheAttempts) {
  auto line = open_silent_fake_line();
  TickForm demo_switch(200, [] { ecu::demo_mode = ecu::kTrue; });
  ecu::Integer length = 21;
  ecu::send_request("C", length);
  EXPECT_EQ(line->writes.size(), 10U) << "the attempts run to their end";
  EXPECT_EQ(ecu::demo_mode, ecu::kTrue);
  EXPECT_FALSE(ecu::frm_Dialog.loaded());
}

TEST_F(TransactionTest, ClosingTheFailureDialogThroughItsFrameMeansTryAgain) {
  auto line = open_silent_fake_line();
  // A choice left from an earlier use must not be acted on again.
  ecu::frm_Dialog().dialog_choice = 3;
  close_dialog_frame();
  ecu::Integer length = 21;
  ecu::send_request("C", length);
  EXPECT_FALSE(program_ended());
  EXPECT_EQ(ecu::demo_mode, ecu::kFalse);
  EXPECT_EQ(ecu::comm_aborted, ecu::kFalse);
  EXPECT_FALSE(ecu::link_busy());
}

TEST_F(TransactionTest, ControllerAnsweringLateInTheSeriesEndsTheRetries) {
  sim::SimulatedController controller(1);
  controller.ignore_requests(4);
  open_link();
  test::CaptionRecorder recorder("retries");
  ui::forms().set_observer(&recorder);
  ecu::Integer length = 21;
  ecu::send_request("C", length);
  EXPECT_EQ(ecu::reply_received, -1);
  EXPECT_EQ(controller.request_count(), 5U);
  EXPECT_EQ(retry_counts(recorder.captions), (std::vector<std::string>{" 3", " 4"}));
  EXPECT_FALSE(ecu::frm_Dialog.loaded());
}

TEST_F(TransactionTest, RequestFromAHandlerDuringTheWaitReturnsAtOnce) {
  sim::SimulatedController controller(1);
  controller.set_reply_delay(0.05);
  open_link();
  int ticks_while_busy = 0;
  ecu::Integer inner_length = 6;
  TickForm poll(5, [&] {
    if (!ecu::link_busy()) return;
    ++ticks_while_busy;
    ecu::send_request(bytes({'E', 0x00, 0x01}), inner_length);
  });
  bool clicked = false;
  ui::event_loop().post_user_input([&] { clicked = true; });

  ecu::Integer length = 21;
  ecu::send_request("C", length);

  EXPECT_EQ(ecu::reply_received, -1);
  EXPECT_GT(ticks_while_busy, 0) << "the timer ran during the wait";
  EXPECT_EQ(inner_length, 6) << "the nested request changed nothing";
  EXPECT_EQ(controller.request_count(), 1U) << "only the outer request went out";
  EXPECT_FALSE(clicked) << "clicks wait until the transaction ends";
  EXPECT_FALSE(ecu::link_busy());
  ui::do_events();
  EXPECT_TRUE(clicked);
}

TEST_F(TransactionTest, ClicksDuringBackToBackPollsRunBeforeTheNextRequest) {
  sim::SimulatedController controller(1);
  controller.set_line_rate(38400);
  open_link();
  // A poll at its fastest: its handler outlasts its interval, so it is due again at once.
  int transactions = 0;
  TickForm poll(1, [&] {
    ecu::Integer length = 21;
    ecu::send_request("C", length);
    ++transactions;
  });
  // Clicks come while a request is outstanding, each a press and a release (two window
  // messages, the click's handler on the second), and note the transaction they came in.
  constexpr std::size_t kClicks = 8;
  std::vector<int> came_during;
  std::vector<int> ran_after;
  TickForm user(7, [&] {
    if (!ecu::link_busy() || came_during.size() >= kClicks) return;
    came_during.push_back(transactions);
    ui::event_loop().post_user_input([] {});
    ui::event_loop().post_user_input([&] { ran_after.push_back(transactions); });
  });

  for (int pass = 0; pass < 200000 && ran_after.size() < kClicks; ++pass) {
    ui::event_loop().wait_pass(ui::UserInput::allow);
  }
  poll.tick.set_enabled(false);

  ASSERT_EQ(ran_after.size(), kClicks);
  for (std::size_t i = 0; i < kClicks; ++i) {
    EXPECT_EQ(ran_after[i], came_during[i] + 1)
        << "click " << i << " ran once the request it came in had returned, before the next";
  }
}

TEST_F(TransactionTest, LinkStaysBusyWhileTheFailureDialogIsUp) {
  auto line = open_silent_fake_line();
  std::optional<bool> busy_during_dialog;
  ecu::Integer inner_length = 6;
  TickForm poll(10, [&] {
    if (!ecu::frm_Dialog.loaded() || !ecu::frm_Dialog().visible()) return;
    busy_during_dialog = ecu::link_busy();
    ecu::send_request(bytes({'E', 0x00, 0x01}), inner_length);
    ecu::frm_Dialog().dialog_button[0].click();
  });
  ecu::Integer length = 21;
  ecu::send_request("C", length);
  ASSERT_TRUE(busy_during_dialog.has_value()) << "the timer ran while the dialog was up";
  EXPECT_TRUE(*busy_during_dialog);
  EXPECT_EQ(line->writes.size(), 10U) << "the request made during the dialog sent nothing";
  EXPECT_EQ(inner_length, 6);
  EXPECT_FALSE(ecu::link_busy());
}

TEST_F(TransactionTest, ReusedLengthVariableWaitsToTheTimeOutAndStillDecodes) {
  auto line = test::install_fake_serial_port();
  ui::ManualClock& clock = use_manual_clock();
  line->responder = [](test::FakeLine& l, const std::string&) {
    l.input = reply_frame('C', std::string(18, '\0'));
  };
  open_link();
  ecu::Integer length = 21;
  const double first_start = clock.monotonic_seconds();
  ecu::send_request("C", length);
  EXPECT_EQ(length, 23);
  EXPECT_LT(clock.monotonic_seconds() - first_start, 0.1) << "the right count ends the wait";

  const double second_start = clock.monotonic_seconds();
  ecu::send_request("C", length);
  EXPECT_EQ(length, 25) << "two more again";
  EXPECT_GT(clock.monotonic_seconds() - second_start, 0.1) << "23 bytes never equal 25";
  EXPECT_EQ(ecu::reply_received, -1) << "the framer goes by the frame's own length byte";
  EXPECT_EQ(line->writes.size(), 2U);
}

// A call site names the code alone: the wait ends at the reply length the command table
// gives it, and a code the table lacks is never sent.
TEST_F(TransactionTest, SendCommandWaitsForItsCodesReplyAndSendsNoUnknownCode) {
  auto line = test::install_fake_serial_port();
  ui::ManualClock& clock = use_manual_clock();
  line->responder = [](test::FakeLine& l, const std::string& frame) {
    if (frame[2] == 'C') l.input = reply_frame('C', std::string(18, '\0'));
    if (frame[2] == 'B') l.input = reply_frame('B', std::string(9, '\0'));
  };
  open_link();
  for (const char code : {'C', 'B'}) {
    SCOPED_TRACE(code);
    const double start = clock.monotonic_seconds();
    ecu::reply_received = 0;
    ecu::send_command(std::string(1, code));
    EXPECT_LT(clock.monotonic_seconds() - start, 0.1) << "the whole reply ends the wait";
    EXPECT_EQ(ecu::reply_received, -1);
  }
  ecu::send_command(std::string(1, '\x05'));
  ecu::send_command("");
  EXPECT_EQ(line->writes.size(), 2U);
  EXPECT_EQ(line->writes.back(), ecu::build_request_frame("B"));
}

// Whatever comes after the request and before its reply is passed over by its framing,
// however soon or late it comes: the reply is taken at the first attempt and only it is
// decoded (the byte read for 0x110 is 0x99).
TEST_F(TransactionTest, StaleBytesAndFramesBeforeTheReplyArePassedOverWheneverTheyCome) {
  const std::string reply = reply_frame('E', bytes({0x10, 0x01, 0x99}));
  struct Case {
    const char* what;
    std::string stale;
    int stale_at_count;  // the count of waiting bytes at which the stale bytes land
    std::int64_t unanswered;
  };
  const Case cases[] = {
      {"two stray bytes as the request goes", bytes({0, 0}), 1, 0},
      {"two stray bytes while the reply is awaited", bytes({0, 0}), 4, 0},
      {"the tail of an earlier reply", reply_frame('C', std::string(18, '\x33')).substr(4), 2, 0},
      {"a frame of another type", reply_frame(0xB2, std::string(15, '\x07')), 1, 1},
      {"the answer to a read of another address", reply_frame('E', bytes({0x11, 0x01, 0x55})), 3,
       1},
      {"the echo of a write to the same address", reply_frame('e', bytes({0x10, 0x01, 0x55})), 1,
       1},
  };
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    auto line = test::install_fake_serial_port();
    use_manual_clock();
    int counts = -1;
    // Counting starts with the write; the stale bytes land first, the reply two counts on.
    line->before_count = [&](test::FakeLine& l) {
      if (counts < 0) return;
      ++counts;
      if (counts == c.stale_at_count) l.input += c.stale;
      if (counts == c.stale_at_count + 2) l.input += reply;
    };
    line->responder = [&](test::FakeLine&, const std::string&) { counts = 0; };
    open_link();
    ecu::Integer length = 6;
    ecu::send_request(bytes({'E', 0x10, 0x01}), length);
    EXPECT_EQ(ecu::reply_received, -1) << c.what;
    EXPECT_EQ(line->writes.size(), 1U) << c.what;
    EXPECT_EQ(ecu::mem_value, 0x99) << c.what;
    EXPECT_EQ(ecu::unanswered_reply_count(), c.unanswered) << c.what;
    EXPECT_EQ(ecu::dropped_reply_count(), 0) << c.what;
    ecu::close_comm_port();
  }
}

// The controller's answer to each attempt, landing one byte at every count of waiting bytes
// as on a paced line; later attempts get the last one.
void trickle_answers(test::FakeLine& line, const std::vector<std::string>& answers) {
  auto coming = std::make_shared<std::string>();
  line.responder = [coming, answers](test::FakeLine& l, const std::string&) {
    *coming = answers.at(std::min(l.writes.size(), answers.size()) - 1);
  };
  line.before_count = [coming](test::FakeLine& l) {
    if (coming->empty()) return;
    l.input += coming->front();
    coming->erase(0, 1);
  };
}

// An answer that came whole but spoilt ends its attempt at once; only one that has not
// wholly come waits for the time-out. 'C' is answered with 23 bytes (0x17) of type 0x43.
TEST_F(TransactionTest, SpoiltAnswerIsTriedAgainAtOnceAndCountedAsOneAttempt) {
  const std::string good = reply_frame('C', std::string(18, '\x11'));
  const auto flipped = [](std::string frame, std::size_t index) {
    frame[index] = static_cast<char>(frame[index] ^ 1);
    return frame;
  };
  struct Case {
    const char* what;
    std::vector<std::string> answers;
    std::size_t attempts;
    std::int64_t dropped;
    bool waits_time_out;
  };
  const Case cases[] = {
      {"a wrong low sum byte", {flipped(good, 21), good}, 2, 1, false},
      {"a wrong high sum byte", {flipped(good, 22), good}, 2, 1, false},
      // Its payload starts with the answer's length and type, a look-alike in it.
      {"one payload byte too many",
       {reply_frame('C', bytes({0x17, 0x43}) + std::string(17, '\x11')), good},
       2,
       0,
       false},
      {"every answer with a wrong sum", {flipped(good, 21)}, 10, 10, false},
      {"stray bytes headed as the answer, the answer's head in them",
       {bytes({0x55, 0x17, 0x43, 0, 0, 0, 0, 0}) + good, good},
       1,
       0,
       false},
      {"a frame of another type and the answer's length with a wrong sum before it",
       {flipped(reply_frame('B', std::string(18, '\x07')), 21) + good, good},
       1,
       0,
       false},
      {"a wrong length byte", {flipped(good, 1), good}, 2, 1, true},
      {"the answer cut short", {good.substr(0, 21), good}, 2, 1, true},
  };
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    auto line = open_silent_fake_line();
    trickle_answers(*line, c.answers);
    if (c.attempts == 10) press_dialog_button(0);
    const double start = ui::clock().monotonic_seconds();
    ecu::Integer length = 21;
    ecu::send_request("C", length);
    EXPECT_EQ(ecu::reply_received, c.attempts < 10 ? -1 : 0) << c.what;
    EXPECT_EQ(line->writes.size(), c.attempts) << c.what;
    EXPECT_EQ(ecu::tx_byte_counts[0], static_cast<std::int64_t>(8 * c.attempts)) << c.what;
    EXPECT_EQ(ecu::dropped_reply_count(), c.dropped) << c.what;
    EXPECT_EQ(ecu::unanswered_reply_count(), 0) << c.what;
    EXPECT_EQ(ui::clock().monotonic_seconds() - start > 0.1, c.waits_time_out) << c.what;
    EXPECT_EQ(ecu::frm_Dialog.loaded(), c.attempts == 10) << c.what;
    if (c.attempts == 10) {
      EXPECT_EQ(ecu::frm_retries().retries.caption(), " 10");
    }
  }
}

// A look-alike of the answer's head in noise that the answer follows at once is no spoilt
// answer: the answer's bytes keep coming after it, so the first attempt takes the answer,
// whose own bytes repeat its length and type after its head. 0x0E is answered with 7 bytes
// (3591 carries 07 0E), 'A' with 65 (0x41).
TEST_F(TransactionTest, AnswerRepeatingItsHeadRightAfterALookAlikeInNoiseCostsNoExtraAttempt) {
  auto line = open_silent_fake_line();
  EXPECT_EQ(streamed_attempts(*line, bytes({0x0E}), 7, bytes({0x55, 0x07, 0x0E, 0, 0}),
                              bytes({0x02, 0x07, 0x0E, 0x07, 0x0E, 0x2C, 0x00})),
            1U);
  EXPECT_EQ(ecu::crk_rpmh, 3591);
  EXPECT_EQ(streamed_attempts(*line, "A", 65, bytes({0x55, 0x41, 0x41}) + std::string(60, '\0'),
                              reply_frame('A', bytes({0x41, 0x41}) + std::string(58, ' '))),
            1U);
  EXPECT_FALSE(ecu::frm_Dialog.loaded());
}

// The same for any burst of noise before correct answers, drawn from a fixed seed: payloads
// rich in the answer's length byte and type, bursts holding a piece of the answer; the next
// request then goes through at once.
TEST_F(TransactionTest, NoiseBeforeCorrectAnswersCostsOneExtraAttemptAtMost) {
  auto line = open_silent_fake_line();
  std::mt19937 random(36);
  const auto draw = [&](std::size_t below) { return random() % below; };
  for (int n = 0; n < 300; ++n) {
    const std::string code = n % 3 == 0 ? "A" : n % 3 == 1 ? "\x0E" : "E";
    const std::size_t length = code == "A" ? 65 : code == "E" ? 8 : 7;
    std::string payload;
    const bool echoed = draw(2) == 0;  // starting with the answer's length and type
    for (std::size_t k = 5; k < length; ++k) {
      const std::size_t kind = echoed && k < 7 ? k - 5 : draw(3);
      payload += static_cast<char>(kind == 0 ? length : kind == 1 ? code[0] : draw(256));
    }
    const std::string answer = reply_frame(code[0], payload);
    // Random bytes, three of the answer (its head, or from anywhere in it), then so many that
    // a look-alike they begin ends before the answer's head is in, or with its head.
    std::string noise;
    const auto add_random = [&](std::size_t count) {
      for (; count > 0; --count) noise += static_cast<char>(draw(256));
    };
    add_random(draw(length));
    noise += answer.substr(draw(2) ? 0 : draw(length), 3);
    add_random(length - 3 - draw(4));
    const std::string command = code == "E" ? code + payload.substr(0, 2) : code;
    const std::size_t taken =
        streamed_attempts(*line, command, length, noise, answer, draw(2) == 0);
    ASSERT_TRUE(taken == 1 || taken == 2) << "case " << n << ": " << taken;
    // No late answer is left to cost the next request an attempt.
    ecu::Integer again = static_cast<ecu::Integer>(length - 2);
    ecu::send_request(command, again);
    ASSERT_EQ(line->writes.size(), taken + 1) << "case " << n;
  }
}

TEST_F(TransactionTest, PortThatWentAwayIsTriedAgainAtEveryRequestAndPollingResumesOnceBack) {
  auto controller = std::make_unique<sim::SimulatedController>(1);
  open_link();
  test::CaptionRecorder recorder("retries");
  ui::forms().set_observer(&recorder);
  auto dialogs_shown = [&] {
    return std::count(recorder.shown_forms.begin(), recorder.shown_forms.end(), "frm_Dialog");
  };
  ecu::Integer length = 21;
  ecu::send_request("C", length);
  ASSERT_EQ(ecu::reply_received, -1);

  // The cable is pulled while the next request waits for its answer.
  controller->set_misbehaviour(sim::Misbehaviour::silent);
  bool hung_up = false;
  TickForm unplug(30, [&] {
    if (hung_up) return;
    hung_up = true;
    controller->hang_up();
  });
  press_dialog_button(0);
  ecu::send_request("C", length = 21);
  EXPECT_TRUE(hung_up);
  EXPECT_EQ(dialogs_shown(), 1);
  EXPECT_EQ(ecu::frm_Dialog().dialog_caption.caption(),
            "Communications has failed, Run Demo mode?");
  EXPECT_FALSE(ecu::comm_port().is_open());
  EXPECT_EQ(ecu::link_ready, ecu::kFalse);

  // "Try Again" while it is gone: ten attempts, each failing at once, then the dialog again.
  // COM1 still names the device that went away.
  const std::string gone_device = controller->device_path();
  controller.reset();
  ::setenv("ECU_COM1", gone_device.c_str(), 1);
  press_dialog_button(0);
  ecu::send_request("C", length = 21);
  EXPECT_EQ(dialogs_shown(), 2);
  EXPECT_EQ(ecu::frm_retries().retries.caption(), " 10");

  // Back again: the next request of the poll opens the same port and goes through.
  controller = std::make_unique<sim::SimulatedController>(1);
  press_dialog_button(0);  // answers a dialog, should one come
  ecu::send_request("C", length = 21);
  EXPECT_EQ(ecu::reply_received, -1);
  EXPECT_EQ(controller->request_count(), 1U);
  EXPECT_EQ(ecu::link_ready, ecu::kTrue);
  EXPECT_EQ(dialogs_shown(), 2);
}

TEST_F(TransactionTest, SerialErrorCountsAsFailedAttemptsAndGivesUpThePort) {
  struct Case {
    const char* what;
    std::function<void(test::FakeLine&)> break_line;
    std::size_t frames_written;
  };
  const Case cases[] = {
      {"every write fails", [](test::FakeLine& l) { l.fail_writes = true; }, 0},
      {"reading the stale input fails", [](test::FakeLine& l) { l.fail_reads = true; }, 0},
      {"reading fails after the first frame",
       [](test::FakeLine& l) {
         l.responder = [](test::FakeLine& line, const std::string&) { line.fail_reads = true; };
       },
       1},
  };
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    auto line = open_silent_fake_line();
    c.break_line(*line);
    press_dialog_button(0);
    ecu::Integer length = 21;
    ecu::send_request("C", length);
    EXPECT_TRUE(ecu::frm_Dialog.loaded()) << c.what << ": the usual failure dialog";
    EXPECT_EQ(ecu::frm_Dialog().dialog_caption.caption(),
              "Communications has failed, Run Demo mode?")
        << c.what;
    EXPECT_FALSE(line->open) << c.what;
    EXPECT_EQ(ecu::link_ready, ecu::kFalse) << c.what;
    EXPECT_EQ(line->writes.size(), c.frames_written) << c.what;
    EXPECT_EQ(ecu::tx_byte_counts[0], static_cast<std::int64_t>(8 * c.frames_written)) << c.what;
    EXPECT_EQ(ecu::frm_retries().retries.caption(), " 10") << c.what;
    EXPECT_FALSE(ecu::link_busy()) << c.what;
    EXPECT_EQ(line->opens, 10) << c.what << ": every later attempt opened the port again";

    // Once the line works, the next request takes it afresh by itself.
    line->fail_writes = false;
    line->fail_reads = false;
    line->responder = [](test::FakeLine& l, const std::string&) {
      l.input = reply_frame('C', std::string(18, '\0'));
    };
    ecu::send_request("C", length = 21);
    EXPECT_EQ(ecu::reply_received, -1) << c.what;
    EXPECT_EQ(line->opens, 11) << c.what;
  }
}

TEST_F(TransactionTest, DelayRunsTheMessageLoopForTheWholeTime) {
  ui::ManualClock& clock = use_manual_clock();
  int ticks = 0;
  TickForm counter(100, [&] { ++ticks; });
  const double start = clock.monotonic_seconds();
  ecu::delay_seconds(0.35F);
  EXPECT_GE(clock.monotonic_seconds() - start, 0.3499);
  EXPECT_LT(clock.monotonic_seconds() - start, 0.36);
  EXPECT_EQ(ticks, 3);
}

}  // namespace
