#pragma once
// What the table editor windows share on the way to and from the controller: a shown value
// turned into its wire integer, the request strings and which items hold a value worth
// sending.

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "link/request.hpp"
#include "model/basic_types.hpp"
#include "ui/ui.hpp"

namespace ecu {

// round(scaled) + offset held within [lowest, highest], a half rounding to the even
// neighbour. The clamp is taken before the integer conversion, so no typed number can
// overflow it; nothing for a value that is not a number.
std::optional<Long> wire_integer(double scaled, Long lowest, Long highest, Long offset = 0);

// The leading number of a field's text as a single; a number beyond the single range is held
// at the largest single of its sign, so no conversion goes out of range.
Single shown_single(const std::string& text);

// Sends the command and waits for its reply; true when the reply came.
bool request_reply(const std::string& command);

// The request that writes one calibration byte at `address` (write_memory_byte 'e'). Its echo
// carries the address and the byte the controller holds.
std::string calibration_write_command(Long address, Long value);
// read_memory_9 'r' and read_memory_27 'k' from `address` on.
bool read_calibration_block(char code, Long address);

// The fields of a window that hold what the controller reported or what the user entered
// since the window last marked everything unread. A yellow field outside this set was never
// read nor edited: Update leaves it alone. (The grids keep this state per cell themselves.)
class LoadedItems {
 public:
  void note(const ui::TextBox& field) { fields_.insert(&field); }
  void forget_all() { fields_.clear(); }
  [[nodiscard]] bool contains(const ui::TextBox& field) const { return fields_.contains(&field); }

 private:
  std::set<const ui::TextBox*> fields_;
};

}  // namespace ecu
