#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/frm_tool.hpp"
#include "link/comm_port.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_about.hpp"
#include "shell/frm_dialog.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/main_poll_loop.hpp"
#include "support/fake_serial_port.hpp"
#include "support/main_window_fixture.hpp"
#include "support/show_recorder.hpp"
#include "support/tick_form.hpp"
#include "ui/clock.hpp"
#include "views/frm_dashboard.hpp"
#include "views/frm_diagnostics.hpp"
#include "views/frm_mon.hpp"
#include "views/frm_plotter.hpp"
#include "views/monitor_display.hpp"

namespace ecu {
namespace {

using MainWindow = FrmEcuForm;

struct ViewCase {
  const char* view_name;
  ui::MenuItem& (*menu)(MainWindow&);
  ui::CommandButton& (*button)(MainWindow&);
  ui::Form& (*view)();
  Integer code;
  bool clears_poll_inhibit;
  // The editor windows read the controller while they activate; the main window hides
  // only after that.
  bool shown_before_main_hides;
  Flag* request;
  const char* close_button;
  const char* exit_menu;
};

const std::array<ViewCase, 8>& view_cases() {
  static const std::array<ViewCase, 8> cases{{
      {"frm_mon", [](MainWindow& m) -> ui::MenuItem& { return m.Menu_View_Monitor; },
       [](MainWindow& m) -> ui::CommandButton& { return m.Command3d4; },
       []() -> ui::Form& { return frm_mon(); }, 1, true, false, &view_request_mon, "Command3d1",
       "menufileexit"},
      {"frm_dashboard", [](MainWindow& m) -> ui::MenuItem& { return m.menu_view_dashboard; },
       [](MainWindow& m) -> ui::CommandButton& { return m.Command1; },
       []() -> ui::Form& { return frm_dashboard(); }, 6, true, false, &view_request_dash,
       "Command1", "menu_file_exit"},
      {"frm_tool", [](MainWindow& m) -> ui::MenuItem& { return m.Menu_View_Injection; },
       [](MainWindow& m) -> ui::CommandButton& { return m.Command3d1; },
       []() -> ui::Form& { return frm_tool(); }, 2, true, true, &view_request_tools, "Command3d2",
       "menufileexit"},
      {"frm_3d", [](MainWindow& m) -> ui::MenuItem& { return m.menu_View_Mapping; },
       [](MainWindow& m) -> ui::CommandButton& { return m.Command3d2; },
       []() -> ui::Form& { return frm_3d(); }, 3, true, true, &view_request_3d, "Command3d1",
       "menufileexit"},
      {"frm_2d", [](MainWindow& m) -> ui::MenuItem& { return m.menu_view_temperature; },
       [](MainWindow& m) -> ui::CommandButton& { return m.Command3d7; },
       []() -> ui::Form& { return frm_2d(); }, 5, true, true, &view_request_2d, "Command3d1",
       "menufileexit"},
      {"frm_sup", [](MainWindow& m) -> ui::MenuItem& { return m.menu_View_supp; },
       [](MainWindow& m) -> ui::CommandButton& { return m.Command2; },
       []() -> ui::Form& { return frm_sup(); }, 7, true, true, &view_request_sup, "Command3d1",
       "menufileexit"},
      {"frm_plotter", [](MainWindow& m) -> ui::MenuItem& { return m.menu_View_Plotter; },
       [](MainWindow& m) -> ui::CommandButton& { return m.Command3d3; },
       []() -> ui::Form& { return frm_plotter(); }, 4, true, false, &view_request_plot,
       "Command3d1", "menufileexit"},
      {"frm_diagnostics", [](MainWindow& m) -> ui::MenuItem& { return m.menu_view_diagnostic; },
       [](MainWindow& m) -> ui::CommandButton& { return m.Command3; },
       []() -> ui::Form& { return frm_diagnostics(); }, 8, false, true, &view_request_diag,
       "Command3d2", "menufileexit"},
  }};
  return cases;
}

// Each view's menu entry for every other view.
struct ViewMenu {
  const char* view_name;
  std::vector<std::pair<const char*, Flag*>> entries;
};

const std::vector<ViewMenu>& view_menus() {
  static const std::vector<ViewMenu> menus{
      {"frm_mon",
       {{"menu_dash", &view_request_dash},
        {"menu_tools", &view_request_tools},
        {"menu_3d", &view_request_3d},
        {"menu_2d", &view_request_2d},
        {"menu_sup", &view_request_sup},
        {"menu_plot", &view_request_plot},
        {"menu_diag", &view_request_diag}}},
      {"frm_dashboard",
       {{"menu_mon", &view_request_mon},
        {"menu_tools", &view_request_tools},
        {"menu_3d", &view_request_3d},
        {"menu_2d", &view_request_2d},
        {"menu_sup", &view_request_sup},
        {"menu_plot", &view_request_plot},
        {"menu_diag", &view_request_diag}}},
      {"frm_tool",
       {{"menu_mon", &view_request_mon},
        {"menu_dash", &view_request_dash},
        {"menu_3d", &view_request_3d},
        {"menu_2d", &view_request_2d},
        {"menu_sup", &view_request_sup},
        {"menu_plot", &view_request_plot},
        {"menu_diag", &view_request_diag}}},
      {"frm_3d",
       {{"menu_mon", &view_request_mon},
        {"menu_dash", &view_request_dash},
        {"menu_tools", &view_request_tools},
        {"menu_2d", &view_request_2d},
        {"menu_sup", &view_request_sup},
        {"menu_plot", &view_request_plot},
        {"menu_diag", &view_request_diag}}},
      {"frm_2d",
       {{"menumon", &view_request_mon},
        {"menudash", &view_request_dash},
        {"menutools", &view_request_tools},
        {"menu3d", &view_request_3d},
        {"menu_sup", &view_request_sup},
        {"menuplotter", &view_request_plot},
        {"menu_diag", &view_request_diag}}},
      {"frm_sup",
       {{"menu_mon", &view_request_mon},
        {"menu_dash", &view_request_dash},
        {"menu_tools", &view_request_tools},
        {"menu_3d", &view_request_3d},
        {"menu_2d", &view_request_2d},
        {"menu_plot", &view_request_plot},
        {"menu_diag", &view_request_diag}}},
      {"frm_plotter",
       {{"menu_mon", &view_request_mon},
        {"menu_dash", &view_request_dash},
        {"menu_tools", &view_request_tools},
        {"menu_3d", &view_request_3d},
        {"menu_2d", &view_request_2d},
        {"menu_sup", &view_request_sup},
        {"menu_diag", &view_request_diag}}},
      {"frm_diagnostics",
       {{"menu_mon", &view_request_mon},
        {"menu_dash", &view_request_dash},
        {"menu_tools", &view_request_tools},
        {"menu_3d", &view_request_3d},
        {"menu_2d", &view_request_2d},
        {"menu_sup", &view_request_sup},
        {"menu_plot", &view_request_plot}}},
  };
  return menus;
}

const ViewCase& case_of(const std::string& view_name) {
  for (const ViewCase& view : view_cases()) {
    if (view.view_name == view_name) return view;
  }
  throw std::out_of_range(view_name);
}

std::array<Flag*, 8> all_requests() {
  return {&view_request_mon, &view_request_dash, &view_request_tools, &view_request_3d,
          &view_request_2d,  &view_request_sup,  &view_request_plot,  &view_request_diag};
}

int pending_requests() {
  int count = 0;
  for (Flag* request : all_requests()) count += *request == kTrue ? 1 : 0;
  return count;
}

using test::shown_windows;
using test::ShowRecorder;

// The main poll ticks behind a message box, as Timer1 does behind the front-end's boxes.
class PollingBehindBoxes : public ui::ScriptedPresenter {
 public:
  ui::MsgResult message_box(const ui::MessageBoxRequest& request) override {
    requests_under_box.push_back(pending_requests());
    main_poll_tick();
    shown_under_box.push_back(shown_windows());
    if (after_box) after_box();
    return ScriptedPresenter::message_box(request);
  }
  std::vector<int> requests_under_box;
  std::vector<std::vector<std::string>> shown_under_box;
  // Runs as the user answers the box.
  std::function<void()> after_box;
};

class ViewNavigationTest : public test::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    main_ = &start_demo();
  }
  MainWindow& main_window() { return *main_; }

