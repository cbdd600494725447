#pragma once
// The basic mapping window (view 3): the four 16 x 16 maps, one shown at a time, with the
// fuel scaler, fuel offset and TPS map cut-in rpm. While it is the current view the main
// poll writes the live values and moves the operating-point cursors along the two axes.

#include <array>

#include "maps/editor_lifecycle.hpp"
#include "maps/grid_editing.hpp"
#include "maps/heat_map.hpp"
#include "model/basic_types.hpp"
#include "model/view_number.hpp"
#include "shell/view_commands.hpp"
#include "ui/caption_set.hpp"
#include "ui/ui.hpp"

namespace ecu {

class Frm3dForm : public EditorForm {
 public:
  Frm3dForm();

  static constexpr int kMapCells = 16;
  static constexpr int kMaps = 4;
  static constexpr int kScalarFields = 3;

  // ---- Controls ----
  ui::CommandButton Command3d1{*this, "Command3d1"};  // close
  ui::CommandButton Command3d2{*this, "Command3d2"};  // update
  ui::Label show_demo_mode{*this, "show_demo_mode"};
  // The four maps lie on top of one another; show_map_type chooses the one shown.
  ui::Grid inj_map{*this, "inj_map", kMapCells + 1, kMapCells + 1};
  ui::Grid ign_map{*this, "ign_map", kMapCells + 1, kMapCells + 1};
  ui::Grid TPS_map{*this, "TPS_map", kMapCells + 1, kMapCells + 1};
  ui::Grid TPS_mix{*this, "TPS_mix", kMapCells + 1, kMapCells + 1};
  // 0 fuel map, 1 ignition map, 2 TPS fuel map, 3 TPS mix.
  ui::ControlArray<ui::OptionButton> show_map_type{*this, "show_map_type", kMaps};
  // Fuel scaler (0) and fuel offset (1) in ms.
  ui::ControlArray<ui::TextBox> ecu_pgm{*this, "ecu_pgm", 2};
  ui::TextBox tps_rpm{*this, "tps_rpm"};
  // Live values.
  ui::Label control_lambda{*this, "control_lambda"};
  ui::Label AF_condition{*this, "AF_condition"};
  ui::Label base_timing{*this, "base_timing"};
  ui::Label control_ego_gain{*this, "control_ego_gain"};
  ui::Label control_map_gain{*this, "control_map_gain"};
  ui::Label Inj_pulse_width{*this, "Inj_pulse_width"};
  ui::ControlArray<ui::Label> mapping_rpm{*this, "mapping_rpm", 1};
  // Operating-point cursors: the load pointer moves up the left edge of the map, the rpm
  // pointer along its bottom edge; the lines mark where each axis begins and ends.
  ui::ControlArray<ui::Shape> map_p_ptr{*this, "map_p_ptr", 1};
  ui::ControlArray<ui::Shape> map_r_ptr{*this, "map_r_ptr", 1};
  ui::ControlArray<ui::Line> map_beg{*this, "map_beg", 1};
  ui::ControlArray<ui::Line> map_end{*this, "map_end", 1};
  ui::ControlArray<ui::Line> rpm_beg{*this, "rpm_beg", 1};
  ui::ControlArray<ui::Line> rpm_end{*this, "rpm_end", 1};
  // Axis labels: load from the bottom edge (0) to the top (16), rpm from the left (0).
  ui::ControlArray<ui::Label> Label5{*this, "Label5", kMapCells + 1};
  ui::ControlArray<ui::Label> Map_dims{*this, "Map_dims", 1};
  ui::ControlArray<ui::Label> Label6{*this, "Label6", 9};
  ui::Label Label2{*this, "Label2"};
  // The heat-map palette, highest band at the top; the colouring reads these colours.
  ui::ControlArray<ui::TextBox> bk_color{*this, "bk_color", kHeatMapBands};
  ui::PictureBox Picture1{*this, "Picture1"};
  ui::CommandButton show_this_graph{*this, "show_this_graph"};

  // ---- Menus ----
  ui::MenuItem menufile{*this, "menufile", nullptr};
  ui::MenuItem menufileexit{*this, "menufileexit", &menufile};
  ui::MenuItem menuupdate{*this, "menuupdate", nullptr};
  ui::MenuItem menuresetmap{*this, "menuresetmap", nullptr};
  ui::MenuItem menuresetmap_fuel{*this, "menuresetmap_fuel", &menuresetmap};
  ui::MenuItem menuresetmap_Ign{*this, "menuresetmap_Ign", &menuresetmap};
  ui::MenuItem menu_autotune{*this, "menu_autotune", nullptr};
  ui::MenuItem spacer1{*this, "spacer1", nullptr};
  ui::MenuItem spacer2{*this, "spacer2", nullptr};
  // The entries for the other views.
  ViewMenuBar view_menus{*this, kBasicMappingView};

  // ---- Editing of the four grids, in show_map_type order ----
  GridEditing inj_map_editing{inj_map, 0, [this] { Command3d2_Click(); }};
  GridEditing ign_map_editing{ign_map, 6, [this] { Command3d2_Click(); }};
  GridEditing TPS_map_editing{TPS_map, 7, [this] { Command3d2_Click(); }};
  GridEditing TPS_mix_editing{TPS_mix, 8, [this] { Command3d2_Click(); }};

  // ---- Window state ----
  Flag activation_done = kFalse;
  Flag close_requested = kFalse;
  // Set from the axis set-up until a fetch completes.
  Integer maps_fetching = 0;
  // The show_map_type button last clicked.
  Integer shown_map_index = 0;

  // ---- Handlers ----
  void make_all_items_unloaded();
  // Update: writes every changed field and cell, one request each.
  void Command3d2_Click();
  void Command3d1_Click();
  void menufileexit_Click();
  // Shows map `index` and hides the other three.
  void show_map_type_Click(int index);
  void set_load_axis_labels(int map_type);
  void ecu_pgm_KeyDown(int index, int& key_code, int shift);
  void Picture1_MouseDown();
  // The map grid of show_map_type index 0 to 3, and its editing.
  ui::Grid& map_grid(int index);
  GridEditing& map_editing(int index);
  // The fuel scaler (0), fuel offset (1) and TPS cut-in rpm (2) fields.
  ui::TextBox& scalar_field(int index);
  // Changed and loaded or edited since: Update writes it. A field whose read failed and
  // that nobody edited stays yellow but is not written.
  [[nodiscard]] bool scalar_needs_write(int index);
  // The colours of the bk_color boxes, highest band first.
  [[nodiscard]] std::array<ui::Colour, kHeatMapBands> heat_map_palette();

 protected:
  void on_load() override;
  void on_activate() override;
  void on_close_command() override;
  void on_form_unload() override;

 private:
  void lay_out();
  void lay_out_axes();
  void build_menus();
  void wire_fields();
  // The graph, reset, autotune and block modifier entries, kept apart from the editing.
  void wire_table_tools();
  void fetch();
  void note_marked_items();
  void write_scalars();
  void write_maps();
  void colour_maps();
  void mark_scalar(int index, bool unloaded);

  std::array<bool, 3> scalar_unloaded_{};

  // The captions beside the scalar fields and live values; design text only.
  ui::CaptionSet captions_{*this, "caption_label"};
};

inline ui::FormInstance<Frm3dForm> frm_3d;

}  // namespace ecu
