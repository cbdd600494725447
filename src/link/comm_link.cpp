#include "link/comm_link.hpp"

#include <string>

#include "decode/setting_replies.hpp"
#include "link/comm_port.hpp"
#include "link/receive_framer.hpp"
#include "link/relay_client.hpp"
#include "link/relay_server.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_dialog.hpp"
#include "shell/frm_ecu.hpp"
#include "ui/form.hpp"
#include "ui/presenter.hpp"
#include "ui/text_file.hpp"

namespace ecu {
namespace {

constexpr const char* kMainTitle = "ECU System Console";
constexpr const char* kPortFile = "port.cfg";
constexpr const char* kTerminationMessage =
    "Program is going to be terminated since it must either be set as Demo or Normal mode";
constexpr int kScannedPorts = 16;
constexpr Integer kNoChoice = -1;
constexpr Integer kExitChoice = 0;
constexpr Integer kDemoChoice = 1;

std::string two_digits(int number) {
  std::string digits = std::to_string(number);
  if (digits.size() < 2) digits.insert(digits.begin(), '0');
  return digits;
}

bool open_main_port() {
  SerialPort& port = comm_port();
  if (!port.open(com_port, nullptr)) return false;
  set_comm_port_lost(false);
  // However the program ends, the line is given back.
  ui::add_shutdown_step([] { comm_port().close(); });
  caption_suffix = " ->COM" + std::to_string(com_port);
  link_ready = kTrue;
  // The main window exists whenever the console runs; a test may work without it.
  if (FrmEcuForm* main_window = FrmEcu.if_loaded()) {
    main_window->set_caption(std::string(kMainTitle) + caption_suffix);
  }
  return true;
}

// Exit or Demo, asked until the user presses one of the two buttons.
Integer ask_port_choice() {
  auto& dialog = frm_Dialog();
  dialog.dialog_button[0].set_caption("Exit");
  dialog.dialog_button[0].set_visible(true);
  dialog.dialog_button[1].set_caption("Demo");
  dialog.dialog_button[1].set_visible(true);
  dialog.dialog_button[2].set_visible(false);
  dialog.dialog_button[3].set_visible(false);
  dialog.set_dialog_keys(&dialog.dialog_button[1]);  // Enter runs the demo
  dialog.dialog_caption.set_caption("No COM port found for COM" + std::to_string(com_port) +
                                    ".  Choose and option below.");
  dialog.dialog_detail.set_caption(com_port_detail());
  while (!ui::program_ending()) {
    frm_Dialog().dialog_choice = kNoChoice;
    frm_Dialog().show_modal();
    const FrmDialogForm* shown = frm_Dialog.if_loaded();
    const Integer choice = shown != nullptr ? shown->dialog_choice : kNoChoice;
    // Closing the window is no answer: the console cannot go on without one.
    if (choice != kNoChoice) return choice;
  }
  return kExitChoice;
}

}  // namespace

void reset_link_state() {
  reset_receive_framer();
  reset_relay_client();
  forget_owed_answers();
  set_relay_server_active(false);
}

void open_comm_link() {
  comm_aborted = kFalse;
  allow_feature_version_warning();
  if (demo_mode == kTrue || !remote_server_ip.empty()) {
    link_ready = kTrue;
    return;
  }
  if (comm_port().is_open() || open_main_port()) return;

  if (ask_port_choice() == kDemoChoice) {
    demo_mode = kTrue;
    link_ready = kTrue;
    return;
  }
  if (ui::program_ending()) return;
  scan_com_ports();
  ui::msg_box(kTerminationMessage);
  ui::end_program();
}

bool reopen_lost_comm_port() {
  if (!comm_port_lost()) return comm_port().is_open();
  return open_main_port();
}

std::string com_port_detail() {
  const SerialPort& port = comm_port();
  const std::string name = "COM" + std::to_string(com_port);
  const std::string device = serial_device_path(com_port);
  const std::string hint =
      "\nStart the console with ECU_" + name + "=<device> to use another device.";
  if (port.is_open()) return "No reply came on " + name + " (" + device + ")." + hint;
  // The port's own error names the device it tried.
  const std::string& reason = port.last_error();
  return name + " could not be opened: " + (reason.empty() ? device : reason) + "." + hint;
}

void scan_com_ports() {
  SerialPort& port = comm_port();
  close_comm_port();
  std::string report;
  for (int number = 1; number <= kScannedPorts; ++number) {
    std::string line = "COM-" + two_digits(number);
    const bool present = port.open(number, nullptr);
    line += present ? " PRESENT" : " FAILED";
    if (present) port.close();
    report += line;
    report += "\n\r";
  }
  ui::msg_box(report);
}

void choose_com_port(int port_number) {
  if (port_number < 1 || port_number > FrmEcuForm::kComPortItems) return;
  std::string error;
  if (!ui::write_text_file_atomic(kPortFile, {std::to_string(port_number)}, &error)) {
    ui::msg_box("The port choice could not be saved in " + std::string(kPortFile) + ": " + error,
                ui::MsgButtons::ok, ui::MsgIcon::exclamation);
  }
  auto& main_window = FrmEcu();
  for (int n = 1; n <= FrmEcuForm::kComPortItems; ++n) {
    main_window.comm_port_item(n).set_checked(n == port_number);
  }
  // The open port stays in use; the new number applies when the port is next opened after
  // a restart of the program.
  if (!comm_port().is_open()) com_port = static_cast<Integer>(port_number);
}

}  // namespace ecu
