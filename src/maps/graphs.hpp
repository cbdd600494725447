#pragma once
// The pictures of the table editors: a line graph per nine-point curve, a wire-frame surface
// of a map or of the lambda set-point grid seen obliquely, and the graph window in which
// the basic mapping window shows one of its four maps. Everything is drawn from the cell
// and field texts as they stand; nothing here talks to the controller.

#include <array>
#include <span>

#include "model/basic_types.hpp"
#include "ui/ui.hpp"

namespace ecu {

// The layout of the last surface drawn, in the picture's own units.
inline Long graph_origin_x = 0;  // front-left base corner
inline Long graph_origin_y = 0;
inline Long graph_span_x = 0;  // width of the front edge
inline Long graph_span_z = 0;  // height of the value axis
inline Long graph_skew_x = 0;  // sideways shift from the front row to the back row
inline Long graph_skew_y = 0;  // rise from the front row to the back row
inline constexpr int kMaxGraphNodes = 32;
// Screen position of each node: first index the column position, second the row from the front.
inline std::array<std::array<Long, kMaxGraphNodes>, kMaxGraphNodes> graph_node_x{};
inline std::array<std::array<Long, kMaxGraphNodes>, kMaxGraphNodes> graph_node_y{};

// One line graph of nine fields, left to right. low == high asks for the range of the
// values; the range used comes back in low and high.
void draw_2d_graph(ui::ControlArray<ui::TextBox>& values, Single& low, Single& high,
                   ui::PictureBox& picture);

// One surface of a size_a x size_a grid (16 for the maps, 9 for the lambda grid), each mesh
// segment in the heat-map colour of the byte at its first node. low == high == 0 asks for
// the range of the values; the range used comes back in low and high.
void draw_3d_wireframe(Integer size_a, Integer size_b, ui::Grid& grid, ui::PictureBox& picture,
                       Integer horizontal_angle, Integer vertical_angle, Single& low, Single& high,
                       std::span<const Long> colours);

// Draws the surface of the table with this code (0, 6, 7, 8 the maps of the basic mapping
// window into the graph window, 9 the lambda grid into its own picture) and remembers the
// code in graph_table_code; any other code draws nothing.
void show_3d_graph(Integer& code);

// The graph window of the basic mapping window's maps.
class Frm3dGraphForm : public ui::Form {
 public:
  Frm3dGraphForm();

  ui::PictureBox Picture1{*this, "Picture1"};
  ui::ScrollBar HScroll1{*this, "HScroll1"};  // horizontal view angle
  ui::ScrollBar VScroll1{*this, "VScroll1"};  // vertical view angle
  ui::TextBox low_scale{*this, "low_scale"};
  ui::TextBox high_scale{*this, "high_scale"};
  ui::Label Label1{*this, "Label1"};
  ui::Label Label2{*this, "Label2"};

 protected:
  void on_load() override;

 private:
  friend void draw_chosen_map_graph();
  void redraw_if_visible();
  // While the scale fields are reset for a new drawing, their change draws nothing.
  bool resetting_scales_ = false;
};

inline ui::FormInstance<Frm3dGraphForm> frm_3d_graph;

// Draws the map last chosen with the show_map_type options into the graph window, in
// place, at that map's default scale.
void draw_chosen_map_graph();

// The basic mapping window's "Show Graph": opens the graph window on the map last chosen,
// with that map's default scale.
void show_this_graph_Click();

// The basic mapping window's grid-change refresh: redraws the open graph window, unless
// the window is fetching its maps.
void refresh_open_map_graph();

class Frm2dForm;
// The fourteen line graphs of the additional mapping window.
void draw_all_2d_graphs(Frm2dForm& window);
// The lambda set-point surface of that window (code 9), with its own angles and range.
void draw_lambda_surface(Frm2dForm& window);

}  // namespace ecu
