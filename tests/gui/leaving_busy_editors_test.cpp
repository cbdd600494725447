// The real console on the offscreen platform against the simulated controller on a
// pseudo-terminal: an editor window left by each way out while it reads as it opens and
// while its Update writes. Input enters through the window system, as a user's does. Every
// way out takes the window off the screen at once and leaves a window to use: the main
// window, from which the next view opens and polls, or the view the window's menu chose.

#include <qpa/qwindowsysteminterface.h>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QWindow>
#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "config/frm_tool.hpp"
#include "gui_test.hpp"
#include "link/receive_framer.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/startup.hpp"
#include "shell/view_table.hpp"
#include "sim/simulated_controller.hpp"
#include "support/show_recorder.hpp"
#include "support/watched_ports.hpp"
#include "views/frm_dashboard.hpp"

namespace gui_test {
namespace {

constexpr int kLiveData = 'A';
constexpr int kMonitorFrame = 0x81;
constexpr int kChannelRuntime = 0xCF;
// What the poll sends, and the status reply that the view commands and the poll's first
// tick ask for besides the editors: none of it counts as an editor's read.
constexpr int kNotReads[] = {'C', kLiveData, kMonitorFrame, kChannelRuntime, 0xB3, 0xB4};
constexpr int kPatienceMs = 20000;

void set_cells(ui::Grid& grid, int cells, const char* text) {
  for (int i = 0; i < cells; ++i) grid.set_cell_text(1 + i % 9, 1 + i / 9, text);
}

// One editor: how it opens from the main window, its ways out and what its read and its
// Update send.
struct Editor {
  const char* name;
  ecu::Integer view;
  char view_key;  // the access key of its item in the main window's View menu
  ui::Form& (*window)();
  ui::CommandButton& (*exit_button)();
  ui::MenuItem& (*file_menu)();
  ui::MenuItem& (*file_exit)();
  ui::MenuItem& (*monitor_entry)();
  // Reads that go before the user closes the window during the opening read.
  int reads_before_close;
  // The requests of a whole opening read, 'C' not counted.
  int whole_read;
  // A close stops the read after the request under way; the dashboard's reads go on.
  bool close_stops_read;
  // Marks items for an Update, which then writes `writes` times with `write_codes`.
  void (*mark_items)();
  std::vector<int> write_codes;
  int writes;
  int writes_before_close;
  // Shown before the main window hides: the main window stays behind it while it reads.
  bool main_window_behind_read;
};

const std::vector<Editor>& editors() {
  using ecu::frm_2d, ecu::frm_3d, ecu::frm_dashboard, ecu::frm_sup, ecu::frm_tool;
  static const std::vector<Editor> rows{
      {.name = "BasicMapping",
       .view = ecu::kBasicMappingView,
       .view_key = 'b',
       .window = []() -> ui::Form& { return frm_3d(); },
       .exit_button = []() -> ui::CommandButton& { return frm_3d().Command3d1; },
       .file_menu = []() -> ui::MenuItem& { return frm_3d().menufile; },
       .file_exit = []() -> ui::MenuItem& { return frm_3d().menufileexit; },
       .monitor_entry = []() -> ui::MenuItem& {
         return frm_3d().view_menus.item(ecu::kMonitorView);
       },
       .reads_before_close = 2,
       .whole_read = 34,  // 'B', 'Z', 32 blocks of the four maps
       .close_stops_read = true,
       .mark_items = [] { set_cells(frm_3d().inj_map, 40, "1.234"); },
       .write_codes = {'e'},
       .writes = 40,
       .writes_before_close = 5,
       .main_window_behind_read = true},
      {.name = "AdditionalMapping",
       .view = ecu::kAdditionalMappingView,
       .view_key = 'a',
       .window = []() -> ui::Form& { return frm_2d(); },
       .exit_button = []() -> ui::CommandButton& { return frm_2d().Command3d1; },
       .file_menu = []() -> ui::MenuItem& { return frm_2d().menufile; },
       .file_exit = []() -> ui::MenuItem& { return frm_2d().menufileexit; },
       .monitor_entry = []() -> ui::MenuItem& {
         return frm_2d().view_menus.item(ecu::kMonitorView);
       },
       .reads_before_close = 2,
       .whole_read = 17,  // 14 curves, 3 blocks of the lambda table
       .close_stops_read = true,
       .mark_items = [] { set_cells(frm_2d().lambda_sp_table, 40, "1.5"); },
       .write_codes = {'e'},
       .writes = 40,
       .writes_before_close = 5,
       .main_window_behind_read = true},
      {.name = "GpoDriver",
       .view = ecu::kOutputDriverView,
       .view_key = 'g',
       .window = []() -> ui::Form& { return frm_sup(); },
       .exit_button = []() -> ui::CommandButton& { return frm_sup().Command3d1; },
       .file_menu = []() -> ui::MenuItem& { return frm_sup().menufile; },
       .file_exit = []() -> ui::MenuItem& { return frm_sup().menufileexit; },
       .monitor_entry = []() -> ui::MenuItem& {
         return frm_sup().view_menus.item(ecu::kMonitorView);
       },
       .reads_before_close = 2,
       .whole_read = 28,  // 3 settings, 8 tables of 3 blocks, the boost flags
       .close_stops_read = true,
       .mark_items = [] { set_cells(frm_sup().table_grid(0), 40, "50.0"); },
       .write_codes = {'e'},
       .writes = 40,
       .writes_before_close = 5,
       .main_window_behind_read = true},
      {.name = "Configuration",
       .view = ecu::kConfigurationView,
       .view_key = 'c',
       .window = []() -> ui::Form& { return frm_tool(); },
       .exit_button = []() -> ui::CommandButton& { return frm_tool().Command3d2; },
       .file_menu = []() -> ui::MenuItem& { return frm_tool().menufile; },
       .file_exit = []() -> ui::MenuItem& { return frm_tool().menufileexit; },
       .monitor_entry = []() -> ui::MenuItem& {
         return frm_tool().view_menus.item(ecu::kMonitorView);
       },
       .reads_before_close = 2,
       .whole_read = 67,  // the 68 of its first activation but its 'C'
       .close_stops_read = true,
       .mark_items =
           [] {
             for (int k = 0; k < ecu::FrmToolForm::kSensorPoints; ++k) {
               frm_tool().CLT_CAL_MAP[k].set_text("7");
               frm_tool().MAT_CAL_MAP[k].set_text("9");
             }
           },
       .write_codes = {'e'},
       .writes = 18,
       .writes_before_close = 5,
       .main_window_behind_read = true},
      // The dashboard's reads come after a short wait: the user closes it then.
      {.name = "Dashboard",
       .view = ecu::kDashboardView,
       .view_key = 'd',
       .window = []() -> ui::Form& { return frm_dashboard(); },
       .exit_button = []() -> ui::CommandButton& { return frm_dashboard().Command1; },
       .file_menu = []() -> ui::MenuItem& { return frm_dashboard().menu_file; },
       .file_exit = []() -> ui::MenuItem& { return frm_dashboard().menu_file_exit; },
       .monitor_entry = []() -> ui::MenuItem& {
         return frm_dashboard().view_menus.item(ecu::kMonitorView);
       },
       .reads_before_close = 0,
       .whole_read = 2,  // the base timing offset and the fuel settings
       .close_stops_read = false,
       .mark_items =
           [] {
             frm_dashboard().ecu_pgm[0].set_text("10.2");
             frm_dashboard().ecu_pgm[1].set_text("-0.5");
             frm_dashboard().base_offset_deg.set_text("-8.25");
           },
       .write_codes = {'m', 'o', 0xA4},
       .writes = 3,
       .writes_before_close = 0,
       .main_window_behind_read = false},
  };
  return rows;
}

// The window's own ways out, and the Monitor button of the main window behind it.
enum class Route { exit_button, frame_close, file_exit, view_menu, main_window_monitor };
enum class Phase { opening_read, update };

struct Case {
  std::size_t editor;
  Route route;
  Phase phase;
};

std::vector<Case> all_cases() {
  std::vector<Case> cases;
  for (std::size_t editor = 0; editor < editors().size(); ++editor) {
    for (const Route route : {Route::exit_button, Route::frame_close, Route::file_exit,
                              Route::view_menu, Route::main_window_monitor}) {
      for (const Phase phase : {Phase::opening_read, Phase::update}) {
        // The main window is on the screen only while a window shown before it hides reads.
        const bool main_window_shown =
            phase == Phase::opening_read && editors()[editor].main_window_behind_read;
        if (route == Route::main_window_monitor && !main_window_shown) continue;
        cases.push_back({editor, route, phase});
      }
    }
  }
  return cases;
}

std::string name_of(const Case& test_case);

// Names the case in failure messages.
void PrintTo(const Case& test_case, std::ostream* out) {
  *out << name_of(test_case);
}

std::string case_name(const ::testing::TestParamInfo<Case>& info) {
  return name_of(info.param);
}

std::string name_of(const Case& test_case) {
  const char* const routes[] = {"ExitButton", "CloseBoxOrAltF4", "FileExit", "ViewMenu",
                                "MainWindowsMonitorButton"};
  return std::string(editors()[test_case.editor].name) + "_" +
         routes[static_cast<int>(test_case.route)] +
         (test_case.phase == Phase::opening_read ? "_DuringItsOpeningRead" : "_DuringItsUpdate");
}

void post_key(QWindow* window, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text) {
  for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
    QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window, type, key, modifiers, text);
  }
}

