#include "shell/startup.hpp"

#include "shell/frm_ecu.hpp"

namespace ecu {

void start_console(const std::string& command_line) {
  console_command_line = command_line;
  FrmEcuForm& main_window = FrmEcu();
  if (!ui::program_ending()) main_window.show();
}

}  // namespace ecu
