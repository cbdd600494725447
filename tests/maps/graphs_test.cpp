// The line graphs and wire-frame surfaces as display lists, against positions worked out
// by hand, and the graph window of the basic mapping window.

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "maps/frm_3d.hpp"
#include "maps/graphs.hpp"
#include "model/shared_state.hpp"
#include "support/console_test.hpp"
#include "support/show_recorder.hpp"

namespace ecu {
namespace {

class GraphForm : public ui::Form {
 public:
  GraphForm() : ui::Form("frm_graph_test", "Graphs", 6000, 6000) {
    picture.set_scale(0, 0, 200, 100);
  }
  ui::ControlArray<ui::TextBox> curve{*this, "curve", 9};
  ui::Grid table{*this, "table", 10, 10};
  ui::PictureBox picture{*this, "picture"};
};

struct Segment {
  float x1, y1, x2, y2;
  ui::Colour colour;
};

void expect_segment(const ui::DrawOp& op, const Segment& e, int index) {
  EXPECT_TRUE(op.kind == ui::DrawOp::Kind::line && op.x1 == e.x1 && op.y1 == e.y1 &&
              op.x2 == e.x2 && op.y2 == e.y2 && op.colour == e.colour)
      << "segment " << index << ": (" << op.x1 << "," << op.y1 << ")-(" << op.x2 << "," << op.y2
      << ") colour " << op.colour;
}

using GraphsTest = test::ConsoleTest;

using test::ShowRecorder;

void set_curve(GraphForm& form, const std::array<const char*, 9>& texts) {
  for (int j = 0; j < 9; ++j) form.curve[j].set_text(texts[static_cast<std::size_t>(j)]);
}

constexpr ui::Colour kGrey = 0xC0C0C0, kYellow = 0x00FFFF, kDarkGrey = 0x808080;

TEST_F(GraphsTest, LineGraphPlacesNinePointsByTheRangeOfTheirValuesAndWidensAFlatCurve) {
  // W 200, H 100: gx = 190, gy = 85, x0 = 4, y0 = 12. x(j) = Round(j / 8 x 190 + 4):
  // 4, 27.75 -> 28, 51.5 -> 52 (even), 75.25 -> 75, 99, 122.75 -> 123, 146.5 -> 146 (even),
  // 170.25 -> 170, 194.
  GraphForm form;
  set_curve(form, {"1.0", "2.0", "3.0", "0.5", "abc", "1.5x", "2", "2", "2"});
  Single low = 0, high = 0;
  draw_2d_graph(form.curve, low, high, form.picture);
  EXPECT_EQ((std::pair{low, high}), (std::pair{0.0F, 3.0F}));  // "abc" reads as 0
  const std::vector<ui::DrawOp>& ops = form.picture.drawing();
  ASSERT_EQ(ops.size(), 17U);
  const float x[] = {4, 28, 52, 75, 99, 123, 146, 170, 194};
  // y = Round(100 - (12 + v / 3 x 85)): v 1 -> 59.67 -> 60; 2 -> 31.33 -> 31; 3 -> 3;
  // 0.5 -> 73.83 -> 74; 0 -> 88; 1.5 -> 45.5 -> 46 (even).
  const float y[] = {60, 31, 3, 74, 88, 46, 31, 31, 31};
  for (std::size_t j = 0; j < 9; ++j) {
    expect_segment(ops[j], {x[j], 0, x[j], 100, kGrey}, static_cast<int>(j));
    if (j > 0)
      expect_segment(ops[8 + j], {x[j - 1], y[j - 1], x[j], y[j], kYellow},
                     static_cast<int>(8 + j));
  }

  // Nine 5s: range 4 to 6, level at Round(100 - (12 + 1 / 2 x 85)) = Round(45.5) = 46.
  set_curve(form, {"5", "5", "5", "5", "5", "5", "5", "5", "5"});
  low = high = 0;  // automatic range
  draw_2d_graph(form.curve, low, high, form.picture);
  EXPECT_EQ((std::pair{low, high}), (std::pair{4.0F, 6.0F}));
  EXPECT_EQ(form.picture.drawing().at(16).y2, 46.0F);
  // A fixed -16 to 48 with a 60: Round(100 - (12 + 76 / 64 x 85)) = Round(-12.94) = -13,
  // above the top edge; 48 lies at Round(100 - 97) = 3.
  set_curve(form, {"60", "48", "0", "0", "0", "0", "0", "0", "0"});
  low = -16;
  high = 48;
  draw_2d_graph(form.curve, low, high, form.picture);
  EXPECT_EQ((std::pair{low, high}), (std::pair{-16.0F, 48.0F}));
  expect_segment(form.picture.drawing().at(9), {4, -13, 28, 3, kYellow}, 0);
}

TEST_F(GraphsTest, WireFrameDrawsFrameAndMeshAndWidensEqualBounds) {
  // W 200, H 100, angles 50 and 50: Ox = 5, Oy = 95, Sx = 130, Sz = 40, Kx = 50, Ky = 25.
  GraphForm form;
  for (int cell = 0; cell < 81; ++cell) form.table.set_cell_text(1 + cell / 9, 1 + cell % 9, "1");
  form.table.set_cell_text(9, 1, "2");  // byte 0: the front-left node
  std::vector<Long> colours(81);
  std::iota(colours.begin(), colours.end(), 1000);
  Single low = 0, high = 0;
  draw_3d_wireframe(9, 9, form.table, form.picture, 50, 50, low, high, colours);
  EXPECT_EQ((std::pair{low, high}), (std::pair{1.0F, 2.0F}));
  EXPECT_EQ((std::pair{graph_origin_x, graph_skew_y}), (std::pair<Long, Long>{5, 25}));
  const std::vector<ui::DrawOp>& ops = form.picture.drawing();
  ASSERT_EQ(ops.size(), 27U + 144U);  // 7 edges + 10 x 2 levels, 8 x 8 x 2 + 8 + 8 mesh
  expect_segment(ops[1], {5, 95, 55, 70, kDarkGrey}, 1);      // left base edge
  expect_segment(ops[3], {135, 95, 185, 70, kDarkGrey}, 3);   // right base edge
  expect_segment(ops[6], {185, 70, 185, 30, kDarkGrey}, 6);   // back-right upright
  expect_segment(ops[7], {5, 91, 55, 66, kDarkGrey}, 7);      // level 1: z = Round(4)
  expect_segment(ops[26], {55, 30, 185, 30, kDarkGrey}, 26);  // level 10: z = 40
  // Node (0,0): pct 100, y = 95 - 40 = 55. Node (1,0): x = Round(5 + 130 / 8) = 21, y = 95.
  // Node (0,1): x = Round(5 + 50 / 8) = 11, y = Round(95 - 25 / 8) = Round(91.875) = 92.
  expect_segment(ops[27], {5, 55, 21, 95, 1000}, 27);
  expect_segment(ops[28], {5, 55, 11, 92, 1000}, 28);
  // Back row, a = 0: node (0,8) (55, 70) to node (1,8) (Round(71.25) = 71, 70), colour 8.
  expect_segment(ops[27 + 128], {55, 70, 71, 70, 1008}, 155);
  // Last column, b = 0: node (8,0) (135, 95) to node (8,1) (Round(141.25) = 141, 92), colour 72.
  expect_segment(ops[27 + 136], {135, 95, 141, 92, 1072}, 163);
  // Node (4,4): x = 5 + 65 + 25 = 95, y = Round(95 - 12.5) = 82 (even). Node (1,1):
  // x = Round(5 + 16.25 + 6.25) = Round(27.5) = 28 (even).
  EXPECT_EQ((std::vector<Long>{graph_node_x[4][4], graph_node_y[4][4], graph_node_x[1][1],
                               graph_node_x[8][8], graph_node_y[8][8]}),
            (std::vector<Long>{95, 82, 28, 185, 70}));

  // A flat table (automatic range) and equal bounds given both become 0 to 2, span 2:
  // every node at pct 50, y = Round(Round(95 - 25 b / 8) - 20), node (0,0) at 75.
  form.table.set_cell_text(9, 1, "1");
  for (const Single given : {0.0F, 1.5F}) {
    low = high = given;
    draw_3d_wireframe(9, 9, form.table, form.picture, 50, 50, low, high, colours);
    EXPECT_EQ((std::pair{low, high}), (std::pair{0.0F, 2.0F}));
    EXPECT_EQ((std::pair{graph_node_y[0][0], graph_node_y[0][8]}), (std::pair<Long, Long>{75, 50}));
  }
}

TEST_F(GraphsTest, GraphWindowDrawsTheChosenMapAndRedrawsOnlyWhileShown) {
  Frm3dForm& maps = frm_3d();
  show_this_graph_Click();
  Frm3dGraphForm& graph = frm_3d_graph();
  EXPECT_TRUE(graph.visible());
  const auto scale = [&] { return graph.low_scale.text() + " to " + graph.high_scale.text(); };
  EXPECT_EQ(graph_table_code, 0);
  EXPECT_EQ(scale(), "0.6 to 1.6");
  // Picture 592 x 384, angles 60 and 30: Ox = Round(14.8) = 15, Oy = Round(364.8) = 365,
  // Kx = Round(177.6) = 178, Ky = Round(134.4) = 134; 7 + 20 frame, 450 + 15 + 15 mesh.
  ASSERT_EQ(graph.Picture1.drawing().size(), 507U);
  expect_segment(graph.Picture1.drawing()[1], {15, 365, 193, 231, kDarkGrey}, 1);

  graph.hide();
  graph.HScroll1.set_value(0);
  EXPECT_EQ(graph.Picture1.drawing()[1].x2, 193.0F);  // hidden: nothing drawn

  maps.show_map_type[1].set_value(true);
  show_this_graph_Click();
  EXPECT_EQ(graph_table_code, 6);
  EXPECT_EQ(scale(), "0.0 to 50.0");
  expect_segment(graph.Picture1.drawing()[1], {15, 365, 15, 231, kDarkGrey}, 1);  // Kx = 0

  // A main map edit redraws the map last chosen in place, with its default scale again: the
  // window is neither hidden nor shown again.
  maps.show_map_type[3].set_value(true);
  graph.low_scale.set_text("5");
  ShowRecorder recorder;
  ui::forms().set_observer(&recorder);
  maps.inj_map.set_cell_text(16, 1, "1.2");
  ui::forms().set_observer(nullptr);
  EXPECT_TRUE(recorder.events.empty()) << recorder.events.front();
  EXPECT_TRUE(graph.visible());
  EXPECT_EQ(graph_table_code, 8);
  EXPECT_EQ(scale(), "0.0 to 100.0");  // the TPS mix's
  graph.low_scale.set_text("5");
  maps.TPS_map.set_cell_text(16, 1, "1.2");  // never redraws
  EXPECT_EQ(graph.low_scale.text(), "5");
  graph.hide();
  maps.ign_map.set_cell_text(16, 1, "10");  // hidden: nothing
  EXPECT_EQ(graph.low_scale.text(), "5");
}

}  // namespace
}  // namespace ecu
