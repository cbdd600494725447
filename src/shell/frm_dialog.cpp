#include "shell/frm_dialog.hpp"

namespace ecu {

FrmDialogForm::FrmDialogForm() : ui::Form("frm_Dialog", "Warning!", 5400, 3645) {
  dialog_caption.set_caption("Dialog Goes Here");
  dialog_caption.set_alignment(ui::Label::Align::centre);
  dialog_caption.move(240, 180, 4800, 975);
  for (int i = 0; i < dialog_button.count(); ++i) {
    dialog_button[i].set_caption("0");
    dialog_button[i].move(240.0F + 1215.0F * static_cast<float>(i), 1335, 1110, 420);
  }
  dialog_detail.set_alignment(ui::Label::Align::centre);
  dialog_detail.move(240, 1875, 4800, 1215);
  dialog_button.on(&ui::CommandButton::on_click, [this](int index) { dialog_button_Click(index); });
  // Each caller names its default button; Escape closes as the frame does.
  set_dialog_keys(&dialog_button[0]);
}

void FrmDialogForm::dialog_button_Click(int index) {
  dialog_choice = static_cast<Integer>(index);
  hide();
}

void FrmDialogForm::on_query_unload(bool& cancel) {
  // Closing through the frame is no choice: keep the window (its texts are reused by the
  // next caller) and tell the caller that no button was pressed. The transaction then
  // returns without a reply and the port dialog takes the ending path.
  cancel = true;
  dialog_choice = -1;
  hide();
}

}  // namespace ecu
