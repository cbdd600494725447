#include "shell/main_poll_loop.hpp"

#include <array>
#include <string>

#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/demo_values.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/live_cursors.hpp"
#include "views/frm_diagnostics.hpp"
#include "views/frm_mon.hpp"
#include "views/monitor_display.hpp"
#include "views/plotter_update.hpp"

namespace ecu {

namespace {

struct Request {
  char code;
  Integer reply_length;
};

constexpr Request kReadBaseConfig{'C', 21};
constexpr Request kReadFeatureWord{static_cast<char>(0xB3), 5};
constexpr Request kReadFeatureVersion{static_cast<char>(0xB4), 5};
constexpr Request kReadLiveData{'A', 63};
constexpr Request kReadMonitorFrame{static_cast<char>(0x81), 30};
constexpr Request kReadChannelRuntime{static_cast<char>(0xCF), 37};

// The plotter's cycle: live data every second tick, the two other frames every fourth.
constexpr std::array<Request, 4> kPlotterCycle{kReadLiveData, kReadMonitorFrame, kReadLiveData,
                                               kReadChannelRuntime};

// The speed filter of the live-data decoder is held reset until the status request went out.
constexpr Single kTachFilterAtStart = 0.8F;

void send(const Request& request) {
  send_command(std::string(1, request.code), request.reply_length);
}

void send_and_yield(const Request& request) {
  send(request);
  ui::do_events();
}

bool is_set(Flag flag) {
  return flag != kFalse;
}

// Serves the first pending view request by the main window's own command; true when one
// was served, which ends the tick.
bool serve_view_request(FrmEcuForm& main_window) {
  struct PendingView {
    Flag& request;
    void (FrmEcuForm::*command)();
  };
  const std::array<PendingView, 8> views{{
      {view_request_mon, &FrmEcuForm::Command3d4_Click},
      {view_request_dash, &FrmEcuForm::Command1_Click},
      {view_request_tools, &FrmEcuForm::Command3d1_Click},
      {view_request_3d, &FrmEcuForm::Command3d2_Click},
      {view_request_2d, &FrmEcuForm::Command3d7_Click},
      {view_request_sup, &FrmEcuForm::Command2_Click},
      {view_request_plot, &FrmEcuForm::Command3d3_Click},
      {view_request_diag, &FrmEcuForm::Command3_Click},
  }};
  for (const PendingView& view : views) {
    ui::do_events();
    if (view.request != kTrue) continue;
    view.request = kFalse;
    (main_window.*view.command)();
    return true;
  }
  return false;
}

void poll_current_view() {
  switch (current_view) {
    case 1:
      // After Abort every request returns at once; the monitor closes and the user is back
      // at the main window.
      if (is_set(comm_aborted)) frm_mon().Command3d1_Click();
      send_and_yield(kReadLiveData);
      send_and_yield(kReadMonitorFrame);
      send_and_yield(kReadChannelRuntime);
      refresh_monitor_display();
      break;
    case 3:
      send_and_yield(kReadLiveData);
      basic_mapping_display();
      break;
    case 4:
      // The plotter has its own timer.
      ui::do_events();
      break;
    case 5:
      send_and_yield(kReadLiveData);
      send_and_yield(kReadMonitorFrame);
      additional_mapping_display();
      break;
    case 6:
      send_and_yield(kReadLiveData);
      send_and_yield(kReadMonitorFrame);
      dashboard_display();
      break;
    case 7:
      send_and_yield(kReadLiveData);
      send_and_yield(kReadMonitorFrame);
      output_driver_cursors();
      break;
    case 8:
      // Only the dyno page samples the engine.
      if (frm_diagnostics().diags_tab.current_tab() == FrmDiagnosticsForm::kDynoTab) {
        send_and_yield(kReadLiveData);
      }
      ui::do_events();
      break;
    default:
      // 0 (no view), 2 (the configuration reads on its own) and anything else: nothing.
      break;
  }
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

  if (serve_view_request(main_window)) return;

  // Views 0 and 8 never ask for the controller's features.
  if (current_view >= 1 && current_view <= 7 && feature_word_received == 0) {
    send(kReadFeatureWord);
    send(kReadFeatureVersion);
  }

  poll_current_view();

  if (is_set(demo_mode)) demo_value_step();
}

void plotter_poll_tick() {
  if (link_busy()) return;
  if (current_view != 4) return;
  if (plotter_poll_step < 0 || plotter_poll_step >= static_cast<Integer>(kPlotterCycle.size())) {
    plotter_poll_step = 0;
  }
  send(kPlotterCycle[static_cast<std::size_t>(plotter_poll_step)]);
  update_plotter_and_log();
  ++plotter_poll_step;
  if (plotter_poll_step >= static_cast<Integer>(kPlotterCycle.size())) plotter_poll_step = 0;
}

}  // namespace ecu
