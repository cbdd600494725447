// The real console on the offscreen platform, talking over a pseudo-terminal to the
// simulated controller: started as the program starts it without "demo", driven only
// through its Qt widgets, and checked on what its windows show and what went over the wire.

#include <qpa/qwindowsysteminterface.h>
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <qpa/qwindowsysteminterface.h>
#include <unistd.h>

#include "decode/setting_replies.hpp"
#include "gui_test.hpp"
#include "link/comm_port.hpp"
#include "link/receive_framer.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_dialog.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/frm_wait.hpp"
#include "shell/live_cursors.hpp"
#include "shell/main_poll_loop.hpp"
#include "shell/startup.hpp"
#include "sim/controller_replies.hpp"
#include "sim/simulated_controller.hpp"
#include "support/show_recorder.hpp"
#include "support/watched_ports.hpp"
#include "ui/random.hpp"
#include "views/frm_dashboard.hpp"
#include "views/frm_mon.hpp"
#include "views/frm_plotter.hpp"
#include "views/monitor_display.hpp"

namespace gui_test {
namespace {

using Codes = std::vector<int>;

constexpr int kBaseConfig = 'C';
constexpr int kLiveData = 'A';
constexpr int kMonitorFrame = 0x81;
constexpr int kChannelRuntime = 0xCF;
constexpr int kFeatureWord = 0xB3;
constexpr int kFeatureVersion = 0xB4;
constexpr std::size_t kFrameLength = 8;

// Real time the monitor runs before it is looked at: some thirty 50 ms ticks.
constexpr int kMonitorRunMs = 1500;
// Long enough for any tick in flight to end and several more to pass.
constexpr int kQuietCheckMs = 300;
// Waiting for a condition: generous, so that a loaded machine only makes the test slower.
constexpr int kPatienceMs = 20000;

// The engine the simulated controller reports, in its own units.
sim::LiveData engine_report() {
  sim::LiveData live;
  live.rpm = 3250;
  live.coolant = static_cast<std::uint8_t>(-12);  // signed: a cold morning
  live.battery = 200;                             // 20 V full scale
  live.map_quarter_kpa = 404;
  return live;
}

std::string word_payload(unsigned value) {
  return {static_cast<char>(value & 0xFFU), static_cast<char>((value >> 8) & 0xFFU)};
}

std::string fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// What the monitor should show for the report, from the live-data scaling: rpm as received,
// coolant a signed byte in degrees, battery v / 255 x 20 volts, pressure v / 4 kPa.
struct ExpectedMonitor {
  int entry;
  std::string text;
};

std::vector<ExpectedMonitor> expected_monitor_texts(const sim::LiveData& live) {
  return {
      {0, std::to_string(live.rpm)},
      {2, std::to_string(static_cast<std::int8_t>(live.coolant))},
      {4, fixed(live.map_quarter_kpa / 4.0, 1)},
      {10, fixed(live.battery / 255.0 * 20.0, 2)},
  };
}

Codes codes_of(const std::vector<std::string>& frames, std::size_t from = 0) {
  Codes codes;
  for (std::size_t i = from; i < frames.size(); ++i) {
    codes.push_back(static_cast<unsigned char>(frames[i].at(2)));
  }
  return codes;
}

// A reply late beyond the time-out on a loaded machine makes the console send the same
// request again; for the order of the requests such a retry counts once.
Codes without_retries(const std::vector<std::string>& frames) {
  std::vector<std::string> distinct;
  for (const std::string& frame : frames) {
    if (distinct.empty() || distinct.back() != frame) distinct.push_back(frame);
  }
  return codes_of(distinct);
}

// Hands a key with its modifiers to the window system, to be delivered with its events.
void post_key(QWindow* window, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text) {
  for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
    QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window, type, key, modifiers, text);
  }
}

std::string shown_text(gui::FormWindow& window, const ui::Control& control) {
  const auto* label = dynamic_cast<const QLabel*>(window.widget_for(control));
  return label ? label->text().toStdString() : std::string("<no label>");
}

class ConsoleLinkEndToEndTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    lay_down_start_up_files("ECU System Console\r\nLink build\r\n");

    // The real serial port, on the controller's pseudo-terminal (ECU_COM1), with a framer
    // that holds nothing from an earlier test.
    test::use_system_serial_port();
    ecu::reset_receive_framer();
    controller_ = std::make_unique<sim::SimulatedController>(1);
    controller_->set_reply_payload(kLiveData, sim::live_data_payload(engine_report()));
    // A controller of the feature version this console was built for: no warning.
    controller_->set_reply_payload(kFeatureWord, word_payload(0x3F88));
    controller_->set_reply_payload(
        kFeatureVersion, word_payload(static_cast<unsigned>(ecu::kConsoleFeatureVersion)));
  }

  void TearDown() override {
    dialog_watch_.reset();
    // The port closes before the controller behind it goes away.
    test::use_system_serial_port();
    controller_.reset();
    GuiTest::TearDown();
    ecu::console_command_line.clear();
  }

  sim::SimulatedController& controller() { return *controller_; }

  // Starts the console as the program does with an empty command line.
  gui::FormWindow& start_console() {
    ecu::start_console("");
    process_qt_events();
    return window_of(ecu::FrmEcu());
  }

  gui::FormWindow& open_monitor_from_view_menu(gui::FormWindow& main_window) {
    QAction* action = main_window.action_for(ecu::FrmEcu().Menu_View_Monitor);
    if (action == nullptr) throw std::logic_error("no action for the monitor menu item");
    action->trigger();
    return window_of(ecu::frm_mon());
  }

  static void close_monitor(gui::FormWindow& monitor_window) {
    auto* exit_button =
        dynamic_cast<QAbstractButton*>(monitor_window.widget_for(ecu::frm_mon().Command3d1));
    ASSERT_NE(exit_button, nullptr);
    QTest::mouseClick(exit_button, Qt::LeftButton);
  }

  // Lets Qt's loop, and with it the model's timers and the link, run for a while.
  static void run_for(int milliseconds) { QTest::qWait(milliseconds); }

  static bool wait_for(const std::function<bool()>& condition, int timeout_ms = kPatienceMs) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
      if (elapsed.elapsed() > timeout_ms) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
  }

  bool wait_for_request_count(std::size_t count) {
    return wait_for([&] { return controller().request_count() >= count; });
  }

  // What the failure dialog showed when it came up, and whether its Demo button was found.
  struct FailureDialogSeen {
    bool shown = false;
    std::size_t requests_by_then = 0;
    std::string title;
    std::string message;
    std::vector<std::string> buttons;  // the visible ones, left to right
    bool demo_clicked = false;
  };

  // Watches from Qt's loop, the dialog's own loop included, for the failure dialog; notes
  // what it shows and answers it with its "Demo" button, as a user would.
  void answer_failure_dialog_with_demo(FailureDialogSeen& seen) {
    dialog_watch_ = std::make_unique<QTimer>();
    dialog_watch_->setInterval(10);
    QObject::connect(dialog_watch_.get(), &QTimer::timeout, [this, &seen] {
      ecu::FrmDialogForm* dialog = ecu::frm_Dialog.if_loaded();
      gui::FormWindow* window = dialog ? front_end().window_for(*dialog) : nullptr;
      if (window == nullptr || !window->isVisible()) return;
      dialog_watch_->stop();
      seen.shown = true;
      seen.requests_by_then = controller().request_count();
      seen.title = window->windowTitle().toStdString();
      seen.message = shown_text(*window, dialog->dialog_caption);
      QAbstractButton* demo = nullptr;
      for (int i = 0; i < dialog->dialog_button.count(); ++i) {
        auto* button = dynamic_cast<QAbstractButton*>(window->widget_for(dialog->dialog_button[i]));
        if (button == nullptr || !button->isVisible()) continue;
        seen.buttons.push_back(button->text().toStdString());
        if (button->text() == QStringLiteral("Demo")) demo = button;
      }
      // Even a dialog that looks wrong is answered, so that its loop ends and the test with it.
      if (demo == nullptr) {
        dialog->dialog_button_Click(1);
        return;
      }
      QTest::mouseClick(demo, Qt::LeftButton);
      seen.demo_clicked = true;
    });
    dialog_watch_->start();
  }

 private:
  std::unique_ptr<sim::SimulatedController> controller_;
  std::unique_ptr<QTimer> dialog_watch_;
};

