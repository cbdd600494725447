#pragma once
// Showing one view at a time. The main window's view commands open the link, record the
// view in `current_view`, let the main poll run again and swap the main window for the view.
// A view never opens another view: its menu raises a request flag and closes the view, and
// the main poll runs the command for the flag on its next tick.

#include <functional>
#include <string>

#include "model/basic_types.hpp"
#include "ui/ui.hpp"

namespace ecu {

// The view commands of the main window's View menu and shortcut buttons.
void Menu_View_Monitor();
void menu_view_dashboard();
void Menu_View_Injection();
void menu_View_Mapping();
void menu_view_temperature();
void menu_View_supp();
void menu_View_Plotter();
void menu_view_diagnostic();
// Shows the about window over the main window; no view changes.
void menu_about();

// The close path every view shares: no view is current, the view hides and the main window
// shows again.
void close_view(ui::Form& view);

// Makes `item` a view window's menu entry for another view: it raises that view's request
// flag and then leaves through the window's own close command.
void wire_view_menu(ui::MenuItem& item, std::string caption, Flag& request,
                    std::function<void()> close_command);

}  // namespace ecu
