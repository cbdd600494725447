// The main poll's requests as they reach a simulated controller on a pseudo-terminal.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "link/comm_link.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_about.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/main_poll_loop.hpp"
#include "sim/controller_replies.hpp"
#include "support/linked_window_test.hpp"
#include "ui/event_loop.hpp"
#include "views/frm_dashboard.hpp"
#include "views/frm_diagnostics.hpp"
#include "views/frm_mon.hpp"
#include "views/frm_plotter.hpp"

namespace ecu {
namespace {

using Codes = std::vector<int>;

constexpr int A = 'A';
constexpr int C = 'C';
constexpr int kMonitorFrame = 0x81;
constexpr int kChannelRuntime = 0xCF;
constexpr int kFeatureWord = 0xB3;
constexpr int kFeatureVersion = 0xB4;

class PollWireTest : public test::LinkedWindowTest {
 protected:
  void SetUp() override {
    LinkedWindowTest::SetUp();
    // Every request of the poll gets a well-formed answer.
    controller().set_reply_payload(A, sim::live_data_payload({}));
    controller().set_reply_payload(kMonitorFrame, sim::monitor_frame_payload({}));
    controller().set_reply_payload(kChannelRuntime, sim::channel_runtime_payload({}));
    controller().set_reply_payload(kFeatureWord, std::string("\x00\xFF", 2));
    controller().set_reply_payload(kFeatureVersion, std::string("\x00\x00", 2));
    main_ = &start_console("");
  }

  // The command codes received since the last call.
  Codes new_requests() {
    Codes codes;
    for (const std::string& command : new_commands()) {
      codes.push_back(static_cast<unsigned char>(command.at(0)));
    }
    return codes;
  }

  // The link is up and the status request has gone out, as after the first monitor tick.
  void settle_link() {
    open_comm_link();
    ASSERT_EQ(link_ready, kTrue);
    main_->config_requested = kTrue;
    new_requests();
  }

  FrmEcuForm& main_window() { return *main_; }