TEST_F(ConsoleLinkEndToEndTest, MonitorPollsTheControllerShowsItsValuesAndStopsWhenClosed) {
  gui::FormWindow& main_window = start_console();
  ASSERT_TRUE(main_window.isVisible());
  EXPECT_EQ(controller().request_count(), 0U) << "nothing goes out before a view is opened";

  gui::FormWindow& monitor = open_monitor_from_view_menu(main_window);
  ASSERT_TRUE(wait_for([&] { return monitor.isVisible(); }));
  EXPECT_FALSE(main_window.isVisible());
  run_for(kMonitorRunMs);

  EXPECT_TRUE(main_window.windowTitle().endsWith(QStringLiteral(" ->COM1")))
      << main_window.windowTitle().toStdString();
  EXPECT_TRUE(wait_for([&] { return monitor.windowTitle() == "Real Time Monitor ->COM1"; }))
      << monitor.windowTitle().toStdString();

  // At least three full monitor cycles after the start-up requests.
  ASSERT_TRUE(wait_for([&] { return without_retries(controller().request_frames()).size() >= 12; }))
      << controller().request_count() << " requests";
  const Codes codes = without_retries(controller().request_frames());
  // The status once; the feature requests once, since the simulator answers the first;
  // then the monitor's three requests, tick after tick.
  const Codes first{kBaseConfig,     kFeatureWord, kFeatureVersion, kLiveData,      kMonitorFrame,
                    kChannelRuntime, kLiveData,    kMonitorFrame,   kChannelRuntime};
  EXPECT_EQ(Codes(codes.begin(), codes.begin() + static_cast<std::ptrdiff_t>(first.size())), first);
  const Codes cycle{kLiveData, kMonitorFrame, kChannelRuntime};
  for (std::size_t i = 3; i < codes.size(); ++i) {
    EXPECT_EQ(codes[i], cycle[(i - 3) % cycle.size()]) << "request " << i;
  }
  EXPECT_EQ(std::count(codes.begin(), codes.end(), kBaseConfig), 1);
  // Every byte on the wire belonged to a well-formed request.
  EXPECT_EQ(controller().bad_request_count(), 0U);
  EXPECT_EQ(controller().received_bytes().size(), kFrameLength * controller().request_count());

  const std::vector<ExpectedMonitor> expected = expected_monitor_texts(engine_report());
  // The rpm is filtered, so it settles over a few replies.
  const auto all_shown = [&] {
    for (const ExpectedMonitor& value : expected) {
      if (shown_text(monitor, ecu::frm_mon().ECU_Data[value.entry]) != value.text) return false;
    }
    return true;
  };
  EXPECT_TRUE(wait_for(all_shown));
  for (const ExpectedMonitor& value : expected) {
    EXPECT_EQ(shown_text(monitor, ecu::frm_mon().ECU_Data[value.entry]), value.text)
        << "ECU_Data(" << value.entry << ")";
  }
  QWidget* demo_label = monitor.widget_for(ecu::frm_mon().show_demo_mode);
  ASSERT_NE(demo_label, nullptr);
  EXPECT_FALSE(demo_label->isVisible());
  EXPECT_TRUE(presenter().shown_messages.empty())
      << "message box: " << presenter().shown_messages.front().text;

  close_monitor(monitor);
  ASSERT_TRUE(wait_for([&] { return main_window.isVisible(); }));
  EXPECT_FALSE(monitor.isVisible());
  EXPECT_EQ(ecu::current_view, 0);
  // With no view the main loop sends nothing.
  const std::size_t bytes_at_close = controller().received_bytes().size();
  run_for(kQuietCheckMs);
  EXPECT_EQ(controller().received_bytes().size(), bytes_at_close);

  // The timers still run: the monitor opened again resumes its requests, without a second
  // status request.
  const std::size_t requests_at_reopen = controller().request_count();
  auto* shortcut = dynamic_cast<QAbstractButton*>(main_window.widget_for(ecu::FrmEcu().Command3d4));
  ASSERT_NE(shortcut, nullptr);
  QTest::mouseClick(shortcut, Qt::LeftButton);
  ASSERT_TRUE(wait_for_request_count(requests_at_reopen + 3));
  EXPECT_EQ(codes_of(controller().request_frames(), requests_at_reopen).front(), kLiveData);
  close_monitor(monitor);
  ASSERT_TRUE(wait_for([&] { return main_window.isVisible(); }));
  EXPECT_FALSE(program_ended());
}

