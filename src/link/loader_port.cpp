#include "link/loader_port.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <asio.hpp>
#include <cerrno>

#include "link/serial_port.hpp"

namespace ecu {
namespace {

constexpr unsigned kLoaderBaudRate = 19200;

class AsioLoaderPort final : public LoaderPort {
 public:
  AsioLoaderPort() : port_(context_) {}
  ~AsioLoaderPort() override { close(); }
  AsioLoaderPort(const AsioLoaderPort&) = delete;
  AsioLoaderPort& operator=(const AsioLoaderPort&) = delete;

  bool open(int com_number, std::string* error) override {
    close();
    const std::string path = serial_device_path(com_number);
    asio::error_code code;
    port_.open(path, code);
    using base = asio::serial_port_base;
    if (!code) port_.set_option(base::baud_rate(kLoaderBaudRate), code);
    if (!code) port_.set_option(base::character_size(8), code);
    if (!code) port_.set_option(base::parity(base::parity::none), code);
    if (!code) port_.set_option(base::stop_bits(base::stop_bits::one), code);
    if (!code) port_.set_option(base::flow_control(base::flow_control::none), code);
    // Reads and writes go straight to the descriptor and must return at once.
    if (!code) {
      const int handle = port_.native_handle();
      const int flags = ::fcntl(handle, F_GETFL);
      if (flags < 0 || ::fcntl(handle, F_SETFL, flags | O_NONBLOCK) != 0) {
        code = asio::error_code(errno, asio::system_category());
      }
    }
    // Another program on the line would mix its bytes into the firmware.
    if (!code && (::flock(port_.native_handle(), LOCK_EX | LOCK_NB) != 0 ||
                  ::ioctl(port_.native_handle(), TIOCEXCL) != 0)) {
      code = asio::error_code(errno == EWOULDBLOCK ? EBUSY : errno, asio::system_category());
    }
    if (!code) return true;
    asio::error_code ignored;
    port_.close(ignored);
    if (error != nullptr) *error = path + ": " + code.message();
    return false;
  }

  void close() override {
    asio::error_code ignored;
    if (port_.is_open()) port_.close(ignored);
  }

  [[nodiscard]] bool is_open() const override { return port_.is_open(); }

  std::optional<std::string> read_waiting() override {
    const auto waiting = queue_count(FIONREAD);
    if (!waiting) return std::nullopt;
    std::string input(*waiting, '\0');
    std::size_t got = 0;
    while (got < input.size()) {
      const ssize_t count = ::read(port_.native_handle(), input.data() + got, input.size() - got);
      if (count < 0 && (errno == EAGAIN || errno == EINTR)) break;
      if (count <= 0) return std::nullopt;
      got += static_cast<std::size_t>(count);
    }
    input.resize(got);
    return input;
  }

  std::optional<std::size_t> write_some(std::string_view bytes) override {
    if (!port_.is_open()) return std::nullopt;
    if (bytes.empty()) return 0;
    const ssize_t taken = ::write(port_.native_handle(), bytes.data(), bytes.size());
    if (taken < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    if (taken < 0) return std::nullopt;
    return static_cast<std::size_t>(taken);
  }

  std::optional<std::size_t> output_queue_count() override { return queue_count(TIOCOUTQ); }

 private:
  std::optional<std::size_t> queue_count(unsigned long request) {
    if (!port_.is_open()) return std::nullopt;
    int count = 0;
    if (::ioctl(port_.native_handle(), request, &count) != 0) return std::nullopt;
    return static_cast<std::size_t>(count < 0 ? 0 : count);
  }

  asio::io_context context_;
  asio::serial_port port_;
};

struct LoaderPortHolder {
  std::function<std::unique_ptr<LoaderPort>()> factory;
  std::unique_ptr<LoaderPort> port;
};

LoaderPortHolder& holder() {
  static LoaderPortHolder instance;
  return instance;
}

}  // namespace

std::unique_ptr<LoaderPort> make_system_loader_port() {
  return std::make_unique<AsioLoaderPort>();
}

LoaderPort& loader_port() {
  auto& state = holder();
  if (!state.port) {
    state.port = state.factory ? state.factory() : make_system_loader_port();
  }
  return *state.port;
}

void set_loader_port_factory(std::function<std::unique_ptr<LoaderPort>()> factory) {
  auto& state = holder();
  if (state.port) state.port->close();
  state.port.reset();
  state.factory = std::move(factory);
}

}  // namespace ecu
