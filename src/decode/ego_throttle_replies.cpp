// The exhaust-gas oxygen sensor configuration and the throttle position calibration.

#include "config/frm_tool.hpp"
#include "decode/editor_controls.hpp"
#include "decode/setting_replies.hpp"
#include "decode/setting_scales.hpp"
#include "decode/setting_table.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

constexpr std::uint8_t kEgoConfig = 0xD0;
constexpr std::uint8_t kEgoTypeEcho = 0xD1;
constexpr Long kWideband = 1;
constexpr Long kCanWideband = 2;

double lambda(Long value) {
  return value / 128.0;
}

using enum FieldKind;
using Tool = FrmToolForm;

// The capture answers carry the reading the controller took and are shown like the echoes.
// (code, paired code, byte, kind, variable, limit, also, shown value, field, second field)
const auto kEgoThrottleSettings = std::to_array<ScalarSetting>({
    // clang-format off
    {kEgoConfig, 0, 4, byte, &ego_wbl0, nullptr, nullptr, {&lambda, TextForm::mask, "0.000"}, &tool_box<&Tool::WB_EGO_0V_LAMBDA>, nullptr},
    {kEgoConfig, 0, 5, byte, &ego_wbl1, nullptr, nullptr, {&lambda, TextForm::mask, "0.000"}, &tool_box<&Tool::WB_EGO_1V_LAMBDA>, nullptr},
    {0xD2, 0, 3, byte, &ego_wbl0, nullptr, nullptr, {&lambda, TextForm::mask, "0.000"}, &tool_box<&Tool::WB_EGO_0V_LAMBDA>, nullptr},
    {0xD3, 0, 3, byte, &ego_wbl1, nullptr, nullptr, {&lambda, TextForm::mask, "0.000"}, &tool_box<&Tool::WB_EGO_1V_LAMBDA>, nullptr},
    {0xD4, 0, 3, byte, &tps_base, nullptr, nullptr, {&percent, TextForm::mask, "##0.0"}, &tool_box<&Tool::tps_base_val>, nullptr},
    {0xD4, 0, 4, byte, &tps_fs, nullptr, nullptr, {&percent, TextForm::mask, "##0.0"}, &tool_box<&Tool::tps_fs_val>, nullptr},
    {0xD5, 0xD7, 3, byte, &tps_base, nullptr, nullptr, {&percent, TextForm::mask, "##0.0"}, &tool_box<&Tool::tps_base_val>, nullptr},
    {0xD6, 0xD8, 3, byte, &tps_fs, nullptr, nullptr, {&percent, TextForm::mask, "##0.0"}, &tool_box<&Tool::tps_fs_val>, nullptr},
    // clang-format on
});

// 1 a 0 to 1 V wide-band sensor, 2 a wide-band sensor on the CAN bus, anything else a
// narrow-band one; only the 0 to 1 V wide-band sensor has lambda points to edit.
void show_sensor_type(Long type) {
  ego_flgs = type;
  FrmToolForm& tool = frm_tool();
  const int option = type == kWideband ? 1 : type == kCanWideband ? 2 : 0;
  tool.EGO_type[option].set_value(true);
  tool.WB_EGO_0V_LAMBDA.set_enabled(type == kWideband);
  tool.WB_EGO_1V_LAMBDA.set_enabled(type == kWideband);
  // The option's click marks element 0 changed.
  mark_in_sync(tool.EGO_type[0]);
}

}  // namespace

void decode_ego_throttle(const ReplyFrame& reply, Integer /*n*/) {
  const std::uint8_t type = reply.at(2);
  const bool carries_type = type == kEgoConfig || type == kEgoTypeEcho;
  // Every field is read before anything is written, so a short frame changes nothing; the
  // sensor type then comes first, as in the payload.
  const Long sensor_type = carries_type ? read_field(reply, 3, FieldKind::byte) : 0;
  const ScalarValues values = read_scalar_rows(kEgoThrottleSettings, reply);
  if (carries_type) show_sensor_type(sensor_type);
  write_scalar_rows(values);
}

}  // namespace ecu
