// Boost control: per channel a PID loop and four further settings, read as one block of ten
// bytes per channel and echoed one element at a time; and the four rpm switch points.

#include "decode/editor_controls.hpp"
#include "decode/setting_replies.hpp"
#include "decode/setting_scales.hpp"
#include "decode/setting_table.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

constexpr std::uint8_t kBoostBlock = 0xD9;
constexpr std::uint8_t kFlagEcho = 0xE0;
constexpr int kChannels = 4;
constexpr int kChannelBytes = 10;
constexpr int kFlagOffset = 9;
constexpr std::size_t kTextFields = 6;  // the fields shown in text boxes, before the flags

// The MAP sensor scale in force when the reply arrives.
double pressure_kpa(Long value) {
  return value / 255.0 * map_sensor_gain + map_sensor_offset;
}

using enum FieldKind;
using Sup = FrmSupForm;

// The block is read channel by channel; the first position is the field's offset in channel
// 0's group. Echoes of the gains leave the arrays alone, those of the bytes store too.
// (block code, echo, first byte, stride, kind, array, echo stores, shown value, fields, marks)
const auto kBoostFields = std::to_array<IndexedSetting>({
    // clang-format off
    {kBoostBlock, 0xDA, 3, kChannelBytes, word, bo_p, false, {&gain, TextForm::mask, "#0.000"}, &output_boxes<&Sup::boost_p>, false},
    {kBoostBlock, 0xDB, 5, kChannelBytes, word, bo_i, false, {&gain, TextForm::mask, "#0.000"}, &output_boxes<&Sup::boost_i>, false},
    {kBoostBlock, 0xDC, 7, kChannelBytes, word, bo_d, false, {&gain, TextForm::mask, "#0.000"}, &output_boxes<&Sup::boost_d>, false},
    {kBoostBlock, 0xDD, 9, kChannelBytes, byte, boen, true, {&pressure_kpa, TextForm::mask, "##0.0"}, &output_boxes<&Sup::boost_enable_press>, false},
    {kBoostBlock, 0xDE, 10, kChannelBytes, byte, bois, true, {&percent, TextForm::mask, "##0"}, &output_boxes<&Sup::boost_integ_preset>, false},
    {kBoostBlock, 0xDF, 11, kChannelBytes, byte, bort, true, {nullptr, TextForm::mask, "##0"}, &output_boxes<&Sup::boost_loop_rate>, false},
    // clang-format on
});
static_assert(std::tuple_size_v<decltype(kBoostFields)> == kTextFields);

const auto kRpmSwitches = std::to_array<IndexedSetting>({
    {0xE1,
     0xE2,
     3,
     2,
     word,
     rpms,
     false,
     {nullptr, TextForm::mask, "####0"},
     &output_boxes<&Sup::rpm_switch>,
     false},
});

// Bit 0 inverts the loop, bit 1 uses the boost table directly as the duty cycle. Either
// box's click marks the channel changed on boost_ctrl_invert, so that mark comes last.
void show_flags(int channel, Long flags) {
  FrmSupForm& sup = frm_sup();
  bofg[static_cast<std::size_t>(channel)] = flags;
  sup.boost_ctrl_invert[channel].set_value(flags & 1 ? ui::CheckBox::checked
                                                     : ui::CheckBox::unchecked);
  sup.use_as_pwm[channel].set_value(flags & 2 ? ui::CheckBox::checked : ui::CheckBox::unchecked);
  mark_in_sync(sup.boost_ctrl_invert[channel]);
}

void decode_boost_block(const ReplyFrame& reply) {
  // Every byte is read before anything is written, so a short frame changes nothing.
  std::array<std::array<Long, kTextFields + 1>, kChannels> values{};
  for (int channel = 0; channel < kChannels; ++channel) {
    auto& channel_values = values[static_cast<std::size_t>(channel)];
    for (std::size_t field = 0; field < kTextFields; ++field) {
      const IndexedSetting& row = kBoostFields[field];
      channel_values[field] =
          read_field(reply, row.first_position + channel * kChannelBytes, row.field);
    }
    channel_values.back() =
        read_field(reply, 3 + kFlagOffset + channel * kChannelBytes, FieldKind::byte);
  }
  for (int channel = 0; channel < kChannels; ++channel) {
    const auto& channel_values = values[static_cast<std::size_t>(channel)];
    for (std::size_t field = 0; field < kTextFields; ++field) {
      show_indexed_element(kBoostFields[field], channel, channel_values[field], true);
    }
    show_flags(channel, channel_values.back());
  }
}

}  // namespace

void decode_boost_settings(const ReplyFrame& reply, Integer /*n*/) {
  const std::uint8_t type = reply.at(2);
  if (type == kBoostBlock) {
    decode_boost_block(reply);
  } else if (type == kFlagEcho) {
    const Long channel = read_field(reply, 3, FieldKind::byte);
    const Long flags = read_field(reply, 4, FieldKind::byte);
    // An index naming no channel is taken as the answer and otherwise ignored.
    if (channel < kChannels) show_flags(static_cast<int>(channel), flags);
  } else {
    decode_indexed_rows(kBoostFields, reply);
  }
}

void decode_rpm_switches(const ReplyFrame& reply, Integer /*n*/) {
  decode_indexed_rows(kRpmSwitches, reply);
}

}  // namespace ecu
