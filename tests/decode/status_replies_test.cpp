#include "decode/status_replies.hpp"

#include <gtest/gtest.h>

#include <string>

#include "config/frm_tool.hpp"
#include "decode/decode_test_support.hpp"
#include "decode/display_values.hpp"
#include "maps/frm_3d.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_about.hpp"
#include "views/frm_dashboard.hpp"

namespace ecu {
namespace {

using sim::BaseConfig;
using sim::FuelParams;

class StatusRepliesTest : public test::DecodeTest {
 protected:
  static void receive_base_config(const BaseConfig& config) {
    test::receive('C', sim::base_config_block_payload(config));
  }
  static void receive_fuel_params(const FuelParams& params) {
    test::receive('B', sim::fuel_params_payload(params));
  }
};

TEST_F(StatusRepliesTest, BaseConfigMapSensorByteSetsTheScaleOfTheMinimumPressure) {
  BaseConfig config;
  config.map_type = 0xC2;
  config.min_pres = 512;
  receive_base_config(config);
  FrmToolForm& tool = frm_tool();
  EXPECT_TRUE(tool.map_type[2].value());
  EXPECT_FALSE(tool.map_type[0].value());
  EXPECT_FLOAT_EQ(map_sensor_gain, 551.0F);
  EXPECT_FLOAT_EQ(map_sensor_offset, 79.0F);
  EXPECT_EQ(tool.special_cfg[0].value(), ui::CheckBox::checked);
  EXPECT_EQ(tool.special_cfg[1].value(), ui::CheckBox::checked);
  EXPECT_EQ(tool.min_pressure.text(), "355.0");
  EXPECT_EQ(map_type_setting, 0xC2);
  EXPECT_EQ(min_pres, 512);
}

struct MapTypeCase {
  std::uint8_t byte;
  int option;
  Single gain;
  Single offset;
  int special_0;
  int special_1;
  const char* min_pressure_of_zero;
};

TEST_F(StatusRepliesTest, MapTypeChoosesSensorScaleAndSpecialOptions) {
  const MapTypeCase cases[] = {
      {0x00, 0, 115.0F, 10.0F, 0, 0, "10.0"},
      {0x41, 1, 255.0F, 10.0F, 1, 0, "10.0"},
      {0x82, 2, 551.0F, 79.0F, 0, 1, "79.0"},
      {0x3F, 3, 394.0F, 10.0F, 0, 0, "10.0"},
  };
  for (const MapTypeCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.byte));
    BaseConfig config;
    config.map_type = c.byte;
    config.min_pres = 0;
    receive_base_config(config);
    FrmToolForm& tool = frm_tool();
    for (int k = 0; k < 4; ++k) EXPECT_EQ(tool.map_type[k].value(), k == c.option) << k;
    EXPECT_FLOAT_EQ(map_sensor_gain, c.gain);
    EXPECT_FLOAT_EQ(map_sensor_offset, c.offset);
    EXPECT_EQ(tool.special_cfg[0].value(), c.special_0);
    EXPECT_EQ(tool.special_cfg[1].value(), c.special_1);
    EXPECT_EQ(tool.min_pressure.text(), c.min_pressure_of_zero);
  }
}

TEST_F(StatusRepliesTest, BaseConfigShowsEachSettingInItsField) {
  BaseConfig config;
  config.ego_secs = 120;
  config.acc_rate = 819;
  config.ego_rate = 25;
  config.acc_sen = 100;
  config.fs_rpm = 9000;
  config.options = 0x02;
  config.trgs_rev = 36;
  config.map_type = 0x00;
  config.min_pres = 1023;
  receive_base_config(config);
  FrmToolForm& tool = frm_tool();
  EXPECT_EQ(tool.ego_seconds.text(), "120");
  EXPECT_EQ(tool.accel_flt_rate.text(), "76.30");
  EXPECT_EQ(tool.ego_rate.text(), "25");
  EXPECT_EQ(tool.accel_senitivity.text(), "20.50");
  EXPECT_EQ(tool.full_scale_rpm.text(), "9000");
  EXPECT_EQ(tool.trigs_per_rev.text(), "36");
  EXPECT_EQ(tool.min_pressure.text(), "125.0");
  EXPECT_EQ(tool.TPS_mapped.value(), ui::CheckBox::unchecked);
  EXPECT_EQ(tool.MAP_accel.value(), ui::CheckBox::checked);
  EXPECT_FLOAT_EQ(rpm_full_scale, 9000.0F);
  EXPECT_EQ(ego_secs, 120);
  EXPECT_EQ(acc_rate, 819);
  EXPECT_EQ(ego_rate_setting, 25);
  EXPECT_EQ(acc_sen, 100);
  EXPECT_EQ(option_bits, 2);
  EXPECT_EQ(trgs_rev, 36);
}

