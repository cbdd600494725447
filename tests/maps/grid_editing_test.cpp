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

using Block = std::array<Long, 4>;
Block block() {
  return {block_first_row, block_last_row, block_first_col, block_last_col};
}

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
    editing_ = std::make_unique<GridEditing>(grid, code, nullptr);
    return *editing_;
  }

  std::unique_ptr<GridsForm> form_;
  std::unique_ptr<GridEditing> editing_;
  int modifier_openings_ = 0;
};

TEST_F(GridEditingTest, ShiftArrowsAloneStepTheActiveCellWithinTheGridsLimits) {
  struct Case {
    Integer code;
    const char* before;
    int key, shift;  // 38 Up, 40 Down, 37 Left; 1 Shift alone
    const char* after;
  };
  const Case cases[] = {
      {0, "1.990", 38, 1, "1.992"},   {0, "1.992", 38, 1, "1.992"}, {0, ".004", 40, 1, ".000"},
      {0, "", 38, 1, ".008"},         {0, "5.000", 40, 1, "4.992"}, {0, "5.000", 38, 1, "1.992"},
      {6, "-5.00", 40, 1, "-5.25"},   {6, "-5.00", 38, 1, "-4.75"}, {6, "-15.90", 40, 1, "-16.00"},
      {6, "47.60", 38, 1, "47.75"},   {7, "1.000", 38, 1, "1.008"}, {1, "99.9", 38, 1, "100.00"},
      {1, "100.00", 38, 1, "100.10"}, {12, "0.05", 40, 1, "0.00"},  {8, "98.4", 38, 1, "99.96"},
      {8, "99.96", 38, 1, "100.00"},  {8, "1.6", 40, 1, "0.04"},    {9, "14.70", 40, 1, "14.55"},
      {1, "5.0", 38, 3, "5.0"},       {1, "5.0", 37, 1, "5.0"},     {1, "5.0", 38, 0, "5.0"},
      {1, "1E39", 38, 1, "1E39"},     {1, "1E39", 40, 1, "1E39"},  // beyond a single: left
  };
  afr_factor = 14.7F;
  for (const Case& c : cases) {
    ui::Grid& grid = edit(c.code).grid();
    grid.set_active_cell(3, 2);
    grid.set_cell_text(3, 2, c.before);
    grid.set_cell_back_colour(3, 2, ui::colours::white);
    const bool step = c.shift == 1 && c.key != 37;
    // The grid gets a Shift key instead of the arrow, so the active cell stays.
    EXPECT_EQ(grid.key_down(c.key, c.shift), step ? 16 : c.key);
    EXPECT_EQ(grid.cell_text(3, 2), c.after) << c.code << " " << c.before << " " << c.key;
    EXPECT_EQ(grid.cell_back_colour(3, 2) == ui::colours::yellow, std::string(c.before) != c.after);
  }
}

TEST_F(GridEditingTest, KeysAndARightClickChooseABlockAndOpenTheModifierWhereAllowed) {
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
    EXPECT_EQ(block(), (Block{2, 5, 3, 7}));
    EXPECT_EQ(block_table_code, c.code);
    EXPECT_EQ(block_rows, c.code == 0 || c.code == 7 ? 16 : 9);
    EXPECT_EQ(modifier_openings_, c.openings) << c.code;
    EXPECT_EQ(block_sel_invalid, c.invalid_before) << "keys never change the flag";
  }

  modifier_openings_ = 0;
  ui::Grid& grid = edit(3).grid();
  grid.mouse_down(1, 0, 4, 4);
  grid.mouse_up(1, 0, 20, 1);  // off the cells: -1
  EXPECT_EQ(block_sel_invalid, -1);
  grid.mouse_down(2, 0, 7, 7);
  EXPECT_EQ(block(), (Block{-1, 4, -1, 4}));
  EXPECT_EQ(block_table_code, 3);
  EXPECT_EQ(modifier_openings_, 0);
  grid.mouse_down(1, 0, 0, 0);  // a header cell counts
  EXPECT_EQ(block_sel_invalid, 0);
}

TEST_F(GridEditingTest, HeatMapBandsSpanTheRangeAndAValueOnAThresholdTakesTheLowerBand) {
  // Values 0 to 8: thresholds 1 to 7. Equal low and high put everything in the lowest band.
  const int bands[] = {7, 7, 6, 5, 4, 3, 2, 1, 0};
  for (int v = 0; v <= 8; ++v) EXPECT_EQ(heat_map_band(v, {0.0F, 8.0F}), bands[v]) << v;
  EXPECT_EQ(heat_map_band(1.0001, {0.0F, 8.0F}), 6);
  EXPECT_EQ(heat_map_band(5.0, {5.0F, 5.0F}), 7);
}

}  // namespace
}  // namespace ecu