TEST_F(ConsoleLinkEndToEndTest, SilentControllerBringsFailureDialogWhoseDemoKeepsMonitorRunning) {
  gui::FormWindow& main_window = start_console();
  gui::FormWindow& monitor = open_monitor_from_view_menu(main_window);
  ASSERT_TRUE(wait_for([&] { return monitor.isVisible(); }));
  const std::string live_rpm = std::to_string(engine_report().rpm);
  ASSERT_TRUE(
      wait_for([&] { return shown_text(monitor, ecu::frm_mon().ECU_Data[0]) == live_rpm; }));

  // Test code runs between ticks, never inside a transaction: the next request is the
  // first one the controller leaves unanswered.
  const std::size_t requests_before = controller().request_count();
  FailureDialogSeen seen;
  answer_failure_dialog_with_demo(seen);
  controller().set_misbehaviour(sim::Misbehaviour::silent);

  QWidget* demo_label = monitor.widget_for(ecu::frm_mon().show_demo_mode);
  ASSERT_NE(demo_label, nullptr);
  ASSERT_TRUE(wait_for([&] { return seen.shown && demo_label->isVisible(); }))
      << (seen.shown ? "the demo label stayed hidden" : "no failure dialog came");

  EXPECT_EQ(seen.title, "Warning!");
  EXPECT_EQ(seen.message, "Communications has failed, Run Demo mode?");
  EXPECT_EQ(seen.buttons, (std::vector<std::string>{"Try Again", "Demo", "Abort", "Terminate"}));
  EXPECT_TRUE(seen.demo_clicked);
  // Ten attempts of the same request, then the question.
  const std::vector<std::string> frames = controller().request_frames();
  ASSERT_EQ(seen.requests_by_then, requests_before + 10);
  for (std::size_t i = requests_before; i < seen.requests_by_then; ++i) {
    EXPECT_EQ(frames[i], frames[requests_before]) << "attempt " << i - requests_before + 1;
  }
  EXPECT_EQ(codes_of(frames, requests_before).front(), kLiveData);

  gui::FormWindow& dialog = window_of(ecu::frm_Dialog());
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(ecu::demo_mode, ecu::kTrue);
  EXPECT_TRUE(monitor.isVisible());

  // Demo values keep coming, and nothing more goes to the controller.
  const std::string shown_rpm = shown_text(monitor, ecu::frm_mon().ECU_Data[0]);
  EXPECT_TRUE(wait_for([&] {
    return shown_text(monitor, ecu::frm_mon().ECU_Data[0]) != shown_rpm;
  })) << "the monitor stopped at "
      << shown_rpm;
  EXPECT_EQ(controller().request_count(), seen.requests_by_then);
  EXPECT_TRUE(presenter().shown_messages.empty())
      << "message box: " << presenter().shown_messages.front().text;

  close_monitor(monitor);
  EXPECT_TRUE(wait_for([&] { return main_window.isVisible(); }));
  EXPECT_FALSE(program_ended());
}

