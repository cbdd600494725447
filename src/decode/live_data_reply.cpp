#include "decode/live_data_reply.hpp"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "decode/setting_scales.hpp"
#include "model/shared_state.hpp"
#include "model/view_number.hpp"
#include "ui/format.hpp"
#include "views/dyno_log.hpp"
#include "views/frm_diagnostics.hpp"
#include "views/frm_mon.hpp"

namespace ecu {
namespace {

void store_lambda_or_oxygen(Long v) {
  // Bit 0 of the sensor status says whether the byte is lambda or percent oxygen (a
  // sensor in free air); lambda then reads 2.0, off the scale.
  if ((o2_sensor_status & 1) != 0) {
    lambda_measured = static_cast<Single>(v / 128.0);
    o2_pcnt = 0.0F;
  } else {
    o2_pcnt = static_cast<Single>(v / 10.0);
    lambda_measured = 2.0F;
  }
}

enum class Width { byte, word };

// The running values of bytes 8 to 24, in byte order.
struct LiveField {
  int byte;
  Width width;
  void (*store)(Long raw);
};

constexpr auto kRunningValues = std::to_array<LiveField>({
    // clang-format off
    {8,  Width::byte, [](Long v) { lambda_setpoint = static_cast<Single>(v / 128.0); }},
    {9,  Width::byte, store_lambda_or_oxygen},
    {10, Width::byte, [](Long v) { tps_pcnt = static_cast<Single>(std::min(v / 64.0 * 100.0, 100.0)); }},
    {11, Width::word, [](Long v) { base_injection_pw_s = static_cast<Single>(v * kTickSeconds); }},
    {13, Width::byte, [](Long v) { coolant_temp = static_cast<Single>(as_signed_byte(v)); }},
    {14, Width::byte, [](Long v) { manifold_air_temp = static_cast<Single>(as_signed_byte(v)); }},
    {15, Width::byte, [](Long v) { battery_volts = static_cast<Single>(v / 255.0 * 20.0); }},
    {16, Width::byte, [](Long v) { ego_correction = static_cast<Single>(v / 64.0); }},
    {17, Width::byte, [](Long v) { map_enrichment = static_cast<Single>(v / 128.0); }},
    {18, Width::word, [](Long v) { accel_enrichment_ms = static_cast<Single>(v / 65535.0 * 0.104856 * 1000.0); }},
    {20, Width::byte, [](Long v) { clt_enrichment = static_cast<Single>(v / 64.0); }},
    // A fixed span and offset, not the MAP sensor's: the barometer has its own sensor.
    {21, Width::word, [](Long v) { baro_pressure = static_cast<Single>(v / 1023.0 * 115.0 + 10.0); }},
    {23, Width::word, [](Long v) { ign_advance_deg = static_cast<Single>(as_signed_word(v) / 256.0 * 64.0); }},
    // clang-format on
});

// Bits of byte 25, each shown by one monitor label.
struct StatusBit {
  Long mask;
  ui::Label FrmMonForm::*label;
  std::string_view set;
  std::string_view clear;
};

constexpr auto kStatusBits = std::to_array<StatusBit>({
    {0x01, &FrmMonForm::aux_stat, "HIGH", "LOW"},
    {0x02, &FrmMonForm::map_sel_stat, "HIGH", "LOW"},
    {0x04, &FrmMonForm::trig_b_stat, "HIGH", "LOW"},
    {0x20, &FrmMonForm::rev_limit_stat, "RPM1", "RPM2"},
    {0x40, &FrmMonForm::flat_shift_stat, "FLAT+", "flat-"},
});

// The controller's dyno capture states.
enum DynoState : Long { disarmed = 0, armed = 1, running = 2, finished = 3 };

void show_dyno_state(Long state, Long sample_count) {
  FrmDiagnosticsForm& diagnostics = frm_diagnostics();
  switch (state) {
    case disarmed:
      diagnostics.dyno_stat.set_caption("Disarmed");
      diagnostics.dyno_samples.set_caption("---");
      break;
    case armed:
      diagnostics.dyno_stat.set_caption("Armed");
      diagnostics.dyno_samples.set_caption("---");
      break;
    case running:
      diagnostics.dyno_stat.set_caption("Running");
      diagnostics.dyno_samples.set_caption(std::to_string(sample_count));
      write_dyno_log_row();
      break;
    case finished:
      diagnostics.dyno_stat.set_caption("Finished");
      diagnostics.dyno_samples.set_caption("---");
      finish_dyno_capture();
      break;
    default:
      break;
  }
}

Single axis_position(Integer cell, Integer remainder) {
  return static_cast<Single>((cell + remainder / 128.0) / 16.0);
}

}  // namespace

void decode_live_data_reply(const ReplyFrame& reply, Integer /*n*/) {
  // Byte 3 is not used.
  Integer index = 4;
  const Long can_rx_count = read_word(reply, index);
  if (current_view == kMonitorView) {
    frm_mon().can_rx_frames.set_caption(ui::format_number(can_rx_count, "####0"));
  }
  o2_sensor_status = read_word(reply, index);

  for (const LiveField& field : kRunningValues) {
    index = static_cast<Integer>(field.byte);
    field.store(field.width == Width::byte ? read_byte(reply, index) : read_word(reply, index));
  }

  index = 25;
  const Long status_bits = read_byte(reply, index);
  if (current_view != kPlotterView) {
    for (const StatusBit& bit : kStatusBits) {
      const std::string_view text = (status_bits & bit.mask) != 0 ? bit.set : bit.clear;
      (frm_mon().*bit.label).set_caption(std::string(text));
    }
  }

  index = 26;
  manifold_pressure_kpa = static_cast<Single>(read_word(reply, index) / 4.0);

  index = 30;
  const Long rpm = read_word(reply, index);
  engine_rpm_raw = static_cast<Single>(rpm);
  const auto tach_filter_out = static_cast<Single>(
      (rpm - static_cast<double>(tach_filter_prev)) * tach_filter_coef + tach_filter_prev);
  tach_filter_prev = tach_filter_out;
  engine_rpm = tach_filter_out;

  index = 39;
  throttle_pos = static_cast<Single>(as_signed_word(read_word(reply, index)) / 1023.0 * 100.0);
  throttle_pos_clamped = std::clamp(throttle_pos, 0.0F, 100.0F);

  index = 41;
  map_cell = static_cast<Integer>(read_byte(reply, index));
  map_rem = static_cast<Integer>(read_byte(reply, index));
  rpm_cell = static_cast<Integer>(read_byte(reply, index));
  rpm_rem = static_cast<Integer>(read_byte(reply, index));
  tps_cell = static_cast<Integer>(read_byte(reply, index));
  tps_rem = static_cast<Integer>(read_byte(reply, index));
  map_pos = axis_position(map_cell, map_rem);
  rpm_pos = axis_position(rpm_cell, rpm_rem);
  tps_pos = axis_position(tps_cell, tps_rem);

  // Every value a dyno log row takes from this frame is stored by now.
  index = 47;
  const Long dyno_state = read_byte(reply, index);
  const Long dyno_sample_count = read_word(reply, index);
  if (current_view == kDiagnosticsView) show_dyno_state(dyno_state, dyno_sample_count);

  index = 51;
  wb_feedback = read_word(reply, index);
  wb_pump_current = read_word(reply, index);
  wb_pump_dac = read_word(reply, index);
  wb_heater_pw = read_word(reply, index);
  wb_heater_temp = read_word(reply, index);
  exhaust_gas_temp = static_cast<Single>(read_word(reply, index) / 16.0);
  if (current_view != kPlotterView) {
    frm_mon().EGT.set_caption(ui::format_single(exhaust_gas_temp, "###0.0"));
  }
}

}  // namespace ecu
