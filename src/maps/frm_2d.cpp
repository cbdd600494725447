#include "maps/frm_2d.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "decode/cell_index.hpp"
#include "decode/memory_map.hpp"
#include "link/poll_inhibit.hpp"
#include "link/request.hpp"
#include "maps/frm_cellblock_modifier.hpp"
#include "maps/graphs.hpp"
#include "maps/heat_map.hpp"
#include "maps/table_reset.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/view_commands.hpp"
#include "ui/format.hpp"
#include "ui/number_parse.hpp"

namespace ecu {

namespace {

using Fields = ui::ControlArray<ui::TextBox> Frm2dForm::*;
using Labels = ui::ControlArray<ui::Label> Frm2dForm::*;

// Every nine-point table is nine adjacent fields; a bar outlines the field of the live point.
constexpr float kTableLeft = 600;
constexpr float kPointStep = 705;
constexpr float kFieldWidth = 645;
constexpr float kFieldHeight = 285;
// Each table: its title above the fields, its axis breakpoints under them.
constexpr float kTableStep = 960;
constexpr float kFirstTableTop = 600;
constexpr float kTitleAbove = 330;
constexpr float kLabelBelow = 300;
constexpr float kLabelHeight = 225;
// The lambda grid: nine columns and rows, header row and column hidden.
constexpr float kGridLeft = 2040;
constexpr float kGridTop = 3480;
constexpr float kGridColumn = 600;
constexpr float kGridRow = 285;
constexpr float kPointerSize = 150;

// The lambda table is read 27 bytes at a time.
constexpr int kLambdaBlock = 27;

// What each axis breakpoint stands for.
enum class Axis { temperature, barometric, manifold, engine_speed, auxiliary, battery };

struct Curve {
  Fields fields;
  int page;
  int write_rank;  // place in Update's order
  Labels breakpoints;
  Axis axis;
  ui::Shape Frm2dForm::*bar;
  const char* title;
  const char* axis_caption;
};

#define DEGREE "\xB0"
using F = Frm2dForm;

// In the order of the fetch, which is the order of the tables on their pages. Each table's
// address and conversion are the memory map's, found by its fields.
const std::array<Curve, 14> kCurves = {{
    // clang-format off
    {&F::clt_map, 0, 0, &F::Label6, Axis::temperature, &F::clt_bar, "CLT Enrichment", "Coolant Temperature " DEGREE "C"},
    {&F::mat_data, 0, 1, &F::Label2, Axis::temperature, &F::mat_bar, "MAT Enrichment", "Air Temperature " DEGREE "C"},
    {&F::baro_gain, 0, 6, &F::Label9, Axis::barometric, &F::baro_bar, "Barometric Compensator", "Barometic Pressure [kPa]"},
    {&F::Pressure_Gain, 0, 2, &F::Label1, Axis::auxiliary, &F::aux_bar, "AUX Enrichment", "Auxiliary Input [Volts]"},
    {&F::accel_map, 0, 12, &F::Label16, Axis::temperature, &F::accel_clt_bar, "Accel Temp Enrichment", "Coolant Temperature " DEGREE "C"},
    {&F::ign_map, 1, 3, &F::Label5, Axis::manifold, &F::map_ign_bar, "MAP Ign. Advance " DEGREE, "Manifold Pressure [kPa]"},
    {&F::ign_rpm, 1, 4, &F::Label7, Axis::engine_speed, &F::rpm_ign_bar, "RPM Ign. Advance " DEGREE, "Revs Per Minute"},
    {&F::ign_mat, 1, 5, &F::Label11, Axis::temperature, &F::mat_bar2, "MAT Ign. Advance " DEGREE, "Air Temperature " DEGREE "C"},
    {&F::ign_clt, 1, 10, &F::Label14, Axis::temperature, &F::clt_bar_2, "CLT Ign. Advance " DEGREE, "Coolant Temperature " DEGREE "C"},
    {&F::ign_aux, 1, 11, &F::Label15, Axis::auxiliary, &F::aux_bar_ign, "AUX Ign. Advance " DEGREE, "Auxiliary Input [Volts]"},
    {&F::ign_bar, 1, 9, &F::Label13, Axis::barometric, &F::baro_ign_bar, "BARO Ign. Advance " DEGREE, "Barometric Pressure [kPa]"},
    {&F::dwell_vbat, 2, 13, &F::Label17, Axis::battery, &F::vbat_dwell_mult_bar, "VBat Dwell Multiplier", "Battery Voltage [Volts]"},
    {&F::dwell_map, 2, 8, &F::Label12, Axis::manifold, &F::dwell_mult_bar, "MAP Dwell Multiplier", "Manifold Pressure [kPa]"},
    {&F::idle_rpm_map, 2, 7, &F::Label10, Axis::temperature, &F::idle_speed_bar, "Idle Speed Setting", "Coolant Temperature " DEGREE "C"},
    // clang-format on
}};
#undef DEGREE

const CalibrationTable& table_of(Frm2dForm& window, const Curve& curve) {
  return calibration_table_of((window.*curve.fields)[0]);
}

struct ToolTip {
  Fields fields;
  const char* text;
};
const ToolTip kToolTips[] = {
    {&F::clt_map,
     "Higher numbers in this cell will yield more fuel to be injected across this section of the "
     "map"},
    {&F::mat_data,
     "Higher numbers in this cell will yield more fuel to be injected across this section of the "
     "map"},
    {&F::Pressure_Gain,
     "Higher numbers in this cell will yield more fuel to be injected across this section of the "
     "map"},
    {&F::accel_map,
     "Higher numbers in this cell will yield more fuel to be injected across this section of the "
     "map"},
    {&F::baro_gain, "Higher values will give more fuel at this barometric pressure"},
    {&F::ign_map, "The degrees of Ignition advance due to manifold pressure (-16 to +48\xB0)"},
    {&F::ign_rpm, "The degrees of Ignition advance due to Engine speed (-16 to +48\xB0)"},
    {&F::ign_mat, "The degrees of Ignition advance due to Manifold Air Temp (-16 to +48\xB0)"},
    {&F::ign_clt, "The degrees of Ignition advance due to Coolant Temp (-16 to +48\xB0)"},
    {&F::ign_aux, "The degrees of Ignition advance due to the Aux input signal (-16 to +48\xB0)"},
    {&F::ign_bar, "The degrees of Ignition advance due to Barometric Pressure (-16 to +48\xB0)"},
    {&F::dwell_map,
     "The dwell is multiplied by a pressure specific amount you define in this table."},
    {&F::dwell_vbat,
     "The dwell is multiplied by a Battery Voltage specific amount you define in this table."},
    {&F::idle_rpm_map,
     "The Idle speed setpoint in RPM for this section of the coolant temperature band"},
};

// Text of breakpoint i (0 to 8) of an axis, with the scales in force now.
std::string breakpoint_text(Axis axis, int i) {
  const auto whole = [](double value) { return ui::str_integer(static_cast<long long>(value)); };
  switch (axis) {
    case Axis::temperature:
      return whole(std::floor(i * 128 / 8.0 - 13));
    case Axis::barometric:
      return whole(std::floor(std::floor(i / 8.0 * 115) + 10));
    case Axis::manifold:
      return whole(std::floor(std::floor(i / 8.0 * map_sensor_gain) + map_sensor_offset));
    case Axis::engine_speed:
      return whole(std::floor(static_cast<Single>(i) * rpm_full_scale / 8.0F));
    case Axis::auxiliary:
      return ui::format_number(i * 3.3 / 8, "0.000");
    case Axis::battery:
      return ui::format_number(i * 20 / 8.0, "0.00");
  }
  return {};
}

bool is_yellow(const ui::TextBox& field) {
  return field.back_colour() == ui::colours::yellow;
}

// The shift state of Shift alone; with Ctrl or Alt held too a key acts as without Shift.
constexpr int kShiftAlone = 1;
constexpr int kEnter = 13, kLeft = 37, kUp = 38, kRight = 39, kDown = 40;
constexpr float kCurveStep = 0.015625F;  // one stored count of a gain curve
constexpr float kCurveStepLimit = 3.984F;

}  // namespace

Frm2dForm::Frm2dForm() : EditorForm("frm_2d", "Additional Mapping", 10920, 9000) {
  lay_out();
  build_menus();
  wire_fields();
  Command3d1.on_click = [this] { Command3d1_Click(); };
  Command3d2.on_click = [this] { Command3d2_Click(); };
}

void Frm2dForm::wire_fields() {
  for (const Curve& curve : kCurves) {
    ui::ControlArray<ui::TextBox>& fields = this->*curve.fields;
    // Any new text, typed or written by code, marks the field changed; the decoders then
    // mark it in sync.
    fields.on(&ui::TextBox::on_change, [this, &fields](int k) {
      fields[k].set_back_colour(ui::colours::yellow);
      loaded_.note(fields[k]);
    });
    fields.on(&ui::TextBox::on_key_down, [this, &fields](int k, int& key_code, int shift) {
      field_KeyDown(fields, k, key_code, shift);
    });
    if (curve.page == 0) {
      // The fuel enrichments show which field has the focus.
      fields.on(&ui::TextBox::on_got_focus,
                [&fields](int k) { fields[k].set_fore_colour(ui::colours::light_red); });
      fields.on(&ui::TextBox::on_lost_focus,
                [&fields](int k) { fields[k].set_fore_colour(ui::colours::black); });
    }
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

  // Each page's tables one under the other, each with the bar that marks its live point
  // and its axis breakpoints under the fields.
  std::array<float, kPages> tops{kFirstTableTop, kFirstTableTop, kFirstTableTop};
  for (const Curve& curve : kCurves) {
    float& top = tops[static_cast<std::size_t>(curve.page)];
    ui::ControlArray<ui::TextBox>& fields = this->*curve.fields;
    ui::ControlArray<ui::Label>& labels = this->*curve.breakpoints;
    for (int point = 0; point < kPoints; ++point) {
      const float left = kTableLeft + kPointStep * static_cast<float>(point);
      fields[point].place_in(map_tabs, curve.page);
      fields[point].move(left, top, kFieldWidth, kFieldHeight);
      labels[point].place_in(map_tabs, curve.page);
      labels[point].move(left, top + kLabelBelow, kFieldWidth, kLabelHeight);
      labels[point].set_alignment(ui::Label::Align::centre);
    }
    ui::Shape& bar = this->*curve.bar;
    bar.place_in(map_tabs, curve.page);
    bar.move(kTableLeft, top - 60, kFieldWidth, kFieldHeight + 120);
    bar.set_border_colour(ui::colours::light_red);
    captions_.add(curve.title, kTableLeft, top - kTitleAbove, 3000, 255, &map_tabs, curve.page);
    captions_.beside(fields[kPoints - 1], "", curve.axis_caption);
    top += kTableStep;
  }
  for (const ToolTip& tip : kToolTips) {
    ui::ControlArray<ui::TextBox>& fields = this->*tip.fields;
    for (int point = 0; point < kPoints; ++point) fields[point].set_tool_tip(tip.text);
  }
  Line1.set_points(kTableLeft, 0, kTableLeft, kFieldHeight);
  Line2.set_points(kTableLeft + 8 * kPointStep, 0, kTableLeft + 8 * kPointStep, kFieldHeight);
  for (ui::Line* line : {&Line1, &Line2}) {
    line->place_in(map_tabs, 0);
    line->set_visible(false);
  }

  lay_out_lambda_grid();
  lay_out_graphs();
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
  ui::Label& rpm_axis = captions_.add("RPM", kGridLeft, kGridTop + 9 * kGridRow + 525,
                                      9 * kGridColumn, 255, &map_tabs, 2);
  rpm_axis.set_alignment(ui::Label::Align::centre);
  ui::Label& map_axis =
      captions_.add("MAP [kPa]", 60, kGridTop + 4 * kGridRow, kGridLeft - 1140, 255, &map_tabs, 2);
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
  // Speed breakpoints under the columns, pressure breakpoints beside the rows from the bottom.
  for (int point = 0; point < kPoints; ++point) {
    const auto step = static_cast<float>(point);
    Label3[point].place_in(map_tabs, 2);
    Label3[point].move(kGridLeft + step * kGridColumn, below_grid + 240, kGridColumn, kLabelHeight);
    Label3[point].set_alignment(ui::Label::Align::centre);
    Label4[point].place_in(map_tabs, 2);
    Label4[point].move(kGridLeft - 1020, kGridTop + (8 - step) * kGridRow + 30, 660, kLabelHeight);
    Label4[point].set_alignment(ui::Label::Align::right);
  }
}

void Frm2dForm::build_menus() {
  menufile.set_caption("&File");
  menufileexit.set_caption("e&xit");
  menufileexit.on_click = [this] { menufileexit_Click(); };
  menuupdate.set_caption("&Update");
  menuupdate.on_click = [this] { menuupdate_Click(); };
  menureset.set_caption("&Reset");
  reset_entries = build_curve_reset_menu(*this);
  open_block_modifier = show_cellblock_modifier;
}

void Frm2dForm::on_load() {
  make_all_items_unloaded();
}

void Frm2dForm::make_all_items_unloaded() {
  for (int k = 0; k < kPoints; ++k) {
    for (const Curve& curve : kCurves) (this->*curve.fields)[k].set_text("");
    for (const Curve& curve : kCurves) {
      (this->*curve.fields)[k].set_back_colour(ui::colours::yellow);
    }
  }
  // What the fields and cells show now was not read: none of it may be written back.
  const Integer lambda_bytes = table_byte_count(calibration_table_of(lambda_sp_table).shape);
  for (int i = 0; i < lambda_bytes; ++i) lambda_editing_.mark_unloaded(i);
  loaded_.forget_all();
}

void Frm2dForm::on_activate() {
  close_requested = kFalse;
  set_caption("Additional Mapping" + caption_suffix);
  if (tables_fetched != 0) return;
  tables_fetched = 1;
  // Shown again while its own fetch or Update still runs: that one goes on.
  lifecycle_.stay_loaded();
  if (lifecycle_.busy()) return;
  fetch_tables();
}

void Frm2dForm::fetch_tables() {
  const EditorLifecycle::Reading reading(lifecycle_);
  PollInhibitScope inhibit(0.1F, 0.1F);
  tables_fetched = 1;
  make_all_items_unloaded();
  map_tabs.set_current_tab(0);
  yield_to_message_loop();
  // The speed and pressure breakpoints follow the controller's full scale and sensor.
  request_reply("C");
  if (close_requested != kFalse) return abort_fetch(inhibit);
  if (demo_mode != kFalse) fill_demo_values();
  write_breakpoint_labels();

  for (int page = 0; page < kPages; ++page) {
    map_tabs.set_current_tab(page);
    yield_to_message_loop();
    for (const Curve& curve : kCurves) {
      if (curve.page != page) continue;
      read_calibration_block('r', table_of(*this, curve).first_address);
      // A close stops the fetch after the request under way.
      if (close_requested != kFalse) return abort_fetch(inhibit);
    }
  }
  if (comm_aborted != kFalse) return abort_fetch(inhibit);
  const CalibrationTable& lambda = calibration_table_of(lambda_sp_table);
  for (int offset = 0; offset < table_byte_count(lambda.shape); offset += kLambdaBlock) {
    read_calibration_block('k', lambda.first_address + offset);
    if (close_requested != kFalse) return abort_fetch(inhibit);
  }

  colour_lambda_grid();
  draw_graphs();
  map_tabs.set_current_tab(0);
  yield_to_message_loop();
  set_enabled(true);
}

void Frm2dForm::abort_fetch(PollInhibitScope& inhibit) {
  inhibit.release();
  // A window the user closed meanwhile has left the screen and does not leave again.
  Command3d1_Click();
}

void Frm2dForm::fill_demo_values() {
  for (int k = 0; k < kPoints; ++k) {
    for (const Curve& curve : kCurves) {
      ui::TextBox& field = (this->*curve.fields)[k];
      field.set_text(curve.fields == &F::idle_rpm_map ? std::to_string(1200 - 50 * k) : "1.000");
      field.set_back_colour(ui::colours::white);
    }
  }
  const Integer lambda_bytes = table_byte_count(calibration_table_of(lambda_sp_table).shape);
  for (int i = 0; i < lambda_bytes; ++i) {
    lambda_sp_table.set_cell_text(table_cell_row(i), table_cell_col(i), "1.000");
    lambda_editing_.mark_in_sync(i);
  }
}

void Frm2dForm::write_breakpoint_labels() {
  for (int i = 0; i < kPoints; ++i) {
    for (const Curve& curve : kCurves) {
      (this->*curve.breakpoints)[i].set_caption(breakpoint_text(curve.axis, i));
    }
    Label3[i].set_caption(breakpoint_text(Axis::engine_speed, i));
    Label4[i].set_caption(breakpoint_text(Axis::manifold, i));
  }
}

void Frm2dForm::menuupdate_Click() {
  Command3d2_Click();
}

void Frm2dForm::Command3d2_Click() {
  lifecycle_.request({[this] { note_marked_items(); },
                      [this] {
                        write_changed_items();
                        colour_lambda_grid();
                        draw_graphs();
                      }},
                     0.2F);
}

void Frm2dForm::note_marked_items() {
  for (const Curve& curve : kCurves) {
    for (int k = 0; k < kPoints; ++k) {
      const ui::TextBox& field = (this->*curve.fields)[k];
      if (is_yellow(field) && loaded_.contains(field)) lifecycle_.note(field);
    }
  }
  for (int i = 0; i < lambda_editing_.cell_count(); ++i) {
    if (lambda_editing_.needs_write(i)) lifecycle_.note(lambda_editing_, i);
  }
}

void Frm2dForm::write_changed_items() {
  std::array<const Curve*, kCurves.size()> write_order{};
  for (const Curve& curve : kCurves) {
    write_order[static_cast<std::size_t>(curve.write_rank)] = &curve;
  }
  for (int k = 0; k < kPoints; ++k) {
    for (const Curve* curve : write_order) {
      ui::TextBox& field = (this->*curve->fields)[k];
      const std::string* text = lifecycle_.asked_text(field);
      if (text == nullptr || !is_yellow(field) || !loaded_.contains(field)) continue;
      const CalibrationTable& table = table_of(*this, *curve);
      const StoredByte stored = calibration_byte_from_shown(table, ui::leading_number(*text));
      if (stored.refused()) continue;
      lifecycle_.send_write(field, calibration_write_command(table.first_address + k, stored.byte),
                            *text);
    }
  }
  const CalibrationTable& lambda = calibration_table_of(lambda_sp_table);
  for (int i = 0; i < table_byte_count(lambda.shape); ++i) {
    const std::string* text = lifecycle_.asked_text(lambda_editing_, i);
    if (text == nullptr || !lambda_editing_.needs_write(i)) continue;
    // Shown in the unit afr_factor converts from.
    const StoredByte stored = calibration_byte_from_shown(lambda, ui::leading_number(*text));
    if (stored.refused()) continue;
    lifecycle_.send_write(lambda_editing_, i,
                          calibration_write_command(lambda.first_address + i, stored.byte), *text);
  }
}

// ---- Graphs ----

void Frm2dForm::lay_out_graphs() {
  // Each curve's line graph right of its nine fields, on the same page.
  const std::pair<ui::ControlArray<ui::TextBox>*, ui::PictureBox*> beside[] = {
      {&clt_map, &clt_enr_graph},         {&mat_data, &mat_enr_graph},
      {&baro_gain, &baro_comp_graph},     {&Pressure_Gain, &aux_enr_graph},
      {&accel_map, &accel_clt_enr_graph}, {&ign_map, &map_ign_graph},
      {&ign_rpm, &rpm_ign_graph},         {&ign_mat, &mat_ign_graph},
      {&ign_clt, &clt_ign_graph},         {&ign_aux, &aux_ign_graph},
      {&ign_bar, &baro_ign_graph},        {&dwell_map, &dwell_mult_graph},
      {&idle_rpm_map, &idle_speed_graph}, {&dwell_vbat, &dwell_vbat_mult_graph},
  };
  for (const auto& [fields, picture] : beside) {
    const ui::TextBox& first = (*fields)[0];
    if (first.container() != nullptr) picture->place_in(*first.container(), first.tab_page());
    // Under the axis caption that follows the last field, above the next table.
    picture->move(7020, first.top() + 330, 2640, 570);
    picture->set_scale(0, 0, 176, 38);  // pixels
    picture->set_back_colour(ui::colours::black);
  }
  ego_sp_graph.place_in(map_tabs, 2);
  ego_sp_graph.move(7560, kGridTop, 2040, 2040);
  ego_sp_graph.set_scale(0, 0, 136, 136);  // pixels
  ego_h_perspective.place_in(map_tabs, 2);
  ego_h_perspective.move(7560, kGridTop + 2100, 2040, 240);
  ego_v_perspective.place_in(map_tabs, 2);
  ego_v_perspective.move(9620, kGridTop, 180, 2040);
  ego_v_perspective.set_vertical(true);
  for (ui::ScrollBar* angle : {&ego_h_perspective, &ego_v_perspective}) angle->set_range(0, 100);
  ego_h_perspective.set_value(45);
  ego_v_perspective.set_value(30);
  const auto redraw = [this] { draw_lambda_surface(*this); };
  ego_h_perspective.on_change = redraw;
  ego_v_perspective.on_change = redraw;
}

void Frm2dForm::draw_graphs() {
  draw_all_2d_graphs(*this);
  draw_lambda_surface(*this);
}

void Frm2dForm::colour_lambda_grid() {
  // Cells not in sync (never read, or whose write got no echo) stay yellow.
  const HeatMapRange range = colour_heat_map(lambda_editing_, kHeatMapPalette, lambda_sp_colors);
  lambda_sp_scale_low = range.low;
  lambda_sp_scale_high = range.high;
}

void Frm2dForm::field_KeyDown(ui::ControlArray<ui::TextBox>& fields, int index, int& key_code,
                              int shift) {
  if (key_code == kEnter) {
    Command3d2_Click();
    return;
  }
  // Only the three fuel curves at the top of page 0 answer the arrows; they form a chain.
  ui::ControlArray<ui::TextBox>* above = nullptr;
  ui::ControlArray<ui::TextBox>* below = nullptr;
  if (&fields == &clt_map) {
    below = &mat_data;
  } else if (&fields == &mat_data) {
    above = &clt_map;
    below = &Pressure_Gain;
  } else if (&fields == &Pressure_Gain) {
    above = &mat_data;
  } else {
    return;
  }
  ui::TextBox& field = fields[index];
  const auto step = [&field](float delta) {
    const Single value = shown_single(field.text());
    const Single stepped =
        delta > 0 ? std::min(value + delta, kCurveStepLimit) : std::max(value + delta, 0.0F);
    field.set_text(ui::format_single(stepped, "#.000"));
  };
  switch (key_code) {
    case kLeft:
      if (index > 0) fields[index - 1].set_focus();
      break;
    case kRight:
      if (index < kPoints - 1) fields[index + 1].set_focus();
      break;
    case kUp:
      if (shift == kShiftAlone) {
        step(kCurveStep);
      } else if (above != nullptr) {
        (*above)[0].set_focus();
      }
      break;
    case kDown:
      if (shift == kShiftAlone) {
        step(-kCurveStep);
      } else if (below != nullptr) {
        (*below)[0].set_focus();
      }
      break;
    default:
      break;
  }
}

void Frm2dForm::Command3d1_Click() {
  close_command();
}

void Frm2dForm::on_close_command() {
  close_requested = kTrue;
}

void Frm2dForm::menufileexit_Click() {
  Command3d1_Click();
}

void Frm2dForm::on_form_unload() {
  if (comm_aborted != kFalse) make_all_items_unloaded();
  tables_fetched = 0;
}

}  // namespace ecu
