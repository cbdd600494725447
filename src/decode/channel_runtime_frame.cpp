#include "decode/channel_runtime_frame.hpp"

#include <array>

#include "decode/setting_scales.hpp"
#include "model/shared_state.hpp"
#include "model/view_number.hpp"
#include "ui/colour.hpp"
#include "ui/format.hpp"
#include "ui/rounding.hpp"
#include "views/frm_mon.hpp"

namespace ecu {
namespace {

constexpr int kChannels = 8;
constexpr double kDwellTicksPerPulseTick = 6.25;  // the dwell counts 10 microsecond ticks

constexpr ui::Colour kBlue = 0xFF0000;
constexpr ui::Colour kOrange = 0x0080FF;
constexpr ui::Colour kLightRed = ui::qb_color(12);

// The duty labels' colour by load: up to the first bound blue, up to the second orange,
// above it light red.
struct DutyBands {
  Long blue_up_to;
  Long orange_up_to;
};
constexpr DutyBands kInjectionBands{75, 85};
constexpr DutyBands kIgnitionBands{40, 50};

ui::Colour band_colour(Long duty, DutyBands bands) {
  if (duty <= bands.blue_up_to) return kBlue;
  if (duty <= bands.orange_up_to) return kOrange;
  return kLightRed;
}

// 255 is full duty; the product is at most 25500, so no half-way case can occur.
Long duty_percent(Long raw) {
  return static_cast<Long>(ui::round_half_even(raw * 100.0 / 255.0));
}

void show_duty(ui::Label& label, Long duty, DutyBands bands) {
  label.set_caption(ui::format_number(duty, "##0"));
  label.set_fore_colour(band_colour(duty, bands));
}

}  // namespace

void decode_channel_runtime_frame(const ReplyFrame& reply, Integer /*n*/) {
  const bool show = current_view != kPlotterView;
  const Long dwell = reply.at(35) + 256 * reply.at(36);
  for (int c = 0; c < kChannels; ++c) {
    const auto channel = static_cast<std::size_t>(c);
    const Long pulse_width = reply.at(3 + 2 * c) + 256 * reply.at(4 + 2 * c);
    if (show) {
      frm_mon().inj_pw[c].set_caption(
          ui::format_number(pulse_width * kTickSeconds * 1000.0, "##0.000"));
    }
    inj_duty_pcnt[channel] = duty_percent(reply.at(19 + c));
    if (show) show_duty(frm_mon().inj_duty[c], inj_duty_pcnt[channel], kInjectionBands);
    if (show) {
      frm_mon().ign_dwell[c].set_caption(
          ui::format_number(dwell * kTickSeconds * 1000.0 * kDwellTicksPerPulseTick, "##0.000"));
    }
    ign_duty_pcnt[channel] = duty_percent(reply.at(27 + c));
    if (show) show_duty(frm_mon().ign_duty[c], ign_duty_pcnt[channel], kIgnitionBands);
  }
}

}  // namespace ecu
