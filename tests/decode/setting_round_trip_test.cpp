// The console reads each setting from a simulated controller on a pseudo-terminal, the user
// edits it, and the write goes back: the controller echoes what it stored, the control
// shows that and ends in sync, and a second read brings the same value back.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/frm_tool.hpp"
#include "decode/setting_replies.hpp"
#include "decode/setting_reply_fixture.hpp"
#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/request.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "sim/simulated_controller.hpp"
#include "support/watched_ports.hpp"
#include "views/frm_dashboard.hpp"

namespace {

using Tool = ecu::FrmToolForm;
using Sup = ecu::FrmSupForm;

// The request as it goes out: the code, then exactly the payload bytes given.
std::string command(unsigned code, std::initializer_list<unsigned> payload = {}) {
  std::string bytes(1, static_cast<char>(code));
  for (const unsigned byte : payload) bytes += static_cast<char>(byte & 0xFFU);
  return bytes;
}

std::string word_write(unsigned code, unsigned value) {
  return command(code, {value & 0xFF, value >> 8, 0});
}
std::string byte_write(unsigned code, unsigned value) {
  return command(code, {value, 0, 0});
}
std::string element_word(unsigned code, unsigned index, unsigned value) {
  return command(code, {index, value & 0xFF, value >> 8});
}
std::string element_byte(unsigned code, unsigned index, unsigned value) {
  return command(code, {index, value, 0});
}

// How a setting shows that it is changed and not yet written, and that it is in sync.
struct Marker {
  std::function<void()> mark_changed;
  std::function<bool()> in_sync;
  std::function<std::string()> shown;
};

Marker text_field(std::function<ui::TextBox&()> field) {
  return {[field] {
            field().set_text("edited");
            field().set_back_colour(ui::colours::yellow);
          },
          [field] { return field().back_colour() == ui::colours::white; },
          [field] { return field().text(); }};
}

Marker tool_field(ui::TextBox Tool::*member) {
  return text_field([member]() -> ui::TextBox& { return ecu::frm_tool().*member; });
}

Marker tool_element(ui::ControlArray<ui::TextBox> Tool::*member, int index) {
  return text_field([member, index]() -> ui::TextBox& { return (ecu::frm_tool().*member)[index]; });
}

Marker output_element(ui::ControlArray<ui::TextBox> Sup::*member, int index) {
  return text_field([member, index]() -> ui::TextBox& { return (ecu::frm_sup().*member)[index]; });
}

// A row of check boxes marked by the caption of its element 0.
Marker check_row(std::function<ui::ControlArray<ui::CheckBox>&()> row) {
  return {[row] { row()[0].set_caption("X"); }, [row] { return row()[0].caption().empty(); },
          [row] {
            std::string ticks;
            for (int i = 0; i < row().count(); ++i) ticks += row()[i].value() != 0 ? '1' : '0';
            return ticks;
          }};
}

// A choice marked by the text colour of one control.
Marker choice(std::function<ui::Control&()> marked, std::function<std::string()> shown) {
  return {[marked] { marked().set_fore_colour(ui::colours::yellow); },
          [marked] { return marked().fore_colour() == ui::colours::black; }, std::move(shown)};
}

std::string selected(ui::ControlArray<ui::OptionButton>& group) {
  for (int i = 0; i < group.count(); ++i) {
    if (group[i].value()) return std::to_string(i);
  }
  return "none";
}

struct RoundTrip {
  const char* what;
  std::string read;  // empty: the setting is read within a block of another decoder
  std::string write;
  Marker marker;
  std::string written;  // what the control shows once the echo of the write arrived
};

std::vector<RoundTrip> round_trips() {
  std::vector<RoundTrip> trips = {
      // Letter codes.
      {"EGO gain", command('!'), byte_write('?', 96), tool_field(&Tool::EGO_Prop_Gain), "1.500"},
      {"minimum EGO gain", command('%'), byte_write('<', 96), tool_field(&Tool::min_ego_gain),
       "1.500"},
      {"maximum EGO gain", command('^'), byte_write('>', 160), tool_field(&Tool::max_ego_gain),
       "2.500"},
      {"EGO reset pulse", command('@'), word_write('=', 3125), tool_field(&Tool::EGO_reset_pw),
       "5.00"},
      {"hot priming pulse", command('S'), word_write('s', 1250), tool_field(&Tool::priming_pw_hot),
       "2.000"},
      {"hot priming count", command('T'), byte_write('t', 7), tool_field(&Tool::num_pulses_hot),
       "7"},
      {"cold priming pulse", command('U'), word_write('u', 625), tool_field(&Tool::priming_pw_cold),
       "1.000"},
      {"cold priming count", command('V'), byte_write('v', 9), tool_field(&Tool::num_pulses_cold),
       "9"},
      {"temperature threshold", command('W'), byte_write('w', 0xF6),
       tool_field(&Tool::temp_threshold), "-10"},
      {"TPS map cut-in", command('Z'), word_write('z', 1023),
       text_field([]() -> ui::TextBox& { return ecu::frm_3d().tps_rpm; }), "10000"},
      {"EGO seconds", "", word_write('b', 30), tool_field(&Tool::ego_seconds), "30"},
      {"EGO rate", "", byte_write('c', 10), tool_field(&Tool::ego_rate), "10"},
      {"acceleration rate", "", word_write('f', 819), tool_field(&Tool::accel_flt_rate), "76.30"},
      {"acceleration sensitivity", "", word_write('g', 100), tool_field(&Tool::accel_senitivity),
       "20.50"},
      {"minimum pressure", "", word_write('p', 512), tool_field(&Tool::min_pressure), "67.6"},
      {"triggers per revolution", "", byte_write('~', 36), tool_field(&Tool::trigs_per_rev), "36"},
      {"minimum accel pulse", "", word_write('h', 625), tool_field(&Tool::accel_pw_min), "1.00"},
      {"maximum accel pulse", "", word_write(' ', 6250), tool_field(&Tool::accel_pw_max), "10.00"},
      {"fuel scaler on mapping", "", word_write('m', 1250),
       text_field([]() -> ui::TextBox& { return ecu::frm_3d().ecu_pgm[0]; }), "2.000"},
      {"fuel scaler on dashboard", "", word_write('m', 1250),
       text_field([]() -> ui::TextBox& { return ecu::frm_dashboard().ecu_pgm[0]; }), "2.000"},
      {"fuel offset", "", word_write('o', 17009),
       text_field([]() -> ui::TextBox& { return ecu::frm_dashboard().ecu_pgm[1]; }), "1.000"},
      {"options", "", byte_write('|', 2),
       choice([]() -> ui::Control& { return ecu::frm_tool().MAP_accel; },
              [] {
                return std::to_string(ecu::frm_tool().TPS_mapped.value()) +
                       std::to_string(ecu::frm_tool().MAP_accel.value());
              }),
       "01"},
      // First binary decoder.
      {"MAP sensor type", "", byte_write(0x82, 0x40),
       choice([]() -> ui::Control& { return ecu::frm_tool().map_type[0]; },
              [] {
                return selected(ecu::frm_tool().map_type) +
                       std::to_string(ecu::frm_tool().special_cfg[0].value());
              }),
       "01"},
      {"battery compensation", "", byte_write(0x83, 25), tool_field(&Tool::bat_comp), "40.0"},
      {"injection phase row", command(0x7F), command(0x80, {3, 0x81, 0}),
       check_row([]() -> ui::ControlArray<ui::CheckBox>& { return ecu::injector_phase_row(3); }),
       "10000001"},
      {"ignition phase row", command(0xA5), command(0xA6, {15, 0x0C, 0}),
       check_row([]() -> ui::ControlArray<ui::CheckBox>& { return ecu::ignition_phase_row(15); }),
       "00110000"},
      {"idle close steps", command(0x84), word_write(0x85, 300), tool_field(&Tool::iac_close_steps),
       " 300"},
      {"idle open steps", command(0x86), word_write(0x87, 60), tool_field(&Tool::iac_open_steps),
       " 60"},
      {"idle enable throttle", command(0x88), word_write(0x89, 1023),
       tool_field(&Tool::iac_enable_tps_val), "99.9"},
      {"idle close throttle", command(0x8A), word_write(0x8B, 512),
       tool_field(&Tool::iac_close_tps_val), "50.0"},
      {"idle step rate", command(0x8C), word_write(0x8D, 450), tool_field(&Tool::iac_max_rate),
       " 450"},
      {"idle error rate", command(0x8E), word_write(0x8F, 120), tool_field(&Tool::iac_error_rate),
       " 120"},
      {"idle dead band", command(0x90), byte_write(0x91, 60), tool_field(&Tool::iac_deadband),
       " 60"},
      {"target dwell", command(0x94), word_write(0x95, 400), tool_field(&Tool::target_dwell),
       "4.00"},
      {"minimum dwell", command(0x9D), word_write(0x9E, 92), tool_field(&Tool::min_dwell_deg),
       "23.00"},
      {"TDC trim", command(0xA1), byte_write(0xA2, 255), tool_field(&Tool::tdc_trim_deg), "47.75"},
      {"base timing", command(0xA3), byte_write(0xA4, 68), tool_field(&Tool::base_offset_deg),
       "1.00"},
      {"base timing on dashboard", command(0xA3), byte_write(0xA4, 60),
       text_field([]() -> ui::TextBox& { return ecu::frm_dashboard().base_offset_deg; }), "-1.00"},
      {"phase base angle", command(0x9B), element_word(0x9C, 15, 2876),
       tool_element(&Tool::ph_base_deg, 15), "719.00"},
      {"phases in use", command(0x9F), word_write(0xA0, 0x8001),
       check_row([]() -> ui::ControlArray<ui::CheckBox>& { return ecu::frm_tool().ph_used; }),
       "1000000000000001"},
      {"teeth before TDC", command(0xA7), byte_write(0xA8, 14), tool_field(&Tool::Teeth_BTDC),
       "14"},
      {"tach phases", command(0xB0), word_write(0xB1, 0x8005),
       check_row([]() -> ui::ControlArray<ui::CheckBox>& { return ecu::frm_tool().tach_ph; }),
       "1010000000000001"},
      {"output mode", command(0xAA, {0, 0, 0}), element_byte(0xAB, 2, 0x87),
       choice([]() -> ui::Control& { return ecu::output_mode_buttons(2)[0]; },
              [] {
                return selected(ecu::output_mode_buttons(2)) +
                       std::to_string(ecu::frm_sup().dont_interpolate[2].value());
              }),
       "71"},
      {"coolant relay temperature", command(0xAC, {0, 0, 0}), element_byte(0xAD, 1, 0xFB),
       output_element(&Sup::cool_rly_temp, 1), "-5"},
      {"rev limit retard", command(0xB7), word_write(0xB8, 10),
       tool_field(&Tool::rpm_limit_max_degrees), "2.50"},
      {"open-loop throttle", command(0xE3), byte_write(0xE4, 255),
       tool_field(&Tool::tps_open_loop_val), "100.0"},
      {"deceleration throttle", command(0xE5), byte_write(0xE6, 51),
       tool_field(&Tool::decel_tps_value), "20.0"},
      {"maximum pressure", command(0xE7), word_write(0xE8, 1023), tool_field(&Tool::max_pressure),
       "125.0"},
      {"injector gain", command(0xC9), element_word(0xCC, 7, 6144),
       tool_element(&Tool::inj_gain, 7), "1.500"},
      {"injector offset", command(0xCA), element_word(0xCD, 0, 0xFFFF),
       tool_element(&Tool::inj_offset, 0), "-0.002"},
      {"injector minimum", command(0x0C), element_word(0x0D, 3, 1250),
       tool_element(&Tool::inj_min, 3), "2.000"},
      {"injector maximum", command(0xCB), element_word(0xCE, 7, 6250),
       tool_element(&Tool::inj_max, 7), "10.000"},
      {"EGO type", command(0xD0), byte_write(0xD1, 2),
       choice([]() -> ui::Control& { return ecu::frm_tool().EGO_type[0]; },
              [] { return selected(ecu::frm_tool().EGO_type); }),
       "2"},
      {"lambda at 0 V", command(0xD0), byte_write(0xD2, 64), tool_field(&Tool::WB_EGO_0V_LAMBDA),
       "0.500"},
      {"lambda at 1 V", command(0xD0), byte_write(0xD3, 192), tool_field(&Tool::WB_EGO_1V_LAMBDA),
       "1.500"},
      {"closed throttle", command(0xD4), byte_write(0xD5, 51), tool_field(&Tool::tps_base_val),
       "20.0"},
      {"full throttle", command(0xD4), byte_write(0xD6, 204), tool_field(&Tool::tps_fs_val),
       "80.0"},
      {"boost P", command(0xD9, {0, 0, 0}), element_word(0xDA, 2, 6144),
       output_element(&Sup::boost_p, 2), "1.500"},
      {"boost I", command(0xD9, {0, 0, 0}), element_word(0xDB, 0, 2048),
       output_element(&Sup::boost_i, 0), "0.500"},
      {"boost D", command(0xD9, {0, 0, 0}), element_word(0xDC, 3, 4096),
       output_element(&Sup::boost_d, 3), "1.000"},
      {"boost enable pressure", command(0xD9, {0, 0, 0}), element_byte(0xDD, 1, 255),
       output_element(&Sup::boost_enable_press, 1), "125.0"},
      {"boost preset", command(0xD9, {0, 0, 0}), element_byte(0xDE, 0, 128),
       output_element(&Sup::boost_integ_preset, 0), "50"},
      {"boost loop rate", command(0xD9, {0, 0, 0}), element_byte(0xDF, 3, 200),
       output_element(&Sup::boost_loop_rate, 3), "200"},
      {"boost flags", command(0xD9, {0, 0, 0}), element_byte(0xE0, 2, 3),
       choice([]() -> ui::Control& { return ecu::frm_sup().boost_ctrl_invert[2]; },
              [] {
                return std::to_string(ecu::frm_sup().boost_ctrl_invert[2].value()) +
                       std::to_string(ecu::frm_sup().use_as_pwm[2].value());
              }),
       "11"},
      {"rpm switch", command(0xE1, {0, 0, 0}), element_word(0xE2, 2, 4500),
       output_element(&Sup::rpm_switch, 2), "4500"},
      // Second binary decoder.
      {"idle max retard", command(0x06), byte_write(0x07, 12), tool_field(&Tool::idle_max_retard),
       "3.00"},
      {"idle max advance", command(0x08), byte_write(0x09, 255),
       tool_field(&Tool::idle_max_advance), "63.75"},
      {"idle by timing", command(0x0A), byte_write(0x0B, 0),
       choice([]() -> ui::Control& { return ecu::frm_tool().enable_idle_by_timing; },
              [] { return std::to_string(ecu::frm_tool().enable_idle_by_timing.value()); }),
       "0"},
      {"cranking max rpm", command(0x0E), word_write(0x0F, 450),
       tool_field(&Tool::cranking_max_rpm), "450"},
      {"cranking enrichment gain", command(0x10), byte_write(0x11, 32),
       tool_field(&Tool::cranking_enrichment_gain), ".500"},
      {"cranking enrichment timer", command(0x12), word_write(0x13, 400),
       tool_field(&Tool::cranking_enrichment_timer), "2.000"},
      {"cranking timing", command(0x14), byte_write(0x15, 0x40), tool_field(&Tool::cranking_timing),
       "0.00"},
      {"post-cranking gain", command(0x16), byte_write(0x17, 64),
       tool_field(&Tool::post_cranking_enrichment_gain), "1.000"},
      {"hard ignition limit 1", command(0x18), word_write(0x19, 7100),
       tool_field(&Tool::hard_ign_limit1), "7100"},
      {"hard ignition limit 2", command(0x1A), word_write(0x1B, 7300),
       tool_field(&Tool::hard_ign_limit2), "7300"},
      {"stutter pattern", command(0x1C), element_word(0x1D, 5, 300),
       tool_element(&Tool::stutter_table, 5), "300"},
      {"wheel rpm scaler", command(0x1E), word_write(0x1F, 16384),
       tool_field(&Tool::wheel_rpm_scaler), "0.250000"},
      {"low speed ratio", command(0x22), element_word(0x23, 1, 40),
       tool_element(&Tool::low_rps_ratio, 1), "2.50"},
      {"high speed ratio", command(0x22), element_word(0x24, 2, 8),
       tool_element(&Tool::high_rps_ratio, 2), "0.50"},
      {"gear output", command(0x26), element_byte(0x27, 3, 3), tool_element(&Tool::gear_gpo_num, 3),
       "4"},
      {"rpm acceleration gain", command(0x28), byte_write(0x29, 128),
       tool_field(&Tool::rpm_accel_gain), "2.000"},
      {"idle disable rpm", command(0x2E), word_write(0x2F, 2600),
       tool_field(&Tool::idle_disable_rpm), "2600"},
      {"map offset", command(0x30), byte_write(0x31, 0), tool_field(&Tool::map_offset), "-12.50"},
      {"map scaler", command(0x30), word_write(0x32, 2048), tool_field(&Tool::map_scaler), "2.000"},
      {"baro offset", command(0x30), byte_write(0x33, 0x80), tool_field(&Tool::baro_offset),
       "0.00"},
      {"baro scaler", command(0x30), word_write(0x34, 512), tool_field(&Tool::baro_scaler),
       "0.500"},
      {"map change time", command(0x35), byte_write(0x36, 200), tool_field(&Tool::map_change_time),
       "1.000"},
      {"soft ignition rpm 1", command(0xE9), word_write(0xEA, 10000),
       tool_field(&Tool::soft_ign_rpm1), "10000"},
      {"soft ignition rpm 2", command(0xEB), word_write(0xEC, 6700),
       tool_field(&Tool::soft_ign_rpm2), "6700"},
      {"fuel cut rpm 1", command(0xED), word_write(0xEE, 7700), tool_field(&Tool::fuel_rpm1),
       "7700"},
      {"fuel cut rpm 2", command(0xEF), word_write(0xF0, 7800), tool_field(&Tool::fuel_rpm2),
       "7800"},
      {"fuel cut time 1", command(0xF1), byte_write(0xF2, 1), tool_field(&Tool::fuel_cut_time1),
       "0.005"},
      {"fuel cut time 2", command(0xF3), byte_write(0xF4, 100), tool_field(&Tool::fuel_cut_time2),
       "0.500"},
      {"input assignment", command(0xF5), word_write(0xF6, 0x0FFF),
       choice([]() -> ui::Control& { return ecu::frm_tool().aux_in_used_as[0]; },
              [] {
                return selected(ecu::frm_tool().aux_in_used_as) +
                       selected(ecu::frm_tool().idx_used_as);
              }),
       "10"},
      {"flat shift retard", command(0xF9), byte_write(0xFA, 44),
       tool_field(&Tool::flat_shft_retard), "11.00"},
      {"flat shift retard time", command(0xFB), byte_write(0xFC, 40),
       tool_field(&Tool::flat_shft_retard_time), "0.200"},
      {"flat shift fuel cut", command(0xFD), byte_write(0xFE, 255),
       tool_field(&Tool::flat_shft_fuel_cut), "1.275"},
  };
  return trips;
}

class SettingRoundTrip : public test::SettingReplyTest {
 protected:
  void SetUp() override {
    SettingReplyTest::SetUp();
    test::use_system_serial_port();
    controller_ = std::make_unique<sim::SimulatedController>(1);
    ecu::rpm_full_scale = 10000;
    ecu::map_sensor_gain = 115;
    ecu::map_sensor_offset = 10;
    ecu::com_port = 1;
    ecu::open_comm_link();
    ASSERT_EQ(ecu::link_ready, ecu::kTrue);
  }

