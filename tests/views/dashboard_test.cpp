// The dashboard against the simulated controller: its one-time set-up, the gauges and lamps
// following the live values, and the write-back of its three settings.

#include <gtest/gtest.h>

#include "linked_view_test.hpp"
#include "model/shared_state.hpp"
#include "views/frm_dashboard.hpp"

namespace ecu {
namespace {

using DashboardTest = test::LinkedViewTest;

TEST_F(DashboardTest, FirstActivationReadsTheSettingsAndScalesTheGaugesOnce) {
  struct Case {
    std::uint16_t full_scale_rpm;
    std::uint8_t map_type;
    float tach_max, tach_step, tach_red, tach_amber, map_max, map_step, map_red, map_amber;
  };
  const Case cases[] = {
      {8000, 0xC2, 8, 1, 7.2F, 6.48F, 650, 65, 410, 110},
      {12000, 0x00, 16, 2, 10.8F, 9.72F, 120, 12, 110, 0},
  };
  FrmEcuForm& main_window = connect();
  main_window.menuUnitsLambda[1].click();  // gasoline, 14.7
  for (const Case& c : cases) {
    test::BaseConfig config;
    config.fs_rpm = c.full_scale_rpm;
    config.map_type = c.map_type;
    controller().set_base_config(config);
    const std::size_t before = controller().request_count();
    main_window.menu_view_dashboard.click();
    EXPECT_EQ(commands_since(before), (std::vector<std::string>{"\xA3"
                                                                "000",
                                                                "C000", "B000"}));
    FrmDashboardForm& dashboard = frm_dashboard();
    EXPECT_EQ(current_view, 6);
    EXPECT_EQ(dashboard.ecu_pgm[0].text(), "1.000");
    EXPECT_EQ(dashboard.base_offset_deg.text(), "2.00");
    EXPECT_EQ(dashboard.base_offset_deg.back_colour(), ui::colours::white);
    EXPECT_EQ(dashboard.tachometer.maximum(), c.tach_max);
    EXPECT_EQ(dashboard.tachometer.step(), c.tach_step);
    EXPECT_FLOAT_EQ(dashboard.tachometer.zone_mark_1(), c.tach_red);
    EXPECT_FLOAT_EQ(dashboard.tachometer.zone_mark_2(), c.tach_amber);
    EXPECT_EQ(dashboard.manifold_pressure.maximum(), c.map_max);
    EXPECT_EQ(dashboard.manifold_pressure.step(), c.map_step);
    EXPECT_EQ(dashboard.manifold_pressure.zone_mark_1(), c.map_red);
    EXPECT_EQ(dashboard.manifold_pressure.zone_mark_2(), c.map_amber);
    EXPECT_EQ(dashboard.lambda_label[0].caption(), "20.6");
    EXPECT_EQ(dashboard.lambda_label[4].caption(), "14.7");
    EXPECT_EQ(dashboard.lambda_label[8].caption(), "8.8");
    EXPECT_EQ(dashboard.lambda_val.caption(), "=14.7");

    // Back through the exit button: the second activation sends nothing.
    dashboard.Command1.click();
    const std::size_t reopened = controller().request_count();
    main_window.menu_view_dashboard.click();
    EXPECT_EQ(controller().request_count(), reopened);
    dashboard.request_close();
  }
}

TEST_F(DashboardTest, GaugesAndMixtureLampsFollowTheLiveValues) {
  test::LiveData lean;
  lean.rpm = 4500;
  lean.lambda_or_o2 = 96;  // lambda 0.75: lamp 15
  lean.map_quarter_kpa = 400;
  lean.battery = 178;
  lean.coolant = 85;
  lean.air_temp = 30;
  lean.ign_advance = 40;
  test::LiveData stoichiometric = lean;
  stoichiometric.rpm = 6000;
  stoichiometric.lambda_or_o2 = 128;  // lamp 8
  controller().play_reply_sequence(
      'A', {test::live_data_payload(lean), test::live_data_payload(stoichiometric)});
  test::MonitorFrame monitor;
  monitor.gpo_duty = {255, 51, 0, 0};
  controller().set_reply_payload(0x81, test::monitor_frame_payload(monitor));
  connect().menu_view_dashboard.click();
  FrmDashboardForm& dashboard = frm_dashboard();

  // The first tick's speed goes through the start-up filter (0.8); then no filter.
  main_poll_tick();
  EXPECT_FLOAT_EQ(dashboard.tachometer.value(), 3.6F);
  EXPECT_FLOAT_EQ(dashboard.manifold_pressure.value(), 100.0F);
  EXPECT_NEAR(dashboard.bat_volts.value(), 13.96F, 0.005F);
  EXPECT_EQ(dashboard.water_temp.value(), 85.0F);
  EXPECT_EQ(dashboard.air_temp.value(), 30.0F);
  EXPECT_EQ(dashboard.Timing.value(), 10.0F);
  EXPECT_EQ(dashboard.GPO_duty[0].value(), 100.0F);
  EXPECT_EQ(dashboard.GPO_duty[1].value(), 20.0F);
  EXPECT_EQ(dashboard.control_ego_gain.caption(), "1.000");
  for (int lamp = 0; lamp < FrmDashboardForm::kMixtureLamps; ++lamp) {
    EXPECT_EQ(dashboard.afr_led[lamp].fill_style(), lamp == 15 ? 0 : 1) << lamp;
  }

  dashboard.menu_opts_tach_filt_num[2].click();
  EXPECT_EQ(tach_filter_coef, 1.0F);
  EXPECT_FALSE(dashboard.menu_opts_tach_filt_num[1].checked());
  main_poll_tick();
  EXPECT_FLOAT_EQ(dashboard.tachometer.value(), 6.0F);
  EXPECT_EQ(dashboard.afr_led[8].fill_style(), 0);
  EXPECT_EQ(dashboard.afr_led[15].fill_style(), 1);

  dashboard.menu_view_gpo[2].click();
  EXPECT_TRUE(dashboard.GPO_duty[2].visible());
  EXPECT_FALSE(dashboard.GPO_duty[0].visible());
  EXPECT_FALSE(dashboard.menu_view_gpo[0].checked());
}

TEST_F(DashboardTest, UpdateWritesTheYellowSettingsScaledAndRefusesWhatCannotBeSent) {
  connect().menu_view_dashboard.click();
  FrmDashboardForm& dashboard = frm_dashboard();
  dashboard.ecu_pgm[0].set_text("10.2");
  dashboard.ecu_pgm[1].set_text("0");
  dashboard.base_offset_deg.set_text("50");
  std::size_t before = controller().request_count();
  dashboard.Command2.click();
  EXPECT_EQ(commands_since(before), (std::vector<std::string>{std::string("m\xE7\x18\x00", 4),
                                                              std::string("o\x00\x40\x00", 4),
                                                              std::string("\xA4\xFF\x00\x00", 4)}));
  EXPECT_EQ(dashboard.base_offset_deg.text(), "47.75");
  EXPECT_EQ(dashboard.ecu_pgm[0].back_colour(), ui::colours::white);

  struct Refusal {
    int field;
    const char* text;
    const char* message;
  };
  const Refusal refusals[] = {
      {0, "104.9", "The value for the Fuel Scaler is too high, it will not be updated"},
      {0, "-1", "The value for the Fuel Scaler is negative, it will not be updated"},
      {1, "52.5", "The value for the Fuel Offset is too high, it will not be updated"},
      {1, "-26.3", "The value for the Fuel Offset is too negative, it will not be updated"},
  };
  for (const Refusal& refusal : refusals) {
    ui::TextBox& field = dashboard.ecu_pgm[refusal.field];
    field.set_text(refusal.text);
    before = controller().request_count();
    dashboard.menu_Update.click();
    EXPECT_TRUE(commands_since(before).empty()) << refusal.text;
    EXPECT_EQ(presenter().shown_messages.back().text, refusal.message);
    EXPECT_EQ(field.back_colour(), ui::colours::yellow);
    field.set_back_colour(ui::colours::white);
  }
}

class DashboardWindowTest : public test::MainWindowTest {};

TEST_F(DashboardWindowTest, ShiftArrowsStepTheFuelFieldsWithinTheirLimits) {
  FrmDashboardForm& dashboard = frm_dashboard();
  const std::tuple<const char*, int, const char*> steps[] = {
      {"65.5", 38, "65.535"}, {"-15.95", 40, "-16.000"}, {"1", 38, "1.100"}};
  for (const auto& [text, key, stepped] : steps) {
    dashboard.ecu_pgm[1].set_text(text);
    dashboard.ecu_pgm[1].key_down(key, 1);
    EXPECT_EQ(dashboard.ecu_pgm[1].text(), stepped);
  }
  dashboard.ecu_pgm[1].key_down(40, 0);
  EXPECT_TRUE(dashboard.ecu_pgm[0].has_focus());
  EXPECT_EQ(dashboard.ecu_pgm[1].text(), "1.100");
}

TEST_F(DashboardWindowTest, ClosedDuringItsFirstReadsTheDashboardIsNotMadeTheView) {
  FrmEcuForm& main_window = start_demo();
  for (const bool through_frame : {false, true}) {
    ui::event_loop().post_user_input([through_frame] {
      if (through_frame) {
        frm_dashboard().request_close();
      } else {
        frm_dashboard().Command1.click();
      }
    });
    main_window.menu_view_dashboard.click();
    EXPECT_EQ(current_view, 0) << through_frame;
    EXPECT_TRUE(main_window.visible());
    frm_dashboard().unload();
  }
}

}  // namespace
}  // namespace ecu
