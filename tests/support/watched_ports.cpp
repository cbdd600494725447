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
    sim::console_port_opened(com_number);
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
    if (input && watched_com_ != 0) sim::console_read(watched_com_, input->size());
    return input;
  }
  bool write(std::string_view bytes) override {
    const bool written = port_->write(bytes);
    if (written && watched_com_ != 0) sim::console_wrote(watched_com_, bytes.size());
    return written;
  }
  bool wait_readable(double seconds) override { return port_->wait_readable(seconds); }
  [[nodiscard]] const std::string& last_error() const override { return port_->last_error(); }

 private:
  void stop_watching() {
    if (watched_com_ != 0) sim::console_port_closed(std::exchange(watched_com_, 0));
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
    sim::console_port_opened(com_number);
    return true;
  }
  void close() override {
    stop_watching();
    port_->close();
  }
  [[nodiscard]] bool is_open() const override { return port_->is_open(); }
  std::optional<std::string> read_waiting() override {
    auto input = port_->read_waiting();
    if (input && watched_com_ != 0) sim::console_read(watched_com_, input->size());
    return input;
  }
  std::optional<std::size_t> write_some(std::string_view bytes) override {
    const auto taken = port_->write_some(bytes);
    if (taken && watched_com_ != 0) sim::console_wrote(watched_com_, *taken);
    return taken;
  }
  std::optional<std::size_t> output_queue_count() override { return port_->output_queue_count(); }

 private:
  void stop_watching() {
    if (watched_com_ != 0) sim::console_port_closed(std::exchange(watched_com_, 0));
  }

  std::unique_ptr<ecu::LoaderPort> port_ = ecu::make_system_loader_port();
  int watched_com_ = 0;
};

}  // namespace

void use_system_serial_port() {
  ecu::set_serial_port_factory([] { return std::make_unique<WatchedSerialPort>(); });
  ecu::set_loader_port_factory([] { return std::make_unique<WatchedLoaderPort>(); });
}

}  // namespace test
