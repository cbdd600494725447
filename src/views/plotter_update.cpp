#include "views/plotter_update.hpp"

#include <array>
#include <cmath>
#include <functional>
#include <limits>

#include "model/shared_state.hpp"
#include "ui/clock.hpp"
#include "ui/format.hpp"
#include "views/data_log.hpp"
#include "views/frm_plotter.hpp"

namespace ecu {

namespace {

constexpr double kNoPoint = std::numeric_limits<double>::quiet_NaN();

// A zero scale (a controller reporting a full scale of 0) gives no point rather than a
// division by zero; the chart leaves a gap there.
double ratio(double value, double scale) {
  return scale == 0.0 ? kNoPoint : value / scale;
}

// One row per chart channel, in channel order: the live value over the channel's range.
const std::array<std::function<double()>, kPlotterChannels>& channel_sources() {
  static const std::array<std::function<double()>, kPlotterChannels> sources{{
      [] { return ratio(engine_rpm_raw, rpm_full_scale); },
      [] {
        const double value = (double{lambda_measured} - 0.6) / 0.8;
        return value < 0.0 ? 0.0 : value;
      },
      [] { return coolant_temp / 125.0; },
      [] { return throttle_pos_clamped / 100.0; },
      [] { return ratio(manifold_pressure_kpa, map_sensor_gain); },
      [] { return manifold_air_temp / 125.0; },
      [] { return base_injection_pw_s * 1000.0 / 25.0; },
      [] { return ego_correction / 2.0; },
      [] { return (ign_advance_deg + 50.0) / 100.0; },
      [] { return inj_duty_pcnt[0] / 100.0; },
      [] { return ign_duty_pcnt[0] / 100.0; },
      [] { return wheel_idx_tooth / 255.0; },
      // The output duties are scaled by 101, so a full duty stays just below the top.
      [] { return gpo_duty_pcnt[0] / 101.0; },
      [] { return gpo_duty_pcnt[1] / 101.0; },
      [] { return gpo_duty_pcnt[2] / 101.0; },
      [] { return gpo_duty_pcnt[3] / 101.0; },
      [] { return wb_feedback / 1000.0; },
      [] { return wb_pump_current / 5000.0; },
      [] { return wb_pump_dac / 4096.0; },
      [] { return wb_heater_temp / 900.0; },
      [] { return wb_heater_pw / 256.0; },
  }};
  return sources;
}

}  // namespace

float plotter_channel_value(int channel) {
  if (channel < 0 || channel >= kPlotterChannels) return static_cast<float>(kNoPoint);
  const double value = channel_sources()[static_cast<std::size_t>(channel)]();
  // An infinite or undefined value is no point at all.
  if (!std::isfinite(value)) return static_cast<float>(kNoPoint);
  return static_cast<float>(value);
}

void update_plotter_and_log() {
  const double poll_started = ui::clock().seconds_since_midnight();
  if (logging_active == 1) {
    const std::string error = write_data_log_row(poll_started);
    if (error.empty()) {
      ++log_sample_count;
      frm_plotter().File_Samples.set_caption(ui::str_integer(log_sample_count));
    } else {
      frm_plotter().logging_failed(error);
    }
  } else {
    frm_plotter().File_Samples.set_caption("N/A");
  }

  // Looked up after the failure message, which lets the loop run.
  FrmPlotterForm& plotter = frm_plotter();
  bool any_channel_shown = false;
  for (int channel = 0; channel < kPlotterChannels; ++channel) {
    if (plotter.Check3d1[channel].value() != ui::CheckBox::unchecked) any_channel_shown = true;
  }
  if (!any_channel_shown) return;
  if (plotter.skip_graphics.value() != ui::CheckBox::unchecked) return;

  // Every channel advances together, shown or not, so the traces stay aligned in time.
  for (int channel = 0; channel < kPlotterChannels; ++channel) {
    plotter.Strip1.select_channel(channel);
    plotter.Strip1.add_point(plotter_channel_value(channel));
  }
}

}  // namespace ecu
