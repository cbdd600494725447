#pragma once

#include <string>

#include "link/receive_framer.hpp"
#include "model/basic_types.hpp"

namespace ecu {

// 'B', the fuel parameter block: fuel offset and scaler (basic mapping and dashboard),
// the acceleration pulse limits and the battery compensation (configuration window).
void decode_fuel_params_reply(const ReplyFrame& reply, Integer n);

// 'C', the base configuration block. Its MAP sensor byte sets the pressure scaling that
// the minimum pressure of the same reply is shown with.
void decode_base_config_reply(const ReplyFrame& reply, Integer n);

// 'R', the firmware revision, shown as "V" d "." dd "." dd on the about window.
void decode_firmware_revision_reply(const ReplyFrame& reply, Integer n);

// '-', the controller's 24-bit serial number, shown on the about window.
void decode_serial_number_reply(const ReplyFrame& reply, Integer n);

// 'F': the analog input word at bytes 5-6 as volts.
void decode_analog_pair_reply(const ReplyFrame& reply, Integer n);

// Text of a firmware revision: 10203 is "V1.02.03", 5 is "V0.00.05".
std::string firmware_revision_text(Long revision);

}  // namespace ecu
