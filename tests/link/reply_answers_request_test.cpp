// A controller is heard whatever its speed, and only the reply that answers a request is
// taken: the console's windows against the simulated controller on a pseudo-terminal.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/frm_tool.hpp"
#include "link/receive_framer.hpp"
#include "shell/frm_dialog.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/frm_retries.hpp"
#include "shell/main_poll_loop.hpp"
#include "shell/view_commands.hpp"
#include "support/linked_window_test.hpp"
#include "views/frm_mon.hpp"

namespace ecu {
namespace {

std::string codes_of(const std::vector<std::string>& commands) {
  std::string codes;
  for (const std::string& command : commands) codes += command.substr(0, 1);
  return codes;
}

// The configuration as the controller holds it: every field white, no group marker yellow
// (but the one setting the load does not read), and a sample of values.
void expect_configuration_shown_right(FrmToolForm& tool, const char* what) {
  for (ui::Control* control : tool.controls()) {
    if (control == &tool.iac_step_to_reenable) continue;
    if (control->kind() == ui::ControlKind::text_box) {
      EXPECT_EQ(control->back_colour(), ui::colours::white)
          << what << ": " << control->name() << control->index();
    }
    EXPECT_NE(control->fore_colour(), ui::colours::yellow)
        << what << ": " << control->name() << control->index();
  }
  EXPECT_EQ(tool.trigs_per_rev.text(), "2") << what;
  EXPECT_EQ(tool.soft_ign_rpm1.text(), "6500") << what;
  EXPECT_EQ(tool.inj_offset[4].text(), "-1.000") << what;
  EXPECT_EQ(tool.ph_base_deg[15].text(), "719.75") << what;
  EXPECT_EQ(tool.CLT_CAL_MAP[8].text(), "-64") << what;
  const char* const gears[] = {"2", "3", "4", "4", "3", "2"};
  for (int gear = 1; gear <= 6; ++gear) {
    EXPECT_EQ(tool.gear_gpo_num[gear].text(), gears[gear - 1]) << what << ": gear " << gear;
  }
}

class ReplyAnswersRequestTest : public test::LinkedWindowTest {
 protected:
  FrmEcuForm& connect_with_gear_outputs() {
    FrmEcuForm& main_window = connect();
    // Outputs 0 to 7 of the gears, shown one up: gears 1 to 6 read 2, 3, 4, 4, 3, 2.
    controller().settings().set_block(0x26, test::command({0, 1, 2, 3, 3, 2, 1, 0}));
    return main_window;
  }
};

TEST_F(ReplyAnswersRequestTest, AControllerAnsweringAtOnceServesEveryWindowAtTheFirstAttempt) {
  FrmEcuForm& main_window = connect_with_gear_outputs();

  main_window.Menu_View_Monitor.click();
  for (int tick = 0; tick < 3; ++tick) main_poll_tick();
  EXPECT_EQ(codes_of(new_commands()),
            "C\xB3\xB4"
            "A\x81\xCF"
            "A\x81\xCF"
            "A\x81\xCF");
  frm_mon().Command3d1_Click();

  FrmEcu().Menu_View_Injection_Click();
  EXPECT_EQ(new_commands().size(), 68U) << "one request per setting";
  expect_configuration_shown_right(frm_tool(), "load");
  frm_tool().Command3d2_Click();

  presenter().choose_next_file("cal.set");
  main_window.menufilesave_Click();
  EXPECT_EQ(new_commands().size(), 1969U) << "the link check and one read per line's value";
  std::ifstream file("cal.set", std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  const std::string lines = text.str();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2126);
  EXPECT_TRUE(presenter().shown_messages.empty());

  EXPECT_FALSE(frm_Dialog.loaded());
  EXPECT_FALSE(frm_retries.loaded()) << "no request needed a third attempt";
  EXPECT_EQ(dropped_reply_count(), 0);
  EXPECT_EQ(unanswered_reply_count(), 0);
}

TEST_F(ReplyAnswersRequestTest, AStrayFrameOrALateAnswerIsNotTakenAndTheLoadShowsEveryField) {
  struct Case {
    const char* what;
    sim::Misbehaviour fault;
    bool retried;  // a late answer costs its request a second attempt
  };
  const Case cases[] = {
      {"a frame of another type before every 5th reply", sim::Misbehaviour::stray_frame_before,
       false},
      {"every 5th answer 150 ms late", sim::Misbehaviour::late, true},
  };
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    connect_with_gear_outputs();
    controller().inject_fault(c.fault, 5);
    FrmEcu().Menu_View_Injection_Click();
    const std::size_t faults = controller().injected_fault_count();
    EXPECT_GE(faults, 13U) << c.what;
    const std::size_t requests = new_commands().size();
    if (c.retried) {
      EXPECT_LE(requests, 68U + faults) << c.what;
    } else {
      EXPECT_EQ(requests, 68U) << c.what << ": a stray frame costs no attempt";
      EXPECT_EQ(unanswered_reply_count(), static_cast<std::int64_t>(faults)) << c.what;
    }
    expect_configuration_shown_right(frm_tool(), c.what);
    EXPECT_FALSE(frm_Dialog.loaded()) << c.what;
    controller().inject_fault(sim::Misbehaviour::none, 0);
  }
}

}  // namespace
}  // namespace ecu
