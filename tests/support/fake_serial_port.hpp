#pragma once
// An in-process serial port for unit tests of the link: the test decides which COM numbers
// exist, what arrives and when the line fails, and sees every byte the console wrote.

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "link/serial_port.hpp"

namespace test {

// The state behind the fake port, shared by the test and every port object it creates.
struct FakeLine {
  std::set<int> present_ports{1};
  std::string input;                // bytes received and not yet read by the console
  std::vector<std::string> writes;  // every write, in order
  // Runs on every write, after it was recorded; may push bytes into `input`.
  std::function<void(FakeLine& line, const std::string& written)> responder;
  // Runs at the start of every read, after the console counted what waits: bytes it pushes
  // into `input` arrive between the count and the read.
  std::function<void(FakeLine& line)> before_read;
  // Runs at the start of every count of waiting bytes: bytes it pushes arrive before it.
  std::function<void(FakeLine& line)> before_count;
  // Runs when the console waits for input on a quiet line: bytes it pushes arrive meanwhile.
  std::function<void(FakeLine& line)> on_wait;
  bool fail_writes = false;
  bool fail_reads = false;
  int opens = 0;
  bool open = false;
  int open_com_number = 0;
};

class FakeSerialPort final : public ecu::SerialPort {
 public:
  explicit FakeSerialPort(std::shared_ptr<FakeLine> line) : line_(std::move(line)) {}

  bool open(int com_number, std::string* error) override;
  void close() override { line_->open = false; }
  [[nodiscard]] bool is_open() const override { return line_->open; }
  [[nodiscard]] int com_number() const override { return com_number_; }
  std::optional<std::size_t> bytes_waiting() override;
  std::optional<std::string> read_all() override;
  bool write(std::string_view bytes) override;
  bool wait_readable(double seconds) override;
  [[nodiscard]] const std::string& last_error() const override { return last_error_; }

 private:
  bool usable();

  std::shared_ptr<FakeLine> line_;
  int com_number_ = 0;
  std::string last_error_;
};

// Puts fake ports behind the link; returns the line they share.
std::shared_ptr<FakeLine> install_fake_serial_port();

}  // namespace test
