#pragma once
// The output driver window (view 7): four general-purpose outputs and four boost channels,
// each with a 9 x 9 table on its own page of `GPO_tab`. While it is the current view the
// main poll moves one pair of live cursors over each table.

#include <array>

#include "model/basic_types.hpp"
#include "ui/caption_set.hpp"
#include "ui/ui.hpp"

namespace ecu {

class FrmSupForm : public ui::Form {
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

  // ---- Menus ----
  ui::MenuItem menufile{*this, "menufile", nullptr};
  ui::MenuItem menufileexit{*this, "menufileexit", &menufile};
  ui::MenuItem menuupdate{*this, "menuupdate", nullptr};
  ui::MenuItem menuresetmap{*this, "menuresetmap", nullptr};
  ui::MenuItem spacer2{*this, "spacer2", nullptr};
  ui::MenuItem menu_mon{*this, "menu_mon", nullptr};
  ui::MenuItem menu_dash{*this, "menu_dash", nullptr};
  ui::MenuItem menu_tools{*this, "menu_tools", nullptr};
  ui::MenuItem menu_3d{*this, "menu_3d", nullptr};
  ui::MenuItem menu_2d{*this, "menu_2d", nullptr};
  ui::MenuItem menu_plot{*this, "menu_plot", nullptr};
  ui::MenuItem menu_diag{*this, "menu_diag", nullptr};

  // ---- Window state ----
  Flag close_requested = kFalse;
  Flag outputs_fetched = kFalse;

  // ---- Handlers ----
  void Command3d1_Click();
  void menufileexit_Click();
  void Form_Unload();
  // Output `output` changed to mode `index`: marks the mode changed and records it in gpos.
  void gpo_mode_Click(int output, int index);
  void dont_interpolate_Click(int output);
  void boost_ctrl_invert_Click(int channel);
  void use_as_pwm_Click(int channel);
  // Relabels the table axes after a mode or PWM change; the labels come with the table
  // layout of this window.
  void refresh_gpo_axes();

  // The mode options of output `output` (0 to 3).
  ui::ControlArray<ui::OptionButton>& gpo_mode(int output);
  // Grids of pages 0 to 7: the four output tables, then the four boost tables.
  ui::Grid& table_grid(int page);

 protected:
  void on_activate() override;
  void on_unload() override;

 private:
  void lay_out();
  void lay_out_output_page(int output);
  void lay_out_boost_page(int channel);
  void build_menus();
  void wire_marking();

  std::array<ui::ControlArray<ui::OptionButton>*, kOutputs> mode_rows_;
  std::array<ui::Grid*, kPages> grids_;
  // The captions and units beside the fields; design text only.
  ui::CaptionSet captions_{*this, "caption_label"};
};

inline ui::FormInstance<FrmSupForm> frm_sup;

}  // namespace ecu
