#pragma once
// The settings a simulated controller keeps for the console to read and write: single
// values, tables and blocks, each stored as the payload bytes of its read reply. A read
// answers the stored bytes; a write stores its value and echoes it as stored; an element
// write stores one element and echoes its index and value. Layouts follow the protocol's
// reply definitions (byte 3 is the first payload byte, words low byte first).

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace sim {

class ControllerSettings {
 public:
  ControllerSettings();

  // The payload of the answer to a request with this code and payload bytes, or nothing
  // when the code is none of the setting commands.
  std::optional<std::string> answer(std::uint8_t code, unsigned p1, unsigned p2, unsigned p3);

  // The stored payload of the read `read_code` answers.
  [[nodiscard]] std::string block(std::uint8_t read_code) const;
  void set_block(std::uint8_t read_code, std::string payload);

  // The reading the throttle captures (0xD7 closed, 0xD8 full) store and answer.
  void set_throttle_reading(std::uint8_t capture_code, std::uint8_t reading);

 private:
  mutable std::mutex mutex_;
  std::map<std::uint8_t, std::string> blocks_;
  std::map<std::uint8_t, std::uint8_t> throttle_readings_;
};

}  // namespace sim
