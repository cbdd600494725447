// A full data set download and a full upload of the file it wrote, against the simulated
// controller pacing its line at 38400 baud. Prints each run's time against the wire time of
// the bytes it moved (10 bit times a byte, both directions), and their ratio. Then a download
// with a 100-byte burst of noise made of the answer's own head before every 5th answer,
// against a clean one of the same run: its time, the failure dialogs and the most attempts
// any request took.
//
// Usage: dataset_link_transfer_bench [runs of each, default 1]

#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bench_clock.hpp"
#include "dialog_watch.hpp"
#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_dialog.hpp"
#include "shell/frm_ecu.hpp"
#include "sim/simulated_controller.hpp"
#include "ui/ui.hpp"

namespace {

using bench::thread_cpu_seconds;
using bench::wall_seconds;

constexpr int kBaud = 38400;
constexpr double kBitsPerByte = 10;

struct Run {
  double seconds;
  double wire_seconds;
  std::int64_t bytes;
  double cpu_seconds = 0;
  std::size_t exchanges = 0;
};

// Runs one File menu command on a chosen file; the wire time is that of the bytes this
// transfer moved, counted by the link.
template <class Command>
Run timed(ui::ScriptedPresenter& presenter, const sim::SimulatedController& controller,
          const std::string& path, Command command) {
  presenter.choose_next_file(path);
  const std::size_t requests = controller.request_count();
  const double cpu_start = thread_cpu_seconds();
  const double start = wall_seconds();
  command();
  const double seconds = wall_seconds() - start;
  const std::int64_t bytes = ecu::tx_byte_counts[1] + ecu::rx_byte_counts[1];
  return {seconds, static_cast<double>(bytes) * kBitsPerByte / kBaud, bytes,
          thread_cpu_seconds() - cpu_start, controller.request_count() - requests};
}

// The line alone: the download's memory reads written and their replies read with a
// blocking wait, no message loop, no framer, no decoders, no file. Each byte is read as it
// lands: a reader that keeps asking for the count while bytes wait slows the line down.
Run raw_memory_reads(int count) {
  constexpr std::size_t kReplyLength = 8;
  ecu::open_comm_link();
  ecu::SerialPort& port = ecu::comm_port();
  const double start = wall_seconds();
  for (int i = 0; i < count; ++i) {
    const int address = 0x100 + i % 256;
    std::string command{'E', static_cast<char>(address & 0xFF), static_cast<char>(address >> 8)};
    port.write(ecu::build_request_frame(command));
    std::string reply;
    while (reply.size() < kReplyLength) {
      if (!port.wait_readable(0.1)) break;
      const auto input = port.read_all();
      if (!input) break;
      reply += *input;
    }
  }
  const double seconds = wall_seconds() - start;
  const std::int64_t bytes = static_cast<std::int64_t>(count) * 16;
  return {seconds, static_cast<double>(bytes) * kBitsPerByte / kBaud, bytes, 0,
          static_cast<std::size_t>(count)};
}

using bench::dialog_watch;

// The most attempts a request took: the retry counter shows each request's count from its
// third attempt on; below that, a second attempt shows as an exchange more than the clean run.
class RetryCounter final : public ui::FormObserver {
 public:
  void form_loaded(ui::Form&) override {}
  void form_unloaded(ui::Form&) override {}
  void form_changed(ui::Form&) override {}
  void form_shown(ui::Form&) override {}
  void form_hidden(ui::Form&) override {}
  void form_activated(ui::Form&) override {}
  void control_changed(ui::Control& control, ui::Property what) override {
    if (control.name() != "retries" || what != ui::Property::text) return;
    most_shown = std::max(most_shown, std::atoi(control.caption().c_str()));
  }
  int most_shown = 0;
};

void print(const char* what, const Run& run) {
  std::printf(
      "  %-10s %6.3f s, %4zu exchanges, %6lld bytes (wire time %6.3f s): %.4f of the wire time; "
      "processor %.1f us per exchange\n",
      what, run.seconds, run.exchanges, static_cast<long long>(run.bytes), run.wire_seconds,
      run.seconds / run.wire_seconds, run.cpu_seconds / static_cast<double>(run.exchanges) * 1e6);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
  // Start-up reads and writes its settings files in the working folder: use a scratch one.
  std::string folder = (std::filesystem::temp_directory_path() / "dataset-bench-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) return 1;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);

  auto presenter = std::make_shared<ui::ScriptedPresenter>();
  ui::install_presenter(presenter);
  int failures = 0;
  {
    sim::SimulatedController controller(1, sim::ControllerTime::system);
    controller.set_line_rate(kBaud);
    for (int address = 0; address < 0xB00; ++address) {
      controller.set_memory(static_cast<std::uint16_t>(address), (address * 37 + 11) & 0xFF);
    }
    ecu::FrmEcuForm& main_window = ecu::FrmEcu();
    main_window.Timer1.set_enabled(false);
    main_window.Timer3.set_enabled(false);
    ecu::com_port = 1;

    std::printf("data set transfers against the simulated controller at %d baud\n", kBaud);
    for (int k = 0; k < runs; ++k) {
      print("download",
            timed(*presenter, controller, "bench.set", [&] { main_window.menufilesave_Click(); }));
      print("upload",
            timed(*presenter, controller, "bench.set", [&] { main_window.menufileopen_Click(); }));
    }
    print("line only", raw_memory_reads(1969));
    constexpr std::size_t kBurstBytes = 100;
    constexpr int kBurstEvery = 5;
    std::printf(
        "download with a %zu-byte burst of the answer's own head before every %dth answer\n",
        kBurstBytes, kBurstEvery);
    dialog_watch().watch.set_enabled(true);
    const auto download = [&] { main_window.menufilesave_Click(); };
    const Run clean = timed(*presenter, controller, "bench.set", download);
    print("clean", clean);
    RetryCounter retries;
    ui::forms().set_observer(&retries);
    controller.inject_head_bursts(kBurstBytes, kBurstEvery);
    const int dialogs_before = dialog_watch().dialogs;
    const Run noisy = timed(*presenter, controller, "bench.set", download);
    controller.inject_head_bursts(0, 0);
    ui::forms().set_observer(nullptr);
    print("noisy", noisy);
    const std::size_t extra = noisy.exchanges - clean.exchanges;
    const int most = retries.most_shown > 0 ? retries.most_shown : extra > 0 ? 2 : 1;
    std::printf(
        "  %.3f of the clean download's time; %zu extra attempts; %d failure dialogs; at most %d "
        "attempts\n",
        noisy.seconds / clean.seconds, extra, dialog_watch().dialogs - dialogs_before, most);
    // The same transfers against a controller that answers at once with the whole reply: the
    // time per exchange is the console's own share together with the pseudo-terminal's and
    // the simulator's; added to a real line's wire time it gives the ratio on an exact line.
    controller.set_line_rate(0);
    std::printf(
        "time per exchange against a controller answering at once (console, pseudo-terminal "
        "and simulator together)\n");
    for (const bool save : {true, false}) {
      const Run run = timed(*presenter, controller, "bench.set", [&] {
        save ? main_window.menufilesave_Click() : main_window.menufileopen_Click();
      });
      const auto exchanges = static_cast<double>(run.exchanges);
      std::printf("  %-10s %6.1f us per exchange: %.4f of the wire time on an exact line\n",
                  save ? "download" : "upload", run.seconds / exchanges * 1e6,
                  1.0 + run.seconds / (static_cast<double>(run.bytes) * kBitsPerByte / kBaud));
    }
    failures = static_cast<int>(presenter->shown_messages.size());
    for (const auto& message : presenter->shown_messages) {
      std::fprintf(stderr, "message: %s\n", message.text.c_str());
    }
    ecu::set_serial_port_factory(nullptr);
    // Windows go before the static registry they sit in.
    ui::discard_all_forms();
  }
  std::filesystem::current_path(previous);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return failures == 0 ? 0 : 1;
}
