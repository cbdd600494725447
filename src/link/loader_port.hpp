#pragma once
// The firmware loader's own serial port: 19200 baud, 8 data bits, no parity, 1 stop bit, raw.
// Writes never block: the caller decides how long a line that takes nothing may stall.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ecu {

class LoaderPort {
 public:
  virtual ~LoaderPort() = default;

  // Opens COM `com_number` for exclusive use; false with *error set when it cannot.
  virtual bool open(int com_number, std::string* error) = 0;
  virtual void close() = 0;
  [[nodiscard]] virtual bool is_open() const = 0;
  // Every character received and not yet read; nullopt when the port is closed or failed.
  virtual std::optional<std::string> read_waiting() = 0;
  // Hands the line as many of `bytes` as it takes now: the count taken (0 when its buffer
  // is full), nullopt when the port is closed or failed.
  virtual std::optional<std::size_t> write_some(std::string_view bytes) = 0;
  // Bytes written but not yet sent out of the port's output buffer.
  virtual std::optional<std::size_t> output_queue_count() = 0;
};

// The real loader port on a serial device.
std::unique_ptr<LoaderPort> make_system_loader_port();

// The one loader port object, created on first use.
LoaderPort& loader_port();
// Replaces the factory of loader ports (nullptr restores the real serial port) and drops
// the current one; tests put their own port behind the loader this way.
void set_loader_port_factory(std::function<std::unique_ptr<LoaderPort>()> factory);

}  // namespace ecu
