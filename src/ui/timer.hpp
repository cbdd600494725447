#pragma once

#include "ui/control.hpp"

namespace ui {

// A timer ticks on the message loop every interval while enabled. A tick that falls due
// while its own handler still runs is skipped, so a handler never re-enters itself.
class Timer : public Control {
 public:
  Timer(Form& form, std::string name, int interval_ms, bool enabled = true, int index = -1);
  ~Timer() override;

  [[nodiscard]] int interval() const { return interval_ms_; }
  // 0 stops the timer; a new interval counts from now.
  void set_interval(int interval_ms);

  std::function<void()> on_timer;

  [[nodiscard]] bool running_handler() const { return in_handler_; }
  // For the loop: whether the timer is due at the given time, and firing it.
  [[nodiscard]] bool due(double now) const;
  [[nodiscard]] double next_due() const { return next_due_; }
  void fire(double now);

 protected:
  void enabled_changed() override;

 private:
  void restart();

  int interval_ms_;
  double next_due_ = 0;
  bool in_handler_ = false;
};

}  // namespace ui
