#include "decode/memory_map.hpp"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <utility>

#include "decode/decode_test_support.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

using MemoryMapTest = test::DecodeTest;

const CalibrationTable& table_named(std::string_view name) {
  for (const CalibrationTable& table : calibration_memory_map()) {
    if (table.name == name) return table;
  }
  throw std::invalid_argument("no table " + std::string(name));
}

TEST(CalibrationMemoryMap, EveryTableOwnsExactlyAsManyAddressesAsItHasBytes) {
  int curves = 0, tables = 0, maps = 0;
  for (const CalibrationTable& table : calibration_memory_map()) {
    SCOPED_TRACE(std::string(table.name));
    EXPECT_EQ(table.last_address - table.first_address + 1, table_byte_count(table.shape));
    curves += table.shape == TableShape::curve ? 1 : 0;
    tables += table.shape == TableShape::table_9x9 ? 1 : 0;
    maps += table.shape == TableShape::map_16x16 ? 1 : 0;
  }
  EXPECT_EQ(curves, 16);
  EXPECT_EQ(tables, 9);
  EXPECT_EQ(maps, 4);
}

TEST(CalibrationMemoryMap, RangesAreDisjointAndInAddressOrder) {
  Long previous_end = -1;
  for (const CalibrationTable& table : calibration_memory_map()) {
    SCOPED_TRACE(std::string(table.name));
    EXPECT_GT(table.first_address, previous_end);
    previous_end = table.last_address;
  }
}

TEST(CalibrationMemoryMap, FindsTheOwnerOfBothEndsOfEveryTable) {
  for (const CalibrationTable& table : calibration_memory_map()) {
    EXPECT_EQ(find_calibration_table(table.first_address), &table) << table.name;
    EXPECT_EQ(find_calibration_table(table.last_address), &table) << table.name;
  }
}

TEST(CalibrationMemoryMap, UnownedStretchesBelongToNoTable) {
  const std::pair<Long, Long> stretches[] = {
      {0x051, 0x06F},  {0x079, 0x07F},     {0x089, 0x08F}, {0x099, 0x0FF}, {0x209, 0x20F},
      {0x219, 0x21F},  {0x229, 0x22F},     {0x239, 0x23F}, {0x249, 0x28F}, {0x2E1, 0x2FF},
      {0x351, 0x35F},  {0x3B1, 0x3FF},     {0x451, 0x47F}, {0x489, 0x49F}, {0x4A9, 0x4AF},
      {0x4B9, 0x4BF},  {0x4C9, 0x4CF},     {0x4D9, 0x4FF}, {0x551, 0x56F}, {0x579, 0x5BF},
      {0x5C9, 0x5CF},  {0x5D9, 0x5FF},     {0x900, 0x95F}, {0x9B1, 0x9FF}, {0xA51, 0xA5F},
      {0xAB1, 0xFFFF}, {0x10000, 0x1001E}, {-1, -1}};
  for (const auto& [first, last] : stretches) {
    for (Long address = first; address <= last; ++address) {
      ASSERT_EQ(find_calibration_table(address), nullptr) << std::hex << address;
    }
  }
}

TEST_F(MemoryMapTest, EveryTableNamesTheEditorControlItIsShownIn) {
  for (const CalibrationTable& table : calibration_memory_map()) {
    SCOPED_TRACE(std::string(table.name));
    const int size = table.shape == TableShape::map_16x16 ? 16 : 9;
    if (table.shape == TableShape::curve) {
      ASSERT_EQ(table.grid, nullptr);
      ASSERT_NE(table.boxes, nullptr);
      ui::ControlArray<ui::TextBox>& boxes = table.boxes();
      EXPECT_EQ(boxes.count(), 9);
      EXPECT_EQ(boxes[0].name(), table.control);
      EXPECT_EQ(boxes[0].form().name(), table.window);
    } else {
      ASSERT_NE(table.grid, nullptr);
      ASSERT_EQ(table.boxes, nullptr);
      ui::Grid& grid = table.grid();
      EXPECT_TRUE(grid.contains(size, size));
      EXPECT_EQ(grid.name(), table.control);
      EXPECT_EQ(grid.form().name(), table.window);
    }
  }
}

