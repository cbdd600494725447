// The plotter at its fastest interval, logging to a file, in the real console with its Qt
// front-end (offscreen), against the simulated controller pacing its line at 38400 baud.
// Prints the requests per second reached, as a share of what the wire allows for the
// plotter's cycle 'A', 0x81, 'A', 0xCF (233 bytes, requests and replies): first with "Log
// to file only", then with the chart drawing all 21 channels.
//
// Usage: gui_plotter_link_bench [seconds per run, default 10]

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "bench_clock.hpp"
#include "decode/setting_replies.hpp"
#include "gui/front_end.hpp"
#include "link/comm_port.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/main_poll_loop.hpp"
#include "shell/startup.hpp"
#include "sim/simulated_controller.hpp"
#include "ui/form.hpp"
#include "views/data_log.hpp"
#include "views/frm_plotter.hpp"

namespace {

using bench::wall_seconds;

constexpr int kBaud = 38400;
constexpr double kBitsPerByte = 10.0;
// Requests and replies of one plotter cycle: 'A' 8 + 65, 0x81 8 + 32, 'A' 8 + 65, 0xCF 8 + 39.
constexpr double kCycleBytes = 233.0;
constexpr double kRequestsPerCycle = 4.0;
constexpr int kFastestInterval = 7;

std::string word_payload(unsigned value) {
  return {static_cast<char>(value & 0xFFU), static_cast<char>((value >> 8) & 0xFFU)};
}

// Lets Qt's loop, and with it the console's timers and link, run for a while.
void run_for(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
}

// Wall time spent inside the plotter poll's ticks (request, reply, decoding, row, chart).
double seconds_in_ticks = 0;

struct Run {
  double requests_per_second;
  long long rows;
  double in_tick_ms;  // per request, inside the tick
  double between_ms;  // per request, from the end of one tick to the start of the next
};

Run measure(sim::SimulatedController& controller, double seconds) {
  const long long rows_before = ecu::log_sample_count;
  const std::size_t requests_before = controller.request_count();
  const double in_ticks_before = seconds_in_ticks;
  const double start = wall_seconds();
  run_for(seconds);
  const double elapsed = wall_seconds() - start;
  const auto requests = static_cast<double>(controller.request_count() - requests_before);
  const double in_ticks = seconds_in_ticks - in_ticks_before;
  return {requests / elapsed, ecu::log_sample_count - rows_before, in_ticks / requests * 1e3,
          (elapsed - in_ticks) / requests * 1e3};
}

void print_run(const char* name, const Run& run, double wire_rate) {
  std::printf(
      "  %-20s %6.1f requests/s  %5.1f %% of the wire  (%lld rows; per request %.2f ms "
      "in the tick, %.2f ms between ticks)\n",
      name, run.requests_per_second, run.requests_per_second / wire_rate * 100.0, run.rows,
      run.in_tick_ms, run.between_ms);
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 10.0;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

  // Start-up reads and writes its small files in the working folder: a scratch one.
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("plotter-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);
  std::ofstream("port.cfg") << "1\r\n";

  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  sim::SimulatedController controller(1, sim::ControllerTime::system);
  controller.set_line_rate(kBaud);
  // A controller of this console's feature version, so no warning stops the run.
  controller.set_reply_payload(0xB3, word_payload(0x3F88));
  controller.set_reply_payload(0xB4,
                               word_payload(static_cast<unsigned>(ecu::kConsoleFeatureVersion)));

  gui::FrontEnd front_end;
  bool ended = false;
  ui::set_program_end([&ended] { ended = true; });
  ecu::start_console("");
  ecu::FrmEcu().Timer3.on_timer = [] {
    const double start = wall_seconds();
    ecu::plotter_poll_tick();
    seconds_in_ticks += wall_seconds() - start;
  };
  ecu::FrmEcu().menu_View_Plotter.click();
  ecu::FrmPlotterForm& plotter = ecu::frm_plotter();
  if (ecu::link_ready != ecu::kTrue || ended) {
    std::fprintf(stderr, "could not open the simulated controller's line\n");
    return 1;
  }
  plotter.menu_log_int[kFastestInterval].click();
  const double wire_rate = kBaud / kBitsPerByte / kCycleBytes * kRequestsPerCycle;
  run_for(1.0);  // settle: feature word, first cycles
  // Without a log first, for comparison.
  plotter.skip_graphics.set_value(ui::CheckBox::checked);
  const Run unlogged = measure(controller, seconds);

  plotter.plot_file.set_text((folder / "bench.csv").string());
  plotter.Command3d2.click();
  if (ecu::logging_active != 1) {
    std::fprintf(stderr, "the data log could not be started\n");
    return 1;
  }
  const Run file_only = measure(controller, seconds);
  plotter.skip_graphics.set_value(ui::CheckBox::unchecked);
  for (int channel = 0; channel < ecu::FrmPlotterForm::kChannels; ++channel) {
    plotter.Check3d1[channel].set_value(ui::CheckBox::checked);
  }
  const Run charted = measure(controller, seconds);
  plotter.Command3d3.click();

  // The log's own share: rows written back to back, each formatted and flushed.
  constexpr int kTimedRows = 2000;
  ecu::open_data_log((folder / "rows.csv").string());
  const double rows_start = wall_seconds();
  for (int row = 0; row < kTimedRows; ++row) ecu::write_data_log_row(rows_start);
  const double row_us = (wall_seconds() - rows_start) / kTimedRows * 1e6;
  ecu::close_data_log();

  std::printf(
      "plotter at its fastest interval, logging, %d baud line (wire limit %.1f requests/s)\n",
      kBaud, wire_rate);
  print_run("no log, no graph:", unlogged, wire_rate);
  print_run("log to file only:", file_only, wire_rate);
  print_run("chart, 21 channels:", charted, wire_rate);
  std::printf("  one log row, formatted and flushed: %.1f us\n", row_us);

  ecu::close_data_log();
  ecu::set_serial_port_factory(nullptr);
  front_end.shutdown();
  ui::discard_all_forms();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return 0;
}
