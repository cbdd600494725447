#include "ui/form.hpp"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "ui/event_loop.hpp"
#include "ui/menu.hpp"
#include "ui/presenter.hpp"

namespace ui {

namespace {

// Counts the form as busy for as long as the scope lasts, however it is left.
class BusyForm {
 public:
  explicit BusyForm(int& depth) : depth_(depth) { ++depth_; }
  ~BusyForm() { --depth_; }
  BusyForm(const BusyForm&) = delete;
  BusyForm& operator=(const BusyForm&) = delete;

 private:
  int& depth_;
};

}  // namespace

void report_unexpected_error(const std::string& source, const std::exception* error) {
  // Reporting must not fail in turn: this runs where no exception may leave.
  try {
    if (error != nullptr) {
      std::fprintf(stderr, "%s: unexpected error: %s\n", source.c_str(), error->what());
      msg_box(std::string("An unexpected error stopped this operation: ") + error->what(),
              MsgButtons::ok, MsgIcon::critical);
    } else {
      std::fprintf(stderr, "%s: unexpected error\n", source.c_str());
      msg_box("An unexpected error stopped this operation.", MsgButtons::ok, MsgIcon::critical);
    }
  } catch (...) {
    std::fprintf(stderr, "%s: the error could not be shown\n", source.c_str());
  }
}

Form::Form(std::string name, std::string caption, float width, float height)
    : name_(std::move(name)), caption_(std::move(caption)), width_(width), height_(height) {
  forms().add(this);
}

Form::~Form() {
  // Destruction is bookkeeping only: no handler of another window runs from here.
  forms().remove(this, false);
  // Controls are members of the derived window and are gone by now.
  controls_.clear();
}

void Form::set_caption(std::string text) {
  if (text == caption_) return;
  caption_ = std::move(text);
  if (auto* observer = forms().observer()) observer->form_changed(*this);
}

void Form::set_visible(bool value) {
  if (value) {
    show();
  } else {
    hide();
  }
}

void Form::set_enabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  if (auto* observer = forms().observer()) observer->form_changed(*this);
}

void Form::move(float left, float top, float width, float height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (auto* observer = forms().observer()) observer->form_changed(*this);
}

void Form::set_back_colour(Colour value) {
  if (value == back_colour_) return;
  back_colour_ = value;
  if (auto* observer = forms().observer()) observer->form_changed(*this);
}

void Form::set_busy_pointer(bool value) {
  if (value == busy_pointer_) return;
  busy_pointer_ = value;
  if (auto* observer = forms().observer()) observer->form_changed(*this);
}

void Form::show() {
  if (unloaded_) return;
  if (!visible_) {
    visible_ = true;
    forms().shown(this);
  }
  forms().activate(this);
}

void Form::show_modal() {
  if (unloaded_) return;
  // The form stays alive until the loop below has seen it go, even when it is unloaded
  // from a handler of another window that then lets the loop run.
  const BusyForm busy(handler_depth_);
  modal_ = true;
  if (!visible_) {
    visible_ = true;
    forms().shown(this);
  }
  forms().activate(this);
  while (visible_ && !unloaded_ && !program_ending()) {
    event_loop().wait_pass(UserInput::allow);
  }
  modal_ = false;
}

void Form::hide() {
  if (!visible_) return;
  visible_ = false;
  forms().hidden(this);
}

void Form::unload() {
  if (unloaded_ || unloading_) return;
  const BusyForm busy(handler_depth_);
  unloading_ = true;
  raise([this] { on_unload(); });
  unloading_ = false;
  unloaded_ = true;
  // The default instance lets go first, so that a handler run from here on (the activation
  // of the next window) that touches this window creates it afresh.
  std::unique_ptr<Form> self = detach_ ? detach_() : nullptr;
  detach_ = nullptr;
  FormRegistry& registry = forms();
  const bool was_active = registry.active() == this;
  registry.remove(this, false);
  const bool was_visible = visible_;
  visible_ = false;
  if (auto* observer = registry.observer()) {
    if (was_visible) observer->form_hidden(*this);
    observer->form_unloaded(*this);
  }
  if (was_active) registry.activate_topmost();
  // This very call may run inside one of the form's handlers: destroy it later.
  if (self) event_loop().defer_destruction(std::move(self));
}

void Form::request_close() {
  bool cancel = false;
  raise([&] { on_query_unload(cancel); });
  if (!cancel) unload();
}

void Form::set_dialog_keys(CommandButton* default_button, CommandButton* cancel_button) {
  if (dialog_ && default_button == default_button_ && cancel_button == cancel_button_) return;
  dialog_ = true;
  default_button_ = default_button;
  cancel_button_ = cancel_button;
  // The front-end marks the default button.
  if (auto* observer = forms().observer()) observer->form_changed(*this);
}

bool Form::press_enter() {
  if (!dialog_) return false;
  // A disabled or hidden default button ignores the key, as it ignores a click.
  if (default_button_ != nullptr) default_button_->click();
  return true;
}

