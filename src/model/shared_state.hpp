#pragma once
// State shared by the windows, the timers, the link and the decoders. Everything runs on
// the one user-interface thread and reads and writes these variables directly; there is no
// locking. Every variable starts at zero, false or empty; the main window's start-up sets
// the few that need other values. Arrays are sized "upper bound + 1" because they are
// indexed from 0 up to and including that bound.

#include <array>
#include <cstdint>
#include <string>

#include "model/basic_types.hpp"

namespace ecu {

// ---- Link state and flags -------------------------------------------------------------

inline Flag demo_mode = kFalse;             // no traffic; windows show generated or fixed values
inline Flag link_ready = kFalse;            // requests go out only while set
inline Flag comm_aborted = kFalse;          // user chose Abort: every request returns at once
inline Flag poll_inhibit = kFalse;          // a window runs its own requests; the main poll idles
inline Integer com_port = 0;                // serial port number 1 to 10
inline std::string remote_server_ip;        // relay server address; empty means serial mode
inline Integer remote_server_answered = 0;  // 1 when the relay socket gave back more than a byte
inline std::string server_rx_datagram;      // relay server: last datagram received
inline std::string caption_suffix;          // link indicator appended to every view's title
inline Integer master_mode = 0;             // 1 when debug.ini existed at start-up
// Element 0 counts since start-up, element 1 the running data set transfer. 64 bits so
// they never wrap, however long the console keeps polling.
inline std::array<std::int64_t, 1 + 1> tx_byte_counts{};
inline std::array<std::int64_t, 1 + 1> rx_byte_counts{};
inline Long reply_received = 0;            // -1 once a decoder accepted a frame of the right length
inline Integer feature_word_received = 0;  // 1 once the controller's feature word arrived
// Set by the graph drawing so the receive framer counts the drawing time as no idle time;
// the framer clears it at its next idle check.
inline Integer skip_idle_check = 0;
// Set for the whole of a request's transaction, its failure dialog included.
inline bool transaction_running = false;

// ---- View state ----------------------------------------------------------------------

// 0 none, 1 monitor, 2 configuration, 3 basic mapping, 4 plotter, 5 additional mapping,
// 6 dashboard, 7 output drivers, 8 diagnostics.
inline Integer current_view = 0;
inline Single idle_timer_start = 0.0F;   // time of day (s since midnight) a view was opened
inline std::string lambda_unit_caption;  // the monitor's A/F unit while the sensor reads lambda
// Deferred view switches, served by the main poll one per tick in this order; only -1
// counts as a request.
inline Flag view_request_mon = kFalse;
inline Flag view_request_dash = kFalse;
inline Flag view_request_tools = kFalse;
inline Flag view_request_3d = kFalse;
inline Flag view_request_2d = kFalse;
inline Flag view_request_sup = kFalse;
inline Flag view_request_plot = kFalse;
inline Flag view_request_diag = kFalse;

// ---- Units and scale factors ---------------------------------------------------------

inline Single afr_factor = 0.0F;         // lambda-to-AFR multiplier of the chosen display unit
inline Single rpm_full_scale = 0.0F;     // rpm; gauges, chart, axes and rpm-coded settings
inline Single map_sensor_gain = 0.0F;    // kPa span of the MAP sensor
inline Single map_sensor_offset = 0.0F;  // kPa offset of the MAP sensor
// Engine-speed smoothing: filtered = (raw - previous) x coefficient + previous.
inline Single tach_filter_coef = 0.0F;
inline Single tach_filter_prev = 0.0F;

// ---- Live data (from the live-data, monitor and status replies, or demo values) --------

inline Single engine_rpm = 0.0F;             // rpm, smoothed
inline Single engine_rpm_raw = 0.0F;         // rpm, unsmoothed
inline Single coolant_temp = 0.0F;           // deg C
inline Single manifold_air_temp = 0.0F;      // deg C
inline Single throttle_pos = 0.0F;           // percent, may be negative
inline Single throttle_pos_clamped = 0.0F;   // percent, 0 to 100
inline Single tps_pcnt = 0.0F;               // second throttle percentage, at most 100
inline Single manifold_pressure_kpa = 0.0F;  // kPa
inline Single baro_pressure = 0.0F;          // kPa
inline Single lambda_measured = 0.0F;        // lambda; 2.0 while the sensor reports %O2
inline Single o2_pcnt = 0.0F;                // percent oxygen, else 0
inline Long o2_sensor_status = 0;  // bit 0: lambda byte is lambda; 256 and up: sensor error
inline Single lambda_setpoint = 0.0F;
inline Single ego_correction = 0.0F;       // closed-loop correction factor
inline Single map_enrichment = 0.0F;       // factor
inline Single clt_enrichment = 0.0F;       // warm-up factor
inline Single accel_enrichment_ms = 0.0F;  // ms
inline Single base_injection_pw_s = 0.0F;  // seconds (shown in ms)
inline Single battery_volts = 0.0F;
inline Single aux_input_volts = 0.0F;
inline Single analog_temp = 0.0F;       // deg C, from the same monitor word as aux_input_volts
inline Single ign_advance_deg = 0.0F;   // degrees, signed
inline Single exhaust_gas_temp = 0.0F;  // deg C
// Live interpolation cell on each map axis, the position inside it in 1/128, and the two
// combined as a fraction of the axis for the live cursors.
inline Integer map_cell = 0;
inline Integer rpm_cell = 0;
inline Integer tps_cell = 0;
inline Integer map_rem = 0;
inline Integer rpm_rem = 0;
inline Integer tps_rem = 0;
inline Single map_pos = 0.0F;
inline Single rpm_pos = 0.0F;
inline Single tps_pos = 0.0F;
inline Single vehicle_speed_mph = 0.0F;
inline Single rpm_per_mph = 0.0F;
inline Long current_gear = 0;
inline Long ecu_cpu_secs = 0;  // controller running time, s
inline Long ecu_err_flgs = 0;
inline Long active_map_num = 0;
inline Long wheel_trig_count = 0;
inline Long cam_trig_count = 0;
inline Long wheel_idx_tooth = 0;
inline Long cam_idx_tooth = 0;
// Percent per output channel; only elements 0 to 7 are filled.
inline std::array<Long, 15 + 1> inj_duty_pcnt{};
inline std::array<Long, 15 + 1> ign_duty_pcnt{};
inline std::array<Single, 3 + 1> gpo_duty_pcnt{};  // percent per general-purpose output
// Idle stepper state as the controller numbers it: 1 shutdown, 2 home, 3 start position,
// 4 opening, 5 closing, 6 closed; 0 or anything else is unknown (the monitor's "????").
inline Long iac_state = 0;
inline Long iac_error = 0;         // idle stepper error count
inline Long iac_position = 0;      // steps
inline Long iac_rpm_setpoint = 0;  // rpm
// Raw wide-band oxygen controller values.
inline Long wb_feedback = 0;
inline Long wb_pump_current = 0;
inline Long wb_pump_dac = 0;
inline Long wb_heater_pw = 0;
inline Long wb_heater_temp = 0;
// Crank-wheel capture; page k of the capture fills elements 15k to 15k + 14.
inline std::array<Single, 200 + 1> wheel_diag_samples{};

// ---- Calibration scalars ---------------------------------------------------------------
// Raw values exactly as the controller stores them (its integer units); the editors and
// decoders own the scalings. calibration_keys.hpp maps each to its data set key.

inline Long fw_rev = 0;
inline Long fuel_mx = 0;
inline Long fuel_b = 0;
inline Long acc_minp = 0;
inline Long acc_maxp = 0;
inline Long acc_sen = 0;
inline Long acc_rate = 0;
inline Long ego_secs = 0;
inline Long ego_rate_setting = 0;
inline Long min_pres = 0;
inline Long option_bits = 0;
inline Long trgs_rev = 0;
inline Long map_type_setting = 0;
inline Long bat_comp_setting = 0;
inline Long tps_rpm_setting = 0;
inline Long hot_p_pw = 0;
inline Long cld_p_pw = 0;
inline Long hot_num_p = 0;
inline Long cld_num_p = 0;
inline Long tmp_thrs = 0;
inline Long ego_gain = 0;
inline Long ego_a_lo = 0;
inline Long ego_a_hi = 0;
inline Long ego_cut = 0;
inline Long iac_clos = 0;
inline Long iac_open = 0;
inline Long iac_tpse = 0;
inline Long iac_tpsc = 0;
inline Long iac_maxr = 0;
inline Long iac_errr = 0;
inline Long iac_dead = 0;
inline Long ign_tdwl = 0;
inline Long ign_mdeg = 0;
inline Long tdc_teth = 0;
inline Long tdc_trim = 0;
inline Long base_deg = 0;
inline Long ph_used_setting = 0;
inline Long tach_ph_setting = 0;
inline Long lim_deg = 0;
inline Long ego_flgs = 0;
inline Long ego_wbl0 = 0;
inline Long ego_wbl1 = 0;
inline Long tps_base = 0;
inline Long tps_fs = 0;
inline Long tps_ego = 0;
inline Long tps_enr = 0;
inline Long max_map = 0;
inline Long rli_sft1 = 0;
inline Long rli_sft2 = 0;
inline Long rli_hrd1 = 0;
inline Long rli_hrd2 = 0;
inline Long rlf_hrd1 = 0;
inline Long rlf_hrd2 = 0;
inline Long f_cut_t1 = 0;
inline Long f_cut_t2 = 0;
inline Long inpt_cgf = 0;
inline Long fshf_deg = 0;
inline Long fshf_rtm = 0;
inline Long fshf_ctm = 0;
inline Long idl_maxr = 0;
inline Long idl_maxa = 0;
inline Long idl_by_i = 0;
inline Long idl_drpm = 0;
inline Long crk_rpmh = 0;
inline Long crk_degn = 0;
inline Long crk_pegn = 0;
inline Long crk_etmr = 0;
inline Long crk_tdeg = 0;
inline Long wrpm_scl = 0;
inline Long rpm_accl = 0;
inline Long map_ofst = 0;
inline Long bar_ofst = 0;
inline Long map_sclr = 0;
inline Long bar_sclr = 0;

// ---- Calibration arrays (raw controller values) ------------------------------------------

inline std::array<Long, 15 + 1> injp{};  // per engine phase: injector channels firing
inline std::array<Long, 15 + 1> ignp{};  // per engine phase: ignition channels firing
inline std::array<Long, 15 + 1> phbt{};  // per engine phase: base angle in 1/4 degree
// Per general-purpose output (or boost channel).
inline std::array<Long, 3 + 1> gpos{};
inline std::array<Long, 3 + 1> gpov{};
inline std::array<Long, 3 + 1> rpms{};
inline std::array<Long, 3 + 1> bo_p{};
inline std::array<Long, 3 + 1> bo_i{};
inline std::array<Long, 3 + 1> bo_d{};
inline std::array<Long, 3 + 1> boen{};
inline std::array<Long, 3 + 1> bois{};
inline std::array<Long, 3 + 1> bort{};
inline std::array<Long, 3 + 1> bofg{};
inline std::array<Long, 7 + 1> stut{};  // hard stutter pattern
// Per gear.
inline std::array<Long, 7 + 1> rpsl{};
inline std::array<Long, 7 + 1> rpsh{};
// Per injector channel.
inline std::array<Long, 7 + 1> injk{};
inline std::array<Long, 7 + 1> injo{};
inline std::array<Long, 7 + 1> injl{};
inline std::array<Long, 7 + 1> injm{};
inline std::array<Long, 7 + 1> ggpo{};  // per gear: general-purpose output number

// ---- Reply bookkeeping and editor state ------------------------------------------------

inline Integer mem_value = 0;  // last calibration memory byte received
// Address of the first byte of the last memory-read reply, as the reply carries it, so a
// caller can tell a reply for another address from its own.
inline Long mem_address = 0;
// Table code of the map last drawn in 3D: 0 inj_map, 6 ign_map, 7 TPS_map, 8 TPS_mix,
// 9 the lambda set-point grid.
inline Integer graph_table_code = 0;
inline Single lambda_sp_scale_low = 0.0F;   // lowest cell of the lambda set-point grid
inline Single lambda_sp_scale_high = 0.0F;  // highest cell of the lambda set-point grid
// Heat-map colour per table byte; the lambda grid uses elements 0 to 80.
inline std::array<Long, 255 + 1> inj_map_colors{};
inline std::array<Long, 255 + 1> ign_map_colors{};
inline std::array<Long, 255 + 1> tps_map_colors{};
inline std::array<Long, 255 + 1> tps_mix_colors{};
inline std::array<Long, 255 + 1> lambda_sp_colors{};
// Grid block selection: start (0) and end (1) corner while the mouse is down.
inline std::array<Integer, 1 + 1> block_sel_rows{};
inline std::array<Integer, 1 + 1> block_sel_cols{};
inline Integer block_sel_invalid = 0;  // -1 when released outside the cells, 0 at mouse down
// The last completed block, smallest and largest row and column.
inline Long block_first_row = 0;
inline Long block_first_col = 0;
inline Long block_last_row = 0;
inline Long block_last_col = 0;
// Size (16 or 9) and table code of the grid holding that block; 1 to 4 are the output
// tables, 10 to 13 the boost tables, the others as graph_table_code.
inline Integer block_rows = 0;
inline Integer block_cols = 0;
inline Integer block_table_code = 0;

// ---- Logging state -------------------------------------------------------------------

inline std::string log_file_name;   // data log chosen at Start Log
inline Integer logging_active = 0;  // 1 while the data log is open
inline Integer log_file_num = 0;
inline Long log_sample_count = 0;      // rows written to the data log
inline Integer dyno_log_file_num = 0;  // 0 when no dyno capture log is open

// Puts every variable above back to its program-start value (zero, false, empty). The
// start-up defaults of the main window are not applied here.
void reset_shared_state();

}  // namespace ecu
