#pragma once
// Keeps the main poll off the line while a window runs requests of its own. `poll_inhibit`
// is written here only: windows hold it through the scope, view commands lift it.

#include "model/basic_types.hpp"

namespace ecu {

// Lets the main poll run again, whoever holds it: a view command hands the line to its view.
void lift_poll_inhibit();

// Asks a scope to leave `poll_inhibit` as it found it instead of clearing it.
struct RestorePollInhibit {};

// Sets `poll_inhibit` and waits `settle_seconds` while the message loop runs, so that a
// poll request under way ends first; on `release()`, or on every way out of the scope,
// clears it and waits `release_settle_seconds`, so the window's last reply is in before the
// poll sends again. An exception on its way out releases without the wait.
class PollInhibitScope {
 public:
  explicit PollInhibitScope(Single settle_seconds = 0.0F, Single release_settle_seconds = 0.0F);
  // Without either wait, and the release puts back the flag it found: a data set run may
  // start while another window holds the poll, and that hold must outlast the run.
  explicit PollInhibitScope(RestorePollInhibit);
  ~PollInhibitScope();
  PollInhibitScope(const PollInhibitScope&) = delete;
  PollInhibitScope& operator=(const PollInhibitScope&) = delete;

  // Lets the poll go on now (once); the scope's end then changes nothing.
  void release();
  // The same without the wait after it.
  void release_at_once();

 private:
  Single release_settle_seconds_;
  Flag released_value_ = kFalse;
  bool held_ = true;
};

}  // namespace ecu
