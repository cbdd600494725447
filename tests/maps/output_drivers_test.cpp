// The output driver window against a simulated controller: the fetch and its texts, the axis
// labels of every output mode, the write-back of exactly the edited items with their
// encodings and clamps, and the mended faults.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "maps/frm_2d.hpp"
#include "maps/frm_sup.hpp"
#include "maps/window_link_fixture.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

using test::command;
using Commands = std::vector<std::string>;
using Texts = std::vector<std::string>;

class OutputDriversTest : public test::WindowLinkTest {
 protected:
  FrmSupForm& open_fetched() {
    FrmSupForm& window = frm_sup();
    window.show();
    fetch_ = new_commands();
    return window;
  }
  Commands fetch_;
};

// The default controller: output 1 in mode 1 without interpolation, output 2 mode 6; boost
// channel 1 in kPa (flags 1), channel 2 in percent (flags 2).
TEST_F(OutputDriversTest, FetchReadsEverySettingAndTableAndShowsItsTexts) {
  controller().set_memory(0x290, 128);
  controller().set_memory(0x500, 255);
  controller().set_memory(0x960, 128);
  FrmSupForm& window = open_fetched();

  Commands expected = {command({'C', '0', '0', '0'}), command({0xAA, 0, 0, 0}),
                       command({0xAC, 0, 0, 0}), command({0xE1, 0, 0, 0})};
  const auto read_tables = [&](std::initializer_list<int> bases) {
    for (const int base : bases) {
      for (const int at : {base, base + 27, base + 54})
        expected.push_back(command({'k', at & 0xFF, at >> 8, 0}));
    }
  };
  read_tables({0x290, 0x300, 0x360, 0x400});
  expected.push_back(command({0xD9, 0, 0, 0}));
  read_tables({0x500, 0x960, 0xA00, 0xA60});
  EXPECT_EQ(fetch_, expected);
  // Decoding is pinned by the decoders' own tests: here the replies reach the tables, in
  // the unit of each boost channel, and the axes follow the modes.
  EXPECT_EQ((Texts{window.GPO_tbl_0.cell_text(9, 1), window.boost_gpo_0.cell_text(9, 1),
                   window.boost_gpo_1.cell_text(9, 1), window.boost_p[0].text(),
                   window.GPO_0_X_lbl[1].caption(), window.GPO_0_Y_lbl[8].caption()}),
            (Texts{"50.0", "125.0", "50.0", "1.500", "1000", "125.0"}));
  EXPECT_FALSE(window.gpo_map_holder[1].visible()) << "fuel pump relay: no table";
  EXPECT_EQ(poll_inhibit, kFalse);

  // Activated again while open: only the caption is renewed, nothing is marked or sent.
  FrmEcu().show();
  window.show();
  EXPECT_EQ(new_commands(), Commands{});
  EXPECT_EQ(window.boost_p[0].back_colour(), ui::colours::white);
  window.Command3d2.click();
  EXPECT_EQ(new_commands(), Commands{});
}

