#include "decode/command_table.hpp"

#include <array>

#include "decode/channel_runtime_frame.hpp"
#include "decode/idle_air_status_reply.hpp"
#include "decode/live_data_reply.hpp"
#include "decode/memory_read_replies.hpp"
#include "decode/monitor_frame.hpp"
#include "decode/setting_replies.hpp"
#include "decode/status_replies.hpp"
#include "decode/wheel_page_reply.hpp"

namespace ecu {
namespace {

using enum CommandKind;
using enum RequestPayload;
constexpr ReplyDecoder A = ReplyDecoder::ascii;
constexpr ReplyDecoder B1 = ReplyDecoder::binary_1;
constexpr ReplyDecoder B2 = ReplyDecoder::binary_2;

// Code, name, kind, request payload, reply length n, decoder, code sharing the case, case.
// A read and its write share one case when both replies carry the same single value.
constexpr auto kCommands = std::to_array<CommandInfo>({
    // clang-format off
    {0x01, "test_injector_drivers", action, mask_word, 5, B2, kNoSharedCode, decode_acknowledgement},
    {0x02, "test_ignition_drivers", action, mask_word, 5, B2, kNoSharedCode, decode_acknowledgement},
    {0x03, "write_dyno_rpm", write, index_word, 6, B2, kNoSharedCode, decode_acknowledgement},
    {0x04, "set_dyno_armed", action, arm_or_cancel, 4, B2, 0xF7, decode_acknowledgement},
    {0x06, "read_idl_maxr", read, none, 4, B2, 0x07, decode_second_setting},
    {0x07, "write_idl_maxr", write, byte_value, 4, B2, 0x06, decode_second_setting},
    {0x08, "read_idl_maxa", read, none, 4, B2, 0x09, decode_second_setting},
    {0x09, "write_idl_maxa", write, byte_value, 4, B2, 0x08, decode_second_setting},
    {0x0A, "read_idl_by_i", read, none, 4, B2, 0x0B, decode_second_setting},
    {0x0B, "write_idl_by_i", write, byte_value, 4, B2, 0x0A, decode_second_setting},
    {0x0C, "read_injl", read, none, 19, B1, kNoSharedCode, decode_injector_channels},
    {0x0D, "write_injl", write, index_word, 6, B1, kNoSharedCode, decode_injector_channels},
    {0x0E, "read_crk_rpmh", read, none, 5, B2, 0x0F, decode_second_setting},
    {0x0F, "write_crk_rpmh", write, word_value, 5, B2, 0x0E, decode_second_setting},
    {0x10, "read_crk_degn", read, none, 4, B2, 0x11, decode_second_setting},
    {0x11, "write_crk_degn", write, byte_value, 4, B2, 0x10, decode_second_setting},
    {0x12, "read_crk_etmr", read, none, 5, B2, 0x13, decode_second_setting},
    {0x13, "write_crk_etmr", write, word_value, 5, B2, 0x12, decode_second_setting},
    {0x14, "read_crk_tdeg", read, none, 4, B2, 0x15, decode_second_setting},
    {0x15, "write_crk_tdeg", write, byte_value, 4, B2, 0x14, decode_second_setting},
    {0x16, "read_crk_pegn", read, none, 4, B2, 0x17, decode_second_setting},
    {0x17, "write_crk_pegn", write, byte_value, 4, B2, 0x16, decode_second_setting},
    {0x18, "read_rli_hrd1", read, none, 5, B2, 0x19, decode_second_setting},
    {0x19, "write_rli_hrd1", write, word_value, 5, B2, 0x18, decode_second_setting},
    {0x1A, "read_rli_hrd2", read, none, 5, B2, 0x1B, decode_second_setting},
    {0x1B, "write_rli_hrd2", write, word_value, 5, B2, 0x1A, decode_second_setting},
    {0x1C, "read_stut", read, none, 19, B2, kNoSharedCode, decode_second_setting},
    {0x1D, "write_stut", write, index_word, 6, B2, kNoSharedCode, decode_second_setting},
    {0x1E, "read_wrpm_scl", read, none, 5, B2, 0x1F, decode_second_setting},
    {0x1F, "write_wrpm_scl", write, word_value, 5, B2, 0x1E, decode_second_setting},
    {0x20, "write_acc_maxp", write, word_value, 5, A, kNoSharedCode, decode_letter_setting}, // ' '
    {0x21, "read_ego_gain", read, none, 4, A, 0x3F, decode_letter_setting}, // '!'
    {0x22, "read_rps_ratios", read, none, 35, B2, kNoSharedCode, decode_second_setting}, // '"'
    {0x23, "write_rpsl", write, index_word, 6, B2, kNoSharedCode, decode_second_setting}, // '#'
    {0x24, "write_rpsh", write, index_word, 6, B2, kNoSharedCode, decode_second_setting}, // '$'
    {0x25, "read_ego_a_lo", read, none, 4, A, 0x3C, decode_letter_setting}, // '%'
    {0x26, "read_ggpo", read, none, 11, B2, kNoSharedCode, decode_second_setting}, // '&'
    {0x27, "write_ggpo", write, index_byte, 5, B2, kNoSharedCode, decode_second_setting}, // '''
    {0x28, "read_rpm_accl", read, none, 4, B2, 0x29, decode_second_setting}, // '('
    {0x29, "write_rpm_accl", write, byte_value, 4, B2, 0x28, decode_second_setting}, // ')'
    {0x2B, "read_link_byte", reply_only, none, 4, A, kNoSharedCode, nullptr}, // '+'
    {0x2D, "read_serial_number", read, none, 6, A, kNoSharedCode, decode_serial_number_reply}, // '-'
    {0x2E, "read_idl_drpm", read, none, 5, B2, 0x2F, decode_second_setting}, // '.'
    {0x2F, "write_idl_drpm", write, word_value, 5, B2, 0x2E, decode_second_setting}, // '/'
    {0x30, "read_sensor_cal", read, none, 9, B2, kNoSharedCode, decode_second_setting}, // '0'
    {0x31, "write_map_ofst", write, byte_value, 4, B2, kNoSharedCode, decode_second_setting}, // '1'
    {0x32, "write_map_sclr", write, word_value, 5, B2, kNoSharedCode, decode_second_setting}, // '2'
    {0x33, "write_bar_ofst", write, byte_value, 4, B2, kNoSharedCode, decode_second_setting}, // '3'
    {0x34, "write_bar_sclr", write, word_value, 5, B2, kNoSharedCode, decode_second_setting}, // '4'
    {0x35, "read_map_change_time", read, none, 4, B2, 0x36, decode_second_setting}, // '5'
    {0x36, "write_map_change_time", write, byte_value, 4, B2, 0x35, decode_second_setting}, // '6'
    {0x3C, "write_ego_a_lo", write, byte_value, 4, A, 0x25, decode_letter_setting}, // '<'
    {0x3D, "write_ego_cut", write, word_value, 5, A, 0x40, decode_letter_setting}, // '='
    {0x3E, "write_ego_a_hi", write, byte_value, 4, A, 0x5E, decode_letter_setting}, // '>'
    {0x3F, "write_ego_gain", write, byte_value, 4, A, 0x21, decode_letter_setting}, // '?'
    {0x40, "read_ego_cut", read, none, 5, A, 0x3D, decode_letter_setting}, // '@'
    {kReadLiveData, "read_live_data", poll, none, 63, A, kNoSharedCode, decode_live_data_reply}, // 'A'
    {0x42, "read_fuel_params", read, none, 12, A, kNoSharedCode, decode_fuel_params_reply}, // 'B'
    {0x43, "read_base_config", read, none, 21, A, kNoSharedCode, decode_base_config_reply}, // 'C'
    {0x44, "kill_ego_on", action, none, 3, A, 0x64, nullptr}, // 'D'
    {0x45, "read_memory_byte", read, memory_read, 6, A, 0x65, decode_memory_read_reply}, // 'E'
    {0x46, "read_analog_pair", reply_only, none, 7, A, kNoSharedCode, decode_analog_pair_reply}, // 'F'
    {0x52, "read_firmware_revision", read, none, 5, A, kNoSharedCode, decode_firmware_revision_reply}, // 'R'
    {0x53, "read_hot_p_pw", read, none, 5, A, 0x73, decode_letter_setting}, // 'S'
    {0x54, "read_num_pulses_hot", read, none, 4, A, 0x74, decode_letter_setting}, // 'T'
    {0x55, "read_cld_p_pw", read, none, 5, A, 0x75, decode_letter_setting}, // 'U'
    {0x56, "read_num_pulses_cold", read, none, 4, A, 0x76, decode_letter_setting}, // 'V'
    {0x57, "read_tmp_thrs", read, none, 4, A, 0x77, decode_letter_setting}, // 'W'
    {0x58, "read_x_word", reply_only, none, 6, A, 0x78, nullptr}, // 'X'
    {0x78, "read_x_word", reply_only, none, 6, A, 0x58, nullptr}, // 'x'
    {0x5A, "read_tps_rpm", read, none, 5, A, 0x7A, decode_letter_setting}, // 'Z'
    {0x5E, "read_ego_a_hi", read, none, 4, A, 0x3E, decode_letter_setting}, // '^'
    {0x62, "write_ego_secs", write, word_value, 5, A, kNoSharedCode, decode_letter_setting}, // 'b'
    {0x63, "write_ego_rate", write, byte_value, 4, A, kNoSharedCode, decode_letter_setting}, // 'c'
    {0x64, "kill_ego_off", action, none, 3, A, 0x44, nullptr}, // 'd'
    {0x65, "write_memory_byte", write, memory_write, 6, A, 0x45, decode_memory_read_reply}, // 'e'
    {0x66, "write_acc_rate", write, word_value, 5, A, kNoSharedCode, decode_letter_setting}, // 'f'
    {0x67, "write_acc_sen", write, word_value, 5, A, kNoSharedCode, decode_letter_setting}, // 'g'
    {0x68, "write_acc_minp", write, word_value, 5, A, kNoSharedCode, decode_letter_setting}, // 'h'
    {0x6B, "read_memory_27", read, memory_read, 32, A, kNoSharedCode, decode_memory_read_reply}, // 'k'
    {0x6C, "read_memory_32", read, memory_read, 37, A, kNoSharedCode, decode_memory_read_reply}, // 'l'
    {0x6D, "write_fuel_mx", write, word_value, 5, A, kNoSharedCode, decode_letter_setting}, // 'm'
    {0x6F, "write_fuel_b", write, word_value, 5, A, kNoSharedCode, decode_letter_setting}, // 'o'
    {0x70, "write_min_pres", write, word_value, 5, A, kNoSharedCode, decode_letter_setting}, // 'p'
    {0x71, "read_memory_16", reply_only, memory_read, 21, A, kNoSharedCode, decode_memory_read_reply}, // 'q'
    {0x72, "read_memory_9", read, memory_read, 14, A, kNoSharedCode, decode_memory_read_reply}, // 'r'
    {0x73, "write_hot_p_pw", write, word_value, 5, A, 0x53, decode_letter_setting}, // 's'
    {0x74, "write_num_pulses_hot", write, byte_value, 4, A, 0x54, decode_letter_setting}, // 't'
    {0x75, "write_cld_p_pw", write, word_value, 5, A, 0x55, decode_letter_setting}, // 'u'
    {0x76, "write_num_pulses_cold", write, byte_value, 4, A, 0x56, decode_letter_setting}, // 'v'
    {0x77, "write_tmp_thrs", write, byte_value, 4, A, 0x57, decode_letter_setting}, // 'w'
    {0x7A, "write_tps_rpm", write, word_value, 5, A, 0x5A, decode_letter_setting}, // 'z'
    {0x7C, "write_options", write, byte_value, 4, A, kNoSharedCode, decode_option_bits}, // '|'
    {0x7D, "write_fs_rpm", write, word_value, 5, A, kNoSharedCode, decode_letter_setting}, // '}'
    {0x7E, "write_trgs_rev", write, byte_value, 4, A, kNoSharedCode, decode_letter_setting}, // '~'
    {0x7F, "read_injp", read, none, 19, B1, kNoSharedCode, decode_phase_masks},
    {0x80, "write_injp", write, row_mask, 5, B1, kNoSharedCode, decode_phase_masks},
    {kReadMonitorFrame, "read_monitor_frame", poll, none, 30, B2, kNoSharedCode, decode_monitor_frame},
    {0x82, "write_map_type", write, byte_value, 4, B1, kNoSharedCode, decode_map_sensor_echo},
    {0x83, "write_bat_comp", write, byte_value, 4, B1, kNoSharedCode, decode_battery_compensation},
    {0x84, "read_iac_clos", read, none, 5, B1, 0x85, decode_idle_dwell_timing},
    {0x85, "write_iac_clos", write, word_value, 5, B1, 0x84, decode_idle_dwell_timing},
    {0x86, "read_iac_open", read, none, 5, B1, 0x87, decode_idle_dwell_timing},
    {0x87, "write_iac_open", write, word_value, 5, B1, 0x86, decode_idle_dwell_timing},
    {0x88, "read_iac_tpse", read, none, 5, B1, 0x89, decode_idle_dwell_timing},
    {0x89, "write_iac_tpse", write, word_value, 5, B1, 0x88, decode_idle_dwell_timing},
    {0x8A, "read_iac_tpsc", read, none, 5, B1, 0x8B, decode_idle_dwell_timing},
    {0x8B, "write_iac_tpsc", write, word_value, 5, B1, 0x8A, decode_idle_dwell_timing},
    {0x8C, "read_iac_maxr", read, none, 5, B1, 0x8D, decode_idle_dwell_timing},
    {0x8D, "write_iac_maxr", write, word_value, 5, B1, 0x8C, decode_idle_dwell_timing},
    {0x8E, "read_iac_errr", read, none, 5, B1, 0x8F, decode_idle_dwell_timing},
    {0x8F, "write_iac_errr", write, word_value, 5, B1, 0x8E, decode_idle_dwell_timing},
    {0x90, "read_iac_dead", read, none, 4, B1, 0x91, decode_idle_dwell_timing},
    {0x91, "write_iac_dead", write, byte_value, 4, B1, 0x90, decode_idle_dwell_timing},
    {0x94, "read_ign_tdwl", read, none, 5, B1, 0x95, decode_idle_dwell_timing},
    {0x95, "write_ign_tdwl", write, word_value, 5, B1, 0x94, decode_idle_dwell_timing},
    {0x98, "read_iac_status", reply_only, none, 9, B1, kNoSharedCode, decode_iac_status_reply},
    {0x9B, "read_phbt", read, none, 35, B1, kNoSharedCode, decode_phase_angles},
    {0x9C, "write_phbt", write, index_word, 6, B1, kNoSharedCode, decode_phase_angles},
    {0x9D, "read_ign_mdeg", read, none, 5, B1, 0x9E, decode_idle_dwell_timing},
    {0x9E, "write_ign_mdeg", write, word_value, 5, B1, 0x9D, decode_idle_dwell_timing},
    {0x9F, "read_ph_used", read, none, 5, B1, 0xA0, decode_phases_in_use},
    {0xA0, "write_ph_used", write, word_value, 5, B1, 0x9F, decode_phases_in_use},
    {0xA1, "read_tdc_trim", read, none, 4, B1, 0xA2, decode_idle_dwell_timing},
    {0xA2, "write_tdc_trim", write, byte_value, 4, B1, 0xA1, decode_idle_dwell_timing},
    {0xA3, "read_base_deg", read, none, 4, B1, 0xA4, decode_idle_dwell_timing},
    {0xA4, "write_base_deg", write, byte_value, 4, B1, 0xA3, decode_idle_dwell_timing},
    {0xA5, "read_ignp", read, none, 19, B1, kNoSharedCode, decode_phase_masks},
    {0xA6, "write_ignp", write, row_mask, 5, B1, kNoSharedCode, decode_phase_masks},
    {0xA7, "read_tdc_teth", read, none, 4, B1, 0xA8, decode_index_teeth},
    {0xA8, "write_tdc_teth", write, byte_value, 4, B1, 0xA7, decode_index_teeth},
    {0xA9, "write_kill_timing", action, on_or_off, 4, B1, kNoSharedCode, decode_acknowledgement},
    {0xAA, "read_gpos", read, zeros, 7, B1, kNoSharedCode, decode_output_settings},
    {0xAB, "write_gpos", write, index_byte, 5, B1, kNoSharedCode, decode_output_settings},
    {0xAC, "read_gpov", read, zeros, 7, B1, kNoSharedCode, decode_output_settings},
    {0xAD, "write_gpov", write, index_byte, 5, B1, kNoSharedCode, decode_output_settings},
    {0xAE, "reset_controller", action, reset_key, 4, B1, kNoSharedCode, decode_reset_answer},
    {0xAE, "prepare_reflash", action, reflash_key, 4, B1, kNoSharedCode, decode_reset_answer},
    {0xAF, "read_gpo_duty", reply_only, none, 7, B1, kNoSharedCode, decode_output_settings},
    {0xB0, "read_tach_ph", read, none, 5, B1, 0xB1, decode_tach_phases},
    {0xB1, "write_tach_ph", write, word_value, 5, B1, 0xB0, decode_tach_phases},
    {0xB2, "read_monitor_frame_old", reply_only, none, 18, B1, kNoSharedCode, decode_old_monitor_frame},
    {0xB3, "read_feature_word", poll, none, 5, B1, kNoSharedCode, decode_feature_word},
    {0xB4, "read_feature_version", poll, none, 5, B1, kNoSharedCode, decode_feature_version},
    {0xB7, "read_lim_deg", read, none, 5, B1, 0xB8, decode_scalar_limit},
    {0xB8, "write_lim_deg", write, word_value, 5, B1, 0xB7, decode_scalar_limit},
    {0xC9, "read_injk", read, none, 19, B1, kNoSharedCode, decode_injector_channels},
    {0xCA, "read_injo", read, none, 19, B1, kNoSharedCode, decode_injector_channels},
    {0xCB, "read_injm", read, none, 19, B1, kNoSharedCode, decode_injector_channels},
    {0xCC, "write_injk", write, index_word, 6, B1, kNoSharedCode, decode_injector_channels},
    {0xCD, "write_injo", write, index_word, 6, B1, kNoSharedCode, decode_injector_channels},
    {0xCE, "write_injm", write, index_word, 6, B1, kNoSharedCode, decode_injector_channels},
    {kReadChannelRuntime, "read_channel_runtime", poll, none, 37, B1, kNoSharedCode, decode_channel_runtime_frame},
    {0xD0, "read_ego_config", read, none, 6, B1, kNoSharedCode, decode_ego_throttle},
    {0xD1, "write_ego_flgs", write, byte_value, 4, B1, kNoSharedCode, decode_ego_throttle},
    {0xD2, "write_ego_wbl0", write, byte_value, 4, B1, kNoSharedCode, decode_ego_throttle},
    {0xD3, "write_ego_wbl1", write, byte_value, 4, B1, kNoSharedCode, decode_ego_throttle},
    {0xD4, "read_tps_cal", read, none, 5, B1, kNoSharedCode, decode_ego_throttle},
    {0xD5, "write_tps_base", write, byte_value, 4, B1, kNoSharedCode, decode_ego_throttle},
    {0xD6, "write_tps_fs", write, byte_value, 4, B1, kNoSharedCode, decode_ego_throttle},
    {0xD7, "capture_tps_base", action, zeros, 4, B1, kNoSharedCode, decode_ego_throttle},
    {0xD8, "capture_tps_fs", action, zeros, 4, B1, kNoSharedCode, decode_ego_throttle},
    {0xD9, "read_boost_params", read, zeros, 43, B1, kNoSharedCode, decode_boost_settings},
    {0xDA, "write_bo_p", write, index_word, 6, B1, kNoSharedCode, decode_boost_settings},
    {0xDB, "write_bo_i", write, index_word, 6, B1, kNoSharedCode, decode_boost_settings},
    {0xDC, "write_bo_d", write, index_word, 6, B1, kNoSharedCode, decode_boost_settings},
    {0xDD, "write_boen", write, index_byte, 5, B1, kNoSharedCode, decode_boost_settings},
    {0xDE, "write_bois", write, index_byte, 5, B1, kNoSharedCode, decode_boost_settings},
    {0xDF, "write_bort", write, index_byte, 5, B1, kNoSharedCode, decode_boost_settings},
    {0xE0, "write_bofg", write, index_byte, 5, B1, kNoSharedCode, decode_boost_settings},
    {0xE1, "read_rpms", read, zeros, 11, B1, kNoSharedCode, decode_rpm_switches},
    {0xE2, "write_rpms", write, index_word, 6, B1, kNoSharedCode, decode_rpm_switches},
    {0xE3, "read_tps_ego", read, none, 4, B1, 0xE4, decode_scalar_limit},
    {0xE4, "write_tps_ego", write, byte_value, 4, B1, 0xE3, decode_scalar_limit},
    {0xE5, "read_tps_enr", read, none, 4, B1, 0xE6, decode_scalar_limit},
    {0xE6, "write_tps_enr", write, byte_value, 4, B1, 0xE5, decode_scalar_limit},
    {0xE7, "read_max_map", read, none, 5, B1, 0xE8, decode_scalar_limit},
    {0xE8, "write_max_map", write, word_value, 5, B1, 0xE7, decode_scalar_limit},
    {0xE9, "read_rli_sft1", read, none, 5, B2, 0xEA, decode_second_setting},
    {0xEA, "write_rli_sft1", write, word_value, 5, B2, 0xE9, decode_second_setting},
    {0xEB, "read_rli_sft2", read, none, 5, B2, 0xEC, decode_second_setting},
    {0xEC, "write_rli_sft2", write, word_value, 5, B2, 0xEB, decode_second_setting},
    {0xED, "read_rlf_hrd1", read, none, 5, B2, 0xEE, decode_second_setting},
    {0xEE, "write_rlf_hrd1", write, word_value, 5, B2, 0xED, decode_second_setting},
    {0xEF, "read_rlf_hrd2", read, none, 5, B2, 0xF0, decode_second_setting},
    {0xF0, "write_rlf_hrd2", write, word_value, 5, B2, 0xEF, decode_second_setting},
    {0xF1, "read_f_cut_t1", read, none, 4, B2, 0xF2, decode_second_setting},
    {0xF2, "write_f_cut_t1", write, byte_value, 4, B2, 0xF1, decode_second_setting},
    {0xF3, "read_f_cut_t2", read, none, 4, B2, 0xF4, decode_second_setting},
    {0xF4, "write_f_cut_t2", write, byte_value, 4, B2, 0xF3, decode_second_setting},
    {0xF5, "read_inpt_cgf", read, none, 5, B2, 0xF6, decode_second_setting},
    {0xF6, "write_inpt_cgf", write, word_value, 5, B2, 0xF5, decode_second_setting},
    {0xF7, "arm_wheel_capture", action, none, 4, B2, 0x04, decode_acknowledgement},
    {0xF8, "read_wheel_page", read, page, 34, B2, kNoSharedCode, decode_wheel_page_reply},
    {0xF9, "read_fshf_deg", read, none, 4, B2, 0xFA, decode_second_setting},
    {0xFA, "write_fshf_deg", write, byte_value, 4, B2, 0xF9, decode_second_setting},
    {0xFB, "read_fshf_rtm", read, none, 4, B2, 0xFC, decode_second_setting},
    {0xFC, "write_fshf_rtm", write, byte_value, 4, B2, 0xFB, decode_second_setting},
    {0xFD, "read_fshf_ctm", read, none, 4, B2, 0xFE, decode_second_setting},
    {0xFE, "write_fshf_ctm", write, byte_value, 4, B2, 0xFD, decode_second_setting},
    // clang-format on
});

}  // namespace

std::span<const CommandInfo> command_table() {
  return kCommands;
}

const CommandInfo* find_command(std::uint8_t code) {
  for (const CommandInfo& row : kCommands) {
    if (row.code == code) return &row;
  }
  return nullptr;
}

const CommandInfo* find_command(std::string_view name) {
  for (const CommandInfo& row : kCommands) {
    if (name == row.name) return &row;
  }
  return nullptr;
}

bool reply_answers_request(std::string_view request_frame, std::string_view reply) {
  constexpr std::size_t kType = 2;
  constexpr std::size_t kFirstPayloadByte = 3;
  constexpr std::size_t kSumBytes = 2;
  const auto byte_of = [](std::string_view bytes, std::size_t index) {
    return static_cast<std::uint8_t>(bytes[index]);
  };
  if (request_frame.size() <= kFirstPayloadByte + 2 || reply.size() <= kType) return false;
  const std::uint8_t code = byte_of(request_frame, kType);
  if (byte_of(reply, kType) != code) return false;
  const CommandInfo* row = find_command(code);
  if (row == nullptr) return true;
  // Request payload bytes the reply repeats from its byte 3 on. An acknowledgement (the dyno
  // rpm write) carries nothing of its request.
  std::size_t named = 0;
  switch (row->payload) {
    case memory_read:
    case memory_write:
      named = 2;
      break;
    case index_word:
    case index_byte:
    case row_mask:
      named = row->decode == &decode_acknowledgement ? 0 : 1;
      break;
    default:
      break;
  }
  for (std::size_t k = 0; k < named; ++k) {
    const std::size_t at = kFirstPayloadByte + k;
    if (at + kSumBytes >= reply.size()) break;
    if (byte_of(reply, at) != byte_of(request_frame, at)) return false;
  }
  return true;
}

}  // namespace ecu
