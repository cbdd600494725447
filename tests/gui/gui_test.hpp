#pragma once
// The starting point of the front-end tests: a QApplication on the offscreen platform for
// the whole run, and per test a fresh front-end over no windows.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/form_window.hpp"
#include "gui/front_end.hpp"
#include "support/console_test.hpp"

namespace gui_test {

// What a user does, step by step, each step once what the one before brought shows, as a
// user waits to see it. The steps run from a timer in whatever loop runs then (a dialog's, a
// pass of the model's inside a long command) and never wait themselves.
class UserScript {
 public:
  struct Step {
    std::function<bool()> ready;  // what the user waits to see before acting
    std::function<void()> act;
  };
  // `give_up` closes what the steps could not (a dialog's loop), once `patience_ms` passed,
  // so that a test fails instead of hanging.
  explicit UserScript(std::vector<Step> steps, std::function<void()> give_up = {},
                      int patience_ms = 10000);
  [[nodiscard]] std::size_t steps_taken() const { return taken_; }
  [[nodiscard]] bool finished() const { return taken_ == steps_.size(); }

 private:
  void act();

  std::vector<Step> steps_;
  std::function<void()> give_up_;
  int patience_ms_;
  std::size_t taken_ = 0;
  QTimer timer_;
  QElapsedTimer elapsed_;
};

class GuiTest : public test::ConsoleTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  gui::FrontEnd& front_end() { return *front_end_; }
  // Replaces the front-end, e.g. to start one over forms that are already loaded.
  void restart_front_end(gui::FrontEnd::Dialogs dialogs = gui::FrontEnd::Dialogs::keep_installed);
  void stop_front_end() { front_end_.reset(); }

  // The window of a form; fails the test when there is none.
  gui::FormWindow& window_of(const ui::Form& form);
  template <class W>
  W* widget_of(const ui::Form& form, const ui::Control& control) {
    return dynamic_cast<W*>(window_of(form).widget_for(control));
  }

  // Writes the files start-up reads (port.cfg for COM1, OEM.TXT, a branding OEM.JPG) into
  // the test's working folder, as the run script lays them down.
  static void lay_down_start_up_files(const std::string& about_text);

  // Delivers Qt's pending events, windows closed for deletion included.
  static void process_qt_events();
  // Runs `action` inside a pass of the model's loop that holds user input back, as the
  // waits of a request to the controller do.
  static void during_request(const std::function<void()>& action);
  // Lets Qt's loop run until the condition holds or about two seconds passed.
  static bool wait_until(const std::function<bool()>& condition);
  // Runs an action on the first visible top-level widget of type W once it shows up, from
  // inside whatever loop is running then (a dialog's own, for instance).
  template <class W>
  static void when_shown(std::function<void(W&)> action) {
    when_shown_impl([action](QWidget& widget) {
      if (auto* typed = dynamic_cast<W*>(&widget)) {
        action(*typed);
        return true;
      }
      return false;
    });
  }

 private:
  static void when_shown_impl(std::function<bool(QWidget&)> try_action);

  std::unique_ptr<gui::FrontEnd> front_end_;
};

}  // namespace gui_test
