#pragma once
// The one message loop of the console. Everything runs on one thread: timers, arrivals
// on the link and user input are handled only when the loop is given a pass, either from
// the front-end's own loop or from `do_events()` inside a wait.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace ui {

class Timer;
class Form;

enum class UserInput { allow, hold };

// What the front-end (Qt) does inside a pass: deliver its pending window events.
class Platform {
 public:
  virtual ~Platform() = default;
  virtual void process_events(UserInput input) = 0;
  // The model's next work may be due sooner than the platform planned (a timer was started
  // or its handler returned, input was queued): a platform that sleeps until the next work
  // looks again at seconds_until_next_work().
  virtual void work_scheduled() {}
};

class EventLoop {
 public:
  using SourceId = int;
  // A source is polled once per pass and returns whether it did anything. One that throws
  // is reported and removed.
  using Source = std::function<bool()>;

  // Runs what is pending once (window events, user input, sources, due timers) and
  // returns whether anything ran. Never sleeps.
  bool pass(UserInput input);
  // The model's own share of a pass, for a front-end that already delivered its events.
  bool run_model_work(UserInput input);
  // A pass that sleeps about a millisecond when nothing was pending, for spinning waits
  // (a modal window's, a loop that runs until the user stops it): one that allows input
  // takes it inside the handling of earlier input too.
  void wait_pass(UserInput input);

  void set_platform(Platform* platform) { platform_ = platform; }
  [[nodiscard]] Platform* platform() const { return platform_; }

  SourceId add_source(Source source);
  void remove_source(SourceId id);

  // Input from the user (scripted by tests, or queued by a front-end): runs only on a pass
  // that allows user input, one action a pass, in order of arrival; an exception it throws
  // is reported.
  void post_user_input(std::function<void()> action);
  // Input that runs before any that waits, as the rest of the input being delivered (a
  // menu's command, once the menu has finished with the choice): a serve that runs that
  // input runs this too.
  void post_user_input_first(std::function<void()> action);
  [[nodiscard]] bool has_pending_user_input() const { return !user_input_.empty(); }

  // A click the window system still holds back while the keys typed after it come on (a
  // window manager that raises a window on a click holds the pointer until it has done so,
  // which on a busy machine takes a while): from `await_late_click` until the click's
  // release has been queued (`end_late_click_wait`) or `seconds` have passed, the keys queued
  // meanwhile wait, and pointer input goes in before the first of them it came ahead of.
  // `time` is the window system's time of the input, in milliseconds.
  void await_late_click(double seconds);
  void end_late_click_wait();
  [[nodiscard]] bool awaiting_late_click() const;
  void post_key_behind_late_click(std::function<void()> action, std::uint64_t time);
  void post_late_pointer_input(std::function<void()> action, std::uint64_t time, bool press);
  // True while an input is handled (a queued action, or window-system input the front-end
  // hands on at once) and no pass has started inside it: what that input causes at once (a
  // widget's signal) belongs to it and runs in its turn, not behind the input queued after it.
  [[nodiscard]] bool delivering_user_input() const {
    return delivery_depth_ >= 0 && delivery_depth_ == pass_depth_;
  }
  // Passes that allow input until every input action queued before the call has run.
  // Input queued meanwhile waits for a later pass. One of the points that take input inside
  // the handling of earlier input.
  void serve_user_input();

  // One input is handled while this lives. Its effect is complete before the next input
  // runs: a pass inside it (a handler's wait, a request) holds input back, whatever it
  // asks, except inside an `AllowingInput`. `sequence` is its place in the queue, for input
  // that was queued.
  class HandlingInput {
   public:
    explicit HandlingInput(EventLoop& loop, std::optional<std::uint64_t> sequence = {});
    ~HandlingInput();
    HandlingInput(const HandlingInput&) = delete;
    HandlingInput& operator=(const HandlingInput&) = delete;

   private:
    EventLoop& loop_;
    int outer_delivery_;
    std::optional<std::uint64_t> outer_sequence_;
  };
  // Passes take input again while this lives, inside the handling of earlier input: a modal
  // box or window it shows, and the points where a long run of requests serves the user.
  // A modal one allows input inside a `HoldingInput` too.
  enum class Allow { between_requests, modal };
  class AllowingInput {
   public:
    explicit AllowingInput(EventLoop& loop, Allow allow = Allow::between_requests)
        : loop_(loop),
          outer_depth_(std::exchange(loop.allowed_depth_, loop.input_depth_)),
          outer_holds_(allow == Allow::modal ? std::exchange(loop.holds_, 0) : loop.holds_) {}
    ~AllowingInput() {
      loop_.allowed_depth_ = outer_depth_;
      loop_.holds_ = outer_holds_;
    }
    AllowingInput(const AllowingInput&) = delete;
    AllowingInput& operator=(const AllowingInput&) = delete;

