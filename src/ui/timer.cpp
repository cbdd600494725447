#include "ui/timer.hpp"

#include "ui/clock.hpp"
#include "ui/event_loop.hpp"
#include "ui/form.hpp"

namespace ui {

Timer::Timer(Form& form, std::string name, int interval_ms, bool enabled, int index)
    : Control(form, ControlKind::timer, std::move(name), index), interval_ms_(interval_ms) {
  set_visible(false);
  set_enabled(enabled);
  restart();
  event_loop().register_timer(this);
}

Timer::~Timer() {
  *alive_ = false;
  event_loop().unregister_timer(this);
}

void Timer::set_interval(int interval_ms) {
  if (interval_ms == interval_ms_) return;
  interval_ms_ = interval_ms;
  restart();
}

void Timer::enabled_changed() {
  restart();
}

void Timer::restart() {
  next_due_ = clock().monotonic_seconds() + interval_ms_ / 1000.0;
  event_loop().work_scheduled();
}

bool Timer::armed() const {
  return enabled() && interval_ms_ > 0 && !form().unloaded();
}

bool Timer::due(double now) const {
  return armed() && !in_handler_ && now >= next_due_;
}

bool Timer::fire(double now) {
  if (in_handler_) return false;
  // The next tick counts from this one; ticks missed meanwhile are not made up.
  next_due_ = now + interval_ms_ / 1000.0;
  if (!on_timer) return false;
  in_handler_ = true;
  const std::shared_ptr<bool> alive = alive_;
  raise(on_timer);
  if (!*alive) return true;
  in_handler_ = false;
  // A tick that fell due meanwhile runs now, not at the platform's next planned wake-up.
  if (clock().monotonic_seconds() >= next_due_) event_loop().work_scheduled();
  return true;
}

}  // namespace ui