  // Leaves a view through its own close button.
  static void press_close(ui::Form& view, const char* button_name) {
    auto* button = dynamic_cast<ui::CommandButton*>(view.find_control(button_name));
    ASSERT_NE(button, nullptr) << view.name() << "." << button_name;
    button->click();
  }

 private:
  MainWindow* main_ = nullptr;
};

TEST_F(ViewNavigationTest,
       EveryViewOpensFromItsMenuItemAndItsShortcutButtonInPlaceOfTheMainWindow) {
  for (const ViewCase& view : view_cases()) {
    for (const bool by_button : {false, true}) {
      SCOPED_TRACE(std::string(view.view_name) + (by_button ? " by button" : " by menu"));
      poll_inhibit = kTrue;
      if (by_button) {
        view.button(main_window()).click();
      } else {
        view.menu(main_window()).click();
      }
      EXPECT_TRUE(view.view().visible());
      EXPECT_FALSE(main_window().visible());
      EXPECT_EQ(current_view, view.code);
      EXPECT_EQ(poll_inhibit, view.clears_poll_inhibit ? kFalse : kTrue);

      press_close(view.view(), view.close_button);
      EXPECT_FALSE(view.view().visible());
      EXPECT_TRUE(main_window().visible());
      EXPECT_EQ(current_view, 0);
      EXPECT_EQ(pending_requests(), 0);
    }
  }
}

