#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/basic_types.hpp"
#include "model/calibration_keys.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

class SharedStateTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_shared_state(); }
  void TearDown() override { reset_shared_state(); }
};

std::vector<Flag*> every_flag() {
  return {&demo_mode,        &link_ready,        &comm_aborted,       &poll_inhibit,
          &view_request_mon, &view_request_dash, &view_request_tools, &view_request_3d,
          &view_request_2d,  &view_request_sup,  &view_request_plot,  &view_request_diag};
}

// The ranges the controller's values and the console's counts rely on: a 16-bit reply
// length or count wraps where the controller's does, a 32-bit address or word does not,
// and the byte counters carry a long session's total.
TEST_F(SharedStateTest, VariablesHoldTheRangesTheirValuesNeed) {
  EXPECT_EQ(std::numeric_limits<Integer>::min(), -32768);
  EXPECT_EQ(std::numeric_limits<Integer>::max(), 32767);
  EXPECT_EQ(std::numeric_limits<Flag>::min(), -32768);
  EXPECT_EQ(std::numeric_limits<Long>::min(), -2147483647 - 1);
  EXPECT_EQ(std::numeric_limits<Long>::max(), 2147483647);
  // A single keeps 24 bits: 16777216 and one more are the same single.
  EXPECT_EQ(static_cast<Single>(16777217.0), 16777216.0F);
  tx_byte_counts[0] = 5000000000;
  rx_byte_counts[0] = 5000000000;
  tx_byte_counts[0] += 1;
  EXPECT_EQ(tx_byte_counts[0], 5000000001);
  EXPECT_EQ(rx_byte_counts[0], 5000000000);
}

TEST_F(SharedStateTest, FlagsHoldMinusOneForTrueAndResetToZero) {
  EXPECT_EQ(kTrue, -1);
  EXPECT_EQ(kFalse, 0);
  for (Flag* flag : every_flag()) {
    EXPECT_EQ(*flag, 0);
    *flag = kTrue;
  }
  // Widened the way callers compare, a set flag must still read -1.
  EXPECT_EQ(static_cast<Long>(view_request_diag), -1);
  reset_shared_state();
  for (Flag* flag : every_flag()) {
    EXPECT_EQ(*flag, kFalse);
  }
}

TEST_F(SharedStateTest, ResetRestoresProgramStartValuesOfEachGroup) {
  com_port = 3;
  remote_server_ip = "192.168.1.20";
  remote_server_answered = 1;
  server_rx_datagram = "MARCO";
  caption_suffix = " ->COM3";
  master_mode = 1;
  tx_byte_counts = {5000, 12};
  rx_byte_counts = {7000, 30};
  reply_received = -1;
  feature_word_received = 1;
  skip_idle_check = 1;
  transaction_running = true;
  current_view = 8;
  idle_timer_start = 43200.5F;
  afr_factor = 14.7F;
  rpm_full_scale = 10000.0F;
  map_sensor_gain = 115.0F;
  map_sensor_offset = 10.0F;
  tach_filter_coef = 0.8F;
  tach_filter_prev = 950.0F;
  engine_rpm = 3000.0F;
  analog_temp = 200.0F;
  o2_sensor_status = 257;
  tps_cell = 15;
  inj_duty_pcnt[15] = 80;
  gpo_duty_pcnt[3] = 55.5F;
  wheel_diag_samples[200] = 1.25F;
  wb_heater_temp = 780;
  mem_value = 255;
  graph_table_code = 9;
  lambda_sp_scale_high = 1.2F;
  inj_map_colors[255] = 0x0080FF80;
  lambda_sp_colors[80] = 0xFF;
  block_sel_rows[1] = 16;
  block_sel_cols[0] = -1;
  block_sel_invalid = -1;
  block_last_col = 9;
  block_table_code = 13;
  log_file_name = "run.csv";
  logging_active = 1;
  log_file_num = 2;
  log_sample_count = 100;
  dyno_log_file_num = 3;

  reset_shared_state();

  EXPECT_EQ(com_port, 0);
  EXPECT_TRUE(remote_server_ip.empty());
  EXPECT_EQ(remote_server_answered, 0);
  EXPECT_TRUE(server_rx_datagram.empty());
  EXPECT_TRUE(caption_suffix.empty());
  EXPECT_EQ(master_mode, 0);
  EXPECT_EQ(tx_byte_counts[0], 0);
  EXPECT_EQ(tx_byte_counts[1], 0);
  EXPECT_EQ(rx_byte_counts[0], 0);
  EXPECT_EQ(rx_byte_counts[1], 0);
  EXPECT_EQ(reply_received, 0);
  EXPECT_EQ(feature_word_received, 0);
  EXPECT_EQ(skip_idle_check, 0);
  EXPECT_FALSE(transaction_running);
  EXPECT_EQ(current_view, 0);
  EXPECT_EQ(idle_timer_start, 0.0F);
  // The main window's start-up defaults (1.0, 10000, 115, 10) are its own job.
  EXPECT_EQ(afr_factor, 0.0F);
  EXPECT_EQ(rpm_full_scale, 0.0F);
  EXPECT_EQ(map_sensor_gain, 0.0F);
  EXPECT_EQ(map_sensor_offset, 0.0F);
  EXPECT_EQ(tach_filter_coef, 0.0F);
  EXPECT_EQ(tach_filter_prev, 0.0F);
  EXPECT_EQ(engine_rpm, 0.0F);
  EXPECT_EQ(analog_temp, 0.0F);
  EXPECT_EQ(o2_sensor_status, 0);
  EXPECT_EQ(tps_cell, 0);
  EXPECT_EQ(inj_duty_pcnt[15], 0);
  EXPECT_EQ(gpo_duty_pcnt[3], 0.0F);
  EXPECT_EQ(wheel_diag_samples[200], 0.0F);
  EXPECT_EQ(wb_heater_temp, 0);
  EXPECT_EQ(mem_value, 0);
  EXPECT_EQ(graph_table_code, 0);
  EXPECT_EQ(lambda_sp_scale_high, 0.0F);
  EXPECT_EQ(inj_map_colors[255], 0);
  EXPECT_EQ(lambda_sp_colors[80], 0);
  EXPECT_EQ(block_sel_rows[1], 0);
  EXPECT_EQ(block_sel_cols[0], 0);
  EXPECT_EQ(block_sel_invalid, 0);
  EXPECT_EQ(block_last_col, 0);
  EXPECT_EQ(block_table_code, 0);
  EXPECT_TRUE(log_file_name.empty());
  EXPECT_EQ(logging_active, 0);
  EXPECT_EQ(log_file_num, 0);
  EXPECT_EQ(log_sample_count, 0);
  EXPECT_EQ(dyno_log_file_num, 0);
}

