// The console's own poll against the simulated controller pacing its replies at 38400 baud,
// through the Qt front-end as the program runs:
// - the plotter cycle ('A', 0x81, 'A', 0xCF) at its 1 ms interval ("Fast as Comm will
//   allow"), as a share of the rate the wire allows;
// - the same with a fault in every 5th reply, for each kind of fault, with the choice
//   dialogs that came up (each answered "Try Again"); a reply that came whole but spoilt
//   (bad sum, a payload byte too many) is tried again at once, so it costs only its own
//   and its retry's wire time, run with the faults on a 65-byte and on the 32-byte reply;
// - the same cycle against a controller that answers at once (an unpaced line): every
//   request should succeed at its first attempt (1.00 attempts per reply);
// - the wake-ups per second of a console idling in demo mode with only its main window.
//
// Usage: gui_link_poll_bench [seconds per run, default 3]

#include <sys/resource.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "bench_clock.hpp"
#include "dialog_watch.hpp"
#include "gui/front_end.hpp"
#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/receive_framer.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_dialog.hpp"
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
// One plotter cycle on the wire: four 8-byte requests and their replies of 65, 32, 65 and
// 39 bytes ('A', 0x81, 'A', 0xCF with their sums).
constexpr double kCycleBytes = 4 * 8 + 65 + 32 + 65 + 39;
constexpr double kWireLimitedPerSecond = 4 / (kCycleBytes * kByteSeconds);
constexpr int kFastestPlotterItem = 7;
constexpr int kFaultEvery = 5;

long voluntary_switches() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_nvcsw;
}

void run_qt_for(double seconds) {
  // A loop of its own: quitting the application would close the console's windows.
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
}

using bench::dialog_watch;

struct FaultRun {
  const char* name;
  sim::Misbehaviour fault;
  // The request whose place in the cycle the faults fall on; none: wherever they start.
  std::optional<std::uint8_t> on_code;
};

constexpr std::uint8_t kLiveData = 'A';       // a 65-byte reply
constexpr std::uint8_t kMonitorFrame = 0x81;  // the 32-byte reply

const std::array kFaultRuns{
    FaultRun{"garbage before the reply", sim::Misbehaviour::garbage_before, std::nullopt},
    FaultRun{"stray bytes after it", sim::Misbehaviour::extra_bytes, std::nullopt},
    FaultRun{"bad sum, 65-byte reply", sim::Misbehaviour::bad_sum_low, kLiveData},
    FaultRun{"bad sum, 32-byte reply", sim::Misbehaviour::bad_sum_low, kMonitorFrame},
    FaultRun{"byte too many, 65-byte reply", sim::Misbehaviour::extra_payload_byte, kLiveData},
    FaultRun{"byte too many, 32-byte reply", sim::Misbehaviour::extra_payload_byte, kMonitorFrame},
    FaultRun{"length byte too large", sim::Misbehaviour::wrong_length_byte, std::nullopt},
    FaultRun{"late answer (150 ms)", sim::Misbehaviour::late, std::nullopt},
    FaultRun{"dropped answer", sim::Misbehaviour::silent, std::nullopt},
};

// Besides the share of the wire-limited rate, each run prints how much of its time the line
// carried bytes (requests, replies, faulty ones too) and the wire ceiling, the share the
// wire would give if it carried those bytes without a pause: what a fault costs on the wire
// itself is not lost by the console. A fault in every 5th reply meets the four requests of the
// plotter's cycle in step, so it falls on the same request throughout a run, and whether
// that is a 65-byte or a 32-byte reply sets what the retry costs.
void print_poll_run(const char* what, sim::SimulatedController& controller, double seconds,
                    bool paced = true) {
  const std::int64_t taken_before = ecu::taken_reply_count();
  const std::size_t requests_before = controller.request_count();
  const std::size_t line_bytes_before =
      controller.sent_byte_count() + controller.received_bytes().size();
  const int dialogs_before = dialog_watch().dialogs;
  const double start = wall_seconds();
  run_qt_for(seconds);
  const double elapsed = wall_seconds() - start;
  const double taken = static_cast<double>(ecu::taken_reply_count() - taken_before);
  const double attempts = static_cast<double>(controller.request_count() - requests_before);
  const double rate = taken / elapsed;
  const auto line_bytes = static_cast<double>(
      controller.sent_byte_count() + controller.received_bytes().size() - line_bytes_before);
  if (!paced) {
    // No wire to compare with: what counts is that nothing needs a second attempt.
    std::printf("%-28s %7.1f replies/s  %5.2f attempts/reply  %d dialogs\n", what, rate,
                taken > 0 ? attempts / taken : 0.0, dialog_watch().dialogs - dialogs_before);
    return;
  }
  const double busy_share = line_bytes * kByteSeconds / elapsed;
  const double ceiling = busy_share > 0 ? rate / busy_share : 0.0;
  std::printf(
      "%-28s %7.1f replies/s  %5.1f%% of the wire  %5.2f attempts/reply  %d dialogs  line busy "
      "%5.1f%%  wire ceiling %5.1f%%\n",
      what, rate, 100.0 * rate / kWireLimitedPerSecond, taken > 0 ? attempts / taken : 0.0,
      dialog_watch().dialogs - dialogs_before, 100.0 * busy_share,
      100.0 * ceiling / kWireLimitedPerSecond);
}

