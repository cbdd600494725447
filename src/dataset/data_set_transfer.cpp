#include "dataset/data_set_transfer.hpp"

#include <filesystem>
#include <utility>

#include "dataset/data_set_format.hpp"
#include "decode/reply_decoders.hpp"
#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/frm_wait.hpp"
#include "ui/clock.hpp"
#include "ui/format.hpp"
#include "ui/presenter.hpp"

namespace ecu {
namespace {

constexpr float kBarStartWidth = 30;

}  // namespace

DataSetTransferScope::DataSetTransferScope() = default;

DataSetTransferScope::~DataSetTransferScope() {
  if (waiting_) {
    // The counts and the bar end exact, whatever the throttle held back.
    flush_progress();
    if (FrmEcuForm* main_window = FrmEcu.if_loaded()) {
      main_window->set_enabled(true);
      main_window->set_busy_pointer(false);
    }
    if (FrmWaitForm* wait = frm_wait.if_loaded()) {
      wait->transfer_running = false;
      wait->hide();
    }
    yield_to_message_loop();
  }
}

void DataSetTransferScope::show_wait(const std::string& caption) {
  waiting_ = true;
  FrmEcuForm& main_window = FrmEcu();
  main_window.set_busy_pointer(true);
  FrmWaitForm& wait = frm_wait();
  wait.percent_comp[1].set_width(kBarStartWidth);
  wait.set_caption(caption);
  wait.transfer_running = true;
  wait.show();
  yield_to_message_loop();
  main_window.set_enabled(false);
  yield_to_message_loop();
}

void DataSetTransferScope::show_progress(double done, double total) {
  const double fraction = total > 0 ? done / total : 0.0;
  pending_.tx = tx_byte_counts[1];
  pending_.rx = rx_byte_counts[1];
  pending_.bar_width = static_cast<float>(frm_wait().percent_comp[0].width() * fraction);
  pending_changed_ = true;
  draw_if_due();
}

void DataSetTransferScope::show_info(const std::string& text) {
  pending_.info = text;
  pending_changed_ = true;
  draw_if_due();
}

void DataSetTransferScope::draw_if_due() {
  const double now = ui::clock().monotonic_seconds();
  if (drawn_at_ && now - *drawn_at_ < kDrawIntervalSeconds) return;
  drawn_at_ = now;
  flush_progress();
}

void DataSetTransferScope::flush_progress() {
  if (!pending_changed_) return;
  pending_changed_ = false;
  FrmWaitForm& wait = frm_wait();
  wait.tx_bytes.set_caption(ui::format_number(static_cast<double>(pending_.tx), ""));
  wait.rx_bytes.set_caption(ui::format_number(static_cast<double>(pending_.rx), ""));
  wait.percent_comp[1].set_width(pending_.bar_width);
  if (pending_.info) wait.update_info.set_caption(*std::exchange(pending_.info, std::nullopt));
}

Exchange exchange_request(const CommandInfo& command, const std::string& request) {
  // A port lost to a line error is tried again by every attempt of the request; while the
  // device is gone the usual failure dialog offers "Try Again" once more. Any other closed
  // link is opened again first (its own dialog offers demo mode when it cannot be opened).
  const bool port_lost = remote_server_ip.empty() && comm_port_lost();
  if (!port_lost && link_ready != kTrue && demo_mode != kTrue && comm_aborted != kTrue) {
    open_comm_link();
  }
  if (demo_mode == kTrue || comm_aborted == kTrue || link_busy()) return Exchange::stopped;
  if (link_ready != kTrue && !port_lost) return Exchange::stopped;
  reply_received = 0;
  send_command(request);
  if (ui::program_ending()) return Exchange::ending;
  // The link takes only a reply that answers the request; a write's echo must also carry
  // the value sent.
  if (reply_received == -1) {
    return echo_confirms_write(command, request) ? Exchange::answered : Exchange::refused;
  }
  if (demo_mode == kTrue || comm_aborted == kTrue) return Exchange::stopped;
  return Exchange::try_again;
}

std::string chosen_data_set_file(bool save) {
  ui::FileDialogRequest request;
  request.save = save;
  request.filter = kDataSetFileFilter;
  request.default_extension = "set";
  request.initial_name = kDataSetFileName;
  request.overwrite_prompt = save;
  const std::optional<std::string> chosen = ui::file_dialog(request);
  if (!chosen || chosen->empty()) return {};
  // A dialog handed back with the preset name untouched was cancelled.
  if (std::filesystem::path(*chosen).filename() == kDataSetFileName) return {};
  return *chosen;
}

}  // namespace ecu
