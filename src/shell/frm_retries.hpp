#pragma once
// The retry counter: the request transaction writes the attempt number into `retries`,
// which loads the window; the window unloads itself two seconds after it was loaded.

#include "model/basic_types.hpp"
#include "ui/ui.hpp"

namespace ecu {

class FrmRetriesForm : public ui::Form {
 public:
  FrmRetriesForm();

  ui::Label retries_title{*this, "Label1"};
  ui::Label retries{*this, "retries"};
  ui::Timer Timer1{*this, "Timer1", 250};
  Single retries_elapsed = 0.0F;  // seconds since the window was loaded

  void Timer1_Timer();

 protected:
  void on_load() override;
};

inline ui::FormInstance<FrmRetriesForm> frm_retries;

}  // namespace ecu