void post_click(QWindow* window, QPoint at) {
  for (const auto buttons : {Qt::LeftButton, Qt::NoButton}) {
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window, at, window->mapToGlobal(at), buttons, Qt::LeftButton,
        buttons == Qt::NoButton ? QEvent::MouseButtonRelease : QEvent::MouseButtonPress);
  }
}

class LeavingABusyEditorTest : public GuiTest, public ::testing::WithParamInterface<Case> {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    lay_down_start_up_files("ECU System Console\r\nLink build\r\n");
    test::use_system_serial_port();
    ecu::reset_receive_framer();
    // Its feature word and version are the ones this console was built for: no warning.
    controller_ = std::make_unique<sim::SimulatedController>(1);
    // Answers a little late, as a controller does, so that the few requests of the
    // dashboard leave the user time to act while they go.
    controller_->set_reply_delay(0.02);
  }

  void TearDown() override {
    test::use_system_serial_port();
    controller_.reset();
    GuiTest::TearDown();
    ecu::console_command_line.clear();
  }

  static bool wait_for(const std::function<bool()>& condition) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
      if (elapsed.elapsed() > kPatienceMs) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
  }

  [[nodiscard]] std::vector<int> codes_since(std::size_t from) const {
    std::vector<int> codes;
    const std::vector<std::string> frames = controller_->request_frames();
    for (std::size_t i = from; i < frames.size(); ++i) {
      codes.push_back(static_cast<unsigned char>(frames[i].at(2)));
    }
    return codes;
  }
  [[nodiscard]] int reads_since(std::size_t from) const {
    return static_cast<int>(std::ranges::count_if(codes_since(from), [](int code) {
      return std::ranges::find(kNotReads, code) == std::end(kNotReads);
    }));
  }
  [[nodiscard]] int writes_since(std::size_t from, const std::vector<int>& write_codes) const {
    return static_cast<int>(std::ranges::count_if(codes_since(from), [&](int code) {
      return std::ranges::find(write_codes, code) != write_codes.end();
    }));
  }

  // The editor's row in the view table, whose window is asked for without loading it.
  static const ecu::ViewRow& row_of(const Editor& editor) { return *ecu::find_view(editor.view); }
  QWindow* handle_of(const ui::Form& form) { return window_of(form).windowHandle(); }
  QPoint centre_of(const ui::Form& form, const ui::Control& control) {
    QWidget* widget = window_of(form).widget_for(control);
    return widget->mapTo(widget->window(), widget->rect().center());
  }
  QPoint menu_title_of(const ui::Form& form, const ui::MenuItem& item) {
    QMenuBar* bar = window_of(form).menuBar();
    return bar->mapTo(bar->window(),
                      bar->actionGeometry(window_of(form).action_for(item)).center());
  }

  // Chooses the editor in the main window's View menu by its keys.
  void choose_in_view_menu(const Editor& editor) {
    QWindow* main_window = handle_of(ecu::FrmEcu());
    post_key(main_window, Qt::Key_V, Qt::AltModifier, QStringLiteral("v"));
    ASSERT_TRUE(wait_for([] { return QApplication::activePopupWidget() != nullptr; }));
    const QChar key(editor.view_key);
    post_key(QApplication::activePopupWidget()->windowHandle(),
             static_cast<Qt::Key>(key.toUpper().unicode()), {}, QString(key));
  }

  // The user's steps for one way out, the first once `ready` holds.
  std::vector<UserScript::Step> way_out(const Editor& editor, Route route,
                                        const std::function<bool()>& ready) {
    const auto form = [&editor]() -> ui::Form& { return editor.window(); };
    switch (route) {
      case Route::exit_button:
        return {{ready, [=, this] {
                   post_click(handle_of(form()), centre_of(form(), editor.exit_button()));
                 }}};
      case Route::frame_close:
        // The close box and Alt+F4 reach the console alike, as the window system's close.
        return {{ready, [=, this] {
                   QWindowSystemInterface::handleCloseEvent<
                       QWindowSystemInterface::AsynchronousDelivery>(handle_of(form()));
                 }}};
      case Route::file_exit:
        return {{ready,
                 [=, this] {
                   post_click(handle_of(form()), menu_title_of(form(), editor.file_menu()));
                 }},
                {[] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; },
                 [=, this] {
                   auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                   QAction* exit = window_of(form()).action_for(editor.file_exit());
                   post_click(menu->windowHandle(), menu->actionGeometry(exit).center());
                 }}};
      case Route::view_menu:
        return {{ready, [=, this] {
                   post_click(handle_of(form()), menu_title_of(form(), editor.monitor_entry()));
                 }}};
      case Route::main_window_monitor:
        return {{ready, [this] {
                   post_click(handle_of(ecu::FrmEcu()),
                              centre_of(ecu::FrmEcu(), ecu::FrmEcu().Command3d4));
                 }}};
    }
    return {};
  }

  // The Monitor alone on the screen, sending its requests tick after tick.
  bool monitor_polls(std::size_t from) {
    return wait_for([&] { return std::ranges::count(codes_since(from), kChannelRuntime) >= 3; }) &&
           test::shown_windows() == std::vector<std::string>{"frm_mon"} &&
           ecu::current_view == ecu::kMonitorView;
  }

  std::unique_ptr<sim::SimulatedController> controller_;
};

