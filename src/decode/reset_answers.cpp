// Answers to the reset, reflash and kill-timing actions. The message boxes are modal and
// shown from inside the transaction that sent the action, which goes on once they close.

#include "decode/setting_replies.hpp"
#include "decode/setting_table.hpp"
#include "shell/frm_ecu.hpp"
#include "ui/ui.hpp"

namespace ecu {
namespace {

constexpr Long kResetAnswer = 0xA5;
constexpr Long kReflashAnswer = 0x5A;

}  // namespace

void decode_reset_answer(const ReplyFrame& reply, Integer /*n*/) {
  const Long answer = read_field(reply, 3, FieldKind::byte);
  if (answer == kResetAnswer) {
    ui::msg_box("The controller has been succesfully reset.");
  } else if (answer == kReflashAnswer) {
    // The flash utility is offered from now on, before the user reads the message.
    FrmEcu().menu_tool_flash_utility.set_enabled(true);
    ui::msg_box("The controller is now ready to re-flash.");
  }
}

void decode_acknowledgement(const ReplyFrame& /*reply*/, Integer /*n*/) {
  // An acknowledgement carries nothing to keep; being taken is all it does.
}

}  // namespace ecu
