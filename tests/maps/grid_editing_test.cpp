// The editing shared by every table grid, through the grid's own events as a front-end
// delivers them, and the heat-map colouring with its pending cells.

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

#include "maps/grid_editing.hpp"
#include "maps/heat_map.hpp"
#include "model/shared_state.hpp"
#include "support/console_test.hpp"

namespace ecu {
namespace {

class GridsForm : public ui::Form {
 public:
  GridsForm() : ui::Form("frm_grids_test", "Grids", 6000, 6000) {}
  ui::Grid map{*this, "map", 17, 17};
  ui::Grid table{*this, "table", 10, 10};
};

class GridEditingTest : public test::ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    form_ = std::make_unique<GridsForm>();
    open_block_modifier = [this] { ++modifier_openings_; };
  }
  void TearDown() override {
    open_block_modifier = nullptr;
    form_.reset();
    ConsoleTest::TearDown();
  }
  // A grid of the form wired for the table code; 16 x 16 codes take the map grid.
  GridEditing& edit(Integer code) {
    ui::Grid& grid = grid_edit_rules(code).size == 16 ? form_->map : form_->table;
    editing_ = std::make_unique<GridEditing>(grid, code, [this] { ++updates_; });
    return *editing_;
  }

  std::unique_ptr<GridsForm> form_;
  std::unique_ptr<GridEditing> editing_;
  int updates_ = 0;
  int modifier_openings_ = 0;
};

TEST_F(GridEditingTest, ShiftArrowsStepTheActiveCellWithinTheGridsLimits) {
  struct Case {
    Integer code;
    const char* before;
    int key;  // 38 Up, 40 Down
    const char* after;
  };
  const Case cases[] = {
      {0, "1.990", 38, "1.992"},   {0, "1.992", 38, "1.992"},  {0, ".004", 40, ".000"},
      {0, "", 38, ".008"},         {0, "5.000", 40, "4.992"},  {0, "5.000", 38, "1.992"},
      {6, "-5.00", 40, "-5.25"},   {6, "-5.00", 38, "-4.75"},  {6, "-15.90", 40, "-16.00"},
      {6, "47.60", 38, "47.75"},   {7, "1.000", 38, "1.008"},  {1, "99.9", 38, "100.00"},
      {1, "100.00", 38, "100.10"}, {12, "0.05", 40, "0.00"},   {8, "0.0", 38, "1.56"},
      {8, "98.4", 38, "99.96"},    {8, "99.96", 38, "100.00"}, {8, "1.6", 40, "0.04"},
      {9, "14.70", 40, "14.55"},
  };
  afr_factor = 14.7F;
  for (const Case& c : cases) {
    GridEditing& editing = edit(c.code);
    ui::Grid& grid = editing.grid();
    grid.set_active_cell(3, 2);
    grid.set_cell_text(3, 2, c.before);
    grid.set_cell_back_colour(3, 2, ui::colours::white);
    EXPECT_EQ(grid.key_down(c.key, 1), 16) << "the grid gets Shift, not the arrow";
    EXPECT_EQ(grid.cell_text(3, 2), c.after) << c.code << " " << c.before << " " << c.key;
    if (std::string(c.before) != c.after) {
      EXPECT_EQ(grid.cell_back_colour(3, 2), ui::colours::yellow);
    }
  }
}

TEST_F(GridEditingTest, StepNeedsShiftAloneAndLeavesNumbersBeyondASingle) {
  ui::Grid& grid = edit(1).grid();
  grid.set_active_cell(2, 2);
  grid.set_cell_text(2, 2, "5.0");
  EXPECT_EQ(grid.key_down(38, 3), 38);  // Shift+Ctrl+Up
  EXPECT_EQ(grid.key_down(37, 1), 37);  // Shift+Left
  EXPECT_EQ(grid.key_down(38, 0), 38);
  EXPECT_EQ(grid.cell_text(2, 2), "5.0");
  grid.set_cell_text(2, 2, "1E39");
  EXPECT_EQ(grid.key_down(38, 1), 16);
  EXPECT_EQ(grid.key_down(40, 1), 16);
  EXPECT_EQ(grid.cell_text(2, 2), "1E39");
}

