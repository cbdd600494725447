// The additional mapping window against a simulated controller: the fetch, the texts, the
// write-back of exactly the edited items and the guards of its transfers.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "maps/frm_2d.hpp"
#include "maps/window_link_fixture.hpp"
#include "model/shared_state.hpp"
#include "ui/clock.hpp"

namespace ecu {
namespace {

using test::command;
using Commands = std::vector<std::string>;
using Texts = std::vector<std::string>;

class AdditionalMappingTest : public test::WindowLinkTest {
 protected:
  Frm2dForm& open_fetched() {
    Frm2dForm& window = frm_2d();
    window.show();
    fetch_ = new_commands();
    return window;
  }
  Commands fetch_;
};

TEST_F(AdditionalMappingTest, FetchReadsEveryTableInPageOrderAndShowsItsTexts) {
  controller().set_memory(0x072, 64);
  controller().set_memory(0x000, 140);
  Frm2dForm& window = open_fetched();

  const Commands expected = {
      command({'C', '0', '0', '0'}), command({'r', 0x70, 0, 0}), command({'r', 0x80, 0, 0}),
      command({'r', 0x20, 2, 0}),    command({'r', 0x90, 0, 0}), command({'r', 0xD0, 4, 0}),
      command({'r', 0x00, 2, 0}),    command({'r', 0x10, 2, 0}), command({'r', 0x40, 2, 0}),
      command({'r', 0xB0, 4, 0}),    command({'r', 0xC0, 4, 0}), command({'r', 0xA0, 4, 0}),
      command({'r', 0x70, 5, 0}),    command({'r', 0x80, 4, 0}), command({'r', 0x30, 2, 0}),
      command({'k', 0, 0, 0}),       command({'k', 27, 0, 0}),   command({'k', 54, 0, 0})};
  EXPECT_EQ(fetch_, expected);
  // Decoding is pinned by the decoders' own tests; the breakpoints follow the controller's
  // 8000 rpm and 115 / 10 kPa sensor.
  EXPECT_EQ(
      (Texts{window.clt_map[2].text(), window.lambda_sp_table.cell_text(9, 1),
             window.Label3[1].caption(), window.Label4[3].caption(), window.Label6[0].caption(),
             window.Label1[3].caption(), window.Label17[3].caption()}),
      (Texts{"1.000", "1.09", " 1000", " 53", "-13", "1.238", "7.50"}));
  // After the heat map no cell is left marked unread.
  EXPECT_NE(window.lambda_sp_table.cell_back_colour(5, 5), ui::colours::yellow);
  EXPECT_EQ(lambda_sp_scale_high, 1.09F);
  EXPECT_EQ(poll_inhibit, kFalse);

  // Activated again while open: nothing is read again.
  FrmEcu().show();
  window.show();
  EXPECT_EQ(new_commands(), Commands{});
}

TEST_F(AdditionalMappingTest, UpdateWritesExactlyTheEditedItemsEncodedAndClamped) {
  Frm2dForm& window = open_fetched();
  afr_factor = 14.7F;
  window.clt_map[0].set_text("5");         // above 3.984375: 255
  window.dwell_map[1].set_text("3");       // the dwell limit 2.5: 160
  window.ign_map[3].set_text("10.1");      // round(40.4) + 64
  window.ign_map[4].set_text("-20");       // below -16 degrees: 0
  window.idle_rpm_map[5].set_text("804");  // 100.5 to the even 100
  window.idle_rpm_map[6].set_text("812");  // 101.5 to the even 102
  window.baro_gain[0].set_text("1.5");
  window.ign_aux[4].set_text("0");
  window.lambda_sp_table.set_cell_text(1, 9,
                                       "14.70");  // gasoline AFR 14.7 is lambda 1: byte 80 = 128
  window.lambda_sp_table.set_cell_text(9, 1, "1E+300");  // beyond any single: held to 255
  window.menuupdate.click();

  const Commands expected = {command({'e', 0x70, 0, 255}), command({'e', 0x20, 2, 192}),
                             command({'e', 0x81, 4, 160}), command({'e', 0x03, 2, 104}),
                             command({'e', 0x04, 2, 0}),   command({'e', 0xC4, 4, 64}),
                             command({'e', 0x35, 2, 100}), command({'e', 0x36, 2, 102}),
                             command({'e', 0, 0, 255}),    command({'e', 0x50, 0, 128})};
  EXPECT_EQ(new_commands(), expected);
  EXPECT_EQ(controller().memory(0x481), 160);
  EXPECT_EQ(window.clt_map[0].text(), "3.984");
  EXPECT_NE(window.lambda_sp_table.cell_back_colour(1, 9), ui::colours::yellow);

  window.Command3d2.click();
  EXPECT_EQ(new_commands(), Commands{}) << "nothing is marked any more";
}

TEST_F(AdditionalMappingTest, StepAndArrowKeysOfTheFuelCurves) {
  Frm2dForm& window = open_fetched();
  struct Case {
    const char* before;
    int key;
    const char* after;
  };
  const Case cases[] = {
      {"1.000", 38, "1.016"}, {"3.984", 38, "3.984"}, {".000", 40, ".000"}, {".010", 40, ".000"}};
  for (const Case& c : cases) {
    window.mat_data[4].set_text(c.before);
    window.mat_data[4].key_down(c.key, 1);
    EXPECT_EQ(window.mat_data[4].text(), c.after) << c.before;
  }
  window.mat_data[4].key_down(38, 1 + 2);  // Shift+Ctrl+Up: a move, not a step
  EXPECT_EQ(window.mat_data[4].text(), ".000");
  EXPECT_TRUE(window.clt_map[0].has_focus());
  window.clt_map[5].key_down(40, 0);
  EXPECT_TRUE(window.mat_data[0].has_focus());
  window.mat_data[0].key_down(37, 0);
  EXPECT_TRUE(window.mat_data[0].has_focus());

  window.clt_map[2].set_text("1.016");
  window.ign_aux[4].key_down(13, 0);  // Enter in any field updates
  // The stepped mat_data(4) goes too, after clt_map(2): element by element across the tables.
  EXPECT_EQ(new_commands(), (Commands{command({'e', 0x72, 0, 65}), command({'e', 0x84, 0, 0})}));
}

TEST_F(AdditionalMappingTest, ItemsNeverReadAreNotSentAndACloseStopsTheFetchAfterTheReadUnderWay) {
  link_ready = kFalse;  // the fetch reads nothing
  Frm2dForm& window = open_fetched();
  EXPECT_EQ(fetch_, Commands{});
  link_ready = kTrue;
  window.ign_clt[2].set_text("0");
  window.lambda_sp_table.set_cell_text(5, 5, "1.000");
  window.Command3d2_Click();
  EXPECT_EQ(new_commands(), (Commands{command({'e', 0xB2, 4, 64}), command({'e', 40, 0, 128})}));
  EXPECT_EQ(window.ign_clt[3].back_colour(), ui::colours::yellow);
  EXPECT_EQ(window.lambda_sp_table.cell_back_colour(5, 6), ui::colours::yellow);
  EXPECT_NE(window.lambda_sp_table.cell_back_colour(5, 5), ui::colours::yellow);

  // The user closes the window while the first table's reply is shown.
  window.Command3d1_Click();
  controller().set_memory(0x070, 1);
  const std::function<void()> mark = window.clt_map[0].on_change;
  window.clt_map[0].on_change = [&] {
    mark();
    window.Command3d1_Click();
  };
  window.show();
  EXPECT_EQ(new_commands(), (Commands{command({'C', '0', '0', '0'}), command({'r', 0x70, 0, 0})}));
  EXPECT_EQ(current_view, 0);
  EXPECT_EQ(poll_inhibit, kFalse);
}

TEST_F(AdditionalMappingTest, ASecondUpdateDuringOneSendsOnlyWhatIsStillMarkedAndACloseStopsNone) {
  Frm2dForm& window = open_fetched();
  for (int row = 1; row <= 3; ++row) window.lambda_sp_table.set_cell_text(row, 2, "1.5");
  // The user asks for an Update after every echo, and types into a fourth cell after the
  // first: that one goes in one more pass, and no cell twice.
  int echoes = 0;
  window.lambda_editing().after_change = [&](int row, int) {
    ++echoes;
    ui::event_loop().post_user_input([&window, row] {
      if (row == 1) window.lambda_sp_table.set_cell_text(4, 2, "1.5");
      window.Command3d2_Click();
    });
  };
  window.Command3d2_Click();
  // Bytes 15 to 17, then byte 14: the fourth cell waited for the pass its ask brought.
  EXPECT_EQ(new_commands(), (Commands{command({'e', 15, 0, 192}), command({'e', 16, 0, 192}),
                                      command({'e', 17, 0, 192}), command({'e', 14, 0, 192})}));

  window.lambda_editing().after_change = nullptr;
  for (int row = 1; row <= 3; ++row) window.lambda_sp_table.set_cell_text(row, 2, "1.3");
  window.lambda_editing().after_change = [&](int, int) { window.Command3d1_Click(); };
  window.Command3d2_Click();
  EXPECT_EQ(new_commands().size(), 3U) << "closed after the first write, the Update ends whole";
  EXPECT_FALSE(window.visible());
  EXPECT_EQ(poll_inhibit, kFalse);
  EXPECT_GT(echoes, 0);
}

// A controller slower than the link's wait answers a write's retries too. Those late echoes
// of the first pass's write come in while the next pass writes the same cell again: they must
// not be taken for the new write's echo and show the old value as the one the controller
// holds. At 0.25 s the first write leaves two.
TEST_F(AdditionalMappingTest, ALateEchoOfAnEarlierWriteIsNotShownAsTheValueHeld) {
  Frm2dForm& window = open_fetched();
  for (const double reply_delay : {0.15, 0.25}) {
    controller().set_reply_delay(reply_delay);
    window.lambda_sp_table.set_cell_text(5, 5, "1.5");  // byte 40
    bool typed_again = false;
    window.lambda_editing().after_change = [&](int, int) {
      if (typed_again) return;
      typed_again = true;  // the first echo is in: the user types again and asks for an Update
      ui::event_loop().post_user_input([&window] {
        ui::clock().sleep_seconds(0.05);
        window.lambda_sp_table.set_cell_text(5, 5, "1.25");
        window.Command3d2_Click();
      });
    };
    window.Command3d2_Click();
    window.lambda_editing().after_change = nullptr;
    EXPECT_EQ(controller().memory(40), 160) << reply_delay;
    EXPECT_EQ(window.lambda_sp_table.cell_text(5, 5), "1.25") << reply_delay;
    EXPECT_NE(window.lambda_sp_table.cell_back_colour(5, 5), ui::colours::yellow);
  }

  // A controller that keeps another value echoes it: the one write's echo shows it as held.
  controller().set_reply_delay(0);
  controller().set_reply_payload('e', command({40, 0, 99}));
  window.lambda_sp_table.set_cell_text(5, 5, "1");
  new_commands();
  window.Command3d2_Click();
  EXPECT_EQ(new_commands(), Commands{command({'e', 40, 0, 128})});
  EXPECT_EQ(window.lambda_sp_table.cell_text(5, 5), "0.773");
  EXPECT_NE(window.lambda_sp_table.cell_back_colour(5, 5), ui::colours::yellow);
}

// An echo that carries another value than sent is the write's own when no earlier write of
// the item can still be answered: the item is written once, however slow the controller, and
// shows the value held. Past the link's 0.1 s wait the one write goes out a second time.
TEST_F(AdditionalMappingTest, AWriteWhoseEchoCarriesAnotherValueGoesOnce) {
  struct Case {
    double reply_delay;
    std::size_t frames;
  };
  for (const Case& c : {Case{0.04, 1}, Case{0.15, 2}}) {
    Frm2dForm& window = open_fetched();
    controller().set_reply_delay(c.reply_delay);
    controller().set_reply_payload('e', command({40, 0, 99}));
    window.lambda_sp_table.set_cell_text(5, 5, "1");  // byte 40: 128
    new_commands();
    window.Command3d2_Click();
    EXPECT_EQ(new_commands(), Commands(c.frames, command({'e', 40, 0, 128}))) << c.reply_delay;
    EXPECT_EQ(window.lambda_sp_table.cell_text(5, 5), "0.773") << c.reply_delay;
    EXPECT_NE(window.lambda_sp_table.cell_back_colour(5, 5), ui::colours::yellow);
    window.Command3d1_Click();
    controller().set_reply_delay(0);
  }
}

}  // namespace
}  // namespace ecu
