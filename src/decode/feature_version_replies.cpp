// The controller's feature version, compared with the one this console was built for, and
// four scalar limits of the configuration window.

#include "config/frm_tool.hpp"
#include "decode/editor_controls.hpp"
#include "decode/setting_replies.hpp"
#include "decode/setting_scales.hpp"
#include "decode/setting_table.hpp"
#include "model/shared_state.hpp"
#include "ui/ui.hpp"

namespace ecu {
namespace {

// The poll loop asks for the version on every tick until the feature word has come; a
// controller that never answers that would otherwise get the warning 20 times a second.
bool feature_version_warned = false;

using enum FieldKind;
using Tool = FrmToolForm;

// (read, write, byte, kind, variable, limit, also, shown value, field, second field)
const auto kScalarLimits = std::to_array<ScalarSetting>({
    // clang-format off
    {0xB7, 0xB8, 3, word, &lim_deg, nullptr, nullptr, {&quarter_degrees, TextForm::mask, "##0.00"}, &tool_box<&Tool::rpm_limit_max_degrees>, nullptr},
    {0xE3, 0xE4, 3, byte, &tps_ego, nullptr, nullptr, {&percent, TextForm::mask, "##0.0"}, &tool_box<&Tool::tps_open_loop_val>, nullptr},
    {0xE5, 0xE6, 3, byte, &tps_enr, nullptr, nullptr, {&percent, TextForm::mask, "##0.0"}, &tool_box<&Tool::decel_tps_value>, nullptr},
    {0xE7, 0xE8, 3, word, &max_map, nullptr, nullptr, {&map_pressure_kpa, TextForm::mask, "##0.0"}, &tool_box<&Tool::max_pressure>, nullptr},
    // clang-format on
});

}  // namespace

void decode_feature_version(const ReplyFrame& reply, Integer /*n*/) {
  const Long version = read_field(reply, 3, FieldKind::word);
  if (version == kConsoleFeatureVersion || feature_version_warned) return;
  feature_version_warned = true;
  // Either way the console goes on working with the controller.
  if (version > kConsoleFeatureVersion) {
    ui::msg_box(
        "The ECU reports that there is an incompatibility with some internal features.  This "
        "program is older than what is required for your ECU.");
  } else {
    ui::msg_box(
        "The ECU reports that there is an incompatibility with some internal features.  Your "
        "ECU is not up to date with features supported with this program.");
  }
}

void allow_feature_version_warning() {
  feature_version_warned = false;
}

void decode_scalar_limit(const ReplyFrame& reply, Integer /*n*/) {
  decode_scalar_rows(kScalarLimits, reply);
}

}  // namespace ecu
