// How some windows look and where they open, on the offscreen platform.

#include <QGroupBox>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <cstdlib>

#include "config/frm_tool.hpp"
#include "gui_test.hpp"
#include "maps/frm_3d.hpp"
#include "maps/frm_cellblock_modifier.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/startup.hpp"

namespace gui_test {
namespace {

using WindowLooksTest = GuiTest;

TEST_F(WindowLooksTest, TheSpeedAndGearPageDrawsItsGroupsAsFrames) {
  lay_down_start_up_files("ECU System Console\r\n");
  ecu::start_console("demo");
  ecu::FrmEcu().Menu_View_Injection.click();
  ecu::FrmToolForm& tool = ecu::frm_tool();
  tool.tool_tab.set_current_tab(ecu::FrmToolForm::kSpeedGearSetup);
  process_qt_events();
  const QImage shot = window_of(tool).grab().toImage();
  const std::string saved = ::testing::TempDir() + "speed_gear_page.png";
  shot.save(QString::fromStdString(saved));
  RecordProperty("screenshot", saved);

  struct Case {
    const ui::Frame& frame;
    const char* title;
    const ui::Control& inside;
  };
  const Case cases[] = {
      {tool.wheel_speed_frame, "Wheel Speed Configuration", tool.wheel_rpm_scaler},
      {tool.wheel_speed_frame, "Wheel Speed Configuration", tool.speed_wizard_frame},
      {tool.speed_wizard_frame, "Speed Wizard", tool.revs_mile},
      {tool.gear_detect_frame, "Gear Detect Configuration", tool.high_rps_ratio[7]},
      {tool.boost_by_gear_frame, "Boost by Gear", tool.gear_gpo_num[7]},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    auto* frame = widget_of<QGroupBox>(tool, c.frame);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->title(), QString(c.title));
    EXPECT_TRUE(frame->isVisible());
    QWidget* field = window_of(tool).widget_for(c.inside);
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(frame->isAncestorOf(field));
    // Wholly inside its frame.
    EXPECT_TRUE(frame->rect().contains(QRect(field->mapTo(frame, QPoint(0, 0)), field->size())));
  }
}

TEST_F(WindowLooksTest, TheBlockModifierOpensCentredOnTheScreenNotOverTheMap) {
  lay_down_start_up_files("ECU System Console\r\n");
  ecu::start_console("demo");
  ecu::FrmEcu().menu_View_Mapping.click();
  process_qt_events();
  window_of(ecu::frm_3d()).move(0, 0);  // the map window away from the middle
  process_qt_events();
  ecu::show_cellblock_modifier();
  process_qt_events();
  const QRect placed = window_of(ecu::frm_cellblock_modifier()).frameGeometry();
  // The offscreen screen is 800 x 800: its centre is (399, 399). The map window at (0, 0),
  // 764 x 518, has its own centre at (381, 258).
  EXPECT_LE(std::abs(placed.center().x() - 399), 2) << placed.x();
  EXPECT_LE(std::abs(placed.center().y() - 399), 2) << placed.y();
}

}  // namespace
}  // namespace gui_test
