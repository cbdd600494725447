#include "maps/frm_2d.hpp"

#include <vector>

#include "model/shared_state.hpp"
#include "shell/view_commands.hpp"

namespace ecu {

namespace {

// Every nine-point table is nine adjacent fields; a bar outlines the field of the live point.
constexpr float kTableLeft = 600;
constexpr float kPointStep = 705;
constexpr float kFieldWidth = 645;
constexpr float kFieldHeight = 285;
// Each table: its title above the fields, room under them for the axis breakpoints.
constexpr float kTableStep = 960;
constexpr float kFirstTableTop = 600;
constexpr float kTitleAbove = 330;
// The lambda grid: nine columns and rows, header row and column hidden.
constexpr float kGridLeft = 2040;
constexpr float kGridTop = 3600;
constexpr float kGridColumn = 600;
constexpr float kGridRow = 285;
constexpr float kPointerSize = 150;

}  // namespace

Frm2dForm::Frm2dForm() : ui::Form("frm_2d", "Additional Mapping", 10920, 9000) {
  lay_out();
  build_menus();
  Command3d1.on_click = [this] { Command3d1_Click(); };
  for (ui::Control* control : controls()) {
    if (control->kind() != ui::ControlKind::text_box) continue;
    auto* field = static_cast<ui::TextBox*>(control);
    field->on_change = [field] { field->set_back_colour(ui::colours::yellow); };
  }
}

void Frm2dForm::lay_out() {
  Command3d1.move(120, 120, 615, 615);
  set_up_exit_button(Command3d1);
  Command3d2.move(120, 780, 615, 615);
  set_up_update_button(Command3d2);

  lay_out_demo_label(show_demo_mode, 2400, 120, 4200, 555);
  inj_pw.move(9120, 120, 975, 285);
  inj_pw.set_caption("0.00");
  ign_deg.move(9120, 480, 975, 285);
  ign_deg.set_caption("0.00");
  inj_pw.set_alignment(ui::Label::Align::right);
  ign_deg.set_alignment(ui::Label::Align::right);
  captions_.beside(inj_pw, "Injection PW", "ms");
  captions_.beside(ign_deg, "Ignition Timing");

  map_tabs.move(840, 900, 9840, 7320);
  map_tabs.set_tab_caption(0, "Fuel Enrichments");
  map_tabs.set_tab_caption(1, "Ignition Timing Control");
  map_tabs.set_tab_caption(2, "EGO/RPM/Dwell Setpoints");

  // Each page's tables one under the other, each with the bar that marks its live point.
  struct Table {
    ui::ControlArray<ui::TextBox>* fields;
    ui::Shape* bar;
    const char* title;
    const char* axis;
  };
  const std::vector<Table> pages[kPages] = {
      {{&clt_map, &clt_bar, "CLT Enrichment",
        "Coolant Temperature \xB0"
        "C"},
       {&mat_data, &mat_bar, "MAT Enrichment",
        "Air Temperature \xB0"
        "C"},
       {&Pressure_Gain, &aux_bar, "AUX Enrichment", "Auxiliary Input [Volts]"},
       {&baro_gain, &baro_bar, "Barometric Compensator", "Barometic Pressure [kPa]"},
       {&accel_map, &accel_clt_bar, "Accel Temp Enrichment",
        "Coolant Temperature \xB0"
        "C"}},
      {{&ign_map, &map_ign_bar, "MAP Ign. Advance \xB0", "Manifold Pressure [kPa]"},
       {&ign_rpm, &rpm_ign_bar, "RPM Ign. Advance \xB0", "Revs Per Minute"},
       {&ign_mat, &mat_bar2, "MAT Ign. Advance \xB0",
        "Air Temperature \xB0"
        "C"},
       {&ign_clt, &clt_bar_2, "CLT Ign. Advance \xB0",
        "Coolant Temperature \xB0"
        "C"},
       {&ign_aux, &aux_bar_ign, "AUX Ign. Advance \xB0", "Auxiliary Input [Volts]"},
       {&ign_bar, &baro_ign_bar, "BARO Ign. Advance \xB0", "Barometric Pressure [kPa]"}},
      {{&dwell_vbat, &vbat_dwell_mult_bar, "VBat Dwell Multiplier", "Battery Voltage [Volts]"},
       {&dwell_map, &dwell_mult_bar, "MAP Dwell Multiplier", "Manifold Pressure [kPa]"},
       {&idle_rpm_map, &idle_speed_bar, "Idle Speed Setting",
        "Coolant Temperature \xB0"
        "C"}},
  };
  for (int page = 0; page < kPages; ++page) {
    float top = kFirstTableTop;
    for (const Table& table : pages[page]) {
      for (int point = 0; point < kPoints; ++point) {
        ui::TextBox& field = (*table.fields)[point];
        field.place_in(map_tabs, page);
        field.move(kTableLeft + kPointStep * static_cast<float>(point), top, kFieldWidth,
                   kFieldHeight);
      }
      table.bar->place_in(map_tabs, page);
      table.bar->move(kTableLeft, top - 60, kFieldWidth, kFieldHeight + 120);
      table.bar->set_border_colour(ui::colours::light_red);
      captions_.add(table.title, kTableLeft, top - kTitleAbove, 3000, 255, &map_tabs, page);
      captions_.beside((*table.fields)[kPoints - 1], "", table.axis);
      top += kTableStep;
    }
  }
  Line1.set_points(kTableLeft, 0, kTableLeft, kFieldHeight);
  Line2.set_points(kTableLeft + 8 * kPointStep, 0, kTableLeft + 8 * kPointStep, kFieldHeight);
  for (ui::Line* line : {&Line1, &Line2}) {
    line->place_in(map_tabs, 0);
    line->set_visible(false);
  }

  lay_out_lambda_grid();
}

void Frm2dForm::lay_out_lambda_grid() {
  lambda_sp_table.place_in(map_tabs, 2);
  lambda_sp_table.move(kGridLeft, kGridTop, 9 * kGridColumn, 9 * kGridRow);
  // The header row and column give way to the axis labels beside the grid.
  lambda_sp_table.set_column_width(0, 0);
  lambda_sp_table.set_row_height(0, 0);
  for (int cell = 1; cell <= kPoints; ++cell) {
    lambda_sp_table.set_column_width(cell, kGridColumn);
    lambda_sp_table.set_row_height(cell, kGridRow);
  }
  captions_.add("EGO Lambda Setpoint", kGridLeft, kGridTop - kTitleAbove, 3000, 255, &map_tabs, 2);
  ui::Label& rpm_axis = captions_.add("RPM", kGridLeft, kGridTop + 9 * kGridRow + 360,
                                      9 * kGridColumn, 255, &map_tabs, 2);
  rpm_axis.set_alignment(ui::Label::Align::centre);
  ui::Label& map_axis =
      captions_.add("MAP [kPa]", 120, kGridTop + 4 * kGridRow, kGridLeft - 480, 255, &map_tabs, 2);
  map_axis.set_alignment(ui::Label::Align::right);
  lambda_sp_table.set_tool_tip(
      "This map allows you to set the closed loop Lambda setpoint mapping.");

  // Cursor positions are cell centres: rpm from column 1 rightwards, pressure from row 9 up.
  const float x_begin = kGridLeft + kGridColumn / 2 - kPointerSize / 2;
  const float x_end = kGridLeft + 8.5F * kGridColumn - kPointerSize / 2;
  const float y_begin = kGridTop + 8.5F * kGridRow - kPointerSize / 2;
  const float y_end = kGridTop + kGridRow / 2 - kPointerSize / 2;
  const float below_grid = kGridTop + 9 * kGridRow + 60;
  rpm_beg.set_points(x_begin, below_grid, x_begin, below_grid + 240);
  rpm_end.set_points(x_end, below_grid, x_end, below_grid + 240);
  map_beg.set_points(kGridLeft - 300, y_begin, kGridLeft - 60, y_begin);
  map_end.set_points(kGridLeft - 300, y_end, kGridLeft - 60, y_end);
  for (ui::Line* line : {&rpm_beg, &rpm_end, &map_beg, &map_end}) {
    line->place_in(map_tabs, 2);
    line->set_visible(false);
  }
  rpm_bar.place_in(map_tabs, 2);
  rpm_bar.move(x_begin, below_grid, kPointerSize, kPointerSize);
  map_bar.place_in(map_tabs, 2);
  map_bar.move(kGridLeft - 240, y_begin, kPointerSize, kPointerSize);
  for (ui::Shape* pointer : {&rpm_bar, &map_bar}) {
    pointer->set_shape(ui::Shape::Kind::circle);
    pointer->set_fill_style(0);
    pointer->set_fill_colour(ui::colours::light_red);
  }
}

void Frm2dForm::build_menus() {
  menufile.set_caption("&File");
  menufileexit.set_caption("e&xit");
  menufileexit.on_click = [this] { menufileexit_Click(); };
  menuupdate.set_caption("&Update");
  menureset.set_caption("&Reset");
  const auto close = [this] { Command3d1_Click(); };
  wire_view_menu(menumon, "&Monitor", view_request_mon, close);
  wire_view_menu(menudash, "&Dashboard", view_request_dash, close);
  wire_view_menu(menutools, "&Config.", view_request_tools, close);
  wire_view_menu(menu3d, "&Basic Map", view_request_3d, close);
  wire_view_menu(menu_sup, "&GPO Drv.", view_request_sup, close);
  wire_view_menu(menuplotter, "&Plotter", view_request_plot, close);
  wire_view_menu(menu_diag, "D&iagnostics", view_request_diag, close);
}

void Frm2dForm::on_activate() {
  close_requested = kFalse;
  set_caption("Additional Mapping" + caption_suffix);
}

void Frm2dForm::Command3d1_Click() {
  close_requested = kTrue;
  Form_Unload();
}

void Frm2dForm::menufileexit_Click() {
  Command3d1_Click();
}

void Frm2dForm::Form_Unload() {
  tables_fetched = 0;
  close_view(*this);
}

void Frm2dForm::on_unload() {
  Form_Unload();
}

}  // namespace ecu