TEST_P(LeavingABusyEditorTest, TakesTheWindowOffAtOnceAndLeavesAWindowThatPolls) {
  const Case& test_case = GetParam();
  const Editor& editor = editors()[test_case.editor];
  const ecu::ViewRow& row = row_of(editor);
  ecu::start_console("");
  process_qt_events();
  gui::FormWindow& main_window = window_of(ecu::FrmEcu());
  ASSERT_TRUE(wait_for([&] { return main_window.isActiveWindow(); }));

  std::size_t from = controller_->request_count();
  int done_at_hide = -1;  // reads or writes, by the phase
  std::vector<UserScript::Step> steps;
  if (test_case.phase == Phase::opening_read) {
    choose_in_view_menu(editor);
    steps = way_out(editor, test_case.route, [&] {
      return row.window_shown() && ecu::poll_inhibit == ecu::kTrue &&
             reads_since(from) >= editor.reads_before_close;
    });
  } else {
    choose_in_view_menu(editor);
    ASSERT_TRUE(wait_for([&] {
      return row.window_shown() && !main_window.isVisible() && ecu::poll_inhibit == ecu::kFalse;
    }));
    // Left alone, the opening read is whole: the cases that close during it are measured
    // against this count.
    ASSERT_EQ(reads_since(from), editor.whole_read);
    editor.mark_items();
    from = controller_->request_count();
    steps = way_out(editor, test_case.route, [&] {
      return ecu::poll_inhibit == ecu::kTrue &&
             writes_since(from, editor.write_codes) >= editor.writes_before_close;
    });
    steps.insert(steps.begin(), {{}, [&] {
                                   post_key(handle_of(editor.window()), Qt::Key_U, Qt::AltModifier,
                                            QStringLiteral("u"));
                                 }});
  }
  steps.push_back({[&] { return !row.window_shown() && !window_of(editor.window()).isVisible(); },
                   [&] {
                     done_at_hide = test_case.phase == Phase::opening_read
                                        ? reads_since(from)
                                        : writes_since(from, editor.write_codes);
                   }});
  const UserScript user(steps);
  ASSERT_TRUE(wait_for([&] { return user.finished(); })) << user.steps_taken() << " steps taken";
  // Here no handler runs: the view command, the read or the Update has ended.
  ASSERT_TRUE(wait_for([] { return ecu::poll_inhibit == ecu::kFalse; }));

  // The File menu takes two clicks, each run between two requests: the dashboard's two
  // reads or three writes are over by then.
  const bool outlasts_route =
      test_case.route != Route::file_exit || editor.view != ecu::kDashboardView;
  if (test_case.phase == Phase::opening_read) {
    if (outlasts_route) {
      EXPECT_LT(done_at_hide, editor.whole_read) << "off the screen while it read";
    }
    if (editor.close_stops_read) {
      EXPECT_LE(reads_since(from), done_at_hide + 1) << "stopped after the request under way";
    } else {
      EXPECT_EQ(reads_since(from), editor.whole_read);
    }
  } else {
    if (outlasts_route) {
      EXPECT_LT(done_at_hide, editor.writes) << "off the screen while it wrote";
    }
    EXPECT_TRUE(wait_for([&] { return writes_since(from, editor.write_codes) == editor.writes; }))
        << writes_since(from, editor.write_codes) << " writes";
  }

  const std::size_t after_close = controller_->request_count();
  const bool to_the_monitor =
      test_case.route == Route::view_menu || test_case.route == Route::main_window_monitor;
  if (!to_the_monitor) {
    EXPECT_EQ(test::shown_windows(), std::vector<std::string>{"FrmEcu"});
    EXPECT_EQ(ecu::current_view, 0);
    // The main window is there to use: the next view opens from it and polls.
    post_click(main_window.windowHandle(), centre_of(ecu::FrmEcu(), ecu::FrmEcu().Command3d4));
  }
  EXPECT_TRUE(monitor_polls(after_close)) << testing::PrintToString(test::shown_windows());
}

INSTANTIATE_TEST_SUITE_P(EveryEditorRouteAndPhase, LeavingABusyEditorTest,
                         ::testing::ValuesIn(all_cases()), case_name);

}  // namespace
}  // namespace gui_test
