#include "shell/frm_wait.hpp"

namespace ecu {

FrmWaitForm::FrmWaitForm() : ui::Form("frm_wait", "", 5880, 2700) {
  please_wait.set_caption("Please wait for a moment while this operation is being completed.");
  please_wait.set_alignment(ui::Label::Align::centre);
  please_wait.move(240, 180, 5280, 480);

  txb_title.set_caption("TXB");
  txb_title.move(240, 780, 480, 255);
  tx_bytes.set_caption("0");
  tx_bytes.move(780, 780, 1800, 255);
  rxb_title.set_caption("RXB");
  rxb_title.move(3000, 780, 480, 255);
  rx_bytes.set_caption("0");
  rx_bytes.move(3540, 780, 1800, 255);

  update_info.move(240, 1200, 5280, 300);

  percent_comp[0].move(kBarLeft, 1680, kBarWidth, 300);
  percent_comp[0].set_fill_style(1);
  // The transfers start the bar at 30 units and widen it as they go.
  percent_comp[1].move(kBarLeft, 1680, 30, 300);
  percent_comp[1].set_fill_style(0);
  percent_comp[1].set_fill_colour(ui::colours::light_green);
}

void FrmWaitForm::on_activate() {
  update_info.set_caption("");
}

void FrmWaitForm::on_query_unload(bool& cancel) {
  if (transfer_running) cancel = true;
}

}  // namespace ecu