TEST_F(GridEditingTest, EnterRunsTheWindowsUpdateAndNeverReachesTheGrid) {
  ui::Grid& grid = edit(6).grid();
  EXPECT_EQ(grid.key_press(13), 0);
  EXPECT_EQ(updates_, 1);
  EXPECT_EQ(grid.key_press('5'), '5');
  EXPECT_EQ(updates_, 1);
}

TEST_F(GridEditingTest, CtrlKeysChooseABlockBetweenTwoActiveCells) {
  struct Case {
    Integer code;
    Integer invalid_before;
    int openings;
  };
  // The output and boost grids open the modifier only after a release over the cells.
  const Case cases[] = {{0, 0, 1}, {7, -1, 1}, {9, -1, 1}, {11, -1, 0}, {3, 0, 1}};
  for (const Case& c : cases) {
    modifier_openings_ = 0;
    block_sel_invalid = c.invalid_before;
    ui::Grid& grid = edit(c.code).grid();
    grid.set_active_cell(5, 3);
    EXPECT_EQ(grid.key_down(83, 2), 83);
    grid.set_active_cell(2, 7);
    EXPECT_EQ(grid.key_down(70, 2), 70);
    EXPECT_EQ(block_first_row, 2);
    EXPECT_EQ(block_last_row, 5);
    EXPECT_EQ(block_first_col, 3);
    EXPECT_EQ(block_last_col, 7);
    EXPECT_EQ(block_table_code, c.code);
    EXPECT_EQ(block_rows, c.code == 0 || c.code == 7 ? 16 : 9);
    EXPECT_EQ(block_cols, block_rows);
    EXPECT_EQ(modifier_openings_, c.openings) << c.code;
    EXPECT_EQ(block_sel_invalid, c.invalid_before) << "keys never change the flag";
  }
}

TEST_F(GridEditingTest, LeftDragThenRightClickChoosesTheBlock) {
  ui::Grid& grid = edit(3).grid();
  grid.mouse_down(1, 0, 4, 4);
  grid.mouse_up(1, 0, 9, 1);
  EXPECT_EQ(modifier_openings_, 0);
  grid.mouse_down(2, 0, 7, 7);
  EXPECT_EQ(block_first_row, 4);
  EXPECT_EQ(block_last_row, 9);
  EXPECT_EQ(block_first_col, 1);
  EXPECT_EQ(block_last_col, 4);
  EXPECT_EQ(block_table_code, 3);
  EXPECT_EQ(block_rows, 9);
  EXPECT_EQ(modifier_openings_, 1);

  // A release off the cells: a right click sets the variables but opens nothing.
  grid.mouse_down(1, 0, 2, 2);
  grid.mouse_up(1, 0, 20, 3);
  EXPECT_EQ(block_sel_invalid, -1);
  grid.mouse_down(2, 0, 1, 1);
  EXPECT_EQ(block_first_row, -1);
  EXPECT_EQ(block_last_row, 2);
  EXPECT_EQ(modifier_openings_, 1);
  grid.mouse_down(1, 0, 0, 0);  // a header cell counts
  EXPECT_EQ(block_sel_invalid, 0);
  EXPECT_EQ(block_sel_rows[0], 0);
}

TEST_F(GridEditingTest, CellsKnowWhetherTheyWereEditedReadOrNeverRead) {
  GridEditing& editing = edit(0);
  ui::Grid& grid = editing.grid();
  // Byte 17 is row 15, column 2.
  EXPECT_EQ(editing.row_of(17), 15);
  EXPECT_EQ(editing.col_of(17), 2);
  editing.mark_unloaded(17);
  EXPECT_EQ(grid.cell_back_colour(15, 2), ui::colours::yellow);
  EXPECT_FALSE(editing.needs_write(17)) << "a cell never read is not written";
  grid.set_cell_text(15, 2, "1.000");  // a read reply: text first, then white
  EXPECT_TRUE(editing.needs_write(17));
  grid.set_cell_back_colour(15, 2, ui::colours::white);
  EXPECT_EQ(editing.sync(17), CellSync::in_sync);
  grid.set_cell_text(15, 2, "");  // emptied on purpose: written as 0
  EXPECT_EQ(editing.sync(17), CellSync::edited);
}