 private:
  FrmEcuForm* main_ = nullptr;
};

TEST_F(PollWireTest, EachViewSendsItsOwnRequestsAfterTheFeatureRequests) {
  settle_link();
  struct Case {
    Integer view;
    Codes requests;
  };
  const Case cases[] = {
      {0, {}},
      {1, {kFeatureWord, kFeatureVersion, A, kMonitorFrame, kChannelRuntime}},
      {2, {kFeatureWord, kFeatureVersion}},
      {3, {kFeatureWord, kFeatureVersion, A}},
      {4, {kFeatureWord, kFeatureVersion}},
      {5, {kFeatureWord, kFeatureVersion, A, kMonitorFrame}},
      {6, {kFeatureWord, kFeatureVersion, A, kMonitorFrame}},
      {7, {kFeatureWord, kFeatureVersion, A, kMonitorFrame}},
      {8, {}},
      {9, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.view);
    current_view = c.view;
    feature_word_received = 0;
    main_poll_tick();
    EXPECT_EQ(new_requests(), c.requests);
    // Once the feature word has come, only the view's own requests remain.
    Codes without_features = c.requests;
    if (!without_features.empty() && without_features.front() == kFeatureWord) {
      without_features.erase(without_features.begin(), without_features.begin() + 2);
    }
    current_view = c.view;
    feature_word_received = 1;
    main_poll_tick();
    EXPECT_EQ(new_requests(), without_features);
  }
}

TEST_F(PollWireTest, OpeningTheMonitorSendsTheStatusOnceAndTheFeatureRequestsUntilAnswered) {
  main_window().Menu_View_Monitor.click();
  ASSERT_EQ(current_view, 1);
  frm_dashboard().tachometer.set_maximum(99);
  main_poll_tick();
  EXPECT_EQ(new_requests(),
            (Codes{C, kFeatureWord, kFeatureVersion, A, kMonitorFrame, kChannelRuntime}));
  EXPECT_EQ(frm_dashboard().tachometer.maximum(), 99.0F) << "only demo mode rescales it";
  EXPECT_EQ(feature_word_received, 1) << "the controller's answer was decoded";
  main_poll_tick();
  EXPECT_EQ(new_requests(), (Codes{A, kMonitorFrame, kChannelRuntime}));
  EXPECT_FALSE(frm_mon().ECU_Data[0].caption().empty()) << "the monitor shows the values";
}

TEST_F(PollWireTest, ThePlotterTimerCyclesLiveDataMonitorLiveDataChannels) {
  main_window().config_requested = kTrue;
  main_window().menu_View_Plotter.click();
  EXPECT_EQ(new_requests(), (Codes{C, C}))
      << "the plotter command asks for the status, and so does the plotter's activation";
  // The plotter's timer polls whatever poll_inhibit says.
  poll_inhibit = kTrue;
  for (int tick = 0; tick < 6; ++tick) plotter_poll_tick();
  EXPECT_EQ(new_requests(), (Codes{A, kMonitorFrame, A, kChannelRuntime, A, kMonitorFrame}));
  EXPECT_EQ(frm_plotter().Strip1.sample_count(0), 6);
  feature_word_received = 1;
  main_poll_tick();
  EXPECT_EQ(new_requests(), Codes{}) << "the main poll leaves the plotter to its own timer";
}

TEST_F(PollWireTest, ThePlotterPollRunsNoInputAndInputRunsBeforeItsNextTick) {
  settle_link();
  current_view = 4;
  // Another window's run of requests holds the main poll; the plotter's polls on.
  poll_inhibit = kTrue;
  bool clicked = false;
  ui::event_loop().post_user_input([&clicked] { clicked = true; });
  plotter_poll_tick();
  EXPECT_EQ(new_requests(), Codes{A});
  EXPECT_FALSE(clicked) << "a box the click opened would stand inside the poll's tick";
  ui::do_events();
  EXPECT_TRUE(clicked);
}

// What the rest of the console sees while the first request of a command is on the wire
// (before its reply has been read).
struct DuringFirstRequest {
  std::vector<Integer> views;
  std::vector<Flag> inhibits;
};

TEST_F(PollWireTest, ViewCommandsAskForTheStatusBeforeTakingOverTheView) {
  struct Case {
    const char* name;
    ui::MenuItem& (*menu)(FrmEcuForm&);
    Integer code;
  };
  const Case cases[] = {
      {"basic mapping", [](FrmEcuForm& m) -> ui::MenuItem& { return m.menu_View_Mapping; }, 3},
      {"output drivers", [](FrmEcuForm& m) -> ui::MenuItem& { return m.menu_View_supp; }, 7},
      {"plotter", [](FrmEcuForm& m) -> ui::MenuItem& { return m.menu_View_Plotter; }, 4},
  };
  settle_link();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    current_view = 0;
    poll_inhibit = kTrue;
    DuringFirstRequest seen;
    const std::int64_t received_before = rx_byte_counts[0];
    const auto source = ui::event_loop().add_source([&seen, received_before] {
      if (link_busy() && rx_byte_counts[0] == received_before) {
        seen.views.push_back(current_view);
        seen.inhibits.push_back(poll_inhibit);
      }
      return false;
    });

    c.menu(main_window()).click();
    ui::event_loop().remove_source(source);

    const Codes sent = new_requests();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front(), C);
    ASSERT_FALSE(seen.views.empty());
    EXPECT_EQ(seen.views, std::vector<Integer>(seen.views.size(), 0))
        << "the view is taken over only after the status reply";
    EXPECT_EQ(seen.inhibits, std::vector<Flag>(seen.inhibits.size(), kTrue));
    EXPECT_EQ(current_view, c.code);
    EXPECT_FALSE(main_window().visible());
    ui::Form* view = ui::forms().active();
    ASSERT_NE(view, nullptr);
    view->request_close();
  }
}

