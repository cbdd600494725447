// Teeth from the index tooth to top dead centre, and the tach output's phase mask.

#include "config/frm_tool.hpp"
#include "decode/editor_controls.hpp"
#include "decode/setting_replies.hpp"
#include "decode/setting_table.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

constexpr int kPhases = 16;

const auto kIndexTeeth = std::to_array<ScalarSetting>({
    {0xA7,
     0xA8,
     3,
     FieldKind::byte,
     &tdc_teth,
     nullptr,
     nullptr,
     {nullptr, TextForm::mask, "##0"},
     &tool_box<&FrmToolForm::Teeth_BTDC>,
     nullptr},
});

}  // namespace

void decode_index_teeth(const ReplyFrame& reply, Integer /*n*/) {
  decode_scalar_rows(kIndexTeeth, reply);
}

// A changed box writes "X" into element 0's caption; the empty caption follows all sixteen.
void decode_tach_phases(const ReplyFrame& reply, Integer /*n*/) {
  const Long mask = read_field(reply, 3, FieldKind::word);
  tach_ph_setting = mask;
  FrmToolForm& tool = frm_tool();
  show_bits(tool.tach_ph, kPhases, mask);
  tool.tach_ph[0].set_caption("");
}

}  // namespace ecu
