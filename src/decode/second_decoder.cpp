// The settings of the second binary decoder: cranking, idle timing, rev limits, fuel cut,
// flat shift, sensor calibration, stutter pattern, speed ratios, gear outputs and the input
// assignment word, plus the acknowledgements of the driver tests and captures. A read and
// its write echo share one row.

#include "config/frm_tool.hpp"
#include "decode/editor_controls.hpp"
#include "decode/setting_replies.hpp"
#include "decode/setting_scales.hpp"
#include "decode/setting_table.hpp"
#include "model/shared_state.hpp"

namespace ecu {
namespace {

constexpr std::uint8_t kIdleByTiming = 0x0A;
constexpr std::uint8_t kIdleByTimingEcho = 0x0B;
constexpr std::uint8_t kInputAssignment = 0xF5;
constexpr std::uint8_t kInputAssignmentEcho = 0xF6;

double per_200(Long value) {
  return value / 200.0;
}
double per_1024(Long value) {
  return value / 1024.0;
}
double per_16(Long value) {
  return value / 16.0;
}
double per_65536(Long value) {
  return value / 65536.0;
}
// Sensor offsets are excess-128 bytes.
double sensor_offset(Long value) {
  return (value - 128) / 256.0 * 25;
}
double gear_output(Long value) {
  return value + 1;
}

using enum FieldKind;
using enum TextForm;
using Tool = FrmToolForm;

// (read, write, byte, kind, variable, limit, also, shown value, field, second field)
const auto kSecondSettings = std::to_array<ScalarSetting>({
    // clang-format off
    {0x06, 0x07, 3, byte, &idl_maxr, nullptr, nullptr, {&quarter_degrees, mask, "##0.00"}, &tool_box<&Tool::idle_max_retard>, nullptr},
    {0x08, 0x09, 3, byte, &idl_maxa, nullptr, nullptr, {&quarter_degrees, mask, "##0.00"}, &tool_box<&Tool::idle_max_advance>, nullptr},
    {0x0E, 0x0F, 3, word, &crk_rpmh, nullptr, nullptr, {nullptr, mask, "####0"}, &tool_box<&Tool::cranking_max_rpm>, nullptr},
    {0x10, 0x11, 3, byte, &crk_degn, nullptr, nullptr, {&per_64, single_mask, "#.000"}, &tool_box<&Tool::cranking_enrichment_gain>, nullptr},
    {0x12, 0x13, 3, word, &crk_etmr, nullptr, nullptr, {&per_200, mask, "##0.000"}, &tool_box<&Tool::cranking_enrichment_timer>, nullptr},
    {0x14, 0x15, 3, byte, &crk_tdeg, nullptr, nullptr, {&offset_degrees, mask, "#0.00"}, &tool_box<&Tool::cranking_timing>, nullptr},
    {0x16, 0x17, 3, byte, &crk_pegn, nullptr, nullptr, {&per_64, single_mask, "#.000"}, &tool_box<&Tool::post_cranking_enrichment_gain>, nullptr},
    {0x18, 0x19, 3, word, &rli_hrd1, nullptr, nullptr, {nullptr, mask, "####0"}, &tool_box<&Tool::hard_ign_limit1>, nullptr},
    {0x1A, 0x1B, 3, word, &rli_hrd2, nullptr, nullptr, {nullptr, mask, "####0"}, &tool_box<&Tool::hard_ign_limit2>, nullptr},
    {0x1E, 0x1F, 3, word, &wrpm_scl, nullptr, nullptr, {&per_65536, single_mask, "0.000000"}, &tool_box<&Tool::wheel_rpm_scaler>, nullptr},
    {0x28, 0x29, 3, byte, &rpm_accl, nullptr, nullptr, {&per_64, single_mask, "#.000"}, &tool_box<&Tool::rpm_accel_gain>, nullptr},
    {0x2E, 0x2F, 3, word, &idl_drpm, nullptr, nullptr, {nullptr, mask, "####0"}, &tool_box<&Tool::idle_disable_rpm>, nullptr},
    {0x30, 0, 3, byte, &map_ofst, nullptr, nullptr, {&sensor_offset, mask, "#0.00"}, &tool_box<&Tool::map_offset>, nullptr},
    {0x30, 0, 4, byte, &bar_ofst, nullptr, nullptr, {&sensor_offset, mask, "#0.00"}, &tool_box<&Tool::baro_offset>, nullptr},
    {0x30, 0, 5, word, &map_sclr, nullptr, nullptr, {&per_1024, mask, "0.000"}, &tool_box<&Tool::map_scaler>, nullptr},
    {0x30, 0, 7, word, &bar_sclr, nullptr, nullptr, {&per_1024, mask, "0.000"}, &tool_box<&Tool::baro_scaler>, nullptr},
    {0x31, 0, 3, byte, nullptr, nullptr, nullptr, {&sensor_offset, mask, "#0.00"}, &tool_box<&Tool::map_offset>, nullptr},
    {0x32, 0, 3, word, nullptr, nullptr, nullptr, {&per_1024, mask, "0.000"}, &tool_box<&Tool::map_scaler>, nullptr},
    {0x33, 0, 3, byte, nullptr, nullptr, nullptr, {&sensor_offset, mask, "#0.00"}, &tool_box<&Tool::baro_offset>, nullptr},
    {0x34, 0, 3, word, nullptr, nullptr, nullptr, {&per_1024, mask, "0.000"}, &tool_box<&Tool::baro_scaler>, nullptr},
    {0x35, 0x36, 3, byte, nullptr, nullptr, nullptr, {&per_200, mask, "0.000"}, &tool_box<&Tool::map_change_time>, nullptr},
    {0xE9, 0xEA, 3, word, &rli_sft1, nullptr, nullptr, {nullptr, mask, "#####"}, &tool_box<&Tool::soft_ign_rpm1>, nullptr},
    {0xEB, 0xEC, 3, word, &rli_sft2, nullptr, nullptr, {nullptr, mask, "#####"}, &tool_box<&Tool::soft_ign_rpm2>, nullptr},
    {0xED, 0xEE, 3, word, &rlf_hrd1, nullptr, nullptr, {nullptr, mask, "#####"}, &tool_box<&Tool::fuel_rpm1>, nullptr},
    {0xEF, 0xF0, 3, word, &rlf_hrd2, nullptr, nullptr, {nullptr, mask, "#####"}, &tool_box<&Tool::fuel_rpm2>, nullptr},
    {0xF1, 0xF2, 3, byte, &f_cut_t1, nullptr, nullptr, {&per_200, mask, "0.000"}, &tool_box<&Tool::fuel_cut_time1>, nullptr},
    {0xF3, 0xF4, 3, byte, &f_cut_t2, nullptr, nullptr, {&per_200, mask, "0.000"}, &tool_box<&Tool::fuel_cut_time2>, nullptr},
    {0xF9, 0xFA, 3, byte, &fshf_deg, nullptr, nullptr, {&quarter_degrees, mask, "##0.00"}, &tool_box<&Tool::flat_shft_retard>, nullptr},
    {0xFB, 0xFC, 3, byte, &fshf_rtm, nullptr, nullptr, {&per_200, mask, "0.000"}, &tool_box<&Tool::flat_shft_retard_time>, nullptr},
    {0xFD, 0xFE, 3, byte, &fshf_ctm, nullptr, nullptr, {&per_200, mask, "0.000"}, &tool_box<&Tool::flat_shft_fuel_cut>, nullptr},
    // clang-format on
});

// Only the gear outputs are kept by their echo; the stutter pattern and the ratios follow
// the controller again at the next block read.
// (block, echo, first byte, stride, kind, array, echo stores, shown value, fields, marks at end)
const auto kSecondArrays = std::to_array<IndexedSetting>({
    // clang-format off
    {0x1C, 0x1D, 3, 2, word, stut, false, {nullptr, mask, "####0"}, &tool_boxes<&Tool::stutter_table>, false},
    {0x22, 0x23, 3, 2, word, rpsl, false, {&per_16, single_mask, "###0.00"}, &tool_boxes<&Tool::low_rps_ratio>, false},
    {0x22, 0x24, 19, 2, word, rpsh, false, {&per_16, single_mask, "###0.00"}, &tool_boxes<&Tool::high_rps_ratio>, false},
    {0x26, 0x27, 3, 1, byte, ggpo, true, {&gear_output, mask, "0"}, &tool_boxes<&Tool::gear_gpo_num>, true},
    // clang-format on
});

// The input assignment word holds four 3-bit fields; each value names one option button of
// its group. A value a group has no button for leaves the group as it was.
struct InputChoice {
  Long field_value;
  int button;
};

struct InputGroup {
  int shift;
  ui::ControlArray<ui::OptionButton> FrmToolForm::*buttons;
  std::span<const InputChoice> choices;
};

constexpr auto kAuxChoices = std::to_array<InputChoice>({{0, 0}, {7, 1}});
constexpr auto kMapSelectorChoices = std::to_array<InputChoice>({{7, 0}, {0, 1}, {1, 2}, {2, 3}});
constexpr auto kTriggerBChoices =
    std::to_array<InputChoice>({{7, 0}, {0, 1}, {1, 2}, {2, 3}, {3, 4}});
constexpr auto kIndexChoices = std::to_array<InputChoice>({{7, 0}, {0, 1}, {1, 2}});

const auto kInputGroups = std::to_array<InputGroup>({
    {0, &FrmToolForm::aux_in_used_as, kAuxChoices},
    {3, &FrmToolForm::map_sel_used_as, kMapSelectorChoices},
    {6, &FrmToolForm::trig_b_used_as, kTriggerBChoices},
    {9, &FrmToolForm::idx_used_as, kIndexChoices},
});

void decode_input_assignment(const ReplyFrame& reply) {
  const Long word = read_field(reply, 3, FieldKind::word);
  inpt_cgf = word;
  FrmToolForm& tool = frm_tool();
  for (const InputGroup& group : kInputGroups) {
    const Long field = (word >> group.shift) & 7;
    for (const InputChoice& choice : group.choices) {
      if (choice.field_value == field) (tool.*group.buttons)[choice.button].set_value(true);
    }
  }
  // One button carries the mark of the whole word, whichever group was edited.
  mark_in_sync(tool.aux_in_used_as[0]);
}

// Only the byte 1 ticks the box.
void decode_idle_by_timing(const ReplyFrame& reply) {
  const Long value = read_field(reply, 3, FieldKind::byte);
  idl_by_i = value;
  FrmToolForm& tool = frm_tool();
  tool.enable_idle_by_timing.set_value(value == 1 ? ui::CheckBox::checked
                                                  : ui::CheckBox::unchecked);
  mark_in_sync(tool.enable_idle_by_timing);
}

}  // namespace

void decode_second_setting(const ReplyFrame& reply, Integer /*n*/) {
  const std::uint8_t type = reply.at(2);
  if (type == kIdleByTiming || type == kIdleByTimingEcho) {
    decode_idle_by_timing(reply);
  } else if (type == kInputAssignment || type == kInputAssignmentEcho) {
    decode_input_assignment(reply);
  } else if (!decode_indexed_rows(kSecondArrays, reply)) {
    decode_scalar_rows(kSecondSettings, reply);
  }
}

}  // namespace ecu
