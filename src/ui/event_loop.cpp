#include "ui/event_loop.hpp"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

#include "ui/clock.hpp"
#include "ui/form.hpp"
#include "ui/timer.hpp"

namespace ui {

bool EventLoop::pass(UserInput input) {
  const NestedPass depth(*this);
  if (!takes_user_input()) input = UserInput::hold;
  if (platform_) platform_->process_events(input);
  return run_model_work(input);
}

bool EventLoop::run_model_work(UserInput input) {
  const NestedPass depth(*this);
  if (!takes_user_input()) input = UserInput::hold;
  collect_unloaded_forms();
  bool ran = false;
  if (input == UserInput::allow) ran |= run_user_input();
  // What a pass that holds input runs besides (a link source, a timer's tick) holds it too:
  // a request it sends serves no input, which would run inside the input being handled or
  // inside the request whose wait this pass is.
  std::optional<HoldingInput> holding;
  if (input == UserInput::hold) holding.emplace(*this);
  ran |= run_sources();
  // What the user did goes before any timer: a timer that is due again as soon as its
  // handler returns (a poll at its fastest) never keeps a click waiting behind it.
  if (input == UserInput::allow && user_input_ready()) return true;
  ran |= run_due_timers();
  return ran;
}

void EventLoop::wait_pass(UserInput input) {
  std::optional<AllowingInput> allowing;
  if (input == UserInput::allow) allowing.emplace(*this, Allow::modal);
  if (!pass(input)) {
    const double idle = std::min(0.001, std::max(0.0, seconds_until_next_timer()));
    clock().sleep_seconds(idle > 0 ? idle : 0.001);
  }
}

EventLoop::SourceId EventLoop::add_source(Source source) {
  const SourceId id = next_source_id_++;
  sources_.emplace(id, std::move(source));
  work_scheduled();
  return id;
}

void EventLoop::remove_source(SourceId id) {
  sources_.erase(id);
}

void EventLoop::post_user_input(std::function<void()> action) {
  user_input_.push_back({next_input_sequence_++, std::move(action)});
  work_scheduled();
}

void EventLoop::post_user_input_first(std::function<void()> action) {
  const std::uint64_t sequence = delivering_user_input() && delivered_sequence_
                                     ? *delivered_sequence_
                                     : next_input_sequence_++;
  user_input_.push_front({sequence, std::move(action)});
  work_scheduled();
}

void EventLoop::await_late_click(double seconds) {
  // Keys left from an earlier wait that ran out wait for nothing now.
  if (!awaiting_late_click()) end_late_click_wait();
  late_click_deadline_ = clock().monotonic_seconds() + seconds;
  work_scheduled();
}

void EventLoop::end_late_click_wait() {
  late_click_deadline_.reset();
  for (QueuedInput& queued : user_input_) queued.key_time_behind_late_click.reset();
  work_scheduled();
}

bool EventLoop::awaiting_late_click() const {
  return late_click_deadline_ && clock().monotonic_seconds() < *late_click_deadline_;
}

void EventLoop::post_key_behind_late_click(std::function<void()> action, std::uint64_t time) {
  user_input_.push_back({next_input_sequence_++, std::move(action), time});
  work_scheduled();
}

void EventLoop::post_late_pointer_input(std::function<void()> action, std::uint64_t time,
                                        bool press) {
  // Before the first waiting key made after it; the press the keys wait for goes before the
  // first of them even where the times disagree, as each such key says its button was down.
  auto waiting = [](const QueuedInput& queued) {
    return queued.key_time_behind_late_click.has_value();
  };
  auto before = std::find_if(user_input_.begin(), user_input_.end(), [&](const QueuedInput& q) {
    return waiting(q) && *q.key_time_behind_late_click >= time;
  });
  if (before == user_input_.end() && press) {
    before = std::find_if(user_input_.begin(), user_input_.end(), waiting);
  }
  if (before == user_input_.end()) {
    post_user_input(std::move(action));
    return;
  }
  user_input_.insert(before, {before->sequence, std::move(action), std::nullopt});
  work_scheduled();
}

bool EventLoop::user_input_ready() const {
  return !user_input_.empty() &&
         !(user_input_.front().key_time_behind_late_click && awaiting_late_click());
}

void EventLoop::serve_user_input() {
  const AllowingInput allowing(*this);
  // Inside a step that must stay whole the input waits until after it.
  if (!takes_user_input()) return;
  const std::uint64_t queued_before = next_input_sequence_;
  // Each pass takes the oldest action; a pass nested in one of them may take some too.
  // Keys waiting for a late click are not served here: they run in a later pass, after it.
  while (user_input_ready() && user_input_.front().sequence < queued_before) {
    pass(UserInput::allow);
  }
}

void EventLoop::register_timer(Timer* timer) {
  timers_.push_back(timer);
  work_scheduled();
}

void EventLoop::unregister_timer(Timer* timer) {
  std::erase(timers_, timer);
}

void EventLoop::work_scheduled() {
  if (platform_) platform_->work_scheduled();
}

double EventLoop::seconds_until_next_work() const {
  if (user_input_ready()) return 0.0;
  // Sources (sockets) have no wake-up of their own: they are polled.
  constexpr double kSourcePollSeconds = 0.001;
  double timers = seconds_until_next_timer();
  if (!user_input_.empty() && late_click_deadline_) {
    timers = std::min(timers, std::max(0.0, *late_click_deadline_ - clock().monotonic_seconds()));
  }
  return sources_.empty() ? timers : std::min(timers, kSourcePollSeconds);
}

double EventLoop::seconds_until_next_timer() const {
  double soonest = kNoWorkDue;
  const double now = clock().monotonic_seconds();
  // A timer of an unloaded form never ticks again: counting it would make every wait spin.
  for (const Timer* timer : timers_) {
    if (timer->armed() && !timer->running_handler())
      soonest = std::min(soonest, timer->next_due() - now);
  }
  return soonest;
}

void EventLoop::defer_destruction(std::unique_ptr<Form> form) {
  unloaded_forms_.push_back(std::move(form));
}

void EventLoop::collect_unloaded_forms() {
  // A form whose handler is still on the stack stays until that handler has returned.
  std::vector<std::unique_ptr<Form>> keep;
  auto pending = std::move(unloaded_forms_);
  unloaded_forms_.clear();
  for (auto& form : pending) {
    if (form->running_handler()) keep.push_back(std::move(form));
  }
  pending.clear();
  for (auto& form : keep) unloaded_forms_.push_back(std::move(form));
}

void EventLoop::reset() {
  sources_.clear();
  user_input_.clear();
  late_click_deadline_.reset();
  collect_unloaded_forms();
}

bool EventLoop::run_due_timers() {
  bool ran = false;
  const double now = clock().monotonic_seconds();
  // A handler may create or destroy timers: walk a copy and check each is still there.
  const std::vector<Timer*> snapshot = timers_;
  for (Timer* timer : snapshot) {
    if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end()) continue;
    if (!timer->due(now)) continue;
    ran |= timer->fire(now);
  }
  return ran;
}

