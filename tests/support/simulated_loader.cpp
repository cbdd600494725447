#include "support/simulated_loader.hpp"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <array>

namespace test {

SimulatedLoader::SimulatedLoader(int com_number)
    : com_number_(com_number),
      terminal_(sim::open_com_terminal(com_number)),
      time_(std::make_unique<sim::LineTime>(com_number, terminal_.slave_fd)) {
  thread_ = std::thread([this] { run(); });
}

SimulatedLoader::~SimulatedLoader() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  thread_.join();
  time_.reset();
  ::close(terminal_.master_fd);
  ::close(terminal_.slave_fd);
  sim::release_com_variable(com_number_, terminal_.device_path);
}

void SimulatedLoader::set_ready(bool ready) {
  const std::lock_guard lock(mutex_);
  ready_ = ready;
}

void SimulatedLoader::fail_after(const std::string& text) {
  const std::lock_guard lock(mutex_);
  fail_text_ = text;
}

void SimulatedLoader::send(const std::string& bytes) {
  const ssize_t written = ::write(terminal_.master_fd, bytes.data(), bytes.size());
  if (written > 0) time_->wrote(static_cast<std::size_t>(written));
}

std::string SimulatedLoader::received() const {
  const std::lock_guard lock(mutex_);
  return received_;
}

unsigned SimulatedLoader::line_speed() const {
  termios settings{};
  ::tcgetattr(terminal_.master_fd, &settings);
  return ::cfgetospeed(&settings) == B19200 ? 19200 : 0;
}

void SimulatedLoader::run() {
  constexpr int kPollMilliseconds = 2;
  while (true) {
    pollfd watched{terminal_.master_fd, POLLIN, 0};
    ::poll(&watched, 1, kPollMilliseconds);
    std::array<char, 256> buffer{};
    const ssize_t got = ::read(terminal_.master_fd, buffer.data(), buffer.size());
    std::string answer;
    {
      const std::lock_guard lock(mutex_);
      if (stop_) return;
      if (got <= 0) continue;
      const std::string input(buffer.data(), static_cast<std::size_t>(got));
      received_ += input;
      if (ready_ && input.find('q') != std::string::npos) answer += 'B';
      if (!fail_text_.empty() && received_.find(fail_text_) != std::string::npos) {
        fail_text_.clear();
        answer += 'E';
      }
    }
    // The input counts as taken once its answer is written, so the tests' time holds till then.
    if (!answer.empty()) send(answer);
    time_->took(static_cast<std::size_t>(got), std::nullopt);
  }
}

}  // namespace test