TEST(CalibrationMemoryMap, DataSetKeysAreUnique) {
  std::set<std::string_view> keys;
  for (const CalibrationTable& table : calibration_memory_map()) {
    EXPECT_EQ(table.data_set_key.size(), 4U) << table.name;
    EXPECT_TRUE(keys.insert(table.data_set_key).second) << table.data_set_key;
  }
}

struct ShownCase {
  std::string_view table;
  Integer stored;
  std::string_view text;
};

TEST_F(MemoryMapTest, ShowsEachTablesByteWithItsConversionAndMask) {
  map_sensor_gain = 115.0F;
  map_sensor_offset = 10.0F;
  bofg = {2, 0, 2, 0};
  const ShownCase cases[] = {
      {"map_ign_curve", 0, "-16.000"},   {"map_ign_curve", 255, "47.750"},
      {"ignition_map", 0, "-16.00"},     {"ignition_map", 255, "47.75"},
      {"ignition_map", 64, "0.00"},      {"fuel_map", 64, ".500"},
      {"fuel_map", 128, "1.000"},        {"tps_fuel_map", 255, "1.992"},
      {"clt_fuel_curve", 64, "1.000"},   {"clt_fuel_curve", 96, "1.500"},
      {"clt_fuel_curve", 255, "3.984"},  {"baro_fuel_curve", 128, "1.000"},
      {"clt_sensor_cal", 0, "-64"},      {"mat_sensor_cal", 255, "191"},
      {"idle_rpm_curve", 255, "2040"},   {"gpo_table_1", 128, "50.0"},
      {"gpo_table_4", 255, "99.6"},      {"tps_mix_map", 64, "100.0"},
      {"tps_mix_map", 255, "398.4"},     {"boost_table_1", 128, "50.0"},
      {"boost_table_2", 255, "125.0"},   {"boost_table_2", 0, "10.0"},
      {"boost_table_3", 255, "99.6"},    {"ego_lambda_table", 128, "1.000"},
      {"ego_lambda_table", 129, "1.01"}, {"ego_lambda_table", 64, "0.500"},
  };
  for (const ShownCase& c : cases) {
    SCOPED_TRACE(std::string(c.table) + " " + std::to_string(c.stored));
    EXPECT_EQ(calibration_byte_text(table_named(c.table), c.stored), c.text);
  }
}

TEST_F(MemoryMapTest, BoostPressureFollowsTheMapSensorScaling) {
  map_sensor_gain = 551.0F;
  map_sensor_offset = 79.0F;
  bofg = {0, 0, 0, 0};
  const CalibrationTable& boost = table_named("boost_table_1");
  EXPECT_EQ(calibration_byte_text(boost, 255), "630.0");
  EXPECT_EQ(calibration_byte_text(boost, 0), "79.0");
}

TEST_F(MemoryMapTest, LambdaTableShowsAirFuelRatioUnlessTheLambdaUnitIsTicked) {
  const CalibrationTable& lambda_table = table_named("ego_lambda_table");
  use_lambda_unit(1);  // gasoline
  EXPECT_EQ(calibration_byte_text(lambda_table, 128), "14.70");
  // A value that ends up at 1.0 or below keeps three decimals.
  EXPECT_EQ(calibration_byte_text(lambda_table, 8), "0.919");
  use_lambda_unit(0);
  EXPECT_EQ(calibration_byte_text(lambda_table, 128), "1.000");
}

TEST_F(MemoryMapTest, LambdaUnitIsTakenFromTheMenuTickNotTheFactor) {
  use_lambda_unit(0);
  afr_factor = 14.7F;
  EXPECT_EQ(calibration_byte_text(table_named("ego_lambda_table"), 128), "1.000");
}

}  // namespace
}  // namespace ecu