  void TearDown() override {
    // The port closes before the controller behind it goes away.
    test::use_system_serial_port();
    controller_.reset();
    SettingReplyTest::TearDown();
  }

  static void send(const std::string& request) {
    ecu::reply_received = 0;
    ecu::send_command(request);
    ASSERT_EQ(ecu::reply_received, -1) << "no reply taken";
  }

  std::unique_ptr<sim::SimulatedController> controller_;
};

TEST_F(SettingRoundTrip, ReadEditAndWriteBackEndsInSyncWithWhatTheControllerStored) {
  for (const RoundTrip& trip : round_trips()) {
    SCOPED_TRACE(trip.what);
    if (!trip.read.empty()) {
      trip.marker.mark_changed();
      send(trip.read);
      EXPECT_TRUE(trip.marker.in_sync()) << "after the read";
    }
    trip.marker.mark_changed();
    send(trip.write);
    EXPECT_TRUE(trip.marker.in_sync()) << "after the echo";
    EXPECT_EQ(trip.marker.shown(), trip.written) << "after the echo";
    if (!trip.read.empty()) {
      trip.marker.mark_changed();
      send(trip.read);
      EXPECT_TRUE(trip.marker.in_sync()) << "after the second read";
      EXPECT_EQ(trip.marker.shown(), trip.written) << "the controller kept the write";
    }
  }
}

TEST_F(SettingRoundTrip, ThrottleCapturesShowTheReadingTheControllerTook) {
  controller_->settings().set_throttle_reading(0xD7, 26);
  controller_->settings().set_throttle_reading(0xD8, 230);
  send(command(0xD7, {0, 0, 0}));
  send(command(0xD8, {0, 0, 0}));
  EXPECT_EQ(ecu::frm_tool().tps_base_val.text(), "10.2");
  EXPECT_EQ(ecu::frm_tool().tps_fs_val.text(), "90.2");
  EXPECT_EQ(ecu::tps_base, 26);
  EXPECT_EQ(ecu::tps_fs, 230);
  send(command(0xD4));
  EXPECT_EQ(ecu::tps_fs, 230);
}

TEST_F(SettingRoundTrip, FeatureWordAndVersionArriveOnTheirPollRequests) {
  controller_->settings().set_block(0xB3, test::word_bytes(0x0744));
  controller_->settings().set_block(0xB4, test::word_bytes(20002));
  for (int tick = 0; tick < 3; ++tick) {
    send(command(0xB3));
    send(command(0xB4));
  }
  EXPECT_EQ(ecu::feature_word_received, 1);
  EXPECT_FALSE(ecu::injector_phase_row(0)[4].enabled());
  EXPECT_TRUE(ecu::injector_phase_row(0)[3].enabled());
  EXPECT_FALSE(ecu::frm_sup().GPO_params[0].visible());
  EXPECT_EQ(presenter().shown_messages.size(), 1U);
  // Opening the link again allows the next report.
  ecu::open_comm_link();
  send(command(0xB4));
  EXPECT_EQ(presenter().shown_messages.size(), 2U);
}

TEST_F(SettingRoundTrip, ActionsAreAcknowledged) {
  for (const std::string& request :
       {command(0xA9, {0xA5, 0, 0}), command(0x01, {0x0F, 0, 0}), command(0x02, {0xF0, 0, 0}),
        command(0x03, {1, 0x10, 0x27}), command(0x04, {1, 0, 0}), command(0xF7)}) {
    SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(request[0])));
    send(request);
  }
}

}  // namespace
