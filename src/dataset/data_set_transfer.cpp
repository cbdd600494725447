#include "dataset/data_set_transfer.hpp"

#include <filesystem>

#include "dataset/data_set_format.hpp"
#include "link/comm_link.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/frm_wait.hpp"
#include "ui/format.hpp"
#include "ui/presenter.hpp"

namespace ecu {
namespace {

constexpr float kBarStartWidth = 30;

}  // namespace

DataSetTransferScope::DataSetTransferScope() : poll_inhibit_before_(poll_inhibit) {
  // Nothing else may talk to the controller while a transfer runs.
  poll_inhibit = kTrue;
}

DataSetTransferScope::~DataSetTransferScope() {
  if (waiting_) {
    if (FrmEcuForm* main_window = FrmEcu.if_loaded()) {
      main_window->set_enabled(true);
      main_window->set_busy_pointer(false);
    }
    if (FrmWaitForm* wait = frm_wait.if_loaded()) wait->hide();
    yield_to_message_loop();
  }
  poll_inhibit = poll_inhibit_before_;
}

void DataSetTransferScope::show_wait(const std::string& caption) {
  waiting_ = true;
  FrmEcuForm& main_window = FrmEcu();
  main_window.set_busy_pointer(true);
  FrmWaitForm& wait = frm_wait();
  wait.percent_comp[1].set_width(kBarStartWidth);
  wait.set_caption(caption);
  wait.show();
  yield_to_message_loop();
  main_window.set_enabled(false);
  yield_to_message_loop();
}

void DataSetTransferScope::show_progress(double done, double total) {
  FrmWaitForm& wait = frm_wait();
  wait.tx_bytes.set_caption(ui::format_number(static_cast<double>(tx_byte_counts[1]), ""));
  wait.rx_bytes.set_caption(ui::format_number(static_cast<double>(rx_byte_counts[1]), ""));
  const double fraction = total > 0 ? done / total : 0.0;
  wait.percent_comp[1].set_width(static_cast<float>(wait.percent_comp[0].width() * fraction));
}

Exchange exchange_request(const CommandInfo& command, const std::string& request) {
  // After "Try Again" on a line that failed, the port may have been given up: open it
  // again (its own dialog offers demo mode when it cannot be opened).
  if (link_ready != kTrue && demo_mode != kTrue && comm_aborted != kTrue) open_comm_link();
  if (demo_mode == kTrue || comm_aborted == kTrue || link_ready != kTrue || link_busy()) {
    return Exchange::stopped;
  }
  reply_received = 0;
  Integer length = command.reply_length;
  send_request(request, length);
  if (ui::program_ending()) return Exchange::ending;
  if (reply_received == -1) {
    return reply_answers(command, request) ? Exchange::answered : Exchange::mismatched;
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
