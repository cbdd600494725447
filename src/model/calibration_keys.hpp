#pragma once
// Data set keys of the calibration variables: each scalar key names one Long, each array
// key one fixed array with its upper bound. The data set download walks these to write its
// lines and the upload looks a line's key up here. Rows that share a line below are
// settings that come in pairs.

#include <array>
#include <span>
#include <string_view>

#include "model/basic_types.hpp"
#include "model/shared_state.hpp"

namespace ecu {

struct CalibrationScalarKey {
  std::string_view key;  // at most 8 characters: the key field of a data set line
  Long* variable;
};

struct CalibrationArrayKey {
  std::string_view key;  // 4 characters: the table name of a data set line
  std::span<Long> elements;
  Integer upper_bound;  // elements are indexed 0 to upper_bound
};

// clang-format off
inline constexpr auto kCalibrationScalarKeys = std::to_array<CalibrationScalarKey>({
    {"FW_REV", &fw_rev},
    {"FUEL_MX", &fuel_mx},
    {"FUEL_B", &fuel_b},
    {"ACC_MINP", &acc_minp},
    {"ACC_MAXP", &acc_maxp},
    {"ACC_SEN", &acc_sen},
    {"ACC_RATE", &acc_rate},
    {"EGO_SECS", &ego_secs},
    {"EGO_RATE", &ego_rate_setting},
    {"MIN_PRES", &min_pres},
    {"OPTIONS", &option_bits},
    {"TRGS_REV", &trgs_rev},
    {"MAP_TYPE", &map_type_setting},
    {"BAT_COMP", &bat_comp_setting},
    {"TPS_RPM", &tps_rpm_setting},
    {"HOT_P_PW", &hot_p_pw}, {"CLD_P_PW", &cld_p_pw},
    {"HOT_#P", &hot_num_p}, {"CLD_#P", &cld_num_p},
    {"TMP_THRS", &tmp_thrs},
    {"EGO_GAIN", &ego_gain},
    {"EGO_A_LO", &ego_a_lo}, {"EGO_A_HI", &ego_a_hi},
    {"EGO_CUT", &ego_cut},
    {"IAC_CLOS", &iac_clos}, {"IAC_OPEN", &iac_open},
    {"IAC_TPSE", &iac_tpse}, {"IAC_TPSC", &iac_tpsc},
    {"IAC_MAXR", &iac_maxr}, {"IAC_ERRR", &iac_errr},
    {"IAC_DEAD", &iac_dead},
    {"IGN_TDWL", &ign_tdwl},
    {"IGN_MDEG", &ign_mdeg},
    {"TDC_TETH", &tdc_teth},
    {"TDC_TRIM", &tdc_trim}, {"BASE_DEG", &base_deg},
    {"PH_USED", &ph_used_setting},
    {"TACH_PH", &tach_ph_setting},
    {"LIM_DEG", &lim_deg},
    {"EGO_FLGS", &ego_flgs},
    {"EGO_WBL0", &ego_wbl0}, {"EGO_WBL1", &ego_wbl1},
    {"TPS_BASE", &tps_base}, {"TPS_FS", &tps_fs},
    {"TPS_EGO", &tps_ego}, {"TPS_ENR", &tps_enr},
    {"MAX_MAP", &max_map},
    {"RLI_SFT1", &rli_sft1}, {"RLI_SFT2", &rli_sft2},
    {"RLI_HRD1", &rli_hrd1}, {"RLI_HRD2", &rli_hrd2},
    {"RLF_HRD1", &rlf_hrd1}, {"RLF_HRD2", &rlf_hrd2},
    {"F_CUT_T1", &f_cut_t1}, {"F_CUT_T2", &f_cut_t2},
    {"INPT_CGF", &inpt_cgf},
    {"FSHF_DEG", &fshf_deg},
    {"FSHF_RTM", &fshf_rtm}, {"FSHF_CTM", &fshf_ctm},
    {"IDL_MAXR", &idl_maxr}, {"IDL_MAXA", &idl_maxa},
    {"IDL_BY_I", &idl_by_i},
    {"IDL_DRPM", &idl_drpm},
    {"CRK_RPMH", &crk_rpmh},
    {"CRK_DEGN", &crk_degn}, {"CRK_PEGN", &crk_pegn},
    {"CRK_ETMR", &crk_etmr},
    {"CRK_TDEG", &crk_tdeg},
    {"WRPM_SCL", &wrpm_scl},
    {"RPM_ACCL", &rpm_accl},
    {"MAP_OFST", &map_ofst}, {"BAR_OFST", &bar_ofst},
    {"MAP_SCLR", &map_sclr}, {"BAR_SCLR", &bar_sclr},
});

inline constexpr auto kCalibrationArrayKeys = std::to_array<CalibrationArrayKey>({
    {"INJP", injp, 15},
    {"IGNP", ignp, 15},
    {"PHBT", phbt, 15},
    {"GPOS", gpos, 3},
    {"GPOV", gpov, 3},
    {"RPMS", rpms, 3},
    {"BO_P", bo_p, 3}, {"BO_I", bo_i, 3}, {"BO_D", bo_d, 3},
    {"BOEN", boen, 3},
    {"BOIS", bois, 3},
    {"BORT", bort, 3},
    {"BOFG", bofg, 3},
    {"STUT", stut, 7},
    {"RPSL", rpsl, 7}, {"RPSH", rpsh, 7},
    {"INJK", injk, 7},
    {"INJO", injo, 7}, {"INJL", injl, 7}, {"INJM", injm, 7},
    {"GGPO", ggpo, 7},
});
// clang-format on

// The full-scale rpm is a data set value too, but it is held as a Single and written
// rounded, so it is not in the Long table above.
inline constexpr std::string_view kFullScaleRpmKey = "FS_RPM";

// The variable behind a scalar key, or nullptr for a key that is not a calibration scalar.
// Keys match exactly (upper case, no blanks).
[[nodiscard]] Long* find_calibration_scalar(std::string_view key);

// The row of an array key, or nullptr when the key names no calibration array.
[[nodiscard]] const CalibrationArrayKey* find_calibration_array(std::string_view key);

}  // namespace ecu
