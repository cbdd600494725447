#include "maps/graphs.hpp"

#include <algorithm>

#include "decode/cell_index.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "model/shared_state.hpp"
#include "ui/number_parse.hpp"
#include "ui/rounding.hpp"

namespace ecu {

namespace {

constexpr int kCurvePoints = 9;

// The picture's own units: its scale when it has one, else its size.
double picture_width(const ui::PictureBox& picture) {
  return picture.scale_width() != 0.0F ? picture.scale_width() : picture.width();
}
double picture_height(const ui::PictureBox& picture) {
  return picture.scale_height() != 0.0F ? picture.scale_height() : picture.height();
}

double round_even(double value) {
  return ui::round_half_even(value);
}

Long round_long(double value) {
  return ui::round_to_int32(value).value_or(0);
}

// Node and frame positions are whole units of the picture.
float at(Long value) {
  return static_cast<float>(value);
}

}  // namespace

void draw_2d_graph(ui::ControlArray<ui::TextBox>& values, Single& low, Single& high,
                   ui::PictureBox& picture) {
  const double width = picture_width(picture);
  const double height = picture_height(picture);
  const double span_x = round_even(width * 0.95);
  const double span_y = round_even(height * 0.85);
  const double margin_x = round_even(width * 0.02);
  const double margin_y = round_even(height * 0.12);
  picture.set_back_colour(ui::colours::black);
  picture.cls();
  std::array<double, kCurvePoints> x{};
  for (int j = 0; j < kCurvePoints; ++j) {
    x[static_cast<std::size_t>(j)] = round_even(j / 8.0 * span_x + margin_x);
    const auto column = static_cast<float>(x[static_cast<std::size_t>(j)]);
    picture.line(column, 0.0F, column, static_cast<float>(height), ui::colours::light_grey);
  }
  std::array<double, kCurvePoints> value{};
  for (int j = 0; j < kCurvePoints; ++j) {
    value[static_cast<std::size_t>(j)] = ui::leading_number(values[j].text());
  }
  if (low == high) {
    low = high = static_cast<Single>(value[0]);
    for (const double v : value) {
      if (v > high) high = static_cast<Single>(v);
      if (v < low) low = static_cast<Single>(v);
    }
  }
  double span = static_cast<double>(high) - static_cast<double>(low);
  if (span == 0.0) {
    high = static_cast<Single>(value[0] + 1.0);
    low = static_cast<Single>(value[0] - 1.0);
    span = 2.0;
  }
  for (int j = 0; j < kCurvePoints; ++j) {
    const auto k = static_cast<std::size_t>(j);
    const double y = round_even(height - (margin_y + (value[k] - low) / span * span_y));
    if (j == 0) {
      picture.set_current_point(static_cast<float>(x[k]), static_cast<float>(y));
    } else {
      picture.line_to(static_cast<float>(x[k]), static_cast<float>(y), ui::colours::yellow);
    }
  }
}

void draw_3d_wireframe(Integer size_a, Integer /*size_b*/, ui::Grid& grid, ui::PictureBox& picture,
                       Integer horizontal_angle, Integer vertical_angle, Single& low, Single& high,
                       std::span<const Long> colours) {
  const int n = std::clamp<int>(size_a, 2, kMaxGraphNodes);
  const bool map_sized = n == 16;
  const double width = picture_width(picture);
  const double height = picture_height(picture);
  graph_origin_x = round_long(width * 0.025);
  graph_origin_y = round_long(height * 0.95);
  graph_span_x = round_long(width * 0.65);
  graph_span_z = round_long(height * 0.4);
  graph_skew_x = round_long(horizontal_angle / 100.0 * width * 0.5);
  graph_skew_y = round_long((100 - vertical_angle) / 100.0 * height * 0.5);
  picture.cls();

  std::vector<double> value(static_cast<std::size_t>(n * n));
  for (int i = 0; i < n * n; ++i) {
    const auto byte = static_cast<Integer>(i);
    const int row = map_sized ? map_cell_row(byte) : table_cell_row(byte);
    const int col = map_sized ? map_cell_col(byte) : table_cell_col(byte);
    value[static_cast<std::size_t>(i)] = ui::leading_number(grid.cell_text(row, col));
  }
  if (low == 0.0F && high == 0.0F) {
    low = high = static_cast<Single>(value[0]);
    for (const double v : value) {
      high = std::max(high, static_cast<Single>(v));
      low = std::min(low, static_cast<Single>(v));
    }
  }
  double span = static_cast<double>(high) - static_cast<double>(low);
  // Equal bounds would divide by zero: widen to the first value +-1, as the line graph does.
  if (span == 0.0) {
    high = static_cast<Single>(value[0] + 1.0);
    low = static_cast<Single>(value[0] - 1.0);
    span = 2.0;
  }

  const Long ox = graph_origin_x, oy = graph_origin_y, sx = graph_span_x, sz = graph_span_z;
  const Long kx = graph_skew_x, ky = graph_skew_y;
  const auto frame = [&picture](Long x1, Long y1, Long x2, Long y2) {
    picture.line(at(x1), at(y1), at(x2), at(y2), ui::colours::dark_grey);
  };
  frame(ox, oy, ox + sx, oy);
  frame(ox, oy, ox + kx, oy - ky);
  frame(ox + kx, oy - ky, ox + sx + kx, oy - ky);
  frame(ox + sx, oy, ox + sx + kx, oy - ky);
  frame(ox, oy, ox, oy - sz);
  frame(ox + kx, oy - ky, ox + kx, oy - ky - sz);
  frame(ox + sx + kx, oy - ky, ox + sx + kx, oy - ky - sz);
  for (int k = 1; k <= 10; ++k) {
    const Long z = round_long(k / 10.0 * sz);
    frame(ox, oy - z, ox + kx, oy - ky - z);
    frame(ox + kx, oy - ky - z, ox + sx + kx, oy - ky - z);
  }

  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) {
      const double v = value[static_cast<std::size_t>(n * a + b)];
      const double pct = round_even((v - low) * 100.0 / span);
      const auto ua = static_cast<std::size_t>(a);
      const auto ub = static_cast<std::size_t>(b);
      graph_node_x[ua][ub] = round_long(ox + static_cast<double>(sx) * a / (n - 1) +
                                        static_cast<double>(kx) * b / (n - 1));
      graph_node_y[ua][ub] =
          round_long(round_even(oy - static_cast<double>(ky) * b / (n - 1)) - sz * pct / 100.0);
    }
  }
  const auto colour_of = [&colours](int i) {
    return static_cast<std::size_t>(i) < colours.size() ? colours[static_cast<std::size_t>(i)]
                                                        : ui::colours::white;
  };
  const auto segment = [&picture](int a1, int b1, int a2, int b2, ui::Colour colour) {
    const auto node = [](const auto& nodes, int a, int b) {
      return at(nodes[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)]);
    };
    picture.line(node(graph_node_x, a1, b1), node(graph_node_y, a1, b1), node(graph_node_x, a2, b2),
                 node(graph_node_y, a2, b2), colour);
  };
  for (int a = 0; a < n - 1; ++a) {
    for (int b = 0; b < n - 1; ++b) {
      const ui::Colour colour = colour_of(n * a + b);
      segment(a, b, a + 1, b, colour);
      segment(a, b, a, b + 1, colour);
    }
  }
  for (int a = 0; a < n - 1; ++a) segment(a, n - 1, a + 1, n - 1, colour_of(n * a + n - 1));
  for (int b = 0; b < n - 1; ++b) segment(n - 1, b, n - 1, b + 1, colour_of(n * (n - 1) + b));
  picture.changed(ui::Property::drawing);
}

