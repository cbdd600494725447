#include "maps/table_reset.hpp"

#include <array>
#include <string>

#include "decode/cell_index.hpp"
#include "link/request.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "ui/format.hpp"

namespace ecu {

namespace {

bool confirmed(const std::string& text) {
  return ui::msg_box(text, ui::MsgButtons::yes_no, ui::MsgIcon::exclamation, 1, "CAUTION!") ==
         ui::MsgResult::yes;
}

constexpr const char* kOverwriteTable = "this function will overwrite the table, continue?";

using F = Frm2dForm;
struct CurveReset {
  const char* menu_name;
  const char* caption;
  ui::ControlArray<ui::TextBox> F::*fields;  // nullptr: the lambda set-point grid
  const char* text;
};

// clang-format off
constexpr std::array<CurveReset, 15> kCurveResets{{
    {"menuresetcoolant",          "&Coolant Map Gain",                 &F::clt_map,       "1.000"},
    {"menuresetmat",              "&Manifold Air Temp Gain",           &F::mat_data,      "1.000"},
    {"menureset_baro_gain",       "Barometric Pressure Gain",          &F::baro_gain,     "1.000"},
    {"menuresetaux",              "&Auxiliary Compensation Gain",      &F::Pressure_Gain, "1.000"},
    {"menuresetaccel",            "Accel Temp Enrichment",             &F::accel_map,     "1.000"},
    {"menuresetign_map",          "Ignition [MAP]&1",                  &F::ign_map,       "0.0"},
    {"menuresetign_rpm",          "Ignition [RPM]&2",                  &F::ign_rpm,       "0.0"},
    {"menuresetign_mat",          "Ignition [MAT]&3",                  &F::ign_mat,       "0.0"},
    {"menureset_CLT_ign",         "CLT Ignition advance",              &F::ign_clt,       "0.0"},
    {"menureset_AUX_ign",         "AUX Ignition Advance",              &F::ign_aux,       "0.0"},
    {"menuresetbaro",             "&Barometric Advance",               &F::ign_bar,       "0.0"},
    {"menureset_dwell_mult",      "MAP Dwell Multiplier",              &F::dwell_map,     "1.000"},
    {"menureset_vbat_dwell_mult", "VBat Dwell Multiplier",             &F::dwell_vbat,    "1.000"},
    {"menuresetegosetpoint",      "&EGO Closed loop setpoint params",  nullptr,           ""},
    {"menuresetidle",             "&Idle Setpoint Map",                &F::idle_rpm_map,  "800"},
}};
// clang-format on

void reset_curve(Frm2dForm& window, const CurveReset& entry) {
  if (!confirmed(kOverwriteTable)) return;
  if (entry.fields != nullptr) {
    for (int k = 0; k < Frm2dForm::kPoints; ++k) (window.*entry.fields)[k].write_text(entry.text);
    return;
  }
  // Lambda 1.0 in the unit the grid shows.
  const std::string text = ui::format_single(lambda_to_afr(1.0F), "#0.00");
  for (Integer i = 0; i < Frm2dForm::kPoints * Frm2dForm::kPoints; ++i) {
    window.lambda_sp_table.write_cell_text(table_cell_row(i), table_cell_col(i), text);
  }
}

}  // namespace

std::vector<std::unique_ptr<ui::MenuItem>> build_curve_reset_menu(Frm2dForm& window) {
  std::vector<std::unique_ptr<ui::MenuItem>> entries;
  for (const CurveReset& entry : kCurveResets) {
    auto item = std::make_unique<ui::MenuItem>(window, entry.menu_name, &window.menureset);
    item->set_caption(entry.caption);
    item->on_click = [&window, &entry] { reset_curve(window, entry); };
    entries.push_back(std::move(item));
  }
  return entries;
}

void reset_basic_map(Frm3dForm& window, int map_index) {
  struct MapReset {
    const char* question;
    const char* text;
  };
  constexpr std::array<MapReset, 2> kMapResets{{
      {"this function will overwrite the Fuel table, continue?", "1.000"},
      {"this function will overwrite the Ignition table, continue?", "0.00"},
  }};
  const MapReset& reset = kMapResets.at(static_cast<std::size_t>(map_index));
  if (!confirmed(reset.question)) return;
  ui::Grid& grid = window.map_grid(map_index);
  for (Integer i = 0; i < Frm3dForm::kMapCells * Frm3dForm::kMapCells; ++i) {
    grid.write_cell_text(map_cell_row(i), map_cell_col(i), reset.text);
  }
}

void reset_output_tables() {
  if (!confirmed(kOverwriteTable)) return;
  // Asking and then changing nothing would read as done: say that nothing was reset.
  ui::msg_box("The output and boost tables have no default values; no table was changed.",
              ui::MsgButtons::ok, ui::MsgIcon::information);
}

}  // namespace ecu
