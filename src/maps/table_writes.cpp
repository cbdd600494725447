#include "maps/table_writes.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "ui/number_parse.hpp"
#include "ui/rounding.hpp"

namespace ecu {

std::optional<Long> wire_integer(double scaled, Long lowest, Long highest, Long offset) {
  if (std::isnan(scaled)) return std::nullopt;
  const double value = ui::round_half_even(std::clamp(scaled, -1e12, 1e12)) + offset;
  return static_cast<Long>(
      std::clamp(value, static_cast<double>(lowest), static_cast<double>(highest)));
}

Single shown_single(const std::string& text) {
  constexpr double kLargest = std::numeric_limits<Single>::max();
  return static_cast<Single>(std::clamp(ui::leading_number(text), -kLargest, kLargest));
}

bool request_reply(const std::string& command) {
  reply_received = 0;
  send_command(command);
  return reply_received != 0;
}

std::string calibration_write_command(Long address, Long value) {
  return command_with_payload('e', low_byte(address), high_byte(address), value);
}

bool read_calibration_block(char code, Long address) {
  return request_reply(command_with_payload(static_cast<std::uint8_t>(code), low_byte(address),
                                            high_byte(address), 0));
}

}  // namespace ecu
