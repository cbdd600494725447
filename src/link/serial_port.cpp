#include "link/serial_port.hpp"

#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <array>
#include <asio.hpp>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace ecu {

std::string serial_device_path(int com_number) {
  const std::string variable = "ECU_COM" + std::to_string(com_number);
  if (const char* value = std::getenv(variable.c_str()); value != nullptr && *value != '\0') {
    return value;
  }
  return "/dev/ttyS" + std::to_string(com_number - 1);
}

namespace {

constexpr unsigned kBaudRate = 38400;

class AsioSerialPort final : public SerialPort {
 public:
  AsioSerialPort() : port_(context_) {}
  ~AsioSerialPort() override { close(); }
  AsioSerialPort(const AsioSerialPort&) = delete;
  AsioSerialPort& operator=(const AsioSerialPort&) = delete;

  bool open(int com_number, std::string* error) override {
    close();
    com_number_ = com_number;
    const std::string path = serial_device_path(com_number);
    asio::error_code code;
    // Asio opens without becoming the controlling terminal and sets the line raw.
    port_.open(path, code);
    if (!code) configure(code);
    if (!code && !lock_exclusively()) {
      code = asio::error_code(errno, asio::system_category());
      if (code.value() == EWOULDBLOCK) code = asio::error_code(EBUSY, asio::system_category());
    }
    if (code) {
      asio::error_code ignored;
      port_.close(ignored);
      failed_ = false;
      last_error_ = path + ": " + code.message();
      if (error != nullptr) *error = last_error_;
      return false;
    }
    failed_ = false;
    last_error_.clear();
    return true;
  }

  void close() override {
    if (!port_.is_open()) return;
    asio::error_code ignored;
    port_.close(ignored);
    failed_ = false;
  }

  [[nodiscard]] bool is_open() const override { return port_.is_open(); }
  [[nodiscard]] int com_number() const override { return com_number_; }

  std::optional<std::size_t> bytes_waiting() override {
    if (!usable()) return std::nullopt;
    int count = 0;
    if (::ioctl(port_.native_handle(), FIONREAD, &count) != 0) {
      fail("bytes waiting");
      return std::nullopt;
    }
    return static_cast<std::size_t>(count < 0 ? 0 : count);
  }

  std::optional<std::string> read_all() override {
    // Only the bytes waiting now: the read never blocks, and a peer that keeps sending
    // cannot hold the console here.
    const auto waiting = bytes_waiting();
    if (!waiting) return std::nullopt;
    std::string input;
    input.reserve(*waiting);
    while (input.size() < *waiting) {
      std::array<char, 512> buffer{};
      const std::size_t wanted = std::min(*waiting - input.size(), buffer.size());
      asio::error_code code;
      const std::size_t got = port_.read_some(asio::buffer(buffer.data(), wanted), code);
      if (code) {
        fail("read", code);
        return std::nullopt;
      }
      if (got == 0) break;
      input.append(buffer.data(), got);
    }
    return input;
  }

  bool write(std::string_view bytes) override {
    if (!usable()) return false;
    asio::error_code code;
    asio::write(port_, asio::buffer(bytes.data(), bytes.size()), code);
    if (code) {
      fail("write", code);
      return false;
    }
    return true;
  }

  bool wait_readable(double seconds) override {
    if (!usable()) return true;
    pollfd watched{port_.native_handle(), POLLIN, 0};
    const double bounded = std::max(0.0, seconds);
    timespec timeout{};
    timeout.tv_sec = static_cast<std::time_t>(bounded);
    timeout.tv_nsec = static_cast<long>((bounded - std::floor(bounded)) * 1e9);
    const int ready = ::ppoll(&watched, 1, &timeout, nullptr);
    if (ready < 0) {
      if (errno == EINTR) return false;
      fail("wait");
      return true;
    }
    if (ready == 0) return false;
    // A hang-up (the other end of the line went away) would wake every later wait at once;
    // it fails the port once the bytes that came before it have been read.
    if ((watched.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
      int count = 0;
      if (::ioctl(port_.native_handle(), FIONREAD, &count) != 0 || count <= 0) {
        failed_ = true;
        last_error_ = "the serial line hung up";
      }
    }
    return true;
  }

  [[nodiscard]] const std::string& last_error() const override { return last_error_; }

 private:
  void configure(asio::error_code& code) {
    port_.set_option(asio::serial_port_base::baud_rate(kBaudRate), code);
    if (code) return;
    port_.set_option(asio::serial_port_base::character_size(8), code);
    if (code) return;
    port_.set_option(asio::serial_port_base::parity(asio::serial_port_base::parity::none), code);
    if (code) return;
    port_.set_option(asio::serial_port_base::stop_bits(asio::serial_port_base::stop_bits::one),
                     code);
    if (code) return;
    port_.set_option(
        asio::serial_port_base::flow_control(asio::serial_port_base::flow_control::none), code);
  }

  // TIOCEXCL keeps other programs from opening the line; the lock also stops a second
  // opener that is privileged enough to ignore TIOCEXCL.
  bool lock_exclusively() {
    const int handle = port_.native_handle();
    if (::flock(handle, LOCK_EX | LOCK_NB) != 0) return false;
    return ::ioctl(handle, TIOCEXCL) == 0;
  }

  [[nodiscard]] bool usable() {
    if (!port_.is_open()) {
      last_error_ = "the serial port is not open";
      return false;
    }
    return !failed_;
  }

  void fail(const char* what) { fail(what, asio::error_code(errno, asio::system_category())); }
  void fail(const char* what, const asio::error_code& code) {
    failed_ = true;
    last_error_ = std::string(what) + ": " + code.message();
  }

  asio::io_context context_;
  asio::serial_port port_;
  int com_number_ = 0;
  bool failed_ = false;
  std::string last_error_;
};

}  // namespace

std::unique_ptr<SerialPort> make_system_serial_port() {
  return std::make_unique<AsioSerialPort>();
}

}  // namespace ecu
