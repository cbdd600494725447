#include "ui/clock.hpp"

#include <chrono>
#include <ctime>
#include <thread>

namespace ui {
namespace {

class SystemClock final : public Clock {
 public:
  [[nodiscard]] double monotonic_seconds() const override {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
  }

  [[nodiscard]] double seconds_since_midnight() const override {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t whole = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&whole, &local);
    const double fraction = duration<double>(now - system_clock::from_time_t(whole)).count();
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
  }

  void sleep_seconds(double seconds) override {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  }
};

std::shared_ptr<Clock>& current_clock() {
  static std::shared_ptr<Clock> instance = std::make_shared<SystemClock>();
  return instance;
}

}  // namespace

Clock& clock() {
  return *current_clock();
}

std::shared_ptr<Clock> install_clock(std::shared_ptr<Clock> replacement) {
  if (!replacement) replacement = std::make_shared<SystemClock>();
  auto previous = current_clock();
  current_clock() = std::move(replacement);
  return previous;
}

}  // namespace ui