// The dashboard opened from the main window's View menu by keys, and Alt+U pressed again and
// again while it reads its settings: nothing is written, as nothing was read or typed yet.
// Once it has read them, the same key writes what the user types.
TEST_F(ConsoleLinkEndToEndTest, AltUWhileTheDashboardOpensWritesNothing) {
  gui::FormWindow& main_window = start_console();
  ASSERT_TRUE(wait_for([&] { return main_window.isActiveWindow(); }));
  post_key(main_window.windowHandle(), Qt::Key_V, Qt::AltModifier, QStringLiteral("v"));
  ASSERT_TRUE(wait_for([] { return QApplication::activePopupWidget() != nullptr; }));

  int presses_while_reading = 0;
  QTimer user;
  user.setInterval(10);
  QObject::connect(&user, &QTimer::timeout, [&] {
    ecu::FrmDashboardForm* dashboard = ecu::frm_dashboard.if_loaded();
    gui::FormWindow* window = dashboard ? front_end().window_for(*dashboard) : nullptr;
    // The poll is held from the dashboard's first moment to the end of its reads.
    if (window == nullptr || !window->isVisible() || ecu::poll_inhibit != ecu::kTrue) return;
    post_key(window->windowHandle(), Qt::Key_U, Qt::AltModifier, QStringLiteral("u"));
    ++presses_while_reading;
  });
  user.start();
  post_key(QApplication::activePopupWidget()->windowHandle(), Qt::Key_D, {}, QStringLiteral("d"));
  const auto read = [this] {
    const Codes codes = codes_of(controller().request_frames());
    return std::find(codes.begin(), codes.end(), 'B') != codes.end();
  };
  ASSERT_TRUE(wait_for([&] { return read() && ecu::poll_inhibit == ecu::kFalse; }));
  user.stop();
  run_for(kQuietCheckMs);
  EXPECT_GT(presses_while_reading, 2);
  const auto writes = [this] {
    int count = 0;
    for (const int code : codes_of(controller().request_frames())) {
      count += code == 'm' || code == 'o' || code == 0xA4;
    }
    return count;
  };
  EXPECT_EQ(writes(), 0);

  ecu::FrmDashboardForm& dashboard = ecu::frm_dashboard();
  dashboard.ecu_pgm[0].set_text("10.2");
  post_key(window_of(dashboard).windowHandle(), Qt::Key_U, Qt::AltModifier, QStringLiteral("u"));
  EXPECT_TRUE(wait_for([&] { return writes() == 1; }));
  EXPECT_EQ(dashboard.ecu_pgm[0].back_colour(), ui::colours::white);
}

