#include "shell/demo_values.hpp"

#include <initializer_list>

#include "config/frm_tool.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "ui/random.hpp"
#include "views/frm_dashboard.hpp"
#include "views/frm_mon.hpp"
#include "views/frm_plotter.hpp"

namespace ecu {

namespace {

// The demo tachometer limit is 920.7 / 1023 x 12000 = 10800 rpm; the gauge shows thousands.
constexpr float kDemoTachStep = 1;
constexpr float kDemoTachMaximum = 10;
constexpr float kDemoTachLimit = 10.8F;
constexpr double kDemoTachWarning = 9.72;

}  // namespace

void demo_enabling_step() {
  FrmEcuForm& main_window = FrmEcu();
  // The view commands of the configuration, mapping and plotter views and their buttons.
  const std::initializer_list<ui::Control*> view_commands{&main_window.Menu_View_Injection,
                                                          &main_window.menu_View_Mapping,
                                                          &main_window.menu_view_temperature,
                                                          &main_window.menu_View_Plotter,
                                                          &main_window.Command3d1,
                                                          &main_window.Command2,
                                                          &main_window.Command3d2,
                                                          &main_window.Command3d3,
                                                          &main_window.Command3d7};
  for (ui::Control* item : view_commands) {
    item->set_enabled(true);
  }
  frm_dashboard().Command2.set_enabled(true);

  // Touching a window that does not exist yet creates it hidden.
  frm_2d().show_demo_mode.set_visible(true);
  frm_3d().show_demo_mode.set_visible(true);
  frm_dashboard().show_demo_mode.set_visible(true);
  frm_mon().show_demo_mode.set_visible(true);
  frm_plotter().show_demo_mode.set_visible(true);
  frm_sup().show_demo_mode.set_visible(true);
  frm_tool().show_demo_mode.set_visible(true);
}

void first_demo_connect_step() {
  ui::Gauge& tachometer = frm_dashboard().tachometer;
  tachometer.set_step(kDemoTachStep);
  tachometer.set_maximum(kDemoTachMaximum);
  tachometer.set_zone_marks(kDemoTachLimit, static_cast<float>(kDemoTachWarning));
}

void demo_value_step() {
  // The order of the draws is fixed, so a seeded run repeats its values.
  rpm_full_scale = 8000.0F;
  engine_rpm = 3210.0F + 50.0F * ui::rnd();
  coolant_temp = 92.0F + 2.0F * ui::rnd();
  manifold_air_temp = 23.0F + 2.0F * ui::rnd();
  throttle_pos_clamped = 15.0F + 1.5F * ui::rnd();
  throttle_pos = throttle_pos_clamped;
  lambda_measured = 1.0F + 0.17F * ui::rnd();
  manifold_pressure_kpa = 32.0F + 0.4F * ui::rnd();
  base_injection_pw_s = 0.0081F + 0.0002F * ui::rnd();
  ego_correction = 1.0F + 0.05F * ui::rnd();
  map_enrichment = 0.95F + 0.05F * ui::rnd();
  clt_enrichment = 1.02F;
  battery_volts = 14.2F + 0.2F * ui::rnd();
  baro_pressure = 101.2F;
  ign_advance_deg = 6.25F;
}

}  // namespace ecu
