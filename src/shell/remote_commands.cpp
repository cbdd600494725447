#include "shell/remote_commands.hpp"

#include <string>

#include "link/comm_port.hpp"
#include "link/link_channel.hpp"
#include "link/relay_client.hpp"
#include "link/relay_server.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/frm_remote_ip.hpp"
#include "shell/frm_server.hpp"
#include "ui/ui.hpp"

namespace ecu {
namespace {

constexpr const char* kMainTitle = "ECU System Console";

// The menu state of serial mode (true) or of relay client mode (false).
void offer_relay_starts(bool offered) {
  auto& main_window = FrmEcu();
  main_window.menu_remote_setup_start_server.set_enabled(offered);
  main_window.menu_remote_setup_start_client.set_enabled(offered);
  main_window.menu_remote_setup_halt_client.set_enabled(!offered);
}

void show_main_caption() {
  FrmEcu().set_caption(kMainTitle + caption_suffix);
}

// The sockets are given back however the program ends.
void close_sockets_at_end() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  ui::add_shutdown_step([] {
    outgoing_sock().close();
    incomming_sock().close();
  });
}

bool bind_or_report(UdpSocket& socket, std::uint16_t port, const char* role) {
  std::string error;
  if (socket.bind(port, &error)) {
    close_sockets_at_end();
    return true;
  }
  ui::msg_box(std::string("The ") + role + " cannot start: " + error +
                  " The port may be in use by another program, or need privileges.",
              ui::MsgButtons::ok, ui::MsgIcon::exclamation);
  return false;
}

}  // namespace

void start_relay_server() {
  if (!bind_or_report(incomming_sock(), relay_server_port(), "relay server")) return;
  // The port is closed before the relay window opens it again on activation, so the relay
  // starts from a freshly opened line.
  if (comm_port().is_open()) {
    comm_port().close();
    caption_suffix.clear();
    show_main_caption();
  }
  link_ready = kFalse;
  FrmEcu().hide();
  frm_server().show();
}

void start_relay_client() {
  frm_remote_ip().show_modal();
  if (remote_server_ip.empty()) return;
  const std::string address = remote_server_ip;
  if (!bind_or_report(outgoing_sock(), relay_client_port(), "relay client")) {
    remote_server_ip.clear();
    return;
  }
  if (comm_port().is_open()) {
    comm_port().close();
    caption_suffix.clear();
  }
  link_ready = kFalse;
  offer_relay_starts(false);
  if (relay_handshake(address)) {
    set_relay_channel(&relay_client_channel());
    ui::msg_box("Succesful connection to remote IP address " + address);
    caption_suffix = " -> " + address;
    show_main_caption();
    return;
  }
  ui::msg_box("Unable to connect to remote IP address " + address);
  outgoing_sock().close();
  remote_server_ip.clear();
  caption_suffix.clear();
  show_main_caption();
  offer_relay_starts(true);
}

void halt_relay_client() {
  offer_relay_starts(true);
  outgoing_sock().close();
  set_relay_channel(nullptr);
  link_ready = kFalse;
  remote_server_ip.clear();
  caption_suffix.clear();
  show_main_caption();
}

}  // namespace ecu