TEST_F(StatusRepliesTest, BaseConfigLeavesEveryFieldInSync) {
  FrmToolForm& tool = frm_tool();
  ui::TextBox* boxes[] = {&tool.accel_senitivity, &tool.accel_flt_rate, &tool.ego_seconds,
                          &tool.ego_rate,         &tool.min_pressure,   &tool.trigs_per_rev,
                          &tool.full_scale_rpm};
  for (ui::TextBox* box : boxes) box->set_back_colour(ui::colours::yellow);
  tool.TPS_mapped.set_fore_colour(ui::colours::yellow);
  tool.MAP_accel.set_fore_colour(ui::colours::yellow);
  tool.map_type[0].set_fore_colour(ui::colours::yellow);
  BaseConfig config;
  config.options = 0x03;
  receive_base_config(config);
  for (ui::TextBox* box : boxes) EXPECT_EQ(box->back_colour(), ui::colours::white) << box->name();
  EXPECT_EQ(tool.TPS_mapped.fore_colour(), ui::colours::black);
  EXPECT_EQ(tool.MAP_accel.fore_colour(), ui::colours::black);
  EXPECT_EQ(tool.map_type[0].fore_colour(), ui::colours::black);
}

TEST_F(StatusRepliesTest, FullScaleRpmOfZeroIsStoredAndShownAsReceived) {
  BaseConfig config;
  config.fs_rpm = 0;
  receive_base_config(config);
  EXPECT_FLOAT_EQ(rpm_full_scale, 0.0F);
  EXPECT_EQ(frm_tool().full_scale_rpm.text(), "0");
}

TEST_F(StatusRepliesTest, BaseConfigOfTheWrongLengthChangesNothing) {
  const std::string payload = sim::base_config_block_payload(BaseConfig{});
  test::receive('C', payload.substr(0, payload.size() - 1));
  EXPECT_EQ(reply_received, 0);
  EXPECT_FALSE(frm_tool.loaded());
  EXPECT_FLOAT_EQ(rpm_full_scale, 0.0F);
  test::receive('C', payload);
  EXPECT_EQ(reply_received, -1);
  EXPECT_FLOAT_EQ(rpm_full_scale, 8000.0F);
}

struct FuelOffsetCase {
  std::uint16_t fuel_b;
  const char* text;
};

TEST_F(StatusRepliesTest, FuelOffsetIsShownInMillisecondsAboutItsBias) {
  const FuelOffsetCase cases[] = {{16384, "0.000"}, {0, "-26.214"}, {17009, "1.000"}};
  for (const FuelOffsetCase& c : cases) {
    FuelParams params;
    params.fuel_b = c.fuel_b;
    receive_fuel_params(params);
    EXPECT_EQ(frm_3d().ecu_pgm[1].text(), c.text);
    EXPECT_EQ(frm_dashboard().ecu_pgm[1].text(), c.text);
    EXPECT_EQ(fuel_b, c.fuel_b);
  }
}

