// What a keyboard user can reach: Enter and Escape in the console's dialogs, the Tab order
// (stated by a window, otherwise reading order) and the tab pages from the keyboard.

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "gui_test.hpp"
#include "maps/frm_cellblock_modifier.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_dialog.hpp"
#include "shell/frm_remote_ip.hpp"
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
  // Keys go where the focus is, as the user's keys do.
  static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
  }
  // The model name of the control holding the focus.
  static std::string focused() {
    const QWidget* widget = QApplication::focusWidget();
    return widget ? widget->accessibleDescription().toStdString() : std::string("(none)");
  }
};

TEST_F(KeyboardTest, BlockModifierTabsInItsStatedOrderAndNoKeyAloneChangesCells) {
  auto& modifier = ecu::frm_cellblock_modifier();
  show_active(modifier);
  EXPECT_EQ(focused(), "multiply");
  std::vector<std::string> visited;
  for (int i = 0; i < 9; ++i) {
    press(Qt::Key_Tab);
    visited.push_back(focused());
  }
  EXPECT_EQ(visited,
            (std::vector<std::string>{"Add", "set_value", "cell_operation(5)", "cell_operation(4)",
                                      "cell_operation(1)", "cell_operation(2)", "cell_operation(3)",
                                      "cell_operation(0)", "multiply"}));
  press(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(focused(), "cell_operation(0)");
  press(Qt::Key_Tab);

  // Enter asks nothing and runs nothing; Escape is Cancel, which unloads the window.
  press(Qt::Key_Return);
  press(Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_TRUE(presenter().shown_messages.empty());
  EXPECT_TRUE(modifier.visible());
  press(Qt::Key_Escape);
  process_qt_events();
  EXPECT_FALSE(ecu::frm_cellblock_modifier.loaded());
  EXPECT_TRUE(presenter().shown_messages.empty());
}

TEST_F(KeyboardTest, AddressEntryConnectsWithEnterAndCancelsWithEscape) {
  auto& entry = ecu::frm_remote_ip();
  show_active(entry);
  EXPECT_EQ(focused(), "client_ip_address(0)");
  press(Qt::Key_Return);
  EXPECT_EQ(ecu::remote_server_ip, "127.0.0.1");
  EXPECT_FALSE(entry.visible());

  show_active(entry);
  press(Qt::Key_Escape);
  EXPECT_EQ(ecu::remote_server_ip, "");
  EXPECT_FALSE(entry.visible());
}

TEST_F(KeyboardTest, ChoiceDialogPressesItsDefaultWithEnterAndClosesWithEscape) {
  auto& dialog = ecu::frm_Dialog();
  struct Case {
    int default_button;
    Qt::Key key;
    int choice;
  };
  const Case cases[] = {{0, Qt::Key_Return, 0}, {1, Qt::Key_Return, 1}, {1, Qt::Key_Escape, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choice);
    dialog.set_dialog_keys(&dialog.dialog_button[c.default_button]);
    dialog.dialog_choice = 7;
    gui::FormWindow& window = show_active(dialog);
    for (int i = 0; i < dialog.dialog_button.count(); ++i) {
      auto* button = dynamic_cast<QPushButton*>(window.widget_for(dialog.dialog_button[i]));
      ASSERT_NE(button, nullptr);
      EXPECT_EQ(button->isDefault(), i == c.default_button);
    }
    press(c.key);
    EXPECT_EQ(dialog.dialog_choice, c.choice);
    EXPECT_FALSE(dialog.visible());
  }
}

class LayoutForm : public ui::Form {
 public:
  LayoutForm() : ui::Form("frm_layout", "Layout", 9000, 6000) {
    // Created in another order than they are read.
    cmd_close.move(6000, 4200, 1200, 375);
    fra_mode.move(120, 1200, 3000, 1500);
    for (int i = 0; i < opt_mode.count(); ++i) {
      opt_mode[i].place_in(fra_mode);
      opt_mode[i].move(120, 240.0F + 480.0F * static_cast<float>(i), 2000, 255);
    }
    chk_log.move(3600, 180, 1500, 255);  // within the upper half of txt_rpm's row
    txt_rpm.move(120, 120, 1500, 315);
    txt_hidden.move(120, 600, 1500, 315);
    txt_hidden.set_visible(false);
    txt_off.move(3600, 600, 1500, 315);
    txt_off.set_enabled(false);
    cmd_update.move(120, 4200, 1200, 375);
  }
  ui::CommandButton cmd_close{*this, "cmd_close"};
  ui::Frame fra_mode{*this, "fra_mode"};
  ui::ControlArray<ui::OptionButton> opt_mode{*this, "opt_mode", 2};
  ui::CheckBox chk_log{*this, "chk_log"};
  ui::TextBox txt_rpm{*this, "txt_rpm"};
  ui::TextBox txt_hidden{*this, "txt_hidden"};
  ui::TextBox txt_off{*this, "txt_off"};
  ui::CommandButton cmd_update{*this, "cmd_update"};
};

ui::FormInstance<LayoutForm> frm_layout;

TEST_F(KeyboardTest, WithoutAStatedOrderTabReadsLeftToRightAndTopToBottom) {
  show_active(frm_layout());
  EXPECT_EQ(focused(), "txt_rpm");
  std::vector<std::string> visited;
  for (int i = 0; i < 6; ++i) {
    press(Qt::Key_Tab);
    visited.push_back(focused());
  }
  EXPECT_EQ(visited, (std::vector<std::string>{"chk_log", "opt_mode(0)", "opt_mode(1)",
                                               "cmd_update", "cmd_close", "txt_rpm"}));
  // A window that is no dialog leaves Escape alone.
  press(Qt::Key_Escape);
  EXPECT_TRUE(frm_layout().visible());
}

class PagesForm : public ui::Form {
 public:
  PagesForm() : ui::Form("frm_pages", "Pages", 9000, 6000) {
    tabs.move(120, 120, 6000, 3000);
    for (int tab = 0; tab < 3; ++tab) tabs.set_tab_caption(tab, "Page " + std::to_string(tab));
    tabs.set_tab_enabled(1, false);
    txt_first.place_in(tabs, 0);
    txt_first.move(240, 240, 1500, 315);
    txt_last.place_in(tabs, 2);
    txt_last.move(240, 240, 1500, 315);
    cmd_close.move(120, 3600, 1200, 375);
    tabs.on_click = [this](int previous) { left.push_back(previous); };
  }
  ui::TabControl tabs{*this, "tabs", 3};
  ui::TextBox txt_first{*this, "txt_first"};
  ui::TextBox txt_last{*this, "txt_last"};
  ui::CommandButton cmd_close{*this, "cmd_close"};
  std::vector<int> left;
};

ui::FormInstance<PagesForm> frm_pages;

TEST_F(KeyboardTest, TabPagesChangeWithCtrlTabAndCtrlPageKeysSkippingDisabledTabs) {
  PagesForm& form = frm_pages();
  show_active(form);
  form.txt_first.set_focus();
  struct Step {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int tab;
  };
  const Step steps[] = {
      {Qt::Key_Tab, Qt::ControlModifier, 2},
      {Qt::Key_Tab, Qt::ControlModifier, 0},
      {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 2},
      {Qt::Key_PageUp, Qt::ControlModifier, 0},
      {Qt::Key_PageDown, Qt::ControlModifier, 2},
  };
  for (const Step& step : steps) {
    press(step.key, step.modifiers);
    EXPECT_EQ(form.tabs.current_tab(), step.tab);
  }
  EXPECT_EQ(form.left, (std::vector<int>{0, 2, 0, 2, 0}));

  // From outside the pages too; and the tab row takes the focus, where the arrows move.
  form.cmd_close.set_focus();
  press(Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(form.tabs.current_tab(), 0);
  press(Qt::Key_Tab);
  EXPECT_EQ(focused(), "tabs");
  press(Qt::Key_Right);
  EXPECT_EQ(form.tabs.current_tab(), 2);
  press(Qt::Key_Tab);
  EXPECT_EQ(focused(), "txt_last");
}

}  // namespace
}  // namespace gui_test
