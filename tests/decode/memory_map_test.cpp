#include "decode/memory_map.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>

#include "config/frm_tool.hpp"
#include "decode/decode_test_support.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

using MemoryMapTest = test::DecodeTest;

struct TableRow {
  std::string_view name;
  Long first;
  Long last;
  Integer bytes;
  std::string_view key;
  ByteConversion conversion;
  Long highest;
  OutsideRange outside;
};

// Every table in address order, as the data set files and the controller have them.
constexpr TableRow kTables[] = {
    // clang-format off
    {"ego_lambda_table", 0x000, 0x050, 81, "EGOL", ByteConversion::lambda, 255, OutsideRange::held},
    {"clt_fuel_curve", 0x070, 0x078, 9, "CLTM", ByteConversion::factor_64, 255, OutsideRange::held},
    {"mat_fuel_curve", 0x080, 0x088, 9, "MATM", ByteConversion::factor_64, 255, OutsideRange::held},
    {"aux_fuel_curve", 0x090, 0x098, 9, "AUXM", ByteConversion::factor_64, 255, OutsideRange::held},
    {"fuel_map", 0x100, 0x1FF, 256, "MAPM", ByteConversion::factor_128, 255, OutsideRange::refused},
    {"map_ign_curve", 0x200, 0x208, 9, "IGNM", ByteConversion::ignition_degrees, 255, OutsideRange::held},
    {"rpm_ign_curve", 0x210, 0x218, 9, "IGNR", ByteConversion::ignition_degrees, 255, OutsideRange::held},
    {"baro_fuel_curve", 0x220, 0x228, 9, "BARG", ByteConversion::factor_128, 255, OutsideRange::held},
    {"idle_rpm_curve", 0x230, 0x238, 9, "IDLE", ByteConversion::idle_rpm, 255, OutsideRange::held},
    {"mat_ign_curve", 0x240, 0x248, 9, "IGNT", ByteConversion::ignition_degrees, 255, OutsideRange::held},
    {"gpo_table_1", 0x290, 0x2E0, 81, "GPO1", ByteConversion::output_percent, 255, OutsideRange::held},
    {"gpo_table_2", 0x300, 0x350, 81, "GPO2", ByteConversion::output_percent, 255, OutsideRange::held},
    {"gpo_table_3", 0x360, 0x3B0, 81, "GPO3", ByteConversion::output_percent, 255, OutsideRange::held},
    {"gpo_table_4", 0x400, 0x450, 81, "GPO4", ByteConversion::output_percent, 255, OutsideRange::held},
    {"dwell_curve", 0x480, 0x488, 9, "DWEL", ByteConversion::factor_64, 160, OutsideRange::held},
    {"baro_ign_curve", 0x4A0, 0x4A8, 9, "BARI", ByteConversion::ignition_degrees, 255, OutsideRange::held},
    {"clt_ign_curve", 0x4B0, 0x4B8, 9, "IGNC", ByteConversion::ignition_degrees, 255, OutsideRange::held},
    {"aux_ign_curve", 0x4C0, 0x4C8, 9, "IGNA", ByteConversion::ignition_degrees, 255, OutsideRange::held},
    {"accel_clt_curve", 0x4D0, 0x4D8, 9, "ACCC", ByteConversion::factor_64, 255, OutsideRange::held},
    {"boost_table_1", 0x500, 0x550, 81, "BMP0", ByteConversion::boost, 255, OutsideRange::held},
    {"vbat_dwell_curve", 0x570, 0x578, 9, "BATD", ByteConversion::factor_64, 255, OutsideRange::held},
    {"clt_sensor_cal", 0x5C0, 0x5C8, 9, "CLTF", ByteConversion::sensor_point, 255, OutsideRange::held},
    {"mat_sensor_cal", 0x5D0, 0x5D8, 9, "MATF", ByteConversion::sensor_point, 255, OutsideRange::held},
    {"ignition_map", 0x600, 0x6FF, 256, "IGN3", ByteConversion::ignition_degrees, 255, OutsideRange::held},
    {"tps_fuel_map", 0x700, 0x7FF, 256, "TPFM", ByteConversion::factor_128, 255, OutsideRange::held},
    {"tps_mix_map", 0x800, 0x8FF, 256, "TPFP", ByteConversion::tps_mix_percent, 64, OutsideRange::held},
    {"boost_table_2", 0x960, 0x9B0, 81, "BMP1", ByteConversion::boost, 255, OutsideRange::held},
    {"boost_table_3", 0xA00, 0xA50, 81, "BMP2", ByteConversion::boost, 255, OutsideRange::held},
    {"boost_table_4", 0xA60, 0xAB0, 81, "BMP3", ByteConversion::boost, 255, OutsideRange::held},
    // clang-format on
};

