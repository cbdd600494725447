// The console as a user runs it on a desktop: its Qt front-end on an X server (with or
// without a window manager), against the simulated controller pacing its replies at 38400
// baud, driven by real input through the X server's test extension.
// - Clicks while the plotter polls at its fastest interval: a click on a channel check box
//   every 200 ms, and the time from the click leaving for the X server to its handler
//   running (median and worst), with the poll's request rate as a share of the wire's.
// - A whole data set download and upload with their wait window shown, as ratios of the wire
//   time of the bytes they moved, beside the simulator's line alone.
//
// Usage: gui_desktop_bench [label printed with the figures] [seconds of clicking, default 6]
// Needs an X server: it prints a line and ends when Qt is not on the xcb platform.

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_clock.hpp"
#include "gui/form_window.hpp"
#include "gui/front_end.hpp"
#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/receive_framer.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/startup.hpp"
#include "shell/view_commands.hpp"
#include "sim/simulated_controller.hpp"
#include "ui/form.hpp"
#include "ui/presenter.hpp"
#include "views/frm_plotter.hpp"

namespace {

using bench::wall_seconds;

constexpr int kBaud = 38400;
constexpr double kByteSeconds = 10.0 / kBaud;
// The plotter's cycle on the wire: four 8-byte requests, replies of 65, 32, 65 and 39 bytes.
constexpr double kCycleBytes = 4 * 8 + 65 + 32 + 65 + 39;
constexpr double kWireLimitedPerSecond = 4 / (kCycleBytes * kByteSeconds);
constexpr int kFastestPlotterItem = 7;
constexpr int kClickIntervalMs = 200;
// Channels clicked in turn (each click shows or hides its trace).
constexpr int kFirstClickedChannel = 4;
constexpr int kClickedChannels = 10;

void run_qt_for(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
}

// Real input: the X server's test extension moves the pointer and presses its button, so
// the click comes back to the console through the window system like a user's.
class XInput {
 public:
  XInput() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    connection_ = x11 != nullptr ? x11->connection() : nullptr;
    if (connection_ != nullptr) {
      root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    }
  }
  [[nodiscard]] bool usable() const { return connection_ != nullptr; }

  void click(QPoint global) {
    xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_,
                        static_cast<std::int16_t>(global.x()),
                        static_cast<std::int16_t>(global.y()), 0);
    xcb_test_fake_input(connection_, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(connection_, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(connection_);
  }

 private:
  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = 0;
};

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void measure_clicks(gui::FrontEnd& front_end, const char* label, double seconds) {
  ecu::run_view_command(ecu::kPlotterView);
  ecu::FrmPlotterForm& plotter = ecu::frm_plotter();
  plotter.menu_log_int_Click(kFastestPlotterItem);
  run_qt_for(0.5);
  gui::FormWindow* window = front_end.window_for(plotter);
  if (window == nullptr) return;

  std::vector<double> latencies;
  int sent = 0;
  double sent_at = 0;
  bool answered = true;
  for (int k = 0; k < kClickedChannels; ++k) {
    ui::CheckBox& box = plotter.Check3d1[kFirstClickedChannel + k];
    box.on_click = [&, original = box.on_click] {
      if (!answered) {
        latencies.push_back(wall_seconds() - sent_at);
        answered = true;
      }
      if (original) original();
    };
  }
  XInput input;
  QTimer clicker;
  clicker.setTimerType(Qt::PreciseTimer);
  QObject::connect(&clicker, &QTimer::timeout, [&] {
    // A click still unanswered when the next is due counts as lost.
    if (!answered) latencies.push_back(1e9);
    const int channel = kFirstClickedChannel + sent % kClickedChannels;
    QWidget* widget = window->widget_for(plotter.Check3d1[channel]);
    if (widget == nullptr) return;
    sent_at = wall_seconds();
    answered = false;
    ++sent;
    input.click(widget->mapToGlobal(QPoint(6, widget->height() / 2)));
  });
  const std::int64_t taken_before = ecu::taken_reply_count();
  const double start = wall_seconds();
  clicker.start(kClickIntervalMs);
  run_qt_for(seconds);
  clicker.stop();
  const double elapsed = wall_seconds() - start;
  run_qt_for(0.3);
  if (!answered) latencies.push_back(1e9);
  const auto lost = std::count(latencies.begin(), latencies.end(), 1e9);
  std::erase(latencies, 1e9);
  const double rate = static_cast<double>(ecu::taken_reply_count() - taken_before) / elapsed;
  std::printf(
      "[%s] plotter at its fastest, a click every %d ms: %d clicks, %zu handled, %ld lost; "
      "latency median %.1f ms, worst %.1f ms; %.1f replies/s, %.1f%% of the wire (%.1f/s)\n",
      label, kClickIntervalMs, sent, latencies.size(), static_cast<long>(lost),
      median(latencies) * 1e3,
      latencies.empty() ? 0.0 : *std::max_element(latencies.begin(), latencies.end()) * 1e3, rate,
      100.0 * rate / kWireLimitedPerSecond, kWireLimitedPerSecond);
  ecu::run_view_command(ecu::kPlotterView);  // leaves the plotter idle below
  plotter.hide();
  ecu::current_view = 0;
  ecu::FrmEcu().show();
  run_qt_for(0.3);
}

// Runs one File menu command on a chosen file while the front-end draws its windows, and
// prints its time against the wire time of the bytes it moved.
template <class Command>
void time_transfer(const char* label, const char* what, ui::ScriptedPresenter& presenter,
                   Command command) {
  presenter.choose_next_file("bench.set");
  const double start = wall_seconds();
  command();
  const double seconds = wall_seconds() - start;
  const auto bytes = static_cast<double>(ecu::tx_byte_counts[1] + ecu::rx_byte_counts[1]);
  std::printf("[%s] %-9s through the front-end: %6.3f s, %.4f of the wire time (%.3f s)\n", label,
              what, seconds, seconds / (bytes * kByteSeconds), bytes * kByteSeconds);
}

// The line alone: the download's memory reads written and their replies read with a
// blocking wait, no message loop, no framer, no window.
void time_line_alone(const char* label, int count) {
  constexpr std::size_t kReplyLength = 8;
  ecu::open_comm_link();
  ecu::SerialPort& port = ecu::comm_port();
  const double start = wall_seconds();
  for (int i = 0; i < count; ++i) {
    const int address = 0x100 + i % 256;
    const std::string command{'E', static_cast<char>(address & 0xFF),
                              static_cast<char>(address >> 8)};
    port.write(ecu::build_request_frame(command));
    std::string reply;
    while (reply.size() < kReplyLength && port.wait_readable(0.1)) {
      const auto read = port.read_all();
      if (!read) break;
      reply += *read;
    }
  }
  const double seconds = wall_seconds() - start;
  const double wire = static_cast<double>(count) * 16 * kByteSeconds;
  std::printf("[%s] the simulator's line alone (%d memory reads): %.4f of the wire time\n", label,
              count, seconds / wire);
}

}  // namespace

