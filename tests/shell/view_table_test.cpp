#include "shell/view_table.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/frm_tool.hpp"
#include "maps/frm_2d.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_sup.hpp"
#include "model/shared_state.hpp"
#include "support/main_window_fixture.hpp"
#include "views/frm_dashboard.hpp"
#include "views/frm_diagnostics.hpp"
#include "views/frm_mon.hpp"
#include "views/frm_plotter.hpp"

namespace ecu {
namespace {

using enum ViewStep;

enum class MainHides { before_show, after_show, after_show_if_shown };

struct ExpectedView {
  Integer number;
  const char* window_name;
  MainHides main_hides;
  bool requests_base_config;
  std::vector<ViewStep> steps;
  std::vector<std::uint8_t> poll_codes;
  bool asks_features;
  Flag* request;
};

// Worked out from the view commands and the poll loop's switch as they were written by hand,
// in the order of the View menu.
const std::vector<ExpectedView>& expected_views() {
  static const std::vector<ExpectedView> views{
      {1,
       "frm_mon",
       MainHides::before_show,
       false,
       {open_link, set_current_view, clear_poll_inhibit, hide_main_window, show_view,
        force_monitor_labels},
       {0x41, 0x81, 0xCF},
       true,
       &view_request_mon},
      {6,
       "frm_dashboard",
       MainHides::before_show,
       false,
       {set_current_view, open_link, clear_poll_inhibit, hide_main_window, show_view},
       {0x41, 0x81},
       true,
       &view_request_dash},
      {2,
       "frm_tool",
       MainHides::after_show_if_shown,
       false,
       {open_link, set_current_view, clear_poll_inhibit, show_view, hide_main_window_if_view_shown},
       {},
       true,
       &view_request_tools},
      {3,
       "frm_3d",
       MainHides::after_show_if_shown,
       true,
       {open_link, request_base_config, set_current_view, clear_poll_inhibit, show_view,
        hide_main_window_if_view_shown},
       {0x41},
       true,
       &view_request_3d},
      {5,
       "frm_2d",
       MainHides::after_show_if_shown,
       false,
       {open_link, set_current_view, clear_poll_inhibit, show_view, hide_main_window_if_view_shown},
       {0x41, 0x81},
       true,
       &view_request_2d},
      {7,
       "frm_sup",
       MainHides::after_show_if_shown,
       true,
       {open_link, request_base_config, set_current_view, clear_poll_inhibit, show_view,
        hide_main_window_if_view_shown},
       {0x41, 0x81},
       true,
       &view_request_sup},
      {4,
       "frm_plotter",
       MainHides::before_show,
       true,
       {open_link, request_base_config, set_current_view, clear_poll_inhibit, hide_main_window,
        show_view},
       {},
       true,
       &view_request_plot},
      {8,
       "frm_diagnostics",
       MainHides::after_show_if_shown,
       false,
       {open_link, set_current_view, show_view, hide_main_window_if_view_shown},
       {0x41},
       false,
       &view_request_diag},
  };
  return views;
}

MainHides main_hides_of(const std::vector<ViewStep>& steps) {
  for (const ViewStep step : steps) {
    if (step == hide_main_window) return MainHides::before_show;
    if (step == show_view) break;
  }
  for (const ViewStep step : steps) {
    if (step == hide_main_window_if_view_shown) return MainHides::after_show_if_shown;
  }
  return MainHides::after_show;
}

TEST(ViewTableTest, EveryRowHoldsItsViewsNumberWindowStepsAndPollRequests) {
  const std::span<const ViewRow> table = view_table();
  ASSERT_EQ(table.size(), expected_views().size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    const ViewRow& row = table[i];
    const ExpectedView& expected = expected_views()[i];
    SCOPED_TRACE(expected.window_name);
    EXPECT_EQ(row.number, expected.number);
    EXPECT_STREQ(row.window_name, expected.window_name);
    EXPECT_EQ(main_hides_of(row.steps), expected.main_hides);
    EXPECT_EQ(std::ranges::count(row.steps, request_base_config),
              expected.requests_base_config ? 1 : 0);
    EXPECT_EQ(row.steps, expected.steps);
    EXPECT_EQ(row.poll_codes, expected.poll_codes);
    EXPECT_EQ(row.asks_features, expected.asks_features);
    EXPECT_EQ(row.request, expected.request);
    EXPECT_EQ(find_view(expected.number), &row);
  }
  for (const Integer no_view : {0, 9, -1}) EXPECT_EQ(find_view(no_view), nullptr) << no_view;
}

class MainWindowViewsTest : public test::MainWindowTest {};

TEST_F(MainWindowViewsTest, TheViewMenuAndTheShortcutRowListEveryViewInTheMenusOrder) {
  FrmEcuForm& main_window = start_demo();
  std::vector<std::string> bar;
  std::vector<std::string> view_menu;
  std::vector<std::string> buttons;
  for (const ui::Control* control : main_window.controls()) {
    if (const auto* item = dynamic_cast<const ui::MenuItem*>(control)) {
      if (item->parent() == nullptr) bar.push_back(item->name());
      if (item->parent() == &main_window.menu_view) {
        view_menu.push_back(item->name() + " " + item->caption());
      }
    }
    if (const auto* button = dynamic_cast<const ui::CommandButton*>(control)) {
      buttons.push_back(button->name() + " " + std::to_string(static_cast<int>(button->left())) +
                        " " + std::to_string(static_cast<int>(button->top())) + " " +
                        std::to_string(static_cast<int>(button->width())) + " " +
                        button->tool_tip() + " | " + button->picture() + " | " + button->caption());
    }
  }
  using Lines = std::vector<std::string>;
  EXPECT_EQ(
      bar, (Lines{"menu_file", "menu_units", "menu_view", "menu_comm", "menu_tool", "menu_about"}));
  EXPECT_EQ(view_menu,
            (Lines{"Menu_View_Monitor &Monitor", "menu_view_dashboard &Dashboard",
                   "Menu_View_Injection &Configuration", "menu_View_Mapping &Basic Mapping",
                   "menu_view_temperature &Additional Mapping", "menu_View_supp &GPO Driver",
                   "menu_View_Plotter &Plotter", "menu_view_diagnostic D&iagnostic"}));
  ASSERT_EQ(main_window.menu_view.items().size(), 8U);
  EXPECT_EQ(main_window.menu_view.items()[3], &main_window.menu_View_Mapping);
  // 150 twips from the left edge, a button every 930.
  EXPECT_EQ(buttons,
            (Lines{"Command3d4 150 120 855 Realtime Data Monitor | preferences-desktop-display | ",
                   "Command1 1080 120 855 Instrument Dashboard | applications-engineering | ",
                   "Command3d1 2010 120 855 ECU Configuration | preferences-system | ",
                   "Command3d2 2940 120 855 Basic Mapping | applications-graphics | ",
                   "Command3d7 3870 120 855 Additional Mapping | applications-science | ",
                   "Command2 4800 120 855 Supplimental Driver Mapping Parameters | "
                   "preferences-desktop-peripherals | GPO",
                   "Command3d3 5730 120 855 Plotter | applications-office | ",
                   "Command3 6660 120 855 Diagnostics | system-search | ",
                   "Command3d6 7590 120 855 Additional Info | help-about | ",
                   "Command3d5 8520 120 855 Exit Program | application-exit | "}));
  EXPECT_THROW((void)main_window.view_buttons.at(kNoView), std::out_of_range);
}

class ViewMenuBarTest : public test::MainWindowTest {};

// The view entries of a window's menu bar, in bar order, as "name caption".
std::vector<std::string> view_entries(const ui::Form& window) {
  std::vector<std::string> entries;
  for (const ui::Control* control : window.controls()) {
    const auto* item = dynamic_cast<const ui::MenuItem*>(control);
    if (item == nullptr || item->parent() != nullptr) continue;
    const std::string& caption = item->caption();
    for (const char* view_caption : {"&Monitor", "&Dashboard", "&Config.", "&Config", "&Basic Map",
                                     "&Additional Map", "&GPO Drv.", "&Plotter", "D&iagnostics"}) {
      if (caption == view_caption) entries.push_back(item->name() + " " + caption);
    }
  }
  return entries;
}

TEST_F(ViewMenuBarTest, EveryViewWindowListsTheOtherViewsUnderItsOwnNamesAndCaptions) {
  using Entries = std::vector<std::string>;
  EXPECT_EQ(view_entries(frm_mon()),
            (Entries{"menu_dash &Dashboard", "menu_tools &Config.", "menu_3d &Basic Map",
                     "menu_2d &Additional Map", "menu_sup &GPO Drv.", "menu_plot &Plotter",
                     "menu_diag D&iagnostics"}));
  EXPECT_EQ(view_entries(frm_tool()),
            (Entries{"menu_mon &Monitor", "menu_dash &Dashboard", "menu_3d &Basic Map",
                     "menu_2d &Additional Map", "menu_sup &GPO Drv.", "menu_plot &Plotter",
                     "menu_diag D&iagnostics"}));
  EXPECT_EQ(
      view_entries(frm_2d()),
      (Entries{"menumon &Monitor", "menudash &Dashboard", "menutools &Config.", "menu3d &Basic Map",
               "menu_sup &GPO Drv.", "menuplotter &Plotter", "menu_diag D&iagnostics"}));
  EXPECT_EQ(view_entries(frm_diagnostics()),
            (Entries{"menu_mon &Monitor", "menu_dash &Dashboard", "menu_tools &Config",
                     "menu_3d &Basic Map", "menu_2d &Additional Map", "menu_sup &GPO Drv.",
                     "menu_plot &Plotter"}));
  for (ui::Form* window :
       std::initializer_list<ui::Form*>{&frm_dashboard(), &frm_3d(), &frm_sup(), &frm_plotter()}) {
    EXPECT_EQ(view_entries(*window).size(), 7U) << window->name();
  }
  EXPECT_THROW((void)frm_mon().view_menus.item(kMonitorView), std::out_of_range);
  EXPECT_THROW((void)frm_mon().view_menus.item(kNoView), std::out_of_range);
}

TEST_F(ViewMenuBarTest, TheMenuBarKeepsTheViewEntriesAfterTheWindowsOwnMenus) {
  std::vector<std::string> bar;
  for (const ui::Control* control : frm_3d().controls()) {
    const auto* item = dynamic_cast<const ui::MenuItem*>(control);
    if (item != nullptr && item->parent() == nullptr) bar.push_back(item->name());
  }
  EXPECT_EQ(bar,
            (std::vector<std::string>{"menufile", "menuupdate", "menuresetmap", "menu_autotune",
                                      "spacer1", "spacer2", "menu_mon", "menu_dash", "menu_tools",
                                      "menu_2d", "menu_sup", "menu_plot", "menu_diag"}));
}

}  // namespace
}  // namespace ecu
