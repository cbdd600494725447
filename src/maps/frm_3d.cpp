#include "maps/frm_3d.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "decode/memory_map.hpp"
#include "link/poll_inhibit.hpp"
#include "link/request.hpp"
#include "maps/frm_autotune.hpp"
#include "maps/frm_cellblock_modifier.hpp"
#include "maps/graphs.hpp"
#include "maps/table_reset.hpp"
#include "maps/table_writes.hpp"
#include "model/shared_state.hpp"
#include "shell/view_commands.hpp"
#include "ui/format.hpp"
#include "ui/number_parse.hpp"
#include "ui/rounding.hpp"

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

Frm3dForm::Frm3dForm() : EditorForm("frm_3d", "Basic Mapping", 11520, 8160) {
  lay_out();
  lay_out_axes();
  build_menus();
  wire_fields();
  wire_table_tools();
  Command3d1.on_click = [this] { Command3d1_Click(); };
  Command3d2.on_click = [this] { Command3d2_Click(); };
  show_map_type.on(&ui::OptionButton::on_click, [this](int index) { show_map_type_Click(index); });
  Picture1.on_mouse_down = [this](int, int, float, float) { Picture1_MouseDown(); };
}

void Frm3dForm::wire_fields() {
  for (int index = 0; index < kScalarFields; ++index) {
    ui::TextBox& field = scalar_field(index);
    field.on_change = [this, index] { mark_scalar(index, false); };
    field.on_got_focus = [&field] { field.set_fore_colour(ui::colours::light_red); };
    field.on_lost_focus = [&field] { field.set_fore_colour(ui::colours::black); };
  }
  ecu_pgm.on(&ui::TextBox::on_key_down, [this](int index, int& key_code, int shift) {
    ecu_pgm_KeyDown(index, key_code, shift);
  });
}

void Frm3dForm::wire_table_tools() {
  show_this_graph.move(120, kBelowMapTop + 3 * kRowStep, 1335, 375);
  show_this_graph.set_caption("Show Graph");
  show_this_graph.on_click = [] { show_this_graph_Click(); };
  // Only the two main maps refresh the open graph when a cell changes.
  inj_map_editing.after_change = [](int, int) { refresh_open_map_graph(); };
  ign_map_editing.after_change = [](int, int) { refresh_open_map_graph(); };
  menuresetmap_fuel.on_click = [this] { reset_basic_map(*this, 0); };
  menuresetmap_Ign.on_click = [this] { reset_basic_map(*this, 1); };
  menu_autotune.on_click = [] { open_autotune(); };
  open_block_modifier = show_cellblock_modifier;
}

ui::TextBox& Frm3dForm::scalar_field(int index) {
  return index == kScalarFields - 1 ? tps_rpm : ecu_pgm[index];
}

void Frm3dForm::mark_scalar(int index, bool unloaded) {
  scalar_field(index).set_back_colour(ui::colours::yellow);
  scalar_unloaded_.at(static_cast<std::size_t>(index)) = unloaded;
}

bool Frm3dForm::scalar_needs_write(int index) {
  return scalar_field(index).back_colour() == ui::colours::yellow &&
         !scalar_unloaded_.at(static_cast<std::size_t>(index));
}

GridEditing& Frm3dForm::map_editing(int index) {
  switch (index) {
    case 0:
      return inj_map_editing;
    case 1:
      return ign_map_editing;
    case 2:
      return TPS_map_editing;
    case 3:
      return TPS_mix_editing;
    default:
      throw std::out_of_range("no map grid " + std::to_string(index));
  }
}

