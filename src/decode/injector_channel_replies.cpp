// The four per-channel injector tables: gain, offset, minimum and maximum pulse. A table
// read fills the shared array and the window; an element echo shows the stored value only.

#include "config/frm_tool.hpp"
#include "decode/editor_controls.hpp"
#include "decode/setting_replies.hpp"
#include "decode/setting_scales.hpp"
#include "decode/setting_table.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

// Gains carry 12 fraction bits; offsets and limits are ticks of 1.6 us shown in ms.

using enum FieldKind;
using Tool = FrmToolForm;

// Read, echo, first byte, stride, kind, array, echo stores, shown value, fields, marks at end.
const auto kInjectorTables = std::to_array<IndexedSetting>({
    // clang-format off
    {0xC9, 0xCC, 3, 2, word, injk, false, {&gain, TextForm::mask, "#0.000"}, &tool_boxes<&Tool::inj_gain>, false},
    {0xCA, 0xCD, 3, 2, signed_word, injo, false, {&tick_ms, TextForm::mask, "##0.000"}, &tool_boxes<&Tool::inj_offset>, false},
    {0x0C, 0x0D, 3, 2, word, injl, false, {&tick_ms, TextForm::mask, "##0.000"}, &tool_boxes<&Tool::inj_min>, false},
    {0xCB, 0xCE, 3, 2, word, injm, false, {&tick_ms, TextForm::mask, "##0.000"}, &tool_boxes<&Tool::inj_max>, false},
    // clang-format on
});

}  // namespace

void decode_injector_channels(const ReplyFrame& reply, Integer /*n*/) {
  decode_indexed_rows(kInjectorTables, reply);
}

}  // namespace ecu