class HeatMapTest : public GridEditingTest {
 protected:
  static ui::Colour band(int index) { return kHeatMapPalette.at(static_cast<std::size_t>(index)); }
  std::array<Long, 256> colours_{};
};

TEST_F(HeatMapTest, BandsRunFromGreenAtTheLowestToRedAtTheHighest) {
  // Values 0 to 8: thresholds 1 to 7; a value on a threshold takes the lower band.
  const int expected[] = {7, 7, 6, 5, 4, 3, 2, 1, 0};
  for (int v = 0; v <= 8; ++v) EXPECT_EQ(heat_map_band(v, {0.0F, 8.0F}), expected[v]) << v;
  EXPECT_EQ(heat_map_band(1.0001, {0.0F, 8.0F}), 6);
  EXPECT_EQ(heat_map_band(-3.0, {5.0F, 5.0F}), 7);

  GridEditing& editing = edit(9);
  ui::Grid& grid = editing.grid();
  for (int i = 0; i < 81; ++i) grid.set_cell_text(editing.row_of(i), editing.col_of(i), "0.90");
  for (int i = 0; i < 81; ++i) editing.mark_in_sync(i);
  grid.set_cell_text(1, 9, "1.30");  // byte 80
  grid.set_cell_back_colour(1, 9, ui::colours::white);
  const HeatMapRange range = colour_heat_map(editing, kHeatMapPalette, colours_);
  EXPECT_FLOAT_EQ(range.low, 0.9F);
  EXPECT_FLOAT_EQ(range.high, 1.3F);
  EXPECT_EQ(grid.cell_back_colour(1, 9), 0x008080FF);
  EXPECT_EQ(colours_[80], 0x008080FF);
  EXPECT_EQ(grid.cell_back_colour(9, 1), 0x0080FF80);
  EXPECT_EQ(colours_[0], 0x0080FF80);
}

TEST_F(HeatMapTest, EmptyCellsCountAsZeroAndPendingCellsStayYellow) {
  GridEditing& editing = edit(0);
  ui::Grid& grid = editing.grid();
  for (int i = 0; i < 256; ++i) {
    grid.set_cell_text(editing.row_of(i), editing.col_of(i), "1.000");
    editing.mark_in_sync(i);
  }
  grid.set_cell_text(16, 1, "");  // byte 0, edited
  editing.mark_unloaded(1);       // byte 1 never read: row 15, column 1
  const HeatMapRange range = colour_heat_map(editing, kHeatMapPalette, colours_);
  EXPECT_FLOAT_EQ(range.low, 0.0F);
  EXPECT_FLOAT_EQ(range.high, 1.0F);
  EXPECT_EQ(grid.cell_back_colour(16, 1), ui::colours::yellow);
  EXPECT_EQ(colours_[0], band(7)) << "the graph still gets the value's band";
  EXPECT_EQ(grid.cell_back_colour(15, 1), ui::colours::yellow);
  EXPECT_EQ(editing.sync(1), CellSync::unloaded);
  EXPECT_EQ(grid.cell_back_colour(1, 16), band(0));
  EXPECT_EQ(editing.sync(255), CellSync::in_sync);
  EXPECT_EQ(editing.sync(0), CellSync::edited);

  // Equal values everywhere: all green, and the range is that value.
  for (int i = 0; i < 256; ++i) grid.set_cell_text(editing.row_of(i), editing.col_of(i), "1.000");
  const HeatMapRange flat = colour_heat_map(editing, kHeatMapPalette, colours_);
  EXPECT_FLOAT_EQ(flat.low, 1.0F);
  EXPECT_FLOAT_EQ(flat.high, 1.0F);
  EXPECT_EQ(colours_[200], band(7));
}

}  // namespace
}  // namespace ecu
