#pragma once
// The progress window of the data set transfers: byte counters, a message line and a bar.

#include "ui/ui.hpp"

namespace ecu {

class FrmWaitForm : public ui::Form {
 public:
  FrmWaitForm();

  ui::Label please_wait{*this, "Label1"};
  ui::Label txb_title{*this, "Label2"};
  ui::Label tx_bytes{*this, "tx_bytes"};
  ui::Label rxb_title{*this, "Label3"};
  ui::Label rx_bytes{*this, "rx_bytes"};
  ui::Label update_info{*this, "update_info"};
  // Element 0 the outline at full length, element 1 the bar whose width shows progress.
  ui::ControlArray<ui::Shape> percent_comp{*this, "percent_comp", 2};

  // Full width of the progress bar, in the window's units.
  static constexpr float kBarLeft = 240;
  static constexpr float kBarWidth = 5280;

  // True while a transfer shows its progress here. The window then stays until the transfer
  // ends: closed through its frame it would leave only the disabled main window, with
  // nothing to tell that anything runs.
  bool transfer_running = false;

 protected:
  void on_activate() override;
  void on_query_unload(bool& cancel) override;
};

inline ui::FormInstance<FrmWaitForm> frm_wait;

}  // namespace ecu
