// The cell-block modifier on every grid kind, through its buttons and the shared selection.

#include <gtest/gtest.h>

#include <string>

#include "maps/frm_cellblock_modifier.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "support/console_test.hpp"

namespace ecu {
namespace {

class BlockModifierTest : public test::ConsoleTest {
 protected:
  // Selects the block as a completed selection in the grid of `code` would.
  static void select(Integer code, int first_row, int last_row, int first_col, int last_col) {
    block_table_code = code;
    block_rows = block_cols = (code == 0 || (code >= 6 && code <= 8)) ? 16 : 9;
    block_first_row = first_row;
    block_last_row = last_row;
    block_first_col = first_col;
    block_last_col = last_col;
  }
  // Runs a button with Yes to the confirmation.
  void run(int operation) {
    presenter().answer_next(ui::MsgResult::yes);
    frm_cellblock_modifier().cell_operation[operation].click();
  }
};

TEST_F(BlockModifierTest, EachOperationRewritesOnlyTheBlocksDataCellsInItsGridsMaskAndMarksThem) {
  struct Case {
    Integer code;
    int row, col;
    const char* before;
    int operation;  // 1 Multiply, 2 Add, 3 Set All, 4 Subtract, 5 Divide
    std::string multiply, add, set_value, after;
  };
  // A whole grid selected, reaching into the header row and column.
  ui::Grid& boost = frm_sup().table_grid(4);  // boost_gpo_0
  boost.set_cell_text(0, 0, "7");
  select(10, 0, 9, 0, 9);
  frm_cellblock_modifier().Add.set_text("1");
  run(2);
  int written = 0;
  for (int row = 1; row <= 9; ++row) {
    for (int col = 1; col <= 9; ++col) written += boost.cell_text(row, col) == "1.00" ? 1 : 0;
  }
  EXPECT_EQ(written, 81);
  EXPECT_EQ(boost.cell_text(0, 0), "7");

  const Case cases[] = {
      {0, 16, 1, "1.000", 1, "1.1", "0", "0", "1.100"},    // inj_map, byte 0
      {6, 3, 4, "10.00", 4, "1", "2", "0", "8.00"},        // ign_map: Subtract takes Add
      {7, 1, 16, "1.5", 3, "1", "0", "abc", ".000"},       // TPS_map: Set All of no number
      {8, 8, 8, "40", 2, "1", "2.5", "0", "42.500"},       // TPS_mix
      {0, 5, 5, "1", 5, "0", "0", "0", "1.000"},           // Divide by 0 keeps the value
      {9, 9, 1, "14.70", 1, "1.1", "0", "0", "16.17"},     // lambda grid, mask ##.#0
      {1, 2, 3, "50", 2, "1", "2.5", "0", "52.50"},        // GPO_tbl_0
      {4, 9, 9, "10", 4, "1", "20", "0", "-10.00"},        // GPO_tbl_3, written as it is
      {10, 1, 1, "100", 5, "4", "0", "0", "25.00"},        // boost_gpo_0
      {13, 5, 6, "7", 1, "2", "0", "0", "14.00"},          // boost_gpo_3
      {8, 2, 2, "50.000", 3, "1", "0", "1E39", "50.000"},  // beyond single: kept
      {0, 3, 3, "1E30", 1, "1E30", "0", "0", "1E30"},      // product beyond single: kept
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.code) + " " + c.before);
    ui::Grid& grid = *block_grid(c.code);
    grid.set_cell_text(c.row, c.col, c.before);
    grid.set_cell_back_colour(c.row, c.col, ui::colours::white);
    const int neighbour_row = c.row == 1 ? 2 : c.row - 1;
    grid.set_cell_text(neighbour_row, c.col, "3");
    grid.set_cell_back_colour(neighbour_row, c.col, ui::colours::white);
    FrmCellblockModifierForm& modifier = frm_cellblock_modifier();
    modifier.multiply.set_text(c.multiply);
    modifier.Add.set_text(c.add);
    modifier.set_value.set_text(c.set_value);
    select(c.code, c.row, c.row, c.col, c.col);
    run(c.operation);
    EXPECT_EQ(grid.cell_text(c.row, c.col), c.after);
    const bool changed = std::string(c.before) != c.after;
    EXPECT_EQ(grid.cell_back_colour(c.row, c.col),
              changed ? ui::colours::yellow : ui::colours::white);
    EXPECT_EQ(grid.cell_text(neighbour_row, c.col), "3");
    EXPECT_EQ(grid.cell_back_colour(neighbour_row, c.col), ui::colours::white);
    EXPECT_FALSE(modifier.visible());
    EXPECT_FALSE(modifier.unloaded());
  }
}

TEST_F(BlockModifierTest, NoCancelAndAGridlessCodeChangeNothing) {
  ui::Grid& grid = *block_grid(6);
  grid.set_cell_text(4, 4, "10.00");
  FrmCellblockModifierForm& modifier = frm_cellblock_modifier();
  modifier.show();
  modifier.multiply.set_text("2");
  select(6, 4, 4, 4, 4);
  presenter().answer_next(ui::MsgResult::no);
  modifier.cell_operation[1].click();
  EXPECT_EQ(grid.cell_text(4, 4), "10.00");
  EXPECT_TRUE(modifier.visible());
  ASSERT_EQ(presenter().shown_messages.size(), 1U);
  EXPECT_EQ(presenter().shown_messages[0].title, "CAUTION!");
  EXPECT_EQ(presenter().shown_messages[0].default_button, 1);

  select(5, 1, 9, 1, 9);
  run(3);  // asked, nothing written, hidden
  EXPECT_EQ(presenter().shown_messages.size(), 2U);
  EXPECT_FALSE(modifier.visible());
  EXPECT_EQ(frm_cellblock_modifier().multiply.text(), "2");  // kept while hidden

  frm_cellblock_modifier().cell_operation[0].click();  // Cancel asks nothing
  EXPECT_EQ(presenter().shown_messages.size(), 2U);
  EXPECT_EQ(frm_cellblock_modifier().multiply.text(), "1.000");
  EXPECT_EQ(frm_cellblock_modifier().Add.text(), "0.000");
  EXPECT_EQ(frm_cellblock_modifier().set_value.text(), "1.000");
}

}  // namespace
}  // namespace ecu
