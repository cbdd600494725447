#pragma once

#include <memory>

#include "ui/control.hpp"

namespace ui {

// A timer ticks on the message loop every interval while enabled. A handler never re-enters
// itself: a tick that falls due while the handler still runs (inside a wait of its own)
// waits until the handler has returned, then runs once; missed ticks are not made up. So a
// handler that takes longer than its interval runs again as soon as it returns.
class Timer : public Control {
 public:
  Timer(Form& form, std::string name, int interval_ms, bool enabled = true, int index = -1);
  ~Timer() override;

  [[nodiscard]] int interval() const { return interval_ms_; }
  // 0 stops the timer; a new interval counts from now.
  void set_interval(int interval_ms);

  std::function<void()> on_timer;

  [[nodiscard]] bool running_handler() const { return in_handler_; }
  // For the loop: whether the timer can tick at all (enabled, with an interval, on a loaded
  // form), whether it is due at the given time (never while its handler runs), and firing
  // it. fire() returns whether the handler ran.
  [[nodiscard]] bool armed() const;
  [[nodiscard]] bool due(double now) const;
  [[nodiscard]] double next_due() const { return next_due_; }
  bool fire(double now);

 protected:
  void enabled_changed() override;

 private:
  void restart();

  int interval_ms_;
  double next_due_ = 0;
  bool in_handler_ = false;
  // Cleared by the destructor, so a tick whose handler destroyed the timer stops there.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace ui
