// What the user does reaches the model in the order it was made and where it was aimed,
// however the input held during a request and the input that comes after it interleave.
// Input enters through the window system, as a user's does.

#include <qpa/qwindowsysteminterface.h>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "gui/rich/grid_widget.hpp"
#include "gui_test.hpp"
#include "link/poll_inhibit.hpp"
#include "link/request.hpp"

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
    cells.on_cell_change = [this](int, int) {
      if (on_commit) on_commit();
    };
    // A poll that, like the plotter's, ticks whatever poll_inhibit says.
    tmr_poll.on_timer = [this] {
      ++polls;
      ecu::send_command("A");
    };
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
  ui::Timer tmr_poll{*this, "tmr_poll", 1, false};

  int apply_clicks = 0;
  int polls = 0;
  int double_clicks = 0;
  int zeroes = 0;
  std::vector<std::string> updates;
  std::function<void()> on_commit;
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
  // Hands a click on a cell or a key to the window system, to be delivered with its events.
  void post_click(int row, int col) {
    auto* grid =
        static_cast<gui::rich::GridWidget*>(window_of(frm_order()).widget_for(frm_order().cells));
    const QPoint at = grid->mapTo(grid->window(), grid->cell_rect(row, col).center());
    for (const auto buttons : {Qt::LeftButton, Qt::NoButton}) {
      QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
          window(), at, window()->mapToGlobal(at), buttons, Qt::LeftButton,
          buttons == Qt::NoButton ? QEvent::MouseButtonRelease : QEvent::MouseButtonPress);
    }
  }
  static void post_click_in(QWindow& in, QPoint at) {
    for (const auto buttons : {Qt::LeftButton, Qt::NoButton}) {
      QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
          &in, at, in.mapToGlobal(at), buttons, Qt::LeftButton,
          buttons == Qt::NoButton ? QEvent::MouseButtonRelease : QEvent::MouseButtonPress);
    }
  }
  void post_click_at(QPoint at) { post_click_in(*window(), at); }
  void post_move(QPoint to) {
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window(), to, window()->mapToGlobal(to), Qt::NoButton, Qt::NoButton, QEvent::MouseMove);
  }
  void post_key(int key, Qt::KeyboardModifiers modifiers = {}) {
    const QString text = modifiers != Qt::NoModifier
                             ? QString()
                             : QString(QChar(key == Qt::Key_Return ? '\r' : key));
    for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
      QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
          window(), type, key, modifiers, text);
    }
  }
  // Passes a commit's handler may run: a wait that allows input, a request's wait, and the
  // yield before a request, which serves the user.
  inline static const std::vector<std::function<void()>> kPasses = {
      [] { ui::do_events(); }, [] { ui::do_events_without_user_input(); },
      [] { ecu::yield_to_message_loop(); }};
  // Lets the front-end run until the model's input queue is empty.
  static void drain() {
    process_qt_events();
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

// Each key the window system hands over is handled whole: a key typed while the handler of
// the one before lets events run (as a request's wait does, pass after pass) waits until that
// key is in.
TEST_F(InputOrderTest, AKeyTypedWhileTheKeyBeforeIsHandledRunsAfterIt) {
  OrderForm& form = open();
  focus(form.txt_first);
  constexpr int kKeyA = 65;
  form.txt_first.on_key_down = [this](int& key_code, int) {
    if (key_code != kKeyA) return;
    QTimer::singleShot(0, [this] { post_key('5'); });
    for (int pass = 0; pass < 20; ++pass) ui::do_events();
  };
  post_key('A');
  drain();
  EXPECT_EQ(frm_order().txt_first.text(), "A5");
}

// A key's handler holds the poll and waits; a poll that ignores the hold ticks meanwhile and
// sends a request, which serves the user between requests only for input the request's own
// sender is handling: a click made during the wait runs after the key.
TEST_F(InputOrderTest, APollsRequestInsideAHeldInputRunsNoOtherInput) {
  OrderForm& form = open();
  focus(form.txt_first);
  constexpr int kKeyA = 65;
  std::vector<std::string> order;
  form.cmd_apply.on_click = [&order] { order.emplace_back("click"); };
  form.txt_first.on_key_down = [this, &order](int& key_code, int) {
    if (key_code != kKeyA) return;
    order.emplace_back("key begins");
    const ecu::PollInhibitScope hold;
    QTimer::singleShot(0, [this] { post_click_at(centre_of(frm_order().cmd_apply)); });
    const int polls = frm_order().polls;
    for (int pass = 0; pass < 100000 && frm_order().polls < polls + 5; ++pass) {
      ui::do_events_without_user_input();
    }
    order.emplace_back("key ends");
  };
  form.tmr_poll.set_enabled(true);
  post_key('A');
  drain();
  form.tmr_poll.set_enabled(false);
  EXPECT_EQ(order, (std::vector<std::string>{"key begins", "key ends", "click"}));
}

// Update, chosen by its access key, writes item after item, serving the user between two
// writes; the user opens a menu with a click and chooses an item of it with another, each
// click made while a write waits: the item runs before the Update ends.
TEST_F(InputOrderTest, AMenuItemClickedDuringALongCommandOfTheMenuBarRunsBeforeItEnds) {
  OrderForm& form = open();
  constexpr int kWrites = 80;
  int writes = 0;
  int writes_when_chosen = -1;
  form.mnu_update.on_click = [&writes] {
    const ecu::PollInhibitScope hold;
    for (writes = 0; writes < kWrites; ++writes) {
      QElapsedTimer request;
      request.start();
      while (request.elapsed() < 5) ui::do_events_without_user_input();
      ecu::send_command("e");
    }
  };
  form.mnu_zero.on_click = [&] { writes_when_chosen = writes; };
  QMenuBar* bar = window_of(form).menuBar();
  QAction* tools = window_of(form).action_for(form.mnu_tools);
  QAction* zero = window_of(form).action_for(form.mnu_zero);
  const QPoint tools_title = bar->mapTo(bar->window(), bar->actionGeometry(tools).center());
  UserScript user({
      {{}, [this] { post_key(Qt::Key_U, Qt::AltModifier); }},
      // Past the menu bar's own moment of showing the chosen title.
      {[&writes] { return writes >= 30; },
       [this, tools_title] {
         post_move(tools_title);
         post_click_at(tools_title);
       }},
      {[] { return QApplication::activePopupWidget() != nullptr; },
       [zero] {
         QWidget* menu = QApplication::activePopupWidget();
         auto* shown = qobject_cast<QMenu*>(menu);
         const QPoint at = shown->actionGeometry(zero).center();
         post_click_in(*menu->windowHandle(), at);
       }},
  });
  EXPECT_TRUE(wait_until([&] { return user.finished() && writes_when_chosen >= 0; }))
      << user.steps_taken() << " steps taken";
  drain();
  EXPECT_GT(writes_when_chosen, 30);
  EXPECT_LT(writes_when_chosen, kWrites) << "the item ran during the Update";
  EXPECT_EQ(writes, kWrites);
}

// A click on a cell commits the open edit, then makes the clicked cell current, before a key
// that came during the commit's handler runs.
TEST_F(InputOrderTest, AKeyThatComesWhileAClickCommitsAnEditGoesToTheClickedCell) {
  OrderForm& form = open();
  window_of(form).widget_for(form.cells)->setFocus(Qt::OtherFocusReason);
  for (int pass = 0; pass < 3; ++pass) {
    form.cells.set_active_cell(1, 1);
    type("5");
    form.on_commit = [pass] { kPasses[static_cast<std::size_t>(pass)](); };
    post_click(2, pass + 1);
    post_key('7');
    post_key(Qt::Key_Return);
    drain();
    EXPECT_EQ(form.cells.cell_text(1, 1) + form.cells.cell_text(2, pass + 1), "57") << pass;
  }
}

// Clicks on cells and the values typed after them, handed over in random pieces, some while
// a request is outstanding, while each commit's handler runs a random pass.
TEST_F(InputOrderTest, ValuesTypedAfterClicksEndInTheirCellsHoweverInputAndPassesInterleave) {
  OrderForm& form = open();
  std::mt19937 random(35);
  form.on_commit = [&random] { kPasses[random() % kPasses.size()](); };
  std::vector<std::function<void()>> script;
  std::map<std::pair<int, int>, std::string> last_typed;
  std::pair<int, int> cell{1, 1};
  for (int click = 0; click < 40; ++click) {
    // Never the cell clicked last: two clicks there would make a double-click.
    for (const auto before = cell; cell == before;) cell = {1 + random() % 3, 1 + random() % 3};
    last_typed[cell] = std::to_string(random() % 1000);
    script.emplace_back([this, cell] { post_click(cell.first, cell.second); });
    for (const char digit : last_typed[cell])
      script.emplace_back([this, digit] { post_key(digit); });
  }
  script.emplace_back([this] { post_key(Qt::Key_Return); });
  for (std::size_t next = 0; next < script.size();) {
    const std::size_t end = std::min(script.size(), next + 1 + random() % 4);
    const auto hand_over = [&] {
      for (; next < end; ++next) script[next]();
    };
    if (random() % 2 == 0) {
      during_request(hand_over);
    } else {
      hand_over();
      process_qt_events();
    }
  }
  drain();
  for (const auto& [at, value] : last_typed)
    EXPECT_EQ(form.cells.cell_text(at.first, at.second), value);
}

// A window manager that raises a window on a click holds the pointer from the press until
// it lets the press through; the keys typed after the click come first meanwhile, each
// saying (X11's Button1Mask) that the button is down. They wait for the click and go to the
// cell it makes current; when no click comes, they run in their place after the wait.
TEST_F(InputOrderTest, KeysThatCameAheadOfAClickTheWindowSystemHeldGoToTheClickedCell) {
  constexpr std::uint32_t kButton1Mask = 0x100;
  OrderForm& form = open();
  auto* grid = static_cast<gui::rich::GridWidget*>(window_of(form).widget_for(form.cells));
  grid->setFocus(Qt::OtherFocusReason);
  const auto key_with_button_down = [this](ulong time, int key) {
    const QString text = key == Qt::Key_Return ? QString("\r") : QString(QChar(key));
    for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
      QWindowSystemInterface::handleExtendedKeyEvent(window(), time, type, key, Qt::NoModifier, 0,
                                                     0, kButton1Mask, text);
    }
  };
  const auto held_click = [this, grid](ulong time, int row, int col) {
    const QPoint at = grid->mapTo(grid->window(), grid->cell_rect(row, col).center());
    for (const auto buttons : {Qt::LeftButton, Qt::NoButton}) {
      QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
          window(), time, at, window()->mapToGlobal(at), buttons, Qt::LeftButton,
          buttons == Qt::NoButton ? QEvent::MouseButtonRelease : QEvent::MouseButtonPress);
    }
  };
  QCursor::setPos(window()->mapToGlobal(QPoint(10, 10)));
  form.cells.set_active_cell(1, 1);
  // Typed at 1 000 ms and on, after a click at 990 ms that comes only once they are queued,
  // both in an idle moment and during a request.
  for (const bool requesting : {false, true}) {
    const int col = requesting ? 3 : 2;
    const auto hand_over = [&] {
      key_with_button_down(1000, '4');
      key_with_button_down(1010, '2');
      key_with_button_down(1020, Qt::Key_Return);
      process_qt_events();
    };
    if (requesting) {
      during_request(hand_over);
    } else {
      hand_over();
    }
    held_click(990, 2, col);
    drain();
    EXPECT_EQ(form.cells.cell_text(2, col), "42") << requesting;
  }
  EXPECT_EQ(form.cells.cell_text(1, 1), "");

  // A click the window manager keeps for itself: the keys run after the wait, in order.
  form.cells.set_active_cell(3, 3);
  key_with_button_down(5000, '9');
  key_with_button_down(5010, Qt::Key_Return);
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 500) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  EXPECT_EQ(form.cells.cell_text(3, 3), "") << "the keys wait for the click";
  while (ui::event_loop().has_pending_user_input() && waited.elapsed() < 10000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  process_qt_events();
  EXPECT_EQ(form.cells.cell_text(3, 3), "9");
}

}  // namespace
}  // namespace gui_test