ui::Grid& Frm3dForm::map_grid(int index) {
  return map_editing(index).grid();
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

void Frm3dForm::lay_out_axes() {
  // Load labels sit on the row boundaries, bottom edge first; rpm labels every two columns.
  const float cells_bottom = kGridTop + 16 * kRowHeightPx * kTwipsPerPixel;
  constexpr float kLabelHeight = 195;
  for (int i = 0; i < Label5.count(); ++i) {
    Label5[i].move(
        780,
        cells_bottom - static_cast<float>(i) * kRowHeightPx * kTwipsPerPixel - kLabelHeight / 2,
        480, kLabelHeight);
    Label5[i].set_alignment(ui::Label::Align::right);
  }
  Map_dims[0].move(780, kGridTop - 480, 720, kLabelHeight);
  Map_dims[0].set_alignment(ui::Label::Align::right);
  const float two_columns = 2 * kColumnWidthPx * kTwipsPerPixel;
  for (int i = 0; i < Label6.count(); ++i) {
    Label6[i].move(kGridLeft + static_cast<float>(i) * two_columns - 300, 5560, 600, kLabelHeight);
    Label6[i].set_alignment(ui::Label::Align::centre);
  }
  // Two lines, left of the first rpm label.
  Label2.move(120, 5340, 1100, 2 * kLabelHeight);
  Label2.set_caption("Revs Per Minute");

  for (int band = 0; band < kHeatMapBands; ++band) {
    bk_color[band].move(10830, kGridTop + 255 * static_cast<float>(band), 480, 255);
    bk_color[band].set_text("1.00");
    bk_color[band].set_locked(true);
    bk_color[band].set_back_colour(kHeatMapPalette.at(static_cast<std::size_t>(band)));
  }
  Picture1.move(240, 3900, 135, 135);
  Picture1.set_back_colour(0x008080FF);
}

void Frm3dForm::build_menus() {
  menufile.set_caption("&File");
  menufileexit.set_caption("e&xit");
  menufileexit.on_click = [this] { menufileexit_Click(); };
  menuupdate.set_caption("&Update");
  menuupdate.on_click = [this] { Command3d2_Click(); };
  menuresetmap.set_caption("&Reset map");
  menuresetmap_fuel.set_caption("&Fuel");
  menuresetmap_Ign.set_caption("&Ignition");
  menu_autotune.set_caption("&Autotune");
}

std::array<ui::Colour, kHeatMapBands> Frm3dForm::heat_map_palette() {
  std::array<ui::Colour, kHeatMapBands> palette{};
  for (int band = 0; band < kHeatMapBands; ++band) {
    palette.at(static_cast<std::size_t>(band)) = bk_color[band].back_colour();
  }
  return palette;
}

void Frm3dForm::on_load() {
  make_all_items_unloaded();
}

void Frm3dForm::make_all_items_unloaded() {
  for (int index = 0; index < kScalarFields; ++index) mark_scalar(index, true);
  const char* const demo_texts[kMaps] = {"1.000", "0.00", "0.00", "0.00"};
  for (int i = 0; i < kMapCells * kMapCells; ++i) {
    for (int map = 0; map < kMaps; ++map) {
      GridEditing& editing = map_editing(map);
      editing.grid().set_cell_text(editing.row_of(i), editing.col_of(i), "");
      editing.mark_unloaded(i);
    }
  }
  if (demo_mode != kTrue) return;
  // Demo values stand in for a controller's: they count as read, so they take the heat-map
  // colours rather than staying marked as not loaded.
  for (int i = 0; i < kMapCells * kMapCells; ++i) {
    for (int map = 0; map < kMaps; ++map) {
      GridEditing& editing = map_editing(map);
      editing.grid().set_cell_text(editing.row_of(i), editing.col_of(i), demo_texts[map]);
      editing.mark_in_sync(i);
    }
  }
}

namespace {

// The maps are read 32 bytes at a time; where each map is stored and how its cells convert
// are the memory map's, found by its grid.
constexpr int kBlockBytes = 32;

}  // namespace

void Frm3dForm::on_activate() {
  close_requested = kFalse;
  set_caption("Basic Mapping" + caption_suffix);
  if (activation_done == kTrue) return;
  activation_done = kTrue;
  // Shown again while its fetch or Update still runs: that one goes on.
  lifecycle_.stay_loaded();
  if (lifecycle_.busy()) return;
  fetch();
}

void Frm3dForm::fetch() {
  const EditorLifecycle::Reading reading(lifecycle_);
  PollInhibitScope inhibit(0.1F, 0.1F);
  make_all_items_unloaded();

  maps_fetching = 1;
  set_load_axis_labels(0);
  for (int i = 0; i < Label6.count(); ++i) {
    const double rpm = static_cast<double>(i) / 8.0 * static_cast<double>(rpm_full_scale);
    Label6[i].set_caption(ui::str_integer(static_cast<long long>(ui::int_floor(rpm))));
  }

  Command3d2.set_enabled(false);
  for (int index = 0; index < kScalarFields; ++index) {
    scalar_field(index).set_text("");
    mark_scalar(index, true);
  }
  if (demo_mode == kTrue) {
    ecu_pgm[0].set_text("10.200");
    ecu_pgm[1].set_text("-.525");
    tps_rpm.set_text("300");
    for (int index = 0; index < kScalarFields; ++index) {
      scalar_field(index).set_back_colour(ui::colours::white);
    }
  }
  show_map_type[0].set_value(true);
  inj_map.set_visible(true);
  yield_to_message_loop();

  send_command("B");
  send_command("Z");

  for (int map = 0; map < kMaps; ++map) {
    // The map being read is the one shown.
    show_map_type[map].set_value(true);
    const CalibrationTable& table = calibration_table_of(map_grid(map));
    for (int offset = 0; offset < table_byte_count(table.shape); offset += kBlockBytes) {
      const Long address = table.first_address + offset;
      send_command(command_with_payload('l', low_byte(address), high_byte(address), 0));
      // A click on close (button or frame) is served here and stops the fetch.
      yield_to_message_loop();
      if (comm_aborted == kTrue || close_requested == kTrue) {
        inhibit.release();
        // A window the user closed meanwhile has left the screen and does not leave again.
        Command3d1_Click();
        return;
      }
    }
  }

  show_map_type[0].set_value(true);
  colour_maps();
  Command3d1.set_enabled(true);
  // Update follows the other editing controls, which the controller's feature word may have
  // disabled for a controller without the fuel functions.
  Command3d2.set_enabled(inj_map.enabled());
  set_enabled(true);
  maps_fetching = 0;
}

void Frm3dForm::colour_maps() {
  const std::array<ui::Colour, kHeatMapBands> palette = heat_map_palette();
  colour_heat_map(inj_map_editing, palette, inj_map_colors);
  colour_heat_map(ign_map_editing, palette, ign_map_colors);
  colour_heat_map(TPS_map_editing, palette, tps_map_colors);
  colour_heat_map(TPS_mix_editing, palette, tps_mix_colors);
}

namespace {

// One scalar field's write: the wire value from the shown value, its range and the
// messages of a value outside it. The range is tested on the rounded value, before it is
// narrowed to the two bytes sent.
struct ScalarWrite {
  char code;
  double (*wire_value)(double shown);
  double largest;
  const char* too_high;
  const char* negative;
};

constexpr double kTicksPerMs = (1.0 / 1.6e-6) / 1000.0;

const ScalarWrite kScalarWrites[Frm3dForm::kScalarFields] = {
    {'m', [](double ms) { return ms * (1.0 / 1.6e-6) / 1000.0; }, 65535.0,
     "The value for the Fuel Scaler is too high, it will not be updated",
     "The value for the Fuel Scaler is negative, it will not be updated"},
    {'o', [](double ms) { return ms * kTicksPerMs + 16384.0; }, 49151.0,
     "The value for the Fuel Offset is too high, it will not be updated",
     "The value for the Fuel Offset is too negative, it will not be updated"},
    {'z', [](double rpm) { return rpm / static_cast<double>(rpm_full_scale) * 1023.0; }, 1023.0,
     "The value for the TPS Map cut-in RPM was too high, it will not be updated",
     "The value for the TPS Map cut-in RPM is negative, it will not be updated"},
};

// The messages of a fuel map gain the memory map refuses.
constexpr const char* kGainTooHigh =
    "A MAP Gain cell has been found that is too high, it will not be updated";
constexpr const char* kGainNegative =
    "A MAP Gain cell has been found that is negative, it will not be updated";

}  // namespace

void Frm3dForm::Command3d2_Click() {
  lifecycle_.request({[this] { note_marked_items(); },
                      [this] {
                        write_scalars();
                        write_maps();
                        colour_maps();
                      }},
                     0.1F);
}

void Frm3dForm::note_marked_items() {
  for (int index = 0; index < kScalarFields; ++index) {
    if (scalar_needs_write(index)) lifecycle_.note(scalar_field(index));
  }
  for (int map = 0; map < kMaps; ++map) {
    const GridEditing& editing = map_editing(map);
    for (int i = 0; i < editing.cell_count(); ++i) {
      if (editing.needs_write(i)) lifecycle_.note(editing, i);
    }
  }
}

void Frm3dForm::write_scalars() {
  for (int index = 0; index < kScalarFields; ++index) {
    ui::TextBox& field = scalar_field(index);
    const std::string* text = lifecycle_.asked_text(field);
    if (text == nullptr || !scalar_needs_write(index)) continue;
    const ScalarWrite& write = kScalarWrites[index];
    const double wire = ui::round_half_even(write.wire_value(ui::leading_number(*text)));
    // A value that is not a number (a full scale of 0) is refused like one too high.
    if (wire < 0.0) {
      ui::msg_box(write.negative);
    } else if (!(wire <= write.largest)) {
      ui::msg_box(write.too_high);
    } else {
      const auto value = static_cast<Long>(wire);
      lifecycle_.send_write(
          field, command_with_payload(write.code, low_byte(value), high_byte(value), 0), *text);
    }
  }
}

void Frm3dForm::write_maps() {
  for (int map = 0; map < kMaps; ++map) {
    GridEditing& editing = map_editing(map);
    const CalibrationTable& table = calibration_table_of(editing.grid());
    for (int i = 0; i < table_byte_count(table.shape); ++i) {
      const std::string* text = lifecycle_.asked_text(editing, i);
      if (text == nullptr || !editing.needs_write(i)) continue;
      const StoredByte stored = calibration_byte_from_shown(table, ui::leading_number(*text));
      if (stored.refusal == ByteRefusal::too_high) {
        ui::msg_box(kGainTooHigh);
        continue;
      }
      if (stored.refusal == ByteRefusal::negative) {
        ui::msg_box(kGainNegative);
        continue;
      }
      if (stored.refused()) continue;
      lifecycle_.send_write(editing, i,
                            calibration_write_command(table.first_address + i, stored.byte), *text);
    }
  }
}

void Frm3dForm::show_map_type_Click(int index) {
  if (index < 0 || index >= kMaps) return;
  shown_map_index = static_cast<Integer>(index);
  for (int map = 0; map < kMaps; ++map) map_grid(map).set_visible(map == index);
  set_load_axis_labels(index);
  for (int pass = 0; pass < 4; ++pass) yield_to_message_loop();
}

void Frm3dForm::set_load_axis_labels(int map_type) {
  if (map_type < 0 || map_type >= kMaps) return;
  const bool pressure_load = map_type <= 1;
  for (int i = 0; i < Label5.count(); ++i) {
    const double fraction = static_cast<double>(i) / 16.0;
    const double load = pressure_load ? fraction * static_cast<double>(map_sensor_gain) +
                                            static_cast<double>(map_sensor_offset)
                                      : fraction * 100.0;
    Label5[i].set_caption(ui::str_integer(static_cast<long long>(ui::int_floor(load))));
  }
  Map_dims[0].set_caption(pressure_load ? "kPa" : "% TPS");
}

void Frm3dForm::ecu_pgm_KeyDown(int index, int& key_code, int shift) {
  constexpr int kEnter = 13;
  constexpr int kUp = 38;
  constexpr int kDown = 40;
  if (key_code == kEnter) {
    Command3d2_Click();
    return;
  }
  if (key_code != kUp && key_code != kDown) return;
  if (shift == 1) {
    const double shown = ui::leading_number(ecu_pgm[index].text());
    const double stepped =
        key_code == kUp ? std::min(shown + 0.1, 65.535) : std::max(shown - 0.1, -16.0);
    ecu_pgm[index].set_text(ui::format_number(stepped, "##.000"));
  } else if (key_code == kUp) {
    // Up moves the focus to the field above, wrapping from the scaler to the cut-in rpm; with
    // Ctrl or Alt held Shift does not count, so Ctrl+Shift+Up moves too.
    if (index == 1) {
      ecu_pgm[0].set_focus();
    } else {
      tps_rpm.set_focus();
    }
  }
}

void Frm3dForm::Picture1_MouseDown() {
  Picture1.move(4400, 2700, Picture1.width(), Picture1.height());
}

void Frm3dForm::Command3d1_Click() {
  close_command();
}

void Frm3dForm::on_close_command() {
  close_requested = kTrue;
}

void Frm3dForm::menufileexit_Click() {
  Command3d1_Click();
}

void Frm3dForm::on_form_unload() {
  if (comm_aborted == kTrue) make_all_items_unloaded();
  activation_done = kFalse;
}

}  // namespace ecu