TEST_F(SharedStateTest, ResetClearsEveryCalibrationScalarAndArrayElement) {
  Long value = 1;
  for (const auto& row : kCalibrationScalarKeys) {
    *row.variable = value++;
  }
  for (const auto& row : kCalibrationArrayKeys) {
    for (Long& element : row.elements) {
      element = value++;
    }
  }
  reset_shared_state();
  for (const auto& row : kCalibrationScalarKeys) {
    EXPECT_EQ(*row.variable, 0) << row.key;
  }
  for (const auto& row : kCalibrationArrayKeys) {
    for (const Long element : row.elements) {
      EXPECT_EQ(element, 0) << row.key;
    }
  }
}

TEST(CalibrationKeysTest, ScalarKeysAreUniqueAndFitTheEightCharacterKeyField) {
  std::set<std::string_view> keys;
  for (const auto& row : kCalibrationScalarKeys) {
    EXPECT_FALSE(row.key.empty());
    EXPECT_LE(row.key.size(), 8U) << row.key;
    // A blank would be trimmed away and a bracket would make the line read as a table.
    EXPECT_EQ(row.key.find_first_of(" []="), std::string_view::npos) << row.key;
    EXPECT_TRUE(keys.insert(row.key).second) << "duplicate " << row.key;
  }
}

TEST(CalibrationKeysTest, ScalarRowsPointAtDistinctVariables) {
  std::set<const Long*> variables;
  for (const auto& row : kCalibrationScalarKeys) {
    ASSERT_NE(row.variable, nullptr) << row.key;
    EXPECT_TRUE(variables.insert(row.variable).second) << "shared variable at " << row.key;
  }
}

TEST(CalibrationKeysTest, ArrayRowsCoverDistinctWholeArraysOfTheirBounds) {
  std::set<std::string_view> keys;
  for (const auto& row : kCalibrationArrayKeys) {
    EXPECT_EQ(row.key.size(), 4U) << row.key;
    EXPECT_TRUE(keys.insert(row.key).second) << "duplicate " << row.key;
    EXPECT_EQ(row.elements.size(), static_cast<std::size_t>(row.upper_bound) + 1) << row.key;
    EXPECT_EQ(find_calibration_scalar(row.key), nullptr) << row.key;
  }
  const std::less<const Long*> before;
  for (const auto& a : kCalibrationArrayKeys) {
    for (const auto& b : kCalibrationArrayKeys) {
      if (&a == &b) {
        continue;
      }
      const bool apart = !before(a.elements.data(), b.elements.data() + b.elements.size()) ||
                         !before(b.elements.data(), a.elements.data() + a.elements.size());
      EXPECT_TRUE(apart) << a.key << " overlaps " << b.key;
    }
  }
}

