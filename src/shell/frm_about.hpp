#pragma once
// The about window: branding, the console's version, and the controller's serial number
// and firmware revision, asked for each time the window becomes active.

#include "ui/ui.hpp"

namespace ecu {

class FrmAboutForm : public ui::Form {
 public:
  FrmAboutForm();

  ui::PictureBox Picture1{*this, "Picture1"};
  ui::CommandButton Command3d1{*this, "Command3d1"};
  ui::Label serial_num_title{*this, "Label1"};
  ui::Label serial_num{*this, "serial_num"};
  ui::Label fw_rev_title{*this, "Label2"};
  ui::Label FW_Rev{*this, "FW_Rev"};
  ui::Label ecu_rev_title{*this, "Label3"};
  ui::Label ECU_Rev{*this, "ECU_Rev"};
  ui::Label oemtext{*this, "oemtext"};

  ui::MenuItem menu_file{*this, "menu_file", nullptr};
  ui::MenuItem menu_file_exit{*this, "menu_file_exit", &menu_file};

  void Command3d1_Click();
  void menu_file_exit_Click();
  // What start-up read for the window: picture, text and version. Also on every creation,
  // so a window closed through its frame comes back as start-up left it.
  void show_branding();

 protected:
  void on_activate() override;
};

inline ui::FormInstance<FrmAboutForm> frm_about;

}  // namespace ecu
