#include "support/watched_ports.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "link/comm_port.hpp"
#include "link/loader_port.hpp"
#include "link/serial_port.hpp"
#include "sim/line_time.hpp"

namespace test {
namespace {

// Tells the tests' clock what the console does with one open port.
class PortWatch {
 public:
  PortWatch() = default;
  ~PortWatch() { closed(); }
  PortWatch(const PortWatch&) = delete;
  PortWatch& operator=(const PortWatch&) = delete;

  void opened(int com_number) {
    closed();
    com_ = com_number;
    sim::console_port_opened(com_number);
  }
  void closed() {
    if (com_ != 0) sim::console_port_closed(std::exchange(com_, 0));
  }
  void read(std::size_t count) const {
    if (com_ != 0) sim::console_read(com_, count);
  }
  void wrote(std::size_t count) const {
    if (com_ != 0) sim::console_wrote(com_, count);
  }

 private:
  int com_ = 0;
};

// The system's serial port, telling the tests' clock what the console wrote and read.
class WatchedSerialPort final : public ecu::SerialPort {
 public:
  bool open(int com_number, std::string* error) override {
    watch_.closed();
    if (!port_->open(com_number, error)) return false;
    watch_.opened(com_number);
    return true;
  }
  void close() override {
    watch_.closed();
    port_->close();
  }
  [[nodiscard]] bool is_open() const override { return port_->is_open(); }
  [[nodiscard]] int com_number() const override { return port_->com_number(); }
  std::optional<std::size_t> bytes_waiting() override { return port_->bytes_waiting(); }
  std::optional<std::string> read_all() override {
    auto input = port_->read_all();
    if (input) watch_.read(input->size());
    return input;
  }
  bool write(std::string_view bytes) override {
    const bool written = port_->write(bytes);
    if (written) watch_.wrote(bytes.size());
    return written;
  }
  bool wait_readable(double seconds) override { return port_->wait_readable(seconds); }
  [[nodiscard]] const std::string& last_error() const override { return port_->last_error(); }

 private:
  std::unique_ptr<ecu::SerialPort> port_ = ecu::make_system_serial_port();
  PortWatch watch_;  // after the port: it tells of the close first
};

// The firmware loader's port, watched the same way.
class WatchedLoaderPort final : public ecu::LoaderPort {
 public:
  bool open(int com_number, std::string* error) override {
    watch_.closed();
    if (!port_->open(com_number, error)) return false;
    watch_.opened(com_number);
    return true;
  }
  void close() override {
    watch_.closed();
    port_->close();
  }
  [[nodiscard]] bool is_open() const override { return port_->is_open(); }
  std::optional<std::string> read_waiting() override {
    auto input = port_->read_waiting();
    if (input) watch_.read(input->size());
    return input;
  }
  std::optional<std::size_t> write_some(std::string_view bytes) override {
    const auto taken = port_->write_some(bytes);
    if (taken) watch_.wrote(*taken);
    return taken;
  }
  std::optional<std::size_t> output_queue_count() override { return port_->output_queue_count(); }

 private:
  std::unique_ptr<ecu::LoaderPort> port_ = ecu::make_system_loader_port();
  PortWatch watch_;  // after the port: it tells of the close first
};

}  // namespace

void use_system_serial_port() {
  ecu::set_serial_port_factory([] { return std::make_unique<WatchedSerialPort>(); });
  ecu::set_loader_port_factory([] { return std::make_unique<WatchedLoaderPort>(); });
}

}  // namespace test
