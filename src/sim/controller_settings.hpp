#pragma once
// The settings a simulated controller keeps for the console to read and write: single
// values, tables and blocks, each stored as the payload bytes of its read reply. A read
// answers the stored bytes; a write stores its value and echoes it as stored; an element
// write stores one element and echoes its index and value. A write into a block that is not
// kept is echoed only: the tests' controller keeps no base configuration ('C') or fuel
// parameters ('B'), whose reads it answers as the test set them; a calibration that holds
// them (sim/calibration.hpp) keeps their writes too. Layouts follow the protocol's reply
// definitions (byte 3 is the first payload byte, words low byte first).

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace sim {

// A payload of 16-bit values as the controller sends them, low byte first.
std::string words(std::initializer_list<unsigned> values);

class ControllerSettings {
 public:
  ControllerSettings();

  // The payload of the answer to a request with this code and payload bytes, or nothing
  // when the code is none of the setting commands.
  std::optional<std::string> answer(std::uint8_t code, unsigned p1, unsigned p2, unsigned p3);

  // The stored payload of the read `read_code` answers.
  [[nodiscard]] std::string block(std::uint8_t read_code) const;
  void set_block(std::uint8_t read_code, std::string payload);

  // Every kept block by its read code, and all of them at once.
  [[nodiscard]] std::map<std::uint8_t, std::string> blocks() const;
  void set_blocks(std::map<std::uint8_t, std::string> blocks);
  // Writes that stored a value in a block since the start.
  [[nodiscard]] std::size_t stored_write_count() const;

  // The reading the throttle captures (0xD7 closed, 0xD8 full) store and answer.
  void set_throttle_reading(std::uint8_t capture_code, std::uint8_t reading);

 private:
  // Called with the lock held.
  void store(std::string& block, unsigned offset, unsigned width, unsigned value);

  mutable std::mutex mutex_;
  std::map<std::uint8_t, std::string> blocks_;
  std::map<std::uint8_t, std::uint8_t> throttle_readings_;
  std::size_t stored_writes_ = 0;
};

}  // namespace sim