bool EventLoop::run_user_input() {
  if (!user_input_ready()) return false;
  // One action per pass, as one window message at a time.
  auto action = std::move(user_input_.front().action);
  const std::uint64_t sequence = user_input_.front().sequence;
  user_input_.pop_front();
  const HandlingInput handling(*this, sequence);
  // Input is delivered like a window message: whatever goes wrong stops there.
  try {
    if (action) action();
  } catch (const std::exception& error) {
    report_unexpected_error("user input", &error);
  } catch (...) {
    report_unexpected_error("user input", nullptr);
  }
  return true;
}

EventLoop::HandlingInput::HandlingInput(EventLoop& loop, std::optional<std::uint64_t> sequence)
    : loop_(loop),
      outer_delivery_(std::exchange(loop.delivery_depth_, loop.pass_depth_)),
      outer_sequence_(std::exchange(loop.delivered_sequence_, sequence)) {
  ++loop_.input_depth_;
}

EventLoop::HandlingInput::~HandlingInput() {
  --loop_.input_depth_;
  loop_.delivery_depth_ = outer_delivery_;
  loop_.delivered_sequence_ = outer_sequence_;
}

bool EventLoop::run_sources() {
  bool ran = false;
  std::vector<SourceId> ids;
  ids.reserve(sources_.size());
  for (const auto& entry : sources_) ids.push_back(entry.first);
  for (SourceId id : ids) {
    auto found = sources_.find(id);
    if (found == sources_.end()) continue;
    // Copy: the source may remove itself while it runs.
    auto source = found->second;
    // A source that throws is dropped before the report: the message box runs the loop,
    // which would poll the failing source again and stack box upon box.
    try {
      ran |= source();
    } catch (const std::exception& error) {
      sources_.erase(id);
      report_unexpected_error("event source", &error);
      ran = true;
    } catch (...) {
      sources_.erase(id);
      report_unexpected_error("event source", nullptr);
      ran = true;
    }
  }
  return ran;
}

EventLoop& event_loop() {
  // Never destroyed: timers of windows that outlive it unregister here at exit.
  static auto* loop = new EventLoop;
  return *loop;
}

void do_events() {
  event_loop().pass(UserInput::allow);
}

void do_events_without_user_input() {
  event_loop().pass(UserInput::hold);
}

}  // namespace ui
