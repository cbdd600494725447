#pragma once
// The output driver window (view 7): four general-purpose outputs and four boost channels,
// each with a 9 x 9 table on its own page of `GPO_tab`. While it is the current view the
// main poll moves one pair of live cursors over each table.

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "maps/editor_lifecycle.hpp"
#include "maps/grid_editing.hpp"
#include "maps/table_writes.hpp"
#include "model/basic_types.hpp"
#include "model/view_number.hpp"
#include "shell/view_commands.hpp"
#include "ui/caption_set.hpp"
#include "ui/ui.hpp"

namespace ecu {

// What a table is indexed by: the name, lowest value and span of each axis.
struct GpoAxes {
  Single x_span = 0, x_minimum = 0, y_span = 0, y_minimum = 0;
  std::string x_name, y_name;
};

// The axes of an output's table for its configuration byte (only the low four bits count),
// with the rpm and MAP sensor scales in force now.
GpoAxes get_gpo_axis_ranges(Long mode);

class FrmSupForm : public EditorForm {
 public:
  FrmSupForm();

  static constexpr int kOutputs = 4;
  static constexpr int kModes = 11;
  static constexpr int kTableCells = 9;
  static constexpr int kPages = 8;

  // ---- Controls ----
  ui::CommandButton Command3d1{*this, "Command3d1"};  // close
  ui::CommandButton Command3d2{*this, "Command3d2"};  // update
  ui::Label show_demo_mode{*this, "show_demo_mode"};
  ui::TabControl GPO_tab{*this, "GPO_tab", kPages};
  // Pages 0 to 3: one output each.
  ui::ControlArray<ui::Frame> GPO_params{*this, "GPO_params", kOutputs};
  ui::Grid GPO_tbl_0{*this, "GPO_tbl_0", kTableCells + 1, kTableCells + 1};
  ui::Grid GPO_tbl_1{*this, "GPO_tbl_1", kTableCells + 1, kTableCells + 1};
  ui::Grid GPO_tbl_2{*this, "GPO_tbl_2", kTableCells + 1, kTableCells + 1};
  ui::Grid GPO_tbl_3{*this, "GPO_tbl_3", kTableCells + 1, kTableCells + 1};
  // The selected option is the output's mode: what drives its table's axes.
  ui::ControlArray<ui::OptionButton> gpo_0_mode{*this, "gpo_0_mode", kModes};
  ui::ControlArray<ui::OptionButton> gpo_1_mode{*this, "gpo_1_mode", kModes};
  ui::ControlArray<ui::OptionButton> gpo_2_mode{*this, "gpo_2_mode", kModes};
  ui::ControlArray<ui::OptionButton> gpo_3_mode{*this, "gpo_3_mode", kModes};
  ui::ControlArray<ui::CheckBox> dont_interpolate{*this, "dont_interpolate", kOutputs};
  ui::ControlArray<ui::TextBox> cool_rly_temp{*this, "cool_rly_temp", kOutputs};
  ui::ControlArray<ui::TextBox> rpm_switch{*this, "rpm_switch", kOutputs};
  // Pages 4 to 7: one boost channel each.
  ui::Grid boost_gpo_0{*this, "boost_gpo_0", kTableCells + 1, kTableCells + 1};
  ui::Grid boost_gpo_1{*this, "boost_gpo_1", kTableCells + 1, kTableCells + 1};
  ui::Grid boost_gpo_2{*this, "boost_gpo_2", kTableCells + 1, kTableCells + 1};
  ui::Grid boost_gpo_3{*this, "boost_gpo_3", kTableCells + 1, kTableCells + 1};
  ui::ControlArray<ui::TextBox> boost_p{*this, "boost_p", kOutputs};
  ui::ControlArray<ui::TextBox> boost_i{*this, "boost_i", kOutputs};
  ui::ControlArray<ui::TextBox> boost_d{*this, "boost_d", kOutputs};
  ui::ControlArray<ui::TextBox> boost_enable_press{*this, "boost_enable_press", kOutputs};
  ui::ControlArray<ui::TextBox> boost_integ_preset{*this, "boost_integ_preset", kOutputs};
  ui::ControlArray<ui::TextBox> boost_loop_rate{*this, "boost_loop_rate", kOutputs};
  ui::ControlArray<ui::CheckBox> boost_ctrl_invert{*this, "boost_ctrl_invert", kOutputs};
  ui::ControlArray<ui::CheckBox> use_as_pwm{*this, "use_as_pwm", kOutputs};
  // Live cursors, one pair per table page; every table sits at the same place on its page,
  // so one pair of axis lines serves all eight.
  ui::ControlArray<ui::Shape> supp_x_ptr{*this, "supp_x_ptr", kPages};
  ui::ControlArray<ui::Shape> supp_y_ptr{*this, "supp_y_ptr", kPages};
  ui::ControlArray<ui::Line> supp_x_beg{*this, "supp_x_beg", 1};
  ui::ControlArray<ui::Line> supp_x_end{*this, "supp_x_end", 1};
  ui::ControlArray<ui::Line> supp_y_beg{*this, "supp_y_beg", 1};
  ui::ControlArray<ui::Line> supp_y_end{*this, "supp_y_end", 1};
  // Each table with its axis captions and breakpoints: 0 to 3 the outputs, 4 to 7 boost.
  ui::ControlArray<ui::Frame> gpo_map_holder{*this, "gpo_map_holder", kPages};
  ui::ControlArray<ui::Label> gpo_x_text{*this, "gpo_x_text", kOutputs};
  ui::ControlArray<ui::Label> gpo_y_text{*this, "gpo_y_text", kOutputs};
  ui::ControlArray<ui::Label> boost_x_text{*this, "boost_x_text", kOutputs};
  ui::ControlArray<ui::Label> boost_y_text{*this, "boost_y_text", kOutputs};
  // Breakpoint labels: X from the left, Y from the bottom (element 0).
  ui::ControlArray<ui::Label> GPO_0_X_lbl{*this, "GPO_0_X_lbl", kTableCells};
  ui::ControlArray<ui::Label> GPO_1_X_lbl{*this, "GPO_1_X_lbl", kTableCells};
  ui::ControlArray<ui::Label> GPO_2_X_lbl{*this, "GPO_2_X_lbl", kTableCells};
  ui::ControlArray<ui::Label> GPO_3_X_lbl{*this, "GPO_3_X_lbl", kTableCells};
  ui::ControlArray<ui::Label> GPO_0_Y_lbl{*this, "GPO_0_Y_lbl", kTableCells};
  ui::ControlArray<ui::Label> GPO_1_Y_lbl{*this, "GPO_1_Y_lbl", kTableCells};
  ui::ControlArray<ui::Label> GPO_2_Y_lbl{*this, "GPO_2_Y_lbl", kTableCells};
  ui::ControlArray<ui::Label> GPO_3_Y_lbl{*this, "GPO_3_Y_lbl", kTableCells};
  ui::ControlArray<ui::Label> GPO_boost_X_lbl_0{*this, "GPO_boost_X_lbl_0", kTableCells};
  ui::ControlArray<ui::Label> GPO_boost_X_lbl_1{*this, "GPO_boost_X_lbl_1", kTableCells};
  ui::ControlArray<ui::Label> GPO_boost_X_lbl_2{*this, "GPO_boost_X_lbl_2", kTableCells};
  ui::ControlArray<ui::Label> GPO_boost_X_lbl_3{*this, "GPO_boost_X_lbl_3", kTableCells};
  ui::ControlArray<ui::Label> GPO_boost_Y_lbl_0{*this, "GPO_boost_Y_lbl_0", kTableCells};
  ui::ControlArray<ui::Label> GPO_boost_Y_lbl_1{*this, "GPO_boost_Y_lbl_1", kTableCells};
  ui::ControlArray<ui::Label> GPO_boost_Y_lbl_2{*this, "GPO_boost_Y_lbl_2", kTableCells};
  ui::ControlArray<ui::Label> GPO_boost_Y_lbl_3{*this, "GPO_boost_Y_lbl_3", kTableCells};

