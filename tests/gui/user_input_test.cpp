// What the user does reaches the model once, by whatever route (mouse, assistive tool, the
// window system's activation), and waits while the model holds input back.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "gui_test.hpp"
#include "settings_form.hpp"

namespace gui_test {
namespace {

using UserInputTest = GuiTest;

void do_accessible_action(QWidget* widget, const QString& action) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
  ASSERT_NE(accessible, nullptr);
  ASSERT_NE(accessible->actionInterface(), nullptr);
  accessible->actionInterface()->doAction(action);
}

TEST_F(UserInputTest, AnAssistiveToolsToggleOfACheckBoxIsOneClickAndTheModelFollows) {
  SettingsForm& form = frm_settings();
  form.show();
  auto* box = widget_of<QCheckBox>(form, form.chk_log);
  ASSERT_NE(box, nullptr);

  do_accessible_action(box, QAccessibleActionInterface::toggleAction());
  EXPECT_EQ(form.check_clicks, 1);
  EXPECT_EQ(form.chk_log.value(), ui::CheckBox::checked);
  EXPECT_TRUE(box->isChecked());

  // A press clicks the box a moment later, as a mouse click would.
  do_accessible_action(box, QAccessibleActionInterface::pressAction());
  ASSERT_TRUE(wait_until([&] { return form.check_clicks == 2; }));
  EXPECT_EQ(form.chk_log.value(), ui::CheckBox::unchecked);
  EXPECT_FALSE(box->isChecked());

  // A handler that refuses the tick: the widget shows what the model holds. Setting the
  // value back runs the click handler again, as any change of a check box's value does.
  form.refuse_check = true;
  do_accessible_action(box, QAccessibleActionInterface::toggleAction());
  EXPECT_EQ(form.check_clicks, 4);
  EXPECT_EQ(form.chk_log.value(), ui::CheckBox::unchecked);
  EXPECT_FALSE(box->isChecked());
}

TEST_F(UserInputTest, AButtonPressedWhileInputIsHeldRunsOnceTheHoldEnds) {
  SettingsForm& form = frm_settings();
  form.show();
  ASSERT_TRUE(wait_until([&] { return window_of(form).isActiveWindow(); }));
  process_qt_events();
  auto* button = widget_of<QPushButton>(form, form.cmd_apply);
  ASSERT_NE(button, nullptr);

  // The press clicks the button a moment later: during the held pass.
  during_request([&] {
    do_accessible_action(button, QAccessibleActionInterface::pressAction());
    QTest::qWait(300);
  });
  EXPECT_EQ(form.apply_clicks, 0) << "held while a request is outstanding";
  ui::do_events();
  EXPECT_EQ(form.apply_clicks, 1);
  process_qt_events();
  ui::do_events();
  EXPECT_EQ(form.apply_clicks, 1) << "once";
}

TEST_F(UserInputTest, AMouseClickWhileInputIsHeldIsDeliveredInOrderOnceTheHoldEnds) {
  SettingsForm& form = frm_settings();
  form.show();
  ASSERT_TRUE(wait_until([&] { return window_of(form).isActiveWindow(); }));
  process_qt_events();
  auto* box = widget_of<QCheckBox>(form, form.chk_log);
  auto* button = widget_of<QPushButton>(form, form.cmd_apply);
  ASSERT_TRUE(box != nullptr && button != nullptr);
  QWindow* window = window_of(form).windowHandle();
  ASSERT_NE(window, nullptr);
  const auto centre_of = [&](QWidget* widget) {
    return widget->mapTo(&window_of(form), widget->rect().center());
  };

  during_request([&] {
    // Through the window system, as a real click comes: press and release on each.
    QTest::mouseClick(window, Qt::LeftButton, {}, centre_of(box));
    QTest::mouseClick(window, Qt::LeftButton, {}, centre_of(button));
  });
  EXPECT_EQ(form.check_clicks, 0);
  EXPECT_EQ(form.apply_clicks, 0);
  EXPECT_FALSE(box->isChecked()) << "the widget has not seen the click either";

  ASSERT_TRUE(wait_until([&] { return form.apply_clicks == 1; }));
  EXPECT_EQ(form.check_clicks, 1);
  EXPECT_EQ(form.chk_log.value(), ui::CheckBox::checked);
}

TEST_F(UserInputTest, AnAccessKeyTypedWhileInputIsHeldOpensItsMenuOnceTheHoldEnds) {
  SettingsForm& form = frm_settings();
  form.show();
  ASSERT_TRUE(wait_until([&] { return window_of(form).isActiveWindow(); }));
  process_qt_events();
  QWindow* window = window_of(form).windowHandle();
  ASSERT_NE(window, nullptr);

  // Alt+F through the window system: its shortcut must not act ahead of the held keys.
  during_request([&] { QTest::keyClick(window, Qt::Key_F, Qt::AltModifier); });
  EXPECT_EQ(form.file_menu_opened, 0);

  EXPECT_TRUE(wait_until([&] { return form.file_menu_opened == 1; }));
}

TEST_F(UserInputTest, ClosingAWindowThroughItsFrameWhileInputIsHeldWaitsLikeAClick) {
  SettingsForm& form = frm_settings();
  form.show();
  during_request([&] { window_of(form).close(); });
  EXPECT_EQ(form.close_requests, 0);
  ui::do_events();
  EXPECT_EQ(form.close_requests, 1);
}

TEST_F(UserInputTest, AnActivationFromTheWindowSystemIsNeverAskedForAgain) {
  SettingsForm& settings = frm_settings();
  NotesForm& notes = frm_notes();
  settings.show();
  notes.show();
  ASSERT_TRUE(wait_until([&] { return window_of(notes).isActiveWindow(); }));
  const int requests = front_end().activation_requests();

  // The window manager gives the focus to the other window: the model follows, and the
  // front-end does not answer with a request of its own, which a window manager that still
  // handles an older one would answer back.
  front_end().window_activated(window_of(settings));
  EXPECT_EQ(ui::forms().active(), &settings);
  front_end().window_activated(window_of(notes));
  EXPECT_EQ(ui::forms().active(), &notes);
  EXPECT_EQ(front_end().activation_requests(), requests);

  // The model activating a window asks once.
  settings.show();
  EXPECT_EQ(front_end().activation_requests(), requests + 1);
}

TEST_F(UserInputTest, ADisabledWindowGivenTheFocusHandsItBackToTheActiveOne) {
  SettingsForm& settings = frm_settings();
  NotesForm& notes = frm_notes();
  settings.show();
  notes.show();
  ASSERT_TRUE(wait_until([&] { return window_of(notes).isActiveWindow(); }));
  settings.set_enabled(false);
  const int settings_activations = settings.activations;
  const int requests = front_end().activation_requests();

  front_end().window_activated(window_of(settings));

  EXPECT_EQ(ui::forms().active(), &notes);
  EXPECT_EQ(settings.activations, settings_activations);
  EXPECT_EQ(front_end().activation_requests(), requests + 1) << "the active window once";
}

}  // namespace
}  // namespace gui_test
