#pragma once
// The relay window: while it is open this console serves a remote console's requests on
// its own serial port. Each datagram that arrives on `incomming_sock` is taken into
// `server_rx_datagram` and handed to `process_server_incomming_packet`, one at a time, in
// the order they arrived.

#include <cstdint>
#include <string>

#include "ui/caption_set.hpp"
#include "ui/ui.hpp"

namespace ecu {

class FrmServerForm : public ui::Form {
 public:
  FrmServerForm();
  ~FrmServerForm() override;
  FrmServerForm(const FrmServerForm&) = delete;
  FrmServerForm& operator=(const FrmServerForm&) = delete;

  ui::CaptionSet captions{*this, "Label"};
  ui::Label Client_IP{*this, "Client_IP"};
  ui::Label num_sock_bytes{*this, "num_sock_bytes"};
  ui::Label num_comm_bytes{*this, "num_comm_bytes"};
  ui::CommandButton server_cancel{*this, "server_cancel"};
  ui::Timer Timer1{*this, "Timer1", 1000};

  // Serves `server_rx_datagram`, which came from `sender_address` port `sender_port`.
  void process_server_incomming_packet();
  void server_cancel_Click();
  void Timer1_Timer();

  // ---- Form-level state ----
  std::string sender_address;
  std::uint16_t sender_port = 0;
  // Seconds without a datagram; it stops at its largest value instead of wrapping.
  std::uint16_t idle_ticks = 0;
  std::int64_t datagram_bytes_total = 0;
  std::int64_t serial_bytes_total = 0;
  // Datagrams not forwarded: of the wrong shape, or not from the client that last
  // completed the handshake, and handshakes of other hosts while that client is served.
  std::int64_t dropped_datagrams = 0;
  // The address that last completed the handshake; empty before the first one.
  std::string client_address;

  // A client completed the handshake and has not been quiet long enough to show
  // "INACTIVE": until then only it may handshake again.
  [[nodiscard]] bool client_active() const;

 protected:
  void on_load() override;
  void on_activate() override;
  void on_unload() override;

 private:
  // Takes the next datagram when none is being served; true when one was served.
  bool serve_next_datagram();
  void answer(const std::string& bytes);
  void show_totals();

  int source_id_ = 0;
  bool serving_ = false;
};

inline ui::FormInstance<FrmServerForm> frm_server;

}  // namespace ecu
