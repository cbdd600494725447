#include "model/shared_state.hpp"

namespace ecu {

namespace {

// Value-initialises each argument: zero for numbers and every array element, empty for
// text. One call per group of the header, in the header's order, so a new variable is
// missed only if it is missed in plain sight.
template <typename... Variables>
void clear(Variables&... variables) {
  ((variables = Variables{}), ...);
}

}  // namespace

void reset_shared_state() {
  // Link state and flags
  clear(demo_mode, link_ready, comm_aborted, poll_inhibit, com_port, remote_server_ip,
        remote_server_answered, server_rx_datagram, caption_suffix, master_mode, tx_byte_counts,
        rx_byte_counts, reply_received, feature_word_received, skip_idle_check,
        transaction_running);

  // View state
  clear(current_view, idle_timer_start, lambda_unit_caption, view_request_mon, view_request_dash,
        view_request_tools, view_request_3d, view_request_2d, view_request_sup, view_request_plot,
        view_request_diag);

  // Units and scale factors
  clear(afr_factor, rpm_full_scale, map_sensor_gain, map_sensor_offset, tach_filter_coef,
        tach_filter_prev);

  // Live data
  clear(engine_rpm, engine_rpm_raw, coolant_temp, manifold_air_temp, throttle_pos,
        throttle_pos_clamped, tps_pcnt, manifold_pressure_kpa, baro_pressure, lambda_measured,
        o2_pcnt, o2_sensor_status, lambda_setpoint, ego_correction, map_enrichment, clt_enrichment,
        accel_enrichment_ms, base_injection_pw_s, battery_volts, aux_input_volts, analog_temp,
        ign_advance_deg, exhaust_gas_temp);
  clear(map_cell, rpm_cell, tps_cell, map_rem, rpm_rem, tps_rem, map_pos, rpm_pos, tps_pos,
        vehicle_speed_mph, rpm_per_mph, current_gear, ecu_cpu_secs, ecu_err_flgs, active_map_num,
        wheel_trig_count, cam_trig_count, wheel_idx_tooth, cam_idx_tooth, inj_duty_pcnt,
        ign_duty_pcnt, gpo_duty_pcnt, iac_state, iac_error, iac_position, iac_rpm_setpoint,
        wb_feedback, wb_pump_current, wb_pump_dac, wb_heater_pw, wb_heater_temp,
        wheel_diag_samples);

  // Calibration scalars
  clear(fw_rev, fuel_mx, fuel_b, acc_minp, acc_maxp, acc_sen, acc_rate, ego_secs, ego_rate_setting,
        min_pres, option_bits, trgs_rev, map_type_setting, bat_comp_setting, tps_rpm_setting,
        hot_p_pw, cld_p_pw, hot_num_p, cld_num_p, tmp_thrs, ego_gain, ego_a_lo, ego_a_hi, ego_cut,
        iac_clos, iac_open, iac_tpse, iac_tpsc, iac_maxr, iac_errr, iac_dead, ign_tdwl, ign_mdeg,
        tdc_teth, tdc_trim, base_deg, ph_used_setting, tach_ph_setting, lim_deg, ego_flgs, ego_wbl0,
        ego_wbl1, tps_base, tps_fs, tps_ego, tps_enr, max_map, rli_sft1, rli_sft2, rli_hrd1,
        rli_hrd2, rlf_hrd1, rlf_hrd2, f_cut_t1, f_cut_t2, inpt_cgf, fshf_deg, fshf_rtm, fshf_ctm,
        idl_maxr, idl_maxa, idl_by_i, idl_drpm, crk_rpmh, crk_degn, crk_pegn, crk_etmr, crk_tdeg,
        wrpm_scl, rpm_accl, map_ofst, bar_ofst, map_sclr, bar_sclr);

  // Calibration arrays
  clear(injp, ignp, phbt, gpos, gpov, rpms, bo_p, bo_i, bo_d, boen, bois, bort, bofg, stut, rpsl,
        rpsh, injk, injo, injl, injm, ggpo);

  // Reply bookkeeping and editor state
  clear(mem_value, mem_address, graph_table_code, lambda_sp_scale_low, lambda_sp_scale_high,
        inj_map_colors, ign_map_colors, tps_map_colors, tps_mix_colors, lambda_sp_colors,
        block_sel_rows, block_sel_cols, block_sel_invalid, block_first_row, block_first_col,
        block_last_row, block_last_col, block_rows, block_cols, block_table_code);

  // Logging state
  clear(log_file_name, logging_active, log_file_num, log_sample_count, dyno_log_file_num);
}

}  // namespace ecu
