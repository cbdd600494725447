#pragma once
// The additional mapping window (view 5): fourteen nine-point correction tables, each a
// row of nine fields, and the 9 x 9 lambda set-point grid, on the pages of `map_tabs`.
// While it is the current view the main poll moves a bar over each table to the live
// operating point.

#include <memory>
#include <vector>

#include "maps/editor_lifecycle.hpp"
#include "maps/grid_editing.hpp"
#include "maps/table_writes.hpp"
#include "model/basic_types.hpp"
#include "model/view_number.hpp"
#include "shell/view_commands.hpp"
#include "ui/caption_set.hpp"
#include "ui/ui.hpp"

namespace ecu {

class PollInhibitScope;

class Frm2dForm : public EditorForm {
 public:
  Frm2dForm();

  static constexpr int kPoints = 9;
  static constexpr int kPages = 3;

  // ---- Controls ----
  ui::CommandButton Command3d1{*this, "Command3d1"};  // close
  ui::CommandButton Command3d2{*this, "Command3d2"};  // update
  ui::Label show_demo_mode{*this, "show_demo_mode"};
  ui::Label inj_pw{*this, "inj_pw"};
  ui::Label ign_deg{*this, "ign_deg"};
  ui::TabControl map_tabs{*this, "map_tabs", kPages};
  // Fuel enrichments (page 0).
  ui::ControlArray<ui::TextBox> clt_map{*this, "clt_map", kPoints};
  ui::ControlArray<ui::TextBox> mat_data{*this, "mat_data", kPoints};
  ui::ControlArray<ui::TextBox> Pressure_Gain{*this, "Pressure_Gain", kPoints};
  ui::ControlArray<ui::TextBox> baro_gain{*this, "baro_gain", kPoints};
  ui::ControlArray<ui::TextBox> accel_map{*this, "accel_map", kPoints};
  // Ignition timing control (page 1).
  ui::ControlArray<ui::TextBox> ign_map{*this, "ign_map", kPoints};
  ui::ControlArray<ui::TextBox> ign_rpm{*this, "ign_rpm", kPoints};
  ui::ControlArray<ui::TextBox> ign_mat{*this, "ign_mat", kPoints};
  ui::ControlArray<ui::TextBox> ign_clt{*this, "ign_clt", kPoints};
  ui::ControlArray<ui::TextBox> ign_aux{*this, "ign_aux", kPoints};
  ui::ControlArray<ui::TextBox> ign_bar{*this, "ign_bar", kPoints};
  // EGO, rpm and dwell set-points (page 2).
  ui::ControlArray<ui::TextBox> dwell_vbat{*this, "dwell_vbat", kPoints};
  ui::ControlArray<ui::TextBox> dwell_map{*this, "dwell_map", kPoints};
  ui::ControlArray<ui::TextBox> idle_rpm_map{*this, "idle_rpm_map", kPoints};
  ui::Grid lambda_sp_table{*this, "lambda_sp_table", kPoints + 1, kPoints + 1};
  // Live markers, one per table; each moves from the left edge of its table's element 0.
  ui::Shape clt_bar{*this, "clt_bar"};
  ui::Shape mat_bar{*this, "mat_bar"};
  ui::Shape baro_bar{*this, "baro_bar"};
  ui::Shape aux_bar{*this, "aux_bar"};
  ui::Shape accel_clt_bar{*this, "accel_clt_bar"};
  ui::Shape map_ign_bar{*this, "map_ign_bar"};
  ui::Shape rpm_ign_bar{*this, "rpm_ign_bar"};
  ui::Shape mat_bar2{*this, "mat_bar2"};
  ui::Shape clt_bar_2{*this, "clt_bar_2"};
  ui::Shape aux_bar_ign{*this, "aux_bar_ign"};
  ui::Shape baro_ign_bar{*this, "baro_ign_bar"};
  ui::Shape vbat_dwell_mult_bar{*this, "vbat_dwell_mult_bar"};
  ui::Shape dwell_mult_bar{*this, "dwell_mult_bar"};
  ui::Shape idle_speed_bar{*this, "idle_speed_bar"};
  // The lambda grid's cursors and axes.
  ui::Shape rpm_bar{*this, "rpm_bar"};
  ui::Shape map_bar{*this, "map_bar"};
  ui::Line rpm_beg{*this, "rpm_beg"};
  ui::Line rpm_end{*this, "rpm_end"};
  ui::Line map_beg{*this, "map_beg"};
  ui::Line map_end{*this, "map_end"};
  // Line1 to Line2 is the span of every nine-point table, first to last point.
  ui::Line Line1{*this, "Line1"};
  ui::Line Line2{*this, "Line2"};
  // The nine breakpoints of each table's axis, under its fields (Label4 beside the lambda
  // grid's rows, element 0 at the bottom).
  ui::ControlArray<ui::Label> Label1{*this, "Label1", kPoints};
  ui::ControlArray<ui::Label> Label2{*this, "Label2", kPoints};
  ui::ControlArray<ui::Label> Label3{*this, "Label3", kPoints};
  ui::ControlArray<ui::Label> Label4{*this, "Label4", kPoints};
  ui::ControlArray<ui::Label> Label5{*this, "Label5", kPoints};
  ui::ControlArray<ui::Label> Label6{*this, "Label6", kPoints};
  ui::ControlArray<ui::Label> Label7{*this, "Label7", kPoints};
  ui::ControlArray<ui::Label> Label9{*this, "Label9", kPoints};
  ui::ControlArray<ui::Label> Label10{*this, "Label10", kPoints};
  ui::ControlArray<ui::Label> Label11{*this, "Label11", kPoints};
  ui::ControlArray<ui::Label> Label12{*this, "Label12", kPoints};
  ui::ControlArray<ui::Label> Label13{*this, "Label13", kPoints};
  ui::ControlArray<ui::Label> Label14{*this, "Label14", kPoints};
  ui::ControlArray<ui::Label> Label15{*this, "Label15", kPoints};
  ui::ControlArray<ui::Label> Label16{*this, "Label16", kPoints};
  ui::ControlArray<ui::Label> Label17{*this, "Label17", kPoints};

