// The dashboard as the offscreen platform draws it in demo mode.

#include <QImage>
#include <QTest>

#include "gui_test.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/startup.hpp"
#include "views/frm_dashboard.hpp"

namespace gui_test {
namespace {

using DashboardScreenshotTest = GuiTest;

TEST_F(DashboardScreenshotTest, ShowsExactlyOneLitLampOfTheMixtureBar) {
  lay_down_start_up_files("ECU System Console\r\n");
  ecu::start_console("demo");
  ecu::FrmEcu().menu_view_dashboard.click();
  QTest::qWait(300);
  ecu::FrmDashboardForm& dashboard = ecu::frm_dashboard();
  gui::FormWindow& window = window_of(dashboard);
  const QImage shot = window.grab().toImage();
  const std::string saved = ::testing::TempDir() + "dashboard.png";
  shot.save(QString::fromStdString(saved));
  RecordProperty("screenshot", saved);

  // The unlit lamps show the window's face through them.
  int lit = 0;
  for (int lamp = 0; lamp < ecu::FrmDashboardForm::kMixtureLamps; ++lamp) {
    const QWidget* shown = window.widget_for(dashboard.afr_led[lamp]);
    ASSERT_NE(shown, nullptr);
    const QPoint centre = shown->mapTo(&window, shown->rect().center());
    if (QColor(shot.pixel(centre)) != QColor(0xD4, 0xD0, 0xC8)) ++lit;
  }
  EXPECT_EQ(lit, 1);
}

}  // namespace
}  // namespace gui_test
