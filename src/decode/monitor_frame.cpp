#include "decode/monitor_frame.hpp"

#include <array>
#include <string_view>

#include "decode/idle_air_status_reply.hpp"
#include "model/shared_state.hpp"
#include "model/view_number.hpp"
#include "ui/format.hpp"
#include "views/frm_mon.hpp"

namespace ecu {
namespace {

enum class Width { byte, word };

// One field of the frames' common head, read in this order from byte 3.
struct MonitorField {
  Width width;
  Single divisor;  // the speed words are in 1/16, divided in single precision
  Long* whole;     // the variable of a whole-number field
  Single* scaled;  // the variable of a scaled field
  bool stored_by_old_frame;
  bool shown_in_plotter_view;  // the plotter polls the frame too; only the map set follows it
  ui::Label FrmMonForm::*label;
  std::string_view mask;
};

constexpr auto kHeadFields = std::to_array<MonitorField>({
    // clang-format off
    {Width::byte, 1.0F,  &active_map_num,   nullptr,            false, true,  &FrmMonForm::map_num,       "0"},
    {Width::word, 1.0F,  &wheel_trig_count, nullptr,            false, false, &FrmMonForm::num_trigs,     "####0"},
    {Width::word, 1.0F,  &cam_trig_count,   nullptr,            false, false, &FrmMonForm::num_cams,      "####0"},
    {Width::byte, 1.0F,  &wheel_idx_tooth,  nullptr,            false, false, &FrmMonForm::wheel_idx_num, "0"},
    {Width::byte, 1.0F,  &cam_idx_tooth,    nullptr,            false, false, &FrmMonForm::cam_idx_num,   "0"},
    {Width::word, 1.0F,  &ecu_cpu_secs,     nullptr,            true,  false, &FrmMonForm::cpu_secs,      "####0"},
    {Width::byte, 1.0F,  &ecu_err_flgs,     nullptr,            true,  false, &FrmMonForm::err_flgs,      "##0"},
    {Width::word, 16.0F, nullptr,           &vehicle_speed_mph, true,  false, &FrmMonForm::speed_MPH,     "##0.00"},
    {Width::word, 16.0F, nullptr,           &rpm_per_mph,       true,  false, &FrmMonForm::rpm_mph_ratio, "####0.00"},
    {Width::byte, 1.0F,  &current_gear,     nullptr,            true,  false, &FrmMonForm::gear_number,   "#0"},
    // clang-format on
});

// The current frame (0x81) or the older one (0xB2), which only the first five fields tell
// apart: the old frame leaves their variables alone.
enum class Layout { current, old };

// Reads the ten head fields from byte 3; each is stored (where this frame stores it), then
// its label is written from the stored value.
void decode_head(const ReplyFrame& reply, Integer& index, Layout layout) {
  for (const MonitorField& field : kHeadFields) {
    const Long raw = field.width == Width::byte ? read_byte(reply, index) : read_word(reply, index);
    const bool store = layout == Layout::current || field.stored_by_old_frame;
    std::string text;
    if (field.scaled != nullptr) {
      const Single value = static_cast<Single>(raw) / field.divisor;
      if (store) *field.scaled = value;
      text = ui::format_single(value, field.mask);
    } else {
      if (store) *field.whole = raw;
      text = ui::format_number(raw, field.mask);
    }
    // The plotter polls the current frame too and keeps the monitor's labels back; nothing
    // polls the old frame.
    const bool show =
        layout == Layout::old || field.shown_in_plotter_view || current_view != kPlotterView;
    if (show) (frm_mon().*field.label).set_caption(text);
  }
}

}  // namespace

void decode_monitor_frame(const ReplyFrame& reply, Integer /*n*/) {
  Integer index = 3;
  decode_head(reply, index, Layout::current);
  for (Single& duty : gpo_duty_pcnt) {
    duty = static_cast<Single>(read_byte(reply, index) / 255.0 * 100.0);
  }
  // One word gives both the input's voltage and the temperature its sensor stands for.
  const Long analog = read_word(reply, index);
  aux_input_volts = static_cast<Single>(analog / 1024.0 * 3.3);
  analog_temp = static_cast<Single>(analog / 1024.0 * 600.0 - 100.0);
  store_iac_status_block(reply, index);
}

void decode_old_monitor_frame(const ReplyFrame& reply, Integer /*n*/) {
  Integer index = 3;
  decode_head(reply, index, Layout::old);
}

}  // namespace ecu