  // ---- Graphs: a line graph beside each table, the lambda grid as a surface ----
  ui::PictureBox clt_enr_graph{*this, "clt_enr_graph"};
  ui::PictureBox mat_enr_graph{*this, "mat_enr_graph"};
  ui::PictureBox baro_comp_graph{*this, "baro_comp_graph"};
  ui::PictureBox aux_enr_graph{*this, "aux_enr_graph"};
  ui::PictureBox accel_clt_enr_graph{*this, "accel_clt_enr_graph"};
  ui::PictureBox map_ign_graph{*this, "map_ign_graph"};
  ui::PictureBox rpm_ign_graph{*this, "rpm_ign_graph"};
  ui::PictureBox mat_ign_graph{*this, "mat_ign_graph"};
  ui::PictureBox clt_ign_graph{*this, "clt_ign_graph"};
  ui::PictureBox aux_ign_graph{*this, "aux_ign_graph"};
  ui::PictureBox baro_ign_graph{*this, "baro_ign_graph"};
  ui::PictureBox dwell_mult_graph{*this, "dwell_mult_graph"};
  ui::PictureBox idle_speed_graph{*this, "idle_speed_graph"};
  ui::PictureBox dwell_vbat_mult_graph{*this, "dwell_vbat_mult_graph"};
  ui::PictureBox ego_sp_graph{*this, "ego_sp_graph"};
  ui::ScrollBar ego_h_perspective{*this, "ego_h_perspective"};
  ui::ScrollBar ego_v_perspective{*this, "ego_v_perspective"};

  // ---- Menus ----
  ui::MenuItem menufile{*this, "menufile", nullptr};
  ui::MenuItem menufileexit{*this, "menufileexit", &menufile};
  ui::MenuItem menuupdate{*this, "menuupdate", nullptr};
  ui::MenuItem menureset{*this, "menureset", nullptr};
  // The fifteen reset entries under menureset, in menu order.
  std::vector<std::unique_ptr<ui::MenuItem>> reset_entries;
  ui::MenuItem spacer2{*this, "spacer2", nullptr};
  // The entries for the other views.
  ViewMenuBar view_menus{*this,
                         kAdditionalMappingView,
                         {{kMonitorView, "menumon"},
                          {kDashboardView, "menudash"},
                          {kConfigurationView, "menutools"},
                          {kBasicMappingView, "menu3d"},
                          {kPlotterView, "menuplotter"}}};

  // ---- Window state ----
  Integer tables_fetched = 0;
  Flag close_requested = kFalse;

  // ---- Handlers ----
  void Command3d1_Click();
  // Update: writes every changed item that holds a value, one memory write each.
  void Command3d2_Click();
  void menuupdate_Click();
  void menufileexit_Click();
  // Marks every item unread: the fields blank and yellow, the lambda cells yellow.
  void make_all_items_unloaded();
  // A key in element `index` of a field array: Enter updates, Shift+Up/Down step, the
  // arrows move the focus through the three fuel curves at the top of page 0.
  void field_KeyDown(ui::ControlArray<ui::TextBox>& fields, int index, int& key_code, int shift);

  // The lambda grid's cell marking, steps, Enter and block selection.
  [[nodiscard]] GridEditing& lambda_editing() { return lambda_editing_; }

 protected:
  void on_load() override;
  void on_activate() override;
  void on_close_command() override;
  void on_form_unload() override;

 private:
  void lay_out();
  void lay_out_lambda_grid();
  void lay_out_graphs();
  void draw_graphs();
  void build_menus();
  void wire_fields();
  void fetch_tables();
  void abort_fetch(PollInhibitScope& inhibit);
  void fill_demo_values();
  void write_breakpoint_labels();
  void note_marked_items();
  void write_changed_items();
  // Heat-map colours for the lambda grid; cells not in sync stay yellow.
  void colour_lambda_grid();

  GridEditing lambda_editing_{lambda_sp_table, 9, [this] { Command3d2_Click(); }};
  LoadedItems loaded_;

  // The titles and axis captions of the tables and the captions of the live values; design
  // text only.
  ui::CaptionSet captions_{*this, "caption_label"};
};

inline ui::FormInstance<Frm2dForm> frm_2d;

}  // namespace ecu