// The scalar and array keys of a data set file in file order. FS_RPM is the one scalar
// held as a Single; FW_REV is a version line but still a table row.
TEST(CalibrationKeysTest, EveryDataSetKeyResolves) {
  const std::vector<std::string_view> scalar_keys = {
      "ACC_SEN",  "ACC_RATE", "ACC_MINP", "ACC_MAXP", "EGO_CUT",  "MIN_PRES", "TRGS_REV",
      "HOT_P_PW", "HOT_#P",   "CLD_P_PW", "CLD_#P",   "TMP_THRS", "EGO_RATE", "EGO_GAIN",
      "EGO_SECS", "EGO_A_LO", "EGO_A_HI", "OPTIONS",  "MAP_TYPE", "FUEL_B",   "FUEL_MX",
      "TPS_RPM",  "BAT_COMP", "IAC_CLOS", "IAC_OPEN", "IAC_TPSE", "IAC_TPSC", "IAC_MAXR",
      "IAC_ERRR", "IAC_DEAD", "IGN_TDWL", "IGN_MDEG", "TDC_TETH", "TDC_TRIM", "BASE_DEG",
      "PH_USED",  "TACH_PH",  "LIM_DEG",  "EGO_FLGS", "EGO_WBL0", "EGO_WBL1", "TPS_BASE",
      "TPS_FS",   "TPS_EGO",  "TPS_ENR",  "MAX_MAP",  "WRPM_SCL", "RLI_SFT1", "RLI_SFT2",
      "RLI_HRD1", "RLI_HRD2", "RLF_HRD1", "RLF_HRD2", "F_CUT_T1", "F_CUT_T2", "IDL_BY_I",
      "IDL_MAXR", "IDL_MAXA", "CRK_RPMH", "CRK_DEGN", "CRK_PEGN", "CRK_ETMR", "CRK_TDEG",
      "FSHF_DEG", "FSHF_CTM", "FSHF_RTM", "INPT_CGF", "RPM_ACCL", "IDL_DRPM", "BAR_OFST",
      "BAR_SCLR", "MAP_OFST", "MAP_SCLR", "FW_REV"};
  const std::vector<std::string_view> array_keys = {
      "INJP", "IGNP", "PHBT", "GPOS", "GPOV", "RPMS", "RPSL", "RPSH", "GGPO", "STUT", "BO_P",
      "BO_I", "BO_D", "BOEN", "BOIS", "BORT", "BOFG", "INJK", "INJO", "INJL", "INJM"};

  for (const auto key : scalar_keys) {
    EXPECT_NE(find_calibration_scalar(key), nullptr) << key;
  }
  for (const auto key : array_keys) {
    EXPECT_NE(find_calibration_array(key), nullptr) << key;
  }
  EXPECT_EQ(kCalibrationScalarKeys.size(), scalar_keys.size());
  EXPECT_EQ(kCalibrationArrayKeys.size(), array_keys.size());
  EXPECT_EQ(kFullScaleRpmKey, "FS_RPM");
  EXPECT_EQ(find_calibration_scalar(kFullScaleRpmKey), nullptr);
}

// The keys whose variable is not simply the key in lower case are where a slip hides.
TEST_F(SharedStateTest, ScalarKeyLeadsToItsNamedVariable) {
  struct Case {
    std::string_view key;
    Long* variable;
  };
  const Case cases[] = {
      {"FW_REV", &fw_rev},
      {"EGO_RATE", &ego_rate_setting},
      {"OPTIONS", &option_bits},
      {"MAP_TYPE", &map_type_setting},
      {"BAT_COMP", &bat_comp_setting},
      {"TPS_RPM", &tps_rpm_setting},
      {"HOT_#P", &hot_num_p},
      {"CLD_#P", &cld_num_p},
      {"PH_USED", &ph_used_setting},
      {"TACH_PH", &tach_ph_setting},
      {"FSHF_RTM", &fshf_rtm},
      {"FSHF_CTM", &fshf_ctm},
      {"BAR_SCLR", &bar_sclr},
  };
  Long value = 1000;
  for (const auto& c : cases) {
    Long* found = find_calibration_scalar(c.key);
    ASSERT_NE(found, nullptr) << c.key;
    *found = ++value;
    EXPECT_EQ(*c.variable, value) << c.key;
  }
}

TEST_F(SharedStateTest, ArrayKeyLeadsToItsNamedArray) {
  struct Case {
    std::string_view key;
    std::span<Long> array;
  };
  const Case cases[] = {{"PHBT", phbt}, {"BO_P", bo_p}, {"BOFG", bofg},
                        {"RPSH", rpsh}, {"INJM", injm}, {"GGPO", ggpo}};
  for (const auto& c : cases) {
    const CalibrationArrayKey* row = find_calibration_array(c.key);
    ASSERT_NE(row, nullptr) << c.key;
    row->elements[row->upper_bound] = 77;
    EXPECT_EQ(c.array.back(), 77) << c.key;
    EXPECT_EQ(row->elements.data(), c.array.data()) << c.key;
  }
}

TEST(CalibrationKeysTest, LookupRejectsKeysThatAreNotCalibrationVariables) {
  for (const std::string_view key :
       {"", "SET_REV", "SW_REV", "fuel_mx", "FUEL_MX ", " FUEL_MX", "MAPM", "injp", "INJP[000]"}) {
    EXPECT_EQ(find_calibration_scalar(key), nullptr) << '"' << key << '"';
    EXPECT_EQ(find_calibration_array(key), nullptr) << '"' << key << '"';
  }
}

}  // namespace
}  // namespace ecu
