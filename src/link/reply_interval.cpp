#include "link/reply_interval.hpp"

#include "ui/format.hpp"
#include "views/frm_mon.hpp"

namespace ecu {

void show_reply_interval(Single milliseconds) {
  shown_reply_interval_ms = milliseconds;
  // `current_view` is 1 only while the monitor window is loaded, so it is never created here.
  if (FrmMonForm* monitor = frm_mon.if_loaded()) {
    monitor->group_delay.set_caption(ui::format_single(milliseconds, "###0.0"));
  }
}

}  // namespace ecu