TEST_F(StatusRepliesTest, FuelParamsShowEachSettingAndMarkItInSync) {
  frm_3d().ecu_pgm[0].set_back_colour(ui::colours::yellow);
  frm_tool().bat_comp.set_back_colour(ui::colours::yellow);
  FuelParams params;
  params.fuel_mx = 3125;
  params.acc_minp = 625;
  params.acc_maxp = 6250;
  params.bat_comp = 100;
  receive_fuel_params(params);
  EXPECT_EQ(frm_3d().ecu_pgm[0].text(), "5.000");
  EXPECT_EQ(frm_dashboard().ecu_pgm[0].text(), "5.000");
  EXPECT_EQ(frm_tool().accel_pw_min.text(), "1.00");
  EXPECT_EQ(frm_tool().accel_pw_max.text(), "10.00");
  EXPECT_EQ(frm_tool().bat_comp.text(), "160.0");
  EXPECT_EQ(fuel_mx, 3125);
  EXPECT_EQ(acc_minp, 625);
  EXPECT_EQ(acc_maxp, 6250);
  EXPECT_EQ(bat_comp_setting, 100);
  for (int k = 0; k <= 1; ++k) {
    EXPECT_EQ(frm_3d().ecu_pgm[k].back_colour(), ui::colours::white);
    EXPECT_EQ(frm_dashboard().ecu_pgm[k].back_colour(), ui::colours::white);
  }
  for (ui::TextBox* box :
       {&frm_tool().accel_pw_min, &frm_tool().accel_pw_max, &frm_tool().bat_comp}) {
    EXPECT_EQ(box->back_colour(), ui::colours::white) << box->name();
  }
}

TEST_F(StatusRepliesTest, FuelParamsKeepTheShownValuesTheEchoesAlsoSet) {
  fuel_offset_secs = fuel_scaler_secs = acc_minp_ms = acc_maxp_ms = -1.0F;
  FuelParams params;
  params.fuel_b = 17009;  // 625 ticks above the bias: 1 ms
  params.fuel_mx = 3125;
  params.acc_minp = 625;
  params.acc_maxp = 6250;
  receive_fuel_params(params);
  EXPECT_FLOAT_EQ(fuel_offset_secs, 0.001F);
  EXPECT_FLOAT_EQ(fuel_scaler_secs, 0.005F);
  EXPECT_FLOAT_EQ(acc_minp_ms, 1.0F);
  EXPECT_FLOAT_EQ(acc_maxp_ms, 10.0F);
}

TEST_F(StatusRepliesTest, FirmwareRevisionIsShownAsVersionDigits) {
  const std::pair<std::uint16_t, const char*> cases[] = {
      {12345, "V1.23.45"}, {10203, "V1.02.03"}, {5, "V0.00.05"}, {65535, "V6.55.35"}};
  for (const auto& [revision, text] : cases) {
    test::receive('R', sim::firmware_revision_payload(revision));
    EXPECT_EQ(frm_about().FW_Rev.caption(), text);
    EXPECT_EQ(fw_rev, revision);
  }
}

TEST_F(StatusRepliesTest, SerialNumberIsShownLowestByteFirst) {
  test::receive('-', std::string("\x01\x02\x03", 3));
  EXPECT_EQ(frm_about().serial_num.caption(), "197121");
  test::receive('-', sim::serial_number_payload(0xFFFFFF));
  EXPECT_EQ(frm_about().serial_num.caption(), "16777215");
  test::receive('-', sim::serial_number_payload(0));
  EXPECT_EQ(frm_about().serial_num.caption(), "0");
}

TEST_F(StatusRepliesTest, AnalogPairGivesTheInputVoltageAndLeavesTheTemperature) {
  analog_temp = -5.0F;
  test::receive('F', sim::analog_pair_payload(0xFFFF, 512));
  EXPECT_FLOAT_EQ(aux_input_volts, 1.65F);
  // Unlike the monitor frame's word, this one is not also read as a temperature.
  EXPECT_FLOAT_EQ(analog_temp, -5.0F);
}

TEST_F(StatusRepliesTest, SmallRepliesOnlyReportTheirArrival) {
  const std::pair<std::uint8_t, std::string> cases[] = {{'+', std::string(1, '\x07')},
                                                        {'X', std::string(3, '\x01')},
                                                        {'x', std::string(3, '\x02')},
                                                        {'D', std::string()},
                                                        {'d', std::string()}};
  for (const auto& [type, payload] : cases) {
    reply_received = 0;
    test::receive(type, payload);
    EXPECT_EQ(reply_received, -1) << type;
    test::receive(type, payload + '\0');
  }
  EXPECT_FALSE(frm_tool.loaded());
  EXPECT_FALSE(frm_about.loaded());
  EXPECT_FALSE(frm_3d.loaded());
}

}  // namespace
}  // namespace ecu
