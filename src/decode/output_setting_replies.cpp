// The four general-purpose outputs: configuration byte (mode and interpolation switch),
// coolant-relay switch temperature and live duty.

#include "decode/editor_controls.hpp"
#include "decode/setting_replies.hpp"
#include "decode/setting_table.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

constexpr int kOutputCount = 4;
constexpr int kHighestMode = 10;

const auto kSwitchTemperatures = std::to_array<IndexedSetting>({
    {0xAC,
     0xAD,
     3,
     1,
     FieldKind::signed_byte,
     gpov,
     false,
     {nullptr, TextForm::plain_integer, nullptr},
     &output_boxes<&FrmSupForm::cool_rly_temp>,
     true},
});

// Mode 1 to 10 selects its button; 0 and 11 to 15 select "Disabled".
int mode_button(Long configuration) {
  const int mode = static_cast<int>(configuration & 15);
  return mode >= 1 && mode <= kHighestMode ? mode : 0;
}

void show_interpolation(int output, Long configuration) {
  frm_sup().dont_interpolate[output].set_value(configuration & 0x80 ? ui::CheckBox::checked
                                                                    : ui::CheckBox::unchecked);
}

void select_mode(int output, Long configuration) {
  output_mode_buttons(output)[mode_button(configuration)].set_value(true);
}

void decode_configuration_block(const ReplyFrame& reply) {
  std::array<Long, kOutputCount> configuration{};
  for (int k = 0; k < kOutputCount; ++k) {
    configuration[static_cast<std::size_t>(k)] = read_field(reply, 3 + k, FieldKind::byte);
  }
  gpos = configuration;
  for (int k = 0; k < kOutputCount; ++k) show_interpolation(k, gpos[static_cast<std::size_t>(k)]);
  for (int k = 0; k < kOutputCount; ++k) select_mode(k, gpos[static_cast<std::size_t>(k)]);
  for (int k = 0; k < kOutputCount; ++k) mark_in_sync(output_mode_buttons(k)[0]);
  // A newly selected button rewrites its output's entry from the button; the read stands
  // for what the controller holds, so the bytes it sent are put back.
  gpos = configuration;
}

// The echo shows the stored byte; gpos follows only through the window's own handling.
void decode_configuration_echo(const ReplyFrame& reply) {
  const Long output = read_field(reply, 3, FieldKind::byte);
  const Long configuration = read_field(reply, 4, FieldKind::byte);
  if (output >= kOutputCount) return;
  const int k = static_cast<int>(output);
  show_interpolation(k, configuration);
  select_mode(k, configuration);
  mark_in_sync(output_mode_buttons(k)[0]);
}

void decode_duty(const ReplyFrame& reply) {
  std::array<Long, kOutputCount> duty{};
  for (int k = 0; k < kOutputCount; ++k) {
    duty[static_cast<std::size_t>(k)] = read_field(reply, 3 + k, FieldKind::byte);
  }
  for (std::size_t k = 0; k < duty.size(); ++k) {
    gpo_duty_pcnt[k] = static_cast<Single>(duty[k] / 255.0 * 100);
  }
}

}  // namespace

ui::ControlArray<ui::OptionButton>& output_mode_buttons(int output) {
  return frm_sup().gpo_mode(output);
}

void decode_output_settings(const ReplyFrame& reply, Integer /*n*/) {
  switch (reply.at(2)) {
    case 0xAA:
      decode_configuration_block(reply);
      return;
    case 0xAB:
      decode_configuration_echo(reply);
      return;
    case 0xAF:
      decode_duty(reply);
      return;
    default:
      decode_indexed_rows(kSwitchTemperatures, reply);
      return;
  }
}

}  // namespace ecu
