#include "sim/controller_settings.hpp"

#include <array>
#include <initializer_list>
#include <utility>

namespace sim {

std::string words(std::initializer_list<unsigned> values) {
  std::string payload;
  for (const unsigned value : values) {
    payload += static_cast<char>(value & 0xFFU);
    payload += static_cast<char>((value >> 8) & 0xFFU);
  }
  return payload;
}

namespace {

enum class Answer {
  block,        // a read: the stored payload
  value,        // a write of one value (v 0 0 or lo hi 0): stored, echoed as stored
  element,      // a write of one element (idx v 0 or idx lo hi): stored, echoed with its index
  capture,      // the controller takes a reading, stores it and answers it
  acknowledge,  // an action: the first `width` request bytes come back
};

struct SettingCommand {
  std::uint8_t code;
  Answer answer;
  std::uint8_t block;  // read code of the stored payload it reads or writes; 0 none
  unsigned offset;     // payload byte of the value, or of element 0
  unsigned width;      // value bytes
  unsigned stride;     // payload bytes from one element to the next
  unsigned count;      // elements
};

constexpr SettingCommand read(std::uint8_t code) {
  return {code, Answer::block, code, 0, 0, 0, 0};
}

// A write of a single setting stored at the start of its read's payload.
constexpr SettingCommand write(std::uint8_t code, std::uint8_t block, unsigned width) {
  return {code, Answer::value, block, 0, width, 0, 0};
}

constexpr SettingCommand field(std::uint8_t code, std::uint8_t block, unsigned offset,
                               unsigned width) {
  return {code, Answer::value, block, offset, width, 0, 0};
}

constexpr SettingCommand element(std::uint8_t code, std::uint8_t block, unsigned offset,
                                 unsigned width, unsigned stride, unsigned count) {
  return {code, Answer::element, block, offset, width, stride, count};
}

constexpr SettingCommand acknowledge(std::uint8_t code, unsigned width) {
  return {code, Answer::acknowledge, 0, 0, width, 0, 0};
}

// clang-format off
constexpr auto kCommands = std::to_array<SettingCommand>({
    // Letter-code settings: reads and their writes.
    read('!'), write('?', '!', 1), read('%'), write('<', '%', 1), read('^'), write('>', '^', 1),
    read('@'), write('=', '@', 2), read('S'), write('s', 'S', 2), read('T'), write('t', 'T', 1),
    read('U'), write('u', 'U', 2), read('V'), write('v', 'V', 1), read('W'), write('w', 'W', 1),
    read('Z'), write('z', 'Z', 2),
    // Fields of the base configuration ('C') and fuel parameter ('B') blocks, which the
    // controller's reply layouts answer.
    field('b', 'C', 0, 2), field('f', 'C', 4, 2), field('p', 'C', 6, 2), field('c', 'C', 8, 1),
    field('g', 'C', 9, 2), field('}', 'C', 13, 2), field('|', 'C', 15, 1), field('~', 'C', 16, 1),
    field(0x82, 'C', 17, 1),
    field('o', 'B', 0, 2), field('m', 'B', 2, 2), field('h', 'B', 4, 2), field(' ', 'B', 6, 2),
    field(0x83, 'B', 8, 1),
    // Phase output tables.
    read(0x7F), element(0x80, 0x7F, 0, 1, 1, 16), read(0xA5), element(0xA6, 0xA5, 0, 1, 1, 16),
    // Idle air, dwell and timing.
    read(0x84), write(0x85, 0x84, 2), read(0x86), write(0x87, 0x86, 2), read(0x88), write(0x89, 0x88, 2),
    read(0x8A), write(0x8B, 0x8A, 2), read(0x8C), write(0x8D, 0x8C, 2), read(0x8E), write(0x8F, 0x8E, 2),
    read(0x90), write(0x91, 0x90, 1), read(0x94), write(0x95, 0x94, 2), read(0x9D), write(0x9E, 0x9D, 2),
    read(0xA1), write(0xA2, 0xA1, 1), read(0xA3), write(0xA4, 0xA3, 1),
    // Phase base angles, phases in use, index teeth, tach phases.
    read(0x9B), element(0x9C, 0x9B, 0, 2, 2, 16), read(0x9F), write(0xA0, 0x9F, 2),
    read(0xA7), write(0xA8, 0xA7, 1), read(0xB0), write(0xB1, 0xB0, 2),
    // General-purpose outputs.
    read(0xAA), element(0xAB, 0xAA, 0, 1, 1, 4), read(0xAC), element(0xAD, 0xAC, 0, 1, 1, 4),
    acknowledge(0xA9, 1),
    // Feature word and version, scalar limits.
    read(0xB3), read(0xB4), read(0xB7), write(0xB8, 0xB7, 2), read(0xE3), write(0xE4, 0xE3, 1),
    read(0xE5), write(0xE6, 0xE5, 1), read(0xE7), write(0xE8, 0xE7, 2),
    // Injector channel tables.
    read(0xC9), element(0xCC, 0xC9, 0, 2, 2, 8), read(0xCA), element(0xCD, 0xCA, 0, 2, 2, 8),
    read(0x0C), element(0x0D, 0x0C, 0, 2, 2, 8), read(0xCB), element(0xCE, 0xCB, 0, 2, 2, 8),
    // EGO sensor and throttle calibration.
    read(0xD0), field(0xD1, 0xD0, 0, 1), field(0xD2, 0xD0, 1, 1), field(0xD3, 0xD0, 2, 1),
    read(0xD4), field(0xD5, 0xD4, 0, 1), field(0xD6, 0xD4, 1, 1),
    {0xD7, Answer::capture, 0xD4, 0, 1, 0, 0}, {0xD8, Answer::capture, 0xD4, 1, 1, 0, 0},
    // Boost channels (ten bytes each) and rpm switch points.
    read(0xD9), element(0xDA, 0xD9, 0, 2, 10, 4), element(0xDB, 0xD9, 2, 2, 10, 4),
    element(0xDC, 0xD9, 4, 2, 10, 4), element(0xDD, 0xD9, 6, 1, 10, 4), element(0xDE, 0xD9, 7, 1, 10, 4),
    element(0xDF, 0xD9, 8, 1, 10, 4), element(0xE0, 0xD9, 9, 1, 10, 4),
    read(0xE1), element(0xE2, 0xE1, 0, 2, 2, 4),
    // The second decoder's settings and acknowledgements.
    acknowledge(0x01, 2), acknowledge(0x02, 2), acknowledge(0x03, 3), acknowledge(0x04, 1), acknowledge(0xF7, 1),
    read(0x06), write(0x07, 0x06, 1), read(0x08), write(0x09, 0x08, 1), read(0x0A), write(0x0B, 0x0A, 1),
    read(0x0E), write(0x0F, 0x0E, 2), read(0x10), write(0x11, 0x10, 1), read(0x12), write(0x13, 0x12, 2),
    read(0x14), write(0x15, 0x14, 1), read(0x16), write(0x17, 0x16, 1), read(0x18), write(0x19, 0x18, 2),
    read(0x1A), write(0x1B, 0x1A, 2), read(0x1C), element(0x1D, 0x1C, 0, 2, 2, 8),
    read(0x1E), write(0x1F, 0x1E, 2), read(0x22), element(0x23, 0x22, 0, 2, 2, 8),
    element(0x24, 0x22, 16, 2, 2, 8), read(0x26), element(0x27, 0x26, 0, 1, 1, 8),
    read(0x28), write(0x29, 0x28, 1), read(0x2E), write(0x2F, 0x2E, 2),
    read(0x30), field(0x31, 0x30, 0, 1), field(0x32, 0x30, 2, 2), field(0x33, 0x30, 1, 1), field(0x34, 0x30, 4, 2),
    read(0x35), write(0x36, 0x35, 1),
    read(0xE9), write(0xEA, 0xE9, 2), read(0xEB), write(0xEC, 0xEB, 2), read(0xED), write(0xEE, 0xED, 2),
    read(0xEF), write(0xF0, 0xEF, 2), read(0xF1), write(0xF2, 0xF1, 1), read(0xF3), write(0xF4, 0xF3, 1),
    read(0xF5), write(0xF6, 0xF5, 2), read(0xF9), write(0xFA, 0xF9, 1), read(0xFB), write(0xFC, 0xFB, 1),
    read(0xFD), write(0xFE, 0xFD, 1),
});
// clang-format on

std::string bytes(std::initializer_list<unsigned> values) {
  std::string payload;
  for (const unsigned value : values) payload += static_cast<char>(value & 0xFFU);
  return payload;
}

std::string boost_channel(unsigned p, unsigned i, unsigned d,
                          std::initializer_list<unsigned> rest) {
  return words({p, i, d}) + bytes(rest);
}

// A controller with every function, eight outputs each way and a calibration in the
// controller's own units.
std::map<std::uint8_t, std::string> default_blocks() {
  return {
      {'!', bytes({64})},
      {'%', bytes({32})},
      {'^', bytes({96})},
      {'@', words({625})},
      {'S', words({1250})},
      {'T', bytes({3})},
      {'U', words({3125})},
      {'V', bytes({5})},
      {'W', bytes({40})},
      {'Z', words({512})},
      {0x7F, bytes({1, 2, 4, 8, 16, 32, 64, 128, 0, 0, 0, 0, 0, 0, 0, 0})},
      {0xA5, bytes({0x81, 0x42, 0x24, 0x18, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0F})},
      {0x84, words({258})},
      {0x86, words({40})},
      {0x88, words({512})},
      {0x8A, words({800})},
      {0x8C, words({400})},
      {0x8E, words({100})},
      {0x90, bytes({50})},
      {0x94, words({350})},
      {0x9D, words({90})},
      {0xA1, bytes({64})},
      {0xA3, bytes({72})},
      {0x9B, words({0, 720, 1440, 2160, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2879})},
      {0x9F, words({0x000F})},
      {0xA7, bytes({12})},
      {0xB0, words({0x0005})},
      {0xAA, bytes({0x81, 0x06, 0x07, 0x00})},
      {0xAC, bytes({0, 95, 0xFB, 100})},
      {0xB3, words({0x3F88})},
      {0xB4, words({20003})},
      {0xB7, words({40})},
      {0xE3, bytes({200})},
      {0xE5, bytes({26})},
      {0xE7, words({900})},
      {0xC9, words({4096, 4096, 4096, 4096, 4096, 4096, 4096, 4096})},
      {0xCA, words({625, 625, 625, 625, 0xFD8F, 0, 0, 0})},
      {0x0C, words({625, 625, 625, 625, 625, 625, 625, 625})},
      {0xCB, words({12500, 12500, 12500, 12500, 12500, 12500, 12500, 12500})},
      {0xD0, bytes({1, 64, 192})},
      {0xD4, bytes({26, 230})},
      {0xD9, boost_channel(6144, 4096, 0, {200, 128, 50, 1}) +
                 boost_channel(4096, 0, 0, {100, 0, 20, 2}) + boost_channel(0, 0, 0, {0, 0, 0, 0}) +
                 boost_channel(2048, 1024, 512, {255, 255, 255, 3})},
      {0xE1, words({3000, 4000, 5000, 6000})},
      {0x06, bytes({10})},
      {0x08, bytes({8})},
      {0x0A, bytes({1})},
      {0x0E, words({400})},
      {0x10, bytes({96})},
      {0x12, words({300})},
      {0x14, bytes({72})},
      {0x16, bytes({80})},
      {0x18, words({7000})},
      {0x1A, words({7200})},
      {0x1C, words({1, 0, 1, 1, 0, 1, 0, 0})},
      {0x1E, words({32768})},
      {0x22, words({16, 24, 32, 40, 48, 56, 64, 72, 160, 150, 140, 130, 120, 110, 100, 90})},
      {0x26, bytes({0, 1, 2, 3, 0, 1, 2, 3})},
      {0x28, bytes({64})},
      {0x2E, words({2500})},
      {0x30, bytes({0x80, 0x7F}) + words({1024, 1000})},
      {0x35, bytes({100})},
      {0xE9, words({6500})},
      {0xEB, words({6600})},
      {0xED, words({7500})},
      {0xEF, words({7600})},
      {0xF1, bytes({200})},
      {0xF3, bytes({100})},
      {0xF5, words({0x0248})},
      {0xF9, bytes({40})},
      {0xFB, bytes({20})},
      {0xFD, bytes({10})},
  };
}

void put(std::string& block, unsigned offset, unsigned width, unsigned value) {
  for (unsigned k = 0; k < width && offset + k < block.size(); ++k) {
    block[offset + k] = static_cast<char>((value >> (8 * k)) & 0xFFU);
  }
}

unsigned value_of(unsigned low, unsigned high, unsigned width) {
  return width == 1 ? low : low + 256 * high;
}

}  // namespace

ControllerSettings::ControllerSettings()
    : blocks_(default_blocks()), throttle_readings_{{0xD7, 26}, {0xD8, 230}} {}

std::optional<std::string> ControllerSettings::answer(std::uint8_t code, unsigned p1, unsigned p2,
                                                      unsigned p3) {
  const std::lock_guard lock(mutex_);
  for (const SettingCommand& command : kCommands) {
    if (command.code != code) continue;
    // A write into a block this controller does not keep is echoed only.
    const auto kept = blocks_.find(command.block);
    std::string* block = kept != blocks_.end() ? &kept->second : nullptr;
    switch (command.answer) {
      case Answer::block:
        return block != nullptr ? *block : std::string();
      case Answer::value: {
        const unsigned value = value_of(p1, p2, command.width);
        if (block != nullptr) store(*block, command.offset, command.width, value);
        std::string echo;
        put(echo.append(command.width, '\0'), 0, command.width, value);
        return echo;
      }
      case Answer::element: {
        // An index beyond the table stores nothing; the echo still names it.
        const unsigned value = value_of(p2, p3, command.width);
        if (block != nullptr && p1 < command.count)
          store(*block, command.offset + p1 * command.stride, command.width, value);
        std::string echo(1, static_cast<char>(p1));
        put(echo.append(command.width, '\0'), 1, command.width, value);
        return echo;
      }
      case Answer::capture: {
        const std::uint8_t reading = throttle_readings_[code];
        if (block != nullptr) store(*block, command.offset, 1, reading);
        return std::string(1, static_cast<char>(reading));
      }
      case Answer::acknowledge:
        return bytes({p1, p2, p3}).substr(0, command.width);
    }
  }
  return std::nullopt;
}

void ControllerSettings::store(std::string& block, unsigned offset, unsigned width,
                               unsigned value) {
  put(block, offset, width, value);
  ++stored_writes_;
}

std::string ControllerSettings::block(std::uint8_t read_code) const {
  const std::lock_guard lock(mutex_);
  const auto found = blocks_.find(read_code);
  return found != blocks_.end() ? found->second : std::string();
}

void ControllerSettings::set_block(std::uint8_t read_code, std::string payload) {
  const std::lock_guard lock(mutex_);
  blocks_[read_code] = std::move(payload);
}

std::map<std::uint8_t, std::string> ControllerSettings::blocks() const {
  const std::lock_guard lock(mutex_);
  return blocks_;
}

void ControllerSettings::set_blocks(std::map<std::uint8_t, std::string> blocks) {
  const std::lock_guard lock(mutex_);
  blocks_ = std::move(blocks);
}

std::size_t ControllerSettings::stored_write_count() const {
  const std::lock_guard lock(mutex_);
  return stored_writes_;
}

void ControllerSettings::set_throttle_reading(std::uint8_t capture_code, std::uint8_t reading) {
  const std::lock_guard lock(mutex_);
  throttle_readings_[capture_code] = reading;
}

}  // namespace sim
