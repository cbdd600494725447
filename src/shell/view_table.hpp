#pragma once
// The one definition of the views: their number, their window, the steps of their command,
// what the main poll sends for them, their View menu item and shortcut button in the main
// window and their entry in the other views' menus. The main window's view menu, buttons and
// commands, the poll loop's serving and every view window's menu are made from it.

#include <cstdint>
#include <span>
#include <vector>

#include "model/basic_types.hpp"
#include "model/view_number.hpp"
#include "ui/ui.hpp"

namespace ecu {

class ViewForm;

// One step of a view command. The commands differ in their order on purpose, so each row
// lists its own.
enum class ViewStep : std::uint8_t {
  open_link,
  set_current_view,
  clear_poll_inhibit,
  // The status reply "C" brings the full-scale rpm and the pressure sensor type that the
  // window scales its axes with.
  request_base_config,
  // Before the view shows: nothing of the view can have run yet.
  hide_main_window,
  show_view,
  // After the view's show has returned: the editor windows read the controller while they
  // activate, and a close during that read (any route) has brought the main window back,
  // which must then stay, or nothing of the console would be left on the screen.
  hide_main_window_if_view_shown,
  // Forces the first fourteen monitor labels to be rewritten by the next refresh.
  force_monitor_labels,
};

// A view's item in the main window's View menu and its shortcut button there.
struct MainWindowEntry {
  const char* menu_name;
  const char* menu_caption;
  const char* button_name;
  const char* button_tool_tip;
  const char* button_icon;  // named in the desktop's icon theme
  // Most buttons show their picture alone.
  const char* button_caption = nullptr;
};

struct ViewRow {
  Integer number;
  const char* window_name;
  // The window's default instance (touching it loads it), and whether it is loaded and
  // shown, asked without loading it.
  ViewForm& (*window)();
  bool (*window_shown)();
  // Raised by another view's menu entry; the main poll serves it with the command.
  Flag* request;
  MainWindowEntry main_window_entry;
  // The entry for this view in the other views' menus.
  const char* menu_name;
  const char* menu_caption;
  std::vector<ViewStep> steps;

  // ---- What a Timer1 tick does while this view is current ----
  // The requests sent in order, each followed by a pass of the event loop.
  std::vector<std::uint8_t> poll_codes;
  // Asks the controller's feature word and version until they arrive.
  bool asks_features;
  // Runs before the requests; nullptr for none.
  void (*before_poll)();
  // Whether the requests go out this tick; nullptr for always.
  bool (*polls_now)();
  // Shows what the replies brought; nullptr for nothing.
  void (*after_poll)();
};

// Rows in the order of the View menus and of serving pending requests.
std::span<const ViewRow> view_table();
// The row of view `number`; nullptr for 0 and any number that is no view.
const ViewRow* find_view(Integer number);

}  // namespace ecu
