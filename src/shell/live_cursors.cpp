#include "shell/live_cursors.hpp"

#include <algorithm>
#include <cmath>

#include "config/frm_tool.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "ui/format.hpp"
#include "ui/rounding.hpp"
#include "views/frm_dashboard.hpp"

namespace ecu {

namespace {

// The temperature axes of the tables run from -13 to 115 degrees C.
constexpr double kTemperatureBase = 13.0;
constexpr double kTemperatureSpan = 128.0;
// The other nine-point axes: aux input 0 to 3.3 V, baro 10 to 125 kPa, battery 0 to 20 V.
constexpr double kAuxSpanVolts = 3.3;
constexpr double kBaroBaseKpa = 10.0;
constexpr double kBaroSpanKpa = 115.0;
constexpr double kBatterySpanVolts = 20.0;
// Mixture lamps: 1 / lambda - 0.625 over 0 to 0.975, eight lamps per 0.375.
constexpr double kLampOrigin = 0.625;
constexpr double kLampRange = 0.975;
constexpr double kLampStep = 0.375 / 8.0;
constexpr Integer kLastLamp = FrmDashboardForm::kMixtureLamps - 1;
constexpr int kLampLit = 0;   // solid fill
constexpr int kLampDark = 1;  // transparent fill
// No mode option selected: the cursors stay at the axis beginnings.
constexpr int kNoModeSelected = 11;

double temperature_fraction(Single celsius) {
  return (celsius + kTemperatureBase) / kTemperatureSpan;
}

Long& bar_memory(BarPosition position) {
  return live_cursor_memory.bar_offsets[static_cast<std::size_t>(position)];
}

// Moves a marker when its new offset differs from the one drawn last, then remembers it.
template <typename Move>
void move_if_changed(const std::optional<Long>& offset, Long& remembered, Move move) {
  // value_or rather than *offset: the optimiser cannot see the guard through the inlining and
  // warns of an uninitialised read.
  const Long value = offset.value_or(remembered);
  if (value == remembered) return;
  move(static_cast<float>(value));
  remembered = value;
}

}  // namespace

std::string side_letter_text(float advance_degrees) {
  return ui::format_single(advance_degrees, "0.00") + (advance_degrees < 0.0F ? "A" : "B");
}

std::optional<Integer> axis_span(double begin, double end) {
  return ui::round_to_int16(end - begin);
}

std::optional<Long> axis_offset(double fraction, Integer span) {
  return ui::round_to_int32(span * fraction);
}

std::optional<Long> rpm_cursor_offset(float rpm, float full_scale, Integer span) {
  if (full_scale == 0.0F) return std::nullopt;
  std::optional<Long> offset = ui::round_to_int32(double{rpm} / full_scale * span);
  if (!offset) return std::nullopt;
  // Above full scale the cursor waits at the end of the axis, below 0 at its beginning.
  if (*offset > span) *offset = span;
  if (*offset < 0) *offset = 0;
  return offset;
}

std::optional<Integer> mixture_lamp_index(float lambda) {
  if (lambda == 0.0F) return Integer{0};
  double x = 1.0 / lambda - kLampOrigin;
  if (x < 0.0) x = 0.0;
  if (x > kLampRange) x = kLampRange;
  std::optional<Integer> index = ui::round_to_int16(x / kLampStep);
  if (!index) return std::nullopt;
  if (*index > kLastLamp) *index = kLastLamp;
  return index;
}

int output_cursor_mode(int cursor) {
  FrmSupForm& window = frm_sup();
  if (cursor >= 0 && cursor < FrmSupForm::kOutputs) {
    ui::ControlArray<ui::OptionButton>& modes = window.gpo_mode(cursor);
    for (int index = 0; index < modes.count(); ++index) {
      if (modes[index].value()) return index;
    }
    return kNoModeSelected;
  }
  const int channel = cursor - FrmSupForm::kOutputs;
  if (channel >= 0 && channel < FrmSupForm::kOutputs) {
    return window.use_as_pwm[channel].value() == ui::CheckBox::checked ? 1 : 4;
  }
  return kNoModeSelected;
}

CursorOffsets output_cursor_offsets(int mode, Integer x_span, Integer y_span) {
  switch (mode) {
    case 1:  // X=RPM / Y=MAP
      return {axis_offset(rpm_pos, x_span), axis_offset(map_pos, y_span)};
    case 2:  // X=RPM / Y=CLT
      return {axis_offset(rpm_pos, x_span),
              axis_offset(temperature_fraction(coolant_temp), y_span)};
    case 3:  // X=RPM / Y=TPS; x follows the load position
      return {axis_offset(map_pos, x_span), axis_offset(tps_pos, y_span)};
    case 4:  // X=RPM / Y=MAT
      return {axis_offset(rpm_pos, x_span),
              axis_offset(temperature_fraction(manifold_air_temp), y_span)};
    case 5:  // X=MAT / Y=MAP
      return {axis_offset(temperature_fraction(manifold_air_temp), x_span),
              axis_offset(map_pos, y_span)};
    default:
      return {Long{0}, Long{0}};
  }
}

void basic_mapping_display() {
  Frm3dForm& window = frm_3d();
  window.control_lambda.set_caption(ui::format_single(lambda_measured, "0.000"));
  if (lambda_measured == 0.0F) {
    window.AF_condition.set_caption("");
  } else if (lambda_measured < 1.0F) {
    window.AF_condition.set_caption("Rich");
    window.AF_condition.set_fore_colour(ui::qb_color(1));
  } else if (lambda_measured > 1.0F) {
    window.AF_condition.set_caption("Lean");
    window.AF_condition.set_fore_colour(ui::qb_color(12));
  }
  window.base_timing.set_caption(side_letter_text(ign_advance_deg));
  window.control_ego_gain.set_caption(ui::format_single(ego_correction, "0.000"));
  window.control_map_gain.set_caption(ui::format_single(map_enrichment, "0.000"));
  window.mapping_rpm[0].set_caption(ui::format_single(engine_rpm_raw, "####0"));
  window.Inj_pulse_width.set_caption(ui::format_single(base_injection_pw_s * 1000.0F, "#0.000"));

  const std::optional<Integer> load_span =
      axis_span(window.map_beg[0].y1(), window.map_end[0].y1());
  const std::optional<Integer> rpm_span = axis_span(window.rpm_beg[0].x1(), window.rpm_end[0].x1());

  // The fuel and ignition maps follow the configured load axis; the TPS maps always run on
  // throttle position. With no map chosen the load cursor stays.
  std::optional<Long> load_offset;
  if (load_span) {
    if (window.show_map_type[0].value() || window.show_map_type[1].value()) {
      const bool throttle_load = frm_tool().TPS_mapped.value() == ui::CheckBox::checked;
      load_offset = axis_offset(throttle_load ? tps_pos : map_pos, *load_span);
    } else if (window.show_map_type[2].value() || window.show_map_type[3].value()) {
      load_offset = axis_offset(tps_pos, *load_span);
    }
  }
  std::optional<Long> rpm_offset;
  if (rpm_span) rpm_offset = rpm_cursor_offset(engine_rpm, rpm_full_scale, *rpm_span);

  move_if_changed(load_offset, live_cursor_memory.load_offset, [&](float offset) {
    window.map_p_ptr[0].set_top(window.map_beg[0].y1() + offset);
  });
  move_if_changed(rpm_offset, live_cursor_memory.rpm_offset, [&](float offset) {
    window.map_r_ptr[0].set_left(window.rpm_beg[0].x1() + offset);
  });
}

void additional_mapping_display() {
  Frm2dForm& window = frm_2d();
  window.inj_pw.set_caption(ui::format_single(base_injection_pw_s * 1000.0F, "0.000"));
  window.ign_deg.set_caption(side_letter_text(ign_advance_deg));

  const std::optional<Integer> table_span = axis_span(window.Line1.x1(), window.Line2.x1());
  const std::optional<Integer> rpm_span = axis_span(window.rpm_beg.x1(), window.rpm_end.x1());
  const std::optional<Integer> map_span = axis_span(window.map_beg.y1(), window.map_end.y1());

  const auto on_table = [&](double fraction) -> std::optional<Long> {
    if (!table_span) return std::nullopt;
    return axis_offset(fraction, *table_span);
  };
  // The temperature bars stop at the ends of their axis.
  const auto temperature_on_table = [&](Single celsius) -> std::optional<Long> {
    std::optional<Long> offset = on_table(temperature_fraction(celsius));
    if (!offset) return std::nullopt;
    *offset = std::max<Long>(*offset, 0);
    *offset = std::min<Long>(*offset, *table_span);
    return offset;
  };

  // Every offset comes from the same live values before any bar moves.
  const std::optional<Long> clt = temperature_on_table(coolant_temp);
  const std::optional<Long> mat = temperature_on_table(manifold_air_temp);
  const std::optional<Long> aux = on_table(aux_input_volts / kAuxSpanVolts);
  const std::optional<Long> map_ign = on_table(map_pos);
  const std::optional<Long> rpm_ign = on_table(rpm_pos);
  const std::optional<Long> baro = on_table((baro_pressure - kBaroBaseKpa) / kBaroSpanKpa);
  const std::optional<Long> vbat = on_table(battery_volts / kBatterySpanVolts);
  const std::optional<Long> rpm = rpm_span ? axis_offset(rpm_pos, *rpm_span) : std::nullopt;
  const std::optional<Long> map = map_span ? axis_offset(map_pos, *map_span) : std::nullopt;

  move_if_changed(clt, bar_memory(BarPosition::clt), [&](float offset) {
    window.clt_bar.set_left(window.clt_map[0].left() + offset);
    window.clt_bar_2.set_left(window.ign_clt[0].left() + offset);
    window.accel_clt_bar.set_left(window.clt_map[0].left() + offset);
    window.idle_speed_bar.set_left(window.idle_rpm_map[0].left() + offset);
  });
  move_if_changed(mat, bar_memory(BarPosition::mat), [&](float offset) {
    window.mat_bar.set_left(window.mat_data[0].left() + offset);
    window.mat_bar2.set_left(window.ign_mat[0].left() + offset);
  });
  move_if_changed(aux, bar_memory(BarPosition::aux), [&](float offset) {
    window.aux_bar.set_left(window.Pressure_Gain[0].left() + offset);
    window.aux_bar_ign.set_left(window.ign_aux[0].left() + offset);
  });
  move_if_changed(rpm, bar_memory(BarPosition::rpm),
                  [&](float offset) { window.rpm_bar.set_left(window.rpm_beg.x1() + offset); });
  move_if_changed(map, bar_memory(BarPosition::map),
                  [&](float offset) { window.map_bar.set_top(window.map_beg.y1() + offset); });
  move_if_changed(map_ign, bar_memory(BarPosition::map_ign), [&](float offset) {
    window.map_ign_bar.set_left(window.ign_map[0].left() + offset);
    window.dwell_mult_bar.set_left(window.dwell_map[0].left() + offset);
  });
  move_if_changed(rpm_ign, bar_memory(BarPosition::rpm_ign), [&](float offset) {
    window.rpm_ign_bar.set_left(window.ign_rpm[0].left() + offset);
  });
  move_if_changed(baro, bar_memory(BarPosition::baro), [&](float offset) {
    window.baro_bar.set_left(window.baro_gain[0].left() + offset);
    window.baro_ign_bar.set_left(window.ign_bar[0].left() + offset);
  });
  move_if_changed(vbat, bar_memory(BarPosition::vbat), [&](float offset) {
    window.vbat_dwell_mult_bar.set_left(window.dwell_vbat[0].left() + offset);
  });
}

void dashboard_display() {
  FrmDashboardForm& window = frm_dashboard();
  window.manifold_pressure.set_value(manifold_pressure_kpa);
  window.control_ego_gain.set_caption(ui::format_single(ego_correction, "0.000"));

  Integer& lit = live_cursor_memory.lit_lamp;
  if (!window.afr_led.contains(lit)) lit = 0;
  if (lambda_measured == 0.0F) {
    // No reading: every lamp goes dark.
    window.afr_led[lit].set_fill_style(kLampDark);
    window.afr_led[0].set_fill_style(kLampDark);
    lit = 0;
  } else if (const std::optional<Integer> index = mixture_lamp_index(lambda_measured);
             index && *index != lit) {
    window.afr_led[lit].set_fill_style(kLampDark);
    window.afr_led[*index].set_fill_style(kLampLit);
    lit = *index;
  }

  window.bat_volts.set_value(battery_volts);
  window.tachometer.set_value(engine_rpm / 1000.0F);
  window.water_temp.set_value(coolant_temp);
  window.air_temp.set_value(manifold_air_temp);
  window.Timing.set_value(ign_advance_deg);
  const int duties = std::min(window.GPO_duty.count(), static_cast<int>(gpo_duty_pcnt.size()));
  for (int output = 0; output < duties; ++output) {
    window.GPO_duty[output].set_value(gpo_duty_pcnt[static_cast<std::size_t>(output)]);
  }
}

void output_driver_cursors() {
  FrmSupForm& window = frm_sup();
  const std::optional<Integer> x_span =
      axis_span(window.supp_x_beg[0].x1(), window.supp_x_end[0].x1());
  // The y axis grows upwards: its beginning line is the lower one.
  const std::optional<Integer> y_span =
      axis_span(window.supp_y_end[0].y1(), window.supp_y_beg[0].y1());

  for (int cursor = 0; cursor < FrmSupForm::kPages; ++cursor) {
    CursorOffsets offsets =
        output_cursor_offsets(output_cursor_mode(cursor), x_span.value_or(0), y_span.value_or(0));
    // An axis whose span cannot be measured keeps its cursors where they are.
    if (!x_span) offsets.x.reset();
    if (!y_span) offsets.y.reset();
    const auto slot = static_cast<std::size_t>(cursor);
    move_if_changed(offsets.x, live_cursor_memory.x_offsets[slot], [&](float offset) {
      window.supp_x_ptr[cursor].set_left(window.supp_x_beg[0].x1() + offset);
    });
    move_if_changed(offsets.y, live_cursor_memory.y_offsets[slot], [&](float offset) {
      window.supp_y_ptr[cursor].set_top(window.supp_y_beg[0].y1() - offset);
    });
  }
}

}  // namespace ecu
