// What the window really draws, checked on a picture of it.

#include <QImage>
#include <QMenuBar>
#include <QPixmap>
#include <QSet>
#include <string>

#include "gui_test.hpp"
#include "settings_form.hpp"

namespace gui_test {
namespace {

using ScreenshotTest = GuiTest;

int distinct_colours(const QImage& image) {
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
  }
  return static_cast<int>(colours.size());
}

bool has_dark_pixels(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qGray(image.pixel(x, y)) < 96) return true;
    }
  }
  return false;
}

TEST_F(ScreenshotTest, WindowDrawsControlsTitleAndMenu) {
  SettingsForm& form = frm_settings();
  form.txt_rpm.set_text("4500");
  form.show();
  process_qt_events();
  gui::FormWindow& window = window_of(form);

  const QImage shot = window.grab().toImage();
  const std::string saved = ::testing::TempDir() + "settings_window.png";
  shot.save(QString::fromStdString(saved));
  RecordProperty("screenshot", saved);

  ASSERT_EQ(shot.size(), window.size());
  EXPECT_GT(distinct_colours(shot), 8);
  EXPECT_EQ(window.windowTitle(), "Engine Settings");
  EXPECT_EQ(window.menuBar()->actions().value(0)->text(), "&File");

  // The canvas shows the form's face colour, the lamp its green fill.
  const QPoint canvas_origin = window.canvas()->mapTo(&window, QPoint(0, 0));
  EXPECT_EQ(QColor(shot.pixel(canvas_origin + QPoint(380, 250))), QColor(0xD4, 0xD0, 0xC8));
  const QWidget* lamp = window.widget_for(form.shp_lamp);
  ASSERT_NE(lamp, nullptr);
  const QPoint lamp_centre = lamp->mapTo(&window, lamp->rect().center());
  EXPECT_EQ(QColor(shot.pixel(lamp_centre)), QColor(0, 255, 0));

  // The menu bar carries its captions' text.
  const QRect menu_area(window.menuBar()->mapTo(&window, QPoint(0, 0)), window.menuBar()->size());
  EXPECT_TRUE(has_dark_pixels(shot.copy(menu_area)));
}

}  // namespace
}  // namespace gui_test
