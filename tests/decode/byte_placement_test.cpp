#include "decode/byte_placement.hpp"

#include <gtest/gtest.h>

#include "config/frm_tool.hpp"
#include "decode/decode_test_support.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

using BytePlacementTest = test::DecodeTest;

struct GridCase {
  Long address;
  int row;
  int col;
};

TEST_F(BytePlacementTest, FuelMapBytesFillEachColumnFromTheBottomRow) {
  const GridCase cases[] = {
      {0x100, 16, 1}, {0x10F, 1, 1}, {0x110, 16, 2}, {0x123, 13, 3}, {0x1FF, 1, 16}};
  for (const GridCase& c : cases) {
    SCOPED_TRACE(c.address);
    frm_3d().inj_map.set_cell_back_colour(c.row, c.col, ui::colours::yellow);
    place_calibration_byte(c.address, 128);
    EXPECT_EQ(frm_3d().inj_map.cell_text(c.row, c.col), "1.000");
    EXPECT_EQ(frm_3d().inj_map.cell_back_colour(c.row, c.col), ui::colours::white);
  }
}

TEST_F(BytePlacementTest, NineByNineBytesFillEachColumnFromTheBottomRow) {
  const GridCase cases[] = {{0x290, 9, 1}, {0x298, 1, 1}, {0x299, 9, 2}, {0x2E0, 1, 9}};
  for (const GridCase& c : cases) {
    SCOPED_TRACE(c.address);
    place_calibration_byte(c.address, 128);
    EXPECT_EQ(frm_sup().GPO_tbl_0.cell_text(c.row, c.col), "50.0");
  }
  place_calibration_byte(0x050, 128);
  EXPECT_EQ(frm_2d().lambda_sp_table.cell_text(1, 9), "1.000");
}

TEST_F(BytePlacementTest, EachMapGoesToItsOwnGrid) {
  place_calibration_byte(0x600, 64);
  place_calibration_byte(0x700, 64);
  place_calibration_byte(0x800, 64);
  EXPECT_EQ(frm_3d().ign_map.cell_text(16, 1), "0.00");
  EXPECT_EQ(frm_3d().TPS_map.cell_text(16, 1), ".500");
  EXPECT_EQ(frm_3d().TPS_mix.cell_text(16, 1), "100.0");
  EXPECT_EQ(frm_3d().inj_map.cell_text(16, 1), "");
}

TEST_F(BytePlacementTest, CurveBytesGoToTheirTextBoxAndTurnItWhite) {
  frm_tool().CLT_CAL_MAP[3].set_back_colour(ui::colours::yellow);
  place_calibration_byte(0x5C3, 100);
  EXPECT_EQ(frm_tool().CLT_CAL_MAP[3].text(), "36");
  EXPECT_EQ(frm_tool().CLT_CAL_MAP[3].back_colour(), ui::colours::white);
  place_calibration_byte(0x4D8, 32);
  EXPECT_EQ(frm_2d().accel_map[8].text(), ".500");
  place_calibration_byte(0x200, 64);
  EXPECT_EQ(frm_2d().ign_map[0].text(), "0.000");
}

TEST_F(BytePlacementTest, AddressNoTableOwnsChangesNothing) {
  for (const Long address : {0x051, 0x060, 0x2E1, 0x900, 0xAB1, 0xFFFF, 0x10000, -1}) {
    place_calibration_byte(address, 200);
  }
  EXPECT_FALSE(frm_2d.loaded());
  EXPECT_FALSE(frm_3d.loaded());
  EXPECT_FALSE(frm_sup.loaded());
  EXPECT_FALSE(frm_tool.loaded());
}

TEST_F(BytePlacementTest, OutputTableByteCreatesTheHiddenWindow) {
  ASSERT_FALSE(frm_sup.loaded());
  place_calibration_byte(0x300, 64);
  ASSERT_TRUE(frm_sup.loaded());
  EXPECT_FALSE(frm_sup().visible());
  EXPECT_EQ(frm_sup().GPO_tbl_1.cell_text(9, 1), "25.0");
}

TEST_F(BytePlacementTest, EditedCellTakesTheControllersValueAndTurnsWhite) {
  frm_3d().inj_map.set_cell_text(16, 1, "1.234");
  frm_3d().inj_map.set_cell_back_colour(16, 1, ui::colours::yellow);
  place_calibration_byte(0x100, 96);
  EXPECT_EQ(frm_3d().inj_map.cell_text(16, 1), ".750");
  EXPECT_EQ(frm_3d().inj_map.cell_back_colour(16, 1), ui::colours::white);
}

TEST_F(BytePlacementTest, OnlyThePlacedCellLosesItsHeatMapColour) {
  const ui::Colour band = ui::rgb(255, 128, 0);
  frm_3d().inj_map.set_cell_back_colour(16, 1, band);
  frm_3d().inj_map.set_cell_back_colour(15, 1, band);
  place_calibration_byte(0x100, 128);
  EXPECT_EQ(frm_3d().inj_map.cell_back_colour(16, 1), ui::colours::white);
  EXPECT_EQ(frm_3d().inj_map.cell_back_colour(15, 1), band);
}

TEST_F(BytePlacementTest, LambdaUnitChangeAffectsOnlyBytesPlacedAfterIt) {
  use_lambda_unit(0);
  place_calibration_byte(0x000, 128);
  use_lambda_unit(1);
  place_calibration_byte(0x001, 128);
  EXPECT_EQ(frm_2d().lambda_sp_table.cell_text(9, 1), "1.000");
  EXPECT_EQ(frm_2d().lambda_sp_table.cell_text(8, 1), "14.70");
}

TEST_F(BytePlacementTest, BoostFlagIsReadWhenEachByteArrives) {
  map_sensor_gain = 115.0F;
  map_sensor_offset = 10.0F;
  bofg[0] = 2;
  place_calibration_byte(0x500, 255);
  bofg[0] = 0;
  place_calibration_byte(0x501, 255);
  EXPECT_EQ(frm_sup().boost_gpo_0.cell_text(9, 1), "99.6");
  EXPECT_EQ(frm_sup().boost_gpo_0.cell_text(8, 1), "125.0");
}

}  // namespace
}  // namespace ecu
