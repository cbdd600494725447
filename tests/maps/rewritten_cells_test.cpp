// A block operation, a reset or autotune that writes the text a cell already shows: the cell
// is still marked and the next Update sends it, so a tuner can push a block again.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_autotune.hpp"
#include "maps/frm_cellblock_modifier.hpp"
#include "maps/window_link_fixture.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/view_commands.hpp"

namespace ecu {
namespace {

using test::command;
using Commands = std::vector<std::string>;

class RewrittenCellsTest : public test::WindowLinkTest {
 protected:
  // Runs a block operation (3 Set All, 5 Divide) on one fuel map cell, Yes to its question.
  void run_on_fuel_cell(int operation, int row, int col) {
    block_table_code = 0;
    block_rows = block_cols = 16;
    block_first_row = block_last_row = row;
    block_first_col = block_last_col = col;
    presenter().answer_next(ui::MsgResult::yes);
    frm_cellblock_modifier().cell_operation[operation].click();
  }
  void reset(ui::Form& window, const std::string& menu_name) {
    auto* item = dynamic_cast<ui::MenuItem*>(window.find_control(menu_name));
    ASSERT_NE(item, nullptr) << menu_name;
    presenter().answer_next(ui::MsgResult::yes);
    item->click();
  }
};

// `count` writes of `value` to page `page` from offset `first` on, one address after another.
Commands writes(int first, int count, int page, int value) {
  Commands expected;
  for (int offset = first; offset < first + count; ++offset) {
    expected.push_back(command({'e', offset, page, value}));
  }
  return expected;
}

TEST_F(RewrittenCellsTest, WritesOfTheTextACellAlreadyShowsMarkItAndTheNextUpdateSendsIt) {
  // Fuel byte 0x80, cell (16, 9), shows 1.000 (128); every fuel and ignition byte is known.
  for (int i = 0; i < 256; ++i) {
    controller().set_memory(static_cast<std::uint16_t>(0x100 + i), i == 0x80 ? 128 : 100);
    controller().set_memory(static_cast<std::uint16_t>(0x600 + i), 64);  // 0.00 degrees
  }
  FrmEcu().menu_View_Mapping_Click();
  Frm3dForm& maps = frm_3d();
  new_commands();
  // Each write leaves cell (16, 9) of its grid showing what it showed.
  struct Case {
    const char* what;
    ui::Grid& grid;
    const char* shown;
    std::function<void()> write;
    Commands expected;
  };
  const Case cases[] = {
      {"Divide by 0",
       maps.inj_map,
       "1.000",
       [&] {
         frm_cellblock_modifier().multiply.set_text("0");
         run_on_fuel_cell(5, 16, 9);
       },
       {command({'e', 0x80, 1, 128})}},
      {"Set All 1",
       maps.inj_map,
       "1.000",
       [&] {
         frm_cellblock_modifier().set_value.set_text("1");
         run_on_fuel_cell(3, 16, 9);
       },
       {command({'e', 0x80, 1, 128})}},
      {"autotune factor 1.0",
       maps.inj_map,
       "1.000",
       [&] {
         frm_autotune().autotune_inj_factors.set_cell_text(16, 9, "1.0");
         frm_autotune().apply_to_maps.click();
         frm_autotune().autotune_inj_factors.set_cell_text(16, 9, "");
       },
       {command({'e', 0x80, 1, 128})}},
      // All 256 cells, the one already at 1.000 included.
      {"fuel reset", maps.inj_map, "1.000", [&] { reset(maps, "menuresetmap_fuel"); },
       writes(0, 256, 1, 128)},
      // Every cell already shows 0.00.
      {"ignition reset", maps.ign_map, "0.00", [&] { reset(maps, "menuresetmap_Ign"); },
       writes(0, 256, 6, 64)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(c.grid.cell_text(16, 9), c.shown);
    EXPECT_NE(c.grid.cell_back_colour(16, 9), ui::colours::yellow);
    c.write();
    EXPECT_EQ(c.grid.cell_text(16, 9), c.shown);
    EXPECT_EQ(c.grid.cell_back_colour(16, 9), ui::colours::yellow);
    maps.Command3d2.click();
    EXPECT_EQ(new_commands(), c.expected);
  }
}

TEST_F(RewrittenCellsTest, ResetsOfTheAdditionalMapsMarkFieldsAndCellsAlreadyAtTheirDefault) {
  for (int k = 0; k < 9; ++k) {
    controller().set_memory(static_cast<std::uint16_t>(0x70 + k), 64);  // gain 1.000
  }
  afr_factor = 1.0F;
  Frm2dForm& window = frm_2d();
  window.show();
  new_commands();
  ASSERT_EQ(window.clt_map[4].text(), "1.000");
  reset(window, "menuresetcoolant");
  EXPECT_EQ(window.clt_map[4].back_colour(), ui::colours::yellow);
  window.Command3d2.click();
  EXPECT_EQ(new_commands(), writes(0x70, 9, 0, 64));

  // A set-point table reset and sent, then reset again to push it once more.
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    reset(window, "menuresetegosetpoint");
    EXPECT_EQ(window.lambda_sp_table.cell_text(5, 5), "1.00");
    EXPECT_EQ(window.lambda_sp_table.cell_back_colour(5, 5), ui::colours::yellow);
    window.Command3d2.click();
    EXPECT_EQ(new_commands(), writes(0, 81, 0, 128));
  }

  // A value a field already holds, set from anywhere else, still runs nothing.
  window.clt_map[4].set_text("1.000");
  EXPECT_NE(window.clt_map[4].back_colour(), ui::colours::yellow);
  window.Command3d2.click();
  EXPECT_EQ(new_commands(), Commands{});
}

}  // namespace
}  // namespace ecu