// The simulator's line alone for comparison: the plotter cycle's requests written and their
// replies read as they land, no message loop, no framer, no decoders.
void print_line_alone(double seconds) {
  struct Exchange {
    char code;
    std::size_t reply_length;
  };
  constexpr std::array<Exchange, 4> kCycle{
      {{'A', 65}, {static_cast<char>(0x81), 32}, {'A', 65}, {static_cast<char>(0xCF), 39}}};
  ecu::open_comm_link();
  ecu::SerialPort& port = ecu::comm_port();
  long replies = 0;
  const double start = wall_seconds();
  while (wall_seconds() - start < seconds) {
    const Exchange& exchange = kCycle.at(static_cast<std::size_t>(replies) % kCycle.size());
    port.write(ecu::build_request_frame(std::string(1, exchange.code)));
    std::string reply;
    while (reply.size() < exchange.reply_length && port.wait_readable(0.1)) {
      const auto input = port.read_all();
      if (!input) return;
      reply += *input;
    }
    ++replies;
  }
  const double rate = static_cast<double>(replies) / (wall_seconds() - start);
  std::printf("%-28s %7.1f replies/s  %5.1f%% of the wire\n", "the simulator's line alone", rate,
              100.0 * rate / kWireLimitedPerSecond);
  ecu::close_comm_port();
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Start-up reads and writes its small files in the working folder.
  const auto folder =
      std::filesystem::temp_directory_path() / ("link_poll_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);

  QApplication app(argc, argv);
  // Message boxes (the demo mode notice at start-up) are answered at once.
  auto presenter = std::make_shared<ui::ScriptedPresenter>();
  ui::install_presenter(presenter);
  gui::FrontEnd front_end(gui::FrontEnd::Dialogs::keep_installed);
  long awakenings = 0;
  QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                   [&awakenings] { ++awakenings; });

  // An idle console in demo mode, only its main window shown.
  ecu::start_console("demo");
  run_qt_for(0.5);
  const long switches_before = voluntary_switches();
  const long awake_before = awakenings;
  const double idle_start = wall_seconds();
  run_qt_for(seconds);
  const double idle_elapsed = wall_seconds() - idle_start;
  std::printf(
      "idle demo console, main window only: %.1f wake-ups/s (sleeps ended; %.1f Qt dispatch "
      "rounds/s)\n",
      static_cast<double>(voluntary_switches() - switches_before) / idle_elapsed,
      static_cast<double>(awakenings - awake_before) / idle_elapsed);

  // The plotter at its fastest setting against the paced controller.
  sim::SimulatedController controller(1, sim::ControllerTime::system);
  controller.set_line_rate(kBaud);
  ecu::demo_mode = ecu::kFalse;
  ecu::com_port = 1;
  print_line_alone(seconds);
  dialog_watch();
  ecu::run_view_command(ecu::kPlotterView);
  ecu::frm_plotter().menu_log_int_Click(kFastestPlotterItem);
  run_qt_for(0.5);
  std::printf("wire-limited plotter cycle at %d baud: %.1f replies/s\n", kBaud,
              kWireLimitedPerSecond);
  print_poll_run("clean line", controller, seconds);
  for (const FaultRun& run : kFaultRuns) {
    controller.inject_fault(run.fault, kFaultEvery, run.on_code);
    print_poll_run(run.name, controller, seconds);
    controller.inject_fault(sim::Misbehaviour::none, 0);
    run_qt_for(0.3);
  }
  controller.set_line_rate(0);
  run_qt_for(0.3);
  print_poll_run("controller answering at once", controller, seconds, false);
  front_end.shutdown();
  std::error_code ignored;
  std::filesystem::current_path(folder.parent_path());
  std::filesystem::remove_all(folder, ignored);
  return 0;
}
