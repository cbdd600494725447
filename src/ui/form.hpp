#pragma once
// Forms (windows) of the console. Each window has one default instance that is created
// on first touch: reading or writing any of its controls creates it hidden and runs its
// load handler first. Unloading drops the instance, so the next touch creates it afresh
// with its design values.

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/colour.hpp"
#include "ui/control.hpp"

namespace ui {

class MenuItem;
class FormObserver;

class Form {
 public:
  Form(std::string name, std::string caption, float width, float height);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  [[nodiscard]] const std::string& name() const { return name_; }
  [[nodiscard]] const std::string& caption() const { return caption_; }
  void set_caption(std::string text);
  [[nodiscard]] bool visible() const { return visible_; }
  void set_visible(bool value);
  [[nodiscard]] bool enabled() const { return enabled_; }
  void set_enabled(bool value);
  [[nodiscard]] float left() const { return left_; }
  [[nodiscard]] float top() const { return top_; }
  [[nodiscard]] float width() const { return width_; }
  [[nodiscard]] float height() const { return height_; }
  void move(float left, float top, float width, float height);
  [[nodiscard]] Colour back_colour() const { return back_colour_; }
  void set_back_colour(Colour value);
  // The hourglass pointer shown over the window during long transfers.
  [[nodiscard]] bool busy_pointer() const { return busy_pointer_; }
  void set_busy_pointer(bool value);

  // Shows the window modeless and makes it the active window.
  void show();
  // Shows the window modal and returns when it is hidden or unloaded; timers and link
  // arrivals go on meanwhile.
  void show_modal();
  void hide();
  // Runs the unload handler, hides the window and drops the default instance. An unload
  // asked for while the unload handler runs is the same unload.
  void unload();
  // The user closed the window through its frame.
  void request_close();

  [[nodiscard]] bool is_modal() const { return modal_; }
  // A window that states no position opens centred over the window that opened it; this
  // one opens centred on the screen instead.
  [[nodiscard]] bool centred_on_screen() const { return centred_on_screen_; }
  void set_centred_on_screen(bool value) { centred_on_screen_ = value; }
  [[nodiscard]] bool unloaded() const { return unloaded_; }
  [[nodiscard]] bool running_handler() const { return handler_depth_ > 0; }

  [[nodiscard]] const std::vector<Control*>& controls() const { return controls_; }
  // The control that has the keyboard focus within this window (nullptr: none yet).
  [[nodiscard]] Control* focused_control() const { return focused_; }
  void set_focused_control(Control* control) { focused_ = control; }
  [[nodiscard]] std::vector<MenuItem*> menu_bar() const;

  // The keys of a dialog: Enter presses `default_button` (nullptr: Enter presses nothing),
  // Escape presses `cancel_button` or, without one, closes the window as its frame does. A
  // window that is no dialog leaves both keys to its controls.
  void set_dialog_keys(CommandButton* default_button, CommandButton* cancel_button = nullptr);
  [[nodiscard]] bool is_dialog() const { return dialog_; }
  [[nodiscard]] CommandButton* default_button() const { return default_button_; }
  [[nodiscard]] CommandButton* cancel_button() const { return cancel_button_; }
  // Enter or Escape that no control of the window took; each returns whether it was used.
  bool press_enter();
  bool press_escape();

  // The order Tab visits the controls in, where the window states one; the controls it
  // leaves out follow, left to right and top to bottom.
  void set_tab_order(std::vector<Control*> order) { tab_order_ = std::move(order); }
  [[nodiscard]] const std::vector<Control*>& tab_order() const { return tab_order_; }
  [[nodiscard]] Control* find_control(const std::string& name, int index = -1) const;

  // Runs an event handler of this form. An exception never escapes a handler: it is
  // reported in a message box and the loop goes on.
  void raise(const std::function<void()>& handler);

  // Called by the default instance and the front-end.
  void run_load();
  void run_activate();
  void set_detach(std::function<std::unique_ptr<Form>()> detach) { detach_ = std::move(detach); }
  void add_control(Control* control);
  void remove_control(Control* control);

