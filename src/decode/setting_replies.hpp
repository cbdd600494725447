#pragma once
// The cases of the setting replies, as the command table runs them: each is called only
// after its reply was taken (type owned, length right, reply_received set) and decodes the
// reply into the shared state and the editor windows.

#include <vector>

#include "decode/setting_table.hpp"
#include "link/receive_framer.hpp"
#include "model/basic_types.hpp"
#include "ui/ui.hpp"

namespace ecu {

// Letter-code settings and their echoes; '|' sets the two option check boxes.
void decode_letter_setting(const ReplyFrame& reply, Integer n);
void decode_option_bits(const ReplyFrame& reply, Integer n);

// Phase output tables 0x7F, 0x80, 0xA5, 0xA6.
void decode_phase_masks(const ReplyFrame& reply, Integer n);
// Row `phase` (0 to 15) of the injection or ignition phase table on the configuration window.
ui::ControlArray<ui::CheckBox>& injector_phase_row(int phase);
ui::ControlArray<ui::CheckBox>& ignition_phase_row(int phase);

// MAP sensor type echo 0x82 and battery compensation echo 0x83.
struct MapSensorType {
  const char* caption;
  Single gain;    // kPa span
  Single offset;  // kPa
};
const MapSensorType& map_sensor_type(int type_index);
void decode_map_sensor_echo(const ReplyFrame& reply, Integer n);
void decode_battery_compensation(const ReplyFrame& reply, Integer n);

// Idle-air, dwell and timing settings 0x84 to 0x91, 0x94, 0x95, 0x9D, 0x9E, 0xA1 to 0xA4.
void decode_idle_dwell_timing(const ReplyFrame& reply, Integer n);

// Phase base angles 0x9B, 0x9C and the phases-in-use mask 0x9F, 0xA0.
void decode_phase_angles(const ReplyFrame& reply, Integer n);
void decode_phases_in_use(const ReplyFrame& reply, Integer n);

// Feature word 0xB3.
void decode_feature_word(const ReplyFrame& reply, Integer n);
// What the fuel group gates on the basic mapping window: its editing content, not its menus
// or its close.
std::vector<ui::Control*> basic_mapping_editing_controls();

// General-purpose output settings 0xAA to 0xAD and duty 0xAF.
void decode_output_settings(const ReplyFrame& reply, Integer n);
// The mode option buttons of output 0 to 3.
ui::ControlArray<ui::OptionButton>& output_mode_buttons(int output);

// Reset and reflash answers 0xAE; acknowledgements that only count as received.
void decode_reset_answer(const ReplyFrame& reply, Integer n);
void decode_acknowledgement(const ReplyFrame& reply, Integer n);

// Index teeth 0xA7, 0xA8 and tach phases 0xB0, 0xB1.
void decode_index_teeth(const ReplyFrame& reply, Integer n);
void decode_tach_phases(const ReplyFrame& reply, Integer n);

// Injector channel tables 0x0C, 0x0D, 0xC9 to 0xCE.
void decode_injector_channels(const ReplyFrame& reply, Integer n);

// Boost parameters 0xD9 to 0xE0 and rpm switch points 0xE1, 0xE2.
void decode_boost_settings(const ReplyFrame& reply, Integer n);
void decode_rpm_switches(const ReplyFrame& reply, Integer n);

// EGO sensor configuration and throttle calibration 0xD0 to 0xD8.
void decode_ego_throttle(const ReplyFrame& reply, Integer n);

// Feature version 0xB4 and the scalar limits 0xB7, 0xB8, 0xE3 to 0xE8.
inline constexpr Long kConsoleFeatureVersion = 20003;
void decode_feature_version(const ReplyFrame& reply, Integer n);
void decode_scalar_limit(const ReplyFrame& reply, Integer n);
// A differing feature version is reported once per opening of the link; opening it again
// allows the next report.
void allow_feature_version_warning();

// The settings of the second binary decoder (0x06 to 0x36, 0xE9 to 0xFE but the monitor
// frame and the wheel pages).
void decode_second_setting(const ReplyFrame& reply, Integer n);

}  // namespace ecu
