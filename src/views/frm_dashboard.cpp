#include "views/frm_dashboard.hpp"

#include <algorithm>
#include <limits>
#include <string>

#include "link/poll_inhibit.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/view_commands.hpp"
#include "ui/format.hpp"
#include "ui/number_parse.hpp"
#include "ui/rounding.hpp"

namespace ecu {

namespace {

// The demo engine's tachometer runs to 8000 rpm.
constexpr Single kDemoFullScale = 8000.0F;
// write_kill_timing: 0xA5 fixes the timing, 0x00 releases it.
constexpr char kWriteKillTiming = static_cast<char>(0xA9);
constexpr char kKillTimingOn = static_cast<char>(0xA5);

constexpr auto kReadBaseDeg = static_cast<char>(0xA3);
constexpr auto kWriteBaseDeg = static_cast<char>(0xA4);

constexpr int kEnterKey = 13;
constexpr int kUpKey = 38;
constexpr int kDownKey = 40;
constexpr int kShiftOnly = 1;
// The fuel fields step between these limits, in ms.
constexpr double kStepMs = 0.1;
constexpr double kLargestStepped = 65.535;
constexpr double kSmallestStepped = -16;

// Fuel times travel in ticks of 1.6 us.
constexpr double kTicksPerMs = 625;

// The two fuel settings: the field, its write code, the bias added on the wire and the
// first tick count the 16-bit word cannot take.
struct FuelSetting {
  int field;
  char code;
  double bias;
  double too_high;
  const char* too_high_message;
  const char* negative_message;
};

constexpr FuelSetting kFuelSettings[] = {
    {0, 'm', 0, 65536, "The value for the Fuel Scaler is too high, it will not be updated",
     "The value for the Fuel Scaler is negative, it will not be updated"},
    {1, 'o', 16384, 49152, "The value for the Fuel Offset is too high, it will not be updated",
     "The value for the Fuel Offset is too negative, it will not be updated"},
};

// The timing offset travels as (degrees + 16) x 4 in one byte.
constexpr double kLargestOffsetDeg = 47.75;
constexpr double kSmallestOffsetDeg = -16;

// The tachometer's scale in thousands of rpm, by the controller's full-scale rpm.
struct TachScale {
  double up_to_rpm;
  float maximum;
  float step;
};

constexpr TachScale kTachScales[] = {
    {4000, 4, 0.5F},
    {6000, 6, 1},
    {8000, 8, 1},
    {10000, 10, 1},
    {16000, 16, 2},
    {24000, 24, 3},
    {40000, 40, 5},
    // Beyond 40000 rpm, up to the 65535 a status reply can carry.
    {std::numeric_limits<double>::infinity(), 70, 10},
};

// The manifold gauge's scale by the MAP sensor's span in kPa.
struct PressureScale {
  float sensor_gain;
  float red_from;
  float amber_from;
  float maximum;
  float step;
};

constexpr PressureScale kPressureScales[] = {
    {115, 110, 0, 120, 12},
    {255, 210, 110, 250, 25},
    {551, 410, 110, 650, 65},
    {394, 300, 110, 400, 40},
};

constexpr float kTachRedShare = 0.9F;
constexpr float kTachAmberShare = 0.81F;

// Tachometer filter coefficients: hard, soft, none.
constexpr Single kTachFilterCoefficients[] = {0.2F, 0.5F, 1.0F};

bool is_yellow(const ui::TextBox& field) {
  return field.back_colour() == ui::colours::yellow;
}

bool lambda_unit_chosen() {
  // Before the main window exists the unit is its design state: lambda.
  const FrmEcuForm* main_window = FrmEcu.if_loaded();
  return main_window == nullptr || main_window->menuUnitsLambda[0].checked();
}

}  // namespace

FrmDashboardForm::FrmDashboardForm() : EditorForm("frm_dashboard", "Dashboard", 12000, 8400) {
  Picture1.move(9240, 5880, 2520, 1680);
  lay_out();
  build_menus();
  Command1.on_click = [this] { Command1_Click(); };
  Command2.on_click = [this] { Command2_Click(); };
  ecu_pgm.on(&ui::TextBox::on_change, [this](int index) { mark_changed(ecu_pgm[index]); });
  ecu_pgm.on(&ui::TextBox::on_key_down, [this](int index, int& key_code, int shift) {
    ecu_pgm_KeyDown(index, key_code, shift);
  });
  base_offset_deg.on_change = [this] { mark_changed(base_offset_deg); };
  kill_ego.on_click = [this] { kill_ego_Click(); };
  kill_timing.on_click = [this] { kill_timing_Click(); };
  show_branding();
}

void FrmDashboardForm::show_branding() {
  if (const FrmEcuForm* main_window = FrmEcu.if_loaded()) {
    Picture1.set_picture(main_window->branding.picture);
  }
}

void FrmDashboardForm::mark_changed(ui::TextBox& field) {
  field.set_back_colour(ui::colours::yellow);
  loaded_.note(field);
}

void FrmDashboardForm::lay_out() {
  Command1.move(120, 120, 615, 615);
  set_up_exit_button(Command1);
  Command2.move(120, 780, 615, 615);
  set_up_update_button(Command2);

  lay_out_demo_label(show_demo_mode, 3600, 120, 4800, 555);

  lay_out_gauges();

  // The lamp row under the gauges: lean (yellow) to the left, rich (red) to the right.
  for (int lamp = 0; lamp < kMixtureLamps; ++lamp) {
    ui::Shape& led = afr_led[lamp];
    led.move(1200.0F + 360.0F * static_cast<float>(lamp), 5520, 240, 240);
    led.set_shape(ui::Shape::Kind::circle);
    led.set_fill_style(1);
    const ui::Colour colour = lamp < 6
                                  ? ui::colours::yellow
                                  : (lamp < 11 ? ui::colours::light_green : ui::colours::light_red);
    led.set_fill_colour(colour);
  }
  ui::Label& bar_caption = captions_.add("A/F Ratio", 3600, 5220, 1200, 255);
  bar_caption.set_alignment(ui::Label::Align::centre);
  lay_out_mixture_scale();
  control_ego_gain.move(9000, 5520, 975, 285);
  control_ego_gain.set_caption("0.00");
  captions_.beside(control_ego_gain, "EGO Correction");

  ecu_pgm[0].move(2880, 6480, 1095, 285);
  ecu_pgm[1].move(2880, 6900, 1095, 285);
  for (int i = 0; i < ecu_pgm.count(); ++i) {
    ecu_pgm[i].set_tool_tip(
        "The higher this number, the more fuel that will be injected under given conditions");
  }
  base_offset_deg.move(2880, 7320, 1095, 285);
  base_offset_deg.set_tool_tip(
      "This adjusts phases to have a fixed offset relative to the Base timing");
  captions_.beside(ecu_pgm[0], "High Range (Main) Adj.", "MS");
  captions_.beside(ecu_pgm[1], "Low Range [Idle] Adj.", "MS");
  captions_.beside(base_offset_deg, "Timing Offset", "\xB0");
  kill_ego.move(4800, 6480, 3600, 285);
  kill_ego.set_caption("Disable EGO Feedback");
  kill_timing.move(4800, 6900, 3600, 285);
  kill_timing.set_caption("Set Timing to 0\xB0 for verification");
}

void FrmDashboardForm::lay_out_gauges() {
  struct Dial {
    ui::Gauge* gauge;
    float left;
    float top;
    float size;
    float maximum;
    float step;
    const char* caption;
  };
  // The tachometer in the middle, the other dials around it; scales in display units
  // (the tachometer in thousands of rpm).
  const Dial dials[] = {
      {&tachometer, 3480, 840, 3600, 10, 1, "x 1000"},
      {&manifold_pressure, 840, 840, 2400, 120, 12, "Manifold"},
      {&water_temp, 840, 3360, 1920, 125, 25, "H2O Temp"},
      {&air_temp, 7320, 3360, 1920, 125, 25, "Air Temp"},
      {&bat_volts, 9720, 3000, 1920, 20, 2, "Battery\r\nVolts"},
      {&Timing, 7320, 840, 2400, 60, 10, "Timing"},
  };
  for (const Dial& dial : dials) {
    dial.gauge->move(dial.left, dial.top, dial.size, dial.size);
    dial.gauge->set_maximum(dial.maximum);
    dial.gauge->set_step(dial.step);
    dial.gauge->set_caption(dial.caption);
  }
  for (int output = 0; output < kOutputs; ++output) {
    GPO_duty[output].move(9840, 840, 1920, 1920);
    GPO_duty[output].set_caption("GPO" + std::to_string(output + 1));
    GPO_duty[output].set_maximum(100);
    GPO_duty[output].set_step(10);
    GPO_duty[output].set_visible(output == 0);
  }
}

void FrmDashboardForm::lay_out_mixture_scale() {
  // One scale label under every second lamp, the stoichiometric mark under the middle one.
  for (int label = 0; label < kMixtureLabels; ++label) {
    lambda_label[label].move(1020.0F + 720.0F * static_cast<float>(label), 5790, 600, 255);
    lambda_label[label].set_alignment(ui::Label::Align::centre);
    lambda_label[label].set_caption("---");
  }
  lambda_val.move(3840, 6075, 720, 255);
  lambda_val.set_alignment(ui::Label::Align::centre);
  lambda_val.set_caption("=14.7");
}

void FrmDashboardForm::build_menus() {
  menu_file.set_caption("&File");
  menu_file_exit.set_caption("e&xit");
  menu_file_exit.on_click = [this] { menu_file_exit_Click(); };
  menu_Update.set_caption("&Update");
  menu_Update.on_click = [this] { menu_Update_Click(); };
  menu_opts.set_caption("&Options");
  for (int output = 0; output < kOutputs; ++output) {
    menu_view_gpo[output].set_caption("View GPO&" + std::to_string(output + 1));
  }
  menu_view_gpo.on(&ui::MenuItem::on_click, [this](int index) { menu_view_gpo_Click(index); });
  menu_view_gpo[0].set_checked(true);
  menu_opts_tach_filt.set_caption("&Tachometer filtering");
  menu_opts_tach_filt_num[0].set_caption("&Hard Filter");
  menu_opts_tach_filt_num[1].set_caption("&Soft Filter");
  menu_opts_tach_filt_num[2].set_caption("&No Filter");
  menu_opts_tach_filt_num.on(&ui::MenuItem::on_click,
                             [this](int index) { menu_opts_tach_filt_num_Click(index); });
  menu_opts_tach_filt_num[1].set_checked(true);
}

void FrmDashboardForm::on_activate() {
  // Shown again while its opening reads or Update still run: those go on.
  lifecycle_.stay_loaded();
  // Coming back to the window keeps its fields and scales as they were.
  if (dash_activated) return;
  dash_activated = true;
  set_up_once();
}

void FrmDashboardForm::set_up_once() {
  set_caption("Dashboard" + caption_suffix);
  {
    const EditorLifecycle::Reading reading(lifecycle_);
    PollInhibitScope inhibit(0.1F, 0.1F);
    ecu_pgm[0].set_back_colour(ui::colours::yellow);
    ecu_pgm[1].set_back_colour(ui::colours::yellow);
    base_offset_deg.set_back_colour(ui::colours::yellow);
    ui::do_events();
    delay_seconds(0.2F);
    // The replies fill the three fields and mark them in sync.
    send_command(std::string(1, kReadBaseDeg));
    send_command("C");
    send_command("B");
    inhibit.release();
  }
  // Closed through its frame while it read: the view that is current now is another's.
  if (unloaded()) return;

  for (int output = 1; output < kOutputs; ++output) {
    GPO_duty[output].move(GPO_duty[0].left(), GPO_duty[0].top(), GPO_duty[0].width(),
                          GPO_duty[0].height());
  }
  for (ui::Gauge* gauge :
       {&GPO_duty[0], &GPO_duty[1], &GPO_duty[2], &GPO_duty[3], &manifold_pressure, &Timing,
        &tachometer, &bat_volts, &water_temp, &air_temp}) {
    gauge->set_back_colour(ui::colours::white);
  }
  ui::do_events();
  if (demo_mode != kFalse) {
    ecu_pgm[0].set_text("10.200");
    ecu_pgm[1].set_text("-.520");
    base_offset_deg.set_text("-8.25");
    for (ui::TextBox* field : {&ecu_pgm[0], &ecu_pgm[1], &base_offset_deg}) {
      field->set_back_colour(ui::colours::white);
    }
    rpm_full_scale = kDemoFullScale;
  }
  set_scales();
  // The view is the dashboard only while the window is still shown.
  if (!unloaded() && visible()) current_view = kDashboardView;
}

void FrmDashboardForm::set_scales() {
  const double full_scale = ui::round_half_even(rpm_full_scale);
  for (const TachScale& scale : kTachScales) {
    if (full_scale > scale.up_to_rpm) continue;
    tachometer.set_step(scale.step);
    tachometer.set_maximum(scale.maximum);
    break;
  }
  tachometer.set_zone_marks(kTachRedShare * rpm_full_scale / 1000.0F,
                            kTachAmberShare * rpm_full_scale / 1000.0F);

  // Another sensor span leaves the gauge as designed.
  for (const PressureScale& scale : kPressureScales) {
    if (map_sensor_gain != scale.sensor_gain) continue;
    manifold_pressure.set_zone_marks(scale.red_from, scale.amber_from);
    manifold_pressure.set_maximum(scale.maximum);
    manifold_pressure.set_step(scale.step);
  }

  // Lean on the left: element k shows (1.4 - 0.1 k) lambda in the chosen unit.
  for (int label = kMixtureLabels - 1; label >= 0; --label) {
    const double lambda = 0.6 + 0.1 * (kMixtureLabels - 1 - label);
    lambda_label[label].set_caption(ui::format_number(afr_factor * lambda, "#0.0"));
  }
  lambda_val.set_caption(lambda_unit_chosen() ? "= 1.0" : ui::format_single(afr_factor, "=#0.0"));
}

void FrmDashboardForm::Command2_Click() {
  menu_Update_Click();
}

void FrmDashboardForm::menu_Update_Click() {
  lifecycle_.request(
      {[this] {
         for (const ui::TextBox* field : {&ecu_pgm[0], &ecu_pgm[1], &base_offset_deg}) {
           if (is_yellow(*field) && loaded_.contains(*field)) lifecycle_.note(*field);
         }
       },
       [this] { write_settings(); }},
      0.1F);
}

void FrmDashboardForm::write_settings() {
  // A refused value is not sent and its field stays yellow.
  for (const FuelSetting& setting : kFuelSettings) {
    ui::TextBox& field = ecu_pgm[setting.field];
    const std::string* text = lifecycle_.asked_text(field);
    if (text == nullptr || !is_yellow(field)) continue;
    const double ticks =
        ui::round_half_even(ui::leading_number_ignoring_blanks(*text) * kTicksPerMs + setting.bias);
    if (ticks >= setting.too_high) {
      ui::msg_box(setting.too_high_message);
    } else if (ticks < 0) {
      ui::msg_box(setting.negative_message);
    } else {
      const auto word = static_cast<long>(ticks);
      lifecycle_.send_write(field,
                            std::string{setting.code, static_cast<char>(word & 0xFF),
                                        static_cast<char>(word >> 8), '\0'},
                            *text);
    }
  }
  const std::string* asked = lifecycle_.asked_text(base_offset_deg);
  if (asked == nullptr || !is_yellow(base_offset_deg)) return;
  std::string text = *asked;
  // The field shows the limit, unless the user has typed into it since.
  const auto limit_to = [this, &text](const char* limit) {
    if (base_offset_deg.text() == text) base_offset_deg.set_text(limit);
    text = limit;
  };
  if (ui::leading_number_ignoring_blanks(text) > kLargestOffsetDeg) limit_to("47.75");
  if (ui::leading_number_ignoring_blanks(text) < kSmallestOffsetDeg) limit_to("-16");
  const double wire =
      ui::round_half_even((ui::leading_number_ignoring_blanks(text) - kSmallestOffsetDeg) * 4);
  lifecycle_.send_write(
      base_offset_deg,
      std::string{kWriteBaseDeg, static_cast<char>(static_cast<int>(wire)), '\0', '\0'}, text);
}

void FrmDashboardForm::ecu_pgm_KeyDown(int index, int& key_code, int shift) {
  if (key_code == kEnterKey) {
    Command2_Click();
    return;
  }
  if (key_code != kUpKey && key_code != kDownKey) return;
  if (shift != kShiftOnly) {
    ecu_pgm[1 - index].set_focus();
    return;
  }
  ui::TextBox& field = ecu_pgm[index];
  double value = ui::leading_number_ignoring_blanks(field.text());
  value = key_code == kUpKey ? std::min(value + kStepMs, kLargestStepped)
                             : std::max(value - kStepMs, kSmallestStepped);
  field.set_text(ui::format_number(value, "##.000"));
}

void FrmDashboardForm::menu_opts_tach_filt_num_Click(int index) {
  for (int item = 0; item < kTachFilters; ++item) {
    menu_opts_tach_filt_num[item].set_checked(item == index);
  }
  tach_filter_coef = kTachFilterCoefficients[static_cast<std::size_t>(index)];
}

void FrmDashboardForm::menu_view_gpo_Click(int index) {
  for (int output = 0; output < kOutputs; ++output) {
    menu_view_gpo[output].set_checked(output == index);
    GPO_duty[output].set_visible(output == index);
  }
}

void FrmDashboardForm::Command1_Click() {
  close_command();
}

void FrmDashboardForm::menu_file_exit_Click() {
  close_command();
}

void FrmDashboardForm::kill_ego_Click() {
  // A grey box is neither state and sends nothing.
  if (kill_ego.value() == ui::CheckBox::checked) send_command("D");
  if (kill_ego.value() == ui::CheckBox::unchecked) send_command("d");
}

void FrmDashboardForm::kill_timing_Click() {
  std::string command{kWriteKillTiming};
  if (kill_timing.value() == ui::CheckBox::checked) {
    command += std::string{kKillTimingOn, '\0', '\0'};
  } else if (kill_timing.value() == ui::CheckBox::unchecked) {
    command += std::string(3, '\0');
  } else {
    return;
  }
  send_command(command);
}

}  // namespace ecu
