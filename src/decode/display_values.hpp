#pragma once
// Display values of the letter-code replies: the shown form of a setting, kept in single
// precision because the fields show them from there. Both the fuel block reply and the
// single-setting echoes set them; nothing outside the decoders reads them.

#include "model/basic_types.hpp"

namespace ecu {

inline Single fuel_scaler_secs = 0.0F;  // fuel_mx x 1.6e-6
inline Single fuel_offset_secs = 0.0F;  // (fuel_b - 16384) x 1.6e-6
inline Single acc_minp_ms = 0.0F;       // acc_minp x 1.6e-6 x 1000
inline Single acc_maxp_ms = 0.0F;       // acc_maxp x 1.6e-6 x 1000
inline Single ego_gain_value = 0.0F;    // ego_gain / 64

// Back to program start; the shared state's reset does not know these.
inline void reset_display_values() {
  fuel_scaler_secs = fuel_offset_secs = acc_minp_ms = acc_maxp_ms = ego_gain_value = 0.0F;
}

}  // namespace ecu
