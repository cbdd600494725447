// Single settings with printable codes: a read letter and a write letter share one case, and
// the write echo shows what the controller stored. The settings of the fuel and base
// configuration blocks are read with those blocks and echoed here one code each.

#include <algorithm>

#include "config/frm_tool.hpp"
#include "decode/display_values.hpp"
#include "decode/editor_controls.hpp"
#include "decode/setting_replies.hpp"
#include "decode/setting_scales.hpp"
#include "decode/setting_table.hpp"
#include "maps/frm_3d.hpp"
#include "model/shared_state.hpp"
#include "views/frm_dashboard.hpp"

namespace ecu {
namespace {

ui::TextBox& mapping_fuel_scaler() {
  return frm_3d().ecu_pgm[0];
}
ui::TextBox& mapping_fuel_offset() {
  return frm_3d().ecu_pgm[1];
}
ui::TextBox& dashboard_fuel_scaler() {
  return frm_dashboard().ecu_pgm[0];
}
ui::TextBox& dashboard_fuel_offset() {
  return frm_dashboard().ecu_pgm[1];
}

Long at_most_100(Long value) {
  return std::min<Long>(value, 100);
}

// The threshold is kept as received; only the shown value is signed and limited.
double threshold_degrees(Long value) {
  return std::clamp<Long>(as_signed_byte(value), -14, 120);
}

double priming_ms(Long value) {
  return value / 625.0;
}
double tps_rpm(Long value) {
  return value * static_cast<double>(rpm_full_scale) / 1023;
}
double accel_rate(Long value) {
  return value / (819 / 76.3);
}
double accel_sensitivity(Long value) {
  return value * 205 * 0.001;
}

void set_ego_gain_value(Long value) {
  ego_gain_value = static_cast<Single>(value / 64.0);
}
void set_full_scale(Long value) {
  rpm_full_scale = static_cast<Single>(value);
}
void set_acc_minp_ms(Long value) {
  acc_minp_ms = static_cast<Single>(tick_ms(value));
}
void set_acc_maxp_ms(Long value) {
  acc_maxp_ms = static_cast<Single>(tick_ms(value));
}
void set_fuel_scaler(Long value) {
  fuel_scaler_secs = static_cast<Single>(value * kTickSeconds);
}
// The offset is biased by 16384 ticks, so 16384 means 0 ms.
void set_fuel_offset(Long value) {
  fuel_offset_secs = static_cast<Single>((value - 16384) * kTickSeconds);
}

double ego_gain_shown(Long) {
  return ego_gain_value;
}
double full_scale_shown(Long) {
  return rpm_full_scale;
}
double acc_minp_shown(Long) {
  return acc_minp_ms;
}
double acc_maxp_shown(Long) {
  return acc_maxp_ms;
}
double fuel_scaler_ms(Long) {
  return fuel_scaler_secs * 1000.0F;
}
double fuel_offset_ms(Long) {
  return fuel_offset_secs * 1000.0F;
}

using enum FieldKind;
using enum TextForm;
using Tool = FrmToolForm;

// Read, write, byte, kind, variable, limit, further variables, shown value, form, mask, fields.
const auto kLetterSettings = std::to_array<ScalarSetting>({
    // clang-format off
    {'!', '?', 3, byte, &ego_gain, nullptr, &set_ego_gain_value, {&ego_gain_shown, single_mask, "#.000"}, &tool_box<&Tool::EGO_Prop_Gain>, nullptr},
    {'%', '<', 3, byte, &ego_a_lo, nullptr, nullptr, {&per_64, mask, "##.#00"}, &tool_box<&Tool::min_ego_gain>, nullptr},
    {'^', '>', 3, byte, &ego_a_hi, nullptr, nullptr, {&per_64, mask, "##.#00"}, &tool_box<&Tool::max_ego_gain>, nullptr},
    {'@', '=', 3, word, &ego_cut, nullptr, nullptr, {&tick_ms, mask, "#0.00"}, &tool_box<&Tool::EGO_reset_pw>, nullptr},
    {'S', 's', 3, word, &hot_p_pw, nullptr, nullptr, {&priming_ms, mask, "#0.000"}, &tool_box<&Tool::priming_pw_hot>, nullptr},
    {'T', 't', 3, byte, &hot_num_p, &at_most_100, nullptr, {nullptr, mask, "#0"}, &tool_box<&Tool::num_pulses_hot>, nullptr},
    {'U', 'u', 3, word, &cld_p_pw, nullptr, nullptr, {&priming_ms, mask, "#0.000"}, &tool_box<&Tool::priming_pw_cold>, nullptr},
    {'V', 'v', 3, byte, &cld_num_p, &at_most_100, nullptr, {nullptr, mask, "#0"}, &tool_box<&Tool::num_pulses_cold>, nullptr},
    {'W', 'w', 3, byte, &tmp_thrs, nullptr, nullptr, {&threshold_degrees, mask, "##0"}, &tool_box<&Tool::temp_threshold>, nullptr},
    {'Z', 'z', 3, word, &tps_rpm_setting, nullptr, nullptr, {&tps_rpm, mask, "####0"}, &control<&frm_3d, &Frm3dForm::tps_rpm>, nullptr},
    {'b', 0, 3, word, &ego_secs, nullptr, nullptr, {nullptr, mask, "###0"}, &tool_box<&Tool::ego_seconds>, nullptr},
    {'c', 0, 3, byte, &ego_rate_setting, nullptr, nullptr, {nullptr, mask, "##0"}, &tool_box<&Tool::ego_rate>, nullptr},
    {'f', 0, 3, word, &acc_rate, nullptr, nullptr, {&accel_rate, mask, "##0.00"}, &tool_box<&Tool::accel_flt_rate>, nullptr},
    {'g', 0, 3, word, &acc_sen, nullptr, nullptr, {&accel_sensitivity, mask, "#0.00"}, &tool_box<&Tool::accel_senitivity>, nullptr},
    {'p', 0, 3, word, &min_pres, nullptr, nullptr, {&map_pressure_kpa, mask, "##0.0"}, &tool_box<&Tool::min_pressure>, nullptr},
    {'}', 0, 3, word, nullptr, nullptr, &set_full_scale, {&full_scale_shown, mask, "####0"}, &tool_box<&Tool::full_scale_rpm>, nullptr},
    {'~', 0, 3, byte, nullptr, nullptr, nullptr, {nullptr, mask, "###"}, &tool_box<&Tool::trigs_per_rev>, nullptr},
    {'h', 0, 3, word, &acc_minp, nullptr, &set_acc_minp_ms, {&acc_minp_shown, single_mask, "#0.00"}, &tool_box<&Tool::accel_pw_min>, nullptr},
    {' ', 0, 3, word, &acc_maxp, nullptr, &set_acc_maxp_ms, {&acc_maxp_shown, single_mask, "#0.00"}, &tool_box<&Tool::accel_pw_max>, nullptr},
    {'m', 0, 3, word, &fuel_mx, nullptr, &set_fuel_scaler, {&fuel_scaler_ms, single_mask, "#0.000"}, &mapping_fuel_scaler, &dashboard_fuel_scaler},
    {'o', 0, 3, word, &fuel_b, nullptr, &set_fuel_offset, {&fuel_offset_ms, single_mask, "#0.000"}, &mapping_fuel_offset, &dashboard_fuel_offset},
    // clang-format on
});

}  // namespace

void decode_letter_setting(const ReplyFrame& reply, Integer /*n*/) {
  decode_scalar_rows(kLetterSettings, reply);
}

// Two check boxes from bits 0 and 1; each box's click handler marks it changed, so both are
// marked black only after both values are set.
void decode_option_bits(const ReplyFrame& reply, Integer /*n*/) {
  const Long value = read_field(reply, 3, FieldKind::byte);
  option_bits = value;
  FrmToolForm& tool = frm_tool();
  tool.TPS_mapped.set_value(value & 1 ? ui::CheckBox::checked : ui::CheckBox::unchecked);
  tool.MAP_accel.set_value(value & 2 ? ui::CheckBox::checked : ui::CheckBox::unchecked);
  mark_in_sync(tool.TPS_mapped);
  mark_in_sync(tool.MAP_accel);
}

}  // namespace ecu
