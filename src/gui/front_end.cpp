#include "gui/front_end.hpp"

#include <QApplication>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>

#include "gui/form_window.hpp"
#include "gui/qt_presenter.hpp"

namespace gui {

namespace {

// How long a window the model activated may take to become Qt's active window; within that
// time an activation of a window the model or Qt had active before is a late echo, not the
// user's choice. The user choosing any other window is never held up.
constexpr qint64 kActivationGraceMs = 500;
// While a pass of the model's loop runs further up, it does the model's work itself; the
// tick only looks again after this long.
constexpr int kNestedPassRecheckMs = 1;

}  // namespace

FrontEnd::FrontEnd(Dialogs dialogs)
    : input_gate_([this](const std::function<void()>& deliver) {
        // Input for a dialog may open a loop of Qt's own (a file dialog's question).
        const DialogScope scope(this);
        deliver();
      }) {
  ui::forms().set_observer(this);
  ui::event_loop().set_platform(this);
  if (dialogs == Dialogs::qt) {
    presenter_ = std::make_shared<QtPresenter>(this);
    previous_presenter_ = ui::install_presenter(presenter_);
  }
  if (QCoreApplication* application = QCoreApplication::instance()) {
    application->installEventFilter(&input_gate_);
    input_gate_.set_bracketing_window_system_input(true);
  }
  tick_timer_.setTimerType(Qt::PreciseTimer);
  tick_timer_.setSingleShot(true);
  QObject::connect(&tick_timer_, &QTimer::timeout, [this] { tick(); });
  schedule_next_tick();
  for (ui::Form* form : ui::forms().loaded()) {
    form_loaded(*form);
    if (form == ui::forms().active()) form_activated(*form);
  }
}

FrontEnd::~FrontEnd() {
  shutdown();
  if (presenter_) {
    presenter_->forget_front_end();
    if (&ui::presenter() == presenter_.get()) ui::install_presenter(previous_presenter_);
  }
  for (auto& window : retired_) delete window.data();
  if (busy_cursor_) QGuiApplication::restoreOverrideCursor();
}

void FrontEnd::shutdown() {
  tick_timer_.stop();
  if (QCoreApplication* application = QCoreApplication::instance()) {
    application->removeEventFilter(&input_gate_);
  }
  input_gate_.set_bracketing_window_system_input(false);
  input_gate_.set_holding(false);
  if (ui::forms().observer() == this) ui::forms().set_observer(nullptr);
  if (ui::event_loop().platform() == this) ui::event_loop().set_platform(nullptr);
  std::vector<const ui::Form*> shown;
  shown.reserve(windows_.size());
  for (const auto& entry : windows_) shown.push_back(entry.first);
  for (const ui::Form* form : shown) retire(*form);
}

FormWindow* FrontEnd::window_for(const ui::Form& form) const {
  auto found = windows_.find(&form);
  return found == windows_.end() ? nullptr : found->second;
}

QWidget* FrontEnd::dialog_parent() const {
  const ui::Form* active = ui::forms().active();
  FormWindow* window = active ? window_for(*active) : nullptr;
  return window && window->isVisible() ? window : nullptr;
}

void FrontEnd::forget_destroyed_forms() {
  // A form dropped without unloading (between tests) is no longer among the loaded ones.
  const auto& loaded = ui::forms().loaded();
  std::vector<const ui::Form*> gone;
  for (const auto& entry : windows_) {
    if (std::find(loaded.begin(), loaded.end(), entry.first) == loaded.end()) {
      gone.push_back(entry.first);
    }
  }
  for (const ui::Form* form : gone) retire(*form);
}

void FrontEnd::retire(const ui::Form& form) {
  auto found = windows_.find(&form);
  if (found == windows_.end()) return;
  FormWindow* window = found->second;
  windows_.erase(found);
  if (pending_activation_ == &form) pending_activation_ = nullptr;
  std::erase(superseded_, &form);
  window->detach();
  // The window may be delivering the very click that unloaded its form.
  window->deleteLater();
  std::erase_if(retired_, [](const QPointer<FormWindow>& old) { return old.isNull(); });
  retired_.emplace_back(window);
}

void FrontEnd::form_loaded(ui::Form& form) {
  forget_destroyed_forms();
  // A new form at the address of one that was dropped without unloading.
  retire(form);
  auto* window = new FormWindow(form, *this);
  windows_.emplace(&form, window);
  if (form.visible()) window->show_as_model_says();
  // Its timers can tick from now on.
  schedule_next_tick();
}

void FrontEnd::form_unloaded(ui::Form& form) {
  retire(form);
  update_busy_cursor();
}

void FrontEnd::form_changed(ui::Form& form) {
  if (FormWindow* window = window_for(form)) window->form_changed();
  update_busy_cursor();
}

void FrontEnd::form_shown(ui::Form& form) {
  // The model activates a form after showing it: the active one now is the one that opened it.
  if (FormWindow* window = window_for(form)) window->show_as_model_says(dialog_parent());
  update_busy_cursor();
}

void FrontEnd::form_hidden(ui::Form& form) {
  if (pending_activation_ == &form) pending_activation_ = nullptr;
  if (FormWindow* window = window_for(form)) window->show_as_model_says();
  update_busy_cursor();
}

void FrontEnd::form_activated(ui::Form& form) {
  FormWindow* window = window_for(form);
  if (!window || !window->isVisible()) return;
  // Qt made this window active and the model follows: asking the window system for it
  // again would answer every activation with a new one, and a window manager that still
  // has an older request in hand answers back, for ever.
  if (activation_from_qt_ == &form) return;
  if (pending_activation_ && pending_since_.elapsed() < kActivationGraceMs) {
    superseded_.push_back(pending_activation_);
  } else {
    superseded_.clear();
  }
  for (const auto& entry : windows_) {
    if (entry.first != &form && entry.second->isActiveWindow()) superseded_.push_back(entry.first);
  }
  std::erase(superseded_, &form);
  pending_activation_ = &form;
  pending_since_.start();
  bring_to_front(*window);
}

void FrontEnd::bring_to_front(FormWindow& window) {
  ++activation_requests_;
  window.raise();
  if (!window.isActiveWindow()) window.activateWindow();
}

void FrontEnd::control_changed(ui::Control& control, ui::Property what) {
  // Controls report changes from their constructors too, before their form is loaded.
  if (FormWindow* window = window_for(control.form())) window->control_changed(control, what);
}

void FrontEnd::window_activated(FormWindow& window) {
  ui::Form* form = window.form();
  if (!form || !form->visible()) return;
  if (pending_activation_ && pending_activation_ != form &&
      pending_since_.elapsed() < kActivationGraceMs &&
      std::find(superseded_.begin(), superseded_.end(), form) != superseded_.end()) {
    return;
  }
  pending_activation_ = nullptr;
  superseded_.clear();
  if (!form->enabled()) {
    // A disabled window cannot be the active one (the main window behind a transfer's
    // wait window, given the focus back by the window manager): the window the model has
    // active comes to the front again, once, and the model is not told.
    const ui::Form* active = ui::forms().active();
    FormWindow* active_window = active != nullptr && active != form ? window_for(*active) : nullptr;
    if (active_window && active_window->isVisible() && active->enabled()) {
      bring_to_front(*active_window);
    }
    return;
  }
  // The user's choice of window runs its activate handler, which may read from the
  // controller: while a request is outstanding it waits like a click. The model ignores
  // the form that is already active, so a message box closing over its window runs no
  // activate handler.
  run_user_action(&window, [this, &window] {
    ui::Form* chosen = window.form();
    if (!chosen || !chosen->visible() || !chosen->enabled()) return;
    const ui::Form* previous = activation_from_qt_;
    activation_from_qt_ = chosen;
    ui::forms().activate(chosen);
    activation_from_qt_ = previous;
  });
}

void FrontEnd::process_events(ui::UserInput input) {
  if (!QCoreApplication::instance()) return;
  struct Depth {
    int& depth;
    explicit Depth(int& counter) : depth(counter) { ++depth; }
    ~Depth() { --depth; }
    Depth(const Depth&) = delete;
    Depth& operator=(const Depth&) = delete;
  } depth(model_pass_depth_);
  // Qt is never asked to exclude input itself: the gate takes it into the model's queue.
  const bool was_holding = input_gate_.holding();
  input_gate_.set_holding(input == ui::UserInput::hold);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  input_gate_.set_holding(was_holding);
}

void FrontEnd::run_user_action(QObject* guard, std::function<void()> action) {
  // Behind any input that still waits, so that nothing the user did overtakes it.
  if (!InputGate::queues_input(holds_user_input())) {
    action();
    return;
  }
  QPointer<QObject> alive(guard);
  ui::event_loop().post_user_input([alive, action = std::move(action)] {
    if (alive) action();
  });
}

void FrontEnd::run_menu_command(QObject* guard, std::function<void()> command) {
  QPointer<QObject> alive(guard);
  ui::event_loop().post_user_input_first([alive, command = std::move(command)] {
    if (alive) command();
  });
}

void FrontEnd::tick() {
  // Inside a pass the model does its own work when Qt's events are delivered; running it
  // here too would also run queued user input while the pass holds it back.
  if (model_pass_depth_ > 0) {
    schedule_next_tick(kNestedPassRecheckMs);
    return;
  }
  forget_destroyed_forms();
  try {
    ui::event_loop().run_model_work(ui::UserInput::allow);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "model work failed: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "model work failed\n");
  }
  schedule_next_tick();
}

void FrontEnd::work_scheduled() {
  schedule_next_tick();
}

void FrontEnd::schedule_next_tick(int shortest_ms) {
  if (ui::event_loop().platform() != this) return;
  const double seconds = ui::event_loop().seconds_until_next_work();
  if (seconds >= ui::EventLoop::kNoWorkDue) {
    tick_timer_.stop();
    return;
  }
  // Qt's timers count whole milliseconds: round up, so a model timer is never found not
  // yet due and the tick wasted.
  const int due_ms =
      std::max(shortest_ms, static_cast<int>(std::ceil(std::max(0.0, seconds) * 1000.0)));
  if (tick_timer_.isActive() && tick_timer_.remainingTime() <= due_ms) return;
  tick_timer_.start(due_ms);
}

void FrontEnd::update_busy_cursor() {
  const bool busy = std::any_of(windows_.begin(), windows_.end(), [](const auto& entry) {
    const ui::Form* form = entry.second->form();
    return form && form->visible() && form->busy_pointer();
  });
  if (busy == busy_cursor_) return;
  busy_cursor_ = busy;
  if (busy) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QGuiApplication::restoreOverrideCursor();
  }
}

FrontEnd::DialogScope::DialogScope(FrontEnd* front_end) : front_end_(front_end) {
  if (!front_end_) return;
  // The dialog's own input is not part of the action that opened it.
  nested_pass_ = std::make_unique<ui::EventLoop::NestedPass>(ui::event_loop());
  // It takes the user's input, whatever input's handling opened it.
  allowing_input_ =
      std::make_unique<ui::EventLoop::AllowingInput>(ui::event_loop(), ui::EventLoop::Allow::modal);
  saved_depth_ = front_end_->model_pass_depth_;
  front_end_->model_pass_depth_ = 0;
  // The dialog takes the user's input, whatever the pass that opened it held back.
  saved_holding_ = front_end_->input_gate_.holding();
  front_end_->input_gate_.set_holding(false);
  // Opened from the tick's own work (queued input, a timer's handler), the dialog runs while
  // that tick has not yet armed the next: armed here, the model's timers go on ticking.
  front_end_->schedule_next_tick();
}

FrontEnd::DialogScope::~DialogScope() {
  if (!front_end_) return;
  front_end_->model_pass_depth_ = saved_depth_;
  front_end_->input_gate_.set_holding(saved_holding_);
}

}  // namespace gui
