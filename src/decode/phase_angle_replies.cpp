// Engine phase base angles (quarter degrees from cylinder 1 top dead centre) and the mask of
// the phases in use.

#include "config/frm_tool.hpp"
#include "decode/editor_controls.hpp"
#include "decode/setting_replies.hpp"
#include "decode/setting_scales.hpp"
#include "decode/setting_table.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

constexpr int kPhases = 16;

const auto kPhaseAngles = std::to_array<IndexedSetting>({
    {0x9B,
     0x9C,
     3,
     2,
     FieldKind::word,
     phbt,
     false,
     {&quarter_degrees, TextForm::mask, "##0.00"},
     &tool_boxes<&FrmToolForm::ph_base_deg>,
     false},
});

}  // namespace

void decode_phase_angles(const ReplyFrame& reply, Integer /*n*/) {
  decode_indexed_rows(kPhaseAngles, reply);
}

// A changed box writes "X" into element 0's caption; the empty caption comes after all
// sixteen values.
void decode_phases_in_use(const ReplyFrame& reply, Integer /*n*/) {
  const Long mask = read_field(reply, 3, FieldKind::word);
  ph_used_setting = mask;
  FrmToolForm& tool = frm_tool();
  show_bits(tool.ph_used, kPhases, mask);
  tool.ph_used[0].set_caption("");
}

}  // namespace ecu