TEST(CalibrationMemoryMap, HoldsEveryTableWithItsAddressesSizeKeyAndWriteRange) {
  const std::span<const CalibrationTable> map = calibration_memory_map();
  ASSERT_EQ(map.size(), std::size(kTables));
  for (std::size_t i = 0; i < map.size(); ++i) {
    const TableRow& row = kTables[i];
    SCOPED_TRACE(std::string(row.name));
    const CalibrationTable& table = map[i];
    EXPECT_EQ(table.name, row.name);
    EXPECT_EQ(table.first_address, row.first);
    EXPECT_EQ(table.last_address, row.last);
    EXPECT_EQ(table_byte_count(table.shape), row.bytes);
    EXPECT_EQ(table.data_set_key, row.key);
    EXPECT_EQ(table.conversion, row.conversion);
    EXPECT_EQ(table.highest_byte, row.highest);
    EXPECT_EQ(table.outside, row.outside);
  }
}

TEST(CalibrationMemoryMap, FindsEveryTableByItsNameAndByBothEndsOfItsAddresses) {
  for (const TableRow& row : kTables) {
    SCOPED_TRACE(std::string(row.name));
    EXPECT_EQ(calibration_table(row.name).first_address, row.first);
    const CalibrationTable* first = find_calibration_table(row.first);
    const CalibrationTable* last = find_calibration_table(row.last);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(first->name, row.name);
    EXPECT_EQ(last->name, row.name);
  }
  EXPECT_THROW(calibration_table("fuel_curve"), std::invalid_argument);
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

TEST_F(MemoryMapTest, FindsTheTableAnEditorControlShows) {
  struct Case {
    const ui::Control& control;
    std::string_view table;
  };
  const Case cases[] = {
      {frm_2d().clt_map[4], "clt_fuel_curve"},
      // A curve of the additional mapping and a map of the basic mapping share a name.
      {frm_2d().ign_map[0], "map_ign_curve"},
      {frm_3d().ign_map, "ignition_map"},
      {frm_2d().lambda_sp_table, "ego_lambda_table"},
      {frm_sup().boost_gpo_3, "boost_table_4"},
      {frm_tool().MAT_CAL_MAP[8], "mat_sensor_cal"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(calibration_table_of(c.control).name, c.table) << c.control.name();
  }
  EXPECT_THROW(calibration_table_of(frm_3d().tps_rpm), std::invalid_argument);
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
    EXPECT_EQ(calibration_byte_text(calibration_table(c.table), c.stored), c.text);
  }
}

TEST_F(MemoryMapTest, BoostPressureFollowsTheMapSensorScaling) {
  map_sensor_gain = 551.0F;
  map_sensor_offset = 79.0F;
  bofg = {0, 0, 0, 0};
  const CalibrationTable& boost = calibration_table("boost_table_1");
  EXPECT_EQ(calibration_byte_text(boost, 255), "630.0");
  EXPECT_EQ(calibration_byte_text(boost, 0), "79.0");
}

TEST_F(MemoryMapTest, LambdaTableShowsAirFuelRatioUnlessTheLambdaUnitIsTicked) {
  const CalibrationTable& lambda_table = calibration_table("ego_lambda_table");
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
  EXPECT_EQ(calibration_byte_text(calibration_table("ego_lambda_table"), 128), "1.000");
}

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// A hair (one unit in the last place) below 0.375 and below 1.5.
constexpr double kBelow0375 = 0x1.7ffffffffffffp-2;
constexpr double kBelow15 = 0x1.7ffffffffffffp0;

struct StoredCase {
  std::string_view table;
  double shown;
  Long byte;
  ByteRefusal refusal = ByteRefusal::none;
};

TEST_F(MemoryMapTest, WritesEachTablesShownValueAsTheByteItsConversionAndRangeGive) {
  afr_factor = 14.7F;
  map_sensor_gain = 115.0F;
  map_sensor_offset = 10.0F;
  bofg = {2, 0, 2, 0};
  using enum ByteRefusal;
  const StoredCase cases[] = {
      {"clt_fuel_curve", 1.0, 64},
      {"clt_fuel_curve", 0.0078125, 0},  // 0.5 to the even 0
      {"clt_fuel_curve", 0.0234375, 2},  // 1.5 to the even 2
      {"mat_fuel_curve", 5.0, 255},      // 320 held
      {"dwell_curve", 2.5, 160},
      {"dwell_curve", 3.0, 160},        // 192 held at the dwell curve's ceiling
      {"dwell_curve", 2.4921875, 160},  // 159.5 to the even 160
      {"dwell_curve", 2.4765625, 158},  // 158.5 to the even 158
      {"vbat_dwell_curve", 3.0, 192},   // the battery dwell curve goes on to 255
      {"baro_fuel_curve", 1.5, 192},
      {"baro_fuel_curve", 0.00390625, 0},  // 0.5
      {"baro_fuel_curve", 0.01171875, 2},  // 1.5
      {"tps_fuel_map", -0.5, 0},
      {"tps_fuel_map", 1.99609375, 255},  // 255.5 rounds to 256, held
      {"fuel_map", 1.0, 128},
      {"fuel_map", 1.9921875, 255},
      {"fuel_map", 1.99609375, 0, too_high},   // 255.5 rounds to 256
      {"fuel_map", -0.00390625, 0},            // -0.5 rounds to 0, which is stored
      {"fuel_map", -0.01171875, 0, negative},  // -1.5 rounds to -2
      {"fuel_map", kInfinity, 0, too_high},
      {"fuel_map", -kInfinity, 0, negative},
      {"map_ign_curve", 0.0, 64},
      {"map_ign_curve", 10.1, 104},  // round(40.4) + 64
      {"rpm_ign_curve", -16.0, 0},
      {"mat_ign_curve", -20.0, 0},        // -16 held
      {"aux_ign_curve", 48.0, 255},       // 256 held
      {"baro_ign_curve", 0.125, 64},      // 0.5 to 0, then 64
      {"baro_ign_curve", 0.375, 66},      // 1.5 to 2, then 64
      {"map_ign_curve", kBelow0375, 65},  // x 4 is a hair below 1.5: 1, then 64
      {"ignition_map", 10.1, 104},
      {"ignition_map", kBelow0375, 65},
      {"ignition_map", 50.0, 255},
      {"idle_rpm_curve", 804.0, 100},   // 100.5
      {"idle_rpm_curve", 812.0, 102},   // 101.5
      {"idle_rpm_curve", 2100.0, 255},  // 262.5
      {"clt_sensor_cal", -40.0, 24},
      {"clt_sensor_cal", 0.5, 64},   // 64.5
      {"clt_sensor_cal", 1.5, 66},   // 65.5
      {"mat_sensor_cal", -0.5, 64},  // 63.5
      {"mat_sensor_cal", 200.0, 255},
      {"clt_sensor_cal", -70.0, 0},
      {"clt_sensor_cal", kBelow15, 66},  // 64 added first makes exactly 65.5
      {"gpo_table_1", 50.0, 128},
      {"gpo_table_2", 100.0, 255},    // 256 held
      {"gpo_table_3", 30.0, 77},      // 76.8
      {"gpo_table_1", 0.1953125, 0},  // 0.5
      {"gpo_table_1", 0.5859375, 2},  // 1.5
      {"tps_mix_map", 100.0, 64},
      {"tps_mix_map", 150.0, 64},       // 96 held at 100 percent
      {"tps_mix_map", 0.78125, 0},      // 0.5
      {"tps_mix_map", 2.34375, 2},      // 1.5
      {"ego_lambda_table", 14.7, 128},  // gasoline AFR 14.7 is lambda 1
      {"ego_lambda_table", 7.35, 64},
      {"ego_lambda_table", 1e300, 255},  // beyond any single
      {"ego_lambda_table", -14.7, 0},
      {"boost_table_1", 50.0, 128},   // percent
      {"boost_table_1", 100.0, 255},  // 256 held
      {"boost_table_3", 0.1953125, 0},
      {"boost_table_3", 0.5859375, 2},
      {"boost_table_2", 100.0, 200},  // kPa: 90 / 115 x 255 = 199.57
      {"boost_table_2", 5.0, 0},      // below the sensor's 10 kPa
      {"boost_table_4", 67.5, 128},   // 57.5 / 115 x 255 = 127.5
      {"boost_table_4", 38.75, 64},   // 63.75
      {"boost_table_4", 182.5, 255},  // 382.5 held
      {"clt_fuel_curve", std::nan(""), 0, not_a_number},
      {"clt_fuel_curve", kInfinity, 255},
      {"clt_fuel_curve", -kInfinity, 0},
  };
  for (const StoredCase& c : cases) {
    SCOPED_TRACE(std::string(c.table) + " " + std::to_string(c.shown));
    const StoredByte stored = calibration_byte_from_shown(calibration_table(c.table), c.shown);
    EXPECT_EQ(stored.byte, c.byte);
    EXPECT_EQ(stored.refusal, c.refusal);
  }
}

TEST_F(MemoryMapTest, LambdaIsWrittenInTheUnitOfTheAfrFactor) {
  const CalibrationTable& lambda_table = calibration_table("ego_lambda_table");
  afr_factor = 0.0F;  // before start-up: read as lambda
  EXPECT_EQ(calibration_byte_from_shown(lambda_table, 1.0).byte, 128);
  afr_factor = 1.0F;
  EXPECT_EQ(calibration_byte_from_shown(lambda_table, 0.50390625).byte, 64);  // 64.5
  EXPECT_EQ(calibration_byte_from_shown(lambda_table, 0.51171875).byte, 66);  // 65.5
  afr_factor = 9.0F;
  EXPECT_EQ(calibration_byte_from_shown(lambda_table, 9.0).byte, 128);
}

TEST_F(MemoryMapTest, BoostPressureWithNoSensorSpanIsNotANumberOrHeld) {
  map_sensor_gain = 0.0F;
  map_sensor_offset = 10.0F;
  bofg = {0, 0, 0, 0};
  const CalibrationTable& boost = calibration_table("boost_table_1");
  EXPECT_EQ(calibration_byte_from_shown(boost, 10.0).refusal, ByteRefusal::not_a_number);
  EXPECT_EQ(calibration_byte_from_shown(boost, 20.0).byte, 255);
  EXPECT_EQ(calibration_byte_from_shown(boost, 0.0).byte, 0);
}

TEST_F(MemoryMapTest, GivesTheRoundedValueBeforeItIsBroughtWithinAByte) {
  const std::pair<std::string_view, double> cases[] = {
      {"clt_sensor_cal", -100.0}, {"clt_sensor_cal", 3e9}, {"tps_mix_map", 150.0},
      {"dwell_curve", 3.0},       {"fuel_map", 2.0},
  };
  const double expected[] = {-36.0, 3000000064.0, 96.0, 192.0, 256.0};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(calibration_wire_value(calibration_table(cases[i].first), cases[i].second),
              expected[i])
        << cases[i].first;
  }
}

}  // namespace
}  // namespace ecu
