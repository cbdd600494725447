// The front-end's part in the model's loop and in the life of windows.

#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include "gui_test.hpp"
#include "settings_form.hpp"

namespace gui_test {
namespace {

using FrontEndTest = GuiTest;

class TickingForm : public ui::Form {
 public:
  TickingForm() : ui::Form("frm_ticking", "Ticking", 3000, 2000) {
    tmr_poll.on_timer = [this] { ++ticks; };
  }
  ui::Timer tmr_poll{*this, "tmr_poll", 5};
  int ticks = 0;
};

ui::FormInstance<TickingForm> frm_ticking;

TEST_F(FrontEndTest, LoadingFormCreatesHiddenWindowAndShowingShowsIt) {
  SettingsForm& form = frm_settings();
  gui::FormWindow& window = window_of(form);
  EXPECT_FALSE(window.isVisible());

  form.show();
  EXPECT_TRUE(window.isVisible());
  form.hide();
  EXPECT_FALSE(window.isVisible());
}

TEST_F(FrontEndTest, UnloadingFormRetiresItsWindow) {
  SettingsForm& form = frm_settings();
  form.show();
  QPointer<gui::FormWindow> window = &window_of(form);

  form.unload();

  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->form(), nullptr);
  process_qt_events();
  EXPECT_TRUE(window.isNull());
}

TEST_F(FrontEndTest, FormsLoadedBeforeFrontEndGetWindows) {
  stop_front_end();
  SettingsForm& shown = frm_settings();
  shown.show();
  NotesForm& hidden = frm_notes();

  restart_front_end();

  EXPECT_TRUE(window_of(shown).isVisible());
  EXPECT_FALSE(window_of(hidden).isVisible());
}

TEST_F(FrontEndTest, FormDroppedWithoutUnloadLosesItsWindowAtNextTick) {
  QPointer<gui::FormWindow> window = &window_of(frm_settings());

  ui::discard_all_forms();
  front_end().tick();
  process_qt_events();

  EXPECT_TRUE(window.isNull());
}

TEST_F(FrontEndTest, ModalFormGetsApplicationModalWindow) {
  SettingsForm& form = frm_settings();
  Qt::WindowModality seen = Qt::NonModal;
  bool was_visible = false;
  QTimer::singleShot(0, [&] {
    seen = window_of(form).windowModality();
    was_visible = window_of(form).isVisible();
    form.hide();
  });

  // Returns once the timer above, run by the model's wait, hides the form.
  form.show_modal();

  EXPECT_EQ(seen, Qt::ApplicationModal);
  EXPECT_TRUE(was_visible);
  EXPECT_FALSE(window_of(form).isVisible());

  form.show();
  EXPECT_EQ(window_of(form).windowModality(), Qt::NonModal);
}

TEST_F(FrontEndTest, DisabledFormDisablesItsWindow) {
  SettingsForm& form = frm_settings();
  form.show();
  form.set_enabled(false);
  EXPECT_FALSE(window_of(form).isEnabled());
  form.set_enabled(true);
  EXPECT_TRUE(window_of(form).isEnabled());
}

TEST_F(FrontEndTest, BusyPointerShowsWaitCursorOverTheConsole) {
  SettingsForm& form = frm_settings();
  form.show();

  form.set_busy_pointer(true);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);

  form.set_busy_pointer(false);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(FrontEndTest, QtActivatingWindowActivatesFormOnce) {
  SettingsForm& settings = frm_settings();
  NotesForm& notes = frm_notes();
  settings.show();
  notes.show();
  ASSERT_EQ(ui::forms().active(), &notes);
  // Let Qt confirm the model's own activation first.
  ASSERT_TRUE(wait_until([&] { return window_of(notes).isActiveWindow(); }));
  const int settings_activations = settings.activations;

  window_of(settings).activateWindow();

  ASSERT_TRUE(wait_until([] { return ui::forms().active() == &frm_settings(); }));
  EXPECT_EQ(settings.activations, settings_activations + 1);
  // Qt telling again about the window that is active already runs nothing.
  process_qt_events();
  front_end().window_activated(window_of(settings));
  EXPECT_EQ(settings.activations, settings_activations + 1);
}

TEST_F(FrontEndTest, LateActivationOfWindowModelMovedAwayFromIsIgnored) {
  SettingsForm& settings = frm_settings();
  NotesForm& notes = frm_notes();
  settings.show();
  notes.show();
  ASSERT_EQ(ui::forms().active(), &notes);
  const int settings_activations = settings.activations;

  // Qt reports the earlier window active before it caught up with the model's choice.
  front_end().window_activated(window_of(settings));

  EXPECT_EQ(ui::forms().active(), &notes);
  EXPECT_EQ(settings.activations, settings_activations);
}

TEST_F(FrontEndTest, UserChoosingUninvolvedWindowWhileModelActivationIsPendingIsNotLost) {
  TickingForm& other = frm_ticking();
  SettingsForm& settings = frm_settings();
  NotesForm& notes = frm_notes();
  other.show();
  settings.show();
  ASSERT_TRUE(wait_until([&] { return window_of(settings).isActiveWindow(); }));

  // The model moves on before Qt has caught up with it.
  notes.show();
  ASSERT_EQ(ui::forms().active(), &notes);
  // Qt's echo of the window it had active is still no choice of the user's...
  front_end().window_activated(window_of(settings));
  EXPECT_EQ(ui::forms().active(), &notes);
  // ...but the user picking a window neither had active is one, and must not be lost.
  front_end().window_activated(window_of(other));
  EXPECT_EQ(ui::forms().active(), &other);
}

TEST_F(FrontEndTest, ModelTimersTickFromQtLoop) {
  TickingForm& form = frm_ticking();

  EXPECT_TRUE(wait_until([&form] { return form.ticks >= 2; }));
}

TEST_F(FrontEndTest, PassHoldingUserInputKeepsItHeldWhileQtTimersRun) {
  bool input_ran = false;
  ui::event_loop().post_user_input([&input_ran] { input_ran = true; });
  // Let the front-end's tick fall due, so Qt runs it inside the pass below.
  QThread::msleep(5);

  ui::do_events_without_user_input();
  EXPECT_FALSE(input_ran);

  ui::do_events();
  EXPECT_TRUE(input_ran);
}

}  // namespace
}  // namespace gui_test
