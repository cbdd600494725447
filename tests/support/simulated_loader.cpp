#include "support/simulated_loader.hpp"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <stdexcept>

namespace test {

SimulatedLoader::SimulatedLoader(int com_number) : com_number_(com_number) {
  std::array<char, 128> name{};
  if (::openpty(&master_fd_, &slave_fd_, name.data(), nullptr, nullptr) != 0) {
    throw std::runtime_error("openpty failed");
  }
  device_path_ = name.data();
  termios settings{};
  ::tcgetattr(slave_fd_, &settings);
  ::cfmakeraw(&settings);
  ::tcsetattr(slave_fd_, TCSANOW, &settings);
  ::fcntl(master_fd_, F_SETFL, ::fcntl(master_fd_, F_GETFL) | O_NONBLOCK);
  const std::string variable = "ECU_COM" + std::to_string(com_number_);
  ::setenv(variable.c_str(), device_path_.c_str(), 1);
  thread_ = std::thread([this] { run(); });
}

SimulatedLoader::~SimulatedLoader() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  thread_.join();
  ::close(master_fd_);
  ::close(slave_fd_);
  const std::string variable = "ECU_COM" + std::to_string(com_number_);
  if (const char* value = std::getenv(variable.c_str()); value && device_path_ == value) {
    ::unsetenv(variable.c_str());
  }
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
  [[maybe_unused]] const ssize_t written = ::write(master_fd_, bytes.data(), bytes.size());
}

std::string SimulatedLoader::received() const {
  const std::lock_guard lock(mutex_);
  return received_;
}

unsigned SimulatedLoader::line_speed() const {
  termios settings{};
  ::tcgetattr(master_fd_, &settings);
  return ::cfgetospeed(&settings) == B19200 ? 19200 : 0;
}

void SimulatedLoader::run() {
  constexpr int kPollMilliseconds = 2;
  while (true) {
    pollfd watched{master_fd_, POLLIN, 0};
    ::poll(&watched, 1, kPollMilliseconds);
    std::array<char, 256> buffer{};
    const ssize_t got = ::read(master_fd_, buffer.data(), buffer.size());
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
    if (!answer.empty()) send(answer);
  }
}

}  // namespace test