void show_3d_graph(Integer& code) {
  // The drawing time is not idle time of the link.
  skip_idle_check = 1;
  const Integer drawn = code;
  if (drawn == 9) {
    draw_lambda_surface(frm_2d());
    return;
  }
  {
    const int map_index = drawn == 0 ? 0 : drawn - 5;  // 6, 7, 8 are maps 1, 2, 3
    if (drawn != 0 && (drawn < 6 || drawn > 8)) {
      graph_table_code = drawn;
      return;
    }
    const std::array<const std::array<Long, 256>*, 4> colours = {&inj_map_colors, &ign_map_colors,
                                                                 &tps_map_colors, &tps_mix_colors};
    Frm3dGraphForm& graph = frm_3d_graph();
    // Working copies: an automatic or widened range is not written back into the fields.
    auto low = static_cast<Single>(ui::leading_number(graph.low_scale.text()));
    auto high = static_cast<Single>(ui::leading_number(graph.high_scale.text()));
    draw_3d_wireframe(16, 16, frm_3d().map_grid(map_index), graph.Picture1,
                      static_cast<Integer>(graph.HScroll1.value()),
                      static_cast<Integer>(graph.VScroll1.value()), low, high,
                      *colours.at(static_cast<std::size_t>(map_index)));
  }
  graph_table_code = drawn;
}

