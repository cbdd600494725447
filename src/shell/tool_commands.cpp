#include "shell/tool_commands.hpp"

#include <string>

#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/sflash.hpp"
#include "ui/ui.hpp"

namespace ecu {
namespace {

// Code 0xAE with the action's key byte; the controller answers with the same key.
const std::string kResetCommand{'\xAE', '\xA5', '\0', '\0'};
const std::string kReflashCommand{'\xAE', '\x5A', '\0', '\0'};
constexpr const char* kReflashQuestion =
    "Do you really want to stop the controller and re-flash its memory?";

}  // namespace

void reset_controller() {
  open_comm_link();
  send_command(kResetCommand);
}

void prepare_reflash() {
  const ui::MsgResult answer = ui::msg_box(kReflashQuestion, ui::MsgButtons::ok_cancel);
  open_comm_link();
  if (answer == ui::MsgResult::ok) send_command(kReflashCommand);
  // Whatever the answer, the line is free now: the loader takes it over.
  close_comm_port();
  caption_suffix.clear();
}

void open_flash_utility() {
  FrmEcu().hide();
  sflash().show();
}

}  // namespace ecu