TEST_F(OutputDriversTest, UpdateWritesExactlyTheEditedItemsEncodedAndClamped) {
  FrmSupForm& window = open_fetched();
  window.GPO_tbl_0.set_cell_text(9, 1, "50.0");   // byte 0: 128
  window.GPO_tbl_0.set_cell_text(8, 1, "100.0");  // 256 is held to 255
  window.GPO_tbl_0.set_cell_text(7, 1, "30");     // 76.8: 77
  window.GPO_tbl_1.set_cell_text(9, 1, "abc");    // not a number: kept, not sent
  window.boost_gpo_0.set_cell_text(9, 1, "100");  // kPa: 90 / 115 x 255 = 199.57
  window.boost_gpo_1.set_cell_text(9, 1, "5");    // percent: 12.8
  window.cool_rly_temp[1].set_text("-10");
  window.cool_rly_temp[2].set_text("300");  // held to 127
  window.rpm_switch[0].set_text("3500");
  window.rpm_switch[3].set_text("40000");  // held to 32767
  window.gpo_1_mode[5].set_value(true);
  window.dont_interpolate[1].set_value(ui::CheckBox::checked);
  window.boost_ctrl_invert[3].set_value(ui::CheckBox::unchecked);  // flags 3 become 2
  window.boost_p[2].set_text("1.5");
  window.boost_i[1].set_text("20");  // 81920 is held to 65535
  window.boost_d[0].set_text("-1");
  window.boost_integ_preset[0].set_text("50.0");  // 127.5 to the even 128
  window.boost_loop_rate[1].set_text("300");
  window.boost_loop_rate[2].set_text("-5");
  window.boost_enable_press[3].set_text("5");  // below the sensor's 10 kPa: 0
  window.menuupdate.click();

  const Commands expected = {
      command({0xE2, 0, 0xAC, 0x0D}), command({0xAD, 1, 0xF6, 0}),    command({0xAD, 2, 0x7F, 0}),
      command({0xE2, 3, 0xFF, 0x7F}), command({0xAB, 1, 0x85, 0}),    command({0xE0, 3, 2, 0}),
      command({'e', 0x90, 2, 128}),   command({'e', 0x00, 5, 200}),   command({'e', 0x60, 9, 13}),
      command({'e', 0x91, 2, 255}),   command({'e', 0x92, 2, 77}),    command({0xDC, 0, 0, 0}),
      command({0xDE, 0, 128, 0}),     command({0xDB, 1, 0xFF, 0xFF}), command({0xDF, 1, 255, 0}),
      command({0xDA, 2, 0x00, 0x18}), command({0xDF, 2, 0, 0}),       command({0xDD, 3, 0, 0})};
  EXPECT_EQ(new_commands(), expected);
  EXPECT_EQ(controller().memory(0x291), 255);
  EXPECT_EQ((Texts{window.GPO_tbl_0.cell_text(8, 1), window.boost_gpo_0.cell_text(9, 1),
                   window.GPO_tbl_1.cell_text(9, 1)}),
            (Texts{"99.6", "100.2", "abc"}));
  EXPECT_EQ(window.GPO_tbl_1.cell_back_colour(9, 1), ui::colours::yellow);
  EXPECT_EQ(window.gpo_1_mode[0].fore_colour(), ui::colours::black);
}

TEST_F(OutputDriversTest, ABoostUnitChangeSendsTheFlagsFirstAndLeavesTheOtherCellsUnread) {
  controller().set_memory(0x501, 64);
  FrmSupForm& window = open_fetched();
  window.use_as_pwm[0].set_value(ui::CheckBox::checked);  // flags 1 become 3: percent
  window.boost_gpo_0.set_cell_text(9, 1, "50");
  window.Command3d2_Click();
  EXPECT_EQ(new_commands(), (Commands{command({0xE0, 0, 3, 0}), command({'e', 0x00, 5, 128})}));
  EXPECT_EQ(window.boost_gpo_0.cell_back_colour(8, 1), ui::colours::yellow);
  window.boost_gpo_0.set_cell_back_colour(8, 1, ui::colours::yellow);
  window.Command3d2_Click();
  EXPECT_EQ(new_commands(), Commands{}) << "the old-unit cells wait for the next fetch";
  EXPECT_EQ(controller().memory(0x501), 64);
  EXPECT_EQ(window.boost_y_text[0].caption(), "MAP");
}

TEST_F(OutputDriversTest, NothingReadNothingSentAndACloseStopsTheFetch) {
  link_ready = kFalse;
  FrmSupForm& window = open_fetched();
  link_ready = kTrue;
  window.Command3d2_Click();
  EXPECT_EQ(new_commands(), Commands{}) << "never read, never edited";

  // The close asked for while the first table block is decoded ends the fetch there.
  window.Command3d1_Click();
  window.table_editing(0).after_change = [&](int, int) { window.Command3d1_Click(); };
  controller().set_memory(0x290, 1);
  window.show();
  const Commands fetched = new_commands();
  ASSERT_EQ(fetched.size(), 5U);
  EXPECT_EQ(fetched.back(), command({'k', 0x90, 2, 0}));
  EXPECT_FALSE(window.visible());
  EXPECT_EQ(poll_inhibit, kFalse);
}

TEST_F(OutputDriversTest, ClosedThroughItsFrameDuringTheUpdateItLeavesAtOnceAndSendsEveryWrite) {
  FrmSupForm& window = open_fetched();
  for (int row = 9; row >= 7; --row) window.GPO_tbl_0.set_cell_text(row, 1, "50");  // 128
  window.table_editing(0).after_change = [&](int, int) {
    if (window.visible()) window.request_close();
  };
  window.Command3d2_Click();
  EXPECT_EQ(new_commands(), (Commands{command({'e', 0x90, 2, 128}), command({'e', 0x91, 2, 128}),
                                      command({'e', 0x92, 2, 128})}));
  EXPECT_FALSE(frm_sup.loaded()) << "unloaded once the Update has ended";
  EXPECT_EQ(poll_inhibit, kFalse);
}