TEST_F(PollWireTest, AboutAsksForTheRevisionThenTheSerialNumberWithThePollHeldOff) {
  controller().set_reply_payload('R', sim::firmware_revision_payload(10200));
  controller().set_reply_payload('-', sim::serial_number_payload(654321));
  settle_link();
  std::vector<Flag> inhibits;
  const auto source = ui::event_loop().add_source([&inhibits] {
    if (link_busy()) inhibits.push_back(poll_inhibit);
    return false;
  });

  main_window().menu_about.click();
  ui::event_loop().remove_source(source);

  EXPECT_EQ(new_requests(), (Codes{'R', '-'}));
  ASSERT_FALSE(inhibits.empty());
  EXPECT_EQ(inhibits, std::vector<Flag>(inhibits.size(), kTrue));
  EXPECT_EQ(poll_inhibit, kFalse);
  EXPECT_EQ(frm_about().serial_num.caption(), "654321");
  EXPECT_FALSE(frm_about().FW_Rev.caption().empty());
  EXPECT_TRUE(main_window().visible());
}

TEST_F(PollWireTest, PollInhibitStopsThePollAndItsClearingResumesIt) {
  settle_link();
  current_view = 6;
  feature_word_received = 1;
  poll_inhibit = kTrue;
  main_poll_tick();
  main_poll_tick();
  EXPECT_EQ(new_requests(), Codes{});
  poll_inhibit = kFalse;
  main_poll_tick();
  EXPECT_EQ(new_requests(), (Codes{A, kMonitorFrame}));
}

TEST_F(PollWireTest, AServedViewSwitchEndsItsTickWithOnlyTheViewCommandsRequest) {
  settle_link();
  main_window().Menu_View_Monitor.click();
  frm_mon().view_menus.item(kOutputDriverView).click();
  ASSERT_EQ(current_view, 0);
  main_poll_tick();
  // The output driver command's status request, then the window's own fetch as it shows.
  Codes expected{C, C, 0xAA, 0xAC, 0xE1};
  expected.insert(expected.end(), 12, 'k');
  expected.push_back(0xD9);
  expected.insert(expected.end(), 12, 'k');
  EXPECT_EQ(new_requests(), expected) << "no poll request in the tick that switches views";
  EXPECT_EQ(current_view, 7);
  main_poll_tick();
  EXPECT_EQ(new_requests(), (Codes{kFeatureWord, kFeatureVersion, A, kMonitorFrame}));
}

TEST_F(PollWireTest, DiagnosticsPollsTheLiveDataOnlyOnTheDynoPage) {
  settle_link();
  main_window().menu_view_diagnostic.click();
  ASSERT_EQ(current_view, 8);
  main_poll_tick();
  EXPECT_EQ(new_requests(), Codes{});
  frm_diagnostics().diags_tab.set_current_tab(FrmDiagnosticsForm::kDynoTab);
  main_poll_tick();
  EXPECT_EQ(new_requests(), Codes{A});
}

TEST_F(PollWireTest, AnAbortedLinkClosesTheMonitorWithoutTraffic) {
  settle_link();
  main_window().Menu_View_Monitor.click();
  comm_aborted = kTrue;
  main_poll_tick();
  EXPECT_EQ(new_requests(), Codes{});
  EXPECT_EQ(current_view, 0);
  EXPECT_TRUE(main_window().visible());
}

TEST_F(PollWireTest, AMainTickDuringATransactionReturnsAtOnceWithoutTouchingState) {
  open_comm_link();
  new_requests();
  // Within the serial time-out, and longer than one main poll period.
  controller().set_reply_delay(0.09);
  current_view = 4;
  tach_filter_coef = 0.3F;
  // The main timer falls due several times while the plotter waits for its reply.
  main_window().Timer1.set_enabled(true);
  plotter_poll_tick();
  main_window().Timer1.set_enabled(false);
  EXPECT_EQ(new_requests(), Codes{A});
  EXPECT_EQ(main_window().config_requested, kFalse);
  EXPECT_EQ(tach_filter_coef, 0.3F);
}

}  // namespace
}  // namespace ecu