  // ---- Menus ----
  ui::MenuItem menufile{*this, "menufile", nullptr};
  ui::MenuItem menufileexit{*this, "menufileexit", &menufile};
  ui::MenuItem menuupdate{*this, "menuupdate", nullptr};
  ui::MenuItem menuresetmap{*this, "menuresetmap", nullptr};
  ui::MenuItem spacer2{*this, "spacer2", nullptr};
  // The entries for the other views.
  ViewMenuBar view_menus{*this, kOutputDriverView};

  // ---- Window state ----
  Flag close_requested = kFalse;
  Flag outputs_fetched = kFalse;

  // ---- Handlers ----
  void Command3d1_Click();
  // Update: writes every changed item that holds a value, each with its own request.
  void Command3d2_Click();
  void menuupdate_Click();
  void menufileexit_Click();
  // Output `output` changed to mode `index`: marks the mode changed and records it in gpos.
  void gpo_mode_Click(int output, int index);
  void dont_interpolate_Click(int output);
  void boost_ctrl_invert_Click(int channel);
  void use_as_pwm_Click(int channel);
  // Relabels every table's axes from gpos, the use_as_pwm boxes and the scales now; hides
  // the table of an output whose mode has no axes.
  void refresh_gpo_axes();

  // The mode options of output `output` (0 to 3).
  ui::ControlArray<ui::OptionButton>& gpo_mode(int output);
  // Grids of pages 0 to 7: the four output tables, then the four boost tables.
  ui::Grid& table_grid(int page);
  // Breakpoint labels of table `page` (0 to 7) along X and Y.
  ui::ControlArray<ui::Label>& x_labels(int page);
  ui::ControlArray<ui::Label>& y_labels(int page);

  // Cell marking, steps, Enter and block selection of the grid of page 0 to 7.
  GridEditing& table_editing(int page);

 protected:
  void on_activate() override;
  void on_close_command() override;
  void on_form_unload() override;

 private:
  void lay_out();
  void lay_out_output_page(int output);
  void lay_out_boost_page(int channel);
  void build_menus();
  void wire_marking();
  // Marks every cell and the seven parameter arrays unread, before a fetch.
  void mark_all_unread();
  void fetch_outputs();
  void fill_demo_values();
  void note_marked_items();
  void write_output_settings();
  void write_boost_flags();
  void write_table_cells();
  void write_boost_settings();
  // Writes a field with the wire value its asked-for text gives.
  void write_field(ui::TextBox& field,
                   const std::function<std::optional<std::string>(double shown)>& command);
  [[nodiscard]] bool pending(const ui::TextBox& field) const;

  std::array<ui::ControlArray<ui::OptionButton>*, kOutputs> mode_rows_;
  std::array<ui::Grid*, kPages> grids_;
  std::array<ui::ControlArray<ui::Label>*, kPages> x_labels_;
  std::array<ui::ControlArray<ui::Label>*, kPages> y_labels_;
  std::array<std::unique_ptr<GridEditing>, kPages> editing_;
  LoadedItems loaded_;
  // The captions and units beside the fields; design text only.
  ui::CaptionSet captions_{*this, "caption_label"};
};

inline ui::FormInstance<FrmSupForm> frm_sup;

}  // namespace ecu