int main(int argc, char** argv) {
  const char* label = argc > 1 ? argv[1] : "desktop";
  const double seconds = argc > 2 ? std::atof(argv[2]) : 6.0;
  // Start-up reads and writes its small files in the working folder.
  const auto folder =
      std::filesystem::temp_directory_path() / ("desktop_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);

  QApplication app(argc, argv);
  if (QGuiApplication::platformName() != QStringLiteral("xcb") || !XInput().usable()) {
    std::printf("gui_desktop_bench: needs an X server (DISPLAY); nothing measured\n");
    return 0;
  }
  QApplication::setQuitOnLastWindowClosed(false);
  // Message boxes are answered and file dialogs chosen by script; every window is real.
  auto presenter = std::make_shared<ui::ScriptedPresenter>();
  ui::install_presenter(presenter);
  gui::FrontEnd front_end(gui::FrontEnd::Dialogs::keep_installed);
  int failures = 0;
  {
    sim::SimulatedController controller(1, sim::ControllerTime::system);
    controller.set_line_rate(kBaud);
    for (int address = 0; address < 0xB00; ++address) {
      controller.set_memory(static_cast<std::uint16_t>(address), (address * 37 + 11) & 0xFF);
    }
    ecu::start_console("");
    run_qt_for(0.5);

    measure_clicks(front_end, label, seconds);

    ecu::FrmEcuForm& main_window = ecu::FrmEcu();
    main_window.Timer1.set_enabled(false);
    main_window.Timer3.set_enabled(false);
    time_transfer(label, "download", *presenter, [&] { main_window.menufilesave_Click(); });
    time_transfer(label, "upload", *presenter, [&] { main_window.menufileopen_Click(); });
    time_line_alone(label, 1969);

    // The upload's own summary says it was uploaded; anything else went wrong.
    for (const auto& message : presenter->shown_messages) {
      if (message.text.rfind("The data set file was uploaded", 0) == 0) continue;
      ++failures;
      std::fprintf(stderr, "message: %s\n", message.text.c_str());
    }
    front_end.shutdown();
    ecu::set_serial_port_factory(nullptr);
    ui::discard_all_forms();
  }
  std::error_code ignored;
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  std::filesystem::remove_all(folder, ignored);
  return failures > 0 ? 1 : 0;
}
