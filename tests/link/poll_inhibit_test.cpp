// The scope that keeps the main poll off the line while a window talks to the controller.

#include "link/poll_inhibit.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

#include "model/shared_state.hpp"
#include "support/console_test.hpp"

namespace ecu {
namespace {

using PollInhibitTest = test::ConsoleTest;

// A window's transfer that may end early: returns the seconds waited inside its scope.
double transfer(ui::ManualClock& clock, bool stop_early, bool release_first) {
  const double start = clock.monotonic_seconds();
  PollInhibitScope inhibit(0.1F, 0.2F);
  EXPECT_EQ(poll_inhibit, kTrue);
  if (release_first) inhibit.release();
  if (stop_early) return clock.monotonic_seconds() - start;
  clock.advance(1.0);
  return clock.monotonic_seconds() - start;
}

TEST_F(PollInhibitTest, EveryWayOutLetsThePollGoOnAfterItsWait) {
  ui::ManualClock& clock = use_manual_clock();
  struct Case {
    bool stop_early;
    bool release_first;
    double waited_inside;  // the entry wait, and the release's when it came first
    double waited_in_all;
  };
  const Case cases[] = {
      {false, false, 1.1, 1.3},
      {true, false, 0.1, 0.3},
      {false, true, 1.3, 1.3},
      {true, true, 0.3, 0.3},
  };
  for (const Case& c : cases) {
    const double start = clock.monotonic_seconds();
    const double inside = transfer(clock, c.stop_early, c.release_first);
    EXPECT_NEAR(inside, c.waited_inside, 0.01) << c.stop_early << c.release_first;
    EXPECT_NEAR(clock.monotonic_seconds() - start, c.waited_in_all, 0.01)
        << "the release waits once";
    EXPECT_EQ(poll_inhibit, kFalse);
  }
}

TEST_F(PollInhibitTest, AnExceptionReleasesWithoutRunningTheLoop) {
  ui::ManualClock& clock = use_manual_clock();
  double after_entry = 0;
  EXPECT_THROW(
      {
        const PollInhibitScope inhibit(0.1F, 0.2F);
        after_entry = clock.monotonic_seconds();
        throw std::runtime_error("port gone");
      },
      std::runtime_error);
  EXPECT_EQ(poll_inhibit, kFalse);
  EXPECT_EQ(clock.monotonic_seconds(), after_entry);
}

TEST_F(PollInhibitTest, ReleasingAtOnceSkipsTheWait) {
  ui::ManualClock& clock = use_manual_clock();
  PollInhibitScope inhibit(0.0F, 0.2F);
  const double before = clock.monotonic_seconds();
  inhibit.release_at_once();
  inhibit.release();
  EXPECT_EQ(poll_inhibit, kFalse);
  EXPECT_EQ(clock.monotonic_seconds(), before);
}

TEST_F(PollInhibitTest, ARestoringScopeGivesBackTheFlagItFoundOnEveryWayOutWithoutWaiting) {
  ui::ManualClock& clock = use_manual_clock();
  struct Case {
    Flag found;
    bool throws;
    Flag left;
  };
  const Case cases[] = {
      {kFalse, false, kFalse},
      {kTrue, false, kTrue},
      {kFalse, true, kFalse},
      {kTrue, true, kTrue},
  };
  for (const Case& c : cases) {
    poll_inhibit = c.found;
    const double before = clock.monotonic_seconds();
    try {
      const PollInhibitScope inhibit{RestorePollInhibit{}};
      EXPECT_EQ(poll_inhibit, kTrue);
      if (c.throws) throw std::runtime_error("file gone");
    } catch (const std::runtime_error&) {
      EXPECT_TRUE(c.throws);
    }
    EXPECT_EQ(poll_inhibit, c.left) << c.found << c.throws;
    EXPECT_EQ(clock.monotonic_seconds(), before);
  }
}

}  // namespace
}  // namespace ecu
