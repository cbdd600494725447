#pragma once
// The address entry of the relay client: four boxes for the four numbers of the relay's
// IPv4 address. Shown modally; it leaves the address in `remote_server_ip`, or an empty text
// when the user cancelled.

#include "ui/ui.hpp"

namespace ecu {

class FrmRemoteIpForm : public ui::Form {
 public:
  FrmRemoteIpForm();

  ui::Label Label1{*this, "Label1"};
  ui::ControlArray<ui::TextBox> client_ip_address{*this, "client_ip_address", 4};
  ui::CommandButton remote_ip_done{*this, "remote_ip_done"};
  ui::CommandButton remote_ip_cancel{*this, "remote_ip_cancel"};

  void remote_ip_done_Click();
  void remote_ip_cancel_Click();
  void client_ip_address_KeyPress(int index, int& key_ascii);

 protected:
  // Closing through the frame cancels, and the window keeps its texts for the next use.
  void on_query_unload(bool& cancel) override;
};

inline ui::FormInstance<FrmRemoteIpForm> frm_remote_ip;

}  // namespace ecu
