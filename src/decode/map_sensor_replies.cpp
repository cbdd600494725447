// Echoes of the MAP sensor configuration byte and of the battery compensation. The sensor
// type chooses the pressure span and offset every later pressure conversion uses.

#include "config/frm_tool.hpp"
#include "decode/setting_replies.hpp"
#include "decode/setting_table.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

double times_1_6(Long value) {
  return value * 1.6;
}

const auto kBatteryCompensation = std::to_array<ScalarSetting>({
    {0x83,
     0,
     3,
     FieldKind::byte,
     &bat_comp_setting,
     nullptr,
     nullptr,
     {&times_1_6, TextForm::mask, "##0.0"},
     &control<&frm_tool, &FrmToolForm::bat_comp>,
     nullptr},
});

}  // namespace

const MapSensorType& map_sensor_type(int type_index) {
  static constexpr std::array<MapSensorType, 4> kTypes = {{
      {"1.0 Bar MAP", 115, 10},
      {"2.5 Bar MAP", 255, 10},
      {"7.0 Bar Ga MAP", 551, 79},
      {"4.0 Bar MAP", 394, 10},
  }};
  return kTypes[static_cast<std::size_t>(type_index & 3)];
}

void decode_map_sensor_echo(const ReplyFrame& reply, Integer /*n*/) {
  const Long value = read_field(reply, 3, FieldKind::byte);
  const int type_index = static_cast<int>(value & 3);  // bits 2 to 5 mean nothing here
  FrmToolForm& tool = frm_tool();
  tool.map_type[type_index].set_value(true);
  map_sensor_gain = map_sensor_type(type_index).gain;
  map_sensor_offset = map_sensor_type(type_index).offset;
  tool.special_cfg[0].set_value(value & 0x40 ? ui::CheckBox::checked : ui::CheckBox::unchecked);
  tool.special_cfg[1].set_value(value & 0x80 ? ui::CheckBox::checked : ui::CheckBox::unchecked);
  // Element 0 carries the mark of the whole byte, whichever type is selected; the clicks
  // above marked it changed.
  mark_in_sync(tool.map_type[0]);
}

void decode_battery_compensation(const ReplyFrame& reply, Integer /*n*/) {
  decode_scalar_rows(kBatteryCompensation, reply);
}

}  // namespace ecu
