#include "sim/line_time.hpp"

#include <sys/ioctl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "ui/clock.hpp"

namespace sim {

// What crossed one controller's line, counted from both ends.
struct SimulatedLine {
  int com_number = 0;
  int console_side = -1;
  bool hung_up = false;
  std::int64_t console_wrote = 0;
  std::int64_t controller_took = 0;
  std::int64_t controller_wrote = 0;
  std::int64_t console_read = 0;
  std::optional<double> next_due;
};

namespace {

// An answer can reach the console's side while nobody reads the clock, so how long it took
// to get there is not known: the first step after it is at most this, far inside the
// console's 0.1 s wait.
constexpr double kLongestStepAfterAnArrival = 0.002;
// A hold longer than this is a count gone wrong (a terminal buffer left full, say), never a
// thread waiting for a processor: the time runs on rather than stop a test for good.
constexpr double kLongestHold = 2.0;

double system_seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t bytes_waiting_on(int descriptor) {
  int count = 0;
  if (::ioctl(descriptor, FIONREAD, &count) != 0) return 0;
  return count;
}

class TestsClock final : public ui::Clock {
 public:
  [[nodiscard]] double monotonic_seconds() const override {
    const std::lock_guard lock(mutex_);
    return advance();
  }
  [[nodiscard]] double seconds_since_midnight() const override {
    return time_of_day_->seconds_since_midnight();
  }
  void sleep_seconds(double seconds) override {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  }

  // Every change of what holds the time first brings the time up to that moment.
  template <typename Change>
  void change(Change&& what) {
    const std::lock_guard lock(mutex_);
    advance();
    what();
  }

  void attach(SimulatedLine* line) {
    change([&] { lines_.push_back(line); });
  }
  // True when no line is left.
  bool detach(SimulatedLine* line) {
    const std::lock_guard lock(mutex_);
    advance();
    lines_.erase(std::remove(lines_.begin(), lines_.end(), line), lines_.end());
    return lines_.empty();
  }

  void console_opened(int com_number) {
    change([&] {
      if (++console_opens_[com_number] != 1) return;
      // What crossed before the console watched the line holds nothing.
      if (SimulatedLine* line = line_on(com_number)) {
        line->console_wrote = line->controller_took;
        line->console_read = std::max<std::int64_t>(
            0, line->controller_wrote - bytes_waiting_on(line->console_side));
      }
    });
  }
  void console_closed(int com_number) {
    change([&] {
      if (--console_opens_[com_number] <= 0) console_opens_.erase(com_number);
    });
  }
  void console_wrote(int com_number, std::size_t bytes) {
    change([&] {
      if (SimulatedLine* line = line_on(com_number)) {
        line->console_wrote += static_cast<std::int64_t>(bytes);
      }
    });
  }
  void console_read(int com_number, std::size_t bytes) {
    change([&] {
      if (SimulatedLine* line = line_on(com_number)) {
        line->console_read += static_cast<std::int64_t>(bytes);
      }
    });
  }
  void controller_wrote(SimulatedLine* line, std::size_t bytes) {
    change([&] {
      line->controller_wrote += static_cast<std::int64_t>(bytes);
      answer_may_have_arrived_ = true;
    });
  }

  std::shared_ptr<ui::Clock> time_of_day_;

 private:
  // Called with the lock held.
  double advance() const {
    const double real = system_seconds();
    double step = real - real_;
    real_ = real;
    if (held()) {
      if (!held_since_) held_since_ = real;
      if (real - *held_since_ < kLongestHold) return now_;
    } else {
      held_since_.reset();
    }
    if (std::exchange(answer_may_have_arrived_, false)) {
      step = std::min(step, kLongestStepAfterAnArrival);
    }
    double next = now_ + step;
    for (const SimulatedLine* line : lines_) {
      if (!line->hung_up && line->next_due) next = std::min(next, std::max(now_, *line->next_due));
    }
    now_ = next;
    return now_;
  }

  // Whether a request or an answer is on its way on a line the console watches: a count that
  // is not kept (a port the console opened outside this watch) holds nothing.
  bool held() const {
    for (const SimulatedLine* line : lines_) {
      if (line->hung_up || console_opens_.count(line->com_number) == 0) continue;
      if (line->console_wrote > line->controller_took) return true;
      if (line->controller_wrote > line->console_read + bytes_waiting_on(line->console_side)) {
        answer_may_have_arrived_ = true;
        return true;
      }
    }
    return false;
  }

  SimulatedLine* line_on(int com_number) const {
    for (SimulatedLine* line : lines_) {
      if (line->com_number == com_number && !line->hung_up) return line;
    }
    return nullptr;
  }

  mutable std::mutex mutex_;
  mutable double real_ = system_seconds();
  mutable double now_ = real_;
  mutable bool answer_may_have_arrived_ = false;
  mutable std::optional<double> held_since_;  // system time the current hold began
  std::vector<SimulatedLine*> lines_;
  std::map<int, int> console_opens_;  // watched console ports open, by COM number
};

const std::shared_ptr<TestsClock>& tests_clock() {
  static const auto instance = std::make_shared<TestsClock>();
  return instance;
}

}  // namespace

LineTime::LineTime(int com_number, int console_side) : line_(std::make_unique<SimulatedLine>()) {
  line_->com_number = com_number;
  line_->console_side = console_side;
  const auto& clock = tests_clock();
  clock->attach(line_.get());
  // A test that steps a manual clock keeps it.
  ui::Clock& current = ui::clock();
  if (&current != clock.get() && dynamic_cast<ui::ManualClock*>(&current) == nullptr) {
    clock->time_of_day_ = ui::install_clock(clock);
  }
}

LineTime::~LineTime() {
  const auto& clock = tests_clock();
  if (clock->detach(line_.get()) && &ui::clock() == clock.get()) {
    ui::install_clock(clock->time_of_day_);
  }
}

double LineTime::now() const {
  return tests_clock()->monotonic_seconds();
}

void LineTime::took(std::size_t bytes, std::optional<double> next_due) {
  tests_clock()->change([&] {
    line_->controller_took += static_cast<std::int64_t>(bytes);
    line_->next_due = next_due;
  });
}

void LineTime::set_next_due(std::optional<double> next_due) {
  tests_clock()->change([&] { line_->next_due = next_due; });
}

void LineTime::wrote(std::size_t bytes) {
  tests_clock()->controller_wrote(line_.get(), bytes);
}

void LineTime::hang_up() {
  tests_clock()->change([&] { line_->hung_up = true; });
}

void console_port_opened(int com_number) {
  tests_clock()->console_opened(com_number);
}

void console_port_closed(int com_number) {
  tests_clock()->console_closed(com_number);
}

void console_wrote(int com_number, std::size_t bytes) {
  tests_clock()->console_wrote(com_number, bytes);
}

void console_read(int com_number, std::size_t bytes) {
  tests_clock()->console_read(com_number, bytes);
}

}  // namespace sim
