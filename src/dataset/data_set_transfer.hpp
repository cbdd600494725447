#pragma once
// What the data set download and upload share: the run's hold on the console (no polling,
// the main window disabled, the wait window showing progress) undone on every way out, and
// the exchange of one request whose reply is checked against the request.

#include <string>

#include "decode/command_table.hpp"
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
  // Shows the transfer's byte counts and the bar at `done` / `total` of its frame.
  static void show_progress(double done, double total);

 private:
  Flag poll_inhibit_before_;
  bool waiting_ = false;
};

// How one request ended.
enum class Exchange {
  answered,    // a reply that answers the request
  mismatched,  // a reply, but for another request or with other values
  try_again,   // no reply; the user chose to try again
  stopped,     // no reply; demo mode or abort chosen, or the link is gone
  ending,      // the user chose to end the program
};

// Sends the request once (through the usual retries and failure dialog) and tells how it
// ended. A link lost since the last request is opened again first.
Exchange exchange_request(const CommandInfo& command, const std::string& request);

// The file name the data set dialog returned, or empty when the user cancelled.
std::string chosen_data_set_file(bool save);

}  // namespace ecu
