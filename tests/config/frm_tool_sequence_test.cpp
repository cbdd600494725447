// What the user can do while the load or an update runs, the demo fill, and the tools.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "config/config_wire_fixture.hpp"
#include "link/request.hpp"
#include "shell/frm_ecu.hpp"
#include "support/tick_form.hpp"
#include "views/frm_mon.hpp"

namespace ecu {
namespace {

using test::command;
using Commands = std::vector<std::string>;

class FrmToolSequenceTest : public test::ConfigWireTest {};

// What the user does while an update runs: a field marked when it was asked for goes with
// the value it held then, and one typed into later waits (never half typed) for the pass
// that Enter asks for, which runs once the first has ended; no echo rewrites the user's
// text. A view menu or the frame's close takes the window away at once, and the update
// still sends every write.
TEST_F(FrmToolSequenceTest, AnUpdateSendsWhatWasTypedWhenAskedAndRunsToItsEnd) {
  FrmToolForm& tool = open_window();
  tool.accel_pw_min.set_text("2");
  // The user acts once the first write's echo is in: after that request, and in the wait
  // after the last one.
  const std::function<void()> mark = tool.accel_pw_min.on_change;
  tool.accel_pw_min.on_change = [&tool, mark] {
    mark();
    tool.accel_pw_min.on_change = mark;
    ui::event_loop().post_user_input([&tool] {
      tool.accel_pw_min.set_text("3");
      tool.ego_rate.set_text("1");
      ui::event_loop().post_user_input([&tool] {
        tool.ego_rate.set_text("12");
        tool.ego_rate.key_down(13, 0);
      });
    });
  };
  tool.Command3d1.click();
  // 2 ms is 1250 ticks, 3 ms 1875.
  EXPECT_EQ(new_commands(), (Commands{command({0x68, 0xE2, 0x04, 0}),
                                      command({0x68, 0x53, 0x07, 0}), command({0x63, 12, 0, 0})}));
  EXPECT_EQ(tool.ego_rate.back_colour(), ui::colours::white);

  const auto close_during_update = [this](const std::function<void()>& close) {
    FrmToolForm& window = open_window();
    window.accel_pw_min.set_text("2");
    window.ego_rate.set_text("20");
    ui::event_loop().post_user_input(close);
    window.Command3d1.click();
    EXPECT_EQ(new_commands(),
              (Commands{command({0x68, 0xE2, 0x04, 0}), command({0x63, 20, 0, 0})}));
    EXPECT_EQ(current_view, 0);
    EXPECT_EQ(poll_inhibit, kFalse);
  };
  close_during_update([] { frm_tool().view_menus.item(kPlotterView).click(); });
  EXPECT_EQ(view_request_plot, kTrue);
  EXPECT_FALSE(frm_tool().visible());

  // The frame closed meanwhile unloads the window only once the update has ended.
  bool kept_while_running = false;
  close_during_update([&kept_while_running] {
    frm_tool().request_close();
    kept_while_running = frm_tool.loaded() && !frm_tool().visible();
  });
  EXPECT_TRUE(kept_while_running);
  EXPECT_FALSE(frm_tool.loaded());
  EXPECT_TRUE(FrmEcu().visible());
}

// A phase box ticked while the update writes an earlier row goes out with its own row, and
// that row's echo leaves it ticked.
TEST_F(FrmToolSequenceTest, APhaseBoxTickedDuringTheUpdateGoesOutWithItsRow) {
  FrmToolForm& tool = open_window();
  tool.inj_ph(0)[1].set_value(ui::CheckBox::checked);  // row 0 held 0x01
  tool.inj_ph(5)[2].set_value(ui::CheckBox::checked);  // row 5 held 0x20
  controller().set_reply_delay(0.01);
  bool ticked = false;
  const test::TickForm user([&] {
    if (!link_busy() || ticked) return;
    ticked = true;
    ui::event_loop().post_user_input(
        [&tool] { tool.inj_ph(5)[4].set_value(ui::CheckBox::checked); });
  });
  tool.Command3d1.click();
  EXPECT_EQ(new_commands(), (Commands{command({0x80, 0, 0x03, 0}), command({0x80, 5, 0x34, 0})}));
  EXPECT_EQ(tool.inj_ph(5)[4].value(), ui::CheckBox::checked);
  EXPECT_EQ(tool.inj_ph(5)[0].caption(), "");
}

TEST_F(FrmToolSequenceTest, ClosingDuringTheLoadStopsItAndShowsTheMainWindowOrTheViewOpened) {
  for (const bool open_monitor : {false, true}) {
    SCOPED_TRACE(open_monitor ? "monitor opened meanwhile" : "nothing opened meanwhile");
    ui::event_loop().post_user_input([open_monitor] {
      frm_tool().request_close();
      if (open_monitor) run_view_command(kMonitorView);
    });
    run_view_command(kConfigurationView);
    for (const std::string& command : new_commands()) EXPECT_NE(command[0], 'B');
    EXPECT_FALSE(frm_tool.loaded());
    EXPECT_TRUE(open_monitor ? frm_mon().visible() : FrmEcu().visible());
    EXPECT_EQ(current_view, open_monitor ? 1 : 0);
    EXPECT_EQ(poll_inhibit, kFalse);
  }
}

TEST_F(FrmToolSequenceTest, DemoModeFillsTheDemoValuesInSyncAndSendsNothing) {
  demo_mode = kTrue;
  FrmToolForm& tool = open_window();
  EXPECT_EQ(controller().request_count(), 0U);
  const std::vector<std::pair<const ui::TextBox*, const char*>> shown = {
      {&tool.ego_seconds, "180"},         {&tool.min_ego_gain, ".604"},
      {&tool.ph_base_deg[3], "270.00"},   {&tool.ph_base_deg[12], "0.00"},
      {&tool.CLT_CAL_MAP[3], "40.5"},     {&tool.MAT_CAL_MAP[8], "108.0"},
      {&tool.gear_gpo_num[7], "4"},       {&tool.iac_step_to_reenable, "15"},
      {&tool.wheel_rpm_scaler, "0.01567"}};
  for (const auto& [box, text] : shown) {
    EXPECT_EQ(box->text(), text) << box->name();
    EXPECT_EQ(box->back_colour(), ui::colours::white) << box->name();
  }
  EXPECT_TRUE(tool.EGO_type[1].value());
  for (const ui::CheckBox* box :
       {&tool.inj_ph(4)[0], &tool.inj_ph(0)[4], &tool.ign_ph(7)[7], &tool.tach_ph[7]}) {
    EXPECT_EQ(box->value(), ui::CheckBox::checked) << box->name() << "(" << box->index() << ")";
  }
  EXPECT_EQ(tool.aux_in_used_as[0].fore_colour(), ui::colours::white);
  EXPECT_EQ(current_view, 2);

  tool.ego_seconds.set_text("20");
  tool.Command3d1.click();
  EXPECT_EQ(controller().request_count(), 0U);
  EXPECT_EQ(tool.ego_seconds.back_colour(), ui::colours::yellow);
}

TEST_F(FrmToolSequenceTest, AThrottleCaptureFillsTheBoxOrRestoresItWhenNoReadingCame) {
  FrmToolForm& tool = open_window();
  tool.tps_base_val.set_text("55");
  tool.calibrate_tps_val[0].click();
  EXPECT_EQ(new_commands(), Commands{command({0xD7, 0, 0, 0})});
  EXPECT_EQ(tool.tps_base_val.text(), "10.2");  // reading 26 of 255
  EXPECT_EQ(tool.tps_base_val.back_colour(), ui::colours::white);

  demo_mode = kTrue;  // no request goes out, so no reading comes
  tool.calibrate_tps_val[1].click();
  EXPECT_EQ(tool.tps_fs_val.text(), "90.2");
  EXPECT_EQ(tool.tps_fs_val.back_colour(), ui::colours::white);
}

TEST_F(FrmToolSequenceTest, TheStutterGeneratorFillsFourWordsAndStopsOnCountsThatCannotEnd) {
  FrmToolForm& tool = frm_tool();
  struct Case {
    const char* skips;
    const char* hits;
    int index;
    const char* text;
    const char* words[4];
  };
  const Case cases[] = {
      {"3", "1", 0, "11101110111011101110111011101110", {" 119", " 119", " 119", " 119"}},
      {"5", "2", 1, "11111001111100111110011111001111100", {" 159", " 207", " 231", " 243"}},
      {"1", "0", 0, "11111111111111111111111111111111", {" 255", " 255", " 255", " 255"}},
      // A count is at most 32.
      {"1e9", "1", 1, "111111111111111111111111111111110", {" 255", " 255", " 255", " 255"}},
      {"-1", "0", 0, "unchanged", {"x", "x", "x", "x"}},
      {"0.4", "0", 0, "unchanged", {"x", "x", "x", "x"}},
      {"0", "5", 1, "unchanged", {"x", "x", "x", "x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.skips) + " skips, " + c.hits + " hits");
    tool.stutter_text.set_text("unchanged");
    for (int i = 0; i < FrmToolForm::kStutterSteps; ++i) {
      tool.stutter_table[i].set_text("x");
      tool.stutter_table[i].set_back_colour(ui::colours::white);
    }
    tool.skip_fire_bits.set_text(c.skips);
    tool.fire_bits.set_text(c.hits);
    tool.make_stutter_text[c.index].click();
    EXPECT_EQ(tool.stutter_text.text(), c.text);
    for (int i = 0; i < FrmToolForm::kStutterSteps; ++i) {
      const std::string word = i / 4 == c.index ? c.words[i % 4] : "x";
      EXPECT_EQ(tool.stutter_table[i].text(), word) << i;
      EXPECT_EQ(tool.stutter_table[i].back_colour(),
                word == "x" ? ui::colours::white : ui::colours::yellow)
          << i;
    }
  }
  EXPECT_TRUE(presenter().shown_messages.empty()) << presenter().shown_messages[0].text;
  tool.stutter_text.set_text("0000000011111111");
  tool.create_stutter_patterns_from_text[1].click();
  EXPECT_EQ(tool.stutter_table[4].text(), " 0");
  EXPECT_EQ(tool.stutter_table[5].text(), " 255");
  EXPECT_EQ(tool.stutter_table[7].text(), " 255");
}

TEST_F(FrmToolSequenceTest, TheSpeedWizardComputesTheScalerFromTheTyreOrTheRevolutions) {
  FrmToolForm& tool = frm_tool();
  tool.speed_wizard_calc[0].click();  // no circumference: nothing changes
  EXPECT_EQ(tool.revs_mile.text(), "");
  EXPECT_EQ(tool.wheel_rpm_scaler.text(), "");
  tool.rolling_circum_inches.set_text("80");
  tool.trigs_rev.set_text("4");
  tool.speed_wizard_calc[0].click();
  EXPECT_EQ(tool.revs_mile.text(), "792.0");
  EXPECT_EQ(tool.wheel_rpm_scaler.text(), "0.071023");  // 60 / 844.8
  EXPECT_EQ(tool.wheel_rpm_scaler.back_colour(), ui::colours::yellow);
  tool.revs_mile.set_text("1000");
  tool.trigs_rev.set_text("1");
  tool.speed_wizard_calc[1].click();
  EXPECT_EQ(tool.wheel_rpm_scaler.text(), "0.225000");
}

}  // namespace
}  // namespace ecu