 protected:
  virtual void on_load() {}
  virtual void on_activate() {}
  virtual void on_unload() {}
  // The user closes the window through its frame: set cancel to keep it.
  virtual void on_query_unload(bool& /*cancel*/) {}

 private:
  std::string name_;
  std::string caption_;
  bool visible_ = false;
  bool enabled_ = true;
  bool modal_ = false;
  bool centred_on_screen_ = false;
  bool unloaded_ = false;
  bool unloading_ = false;
  bool busy_pointer_ = false;
  float left_ = 0, top_ = 0, width_, height_;
  Colour back_colour_ = colours::button_face;
  int handler_depth_ = 0;
  std::vector<Control*> controls_;
  Control* focused_ = nullptr;
  bool dialog_ = false;
  CommandButton* default_button_ = nullptr;
  CommandButton* cancel_button_ = nullptr;
  std::vector<Control*> tab_order_;
  std::function<std::unique_ptr<Form>()> detach_;
};

// What a front-end is told about the forms and controls it shows.
class FormObserver {
 public:
  virtual ~FormObserver() = default;
  virtual void form_loaded(Form& form) = 0;
  virtual void form_unloaded(Form& form) = 0;
  virtual void form_changed(Form& form) = 0;
  virtual void form_shown(Form& form) = 0;
  virtual void form_hidden(Form& form) = 0;
  virtual void form_activated(Form& form) = 0;
  virtual void control_changed(Control& control, Property what) = 0;
};

// The loaded forms, which visible window is on top and which is active.
class FormRegistry {
 public:
  [[nodiscard]] const std::vector<Form*>& loaded() const { return loaded_; }
  [[nodiscard]] Form* active() const { return active_; }
  [[nodiscard]] Form* find(const std::string& name) const;

  // Makes a visible form the active window and brings it to the top; its activate handler
  // runs when it was not active. A message box or file dialog closing does not come here,
  // so it activates nothing.
  void activate(Form* form);
  // Activates the topmost visible form (after the active one went away); nothing once the
  // program ends.
  void activate_topmost();

  void set_observer(FormObserver* observer) { observer_ = observer; }
  [[nodiscard]] FormObserver* observer() const { return observer_; }

  // Called by forms.
  void add(Form* form);
  // Forgets a form; an unloaded active form hands activation to the topmost visible one.
  void remove(Form* form, bool activate_next = true);
  void shown(Form* form);
  void hidden(Form* form);

 private:
  std::vector<Form*> loaded_;
  std::vector<Form*> z_order_;  // visible forms, top last
  Form* active_ = nullptr;
  FormObserver* observer_ = nullptr;
};

FormRegistry& forms();

// Remembers how to drop each default instance, so tests can start from no windows.
void register_form_instance(std::function<void()> discard);
// Drops every default instance without running handlers; used between tests.
void discard_all_forms();

// The default instance of a window class: `frm_tool()` creates and loads it on first touch.
template <class F>
class FormInstance {
 public:
  F& operator()() {
    if (!registered_) {
      registered_ = true;
      register_form_instance([this] { discard(); });
    }
    if (!form_) {
      form_ = std::make_unique<F>();
      F* created = form_.get();
      created->set_detach([this]() -> std::unique_ptr<Form> { return std::move(form_); });
      created->run_load();
      return *created;
    }
    return *form_;
  }
  [[nodiscard]] bool loaded() const { return form_ != nullptr; }
  [[nodiscard]] F* if_loaded() const { return form_.get(); }
  // Drops the instance without running its handlers; used between tests.
  void discard() {
    if (form_) form_->set_detach(nullptr);
    form_.reset();
  }

 private:
  std::unique_ptr<F> form_;
  bool registered_ = false;
};

// Reports an exception that reached the loop from a handler (nullptr: not a std::exception)
// in a message box; never throws.
void report_unexpected_error(const std::string& source, const std::exception* error);

// Ends the program through one shutdown path: the registered closers run (serial port,
// sockets, open logs), then the installed ending runs (the front-end quits; tests record).
void end_program();
[[nodiscard]] bool program_ending();
void add_shutdown_step(std::function<void()> step);
void set_program_end(std::function<void()> ending);
// Clears the ending state and the shutdown steps; used between tests.
void reset_program_end();

}  // namespace ui
