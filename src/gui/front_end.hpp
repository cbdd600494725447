#pragma once
// The Qt front-end: shows every loaded form as a real window, delivers Qt's events when the
// model's loop takes a pass, ticks the model's timers from Qt's own loop, and shows real
// message boxes and file dialogs. It holds no logic of the console itself. The model's work
// is run by one single-shot precise Qt timer armed for the moment the next model timer is
// due, so an idle console sleeps between its timers' ticks.

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "gui/input_gate.hpp"
#include "ui/event_loop.hpp"
#include "ui/form.hpp"
#include "ui/presenter.hpp"

namespace gui {

class FormWindow;
class QtPresenter;

class FrontEnd final : public ui::FormObserver, public ui::Platform {
 public:
  enum class Dialogs { qt, keep_installed };

  // Needs a QApplication. Installs itself as the forms' observer and the loop's platform,
  // and (unless told to keep the installed one) the Qt presenter. Forms already loaded get
  // their windows at once.
  explicit FrontEnd(Dialogs dialogs = Dialogs::qt);
  ~FrontEnd() override;
  FrontEnd(const FrontEnd&) = delete;
  FrontEnd& operator=(const FrontEnd&) = delete;

  void form_loaded(ui::Form& form) override;
  void form_unloaded(ui::Form& form) override;
  void form_changed(ui::Form& form) override;
  void form_shown(ui::Form& form) override;
  void form_hidden(ui::Form& form) override;
  void form_activated(ui::Form& form) override;
  void control_changed(ui::Control& control, ui::Property what) override;

  void process_events(ui::UserInput input) override;
  void work_scheduled() override;

  [[nodiscard]] FormWindow* window_for(const ui::Form& form) const;
  // The window dialogs belong to: the active form's, when it is shown.
  [[nodiscard]] QWidget* dialog_parent() const;

  // Qt made one of our windows the active one.
  void window_activated(FormWindow& window);
  // One share of the model's work from Qt's loop: timers, link sources, queued input.
  void tick();
  // Lets go of every window and uninstalls itself; for the program's end.
  void shutdown();

  // True while the model's loop holds the user's input back (a request to the controller
  // is outstanding): what the user does meanwhile is queued in the model and run once the
  // request has returned. What the user does while such input waits is queued behind it.
  [[nodiscard]] bool holds_user_input() const { return input_gate_.holding(); }
  // Runs an action the user took through a widget (a click, a toggle by an assistive tool,
  // a menu's shortcut) now, or queues it in the model while input is held; `guard` going
  // away before then drops it.
  void run_user_action(QObject* guard, std::function<void()> action);
  // Runs a command the user chose from a menu once Qt has finished with the choice, before
  // any input that came after it: a menu bar runs the command of an access key from inside
  // its own handling of the key, and would stay in its menu state through a long command
  // (an Update), opening the menu the pointer passes over and closing the one clicked.
  void run_menu_command(QObject* guard, std::function<void()> command);

  // How often the front-end asked the window system to bring a window to the front (a
  // window manager answers each request; tests and benchmarks count them).
  [[nodiscard]] int activation_requests() const { return activation_requests_; }

  // While a dialog runs Qt's loop of its own, the model's timers keep ticking even when
  // the dialog was opened from inside a pass of the model's loop or from the tick's own work,
  // and the dialog takes the user's input. Input for a dialog is delivered inside one too,
  // so that the questions and lists Qt's dialogs open themselves behave alike.
  class DialogScope {
   public:
    explicit DialogScope(FrontEnd* front_end);
    ~DialogScope();
    DialogScope(const DialogScope&) = delete;
    DialogScope& operator=(const DialogScope&) = delete;

   private:
    FrontEnd* front_end_;
    std::unique_ptr<ui::EventLoop::NestedPass> nested_pass_;
    std::unique_ptr<ui::EventLoop::AllowingInput> allowing_input_;
    int saved_depth_ = 0;
    bool saved_holding_ = false;
  };

 private:
  void forget_destroyed_forms();
  void retire(const ui::Form& form);
  void update_busy_cursor();
  // Raises the window and asks for it to be the active one, unless it already is.
  void bring_to_front(FormWindow& window);
  // Arms the tick for when the model's next work is due, and not sooner than `shortest_ms` from
  // now.
  void schedule_next_tick(int shortest_ms = 0);

  std::unordered_map<const ui::Form*, FormWindow*> windows_;
  std::vector<QPointer<FormWindow>> retired_;
  QTimer tick_timer_;
  InputGate input_gate_;
  // Passes of the model's loop now delivering Qt's events; the tick waits for them.
  int model_pass_depth_ = 0;
  // The form the model last activated, until Qt confirms it, and the forms it moved away
  // from meanwhile: only their windows can send a late echo of an older activation.
  const ui::Form* pending_activation_ = nullptr;
  std::vector<const ui::Form*> superseded_;
  QElapsedTimer pending_since_;
  // The form the model is being told Qt activated, while it runs that activation.
  const ui::Form* activation_from_qt_ = nullptr;
  int activation_requests_ = 0;
  bool busy_cursor_ = false;
  std::shared_ptr<QtPresenter> presenter_;
  std::shared_ptr<ui::Presenter> previous_presenter_;
};

}  // namespace gui
