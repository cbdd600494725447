#include "shell/view_commands.hpp"

#include "link/comm_link.hpp"
#include "link/poll_inhibit.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "model/view_number.hpp"
#include "shell/frm_about.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/view_table.hpp"
#include "views/monitor_display.hpp"

namespace ecu {

namespace {

// The status reply brings the controller's full-scale rpm and pressure sensor type, which
// the plotter, basic mapping and output driver windows scale their axes with.
void request_base_config() {
  send_command("C");
}

// Text no formatted value can equal, so the next refresh rewrites the label.
constexpr const char* kForceRewrite = "xxox";

// Leaves every view but `next` that is still on the screen (one still reading as it opens,
// or one a request was left for), so that only the next view shows and the poll serves it;
// false when one stayed.
bool leave_other_views(const ViewRow& next) {
  for (const ViewRow& view : view_table()) {
    if (&view == &next || !view.window_shown()) continue;
    ViewForm& window = view.window();
    window.close_command();
    if (window.visible()) return false;
  }
  return true;
}

// Counts a view's `Form_Unload` as under way for as long as the scope lasts.
class LeavingScope {
 public:
  explicit LeavingScope(int& leaving) : leaving_(leaving) { ++leaving_; }
  ~LeavingScope() { --leaving_; }
  LeavingScope(const LeavingScope&) = delete;
  LeavingScope& operator=(const LeavingScope&) = delete;

 private:
  int& leaving_;
};

}  // namespace

void run_view_command(Integer number) {
  const ViewRow* view = find_view(number);
  if (view == nullptr) return;
  // The unload would go on after this view opened and show the main window over it, with no
  // view current: the view opens on the first tick after the unload has ended.
  if (ViewForm::view_leaving()) {
    *view->request = kTrue;
    return;
  }
  if (!leave_other_views(*view)) return;
  for (const ViewStep step : view->steps) {
    switch (step) {
      case ViewStep::open_link:
        open_comm_link();
        break;
      case ViewStep::set_current_view:
        current_view = view->number;
        break;
      case ViewStep::clear_poll_inhibit:
        lift_poll_inhibit();
        break;
      case ViewStep::request_base_config:
        request_base_config();
        break;
      case ViewStep::hide_main_window:
        FrmEcu().hide();
        break;
      case ViewStep::show_view:
        view->window().show();
        break;
      case ViewStep::hide_main_window_if_view_shown:
        // A window closed during its own fetch has already brought the main window back.
        if (view->window_shown()) FrmEcu().hide();
        break;
      case ViewStep::force_monitor_labels:
        // Every label is forced: a monitor closed through its close box comes back with
        // empty labels, and baro or idle values that do not move would never be drawn.
        monitor_shown_text.fill(kForceRewrite);
        break;
    }
  }
}

void choose_view(Integer number) {
  for (const ViewRow& view : view_table()) *view.request = kFalse;
  run_view_command(number);
}

void menu_about() {
  open_comm_link();
  lift_poll_inhibit();
  frm_about().show();
}

void lay_out_demo_label(ui::Label& label, float left, float top, float width, float height) {
  label.move(left, top, width, height);
  label.set_caption("DEMO MODE!");
  label.set_fore_colour(ui::colours::light_red);
  label.set_visible(false);
}

void set_up_exit_button(ui::CommandButton& button) {
  button.set_tool_tip("Click to exit back to the console");
  button.set_picture("go-home");
}

void set_up_update_button(ui::CommandButton& button) {
  button.set_tool_tip("Click to update modified entries");
  button.set_picture("document-send");
}

void close_view(ui::Form& view) {
  current_view = kNoView;
  view.hide();
  // Views unloaded while the program ends must not bring a main window back to life.
  if (ui::program_ending()) return;
  FrmEcu().show();
}

ViewMenuBar::ViewMenuBar(ViewForm& window, Integer own_view,
                         std::initializer_list<Rename> renames) {
  for (const ViewRow& view : view_table()) {
    if (view.number == own_view) continue;
    const char* name = view.menu_name;
    const char* caption = view.menu_caption;
    for (const Rename& rename : renames) {
      if (rename.view != view.number) continue;
      if (rename.name != nullptr) name = rename.name;
      if (rename.caption != nullptr) caption = rename.caption;
    }
    ui::MenuItem& item =
        items_.add(view.number, std::make_unique<ui::MenuItem>(window, name, nullptr));
    item.set_caption(caption);
    item.on_click = [&window, number = view.number] { window.leave_for(number); };
  }
}

void ViewForm::close_command() {
  on_close_command();
  Form_Unload();
}

void ViewForm::Form_Unload() {
  // A view leaves once: a fetch stopped by a close closes again when it ends, and by then
  // another view may have opened, which would lose the poll and the screen to the main
  // window.
  if (!visible()) return;
  const LeavingScope leaving(leaving_);
  on_form_unload();
  close_view(*this);
}

void ViewForm::leave_for(Integer number) {
  const ViewRow* next = find_view(number);
  close_command();
  // Asked for only once the window has left: a request raised before would be served by a
  // tick behind a box the unload shows, and the unload would then cover the next view with
  // the main window.
  if (next != nullptr && !visible()) *next->request = kTrue;
}

void ViewForm::on_unload() {
  if (on_frame_close()) Form_Unload();
}

}  // namespace ecu