Frm3dGraphForm::Frm3dGraphForm() : ui::Form("frm_3d_graph", "Mapping Surface Graph", 9600, 7200) {
  Picture1.move(120, 120, 8880, 5760);
  Picture1.set_scale(0, 0, 592, 384);  // pixels
  HScroll1.move(120, 5940, 8880, 255);
  HScroll1.set_range(0, 100);
  VScroll1.move(9060, 120, 255, 5760);
  VScroll1.set_vertical(true);
  VScroll1.set_range(0, 100);
  const char* tip = "Change this value to alter the Z axis scale of this surface map.";
  Label1.move(120, 6360, 1000, 285);
  Label1.set_caption("Low Scale");
  low_scale.move(1200, 6360, 900, 285);
  low_scale.set_text("0.60");
  low_scale.set_tool_tip(tip);
  Label2.move(2400, 6360, 1000, 285);
  Label2.set_caption("High Scale");
  high_scale.move(3480, 6360, 900, 285);
  high_scale.set_text("1.60");
  high_scale.set_tool_tip(tip);
  for (ui::TextBox* field : {&low_scale, &high_scale}) {
    field->on_change = [this] { redraw_if_visible(); };
  }
  HScroll1.on_change = [this] { redraw_if_visible(); };
  VScroll1.on_change = [this] { redraw_if_visible(); };
}

void Frm3dGraphForm::on_load() {
  HScroll1.set_value(60);
  VScroll1.set_value(30);
}

void Frm3dGraphForm::redraw_if_visible() {
  if (!visible() || resetting_scales_) return;
  Integer code = graph_table_code;
  show_3d_graph(code);
}

// Draws the map last chosen with the show_map_type options, at that map's default scale.
void draw_chosen_map_graph() {
  struct MapScale {
    const char* low;
    const char* high;
    Integer code;
  };
  // By the show_map_type option last clicked.
  constexpr std::array<MapScale, 4> kScales{{
      {"0.6", "1.6", 0},
      {"0.0", "50.0", 6},
      {"0.0", "2.0", 7},
      {"0.0", "100.0", 8},
  }};
  Frm3dGraphForm& graph = frm_3d_graph();
  const auto index = static_cast<std::size_t>(std::clamp<int>(frm_3d().shown_map_index, 0, 3));
  graph.resetting_scales_ = true;
  graph.low_scale.set_text(kScales.at(index).low);
  graph.high_scale.set_text(kScales.at(index).high);
  graph.resetting_scales_ = false;
  Integer code = kScales.at(index).code;
  show_3d_graph(code);
}

void show_this_graph_Click() {
  Frm3dGraphForm& graph = frm_3d_graph();
  graph.hide();
  draw_chosen_map_graph();
  graph.show();
}

void refresh_open_map_graph() {
  // Drawn in place: hiding and showing the window for every changed cell (a reset writes
  // 256) would make the window system rebuild it each time.
  if (frm_3d_graph().visible() && frm_3d().maps_fetching == 0) draw_chosen_map_graph();
}

void draw_lambda_surface(Frm2dForm& window) {
  skip_idle_check = 1;
  // The range variables themselves: an automatic or widened range is kept in them.
  draw_3d_wireframe(9, 9, window.lambda_sp_table, window.ego_sp_graph,
                    static_cast<Integer>(window.ego_h_perspective.value()),
                    static_cast<Integer>(window.ego_v_perspective.value()), lambda_sp_scale_low,
                    lambda_sp_scale_high, lambda_sp_colors);
  graph_table_code = 9;
}

void draw_all_2d_graphs(Frm2dForm& window) {
  using F = Frm2dForm;
  struct CurveGraph {
    ui::ControlArray<ui::TextBox> F::*fields;
    ui::PictureBox F::*picture;
    Single low, high;  // equal: the range of the values
  };
  // clang-format off
  constexpr std::array<CurveGraph, 14> kGraphs{{
      {&F::clt_map,       &F::clt_enr_graph,         0, 0},
      {&F::mat_data,      &F::mat_enr_graph,         0, 0},
      {&F::baro_gain,     &F::baro_comp_graph,       0, 0},
      {&F::Pressure_Gain, &F::aux_enr_graph,         0, 0},
      {&F::accel_map,     &F::accel_clt_enr_graph,   0, 0},
      {&F::ign_map,       &F::map_ign_graph,       -16, 48},
      {&F::ign_rpm,       &F::rpm_ign_graph,       -16, 48},
      {&F::ign_mat,       &F::mat_ign_graph,       -16, 48},
      {&F::ign_clt,       &F::clt_ign_graph,       -16, 48},
      {&F::ign_aux,       &F::aux_ign_graph,       -16, 48},
      {&F::ign_bar,       &F::baro_ign_graph,      -16, 48},
      {&F::dwell_map,     &F::dwell_mult_graph,      0, 2.5F},
      {&F::idle_rpm_map,  &F::idle_speed_graph,      0, 0},
      {&F::dwell_vbat,    &F::dwell_vbat_mult_graph, 0, 0},
  }};
  // clang-format on
  for (const CurveGraph& graph : kGraphs) {
    Single low = graph.low;
    Single high = graph.high;
    draw_2d_graph(window.*graph.fields, low, high, window.*graph.picture);
  }
}

}  // namespace ecu
