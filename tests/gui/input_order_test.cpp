// What the user does reaches the model in the order it was made and where it was aimed,
// however the input held during a request and the input that comes after it interleave.
// Input enters through the window system, as a user's does.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <string>
#include <vector>

#include "gui/rich/grid_widget.hpp"
#include "gui_test.hpp"

namespace gui_test {
namespace {

constexpr int kUpKey = 38;
constexpr int kShiftKey = 16;

class OrderForm : public ui::Form {
 public:
  OrderForm() : ui::Form("frm_order", "Order", 7000, 5200) {
    mnu_update.set_caption("&Update");
    mnu_update.on_click = [this] { updates.push_back(cells.cell_text(1, 1)); };
    mnu_tools.set_caption("&Tools");
    mnu_zero.set_caption("&Zero");
    mnu_zero.on_click = [this] { ++zeroes; };

    txt_first.move(120, 120, 1500, 315);
    txt_second.move(1800, 120, 1500, 315);
    txt_first.on_double_click = [this] { ++double_clicks; };
    cmd_apply.set_caption("Apply");
    cmd_apply.move(3600, 120, 1200, 375);
    cmd_apply.on_click = [this] { ++apply_clicks; };

    pages.move(120, 720, 3300, 1500);
    pages.set_tab_caption(0, "First");
    pages.set_tab_caption(1, "Second");
    txt_step.place_in(pages, 0);
    txt_step.move(120, 120, 1500, 315);
    // A field that steps its value with Shift+Up and hands the arrow on as Shift.
    txt_step.on_key_down = [this](int& key_code, int shift) {
      if (key_code != kUpKey || shift != 1) return;
      key_code = kShiftKey;
      txt_step.set_text(std::to_string(std::stoi(txt_step.text()) + 1));
    };
    txt_step.set_text("7");

    cells.move(120, 2400, 3000, 1200);
  }

  ui::MenuItem mnu_update{*this, "mnu_update", nullptr};
  ui::MenuItem mnu_tools{*this, "mnu_tools", nullptr};
  ui::MenuItem mnu_zero{*this, "mnu_zero", &mnu_tools};
  ui::TextBox txt_first{*this, "txt_first"};
  ui::TextBox txt_second{*this, "txt_second"};
  ui::CommandButton cmd_apply{*this, "cmd_apply"};
  ui::TabControl pages{*this, "pages", 2};
  ui::TextBox txt_step{*this, "txt_step"};
  ui::Grid cells{*this, "cells", 4, 4};

