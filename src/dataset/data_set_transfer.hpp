#pragma once
// What the data set download and upload share: the run's hold on the console (no polling,
// the main window disabled, the wait window showing progress) undone on every way out, and
// the exchange of one request whose reply is checked against the request.

#include <cstdint>
#include <optional>
#include <string>

#include "decode/command_table.hpp"
#include "link/poll_inhibit.hpp"
#include "model/basic_types.hpp"

namespace ecu {

inline constexpr const char* kDataSetDemoMessage =
    "This program is running in demo mode, so this feature cannot be executed.";
inline constexpr const char* kDataSetSilentMessage =
    "The device controller is not communicating, so this feature cannot be executed.";
inline constexpr const char* kDataSetFileFilter = "Setup Files (*.set)|";
inline constexpr const char* kDataSetFileName = "*.SET";

// Holds the console for one transfer: the main poll stays idle from construction to
// destruction, and once the wait window is shown the main window is disabled with the busy
// pointer. Everything is put back as it was when the scope ends, however it ends.
class DataSetTransferScope {
 public:
  DataSetTransferScope();
  ~DataSetTransferScope();
  DataSetTransferScope(const DataSetTransferScope&) = delete;
  DataSetTransferScope& operator=(const DataSetTransferScope&) = delete;

  // Shows the wait window captioned `caption` with the bar at its starting width and
  // disables the main window.
  void show_wait(const std::string& caption);
  // The transfer's byte counts and the bar at `done` / `total` of its frame.
  void show_progress(double done, double total);
  // The message line of the wait window (an unknown name, say).
  void show_info(const std::string& text);
  // Draws what the last calls gave, now.
  void flush_progress();

 private:
  // Nothing else may talk to the controller while a transfer runs. Declared first, so the
  // poll is held before anything else and given back after the rest is put back.
  PollInhibitScope poll_hold_{RestorePollInhibit{}};
  bool waiting_ = false;
  // What the wait window shows is written at most this often, however fast the requests go:
  // a front-end repaints every change, and a transfer changes its counts 2000 times.
  static constexpr double kDrawIntervalSeconds = 1.0 / 30.0;
  struct Shown {
    std::int64_t tx = 0;
    std::int64_t rx = 0;
    float bar_width = 0;
    std::optional<std::string> info;
  };
  Shown pending_;
  bool pending_changed_ = false;
  std::optional<double> drawn_at_;
  void draw_if_due();
};

// How one request ended.
enum class Exchange {
  answered,   // a reply that answers the request (for a write: its value as sent)
  refused,    // a write answered by an echo of another value
  try_again,  // no reply; the user chose to try again
  stopped,    // no reply; demo mode or abort chosen, or the link is gone
  ending,     // the user chose to end the program
};

// Sends the request once (through the usual retries and failure dialog) and tells how it
// ended. A link closed since the last request is opened again first; a port lost to a line
// error is opened again by the request itself, so "Try Again" goes on once the device is
// back.
Exchange exchange_request(const CommandInfo& command, const std::string& request);

// The file name the data set dialog returned, or empty when the user cancelled.
std::string chosen_data_set_file(bool save);

}  // namespace ecu
