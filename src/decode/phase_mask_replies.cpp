// The injection and ignition phase tables: one 8-bit output mask per engine phase, shown as
// a row of eight check boxes whose element 0 carries the row's change marker in its caption.

#include "config/frm_tool.hpp"
#include "decode/setting_replies.hpp"
#include "decode/setting_table.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

constexpr int kPhases = 16;
constexpr int kOutputs = 8;

struct PhaseTable {
  std::uint8_t read_code;
  std::uint8_t echo_code;
  std::array<Long, 15 + 1>* masks;
  ui::ControlArray<ui::CheckBox>& (*row)(int phase);
};

const auto kPhaseTables = std::to_array<PhaseTable>({
    {0x7F, 0x80, &injp, &injector_phase_row},
    {0xA5, 0xA6, &ignp, &ignition_phase_row},
});

// All eight values first: a changed box runs the row's click handling, which writes "X"
// into element 0's caption; the empty caption after them leaves the row in sync.
void show_phase_row(ui::ControlArray<ui::CheckBox>& row, Long mask) {
  show_bits(row, kOutputs, mask);
  row[0].set_caption("");
}

}  // namespace

ui::ControlArray<ui::CheckBox>& injector_phase_row(int phase) {
  return frm_tool().inj_ph(phase);
}

ui::ControlArray<ui::CheckBox>& ignition_phase_row(int phase) {
  return frm_tool().ign_ph(phase);
}

void decode_phase_masks(const ReplyFrame& reply, Integer /*n*/) {
  const std::uint8_t type = reply.at(2);
  for (const PhaseTable& table : kPhaseTables) {
    if (type == table.read_code) {
      std::array<Long, kPhases> masks{};
      for (int phase = 0; phase < kPhases; ++phase) {
        masks[static_cast<std::size_t>(phase)] = read_field(reply, 3 + phase, FieldKind::byte);
      }
      for (int phase = 0; phase < kPhases; ++phase) {
        const Long mask = masks[static_cast<std::size_t>(phase)];
        (*table.masks)[static_cast<std::size_t>(phase)] = mask;
        show_phase_row(table.row(phase), mask);
      }
      return;
    }
    if (type == table.echo_code) {
      // The echo shows the row as stored; the array follows only a whole-table read.
      const Long phase = read_field(reply, 3, FieldKind::byte);
      const Long mask = read_field(reply, 4, FieldKind::byte);
      if (phase < kPhases) show_phase_row(table.row(static_cast<int>(phase)), mask);
      return;
    }
  }
}

}  // namespace ecu
