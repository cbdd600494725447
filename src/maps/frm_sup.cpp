#include "maps/frm_sup.hpp"

#include <array>
#include <cmath>
#include <string>

#include "decode/cell_index.hpp"
#include "decode/memory_map.hpp"
#include "link/poll_inhibit.hpp"
#include "link/request.hpp"
#include "maps/frm_cellblock_modifier.hpp"
#include "maps/table_reset.hpp"
#include "model/shared_state.hpp"
#include "shell/view_commands.hpp"
#include "ui/format.hpp"
#include "ui/number_parse.hpp"

namespace ecu {

namespace {

const char* const kTabCaptions[FrmSupForm::kPages] = {"GPO-1",
                                                      "GPO-2",
                                                      "GPO-3",
                                                      "GPO-4",
                                                      " Gear/Boost Map-1",
                                                      " Gear/Boost Map-2",
                                                      " Gear/Boost Map-3",
                                                      " Gear/Boost Map-4"};

const char* const kModeCaptions[FrmSupForm::kModes] = {
    "Disabled",       "X=RPM / Y=MAP",    "X=RPM / Y=CLT",   "X=RPM / Y=TPS",
    "X=RPM / Y=MAT",  "X=MAT / Y=MAP",    "Fuel Pump Relay", "Coolant Fan Relay",
    "Gear Based GPO", "RPM Switch Above", "2 Wire Idle"};

// Table geometry on every page: nine columns of 43 px and nine rows of 22 px, in a frame
// that also holds the axis captions and breakpoints, with the live cursors outside it.
constexpr float kTwipsPerPixel = 15;
constexpr float kColumn = 43 * kTwipsPerPixel;
constexpr float kRow = 22 * kTwipsPerPixel;
constexpr float kHolderLeft = 4080;
constexpr float kHolderTop = 480;
constexpr float kYLabelWidth = 660;
constexpr float kGridInHolderLeft = 780;
constexpr float kGridInHolderTop = 360;
constexpr float kLabelHeight = 225;
constexpr float kHolderWidth = kGridInHolderLeft + 9 * kColumn + 120;
constexpr float kHolderHeight = kGridInHolderTop + 9 * kRow + 645;
constexpr float kGridLeft = kHolderLeft + kGridInHolderLeft;
constexpr float kPointerSize = 150;
constexpr float kFieldHeight = 285;
// The "Dont Interplolate" flag travels in bit 7 of the output's mode byte.
constexpr Long kDontInterpolate = 128;
// Bit 1 of a boost channel's flags: its table holds PWM duty in percent, not kPa.
constexpr Long kOpenLoopPwm = 2;
// The cells of a page's grid, one stored byte each. Where each page's table is stored and
// how its cells convert are the memory map's, found by the grid.
constexpr int kTableBytes = FrmSupForm::kTableCells * FrmSupForm::kTableCells;
// The tables are read 27 bytes at a time.
constexpr int kBlockBytes = 27;

void mark_changed(ui::TextBox& field) {
  field.set_back_colour(ui::colours::yellow);
}

// What an axis of an output's table runs over.
enum class AxisScale { none, engine_speed, manifold_pressure, temperature, throttle, idle_air };

struct ModeAxes {
  const char* x_name;
  AxisScale x;
  const char* y_name;
  AxisScale y;
};

// By the low four bits of the output's configuration byte.
constexpr std::array<ModeAxes, 16> kModeAxes = {{
    {"---", AxisScale::none, "---", AxisScale::none},
    {"RPM", AxisScale::engine_speed, "MAP", AxisScale::manifold_pressure},
    {"RPM", AxisScale::engine_speed, "CLT", AxisScale::temperature},
    {"RPM", AxisScale::engine_speed, "TPS", AxisScale::throttle},
    {"RPM", AxisScale::engine_speed, "MAT", AxisScale::temperature},
    {"MAT", AxisScale::temperature, "MAP", AxisScale::manifold_pressure},
    {"---", AxisScale::none, "---", AxisScale::none},
    {"---", AxisScale::none, "---", AxisScale::none},
    {"---", AxisScale::none, "---", AxisScale::none},
    {"---", AxisScale::none, "---", AxisScale::none},
    {"   ", AxisScale::none, "IAC", AxisScale::idle_air},
    {"---", AxisScale::none, "---", AxisScale::none},
    {"---", AxisScale::none, "---", AxisScale::none},
    {"---", AxisScale::none, "---", AxisScale::none},
    {"---", AxisScale::none, "---", AxisScale::none},
    {"---", AxisScale::none, "---", AxisScale::none},
}};

struct AxisRange {
  Single minimum;
  Single span;
};

AxisRange axis_range(AxisScale scale) {
  switch (scale) {
    case AxisScale::none:
      return {0, 0};
    case AxisScale::engine_speed:
      return {0, rpm_full_scale};
    case AxisScale::manifold_pressure:
      return {map_sensor_offset, map_sensor_gain};
    case AxisScale::temperature:
      return {-13, 128};
    case AxisScale::throttle:
      return {0, 100};
    case AxisScale::idle_air:
      return {0, 256};
  }
  return {0, 0};
}

Single breakpoint(Single minimum, Single span, int j) {
  return minimum + static_cast<Single>(j) * span / 8.0F;
}

std::string whole_number(Single value) {
  return ui::str_integer(static_cast<long long>(std::floor(value)));
}

// The boost channel settings written after the tables, in the order they are sent: shown
// value to wire value, the largest wire value, and whether it travels as a 16-bit word.
struct BoostSetting {
  ui::ControlArray<ui::TextBox> FrmSupForm::*fields;
  std::uint8_t write_code;
  double (*to_wire)(double shown);
  Long highest;
  bool word;
};

double gain_to_wire(double shown) {
  return shown * 4096;
}
double pressure_to_wire(double shown) {
  return (shown - map_sensor_offset) / map_sensor_gain * 255;
}
double preset_to_wire(double shown) {
  return shown / 100 * 255;
}
double count_to_wire(double shown) {
  return shown;
}

const std::array<BoostSetting, 6> kBoostSettings = {{
    {&FrmSupForm::boost_p, 0xDA, &gain_to_wire, 65535, true},
    {&FrmSupForm::boost_i, 0xDB, &gain_to_wire, 65535, true},
    {&FrmSupForm::boost_d, 0xDC, &gain_to_wire, 65535, true},
    {&FrmSupForm::boost_enable_press, 0xDD, &pressure_to_wire, 255, false},
    {&FrmSupForm::boost_integ_preset, 0xDE, &preset_to_wire, 255, false},
    {&FrmSupForm::boost_loop_rate, 0xDF, &count_to_wire, 255, false},
}};

}  // namespace

GpoAxes get_gpo_axis_ranges(Long mode) {
  const ModeAxes& row = kModeAxes[static_cast<std::size_t>(mode & 15)];
  const AxisRange x = axis_range(row.x);
  const AxisRange y = axis_range(row.y);
  return {x.span, x.minimum, y.span, y.minimum, row.x_name, row.y_name};
}

FrmSupForm::FrmSupForm()
    : EditorForm("frm_sup", "General Purpose Output Driver Mapping", 12120, 9000),
      mode_rows_{&gpo_0_mode, &gpo_1_mode, &gpo_2_mode, &gpo_3_mode},
      grids_{&GPO_tbl_0,   &GPO_tbl_1,   &GPO_tbl_2,   &GPO_tbl_3,
             &boost_gpo_0, &boost_gpo_1, &boost_gpo_2, &boost_gpo_3},
      x_labels_{&GPO_0_X_lbl,       &GPO_1_X_lbl,       &GPO_2_X_lbl,       &GPO_3_X_lbl,
                &GPO_boost_X_lbl_0, &GPO_boost_X_lbl_1, &GPO_boost_X_lbl_2, &GPO_boost_X_lbl_3},
      y_labels_{&GPO_0_Y_lbl,       &GPO_1_Y_lbl,       &GPO_2_Y_lbl,       &GPO_3_Y_lbl,
                &GPO_boost_Y_lbl_0, &GPO_boost_Y_lbl_1, &GPO_boost_Y_lbl_2, &GPO_boost_Y_lbl_3} {
  lay_out();
  build_menus();
  wire_marking();
  Command3d1.on_click = [this] { Command3d1_Click(); };
  Command3d2.on_click = [this] { Command3d2_Click(); };
  // The grids are laid out and every table and parameter field starts unread.
  mark_all_unread();
}

ui::ControlArray<ui::OptionButton>& FrmSupForm::gpo_mode(int output) {
  return *mode_rows_.at(static_cast<std::size_t>(output));
}

ui::Grid& FrmSupForm::table_grid(int page) {
  return *grids_.at(static_cast<std::size_t>(page));
}

GridEditing& FrmSupForm::table_editing(int page) {
  return *editing_.at(static_cast<std::size_t>(page));
}

ui::ControlArray<ui::Label>& FrmSupForm::x_labels(int page) {
  return *x_labels_.at(static_cast<std::size_t>(page));
}

ui::ControlArray<ui::Label>& FrmSupForm::y_labels(int page) {
  return *y_labels_.at(static_cast<std::size_t>(page));
}

void FrmSupForm::lay_out() {
  Command3d1.move(120, 120, 615, 615);
  set_up_exit_button(Command3d1);
  Command3d2.move(120, 780, 615, 615);
  set_up_update_button(Command3d2);

  lay_out_demo_label(show_demo_mode, 4800, 120, 4800, 555);

  GPO_tab.move(840, 720, 11040, 7440);
  // Two rows of four, so the boost pages' captions fit their tabs.
  GPO_tab.set_tabs_per_row(kPages / 2);
  for (int page = 0; page < kPages; ++page) {
    GPO_tab.set_tab_caption(page, kTabCaptions[page]);
    ui::Frame& holder = gpo_map_holder[page];
    holder.place_in(GPO_tab, page);
    holder.move(kHolderLeft, kHolderTop, kHolderWidth, kHolderHeight);
    ui::Grid& grid = table_grid(page);
    grid.place_in(holder);
    grid.move(kGridInHolderLeft, kGridInHolderTop, 9 * kColumn, 9 * kRow);
    // The header row and column give way to the axis labels beside the grid.
    grid.set_column_width(0, 0);
    grid.set_row_height(0, 0);
    for (int cell = 1; cell <= kTableCells; ++cell) {
      grid.set_column_width(cell, kColumn);
      grid.set_row_height(cell, kRow);
    }
    // X breakpoints under the columns from the left, Y beside the rows from the bottom.
    for (int j = 0; j < kTableCells; ++j) {
      const auto step = static_cast<float>(j);
      ui::Label& x_label = x_labels(page)[j];
      x_label.place_in(holder);
      x_label.move(kGridInHolderLeft + step * kColumn, kGridInHolderTop + 9 * kRow + 30, kColumn,
                   kLabelHeight);
      x_label.set_alignment(ui::Label::Align::centre);
      ui::Label& y_label = y_labels(page)[j];
      y_label.place_in(holder);
      y_label.move(60, kGridInHolderTop + (8 - step) * kRow + 45, kYLabelWidth, kLabelHeight);
      y_label.set_alignment(ui::Label::Align::right);
    }
    const bool output = page < kOutputs;
    const int k = output ? page : page - kOutputs;
    ui::Label& x_caption = output ? gpo_x_text[k] : boost_x_text[k];
    ui::Label& y_caption = output ? gpo_y_text[k] : boost_y_text[k];
    x_caption.place_in(holder);
    x_caption.move(kGridInHolderLeft, kGridInHolderTop + 9 * kRow + 300, 9 * kColumn, 255);
    x_caption.set_alignment(ui::Label::Align::centre);
    y_caption.place_in(holder);
    y_caption.move(60, 90, kYLabelWidth, 255);
    y_caption.set_alignment(ui::Label::Align::right);
  }
  for (int k = 0; k < kOutputs; ++k) boost_x_text[k].set_caption("RPM");

  // The cursors mark cell centres, outside the table's frame: the x axis runs from column 1
  // to column 9 and the y axis from row 9 (bottom) up to row 1.
  const float grid_top = kHolderTop + kGridInHolderTop;
  const float x_begin = kGridLeft + kColumn / 2 - kPointerSize / 2;
  const float x_end = kGridLeft + 8.5F * kColumn - kPointerSize / 2;
  const float y_begin = grid_top + 8.5F * kRow - kPointerSize / 2;
  const float y_end = grid_top + kRow / 2 - kPointerSize / 2;
  const float below_holder = kHolderTop + kHolderHeight + 60;
  supp_x_beg[0].set_points(x_begin, below_holder, x_begin, below_holder + 240);
  supp_x_end[0].set_points(x_end, below_holder, x_end, below_holder + 240);
  supp_y_beg[0].set_points(kHolderLeft - 300, y_begin, kHolderLeft - 60, y_begin);
  supp_y_end[0].set_points(kHolderLeft - 300, y_end, kHolderLeft - 60, y_end);
  for (ui::Line* line : {&supp_x_beg[0], &supp_x_end[0], &supp_y_beg[0], &supp_y_end[0]}) {
    line->place_in(GPO_tab, 0);
    line->set_visible(false);
  }
  for (int page = 0; page < kPages; ++page) {
    ui::Shape& x_pointer = supp_x_ptr[page];
    x_pointer.place_in(GPO_tab, page);
    x_pointer.move(x_begin, below_holder, kPointerSize, kPointerSize);
    ui::Shape& y_pointer = supp_y_ptr[page];
    y_pointer.place_in(GPO_tab, page);
    y_pointer.move(kHolderLeft - 240, y_begin, kPointerSize, kPointerSize);
    for (ui::Shape* pointer : {&x_pointer, &y_pointer}) {
      pointer->set_shape(ui::Shape::Kind::circle);
      pointer->set_fill_style(0);
      pointer->set_fill_colour(ui::colours::light_red);
    }
  }

  for (int output = 0; output < kOutputs; ++output) lay_out_output_page(output);
  for (int channel = 0; channel < kOutputs; ++channel) lay_out_boost_page(channel);
}

void FrmSupForm::lay_out_output_page(int output) {
  ui::Frame& frame = GPO_params[output];
  frame.place_in(GPO_tab, output);
  frame.move(120, 480, 3600, 5880);
  frame.set_caption("GPO-" + std::to_string(output + 1) + " Parameters");

  // Each output's options sit in its own frame, so the four groups choose independently.
  ui::ControlArray<ui::OptionButton>& modes = gpo_mode(output);
  captions_.add("Mapping Input Source", 180, 300, 3000, 255, &frame);
  for (int mode = 0; mode < kModes; ++mode) {
    modes[mode].place_in(frame);
    modes[mode].move(180, 600.0F + 330.0F * static_cast<float>(mode), 3000, kFieldHeight);
    modes[mode].set_caption(kModeCaptions[mode]);
  }
  dont_interpolate[output].place_in(frame);
  dont_interpolate[output].move(180, 4440, 3000, kFieldHeight);
  dont_interpolate[output].set_caption("Dont Interplolate");
  cool_rly_temp[output].place_in(frame);
  cool_rly_temp[output].move(180, 4920, 975, kFieldHeight);
  rpm_switch[output].place_in(frame);
  rpm_switch[output].move(180, 5400, 975, kFieldHeight);
  captions_.beside(cool_rly_temp[output], "",
                   "\xB0"
                   "C");
  captions_.beside(rpm_switch[output], "", "RPM");
  rpm_switch[output].set_tool_tip("GPO will turn full on at or above this RPM");
  table_grid(output).set_tool_tip(
      "Enter data into this 3D map to configure the PWM duty cycle for GPO" +
      std::to_string(output + 1) + ".");
}

void FrmSupForm::lay_out_boost_page(int channel) {
  const int page = kOutputs + channel;
  struct Field {
    ui::TextBox* box;
    const char* tool_tip;
    const char* caption;
    const char* unit;
  };
  const Field fields[] = {
      {&boost_enable_press[channel],
       "The boost controller will be activated if above this pressure.", "Enable if MAP above",
       "kPa"},
      {&boost_p[channel], "Servo proportional term.", "Proportional Gain", ""},
      {&boost_i[channel], "Servo integral term.", "Integral Gain", ""},
      {&boost_d[channel], "Servo derivative term.", "Derivative Gain", ""},
      {&boost_loop_rate[channel], "The PID routine is executed every N opportunities.", "Loop Rate",
       ""},
      {&boost_integ_preset[channel],
       "when the boost controller goes from inactive to active, the PID integrator is seeded "
       "with this value.",
       "Integrator Preset", ""},
  };
  float top = 720;
  for (const Field& field : fields) {
    field.box->place_in(GPO_tab, page);
    field.box->move(2400, top, 975, kFieldHeight);
    field.box->set_tool_tip(field.tool_tip);
    captions_.beside(*field.box, field.caption, field.unit);
    top += 420;
  }
  boost_ctrl_invert[channel].place_in(GPO_tab, page);
  boost_ctrl_invert[channel].move(240, top, 3000, kFieldHeight);
  boost_ctrl_invert[channel].set_caption("Invert Control Loop");
  boost_ctrl_invert[channel].set_tool_tip(
      "If checked, the calculated PWM value is inverted (0% becomes 100% ECT)");
  use_as_pwm[channel].place_in(GPO_tab, page);
  use_as_pwm[channel].move(240, top + 420, 3000, kFieldHeight);
  use_as_pwm[channel].set_caption("Use open loop as PWM");
  use_as_pwm[channel].set_tool_tip(
      "If checked, this map will be used as PWM duty cycle (0 to 100%) for open loop boost "
      "control.");
  table_grid(page).set_tool_tip(
      "Enter data into this 3D map to setup boost control setpoints. or open loop PWM "
      "setpoints.");
}

void FrmSupForm::build_menus() {
  menufile.set_caption("&File");
  menufileexit.set_caption("e&xit");
  menufileexit.on_click = [this] { menufileexit_Click(); };
  menuupdate.set_caption("&Update");
  menuupdate.on_click = [this] { menuupdate_Click(); };
  menuresetmap.set_caption("&Reset map");
  menuresetmap.on_click = [] { reset_output_tables(); };
  open_block_modifier = show_cellblock_modifier;
}

void FrmSupForm::wire_marking() {
  for (ui::ControlArray<ui::TextBox>* fields :
       {&cool_rly_temp, &rpm_switch, &boost_enable_press, &boost_p, &boost_i, &boost_d,
        &boost_integ_preset, &boost_loop_rate}) {
    fields->on(&ui::TextBox::on_change, [this, fields](int k) {
      mark_changed((*fields)[k]);
      loaded_.note((*fields)[k]);
    });
  }
  // The output tables have block codes 1 to 4, the boost tables 10 to 13.
  for (int page = 0; page < kPages; ++page) {
    const auto code = static_cast<Integer>(page < kOutputs ? page + 1 : page + 6);
    editing_[static_cast<std::size_t>(page)] =
        std::make_unique<GridEditing>(table_grid(page), code, [this] { Command3d2_Click(); });
  }
  for (int output = 0; output < kOutputs; ++output) {
    gpo_mode(output).on(&ui::OptionButton::on_click,
                        [this, output](int index) { gpo_mode_Click(output, index); });
  }
  dont_interpolate.on(&ui::CheckBox::on_click, [this](int k) { dont_interpolate_Click(k); });
  boost_ctrl_invert.on(&ui::CheckBox::on_click, [this](int k) { boost_ctrl_invert_Click(k); });
  use_as_pwm.on(&ui::CheckBox::on_click, [this](int k) { use_as_pwm_Click(k); });
}

void FrmSupForm::gpo_mode_Click(int output, int index) {
  if (output < 0 || output >= kOutputs) return;
  gpo_mode(output)[0].set_fore_colour(ui::colours::yellow);
  Long mode = index;
  if (dont_interpolate[output].value() != ui::CheckBox::unchecked) mode += kDontInterpolate;
  gpos[static_cast<std::size_t>(output)] = mode;
  refresh_gpo_axes();
}

void FrmSupForm::dont_interpolate_Click(int output) {
  // The flag is part of the mode byte, whose mark is on the mode's first option.
  if (output < 0 || output >= kOutputs) return;
  gpo_mode(output)[0].set_fore_colour(ui::colours::yellow);
}

void FrmSupForm::boost_ctrl_invert_Click(int channel) {
  if (!boost_ctrl_invert.contains(channel)) return;
  boost_ctrl_invert[channel].set_fore_colour(ui::colours::yellow);
}

void FrmSupForm::use_as_pwm_Click(int channel) {
  // Both flags travel in one byte, marked on the invert box.
  if (!boost_ctrl_invert.contains(channel)) return;
  boost_ctrl_invert[channel].set_fore_colour(ui::colours::yellow);
  refresh_gpo_axes();
}

void FrmSupForm::refresh_gpo_axes() {
  std::array<GpoAxes, kPages> axes{};
  for (int k = 0; k < kOutputs; ++k) {
    GpoAxes& output = axes[static_cast<std::size_t>(k)];
    output = get_gpo_axis_ranges(gpos[static_cast<std::size_t>(k)]);
    // The idle table is one column of nine values along the IAC axis.
    ui::Grid& grid = table_grid(k);
    for (int col = 2; col <= kTableCells; ++col) {
      grid.set_column_width(col, output.y_name == "IAC" ? 0 : kColumn);
    }
    gpo_map_holder[k].set_visible(output.x_name != "---");
    gpo_y_text[k].set_caption(output.y_name);
    gpo_x_text[k].set_caption(output.x_name);

    GpoAxes& boost = axes[static_cast<std::size_t>(kOutputs + k)];
    const bool pressure = use_as_pwm[k].value() != ui::CheckBox::unchecked;
    const AxisRange y =
        axis_range(pressure ? AxisScale::manifold_pressure : AxisScale::temperature);
    boost.y_minimum = y.minimum;
    boost.y_span = y.span;
    boost_y_text[k].set_caption(pressure ? "MAP" : "MAT");
  }
  for (int j = 0; j < kTableCells; ++j) {
    for (int k = 0; k < kOutputs; ++k) {
      const GpoAxes& output = axes[static_cast<std::size_t>(k)];
      y_labels(k)[j].set_caption(
          ui::format_single(breakpoint(output.y_minimum, output.y_span, j), "##0.0"));
      x_labels(k)[j].set_caption(
          ui::format_number(std::floor(breakpoint(output.x_minimum, output.x_span, j)), "####0"));
    }
    for (int k = 0; k < kOutputs; ++k) {
      const GpoAxes& boost = axes[static_cast<std::size_t>(kOutputs + k)];
      y_labels(kOutputs + k)[j].set_caption(
          whole_number(breakpoint(boost.y_minimum, boost.y_span, j)));
      x_labels(kOutputs + k)[j].set_caption(whole_number(breakpoint(0, rpm_full_scale, j)));
    }
  }
}

void FrmSupForm::mark_all_unread() {
  for (int i = 0; i < kTableBytes; ++i) {
    for (int page = 0; page < kPages; ++page) table_editing(page).mark_unloaded(i);
  }
  for (int k = 0; k < kOutputs; ++k) {
    for (ui::ControlArray<ui::TextBox>* fields :
         {&rpm_switch, &boost_enable_press, &boost_p, &boost_i, &boost_d, &boost_integ_preset,
          &boost_loop_rate}) {
      (*fields)[k].set_back_colour(ui::colours::yellow);
    }
  }
  // Nothing shown now was read from the controller: none of it may be written back.
  loaded_.forget_all();
}

void FrmSupForm::on_activate() {
  set_caption("General Purpose Output Driver Mapping" + caption_suffix);
  close_requested = kFalse;
  // Activated again while it stays open (after the cell-block modifier, say): only the
  // caption is renewed, so what it shows is neither marked changed nor written back.
  if (outputs_fetched != kFalse) return;
  outputs_fetched = kTrue;
  // Shown again while its own fetch or Update still runs: that one goes on.
  lifecycle_.stay_loaded();
  if (lifecycle_.busy()) return;
  fetch_outputs();
}

void FrmSupForm::fetch_outputs() {
  const EditorLifecycle::Reading reading(lifecycle_);
  mark_all_unread();
  PollInhibitScope inhibit(0.1F, 0.1F);
  outputs_fetched = kTrue;
  if (demo_mode != kFalse) {
    fill_demo_values();
  } else {
    yield_to_message_loop();
    Command3d2.set_enabled(false);
    GPO_tab.set_current_tab(0);
    yield_to_message_loop();
    // A close or an Abort in the failure dialog stops the fetch after the request under way.
    const auto read = [this](const std::string& command) {
      request_reply(command);
      return close_requested == kFalse && comm_aborted == kFalse;
    };
    const auto read_table = [this](int page) {
      const CalibrationTable& table = calibration_table_of(table_grid(page));
      for (int offset = 0; offset < table_byte_count(table.shape); offset += kBlockBytes) {
        read_calibration_block('k', table.first_address + offset);
        if (close_requested != kFalse || comm_aborted != kFalse) return false;
      }
      return true;
    };
    const auto select_page = [this](int page) {
      GPO_tab.set_current_tab(page);
      yield_to_message_loop();
    };
    // The status reply brings the scales of the axes and of the boost tables.
    bool going = read("C") && read(command_with_payload(0xAA, 0, 0, 0)) &&
                 read(command_with_payload(0xAC, 0, 0, 0)) &&
                 read(command_with_payload(0xE1, 0, 0, 0));
    if (going) refresh_gpo_axes();
    for (int page = 0; going && page < kOutputs; ++page) {
      if (page > 0) select_page(page);
      going = read_table(page);
    }
    // The boost flags choose the unit of the boost cells, so they come first.
    going = going && read(command_with_payload(0xD9, 0, 0, 0));
    for (int page = kOutputs; going && page < kPages; ++page) {
      select_page(page);
      going = read_table(page);
    }
    if (!going) {
      inhibit.release();
      // A window the user closed meanwhile has left the screen and does not leave again.
      Command3d1_Click();
      return;
    }
  }
  GPO_tab.set_current_tab(0);
  yield_to_message_loop();
  Command3d1.set_enabled(true);
  Command3d2.set_enabled(true);
}

void FrmSupForm::fill_demo_values() {
  for (int i = 0; i < kTableBytes; ++i) {
    for (int page = 0; page < kOutputs; ++page) {
      table_grid(page).set_cell_text(table_cell_row(i), table_cell_col(i),
                                     page == kOutputs - 1 ? "100.0" : "0.0");
    }
    for (int page = 0; page < kOutputs; ++page) table_editing(page).mark_in_sync(i);
  }
  const char* const relay_temperatures[] = {"0", "95", "0", "0"};
  for (int k = 0; k < kOutputs; ++k) cool_rly_temp[k].set_text(relay_temperatures[k]);
  gpo_0_mode[4].set_value(true);
  gpo_1_mode[5].set_value(true);
  gpo_2_mode[0].set_value(true);
  gpo_3_mode[0].set_value(true);
  for (int k = 0; k < kOutputs; ++k) {
    cool_rly_temp[k].set_back_colour(ui::colours::white);
    gpo_mode(k)[0].set_fore_colour(ui::colours::black);
  }
}

void FrmSupForm::menuupdate_Click() {
  Command3d2_Click();
}

void FrmSupForm::Command3d2_Click() {
  // Each channel's flags go before the tables, so its cells are encoded in the unit the
  // controller then holds.
  lifecycle_.request({[this] { note_marked_items(); },
                      [this] {
                        write_output_settings();
                        write_boost_flags();
                        write_table_cells();
                        write_boost_settings();
                      }},
                     0.1F);
}

bool FrmSupForm::pending(const ui::TextBox& field) const {
  return field.back_colour() == ui::colours::yellow && loaded_.contains(field);
}

void FrmSupForm::note_marked_items() {
  for (int k = 0; k < kOutputs; ++k) {
    for (const ui::TextBox* field : {&cool_rly_temp[k], &rpm_switch[k]}) {
      if (pending(*field)) lifecycle_.note(*field);
    }
    for (const BoostSetting& setting : kBoostSettings) {
      if (pending((this->*setting.fields)[k])) lifecycle_.note((this->*setting.fields)[k]);
    }
  }
  for (int page = 0; page < kPages; ++page) {
    for (int i = 0; i < kTableBytes; ++i) {
      if (table_editing(page).needs_write(i)) lifecycle_.note(table_editing(page), i);
    }
  }
}

void FrmSupForm::write_field(
    ui::TextBox& field, const std::function<std::optional<std::string>(double shown)>& command) {
  const std::string* text = lifecycle_.asked_text(field);
  if (text == nullptr || !pending(field)) return;
  if (const std::optional<std::string> request = command(ui::leading_number(*text))) {
    lifecycle_.send_write(field, *request, *text);
  }
}

void FrmSupForm::write_output_settings() {
  for (int k = 0; k < kOutputs; ++k) {
    // One signed byte: a negative temperature goes as its two's complement.
    write_field(cool_rly_temp[k], [k](double shown) -> std::optional<std::string> {
      const auto value = wire_integer(shown, -128, 127);
      if (!value) return std::nullopt;
      return command_with_payload(0xAD, k, *value & 0xFF, 0);
    });
    write_field(rpm_switch[k], [k](double shown) -> std::optional<std::string> {
      const auto rpm = wire_integer(shown, 0, 32767);
      if (!rpm) return std::nullopt;
      return command_with_payload(0xE2, k, low_byte(*rpm), high_byte(*rpm));
    });
  }
  for (int k = 0; k < kOutputs; ++k) {
    ui::ControlArray<ui::OptionButton>& modes = gpo_mode(k);
    if (modes[0].fore_colour() != ui::colours::yellow) continue;
    Long mode = 0;
    for (int index = 0; index < kModes; ++index) {
      if (modes[index].value()) mode = index;
    }
    if (dont_interpolate[k].value() != ui::CheckBox::unchecked) mode += kDontInterpolate;
    lifecycle_.send_write(command_with_payload(0xAB, k, mode, 0));
  }
}

void FrmSupForm::write_boost_flags() {
  for (int k = 0; k < kOutputs; ++k) {
    if (boost_ctrl_invert[k].fore_colour() != ui::colours::yellow) continue;
    Long flags = boost_ctrl_invert[k].value() != ui::CheckBox::unchecked ? 1 : 0;
    if (use_as_pwm[k].value() != ui::CheckBox::unchecked) flags += kOpenLoopPwm;
    const auto channel = static_cast<std::size_t>(k);
    const Long unit_before = bofg[channel] & kOpenLoopPwm;
    lifecycle_.send_write(command_with_payload(0xE0, k, flags, 0));
    if ((bofg[channel] & kOpenLoopPwm) == unit_before) continue;
    // The cells not edited since still show the old unit: unread until fetched again.
    GridEditing& cells = table_editing(kOutputs + k);
    for (int i = 0; i < kTableBytes; ++i) {
      if (!cells.needs_write(i)) cells.mark_unloaded(i);
    }
  }
}

void FrmSupForm::write_table_cells() {
  for (int i = 0; i < kTableBytes; ++i) {
    for (int page = 0; page < kPages; ++page) {
      GridEditing& cells = table_editing(page);
      const std::string* text = lifecycle_.asked_text(cells, i);
      if (text == nullptr || !cells.needs_write(i)) continue;
      // A duty cell must be a number as a whole; anything else stays marked, unsent.
      if (page < kOutputs && !ui::is_strict_number(*text)) continue;
      // A boost cell goes in the unit its channel's flags give now.
      const CalibrationTable& table = calibration_table_of(table_grid(page));
      const StoredByte stored = calibration_byte_from_shown(table, ui::leading_number(*text));
      if (stored.refused()) continue;
      // An unanswered write leaves the cell marked for the next Update.
      lifecycle_.send_write(cells, i,
                            calibration_write_command(table.first_address + i, stored.byte), *text);
    }
  }
}

void FrmSupForm::write_boost_settings() {
  for (int k = 0; k < kOutputs; ++k) {
    for (const BoostSetting& setting : kBoostSettings) {
      write_field((this->*setting.fields)[k],
                  [k, &setting](double shown) -> std::optional<std::string> {
                    const std::optional<Long> value =
                        wire_integer(setting.to_wire(shown), 0, setting.highest);
                    if (!value) return std::nullopt;
                    return setting.word ? command_with_payload(setting.write_code, k,
                                                               low_byte(*value), high_byte(*value))
                                        : command_with_payload(setting.write_code, k, *value, 0);
                  });
    }
  }
}

void FrmSupForm::Command3d1_Click() {
  close_command();
}

void FrmSupForm::on_close_command() {
  close_requested = kTrue;
}

void FrmSupForm::menufileexit_Click() {
  Command3d1_Click();
}

void FrmSupForm::on_form_unload() {
  outputs_fetched = kFalse;
}

}  // namespace ecu
