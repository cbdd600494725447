#pragma once
// Showing one view at a time. The main window's view commands open the link, record the
// view in `current_view`, let the main poll run again and swap the main window for the view.
// A view never opens another view: its menu closes the view, then raises a request flag, and
// the main poll runs the command for the flag on its next tick. A view opens only once the
// window it replaces has left: its unload may ask or tell something first, and the poll runs
// behind that box.

#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "model/basic_types.hpp"
#include "ui/ui.hpp"

namespace ecu {

// Runs the steps of view `number`'s command, as its row in the view table lists them: the
// main window's View menu, its shortcut buttons and the main poll's serving of a request
// all come here. Another view still on the screen leaves first; while a view's unload is
// under way the command waits as a request for the poll to serve. Nothing for a number that
// is no view.
void run_view_command(Integer number);

// The user's own choice of view `number` in the main window: a view asked for earlier
// through a view's menu, and still waiting, is not opened after it.
void choose_view(Integer number);

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

// Controls made one per view from the view table, found by the view's number.
template <class Control>
class ViewControls {
 public:
  Control& add(Integer view, std::unique_ptr<Control> control) {
    return *controls_.emplace_back(view, std::move(control)).second;
  }
  // Throws std::out_of_range for a view without a control here.
  [[nodiscard]] Control& at(Integer view) const {
    for (const auto& [number, control] : controls_) {
      if (number == view) return *control;
    }
    throw std::out_of_range("no control for view " + std::to_string(view));
  }

 private:
  std::vector<std::pair<Integer, std::unique_ptr<Control>>> controls_;
};

// A window shown as a view, with the close path every view shares written once: the close
// button and File/Exit run `close_command`, the window's frame runs `on_unload`; both end in
// `Form_Unload`, which leaves the view. Each window adds only its own steps.
class ViewForm : public ui::Form {
 public:
  using ui::Form::Form;

  // The window's own steps, then `Form_Unload`.
  void close_command();
  // The window's own steps, then no view is current, the window hides and the main window
  // shows again. Nothing for a window that has left the screen already.
  void Form_Unload();
  // The window's entry for view `number`: leaves through the close command, then asks the
  // main poll for that view.
  void leave_for(Integer number);

  // A view's `Form_Unload` is under way (a box it shows is up).
  [[nodiscard]] static bool view_leaving() { return leaving_ > 0; }

 protected:
  // The window's own steps for each way out; none by default.
  virtual void on_close_command() {}
  virtual void on_form_unload() {}
  // Closed through its frame; false when the window has already left the screen.
  virtual bool on_frame_close() { return true; }

  void on_unload() final;

 private:
  inline static int leaving_ = 0;
};

// A view window's menu entries for the other views, made from the view table in its order:
// each leaves the window for that view (`ViewForm::leave_for`).
class ViewMenuBar {
 public:
  // A window whose entry for `view` has another name or caption than the table's.
  struct Rename {
    Integer view;
    const char* name;
    const char* caption = nullptr;  // nullptr keeps the table's
  };

  ViewMenuBar(ViewForm& window, Integer own_view, std::initializer_list<Rename> renames = {});

  // The entry for view `number`; throws std::out_of_range for the window's own view and
  // for a number that is no view.
  [[nodiscard]] ui::MenuItem& item(Integer number) const { return items_.at(number); }

 private:
  ViewControls<ui::MenuItem> items_;
};

}  // namespace ecu
