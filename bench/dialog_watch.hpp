#pragma once
// A hidden form that stands in for the user at the link's failure dialog during a benchmark.

#include "shell/frm_dialog.hpp"
#include "ui/form.hpp"
#include "ui/timer.hpp"

namespace bench {

// Answers the failure dialog "Try Again" whenever it comes up, and counts it.
class DialogWatch final : public ui::Form {
 public:
  DialogWatch() : ui::Form("bench_dialog_watch", "", 100, 100) {
    watch.on_timer = [this] {
      const ecu::FrmDialogForm* dialog = ecu::frm_Dialog.if_loaded();
      if (dialog == nullptr || !dialog->visible()) return;
      ++dialogs;
      ecu::frm_Dialog().dialog_button[0].click();
    };
  }
  ui::Timer watch{*this, "watch", 20};
  int dialogs = 0;
};

inline ui::FormInstance<DialogWatch> dialog_watch;

}  // namespace bench
