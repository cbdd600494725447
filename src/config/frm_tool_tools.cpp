// The window's three tools: the stutter pattern generator, the throttle end-point capture
// and the wheel speed wizard. The generator and the wizard only put values into fields,
// which then wait, marked, for the next update.

#include <algorithm>
#include <array>
#include <string>

#include "config/frm_tool.hpp"
#include "link/request.hpp"
#include "model/shared_state.hpp"
#include "ui/format.hpp"
#include "ui/number_parse.hpp"
#include "ui/rounding.hpp"

namespace ecu {

namespace {

constexpr int kPatternEvents = 32;
constexpr int kWordsPerPattern = 4;
// A cycle longer than the pattern changes nothing, so longer counts are cut to it.
constexpr double kLongestCount = kPatternEvents;

}  // namespace

void FrmToolForm::create_stutter_patterns_from_text_Click(int index) {
  std::array<long, kWordsPerPattern> words{};
  // A short text is filled up with skips.
  const std::string pattern = stutter_text.text() + std::string(40, '1');
  for (int k = 0; k < kPatternEvents; ++k) {
    if (pattern[static_cast<std::size_t>(k)] == '1') {
      words.at(static_cast<std::size_t>(k / 8)) += 1L << (k % 8);
    }
  }
  const int first = index == 0 ? 0 : kWordsPerPattern;
  for (int w = 0; w < kWordsPerPattern; ++w) {
    stutter_table[first + w].set_text(ui::str_integer(words.at(static_cast<std::size_t>(w))));
  }
}

void FrmToolForm::make_stutter_text_Click(int index) {
  const double skips_typed = ui::leading_number_ignoring_blanks(skip_fire_bits.text());
  if (skips_typed == 0) return;
  const auto count = [](double typed) {
    return static_cast<int>(ui::round_half_even(std::clamp(typed, -1.0, kLongestCount)));
  };
  const int skips = count(skips_typed);
  const int hits = count(ui::leading_number_ignoring_blanks(fire_bits.text()));
  // Counts below 0, or none at all, would never fill the pattern.
  if (skips < 0 || hits < 0 || skips + hits == 0) return;
  std::string pattern;
  while (static_cast<int>(pattern.size()) < kPatternEvents) {
    pattern.append(static_cast<std::size_t>(skips), '1');
    pattern.append(static_cast<std::size_t>(hits), '0');
  }
  stutter_text.set_text(pattern);
  create_stutter_patterns_from_text_Click(index);
}

void FrmToolForm::calibrate_tps_val_Click(int index) {
  ui::TextBox& box = index == 0 ? tps_base_val : tps_fs_val;
  const std::string previous_text = box.text();
  const ui::Colour previous_colour = box.back_colour();
  const bool previously_known = value_known(box);
  box.set_text("");
  // A request that returns at once (demo mode, no link) leaves this as it was.
  reply_received = 0;
  send_command(std::string{index == 0 ? '\xD7' : '\xD8', '\0', '\0', '\0'});
  if (reply_received == kTrue) return;
  // No reading came: the box shows what it showed before, so the next update cannot send
  // the empty text as 0.
  box.set_text(previous_text);
  box.set_back_colour(previous_colour);
  if (!previously_known) forget_value(box);
}

void FrmToolForm::speed_wizard_calc_Click(int index) {
  const auto number = [](const ui::TextBox& box) {
    return static_cast<Single>(ui::leading_number_ignoring_blanks(box.text()));
  };
  if (index == 0) {
    const Single circumference = number(rolling_circum_inches);
    if (circumference == 0) return;
    const Single revs = 5280.0F / circumference * 12.0F;
    revs_mile.set_text(ui::format_single(revs, "###0.0"));
  }
  const Single revs_per_mile = number(revs_mile);
  if (revs_per_mile == 0) return;
  const Single triggers = number(trigs_rev);
  if (triggers == 0) return;
  const Single x = triggers * revs_per_mile / 60.0F;
  const Single y = x * 16.0F;
  wheel_rpm_scaler.set_text(ui::format_single(60.0F / y, "0.000000"));
}

}  // namespace ecu
