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

// Places the red "DEMO MODE!" label a view shows while it runs on demo values; hidden until
// the demo step shows it.
void lay_out_demo_label(ui::Label& label, float left, float top, float width, float height);

// The picture buttons every view has: back to the console, and writing the edited entries.
void set_up_exit_button(ui::CommandButton& button);
void set_up_update_button(ui::CommandButton& button);

// Makes `item` a view window's menu entry for another view: it raises that view's request
// flag and then leaves through the window's own close command.
void wire_view_menu(ui::MenuItem& item, std::string caption, Flag& request,
                    std::function<void()> close_command);

}  // namespace ecu
