#pragma once
// The serial line to the controller. The link code talks to it only through this interface,
// so unit tests put an in-process fake behind it and everything else a real port (a
// pseudo-terminal stands in for the controller's cable in the link tests).

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ecu {

class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens COM `com_number` for exclusive use at the console's fixed line settings; false
  // with *error (when given) set when the port does not exist or is in use.
  virtual bool open(int com_number, std::string* error) = 0;
  virtual void close() = 0;
  [[nodiscard]] virtual bool is_open() const = 0;
  // The COM number last opened (0 before the first open).
  [[nodiscard]] virtual int com_number() const = 0;

  // Bytes received and not yet read; nullopt when the port is closed or failed.
  virtual std::optional<std::size_t> bytes_waiting() = 0;
  // Everything received so far, without waiting; nullopt when the port is closed or failed.
  virtual std::optional<std::string> read_all() = 0;
  // Sends every byte; false when the port is closed or failed.
  virtual bool write(std::string_view bytes) = 0;
  // Blocks up to `seconds` until input is waiting: true when there is input or the line
  // failed (so the caller looks at once), false when the time passed quietly.
  virtual bool wait_readable(double seconds) = 0;

  // Why the last call failed.
  [[nodiscard]] virtual const std::string& last_error() const = 0;
};

// The device that stands for COM n: the value of the environment variable ECU_COM<n> when
// it is set, else /dev/ttyS<n-1>.
std::string serial_device_path(int com_number);

// A real serial port: 38400 baud, 8 data bits, no parity, 1 stop bit, raw (every byte
// value passes unchanged, no echo, no line-end translation, no flow control).
std::unique_ptr<SerialPort> make_system_serial_port();

}  // namespace ecu
