#include "decode/status_replies.hpp"

#include <array>
#include <string>

#include "config/frm_tool.hpp"
#include "decode/display_values.hpp"
#include "decode/setting_scales.hpp"
#include "decode/setting_table.hpp"
#include "maps/frm_3d.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_about.hpp"
#include "ui/colour.hpp"
#include "ui/format.hpp"
#include "ui/rounding.hpp"
#include "views/frm_dashboard.hpp"

namespace ecu {
namespace {

// The controller's fuel offset is stored with this bias: 16384 means no offset.
constexpr Long kFuelOffsetBias = 16384;

// MAP sensor span and offset in kPa, by the low two bits of the MAP type byte.
struct MapSensorScale {
  Single gain;
  Single offset;
};
constexpr std::array<MapSensorScale, 4> kMapSensorScales{{
    {115.0F, 10.0F},
    {255.0F, 10.0F},
    {551.0F, 79.0F},
    {394.0F, 10.0F},
}};

int checked_if(Long bits, Long mask) {
  return (bits & mask) != 0 ? ui::CheckBox::checked : ui::CheckBox::unchecked;
}

}  // namespace

void decode_fuel_params_reply(const ReplyFrame& reply, Integer /*n*/) {
  // The fuel offset and scaler are shown on both the basic mapping window and the dashboard.
  // The shown values are kept where the single-setting echoes keep theirs.
  fuel_b = word_at(reply, 3);
  fuel_offset_secs = static_cast<Single>((fuel_b - kFuelOffsetBias) * kTickSeconds);
  const std::string offset_text = ui::format_single(fuel_offset_secs * 1000.0F, "#0.000");
  frm_3d().ecu_pgm[1].set_text(offset_text);
  frm_dashboard().ecu_pgm[1].set_text(offset_text);

  fuel_mx = word_at(reply, 5);
  fuel_scaler_secs = static_cast<Single>(fuel_mx * kTickSeconds);
  const std::string scaler_text = ui::format_single(fuel_scaler_secs * 1000.0F, "#0.000");
  frm_3d().ecu_pgm[0].set_text(scaler_text);
  frm_dashboard().ecu_pgm[0].set_text(scaler_text);

  acc_minp = word_at(reply, 7);
  acc_minp_ms = static_cast<Single>(acc_minp * kTickSeconds * 1000.0);
  frm_tool().accel_pw_min.set_text(ui::format_single(acc_minp_ms, "#0.00"));

  acc_maxp = word_at(reply, 9);
  acc_maxp_ms = static_cast<Single>(acc_maxp * kTickSeconds * 1000.0);
  frm_tool().accel_pw_max.set_text(ui::format_single(acc_maxp_ms, "#0.00"));

  bat_comp_setting = reply.at(11);
  frm_tool().bat_comp.set_text(
      ui::format_number(bat_comp_setting * kTickSeconds * 1000000.0, "##0.0"));

  for (int k = 0; k <= 1; ++k) {
    mark_in_sync(frm_3d().ecu_pgm[k]);
    mark_in_sync(frm_dashboard().ecu_pgm[k]);
  }
  mark_in_sync(frm_tool().accel_pw_min);
  mark_in_sync(frm_tool().accel_pw_max);
  mark_in_sync(frm_tool().bat_comp);
}

void decode_base_config_reply(const ReplyFrame& reply, Integer /*n*/) {
  FrmToolForm& tool = frm_tool();

  acc_rate = word_at(reply, 7);
  const auto acc_rate_value = static_cast<Single>(acc_rate / (819.0 / 76.3));
  tool.accel_flt_rate.set_text(ui::format_single(acc_rate_value, "##0.00"));

  acc_sen = word_at(reply, 12);
  const auto acc_sen_value = static_cast<Single>(acc_sen * 205 * 0.001);
  tool.accel_senitivity.set_text(ui::format_single(acc_sen_value, "##0.00"));

  // The MAP sensor comes before the minimum pressure, which is shown on its scale.
  map_type_setting = reply.at(20);
  const auto sensor = static_cast<std::size_t>(map_type_setting & 3);
  tool.map_type[static_cast<int>(sensor)].set_value(true);
  map_sensor_gain = kMapSensorScales[sensor].gain;
  map_sensor_offset = kMapSensorScales[sensor].offset;
  tool.special_cfg[0].set_value(checked_if(map_type_setting, 0x40));
  tool.special_cfg[1].set_value(checked_if(map_type_setting, 0x80));
  // The first option button carries the in-sync mark of the whole MAP type byte.
  mark_in_sync(tool.map_type[0]);

  ego_secs = word_at(reply, 3);
  tool.ego_seconds.set_text(ui::format_number(ego_secs, "###0"));
  ego_rate_setting = reply.at(11);
  tool.ego_rate.set_text(ui::format_number(ego_rate_setting, "##0"));
  min_pres = word_at(reply, 9);
  const double min_pressure_kpa = ui::round_half_even(min_pres / 1023.0 * map_sensor_gain +
                                                      static_cast<double>(map_sensor_offset));
  tool.min_pressure.set_text(ui::format_number(min_pressure_kpa, "##0.0"));

  option_bits = reply.at(18);
  tool.TPS_mapped.set_value(checked_if(option_bits, 0x01));
  tool.MAP_accel.set_value(checked_if(option_bits, 0x02));

  // Stored as received, 0 included: whoever divides by it checks it.
  rpm_full_scale = static_cast<Single>(word_at(reply, 16));
  tool.full_scale_rpm.set_text(ui::format_single(rpm_full_scale, "####0"));
  mark_in_sync(tool.full_scale_rpm);

  trgs_rev = reply.at(19);
  tool.trigs_per_rev.set_text(std::to_string(trgs_rev));

  for (ui::TextBox* box :
       {&tool.accel_senitivity, &tool.accel_flt_rate, &tool.ego_seconds, &tool.ego_rate,
        &tool.min_pressure, &tool.trigs_per_rev, &tool.full_scale_rpm}) {
    mark_in_sync(*box);
  }
  mark_in_sync(tool.TPS_mapped);
  mark_in_sync(tool.MAP_accel);
}

std::string firmware_revision_text(Long revision) {
  // Appending to one string rather than chaining operator+ on temporaries keeps GCC's
  // optimiser from a false overlap warning.
  std::string digits(5, '0');
  digits += std::to_string(revision);
  const std::string t = digits.substr(digits.size() - 5);
  std::string text = "V";
  text.append(t, 0, 1).append(".").append(t, 1, 2).append(".").append(t, 3, 2);
  return text;
}

void decode_firmware_revision_reply(const ReplyFrame& reply, Integer /*n*/) {
  fw_rev = word_at(reply, 3);
  frm_about().FW_Rev.set_caption(firmware_revision_text(fw_rev));
}

void decode_serial_number_reply(const ReplyFrame& reply, Integer /*n*/) {
  const Long serial = reply.at(3) + 256 * reply.at(4) + 65536 * reply.at(5);
  frm_about().serial_num.set_caption(std::to_string(serial));
}

void decode_analog_pair_reply(const ReplyFrame& reply, Integer /*n*/) {
  aux_input_volts = static_cast<Single>(word_at(reply, 5) / 1024.0 * 3.3);
}

}  // namespace ecu
