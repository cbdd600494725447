#include "shell/main_poll_loop.hpp"

#include <array>
#include <cstdint>
#include <string>

#include "decode/command_table.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/demo_values.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/view_commands.hpp"
#include "shell/view_table.hpp"
#include "ui/event_loop.hpp"
#include "views/plotter_update.hpp"

namespace ecu {

namespace {

constexpr std::uint8_t kReadBaseConfig = 'C';
constexpr std::uint8_t kReadFeatureWord = 0xB3;
constexpr std::uint8_t kReadFeatureVersion = 0xB4;

// The plotter's cycle: live data every second tick, the two other frames every fourth.
constexpr std::array<std::uint8_t, 4> kPlotterCycle{kReadLiveData, kReadMonitorFrame, kReadLiveData,
                                                    kReadChannelRuntime};

// The speed filter of the live-data decoder is held reset until the status request went out.
constexpr Single kTachFilterAtStart = 0.8F;

void send(std::uint8_t code) {
  send_command(std::string(1, static_cast<char>(code)));
}

bool is_set(Flag flag) {
  return flag != kFalse;
}

// Serves the first pending view request, in the view table's order, by the view's command;
// true when one was served, which ends the tick.
bool serve_view_request() {
  for (const ViewRow& view : view_table()) {
    ui::do_events();
    if (*view.request != kTrue) continue;
    *view.request = kFalse;
    run_view_command(view.number);
    return true;
  }
  return false;
}

// The current view's requests, as its row in the view table lists them. No view (0) and
// any number that is no view send nothing.
void poll_current_view(const ViewRow* view) {
  if (view == nullptr) return;
  if (view->before_poll != nullptr) view->before_poll();
  if (view->polls_now == nullptr || view->polls_now()) {
    for (const std::uint8_t code : view->poll_codes) {
      send(code);
      ui::do_events();
    }
  }
  if (view->after_poll != nullptr) view->after_poll();
}

}  // namespace

void main_poll_tick() {
  // A transaction in progress owns the link; this tick would only interleave with it.
  if (link_busy()) return;
  if (is_set(poll_inhibit)) return;
  FrmEcuForm& main_window = FrmEcu();

  if (is_set(demo_mode)) demo_enabling_step();

  if (!is_set(main_window.config_requested)) {
    if (is_set(link_ready)) {
      main_window.config_requested = kTrue;
      send(kReadBaseConfig);
      if (is_set(demo_mode)) first_demo_connect_step();
    }
    tach_filter_coef = kTachFilterAtStart;
    tach_filter_prev = 0.0F;
  }

  if (is_set(demo_mode)) demo_value_step();

  if (serve_view_request()) return;

  if (const ViewRow* view = find_view(current_view);
      view != nullptr && view->asks_features && feature_word_received == 0) {
    send(kReadFeatureWord);
    send(kReadFeatureVersion);
  }

  // Looked up again: the view may have closed while those replies were awaited.
  poll_current_view(find_view(current_view));

  if (is_set(demo_mode)) demo_value_step();
}

void plotter_poll_tick() {
  if (link_busy()) return;
  if (current_view != kPlotterView) return;
  // The plotter's poll takes no input: input runs between its ticks, so a box the user opens
  // never stands inside a tick, and the poll goes on behind it.
  const ui::EventLoop::HoldingInput holding(ui::event_loop());
  if (plotter_poll_step < 0 || plotter_poll_step >= static_cast<Integer>(kPlotterCycle.size())) {
    plotter_poll_step = 0;
  }
  send(kPlotterCycle[static_cast<std::size_t>(plotter_poll_step)]);
  update_plotter_and_log();
  ++plotter_poll_step;
  if (plotter_poll_step >= static_cast<Integer>(kPlotterCycle.size())) plotter_poll_step = 0;
}

}  // namespace ecu
