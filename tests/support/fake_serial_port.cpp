#include "support/fake_serial_port.hpp"

#include <utility>

#include "link/comm_port.hpp"

namespace test {

bool FakeSerialPort::open(int com_number, std::string* error) {
  com_number_ = com_number;
  if (line_->present_ports.count(com_number) == 0 || line_->open) {
    last_error_ = "COM" + std::to_string(com_number) + " cannot be opened";
    if (error != nullptr) *error = last_error_;
    return false;
  }
  line_->open = true;
  line_->open_com_number = com_number;
  ++line_->opens;
  return true;
}

bool FakeSerialPort::usable() {
  if (!line_->open) {
    last_error_ = "the port is not open";
    return false;
  }
  if (line_->fail_reads) {
    last_error_ = "the line failed";
    return false;
  }
  return true;
}

std::optional<std::size_t> FakeSerialPort::bytes_waiting() {
  if (!usable()) return std::nullopt;
  if (line_->before_count) line_->before_count(*line_);
  return line_->input.size();
}

std::optional<std::string> FakeSerialPort::read_all() {
  if (!usable()) return std::nullopt;
  if (line_->before_read) line_->before_read(*line_);
  return std::exchange(line_->input, std::string());
}

bool FakeSerialPort::write(std::string_view bytes) {
  if (!line_->open || line_->fail_writes) {
    last_error_ = "write failed";
    return false;
  }
  line_->writes.emplace_back(bytes);
  if (line_->responder) line_->responder(*line_, line_->writes.back());
  return true;
}

bool FakeSerialPort::wait_readable(double /*seconds*/) {
  if (usable() && line_->input.empty() && line_->on_wait) line_->on_wait(*line_);
  // Nothing else arrives by itself: a quiet line comes back at once and the wait's clock moves on.
  return !usable() || !line_->input.empty();
}

std::shared_ptr<FakeLine> install_fake_serial_port() {
  auto line = std::make_shared<FakeLine>();
  ecu::set_serial_port_factory([line] { return std::make_unique<FakeSerialPort>(line); });
  return line;
}

}  // namespace test
