#include "shell/view_table.hpp"

#include <algorithm>

#include "config/frm_tool.hpp"
#include "decode/command_table.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "shell/live_cursors.hpp"
#include "views/frm_dashboard.hpp"
#include "views/frm_diagnostics.hpp"
#include "views/frm_mon.hpp"
#include "views/frm_plotter.hpp"
#include "views/monitor_display.hpp"

namespace ecu {

namespace {

using enum ViewStep;

template <auto& instance>
ViewForm& window_of() {
  return instance();
}

template <auto& instance>
bool shown() {
  const auto* form = instance.if_loaded();
  return form != nullptr && form->visible();
}

void close_monitor_after_abort() {
  // After Abort every request returns at once; the monitor closes and the user is back at
  // the main window.
  if (comm_aborted != kFalse) frm_mon().Command3d1_Click();
}

bool dyno_page_shown() {
  // Only the dyno page samples the engine.
  return frm_diagnostics().diags_tab.current_tab() == FrmDiagnosticsForm::kDynoTab;
}

// The plotter has its own timer; its tick, like the diagnostics', only yields.
void yield() {
  ui::do_events();
}

}  // namespace

std::span<const ViewRow> view_table() {
  // clang-format off
  static const std::vector<ViewRow> rows{
      {kMonitorView, "frm_mon", window_of<frm_mon>, shown<frm_mon>, &view_request_mon,
       {"Menu_View_Monitor", "&Monitor", "Command3d4", "Realtime Data Monitor",
        "preferences-desktop-display"},
       "menu_mon", "&Monitor",
       {open_link, set_current_view, clear_poll_inhibit, hide_main_window, show_view,
        force_monitor_labels},
       {kReadLiveData, kReadMonitorFrame, kReadChannelRuntime}, true,
       close_monitor_after_abort, nullptr, refresh_monitor_display},
      // The dashboard takes over the view before it opens the link.
      {kDashboardView, "frm_dashboard", window_of<frm_dashboard>, shown<frm_dashboard>,
       &view_request_dash,
       {"menu_view_dashboard", "&Dashboard", "Command1", "Instrument Dashboard",
        "applications-engineering"},
       "menu_dash", "&Dashboard",
       {set_current_view, open_link, clear_poll_inhibit, hide_main_window, show_view},
       {kReadLiveData, kReadMonitorFrame}, true, nullptr, nullptr, dashboard_display},
      // The configuration reads on its own; the poll sends nothing for it.
      {kConfigurationView, "frm_tool", window_of<frm_tool>, shown<frm_tool>,
       &view_request_tools,
       {"Menu_View_Injection", "&Configuration", "Command3d1", "ECU Configuration",
        "preferences-system"},
       "menu_tools", "&Config.",
       {open_link, set_current_view, clear_poll_inhibit, show_view,
        hide_main_window_if_view_shown},
       {}, true, nullptr, nullptr, nullptr},
      {kBasicMappingView, "frm_3d", window_of<frm_3d>, shown<frm_3d>, &view_request_3d,
       {"menu_View_Mapping", "&Basic Mapping", "Command3d2", "Basic Mapping",
        "applications-graphics"},
       "menu_3d", "&Basic Map",
       {open_link, request_base_config, set_current_view, clear_poll_inhibit, show_view,
        hide_main_window_if_view_shown},
       {kReadLiveData}, true, nullptr, nullptr, basic_mapping_display},
      {kAdditionalMappingView, "frm_2d", window_of<frm_2d>, shown<frm_2d>, &view_request_2d,
       {"menu_view_temperature", "&Additional Mapping", "Command3d7", "Additional Mapping",
        "applications-science"},
       "menu_2d", "&Additional Map",
       {open_link, set_current_view, clear_poll_inhibit, show_view,
        hide_main_window_if_view_shown},
       {kReadLiveData, kReadMonitorFrame}, true, nullptr, nullptr, additional_mapping_display},
      {kOutputDriverView, "frm_sup", window_of<frm_sup>, shown<frm_sup>, &view_request_sup,
       {"menu_View_supp", "&GPO Driver", "Command2", "Supplimental Driver Mapping Parameters",
        "preferences-desktop-peripherals", "GPO"},
       "menu_sup", "&GPO Drv.",
       {open_link, request_base_config, set_current_view, clear_poll_inhibit, show_view,
        hide_main_window_if_view_shown},
       {kReadLiveData, kReadMonitorFrame}, true, nullptr, nullptr, output_driver_cursors},
      {kPlotterView, "frm_plotter", window_of<frm_plotter>, shown<frm_plotter>,
       &view_request_plot,
       {"menu_View_Plotter", "&Plotter", "Command3d3", "Plotter", "applications-office"},
       "menu_plot", "&Plotter",
       {open_link, request_base_config, set_current_view, clear_poll_inhibit,
        hide_main_window, show_view},
       {}, true, nullptr, nullptr, yield},
      // poll_inhibit is left as it is: the diagnostics window paces its own traffic. It never
      // asks for the controller's features.
      {kDiagnosticsView, "frm_diagnostics", window_of<frm_diagnostics>,
       shown<frm_diagnostics>, &view_request_diag,
       {"menu_view_diagnostic", "D&iagnostic", "Command3", "Diagnostics", "system-search"},
       "menu_diag", "D&iagnostics",
       {open_link, set_current_view, show_view, hide_main_window_if_view_shown},
       {kReadLiveData}, false, nullptr, dyno_page_shown, yield},
  };
  // clang-format on
  return rows;
}

const ViewRow* find_view(Integer number) {
  const std::span<const ViewRow> rows = view_table();
  const auto row = std::ranges::find(rows, number, &ViewRow::number);
  return row == rows.end() ? nullptr : &*row;
}

}  // namespace ecu
