#include "support/simulated_time.hpp"

#include <sys/ioctl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "link/comm_port.hpp"
#include "link/loader_port.hpp"
#include "link/serial_port.hpp"
#include "ui/clock.hpp"

namespace test {

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

// The system's serial port, telling the tests' clock what the console wrote and read.
class WatchedSerialPort final : public ecu::SerialPort {
 public:
  ~WatchedSerialPort() override { stop_watching(); }
  WatchedSerialPort() = default;
  WatchedSerialPort(const WatchedSerialPort&) = delete;
  WatchedSerialPort& operator=(const WatchedSerialPort&) = delete;

  bool open(int com_number, std::string* error) override {
    stop_watching();
    if (!port_->open(com_number, error)) return false;
    watched_com_ = com_number;
    tests_clock()->console_opened(com_number);
    return true;
  }
  void close() override {
    stop_watching();
    port_->close();
  }
  [[nodiscard]] bool is_open() const override { return port_->is_open(); }
  [[nodiscard]] int com_number() const override { return port_->com_number(); }
  std::optional<std::size_t> bytes_waiting() override { return port_->bytes_waiting(); }
  std::optional<std::string> read_all() override {
    auto input = port_->read_all();
    if (input && watched_com_ != 0) tests_clock()->console_read(watched_com_, input->size());
    return input;
  }
  bool write(std::string_view bytes) override {
    const bool written = port_->write(bytes);
    if (written && watched_com_ != 0) tests_clock()->console_wrote(watched_com_, bytes.size());
    return written;
  }
  bool wait_readable(double seconds) override { return port_->wait_readable(seconds); }
  [[nodiscard]] const std::string& last_error() const override { return port_->last_error(); }

 private:
  void stop_watching() {
    if (watched_com_ != 0) tests_clock()->console_closed(std::exchange(watched_com_, 0));
  }

  std::unique_ptr<ecu::SerialPort> port_ = ecu::make_system_serial_port();
  int watched_com_ = 0;
};

// The firmware loader's port, watched the same way.
class WatchedLoaderPort final : public ecu::LoaderPort {
 public:
  ~WatchedLoaderPort() override { stop_watching(); }
  WatchedLoaderPort() = default;
  WatchedLoaderPort(const WatchedLoaderPort&) = delete;
  WatchedLoaderPort& operator=(const WatchedLoaderPort&) = delete;

  bool open(int com_number, std::string* error) override {
    stop_watching();
    if (!port_->open(com_number, error)) return false;
    watched_com_ = com_number;
    tests_clock()->console_opened(com_number);
    return true;
  }
  void close() override {
    stop_watching();
    port_->close();
  }
  [[nodiscard]] bool is_open() const override { return port_->is_open(); }
  std::optional<std::string> read_waiting() override {
    auto input = port_->read_waiting();
    if (input && watched_com_ != 0) tests_clock()->console_read(watched_com_, input->size());
    return input;
  }
  std::optional<std::size_t> write_some(std::string_view bytes) override {
    const auto taken = port_->write_some(bytes);
    if (taken && watched_com_ != 0) tests_clock()->console_wrote(watched_com_, *taken);
    return taken;
  }
  std::optional<std::size_t> output_queue_count() override { return port_->output_queue_count(); }

 private:
  void stop_watching() {
    if (watched_com_ != 0) tests_clock()->console_closed(std::exchange(watched_com_, 0));
  }

  std::unique_ptr<ecu::LoaderPort> port_ = ecu::make_system_loader_port();
  int watched_com_ = 0;
};

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

void use_system_serial_port() {
  ecu::set_serial_port_factory([] { return std::make_unique<WatchedSerialPort>(); });
  ecu::set_loader_port_factory([] { return std::make_unique<WatchedLoaderPort>(); });
}

}  // namespace test
