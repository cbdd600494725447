#pragma once

#include "model/basic_types.hpp"

namespace ecu {

// Shows one calibration memory byte the controller has just sent (read or write echo) in
// the editor cell or box that owns its address, and marks that cell in sync (white).
// An address that no table owns changes nothing.
void place_calibration_byte(Long address, Integer value);

}  // namespace ecu
