// The controller's feature word: how many injector and ignition outputs it drives and which
// function groups and general-purpose outputs it carries. Each reply decides the enabled or
// visible state of every control listed here; no earlier state is consulted.

#include <vector>

#include "config/frm_tool.hpp"
#include "decode/setting_replies.hpp"
#include "decode/setting_table.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "views/frm_dashboard.hpp"

namespace ecu {
namespace {

constexpr int kPhases = 16;
constexpr int kOutputs = 8;
constexpr int kCurvePoints = 9;

using Controls = std::vector<ui::Control*>;

template <class C>
void append(Controls& list, ui::ControlArray<C>& array, int count) {
  for (int i = 0; i < count && array.contains(i); ++i) list.push_back(&array[i]);
}

Controls idle_air_group() {
  FrmToolForm& tool = frm_tool();
  Controls list = {&tool.iac_close_steps,   &tool.iac_open_steps, &tool.iac_enable_tps_val,
                   &tool.iac_close_tps_val, &tool.iac_max_rate,   &tool.iac_error_rate,
                   &tool.iac_deadband};
  append(list, frm_2d().idle_rpm_map, kCurvePoints);
  return list;
}

Controls fuel_group() {
  FrmToolForm& tool = frm_tool();
  Controls list = {&tool.accel_senitivity, &tool.accel_flt_rate, &tool.accel_pw_min,
                   &tool.accel_pw_max,     &tool.EGO_reset_pw,   &tool.min_pressure,
                   &tool.bat_comp};
  for (int channel = 0; channel < kOutputs; ++channel) {
    list.push_back(&tool.inj_offset[channel]);
    list.push_back(&tool.inj_gain[channel]);
  }
  list.insert(list.end(),
              {&tool.ego_rate, &tool.EGO_Prop_Gain, &tool.ego_seconds, &tool.min_ego_gain,
               &tool.max_ego_gain, &tool.priming_pw_cold, &tool.num_pulses_cold,
               &tool.temp_threshold, &tool.priming_pw_hot, &tool.num_pulses_hot});
  FrmDashboardForm& dashboard = frm_dashboard();
  list.insert(list.end(), {&dashboard.ecu_pgm[0], &dashboard.ecu_pgm[1], &dashboard.kill_ego});
  // Disabling the whole basic mapping window would leave a user who opened it with no way
  // back (the main window is hidden meanwhile): only its editing content follows the bit,
  // its menus and its close stay usable.
  for (ui::Control* editing : basic_mapping_editing_controls()) list.push_back(editing);
  Frm2dForm& additional = frm_2d();
  for (int i = 0; i < kCurvePoints; ++i) {
    list.insert(list.end(), {&additional.clt_map[i], &additional.mat_data[i],
                             &additional.baro_gain[i], &additional.Pressure_Gain[i]});
  }
  return list;
}

Controls ignition_group() {
  FrmToolForm& tool = frm_tool();
  return {&tool.base_offset_deg, &tool.target_dwell, &tool.min_dwell_deg};
}

struct FunctionGroup {
  int bit;
  Controls (*controls)();
};

const auto kFunctionGroups = std::to_array<FunctionGroup>({
    {8, &idle_air_group},
    {9, &fuel_group},
    {10, &ignition_group},
});

// Bit 13 stands for outputs 3 and 4 together.
struct OutputPage {
  int bit;
  int frame;
};

const auto kOutputPages = std::to_array<OutputPage>({{11, 0}, {12, 1}, {13, 2}, {13, 3}});

void set_channels(ui::ControlArray<ui::CheckBox>& (*row)(int), int first_disabled) {
  for (int channel = first_disabled; channel < kOutputs; ++channel) {
    for (int phase = 0; phase < kPhases; ++phase) row(phase)[channel].set_enabled(false);
  }
}

}  // namespace

std::vector<ui::Control*> basic_mapping_editing_controls() {
  Frm3dForm& mapping = frm_3d();
  return {&mapping.inj_map,    &mapping.ign_map,      &mapping.TPS_map,      &mapping.TPS_mix,
          &mapping.ecu_pgm[0], &mapping.ecu_pgm[1],   &mapping.tps_rpm,      &mapping.Command3d2,
          &mapping.menuupdate, &mapping.menuresetmap, &mapping.menu_autotune};
}

void decode_feature_word(const ReplyFrame& reply, Integer /*n*/) {
  const Long word = read_field(reply, 3, FieldKind::word);  // low byte first
  feature_word_received = 1;

  for (int channel = 0; channel < kOutputs; ++channel) {
    for (int phase = 0; phase < kPhases; ++phase) {
      ignition_phase_row(phase)[channel].set_enabled(true);
    }
    for (int phase = 0; phase < kPhases; ++phase) {
      injector_phase_row(phase)[channel].set_enabled(true);
    }
  }
  // Channels are counted from 0; a count of 8 or more leaves all eight in use.
  set_channels(&injector_phase_row, static_cast<int>(word & 0x0F));
  set_channels(&ignition_phase_row, static_cast<int>((word & 0xF0) >> 4));

  for (const FunctionGroup& group : kFunctionGroups) {
    const bool present = ((word >> group.bit) & 1) != 0;
    for (ui::Control* control : group.controls()) control->set_enabled(present);
  }
  for (const OutputPage& page : kOutputPages) {
    frm_sup().GPO_params[page.frame].set_visible(((word >> page.bit) & 1) != 0);
  }
}

}  // namespace ecu
