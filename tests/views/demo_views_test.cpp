// Demo mode end to end: every view opens from the main window, moves with the generated
// values, wears its demo label and gives the main window back when it closes.

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "config/frm_tool.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/main_poll_loop.hpp"
#include "support/main_window_fixture.hpp"
#include "ui/format.hpp"
#include "views/frm_dashboard.hpp"
#include "views/frm_diagnostics.hpp"
#include "views/frm_mon.hpp"
#include "views/frm_plotter.hpp"

namespace ecu {
namespace {

struct DemoView {
  const char* name;
  ui::MenuItem& (*menu)(FrmEcuForm&);
  ui::Form& (*view)();
  // What the view shows of the live values; empty for views that show none.
  std::function<std::string()> live_values;
  bool has_demo_label;
};

std::string number(float value) {
  return ui::str_single(value);
}

const std::vector<DemoView>& demo_views() {
  static const std::vector<DemoView> views{
      {"monitor", [](FrmEcuForm& m) -> ui::MenuItem& { return m.Menu_View_Monitor; },
       []() -> ui::Form& { return frm_mon(); },
       [] {
         std::string shown;
         for (int i = 0; i < 13; ++i) shown += frm_mon().ECU_Data[i].caption() + "|";
         return shown;
       },
       true},
      {"dashboard", [](FrmEcuForm& m) -> ui::MenuItem& { return m.menu_view_dashboard; },
       []() -> ui::Form& { return frm_dashboard(); },
       [] {
         return number(frm_dashboard().tachometer.value()) +
                number(frm_dashboard().bat_volts.value()) +
                frm_dashboard().control_ego_gain.caption();
       },
       true},
      {"configuration", [](FrmEcuForm& m) -> ui::MenuItem& { return m.Menu_View_Injection; },
       []() -> ui::Form& { return frm_tool(); }, nullptr, true},
      {"basic mapping", [](FrmEcuForm& m) -> ui::MenuItem& { return m.menu_View_Mapping; },
       []() -> ui::Form& { return frm_3d(); },
       [] { return frm_3d().control_lambda.caption() + frm_3d().Inj_pulse_width.caption(); }, true},
      {"additional mapping", [](FrmEcuForm& m) -> ui::MenuItem& { return m.menu_view_temperature; },
       []() -> ui::Form& { return frm_2d(); },
       [] { return frm_2d().inj_pw.caption() + number(frm_2d().mat_bar.left()); }, true},
      {"output drivers", [](FrmEcuForm& m) -> ui::MenuItem& { return m.menu_View_supp; },
       []() -> ui::Form& { return frm_sup(); },
       [] { return number(frm_sup().supp_y_ptr[4].top()); }, true},
      {"plotter", [](FrmEcuForm& m) -> ui::MenuItem& { return m.menu_View_Plotter; },
       []() -> ui::Form& { return frm_plotter(); },
       [] {
         // The coolant channel: the demo leaves the unfiltered speed alone.
         const std::vector<float> samples = frm_plotter().Strip1.samples(2);
         return samples.empty() ? std::string() : number(samples.back());
       },
       true},
      {"diagnostics", [](FrmEcuForm& m) -> ui::MenuItem& { return m.menu_view_diagnostic; },
       []() -> ui::Form& { return frm_diagnostics(); }, nullptr, false},
  };
  return views;
}

class DemoViewsTest : public test::MainWindowTest {};

TEST_F(DemoViewsTest, EveryViewShowsMovingDemoValuesAndItsLabelAndClosesToTheMainWindow) {
  FrmEcuForm& main_window = start_demo();
  for (const DemoView& demo : demo_views()) {
    SCOPED_TRACE(demo.name);
    demo.menu(main_window).click();
    ui::Form& view = demo.view();
    ASSERT_TRUE(view.visible());
    std::set<std::string> shown;
    for (int tick = 0; tick < 4; ++tick) {
      main_poll_tick();
      plotter_poll_tick();
      if (demo.live_values) shown.insert(demo.live_values());
    }
    if (demo.live_values) {
      EXPECT_GT(shown.size(), 1U) << "the values move";
    }
    const ui::Control* label = view.find_control("show_demo_mode");
    if (demo.has_demo_label) {
      ASSERT_NE(label, nullptr);
      EXPECT_TRUE(label->visible());
    }

    view.request_close();
    EXPECT_TRUE(main_window.visible());
    EXPECT_EQ(current_view, 0);
  }
}

}  // namespace
}  // namespace ecu