bool Form::press_escape() {
  if (!dialog_) return false;
  if (cancel_button_ != nullptr) {
    cancel_button_->click();
  } else {
    request_close();
  }
  return true;
}

std::vector<MenuItem*> Form::menu_bar() const {
  std::vector<MenuItem*> bar;
  for (Control* control : controls_) {
    if (control->kind() != ControlKind::menu_item) continue;
    auto* item = static_cast<MenuItem*>(control);
    if (item->parent() == nullptr) bar.push_back(item);
  }
  return bar;
}

Control* Form::find_control(const std::string& name, int index) const {
  for (Control* control : controls_) {
    if (control->name() == name && control->index() == index) return control;
  }
  return nullptr;
}

void Form::raise(const std::function<void()>& handler) {
  if (!handler) return;
  const BusyForm busy(handler_depth_);
  try {
    handler();
  } catch (const std::exception& error) {
    report_unexpected_error(name_, &error);
  } catch (...) {
    report_unexpected_error(name_, nullptr);
  }
}

void Form::run_load() {
  if (auto* observer = forms().observer()) observer->form_loaded(*this);
  raise([this] { on_load(); });
}

void Form::run_activate() {
  raise([this] { on_activate(); });
}

void Form::add_control(Control* control) {
  controls_.push_back(control);
}

void Form::remove_control(Control* control) {
  std::erase(controls_, control);
  // A control that goes away takes the focus with it, so nobody reads it afterwards.
  if (focused_ == control) focused_ = nullptr;
  if (default_button_ == control) default_button_ = nullptr;
  if (cancel_button_ == control) cancel_button_ = nullptr;
  std::erase(tab_order_, control);
}

Form* FormRegistry::find(const std::string& name) const {
  for (Form* form : loaded_) {
    if (form->name() == name) return form;
  }
  return nullptr;
}

void FormRegistry::activate(Form* form) {
  // Only a window on the screen can become active; a late request for one that was hidden
  // or unloaded meanwhile is dropped.
  if (form != nullptr && (form->unloaded() || !form->visible())) return;
  if (form != nullptr) {
    // The active window is the topmost, so that closing a window above it (a modal form
    // included) comes back to it.
    std::erase(z_order_, form);
    z_order_.push_back(form);
  }
  if (form == active_) return;
  active_ = form;
  if (!form) return;
  if (observer_) observer_->form_activated(*form);
  form->run_activate();
}

void FormRegistry::add(Form* form) {
  if (std::find(loaded_.begin(), loaded_.end(), form) == loaded_.end()) loaded_.push_back(form);
}

void FormRegistry::remove(Form* form, bool activate_next) {
  std::erase(loaded_, form);
  std::erase(z_order_, form);
  if (active_ == form) {
    active_ = nullptr;
    if (activate_next) activate_topmost();
  }
}

void FormRegistry::shown(Form* form) {
  std::erase(z_order_, form);
  z_order_.push_back(form);
  if (observer_) observer_->form_shown(*form);
}

void FormRegistry::hidden(Form* form) {
  std::erase(z_order_, form);
  if (observer_) observer_->form_hidden(*form);
  if (active_ == form) {
    active_ = nullptr;
    activate_topmost();
  }
}

void FormRegistry::activate_topmost() {
  // Once the program ends nothing more runs: no other window takes over (and runs its
  // activate handler) when the ending window goes away.
  if (program_ending()) return;
  if (!z_order_.empty()) activate(z_order_.back());
}

FormRegistry& forms() {
  // Never destroyed: default instances are globals that may outlive any static here.
  static auto* registry = new FormRegistry;
  return *registry;
}

namespace {

std::vector<std::function<void()>>& form_instance_discards() {
  static auto* discards = new std::vector<std::function<void()>>;
  return *discards;
}

}  // namespace

void register_form_instance(std::function<void()> discard) {
  form_instance_discards().push_back(std::move(discard));
}

void discard_all_forms() {
  for (auto& discard : form_instance_discards()) discard();
  event_loop().reset();
}

namespace {

struct ProgramEnd {
  bool ending = false;
  std::vector<std::function<void()>> steps;
  std::function<void()> ending_action;
};

ProgramEnd& program_end_state() {
  static ProgramEnd state;
  return state;
}

}  // namespace

void end_program() {
  auto& state = program_end_state();
  if (state.ending) return;
  state.ending = true;
  // Each step closes one resource; one that fails must not keep the others open.
  for (auto& step : state.steps) {
    try {
      step();
    } catch (...) {
      std::fprintf(stderr, "a shutdown step failed\n");
    }
  }
  if (state.ending_action) {
    state.ending_action();
  } else {
    std::exit(0);
  }
}

bool program_ending() {
  return program_end_state().ending;
}

void add_shutdown_step(std::function<void()> step) {
  program_end_state().steps.push_back(std::move(step));
}

void set_program_end(std::function<void()> ending) {
  program_end_state().ending_action = std::move(ending);
}

void reset_program_end() {
  auto& state = program_end_state();
  state.ending = false;
  state.steps.clear();
}

}  // namespace ui
