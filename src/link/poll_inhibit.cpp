#include "link/poll_inhibit.hpp"

#include <exception>

#include "link/request.hpp"
#include "model/shared_state.hpp"

namespace ecu {

void lift_poll_inhibit() {
  poll_inhibit = kFalse;
}

PollInhibitScope::PollInhibitScope(Single settle_seconds, Single release_settle_seconds)
    : release_settle_seconds_(release_settle_seconds) {
  poll_inhibit = kTrue;
  if (settle_seconds > 0.0F) delay_seconds(settle_seconds);
}

PollInhibitScope::PollInhibitScope(RestorePollInhibit /*unused*/)
    : release_settle_seconds_(0.0F), released_value_(poll_inhibit) {
  poll_inhibit = kTrue;
}

PollInhibitScope::~PollInhibitScope() {
  // Running the message loop while an exception unwinds could start anything.
  if (std::uncaught_exceptions() > 0) {
    release_at_once();
  } else {
    release();
  }
}

void PollInhibitScope::release() {
  if (!held_) return;
  release_at_once();
  if (release_settle_seconds_ > 0.0F) delay_seconds(release_settle_seconds_);
}

void PollInhibitScope::release_at_once() {
  if (!held_) return;
  held_ = false;
  poll_inhibit = released_value_;
}

}  // namespace ecu
