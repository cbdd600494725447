// The dashboard as the offscreen platform draws it in demo mode.

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QTest>

#include "gui_test.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/startup.hpp"
#include "views/frm_dashboard.hpp"

namespace gui_test {
namespace {

using DashboardScreenshotTest = GuiTest;

TEST_F(DashboardScreenshotTest, ShowsItsDialsOneLitLampTheMixtureScaleAndTheSettings) {
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

  const auto text_of = [&](const ui::Control& control) {
    const QWidget* widget = window.widget_for(control);
    if (const auto* label = dynamic_cast<const QLabel*>(widget)) return label->text();
    if (const auto* field = dynamic_cast<const QLineEdit*>(widget)) return field->text();
    return QString();
  };
  EXPECT_EQ(text_of(dashboard.lambda_label[0]), "1.4");
  EXPECT_EQ(text_of(dashboard.lambda_label[8]), "0.6");
  EXPECT_EQ(text_of(dashboard.lambda_val), "= 1.0");
  EXPECT_EQ(text_of(dashboard.ecu_pgm[0]), "10.200");

  // The tachometer's face is drawn: scale, numbers, zones and needle.
  const QWidget* tachometer = window.widget_for(dashboard.tachometer);
  ASSERT_NE(tachometer, nullptr);
  const QImage dial =
      shot.copy(QRect(tachometer->mapTo(&window, QPoint(0, 0)), tachometer->size()));
  QSet<QRgb> colours;
  for (int y = 0; y < dial.height(); y += 2) {
    for (int x = 0; x < dial.width(); x += 2) colours.insert(dial.pixel(x, y));
  }
  EXPECT_GT(colours.size(), 8);

  // Exactly one lamp is filled; the others show the window's face through them.
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