TEST_F(ViewNavigationTest, EditorViewsAreShownBeforeTheMainWindowHidesTheOthersAfter) {
  ShowRecorder recorder;
  ui::forms().set_observer(&recorder);
  for (const ViewCase& view : view_cases()) {
    SCOPED_TRACE(view.view_name);
    recorder.events.clear();
    view.menu(main_window()).click();
    const std::vector<std::string> expected =
        view.shown_before_main_hides
            ? std::vector<std::string>{"show " + std::string(view.view_name), "hide FrmEcu"}
            : std::vector<std::string>{"hide FrmEcu", "show " + std::string(view.view_name)};
    EXPECT_EQ(recorder.events, expected);
    press_close(view.view(), view.close_button);
  }
}

TEST_F(ViewNavigationTest, ExitMenuOfEveryViewReturnsToTheMainWindowWithoutARequest) {
  for (const ViewCase& view : view_cases()) {
    SCOPED_TRACE(view.view_name);
    view.menu(main_window()).click();
    auto* exit = dynamic_cast<ui::MenuItem*>(view.view().find_control(view.exit_menu));
    ASSERT_NE(exit, nullptr);
    exit->click();
    EXPECT_FALSE(view.view().visible());
    EXPECT_TRUE(main_window().visible());
    EXPECT_EQ(current_view, 0);
    EXPECT_EQ(pending_requests(), 0);
  }
}

TEST_F(ViewNavigationTest, EveryViewMenuRaisesExactlyItsRequestAndClosesTheView) {
  for (const ViewMenu& menus : view_menus()) {
    const ViewCase& view = case_of(menus.view_name);
    ASSERT_EQ(menus.entries.size(), 7U) << "one entry per other view";
    for (const auto& [menu_name, request] : menus.entries) {
      SCOPED_TRACE(std::string(menus.view_name) + "." + menu_name);
      ASSERT_NE(request, view.request) << "a view has no entry for itself";
      view.menu(main_window()).click();
      auto* item = dynamic_cast<ui::MenuItem*>(view.view().find_control(menu_name));
      ASSERT_NE(item, nullptr);
      item->click();
      EXPECT_EQ(*request, kTrue);
      EXPECT_EQ(pending_requests(), 1);
      EXPECT_EQ(current_view, 0);
      EXPECT_FALSE(view.view().visible());
      EXPECT_FALSE(view.view().unloaded()) << "a view menu only hides the window";
      EXPECT_TRUE(main_window().visible());
      *request = kFalse;
    }
  }
}

TEST_F(ViewNavigationTest, ClosingAViewThroughItsFrameGoesTheClosePathAndDiscardsTheWindow) {
  for (const ViewCase& view : view_cases()) {
    SCOPED_TRACE(view.view_name);
    view.menu(main_window()).click();
    ui::Form& shown = view.view();
    shown.request_close();
    EXPECT_TRUE(shown.unloaded());
    EXPECT_FALSE(shown.visible());
    EXPECT_EQ(current_view, 0);
    EXPECT_TRUE(main_window().visible());
  }
}

TEST_F(ViewNavigationTest, OnlyTheDashboardTakesOverTheViewBeforeItOpensTheLink) {
  const auto line = test::install_fake_serial_port();
  line->present_ports.clear();
  const std::pair<const ViewCase*, Integer> cases[] = {{&view_cases()[0], 0},
                                                       {&view_cases()[1], 6}};
  for (const auto& [view, view_while_opening] : cases) {
    SCOPED_TRACE(view->view_name);
    demo_mode = kFalse;
    Integer seen = -1;
    // The port cannot be opened: the choice dialog shows what the view number is meanwhile.
    ui::event_loop().post_user_input([&seen] {
      seen = current_view;
      frm_Dialog().dialog_button[1].click();
    });
    view->menu(main_window()).click();
    EXPECT_EQ(seen, view_while_opening);
    view->view().request_close();
  }
  set_serial_port_factory(nullptr);
}