   private:
    EventLoop& loop_;
    int outer_depth_;
    int outer_holds_;
  };
  // Every pass inside holds input back while this lives, even between requests; only a
  // modal box or window allows it. For a step of an input's handling that must not be split
  // (a click on a cell commits the open edit, then makes the clicked cell current), for what
  // a pass that holds input runs besides (a timer's tick), and for a poll that delivers no
  // input (the plotter's).
  class HoldingInput {
   public:
    explicit HoldingInput(EventLoop& loop) : loop_(loop) { ++loop_.holds_; }
    ~HoldingInput() { --loop_.holds_; }
    HoldingInput(const HoldingInput&) = delete;
    HoldingInput& operator=(const HoldingInput&) = delete;

   private:
    EventLoop& loop_;
  };
  // Whether a pass may run input now: no input is being handled, or an `AllowingInput`
  // allowed it at the depth of the one being handled, and no `HoldingInput` holds it.
  [[nodiscard]] bool takes_user_input() const {
    return input_depth_ == allowed_depth_ && holds_ == 0;
  }

  // Marks a loop of the front-end's own (a modal dialog's) as a pass: input the user gives
  // it is not taken for a consequence of the action that opened the dialog.
  class NestedPass {
   public:
    explicit NestedPass(EventLoop& loop) : loop_(loop) { ++loop_.pass_depth_; }
    ~NestedPass() { --loop_.pass_depth_; }
    NestedPass(const NestedPass&) = delete;
    NestedPass& operator=(const NestedPass&) = delete;

   private:
    EventLoop& loop_;
  };

  void register_timer(Timer* timer);
  void unregister_timer(Timer* timer);
  // Seconds until the next timer falls due (a large number when none is enabled). A timer
  // whose handler still runs is not counted: it ticks only after its handler returned.
  [[nodiscard]] double seconds_until_next_timer() const;
  // Seconds until the loop has work: 0 with user input queued; sources are polled every
  // millisecond while there are any; else the next timer (kNoWorkDue when none).
  [[nodiscard]] double seconds_until_next_work() const;
  static constexpr double kNoWorkDue = 1e9;
  // Tells the platform that work may be due sooner than it planned.
  void work_scheduled();

  // A form unloaded while one of its handlers still runs is destroyed here later.
  void defer_destruction(std::unique_ptr<Form> form);
  void collect_unloaded_forms();

  // Drops every registration; used between tests.
  void reset();

 private:
  bool run_due_timers();
  bool run_user_input();
  // Whether the oldest queued input may run now: it is not a key waiting for a late click.
  [[nodiscard]] bool user_input_ready() const;
  bool run_sources();

  Platform* platform_ = nullptr;
  std::map<SourceId, Source> sources_;
  SourceId next_source_id_ = 1;
  struct QueuedInput {
    std::uint64_t sequence;
    std::function<void()> action;
    // Set for a key queued while a late click was awaited: the window system's time of it.
    std::optional<std::uint64_t> key_time_behind_late_click = std::nullopt;
  };
  std::deque<QueuedInput> user_input_;
  std::uint64_t next_input_sequence_ = 0;
  // The place in the queue of the input being handled, when it was queued.
  std::optional<std::uint64_t> delivered_sequence_;
  int pass_depth_ = 0;
  int delivery_depth_ = -1;
  // How many inputs are being handled, one inside another; the depth at which the innermost
  // `AllowingInput` lets passes take input again; and how many `HoldingInput`s hold it.
  int input_depth_ = 0;
  int allowed_depth_ = 0;
  int holds_ = 0;
  std::optional<double> late_click_deadline_;
  std::vector<Timer*> timers_;
  std::vector<std::unique_ptr<Form>> unloaded_forms_;
};

EventLoop& event_loop();

// Lets pending events run once, user input included.
void do_events();
// Lets timers, link arrivals and window painting run, while clicks and keys wait. Used
// while a request to the controller is outstanding.
void do_events_without_user_input();

}  // namespace ui
