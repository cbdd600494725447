// Idle-air stepper, coil dwell and timing settings: each read and its write echo carry the
// same single value and share one case.

#include "config/frm_tool.hpp"
#include "decode/editor_controls.hpp"
#include "decode/setting_replies.hpp"
#include "decode/setting_scales.hpp"
#include "decode/setting_table.hpp"
#include "model/shared_state.hpp"
#include "views/frm_dashboard.hpp"

namespace ecu {
namespace {

// Throttle positions are 10-bit readings shown in percent; the product is whole first.
double throttle_percent(Long value) {
  return static_cast<double>(value * 100) / 1024;
}
double dwell_ms(Long value) {
  return value * 0.001 * 10;
}

using enum FieldKind;
using enum TextForm;
using Tool = FrmToolForm;

// Read, write, byte, kind, variable, limit, further variables, shown value, form, mask, fields.
const auto kIdleDwellTiming = std::to_array<ScalarSetting>({
    // clang-format off
    {0x84, 0x85, 3, word, &iac_clos, nullptr, nullptr, {nullptr, sign_integer, nullptr}, &tool_box<&Tool::iac_close_steps>, nullptr},
    {0x86, 0x87, 3, word, &iac_open, nullptr, nullptr, {nullptr, sign_integer, nullptr}, &tool_box<&Tool::iac_open_steps>, nullptr},
    {0x88, 0x89, 3, word, &iac_tpse, nullptr, nullptr, {&throttle_percent, mask, "##0.0"}, &tool_box<&Tool::iac_enable_tps_val>, nullptr},
    {0x8A, 0x8B, 3, word, &iac_tpsc, nullptr, nullptr, {&throttle_percent, mask, "##0.0"}, &tool_box<&Tool::iac_close_tps_val>, nullptr},
    {0x8C, 0x8D, 3, word, &iac_maxr, nullptr, nullptr, {nullptr, sign_integer, nullptr}, &tool_box<&Tool::iac_max_rate>, nullptr},
    {0x8E, 0x8F, 3, word, &iac_errr, nullptr, nullptr, {nullptr, sign_integer, nullptr}, &tool_box<&Tool::iac_error_rate>, nullptr},
    {0x90, 0x91, 3, byte, &iac_dead, nullptr, nullptr, {nullptr, sign_integer, nullptr}, &tool_box<&Tool::iac_deadband>, nullptr},
    {0x94, 0x95, 3, word, &ign_tdwl, nullptr, nullptr, {&dwell_ms, mask, "#0.00"}, &tool_box<&Tool::target_dwell>, nullptr},
    {0x9D, 0x9E, 3, word, &ign_mdeg, nullptr, nullptr, {&quarter_degrees, mask, "##0.00"}, &tool_box<&Tool::min_dwell_deg>, nullptr},
    {0xA1, 0xA2, 3, byte, &tdc_trim, nullptr, nullptr, {&offset_degrees, mask, "#0.00"}, &tool_box<&Tool::tdc_trim_deg>, nullptr},
    {0xA3, 0xA4, 3, byte, &base_deg, nullptr, nullptr, {&offset_degrees, mask, "#0.00"}, &tool_box<&Tool::base_offset_deg>, &control<&frm_dashboard, &FrmDashboardForm::base_offset_deg>},
    // clang-format on
});

}  // namespace

void decode_idle_dwell_timing(const ReplyFrame& reply, Integer /*n*/) {
  decode_scalar_rows(kIdleDwellTiming, reply);
}

}  // namespace ecu