  int apply_clicks = 0;
  int double_clicks = 0;
  int zeroes = 0;
  std::vector<std::string> updates;
};

inline ui::FormInstance<OrderForm> frm_order;

class InputOrderTest : public GuiTest {
 protected:
  OrderForm& open() {
    OrderForm& form = frm_order();
    form.show();
    EXPECT_TRUE(wait_until([&] { return window_of(form).isActiveWindow(); }));
    process_qt_events();
    return form;
  }
  QWindow* window() { return window_of(frm_order()).windowHandle(); }
  QPoint centre_of(const ui::Control& control) {
    QWidget* widget = window_of(frm_order()).widget_for(control);
    return widget->mapTo(&window_of(frm_order()), widget->rect().center());
  }
  void focus(const ui::Control& control) {
    window_of(frm_order()).widget_for(control)->setFocus(Qt::OtherFocusReason);
  }
  void type(const char* keys) {
    for (const char* key = keys; *key != '\0'; ++key) QTest::keyClick(window(), *key);
  }
  // Lets the front-end run until the model's input queue is empty.
  static void drain() {
    EXPECT_TRUE(wait_until([] { return !ui::event_loop().has_pending_user_input(); }));
    process_qt_events();
  }
};

TEST_F(InputOrderTest, KeysArriveInOrderAndStayWithTheFieldTheyWereTypedInto) {
  OrderForm& form = open();
  focus(form.txt_first);
  during_request([&] { type("12"); });
  // Typed after the request returned, before the held keys ran: they wait behind them.
  type("3");
  during_request([&] {
    type("4");
    // The program moves the focus while the keys wait: they still belong to the first field.
    focus(form.txt_second);
  });
  drain();
  EXPECT_EQ(form.txt_first.text(), "1234");
  EXPECT_EQ(form.txt_second.text(), "");

  focus(form.txt_first);
  during_request([&] {
    QTest::keyClick(window(), Qt::Key_Tab);
    type("5");
  });
  drain();
  EXPECT_EQ(form.txt_second.text(), "5") << "the user's Tab moved the keys after it on";
}

TEST_F(InputOrderTest, APressHeldDuringARequestAndItsReleaseAfterItMakeOneClick) {
  OrderForm& form = open();
  const QPoint apply = centre_of(form.cmd_apply);
  during_request([&] { QTest::mousePress(window(), Qt::LeftButton, {}, apply); });
  QTest::mouseRelease(window(), Qt::LeftButton, {}, apply);
  drain();
  EXPECT_EQ(form.apply_clicks, 1);

  // A quick click and a double-click, both made during a request.
  during_request([&] {
    QTest::mouseClick(window(), Qt::LeftButton, {}, apply);
    QTest::mouseDClick(window(), Qt::LeftButton, {}, centre_of(form.txt_first));
  });
  drain();
  EXPECT_EQ(form.apply_clicks, 2);
  EXPECT_EQ(form.double_clicks, 1);
}

TEST_F(InputOrderTest, InputMadeWhileItsWindowOrControlWasDisabledNeverRuns) {
  OrderForm& form = open();
  const QPoint apply = centre_of(form.cmd_apply);
  focus(form.txt_first);
  form.set_enabled(false);
  during_request([&] {
    QTest::mouseClick(window(), Qt::LeftButton, {}, apply);
    type("5");
  });
  form.set_enabled(true);
  form.cmd_apply.set_enabled(false);
  during_request([&] { QTest::mouseClick(window(), Qt::LeftButton, {}, apply); });
  form.cmd_apply.set_enabled(true);
  drain();
  EXPECT_EQ(form.apply_clicks, 0);
  EXPECT_EQ(form.txt_first.text(), "");

  // The frame's close of a disabled window asks nothing of the form.
  form.set_enabled(false);
  window_of(form).close();
  drain();
  EXPECT_TRUE(frm_order.loaded());
  EXPECT_TRUE(form.visible());
}

TEST_F(InputOrderTest, ShiftUpInAFieldOnATabPageStepsItAndLeavesThePageShown) {
  OrderForm& form = open();
  focus(form.txt_step);
  QTest::keyClick(window(), Qt::Key_Up, Qt::ShiftModifier);
  QTest::keyClick(window(), Qt::Key_Down, Qt::ShiftModifier);
  process_qt_events();
  EXPECT_EQ(form.txt_step.text(), "8");
  EXPECT_EQ(form.pages.current_tab(), 0);
  EXPECT_EQ(QApplication::focusWidget(), window_of(form).widget_for(form.txt_step));

  QTest::keyClick(window(), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(form.pages.current_tab(), 1) << "the page keys still change the page";
}

TEST_F(InputOrderTest, EveryRouteToACommandTakesTheTextTypedIntoAnOpenCell) {
  OrderForm& form = open();
  auto* grid = qobject_cast<gui::rich::GridWidget*>(window_of(form).widget_for(form.cells));
  ASSERT_NE(grid, nullptr);
  QAction* update = window_of(form).action_for(form.mnu_update);
  ASSERT_NE(update, nullptr);
  const std::vector<std::function<void()>> routes = {
      [update] { update->trigger(); },  // the menu by mouse or an assistive tool
      [this] { QTest::keyClick(window(), Qt::Key_U, Qt::AltModifier); },
  };
  const std::vector<std::string> typed = {"12.5", "-3"};
  for (std::size_t route = 0; route < routes.size(); ++route) {
    grid->setFocus(Qt::OtherFocusReason);
    form.cells.set_active_cell(1, 1);
    type(typed[route].c_str());
    ASSERT_TRUE(grid->editing());
    routes[route]();
    drain();
    EXPECT_FALSE(grid->editing()) << route;
  }
  EXPECT_EQ(form.updates, typed);
}

TEST_F(InputOrderTest, AMenuItemChosenByAnAssistiveToolClosesItsMenusAndTheNextClickCounts) {
  OrderForm& form = open();
  QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(window_of(form).menuBar());
  ASSERT_NE(bar, nullptr);
  QAccessibleInterface* tools = bar->child(1);
  ASSERT_NE(tools, nullptr);
  tools->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
  process_qt_events();
  QAccessibleInterface* zero = tools->child(0) != nullptr ? tools->child(0)->child(0) : nullptr;
  ASSERT_NE(zero, nullptr);
  zero->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  drain();
  EXPECT_EQ(form.zeroes, 1);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

  QTest::mouseClick(window(), Qt::LeftButton, {}, centre_of(form.cmd_apply));
  drain();
  EXPECT_EQ(form.apply_clicks, 1);
}

}  // namespace
}  // namespace gui_test
