// Autotune: factors applied to the fuel and TPS maps, and data logs written by the plotter
// read record by record.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "maps/frm_3d.hpp"
#include "maps/frm_autotune.hpp"
#include "model/shared_state.hpp"
#include "support/console_test.hpp"
#include "views/data_log.hpp"

namespace ecu {
namespace {

// dt, the MAP, rpm, TPS and lambda changes, corr, ego_sp, the MAP, rpm and TPS cells with
// their remainders, and tps_pcnt.
std::vector<float> fields(const AutotuneRecord& r) {
  std::vector<float> values = {r.dt, r.map_change, r.rpm_change, r.tps_change, r.lambda_change};
  values.insert(values.end(), {r.corr, r.ego_sp, 1.0F * r.map_cell, r.map_remainder});
  values.insert(values.end(), {1.0F * r.rpm_cell, r.rpm_remainder, 1.0F * r.tps_cell});
  values.insert(values.end(), {r.tps_remainder, r.tps_pcnt});
  return values;
}

class AutotuneTest : public test::ConsoleTest {
 protected:
  // A log of the plotter with one row per poll time; the live values move between rows.
  static void write_plotter_log(const std::string& path, const std::vector<double>& poll_times) {
    ASSERT_EQ(open_data_log(path), "");
    for (std::size_t row = 0; row < poll_times.size(); ++row) {
      const auto step = static_cast<float>(row);
      engine_rpm_raw = 1000.0F + 500.0F * step;
      throttle_pos = 10.0F * step;
      rpm_cell = static_cast<Integer>(5 + row);
      lambda_measured = 0.95F, manifold_pressure_kpa = 50.0F, ego_correction = 1.02F;
      lambda_setpoint = 1.0F, tps_pcnt = 12.5F, map_cell = 3, tps_cell = 7;
      map_rem = 64, rpm_rem = 32, tps_rem = 96;  // written as 0.50, 0.25 and 0.75
      ASSERT_EQ(write_data_log_row(poll_times[row]), "");
    }
    ASSERT_EQ(close_data_log(), "");
  }
  std::vector<std::vector<float>> read(const std::string& path, LogReadResult expected) {
    std::vector<std::vector<float>> records;
    EXPECT_EQ(
        read_autotune_log(path, [&](const AutotuneRecord& r) { records.push_back(fields(r)); }),
        expected);
    return records;
  }
};

TEST_F(AutotuneTest, ReadsEachRecordOfAPlotterLogAndLoadingItLeavesTheFactorGridsAlone) {
  write_plotter_log("run.csv", {86399.5, 0.5, 2.0});
  // dt 0 without a previous record, then 0.50 - 86399.50 + 86400; the first change is the
  // value itself.
  const std::vector<std::vector<float>> expected = {
      {0.0F, 50, 1000, 0, 0.95F, 1.02F, 1, 3, 0.5F, 5, 0.25F, 7, 0.75F, 12.5F},
      {1.0F, 0, 500, 10, 0, 1.02F, 1, 3, 0.5F, 6, 0.25F, 7, 0.75F, 12.5F},
      {1.5F, 0, 500, 10, 0, 1.02F, 1, 3, 0.5F, 7, 0.25F, 7, 0.75F, 12.5F}};
  EXPECT_EQ(read("run.csv", LogReadResult::read), expected);

  FrmAutotuneForm& window = frm_autotune();
  window.autotune_inj_factors.set_cell_text(16, 1, "1.1");
  window.autotune_tps_factors.set_cell_text(16, 1, "0.9");
  presenter().choose_next_file("run.csv");
  window.menu_load_logfile.click();
  EXPECT_TRUE(presenter().shown_messages.empty());
  EXPECT_EQ(window.autotune_inj_factors.cell_text(16, 1), "1.1");
  EXPECT_EQ(window.autotune_tps_factors.cell_text(16, 1), "0.9");

  // A log broken off inside a record keeps the records before it; one of headers only has none.
  std::ofstream("run.csv", std::ios::app) << "12:00:00,3.00,1500,0.95,80,10.0\n";
  EXPECT_EQ(read("run.csv", LogReadResult::broken_off).size(), 3U);
  write_plotter_log("empty.csv", {});
  EXPECT_TRUE(read("empty.csv", LogReadResult::read).empty());
}

TEST_F(AutotuneTest, RefusesALogOfAnotherVersionAndNamesOneThatCannotBeOpened) {
  for (const char* version : {"LOG_FILE V1.00.03", "LOG_FILE V1.00.02 "}) {
    std::ofstream("other.csv", std::ios::trunc) << "Time,CPU_T\nLog Begins\n" << version << "\n\n";
    presenter().choose_next_file("other.csv");
    const std::size_t shown = presenter().shown_messages.size();
    frm_autotune().menu_load_logfile.click();
    ASSERT_EQ(presenter().shown_messages.size(), shown + 1) << version;
    EXPECT_EQ(presenter().shown_messages.back().text,
              "Incompatible log file for this version of Autotune");
  }
  presenter().choose_next_file("missing.csv");
  frm_autotune().menu_load_logfile.click();
  EXPECT_EQ(presenter().shown_messages.back().text, "The log file missing.csv cannot be opened.");
  EXPECT_EQ(presenter().shown_file_dialogs.back().initial_name, "*.CSV");
}

TEST_F(AutotuneTest, ApplyMultipliesTheMapCellsUnderTheFactors) {
  struct Case {
    bool tps;
    int row, col;
    std::string factor, map, after;
  };
  const Case cases[] = {
      {false, 16, 1, "1.1", "0.950", "1.045"},    // byte 0, bottom-left
      {false, 1, 1, "x", "0.950", "0.950"},       // byte 15: marked, skipped
      {false, 1, 16, "X", "1.200", "1.200"},      // byte 255
      {false, 9, 9, "abc", "1.200", "0.000"},     // no number: a factor of 0
      {false, 10, 10, "1.5", "", "0.000"},        // no map value
      {false, 11, 11, "1E39", "1.000", "1.000"},  // beyond single: kept
      {true, 16, 1, "2", "0.800", "1.600"},       // the TPS fuel map
  };
  Frm3dForm& maps = frm_3d();
  FrmAutotuneForm& window = frm_autotune();
  for (const Case& c : cases) {
    (c.tps ? maps.TPS_map : maps.inj_map).set_cell_text(c.row, c.col, c.map);
    (c.tps ? window.autotune_tps_factors : window.autotune_inj_factors)
        .set_cell_text(c.row, c.col, c.factor);
  }
  window.apply_to_maps.click();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.row) + "," + std::to_string(c.col));
    const ui::Grid& map = c.tps ? maps.TPS_map : maps.inj_map;
    EXPECT_EQ(map.cell_text(c.row, c.col), c.after);
    if (c.map != c.after) {
      EXPECT_EQ(map.cell_back_colour(c.row, c.col), ui::colours::yellow);
    }
  }
  window.reset_autotune_params.click();
  EXPECT_EQ(window.autotune_inj_factors.cell_text(16, 1), "");
}

}  // namespace
}  // namespace ecu