TEST_F(ViewNavigationTest, MonitorCommandForcesEveryLabelToBeRewritten) {
  monitor_shown_text.fill("shown");
  main_window().Menu_View_Monitor.click();
  for (int i = 0; i < kMonitorEntries; ++i) {
    EXPECT_EQ(monitor_shown_text[static_cast<std::size_t>(i)], "xxox") << i;
  }
}

TEST_F(ViewNavigationTest, AboutKeepsTheCurrentViewAndTheMainWindowAndClearsPollInhibit) {
  current_view = 5;
  poll_inhibit = kTrue;
  main_window().menu_about.click();
  EXPECT_TRUE(frm_about().visible());
  EXPECT_TRUE(main_window().visible());
  EXPECT_EQ(current_view, 5);
  EXPECT_EQ(poll_inhibit, kFalse);
}

TEST_F(ViewNavigationTest, DiagnosticsWithPollInhibitSetLeavesTheMainPollIdle) {
  poll_inhibit = kTrue;
  main_window().menu_view_diagnostic.click();
  EXPECT_TRUE(frm_diagnostics().visible());
  EXPECT_EQ(poll_inhibit, kTrue);
  frm_diagnostics().view_menus.item(kMonitorView).click();
  main_poll_tick();
  EXPECT_EQ(view_request_mon, kTrue) << "the request waits while the poll is inhibited";
  EXPECT_EQ(current_view, 0);
  poll_inhibit = kFalse;
  main_poll_tick();
  EXPECT_EQ(view_request_mon, kFalse);
  EXPECT_EQ(current_view, 1);
}

TEST_F(ViewNavigationTest, ChoosingThePlotterFromTheMonitorIsServedByTheNextTick) {
  main_window().Menu_View_Monitor.click();
  frm_mon().view_menus.item(kPlotterView).click();
  EXPECT_EQ(view_request_plot, kTrue);
  EXPECT_EQ(current_view, 0);
  EXPECT_TRUE(main_window().visible());
  EXPECT_FALSE(frm_plotter.loaded());

  main_poll_tick();
  EXPECT_EQ(view_request_plot, kFalse);
  EXPECT_EQ(current_view, 4);
  EXPECT_TRUE(frm_plotter().visible());
  EXPECT_FALSE(main_window().visible());
}

TEST_F(ViewNavigationTest, PendingRequestsAreServedOnePerTickInTheFixedOrder) {
  for (Flag* request : all_requests()) *request = kTrue;
  std::vector<Integer> opened;
  for (int tick = 0; tick < 8; ++tick) {
    main_poll_tick();
    opened.push_back(current_view);
    EXPECT_EQ(pending_requests(), 7 - tick);
  }
  EXPECT_EQ(opened, (std::vector<Integer>{1, 6, 2, 3, 5, 7, 4, 8}));
}

TEST_F(ViewNavigationTest, LeavingThePlotterWhileItLogsOpensTheChosenViewAloneAfterTheHaltBox) {
  for (const auto& [menu_name, request] : view_menus()[6].entries) {
    SCOPED_TRACE(menu_name);
    const ViewCase& next =
        *std::find_if(view_cases().begin(), view_cases().end(),
                      [&](const ViewCase& view) { return view.request == request; });
    std::filesystem::remove("PLOTTER.CSV");
    main_window().menu_View_Plotter.click();
    frm_plotter().Command3d2.click();
    ASSERT_EQ(logging_active, 1);
    auto boxes = std::make_shared<PollingBehindBoxes>();
    ui::install_presenter(boxes);

    dynamic_cast<ui::MenuItem*>(frm_plotter().find_control(menu_name))->click();
    ASSERT_EQ(boxes->shown_messages.size(), 1U);
    EXPECT_EQ(boxes->shown_messages[0].text, "Logging will be halted prior to exit");
    EXPECT_EQ(boxes->shown_under_box[0], std::vector<std::string>{"frm_plotter"});
    EXPECT_EQ(*request, kTrue) << "asked for once the plotter has left";
    EXPECT_EQ(logging_active, 0);

    main_poll_tick();
    EXPECT_EQ(shown_windows(), std::vector<std::string>{next.view_name});
    EXPECT_EQ(current_view, next.code) << "the view the poll serves";
    press_close(next.view(), next.close_button);
    ui::install_presenter(nullptr);
  }
}

// The plotter logs and the user leaves it for the Monitor: the halt box comes up.
class LeavingThePlotterWhileItLogs : public ViewNavigationTest {
 protected:
  void SetUp() override {
    ViewNavigationTest::SetUp();
    std::filesystem::remove("PLOTTER.CSV");
    ui::install_presenter(boxes_);
  }
  void TearDown() override {
    ui::install_presenter(nullptr);
    ViewNavigationTest::TearDown();
  }
  void start_log() {
    frm_plotter().Command3d2.click();
    ASSERT_EQ(logging_active, 1);
  }
  void choose_the_monitor() {
    frm_plotter().view_menus.item(kMonitorView).click();
    ASSERT_EQ(boxes_->shown_messages.size(), 1U);
    EXPECT_EQ(boxes_->shown_messages[0].text, "Logging will be halted prior to exit");
  }
  PollingBehindBoxes& boxes() { return *boxes_; }