TEST_F(ConsoleLinkEndToEndTest, LeavingThePlotterWhileItLogsOpensTheMonitorAloneAfterTheHaltBox) {
  restart_front_end(gui::FrontEnd::Dialogs::qt);
  gui::FormWindow& main_window = start_console();
  main_window.action_for(ecu::FrmEcu().menu_View_Plotter)->trigger();
  gui::FormWindow& plotter = window_of(ecu::frm_plotter());
  ASSERT_TRUE(wait_for([&] { return plotter.isActiveWindow() && !ecu::poll_inhibit; }));
  QWidget* start_log = plotter.widget_for(ecu::frm_plotter().Command3d2);
  QTest::mouseClick(plotter.windowHandle(), Qt::LeftButton, {},
                    start_log->mapTo(&plotter, start_log->rect().center()));
  ASSERT_TRUE(wait_for([] { return ecu::logging_active == 1; }));

  // Timer1 ticks behind the box; the Monitor must not open under it.
  std::string box_text;
  std::vector<std::string> shown_under_box;
  when_shown<QMessageBox>([&](QMessageBox& box) {
    box_text = box.text().toStdString();
    QTest::qWait(kQuietCheckMs);
    shown_under_box = test::shown_windows();
    for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
      QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
          box.windowHandle(), type, Qt::Key_Return, {}, QStringLiteral("\r"));
    }
    // A box that took no key still ends, so that the test reports it instead of hanging.
    QTimer::singleShot(kQuietCheckMs * 10, &box, [&box, &box_text] {
      box_text += " (took no key)";
      box.done(QMessageBox::Ok);
    });
  });
  QTest::keyClick(plotter.windowHandle(), Qt::Key_M, Qt::AltModifier);
  EXPECT_TRUE(wait_for([] { return ecu::current_view == ecu::kMonitorView; }))
      << "the Monitor is the view the poll serves";
  EXPECT_EQ(box_text, "Logging will be halted prior to exit");
  EXPECT_EQ(shown_under_box, std::vector<std::string>{"frm_plotter"});
  EXPECT_EQ(ecu::logging_active, 0);

  // The Monitor alone, and it polls: its three requests, tick after tick.
  const std::size_t requests_after_box = controller().request_count();
  ASSERT_TRUE(wait_for_request_count(requests_after_box + 9));
  EXPECT_EQ(test::shown_windows(), std::vector<std::string>{"frm_mon"});
  EXPECT_FALSE(main_window.isVisible());
  const Codes codes = codes_of(controller().request_frames(), requests_after_box);
  for (const int code : codes) {
    EXPECT_TRUE(code == kLiveData || code == kMonitorFrame || code == kChannelRuntime) << code;
  }
  EXPECT_GE(std::count(codes.begin(), codes.end(), kChannelRuntime), 2);
}

// The progress window of a data set transfer stays until the transfer ends: closed through
// the window system (its close box, its frame's close(), the disabled main window's close
// box) while the download runs, it stays shown, and the transfer hides it at its end.
TEST_F(ConsoleLinkEndToEndTest, TheTransfersProgressWindowStaysUntilTheTransferEnds) {
  gui::FormWindow& main_window = start_console();
  ASSERT_TRUE(wait_for([&] { return main_window.isActiveWindow(); }));
  const auto progress_window = [this]() -> gui::FormWindow* {
    ecu::FrmWaitForm* wait = ecu::frm_wait.if_loaded();
    return wait != nullptr ? front_end().window_for(*wait) : nullptr;
  };
  const auto progress_shown = [&] {
    const gui::FormWindow* window = progress_window();
    return window != nullptr && window->isVisible();
  };
  // A close is served between two requests: some requests later it surely was.
  std::size_t requests_at_close = 0;
  const auto close_served = [&] {
    return !ui::event_loop().has_pending_user_input() &&
           controller().request_count() > requests_at_close + 20;
  };
  std::vector<bool> shown_after_close;
  const auto note_shown = [&] {
    shown_after_close.push_back(progress_shown());
    requests_at_close = controller().request_count();
  };
  const auto close_box = [](QWindow* window) {
    QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::AsynchronousDelivery>(window);
  };
  UserScript user({
      {[&] { return progress_shown() && controller().request_count() > 100; },
       [&] {
         requests_at_close = controller().request_count();
         close_box(progress_window()->windowHandle());
       }},
      {close_served,
       [&] {
         note_shown();
         progress_window()->close();
       }},
      {close_served,
       [&] {
         note_shown();
         close_box(main_window.windowHandle());
       }},
      {close_served, note_shown},
  });
  presenter().choose_next_file("cal.set");
  main_window.action_for(ecu::FrmEcu().menufilesave)->trigger();
  ASSERT_TRUE(wait_for([&] { return user.finished(); })) << user.steps_taken() << " steps";
  ASSERT_TRUE(wait_for([&] { return main_window.isEnabled() && !progress_shown(); }));

  EXPECT_EQ(shown_after_close, std::vector<bool>(3, true));
  EXPECT_TRUE(main_window.isVisible());
  std::ifstream saved("cal.set", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2126) << "the file ends whole";
}

}  // namespace
}  // namespace gui_test
