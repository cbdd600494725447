#include "maps/frm_3d.hpp"

#include <stdexcept>

#include "model/shared_state.hpp"
#include "shell/view_commands.hpp"

namespace ecu {

namespace {

// The map grids: 16 columns of 38 px and 16 rows, header row and column hidden.
constexpr float kGridLeft = 1620;
constexpr float kGridTop = 1380;
constexpr float kGridWidth = 9195;
constexpr float kGridHeight = 3915;
constexpr float kColumnWidthPx = 38;
constexpr float kRowHeightPx = 16;
constexpr float kTwipsPerPixel = 15;
constexpr float kCellsWidth = 16 * kColumnWidthPx * kTwipsPerPixel;
// The fields and live values in rows under the map's rpm axis.
constexpr float kBelowMapTop = 5760;
constexpr float kRowStep = 360;
// Pointer shapes are centred on the axis position they mark.
constexpr float kPointerSize = 150;

}  // namespace

Frm3dForm::Frm3dForm() : ui::Form("frm_3d", "Basic Mapping", 11400, 8160) {
  lay_out();
  build_menus();
  Command3d1.on_click = [this] { Command3d1_Click(); };
  show_map_type.on(&ui::OptionButton::on_click, [this](int index) { show_map_type_Click(index); });
  ecu_pgm.on(&ui::TextBox::on_change,
             [this](int index) { ecu_pgm[index].set_back_colour(ui::colours::yellow); });
  tps_rpm.on_change = [this] { tps_rpm.set_back_colour(ui::colours::yellow); };
}

ui::Grid& Frm3dForm::map_grid(int index) {
  switch (index) {
    case 0:
      return inj_map;
    case 1:
      return ign_map;
    case 2:
      return TPS_map;
    case 3:
      return TPS_mix;
    default:
      throw std::out_of_range("no map grid " + std::to_string(index));
  }
}

void Frm3dForm::lay_out() {
  Command3d1.move(120, 120, 615, 615);
  set_up_exit_button(Command3d1);
  Command3d2.move(120, 780, 615, 615);
  set_up_update_button(Command3d2);

  lay_out_demo_label(show_demo_mode, 4200, 120, 4800, 555);

  for (int index = 0; index < kMaps; ++index) {
    ui::Grid& grid = map_grid(index);
    grid.move(kGridLeft, kGridTop, kGridWidth, kGridHeight);
    grid.set_visible(index == 0);
    // The header row and column give way to the axis labels beside the grid.
    grid.set_column_width(0, 0);
    grid.set_row_height(0, 0);
    for (int cell = 1; cell <= kMapCells; ++cell) {
      grid.set_column_width(cell, kColumnWidthPx * kTwipsPerPixel);
      grid.set_row_height(cell, kRowHeightPx * kTwipsPerPixel);
    }
  }
  inj_map.set_tool_tip(
      "This 3D map allows you to configure gain multipliers, which are applied to the MAP/TPS "
      "sensor as the engine load indicator.  Values greater than 1 will inject more fuel, "
      "values less than 1 will inject less fuel.");
  ign_map.set_tool_tip(
      "This 3D map allows you to set your ignition timing.  Positive values are BTDC, negative "
      "values are ATDC.");
  TPS_map.set_tool_tip(
      "This 3D map allows you to configure a TPS based mapping which is mixed with the normal "
      "fuel map.");
  TPS_mix.set_tool_tip(
      "This 3D map allows you to configure the percentage (0 to 100) of the TPS based map to be "
      "used with the normal fuel map.");

  const char* const map_captions[] = {"Show Fuel Map", "Show Ignition Map", "Show TPS Fuel Map",
                                      "Show TPS Mix Map"};
  for (int index = 0; index < kMaps; ++index) {
    show_map_type[index].move(1620.0F + 2160.0F * static_cast<float>(index), 900, 2040, 285);
    show_map_type[index].set_caption(map_captions[index]);
  }
  show_map_type[0].set_value(true);

  // Scalars and live values below the map, each with its caption to the left.
  ecu_pgm[0].move(2880, kBelowMapTop, 1095, 285);
  ecu_pgm[1].move(2880, kBelowMapTop + kRowStep, 1095, 285);
  tps_rpm.move(2880, kBelowMapTop + 2 * kRowStep, 1095, 285);
  for (int i = 0; i < ecu_pgm.count(); ++i) {
    ecu_pgm[i].set_tool_tip(
        "The higher this number, the more fuel that will be injected under given conditions");
  }
  tps_rpm.set_tool_tip(
      "This is the RPM at which the TPS PW and %TPS Mix mapping begins to opperate.");
  captions_.beside(ecu_pgm[0], "Injector Main Adj. [MS]");
  captions_.beside(ecu_pgm[1], "Injector Idle Adj. [MS]");
  captions_.beside(tps_rpm, "TPS Map cut-in RPM");

  struct LiveValue {
    ui::Label* value;
    const char* caption;
  };
  const LiveValue live[] = {
      {&control_lambda, "Current Lamda"},    {&base_timing, "Base Timing"},
      {&Inj_pulse_width, "Injection PW"},    {&mapping_rpm[0], "RPM"},
      {&control_ego_gain, "EGO Correction"}, {&control_map_gain, "Map Enrichment"},
  };
  for (std::size_t i = 0; i < std::size(live); ++i) {
    const float left = i < 4 ? 5880.0F : 9480.0F;
    live[i].value->move(left, kBelowMapTop + kRowStep * static_cast<float>(i % 4), 975, 285);
    live[i].value->set_alignment(ui::Label::Align::right);
    captions_.beside(*live[i].value, live[i].caption);
  }
  // Rich or lean, just after the lambda it describes.
  AF_condition.move(6945, kBelowMapTop, 900, 285);

  // The load axis grows upwards from the bottom row, the rpm axis rightwards from column 1.
  const float grid_bottom = kGridTop + kGridHeight;
  map_beg[0].set_points(kGridLeft - 360, grid_bottom - kPointerSize / 2, kGridLeft,
                        grid_bottom - kPointerSize / 2);
  map_end[0].set_points(kGridLeft - 360, kGridTop - kPointerSize / 2, kGridLeft,
                        kGridTop - kPointerSize / 2);
  rpm_beg[0].set_points(kGridLeft - kPointerSize / 2, grid_bottom, kGridLeft - kPointerSize / 2,
                        grid_bottom + 360);
  rpm_end[0].set_points(kGridLeft + kCellsWidth - kPointerSize / 2, grid_bottom,
                        kGridLeft + kCellsWidth - kPointerSize / 2, grid_bottom + 360);
  map_p_ptr[0].move(kGridLeft - 300, map_beg[0].y1(), kPointerSize, kPointerSize);
  map_r_ptr[0].move(rpm_beg[0].x1(), grid_bottom + 120, kPointerSize, kPointerSize);
  for (ui::Shape* pointer : {&map_p_ptr[0], &map_r_ptr[0]}) {
    pointer->set_shape(ui::Shape::Kind::circle);
    pointer->set_fill_style(0);
    pointer->set_fill_colour(ui::colours::light_red);
  }
}

void Frm3dForm::build_menus() {
  menufile.set_caption("&File");
  menufileexit.set_caption("e&xit");
  menufileexit.on_click = [this] { menufileexit_Click(); };
  menuupdate.set_caption("&Update");
  menuresetmap.set_caption("&Reset map");
  menuresetmap_fuel.set_caption("&Fuel");
  menuresetmap_Ign.set_caption("&Ignition");
  menu_autotune.set_caption("&Autotune");
  const auto close = [this] { Command3d1_Click(); };
  wire_view_menu(menu_mon, "&Monitor", view_request_mon, close);
  wire_view_menu(menu_dash, "&Dashboard", view_request_dash, close);
  wire_view_menu(menu_tools, "&Config.", view_request_tools, close);
  wire_view_menu(menu_2d, "&Additional Map", view_request_2d, close);
  wire_view_menu(menu_sup, "&GPO Drv.", view_request_sup, close);
  wire_view_menu(menu_plot, "&Plotter", view_request_plot, close);
  wire_view_menu(menu_diag, "D&iagnostics", view_request_diag, close);
}

void Frm3dForm::on_activate() {
  close_requested = kFalse;
  set_caption("Basic Mapping" + caption_suffix);
}

void Frm3dForm::show_map_type_Click(int index) {
  if (index < 0 || index >= kMaps) return;
  shown_map_index = static_cast<Integer>(index);
  for (int map = 0; map < kMaps; ++map) map_grid(map).set_visible(map == index);
}

void Frm3dForm::Command3d1_Click() {
  close_requested = kTrue;
  Form_Unload();
}

void Frm3dForm::menufileexit_Click() {
  Command3d1_Click();
}

void Frm3dForm::Form_Unload() {
  close_view(*this);
}

void Frm3dForm::on_unload() {
  Form_Unload();
}

}  // namespace ecu