 private:
  std::shared_ptr<PollingBehindBoxes> boxes_ = std::make_shared<PollingBehindBoxes>();
};

// The request goes up only once the plotter is off the screen: a tick behind the box finds
// none to serve.
TEST_F(LeavingThePlotterWhileItLogs, NothingIsAskedForWhileTheHaltBoxIsUp) {
  main_window().menu_View_Plotter.click();
  start_log();
  choose_the_monitor();
  EXPECT_EQ(boxes().requests_under_box, std::vector<int>{0});
  EXPECT_EQ(view_request_mon, kTrue);
}

// Two views asked for, one served per tick: the plotter opened first and the diagnostics
// still wait when the user leaves the plotter. The tick behind the halt box must not open
// them under it (which would leave the plotter a second time, with a second box).
TEST_F(LeavingThePlotterWhileItLogs, AViewStillWaitingOpensOnlyAfterTheHaltBox) {
  view_request_plot = kTrue;
  view_request_diag = kTrue;
  main_poll_tick();
  ASSERT_TRUE(frm_plotter().visible());
  start_log();
  choose_the_monitor();
  EXPECT_EQ(boxes().shown_under_box, std::vector<std::vector<std::string>>{{"frm_plotter"}});
  EXPECT_EQ(pending_requests(), 2);
  main_poll_tick();
  EXPECT_EQ(shown_windows(), std::vector<std::string>{"frm_mon"});
  main_poll_tick();
  EXPECT_EQ(shown_windows(), std::vector<std::string>{"frm_diagnostics"});
  EXPECT_EQ(current_view, 8);
}

// A poll that falls due as the user answers the box (a request to a slow controller may
// take long) finds the plotter gone already.
TEST_F(LeavingThePlotterWhileItLogs, ThePlotterIsOffTheScreenBeforeThePollRunsAgain) {
  main_window().menu_View_Plotter.click();
  start_log();
  std::vector<std::string> shown_at_next_tick;
  test::TickForm poll([&] {
    if (shown_at_next_tick.empty()) shown_at_next_tick = shown_windows();
  });
  poll.tick.set_enabled(false);
  boxes().after_box = [&] {
    poll.tick.set_enabled(true);
    ui::clock().sleep_seconds(0.002);  // past the tick's 1 ms
  };
  choose_the_monitor();
  ui::do_events();
  EXPECT_EQ(shown_at_next_tick, std::vector<std::string>{"FrmEcu"});
}

TEST_F(ViewNavigationTest, AViewOpensOnlyOnceTheOneShownBeforeHasLeft) {
  // The main window stays on the screen while an editor reads as it opens; the user's click
  // there on another view closes the editor.
  for (const ViewCase& editor :
       {case_of("frm_tool"), case_of("frm_3d"), case_of("frm_2d"), case_of("frm_sup")}) {
    SCOPED_TRACE(editor.view_name);
    ui::event_loop().post_user_input([this] { main_window().Command3d4.click(); });
    editor.menu(main_window()).click();
    EXPECT_EQ(shown_windows(), std::vector<std::string>{"frm_mon"});
    EXPECT_EQ(current_view, 1);
    press_close(frm_mon(), "Command3d1");
  }
}

TEST_F(ViewNavigationTest, AViewChosenInTheMainWindowReplacesAnEarlierRequestStillWaiting) {
  // The poll is held, so the monitor asked for from the diagnostics menu waits.
  poll_inhibit = kTrue;
  main_window().menu_view_diagnostic.click();
  frm_diagnostics().view_menus.item(kMonitorView).click();
  ASSERT_EQ(view_request_mon, kTrue);
  main_window().Command1.click();
  main_poll_tick();
  EXPECT_EQ(shown_windows(), std::vector<std::string>{"frm_dashboard"});
  EXPECT_EQ(current_view, 6);
  EXPECT_EQ(pending_requests(), 0);
}

TEST_F(ViewNavigationTest, OnlyAFlagHoldingTrueCountsAsARequest) {
  view_request_dash = 1;
  main_poll_tick();
  EXPECT_EQ(current_view, 0);
  EXPECT_FALSE(frm_dashboard().visible());
}

}  // namespace
}  // namespace ecu
