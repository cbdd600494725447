#include "maps/frm_sup.hpp"

#include <string>

#include "model/shared_state.hpp"
#include "shell/view_commands.hpp"

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

// Table geometry on every page: nine columns of 43 px and nine rows of 22 px.
constexpr float kTwipsPerPixel = 15;
constexpr float kColumn = 43 * kTwipsPerPixel;
constexpr float kRow = 22 * kTwipsPerPixel;
constexpr float kGridLeft = 4200;
constexpr float kGridTop = 720;
constexpr float kPointerSize = 150;
constexpr float kFieldHeight = 285;
// The "Dont Interplolate" flag travels in bit 7 of the output's mode byte.
constexpr Long kDontInterpolate = 128;

void mark_changed(ui::TextBox& field) {
  field.set_back_colour(ui::colours::yellow);
}

}  // namespace

FrmSupForm::FrmSupForm()
    : ui::Form("frm_sup", "General Purpose Output Driver Mapping", 12120, 9000),
      mode_rows_{&gpo_0_mode, &gpo_1_mode, &gpo_2_mode, &gpo_3_mode},
      grids_{&GPO_tbl_0,   &GPO_tbl_1,   &GPO_tbl_2,   &GPO_tbl_3,
             &boost_gpo_0, &boost_gpo_1, &boost_gpo_2, &boost_gpo_3} {
  lay_out();
  build_menus();
  wire_marking();
  Command3d1.on_click = [this] { Command3d1_Click(); };
}

ui::ControlArray<ui::OptionButton>& FrmSupForm::gpo_mode(int output) {
  return *mode_rows_.at(static_cast<std::size_t>(output));
}

ui::Grid& FrmSupForm::table_grid(int page) {
  return *grids_.at(static_cast<std::size_t>(page));
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
    ui::Grid& grid = table_grid(page);
    grid.place_in(GPO_tab, page);
    grid.move(kGridLeft, kGridTop, 9 * kColumn, 9 * kRow);
    // The header row and column give way to the axis labels beside the grid.
    grid.set_column_width(0, 0);
    grid.set_row_height(0, 0);
    for (int cell = 1; cell <= kTableCells; ++cell) {
      grid.set_column_width(cell, kColumn);
      grid.set_row_height(cell, kRow);
    }
  }

  // The cursors mark cell centres: the x axis runs from column 1 to column 9 and the y axis
  // from row 9 (bottom) up to row 1.
  const float x_begin = kGridLeft + kColumn / 2 - kPointerSize / 2;
  const float x_end = kGridLeft + 8.5F * kColumn - kPointerSize / 2;
  const float y_begin = kGridTop + 8.5F * kRow - kPointerSize / 2;
  const float y_end = kGridTop + kRow / 2 - kPointerSize / 2;
  const float below_grid = kGridTop + 9 * kRow + 60;
  supp_x_beg[0].set_points(x_begin, below_grid, x_begin, below_grid + 240);
  supp_x_end[0].set_points(x_end, below_grid, x_end, below_grid + 240);
  supp_y_beg[0].set_points(kGridLeft - 300, y_begin, kGridLeft - 60, y_begin);
  supp_y_end[0].set_points(kGridLeft - 300, y_end, kGridLeft - 60, y_end);
  for (ui::Line* line : {&supp_x_beg[0], &supp_x_end[0], &supp_y_beg[0], &supp_y_end[0]}) {
    line->place_in(GPO_tab, 0);
    line->set_visible(false);
  }
  for (int page = 0; page < kPages; ++page) {
    ui::Shape& x_pointer = supp_x_ptr[page];
    x_pointer.place_in(GPO_tab, page);
    x_pointer.move(x_begin, below_grid, kPointerSize, kPointerSize);
    ui::Shape& y_pointer = supp_y_ptr[page];
    y_pointer.place_in(GPO_tab, page);
    y_pointer.move(kGridLeft - 240, y_begin, kPointerSize, kPointerSize);
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
  menuresetmap.set_caption("&Reset map");
  const auto close = [this] { Command3d1_Click(); };
  wire_view_menu(menu_mon, "&Monitor", view_request_mon, close);
  wire_view_menu(menu_dash, "&Dashboard", view_request_dash, close);
  wire_view_menu(menu_tools, "&Config.", view_request_tools, close);
  wire_view_menu(menu_3d, "&Basic Map", view_request_3d, close);
  wire_view_menu(menu_2d, "&Additional Map", view_request_2d, close);
  wire_view_menu(menu_plot, "&Plotter", view_request_plot, close);
  wire_view_menu(menu_diag, "D&iagnostics", view_request_diag, close);
}

void FrmSupForm::wire_marking() {
  for (ui::ControlArray<ui::TextBox>* fields :
       {&cool_rly_temp, &rpm_switch, &boost_enable_press, &boost_p, &boost_i, &boost_d,
        &boost_integ_preset, &boost_loop_rate}) {
    fields->on(&ui::TextBox::on_change, [fields](int k) { mark_changed((*fields)[k]); });
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

void FrmSupForm::refresh_gpo_axes() {}

void FrmSupForm::on_activate() {
  set_caption("General Purpose Output Driver Mapping" + caption_suffix);
  close_requested = kFalse;
}

void FrmSupForm::Command3d1_Click() {
  close_requested = kTrue;
  Form_Unload();
}

void FrmSupForm::menufileexit_Click() {
  Command3d1_Click();
}

void FrmSupForm::Form_Unload() {
  outputs_fetched = kFalse;
  close_view(*this);
}

void FrmSupForm::on_unload() {
  Form_Unload();
}

}  // namespace ecu
