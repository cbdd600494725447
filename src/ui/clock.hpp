#pragma once
// Time sources of the console. Every wait measures with the monotonic clock; the time of
// day is only shown or stored. Tests install a manual clock to step time by hand.

#include <memory>

namespace ui {

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since an arbitrary start; never goes backwards.
  [[nodiscard]] virtual double monotonic_seconds() const = 0;
  // Local time of day in seconds since midnight, with fractions.
  [[nodiscard]] virtual double seconds_since_midnight() const = 0;
  // Gives up the processor for about the given time; a manual clock advances instead.
  virtual void sleep_seconds(double seconds) = 0;
};

// The clock everything uses; the system clock unless a test installed another.
Clock& clock();
// Installs a clock (nullptr restores the system clock); returns the previous one.
std::shared_ptr<Clock> install_clock(std::shared_ptr<Clock> replacement);

// A clock that moves only when told to, for tests of timers and waits.
class ManualClock final : public Clock {
 public:
  [[nodiscard]] double monotonic_seconds() const override { return now_; }
  [[nodiscard]] double seconds_since_midnight() const override { return midnight_offset_ + now_; }
  void sleep_seconds(double seconds) override { now_ += seconds; }
  void advance(double seconds) { now_ += seconds; }
  void set_time_of_day(double seconds) { midnight_offset_ = seconds - now_; }

 private:
  double now_ = 1000.0;
  double midnight_offset_ = 0.0;
};

}  // namespace ui
