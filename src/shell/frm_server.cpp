#include "shell/frm_server.hpp"

#include <limits>

#include "link/comm_link.hpp"
#include "link/relay_server.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"

namespace ecu {
namespace {

constexpr const char* kInactive = "INACTIVE";
constexpr const char* kHandshake = "MARCO";
constexpr const char* kHandshakeAnswer = "POLO";
constexpr const char* kNoResponse = "NORESP";
constexpr std::size_t kShortestReply = 3;
// Six ticks in a row without a datagram mark the client inactive.
constexpr std::uint16_t kIdleTicksLimit = 5;

// Shows the serving flag for exactly as long as one datagram is served.
class ServingScope {
 public:
  explicit ServingScope(bool& serving) : serving_(serving) { serving_ = true; }
  ~ServingScope() { serving_ = false; }
  ServingScope(const ServingScope&) = delete;
  ServingScope& operator=(const ServingScope&) = delete;

 private:
  bool& serving_;
};

}  // namespace

FrmServerForm::FrmServerForm() : ui::Form("frm_server", "Remote Server", 4500, 2400) {
  Client_IP.move(2160, 240, 2040, 255);
  num_sock_bytes.move(2160, 600, 2040, 255);
  num_comm_bytes.move(2160, 960, 2040, 255);
  captions.beside(Client_IP, "Client IP address");
  captions.beside(num_sock_bytes, "Comm TX bytes");
  captions.beside(num_comm_bytes, "Comm RX bytes");
  server_cancel.set_caption("Cancel");
  server_cancel.move(1440, 1440, 1455, 420);
  // Enter must not stop the relay; Escape closes it as the frame does.
  set_dialog_keys(nullptr);
  server_cancel.on_click = [this] { server_cancel_Click(); };
  Timer1.on_timer = [this] { Timer1_Timer(); };
}

FrmServerForm::~FrmServerForm() {
  // A window dropped without its unload handler (between tests) still lets the line go.
  if (source_id_ != 0) ui::event_loop().remove_source(source_id_);
  set_relay_server_active(false);
}

void FrmServerForm::on_load() {
  set_relay_server_active(true);
  source_id_ = ui::event_loop().add_source([this] { return serve_next_datagram(); });
}

void FrmServerForm::on_activate() {
  Client_IP.set_caption(kInactive);
  open_comm_link();
}

void FrmServerForm::on_unload() {
  ui::event_loop().remove_source(source_id_);
  source_id_ = 0;
  incomming_sock().close();
  set_relay_server_active(false);
  if (!ui::program_ending()) FrmEcu().show();
}

bool FrmServerForm::serve_next_datagram() {
  // A datagram that arrives while one is served waits in the socket for its turn.
  if (serving_) return false;
  auto datagram = incomming_sock().receive();
  if (!datagram) return false;
  server_rx_datagram = std::move(datagram->bytes);
  sender_address = datagram->sender_address;
  sender_port = datagram->sender_port;
  raise([this] { process_server_incomming_packet(); });
  return true;
}

void FrmServerForm::process_server_incomming_packet() {
  const ServingScope serving(serving_);
  const std::string datagram = server_rx_datagram;
  const bool handshake = datagram == kHandshake;
  const bool from_client = sender_address == client_address;
  // Only a well-formed request from the client that completed the handshake reaches the
  // controller; anything else could write arbitrary bytes into it. While that client is
  // served, another host's handshake is not answered, so it cannot take the relay over.
  const bool refused = handshake ? !from_client && client_active()
                                 : !from_client || !is_relay_request_datagram(datagram);
  if (refused) {
    ++dropped_datagrams;
    return;
  }
  idle_ticks = 0;
  datagram_bytes_total += static_cast<std::int64_t>(datagram.size());
  if (handshake) {
    client_address = sender_address;
    answer(kHandshakeAnswer);
  } else {
    const std::string reply = forward_to_controller(datagram).value_or(std::string());
    serial_bytes_total += static_cast<std::int64_t>(reply.size());
    answer(reply.size() >= kShortestReply ? reply : kNoResponse);
  }
  show_totals();
}

void FrmServerForm::answer(const std::string& bytes) {
  // To the sender's own address and port, so the relay works between two machines.
  incomming_sock().send_to(bytes, sender_address, sender_port);
}

void FrmServerForm::show_totals() {
  num_sock_bytes.set_caption(std::to_string(datagram_bytes_total));
  num_comm_bytes.set_caption(std::to_string(serial_bytes_total));
  Client_IP.set_caption(sender_address);
}

bool FrmServerForm::client_active() const {
  return !client_address.empty() && idle_ticks <= kIdleTicksLimit;
}

void FrmServerForm::Timer1_Timer() {
  if (idle_ticks < std::numeric_limits<std::uint16_t>::max()) ++idle_ticks;
  if (!client_active()) Client_IP.set_caption(kInactive);
}

void FrmServerForm::server_cancel_Click() {
  unload();
}

}  // namespace ecu
