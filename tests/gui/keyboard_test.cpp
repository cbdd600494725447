// What a keyboard user reaches: Enter and Escape in dialogs, the Tab order (stated by the
// window, otherwise reading order) and tab pages changed from the keyboard.

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "gui_test.hpp"
#include "maps/frm_cellblock_modifier.hpp"
#include "shell/frm_dialog.hpp"
#include "ui/ui.hpp"

namespace gui_test {
namespace {

class KeyboardTest : public GuiTest {
 protected:
  gui::FormWindow& show_active(ui::Form& form) {
    form.show();
    gui::FormWindow& window = window_of(form);
    QApplication::setActiveWindow(&window);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    return window;
  }
  static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
  }
  // The model names of the controls Tab visits, `count` presses from the focus.
  static std::vector<std::string> tab_through(int count) {
    std::vector<std::string> visited;
    for (int i = 0; i < count; ++i) {
      press(Qt::Key_Tab);
      visited.push_back(QApplication::focusWidget()->accessibleDescription().toStdString());
    }
    return visited;
  }
};

TEST_F(KeyboardTest, BlockModifierTabsInItsStatedOrderAndNoKeyAloneChangesCells) {
  show_active(ecu::frm_cellblock_modifier());
  EXPECT_EQ(tab_through(9),
            (std::vector<std::string>{"Add", "set_value", "cell_operation(5)", "cell_operation(4)",
                                      "cell_operation(1)", "cell_operation(2)", "cell_operation(3)",
                                      "cell_operation(0)", "multiply"}));
  press(Qt::Key_Return);
  EXPECT_TRUE(presenter().shown_messages.empty());
  EXPECT_TRUE(ecu::frm_cellblock_modifier().visible());
  press(Qt::Key_Escape);  // Cancel, which unloads
  process_qt_events();
  EXPECT_FALSE(ecu::frm_cellblock_modifier.loaded());
  EXPECT_TRUE(presenter().shown_messages.empty());
}

TEST_F(KeyboardTest, ChoiceDialogPressesItsDefaultWithEnterAndClosesWithEscape) {
  auto& dialog = ecu::frm_Dialog();
  const struct {
    int default_button;
    Qt::Key key;
    int choice;
  } cases[] = {{0, Qt::Key_Return, 0}, {1, Qt::Key_Return, 1}, {1, Qt::Key_Escape, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.choice);
    dialog.set_dialog_keys(&dialog.dialog_button[c.default_button]);
    dialog.dialog_choice = 7;
    gui::FormWindow& window = show_active(dialog);
    auto* button = dynamic_cast<QPushButton*>(window.widget_for(dialog.dialog_button[1]));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->isDefault(), c.default_button == 1);
    press(c.key);
    EXPECT_EQ(dialog.dialog_choice, c.choice);
    EXPECT_FALSE(dialog.visible());
  }
}

class PagesForm : public ui::Form {
 public:
  PagesForm() : ui::Form("frm_pages", "Pages", 9000, 7000) {
    // Created in another order than they are read.
    cmd_close.move(6000, 5400, 1200, 375);
    tabs.move(120, 1200, 6000, 3000);
    tabs.set_tab_enabled(1, false);
    txt_last.place_in(tabs, 2);
    txt_first.place_in(tabs, 0);
    chk_log.move(3600, 180, 1500, 255);  // within the upper half of txt_rpm's row
    txt_rpm.move(120, 120, 1500, 315);
    txt_off.move(6000, 120, 1500, 315);
    txt_off.set_enabled(false);
    tabs.on_click = [this](int previous) { left.push_back(previous); };
  }
  ui::CommandButton cmd_close{*this, "cmd_close"};
  ui::TabControl tabs{*this, "tabs", 3};
  ui::TextBox txt_last{*this, "txt_last"};
  ui::TextBox txt_first{*this, "txt_first"};
  ui::CheckBox chk_log{*this, "chk_log"};
  ui::TextBox txt_rpm{*this, "txt_rpm"};
  ui::TextBox txt_off{*this, "txt_off"};
  std::vector<int> left;
};

ui::FormInstance<PagesForm> frm_pages;

TEST_F(KeyboardTest, TabReadsLeftToRightTopToBottomAndCtrlKeysTurnThePages) {
  PagesForm& form = frm_pages();
  show_active(form);
  EXPECT_EQ(tab_through(5),
            (std::vector<std::string>{"chk_log", "tabs", "txt_first", "cmd_close", "txt_rpm"}));
  press(Qt::Key_Escape);  // no dialog: nothing
  EXPECT_TRUE(form.visible());

  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int tab;
  } steps[] = {
      {Qt::Key_Tab, Qt::ControlModifier, 2},
      {Qt::Key_Tab, Qt::ControlModifier, 0},
      {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 2},
      {Qt::Key_PageUp, Qt::ControlModifier, 0},
      {Qt::Key_PageDown, Qt::ControlModifier, 2},
  };
  for (const auto& step : steps) {
    press(step.key, step.modifiers);
    EXPECT_EQ(form.tabs.current_tab(), step.tab);
  }
  EXPECT_EQ(form.left, (std::vector<int>{0, 2, 0, 2, 0}));
  // The tab row takes the focus, and the arrows move there.
  EXPECT_EQ(tab_through(2), (std::vector<std::string>{"chk_log", "tabs"}));
  press(Qt::Key_Left);
  EXPECT_EQ(form.tabs.current_tab(), 0);
}

}  // namespace
}  // namespace gui_test
