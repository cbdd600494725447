// The reset menus of the three table windows: asked first, then the neutral content written
// and marked for the next Update; nothing sent.

#include <gtest/gtest.h>

#include <string>

#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "support/console_test.hpp"

namespace ecu {
namespace {

class TableResetTest : public test::ConsoleTest {
 protected:
  static void click(ui::Form& window, const std::string& menu_name) {
    auto* item = dynamic_cast<ui::MenuItem*>(window.find_control(menu_name));
    ASSERT_NE(item, nullptr) << menu_name;
    item->click();
  }
};

TEST_F(TableResetTest, EveryCurveEntryWritesItsDefaultIntoAllNineFields) {
  using F = Frm2dForm;
  struct Case {
    const char* menu;
    ui::ControlArray<ui::TextBox> F::*fields;
    const char* text;
  };
  const Case cases[] = {{"menuresetcoolant", &F::clt_map, "1.000"},
                        {"menuresetmat", &F::mat_data, "1.000"},
                        {"menureset_baro_gain", &F::baro_gain, "1.000"},
                        {"menuresetaux", &F::Pressure_Gain, "1.000"},
                        {"menuresetaccel", &F::accel_map, "1.000"},
                        {"menuresetign_map", &F::ign_map, "0.0"},
                        {"menuresetign_rpm", &F::ign_rpm, "0.0"},
                        {"menuresetign_mat", &F::ign_mat, "0.0"},
                        {"menureset_CLT_ign", &F::ign_clt, "0.0"},
                        {"menureset_AUX_ign", &F::ign_aux, "0.0"},
                        {"menuresetbaro", &F::ign_bar, "0.0"},
                        {"menureset_dwell_mult", &F::dwell_map, "1.000"},
                        {"menureset_vbat_dwell_mult", &F::dwell_vbat, "1.000"},
                        {"menuresetidle", &F::idle_rpm_map, "800"}};
  Frm2dForm& window = frm_2d();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.menu);
    ui::ControlArray<ui::TextBox>& fields = window.*c.fields;
    for (int k = 0; k < 9; ++k) {
      fields[k].set_text("7");
      fields[k].set_back_colour(ui::colours::white);
    }
    presenter().answer_next(ui::MsgResult::no);
    click(window, c.menu);
    EXPECT_EQ(fields[4].text(), "7");
    presenter().answer_next(ui::MsgResult::yes);
    click(window, c.menu);
    for (int k = 0; k < 9; ++k) {
      EXPECT_EQ(fields[k].text(), c.text);
      EXPECT_EQ(fields[k].back_colour(), ui::colours::yellow);
    }
    EXPECT_EQ(presenter().shown_messages.back().text,
              "this function will overwrite the table, continue?");
    EXPECT_EQ(presenter().shown_messages.back().title, "CAUTION!");
  }
}

// The cells of rows and columns 1 to `size` that read `text`.
int count(const ui::Grid& grid, int size, const std::string& text) {
  int found = 0;
  for (int row = 1; row <= size; ++row) {
    for (int col = 1; col <= size; ++col) found += grid.cell_text(row, col) == text ? 1 : 0;
  }
  return found;
}

TEST_F(TableResetTest, LambdaEntryWritesOneLambdaInTheShownUnitAndMapEntriesTheirOwnMapOnly) {
  for (const auto& [factor, text] : {std::pair{14.7F, "14.70"}, std::pair{1.0F, "1.00"}}) {
    afr_factor = factor;
    presenter().answer_next(ui::MsgResult::yes);
    click(frm_2d(), "menuresetegosetpoint");
    EXPECT_EQ(count(frm_2d().lambda_sp_table, 9, text), 81) << text;
    EXPECT_EQ(frm_2d().lambda_sp_table.cell_back_colour(9, 1), ui::colours::yellow);
  }

  Frm3dForm& window = frm_3d();
  window.TPS_map.set_cell_text(16, 1, "1.500");
  presenter().answer_next(ui::MsgResult::yes);
  click(window, "menuresetmap_fuel");
  EXPECT_EQ(presenter().shown_messages.back().text,
            "this function will overwrite the Fuel table, continue?");
  EXPECT_EQ(count(window.inj_map, 16, "1.000"), 256);
  EXPECT_EQ(window.inj_map.cell_back_colour(16, 1), ui::colours::yellow);
  EXPECT_EQ(window.ign_map.cell_text(16, 1), "");
  EXPECT_EQ(window.TPS_map.cell_text(16, 1), "1.500");
  presenter().answer_next(ui::MsgResult::yes);
  click(window, "menuresetmap_Ign");
  EXPECT_EQ(presenter().shown_messages.back().text,
            "this function will overwrite the Ignition table, continue?");
  EXPECT_EQ(window.ign_map.cell_text(1, 16), "0.00");
}

TEST_F(TableResetTest, OutputWindowSaysItsTablesHaveNoDefaults) {
  FrmSupForm& window = frm_sup();
  window.table_grid(0).set_cell_text(1, 1, "12.5");
  presenter().answer_next(ui::MsgResult::no);
  click(window, "menuresetmap");
  EXPECT_EQ(presenter().shown_messages.size(), 1U);
  presenter().answer_next(ui::MsgResult::yes);
  click(window, "menuresetmap");
  ASSERT_EQ(presenter().shown_messages.size(), 3U);
  EXPECT_EQ(presenter().shown_messages[2].text,
            "The output and boost tables have no default values; no table was changed.");
  EXPECT_EQ(window.table_grid(0).cell_text(1, 1), "12.5");
}

}  // namespace
}  // namespace ecu