TEST_F(OutputDriversTest, DemoModeFillsBothWindowsInSyncAndSendsNothing) {
  demo_mode = kTrue;
  FrmSupForm& window = open_fetched();
  frm_2d().show();
  EXPECT_EQ(new_commands(), Commands{});
  EXPECT_EQ((Texts{window.GPO_tbl_3.cell_text(4, 4), window.cool_rly_temp[1].text(),
                   frm_2d().idle_rpm_map[8].text(), frm_2d().lambda_sp_table.cell_text(3, 3)}),
            (Texts{"100.0", "95", "800", "1.000"}));
  EXPECT_TRUE(window.gpo_1_mode[5].value());
  EXPECT_EQ(window.GPO_tbl_3.cell_back_colour(4, 4), ui::colours::white);
  EXPECT_EQ(window.boost_gpo_0.cell_back_colour(4, 4), ui::colours::yellow);
  EXPECT_EQ(frm_2d().ign_bar[4].back_colour(), ui::colours::white);
}

TEST_F(OutputDriversTest, TheAxesOfEveryOutputModeAndBoostUnit) {
  FrmSupForm& window = frm_sup();
  rpm_full_scale = 10000;
  map_sensor_gain = 115;
  map_sensor_offset = 10;
  struct Case {
    Long mode;
    std::string x_name, y_name;
    const char* y_labels[3];  // breakpoints 0, 1 and 8
    const char* x_labels[3];
    bool shown;
  };
  const Case cases[] = {
      {0, "---", "---", {"0.0", "0.0", "0.0"}, {"0", "0", "0"}, false},
      {1, "RPM", "MAP", {"10.0", "24.4", "125.0"}, {"0", "1250", "10000"}, true},
      {2, "RPM", "CLT", {"-13.0", "3.0", "115.0"}, {"0", "1250", "10000"}, true},
      {3, "RPM", "TPS", {"0.0", "12.5", "100.0"}, {"0", "1250", "10000"}, true},
      {4, "RPM", "MAT", {"-13.0", "3.0", "115.0"}, {"0", "1250", "10000"}, true},
      {5, "MAT", "MAP", {"10.0", "24.4", "125.0"}, {"-13", "3", "115"}, true},
      {6, "---", "---", {"0.0", "0.0", "0.0"}, {"0", "0", "0"}, false},
      {10, "   ", "IAC", {"0.0", "32.0", "256.0"}, {"0", "0", "0"}, true},
      {13, "---", "---", {"0.0", "0.0", "0.0"}, {"0", "0", "0"}, false},
      {129, "RPM", "MAP", {"10.0", "24.4", "125.0"}, {"0", "1250", "10000"}, true},
  };
  for (const Case& c : cases) {
    gpos = {0, 0, c.mode, 0};
    window.refresh_gpo_axes();
    EXPECT_EQ(window.gpo_x_text[2].caption(), c.x_name) << c.mode;
    EXPECT_EQ(window.gpo_y_text[2].caption(), c.y_name) << c.mode;
    EXPECT_EQ(window.gpo_map_holder[2].visible(), c.shown) << c.mode;
    EXPECT_EQ(window.GPO_tbl_2.column_width(2) == 0, c.mode == 10) << c.mode;
    const int points[] = {0, 1, 8};
    for (int n = 0; n < 3; ++n) {
      EXPECT_EQ(window.GPO_2_Y_lbl[points[n]].caption(), c.y_labels[n]) << c.mode;
      EXPECT_EQ(window.GPO_2_X_lbl[points[n]].caption(), c.x_labels[n]) << c.mode;
    }
  }
  EXPECT_TRUE(window.gpo_map_holder[7].visible());
  const auto boost_axis = [&] {
    return Texts{window.boost_y_text[3].caption(), window.GPO_boost_Y_lbl_3[0].caption(),
                 window.GPO_boost_Y_lbl_3[1].caption(), window.GPO_boost_Y_lbl_3[4].caption(),
                 window.GPO_boost_X_lbl_3[1].caption()};
  };
  EXPECT_EQ(boost_axis(), (Texts{"MAT", "-13", " 3", " 51", " 1250"}));
  window.use_as_pwm[3].set_value(ui::CheckBox::checked);
  EXPECT_EQ(boost_axis(), (Texts{"MAP", " 10", " 24", " 67", " 1250"}));
}

}  // namespace
}  // namespace ecu
