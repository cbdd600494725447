// Opening, editing and updating the configuration window against a simulated controller.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_wire_fixture.hpp"
#include "shell/frm_dialog.hpp"
#include "shell/frm_ecu.hpp"

namespace ecu {
namespace {

using test::command;
using Commands = std::vector<std::string>;

class FrmToolWireTest : public test::ConfigWireTest {};

// Every field is white and no group marker yellow, but the one setting the load does not read.
void expect_all_in_sync(FrmToolForm& tool) {
  for (ui::Control* control : tool.controls()) {
    if (control == &tool.iac_step_to_reenable) continue;
    if (control->kind() == ui::ControlKind::text_box) {
      EXPECT_EQ(control->back_colour(), ui::colours::white) << control->name() << control->index();
    }
    EXPECT_NE(control->fore_colour(), ui::colours::yellow) << control->name() << control->index();
  }
}

TEST_F(FrmToolWireTest, OpeningReadsEverySettingPageByPageAndEveryFieldShowsItInSync) {
  ecu::run_view_command(ecu::kConfigurationView);
  std::string codes;
  for (const std::string& command : new_commands()) codes += command.substr(0, 1);
  EXPECT_EQ(codes,
            "CB\xA7\xA1\xB7\xE9\xEB\x18\x1A\xED\xEF\x1C\xF1\xF3@(\xA3\x94\x9D\xE5\xE7\xC9\xCA\x0C"
            "\xCB\x9B\x9F\xA5\x7F\xB0UVWST\x84\x86\x88\x8A\x8C\x8E\x90.\x0A\x06\x08!%^\xE3\xD0\x0E"
            "\x10\x16\x12\x14\xD4rr0\xF9\xFD\xFB\xF5"
            "5\x1E\"&");
  FrmToolForm& tool = frm_tool();
  expect_all_in_sync(tool);
  // A sample of values as the controller holds them.
  EXPECT_EQ(tool.trigs_per_rev.text(), "2");
  EXPECT_EQ(tool.soft_ign_rpm1.text(), "6500");
  EXPECT_EQ(tool.inj_offset[4].text(), "-1.000");
  EXPECT_EQ(tool.ph_base_deg[15].text(), "719.75");
  EXPECT_EQ(tool.CLT_CAL_MAP[8].text(), "-64");
  EXPECT_EQ(tool.gear_gpo_num[3].text(), "4");
  for (int row = 0; row < FrmToolForm::kPhases; ++row) {
    EXPECT_EQ(tool.inj_ph(row)[0].caption(), "") << row;
    EXPECT_EQ(tool.ph_used[row].value(), row < 4 ? 1 : 0) << row;
  }
  EXPECT_EQ(tool.ph_used[0].caption(), "");
  EXPECT_EQ(current_view, 2);
  EXPECT_EQ(poll_inhibit, kFalse);
  EXPECT_TRUE(tool.tool_tab.enabled());
  EXPECT_EQ(tool.tool_tab.current_tab(), 0);

  // Coming back from another window reads nothing; opening it again reads everything.
  FrmEcu().show();
  tool.show();
  EXPECT_EQ(new_commands().size(), 0U);
  tool.Command3d2.click();
  run_view_command(kConfigurationView);
  EXPECT_EQ(new_commands().size(), 68U);
}

TEST_F(FrmToolWireTest, TheLoadReadsTheTwoTemperatureSensorTablesFromTheirAddresses) {
  ecu::run_view_command(ecu::kConfigurationView);
  Commands memory_reads;
  for (const std::string& command : new_commands()) {
    if (command[0] == 'r') memory_reads.push_back(command);
  }
  EXPECT_EQ(memory_reads, (Commands{command({'r', 0xC0, 0x05, 0}), command({'r', 0xD0, 0x05, 0})}));
}

TEST_F(FrmToolWireTest, EditsOfEveryKindAreSentOnceInTheirOrderAndTheEchoesMarkThemInSync) {
  FrmToolForm& tool = open_window();
  tool.accel_pw_min.set_text("2");
  tool.stutter_table[3].set_text("119");
  tool.map_type[1].set_value(true);
  tool.min_pressure.set_text("100");
  tool.TPS_mapped.set_value(ui::CheckBox::unchecked);
  tool.inj_ph(3)[5].set_value(ui::CheckBox::checked);
  tool.inj_ph(15)[0].set_value(ui::CheckBox::checked);
  tool.ign_ph(0)[1].set_value(ui::CheckBox::checked);
  tool.target_dwell.set_text("9");
  tool.ph_used[8].set_value(ui::CheckBox::checked);
  tool.ph_used[9].set_value(ui::CheckBox::grayed);  // grey counts as clear
  tool.tach_ph[15].set_value(ui::CheckBox::checked);
  tool.EGO_type[2].set_value(true);
  tool.inj_offset[0].set_text("-1");
  tool.trig_b_used_as[4].set_value(true);
  tool.enable_idle_by_timing.set_value(ui::CheckBox::unchecked);
  tool.gear_gpo_num[2].set_text("9");
  tool.CLT_CAL_MAP[2].set_text("-40");
  tool.Command3d1.click();
  EXPECT_EQ(new_commands(), (Commands{
                                command({0x68, 0xE2, 0x04, 0}),  // 2 ms in 1.6 us ticks
                                command({0x1D, 3, 119, 0}),      // stutter word 3
                                command({0x82, 193, 0, 0}),      // type 1 with both special bits
                                command({0x70, 0x69, 0x01, 0}),  // 100 kPa on the new 255/10 sensor
                                command({0x7C, 0, 0, 0}),        // neither option
                                command({0x80, 3, 0x28, 0}),     // injection row 3
                                command({0x80, 15, 0x01, 0}),    // injection row 15
                                command({0xA6, 0, 0x83, 0}),     // ignition row 0
                                command({0x95, 0x20, 0x03, 0}),  // dwell rewritten to 8.00
                                command({0xA0, 0x0F, 0x01, 0}),  // phases 0 to 3 and 8
                                command({0xB1, 0x05, 0x80, 0}),  // tach phase 15 added
                                command({0xD1, 2, 0, 0}),        // CAN wide band
                                command({0xCD, 0, 0x8F, 0xFD}),  // -625 ticks
                                command({0xF6, 0xC8, 0x02, 0}),  // input word 712
                                command({0x0B, 0, 0, 0}),        // idle by timing off
                                command({0x27, 2, 3, 0}),        // boost table 4 at most
                                command({'e', 0xC2, 0x05, 24}),  // -40 C at 0x5C2
                            }));
  expect_all_in_sync(tool);
  for (ui::ControlArray<ui::CheckBox>* row :
       {&tool.inj_ph(3), &tool.inj_ph(15), &tool.ign_ph(0), &tool.ph_used, &tool.tach_ph}) {
    EXPECT_EQ((*row)[0].caption(), "") << (*row)[0].name();
  }
  EXPECT_EQ(tool.target_dwell.text(), "8.00");
  EXPECT_EQ(tool.CLT_CAL_MAP[2].text(), "-40");
  EXPECT_TRUE(presenter().shown_messages.empty());
  EXPECT_EQ(poll_inhibit, kFalse);
  EXPECT_TRUE(tool.Command3d1.enabled());
  EXPECT_TRUE(tool.Command3d2.enabled());

  tool.Command3d1.click();
  EXPECT_EQ(new_commands(), Commands{}) << "nothing is marked any more";
}

TEST_F(FrmToolWireTest, AControllerThatFallsSilentDuringTheLoadLeavesTheUnreadFieldsUnsent) {
  controller().answer_only(30);
  // When the first unanswered page (5) comes up, Abort will be chosen in the failure dialog.
  frm_tool().tool_tab.on_click = [](int) {
    if (frm_tool().tool_tab.current_tab() != FrmToolForm::kPowerupOptions) return;
    ui::event_loop().post_user_input([] { frm_Dialog().dialog_button[2].click(); });
  };
  FrmToolForm& tool = open_window();
  ASSERT_EQ(comm_aborted, kTrue);
  EXPECT_EQ(tool.num_pulses_hot.back_colour(), ui::colours::yellow);
  comm_aborted = kFalse;
  controller().answer_only(sim::SimulatedController::kEveryReply);

  tool.trigs_per_rev.set_text("3");      // read, then edited
  tool.iac_close_steps.set_text("300");  // never read, but now the user's value
  tool.Command3d1.click();
  EXPECT_EQ(new_commands(), (Commands{command({0x7E, 3, 0, 0}), command({0x85, 0x2C, 0x01, 0})}));
  ASSERT_EQ(presenter().shown_messages.size(), 1U);
  EXPECT_EQ(presenter().shown_messages[0].text,
            "79 settings were not updated because their values could not be read from the "
            "controller; open the configuration again to read them");
  EXPECT_EQ(tool.num_pulses_hot.back_colour(), ui::colours::yellow);

  // Closed through its frame during the update: every write goes, and no box about the
  // window's unread fields comes up once it has left, over whatever the user went to.
  tool.trigs_per_rev.set_text("4");
  ui::event_loop().post_user_input([] { frm_tool().request_close(); });
  tool.Command3d1.click();
  EXPECT_EQ(new_commands(), Commands{command({0x7E, 4, 0, 0})});
  EXPECT_EQ(presenter().shown_messages.size(), 1U);
  EXPECT_FALSE(frm_tool.loaded());
  EXPECT_TRUE(FrmEcu().visible());
}

}  // namespace
}  // namespace ecu
