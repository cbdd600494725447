#pragma once
// The modal choice dialog: the caller writes the message and up to four button captions,
// shows it modally and reads which button was pressed.

#include "model/basic_types.hpp"
#include "ui/ui.hpp"

namespace ecu {

class FrmDialogForm : public ui::Form {
 public:
  FrmDialogForm();

  ui::Label dialog_caption{*this, "dialog_caption"};
  ui::ControlArray<ui::CommandButton> dialog_button{*this, "dialog_button", 4};
  // The console's own line below the buttons, so the message above keeps its text: which
  // device the COM port stands for and how to name another.
  ui::Label dialog_detail{*this, "dialog_detail"};
  // Index of the button last pressed; -1 after the dialog was closed through its frame.
  Integer dialog_choice = 0;

  void dialog_button_Click(int index);

 protected:
  void on_query_unload(bool& cancel) override;
};

inline ui::FormInstance<FrmDialogForm> frm_Dialog;

}  // namespace ecu
