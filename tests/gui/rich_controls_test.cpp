// A gallery of every rich control on one window: each is driven through the model and
// through the user's keys and mouse, and the window is saved as a picture for review.

#include <gtest/gtest.h>
#include <QDir>
#include <QScrollBar>
#include <QSet>
#include <QTest>

#include <cmath>
#include <memory>
#include <vector>

#include "gui/rich/gauge_widget.hpp"
#include "gui/rich/grid_widget.hpp"
#include "gui/rich/picture_box_widget.hpp"
#include "gui/rich/scroll_bar_widget.hpp"
#include "gui/rich/strip_chart_widget.hpp"
#include "gui/rich/tab_control_widget.hpp"
#include "rich_test_support.hpp"
#include "support/console_test.hpp"
#include "ui/ui.hpp"

namespace {

using namespace gui::rich;

class GalleryForm : public ui::Form {
 public:
  GalleryForm() : ui::Form("frm_gallery", "Gallery", 15000, 9000) {
    map.move(150, 150, 9 * 600, 9 * 255);
    tachometer.move(6000, 150, 2400, 2400);
    strip.move(150, 2700, 9000, 2250);
    plot.move(9300, 2700, 3000, 2250);
    tool_tab.move(150, 5100, 9000, 3000);
    angle.move(9300, 5100, 3000, 255);
  }
  ui::Grid map{*this, "lambda_sp_table", 10, 10};
  ui::Gauge tachometer{*this, "tachometer"};
  ui::StripChart strip{*this, "Strip1"};
  ui::PictureBox plot{*this, "wheel_speed_plot"};
  ui::TabControl tool_tab{*this, "tool_tab", 16};
  ui::ScrollBar angle{*this, "HScroll1"};
  ui::Label label{*this, "Label1"};
};

class RichControlsTest : public test::ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    rich_test::ensure_application();
    form_ = std::make_unique<GalleryForm>();
    host_ = std::make_unique<QWidget>();
    host_->resize(1000, 600);
    host_->setAutoFillBackground(true);
    host_->setPalette(QPalette(QColor(0xD4, 0xD0, 0xC8)));
    grid_ = static_cast<GridWidget*>(observer_.add(form_->map, host_.get()));
    gauge_ = static_cast<GaugeWidget*>(observer_.add(form_->tachometer, host_.get()));
    strip_ = static_cast<StripChartWidget*>(observer_.add(form_->strip, host_.get()));
    plot_ = static_cast<PictureBoxWidget*>(observer_.add(form_->plot, host_.get()));
    tabs_ = static_cast<TabControlWidget*>(observer_.add(form_->tool_tab, host_.get()));
    angle_ = static_cast<ScrollBarWidget*>(observer_.add(form_->angle, host_.get()));
    host_->show();
    QApplication::setActiveWindow(host_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(host_.get()));
  }
  void TearDown() override {
    host_.reset();
    form_.reset();
    ConsoleTest::TearDown();
  }

  // Lets the chart's coalesced repaint fall due and be painted; on a loaded machine its timer
  // may fire well after its interval.
  void settle() {
    QTest::qWait(StripChartWidget::kRepaintIntervalMs + 20);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !strip_->repaint_pending(); }, 10000));
    QCoreApplication::processEvents();
  }

  rich_test::WidgetObserver observer_;
  std::unique_ptr<GalleryForm> form_;
  std::unique_ptr<QWidget> host_;
  GridWidget* grid_ = nullptr;
  GaugeWidget* gauge_ = nullptr;
  StripChartWidget* strip_ = nullptr;
  PictureBoxWidget* plot_ = nullptr;
  TabControlWidget* tabs_ = nullptr;
  ScrollBarWidget* angle_ = nullptr;
};

TEST_F(RichControlsTest, OnlyTheRichKindsGetAWidgetPlacedFromTheirDesignGeometry) {
  EXPECT_EQ(gui::create_rich_widget(form_->label, host_.get()), nullptr);
  EXPECT_EQ(grid_->geometry(), QRect(10, 10, 360, 153));
  EXPECT_EQ(strip_->geometry(), QRect(10, 180, 600, 150));
  form_->plot.move(9300, 3000, 1500, 1500);
  EXPECT_EQ(plot_->geometry(), QRect(620, 200, 100, 100));
  form_->angle.set_visible(false);
  EXPECT_FALSE(angle_->isVisible());
  form_->tachometer.set_tool_tip("Engine speed");
  EXPECT_EQ(gauge_->toolTip(), QStringLiteral("Engine speed"));
}

TEST_F(RichControlsTest, GaugeNeedleFollowsTheValueWithinTheScale) {
  auto& gauge = form_->tachometer;
  gauge.set_maximum(8);
  gauge.set_step(1);
  gauge.set_zone_marks(7.2F, 6.48F);
  struct Case {
    float value;
    double fraction;
  };
  const Case cases[] = {{4, 0.5}, {8, 1}, {9.5F, 1}, {-5, 0}, {2, 0.25}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    gauge.set_value(c.value);
    EXPECT_DOUBLE_EQ(gauge_->needle_fraction(), c.fraction);
  }
  gauge.set_maximum(4);
  EXPECT_DOUBLE_EQ(gauge_->needle_fraction(), 0.5);
}

TEST_F(RichControlsTest, GaugeRepaintsOnlyWhenTheNeedleMoves) {
  auto& gauge = form_->tachometer;
  gauge.set_value(50);
  QCoreApplication::processEvents();
  const int painted = gauge_->paint_count();
  gauge.set_value(50.001F);  // far less than a pixel
  QCoreApplication::processEvents();
  EXPECT_EQ(gauge_->paint_count(), painted);
  gauge.set_value(60);
  QCoreApplication::processEvents();
  EXPECT_EQ(gauge_->paint_count(), painted + 1);
}

TEST_F(RichControlsTest, StripChartCoalescesPointsIntoFewRepaints) {
  settle();
  const int painted = strip_->paint_count();
  // Without a pass of the event loop the repaint cannot fall due, however slow the run.
  for (int sample = 0; sample < 200; ++sample) {
    for (int channel = 0; channel < ui::StripChart::kChannels; ++channel) {
      form_->strip.select_channel(channel);
      form_->strip.add_point(0.5F);
    }
  }
  EXPECT_TRUE(strip_->repaint_pending());
  EXPECT_EQ(strip_->paint_count(), painted);
  settle();
  EXPECT_FALSE(strip_->repaint_pending());
  EXPECT_EQ(strip_->paint_count(), painted + 1);
}

TEST_F(RichControlsTest, StripChartDrawsChannelsInTheirColoursPinnedToTheEdges) {
  auto& strip = form_->strip;
  const ui::Colour colours[] = {ui::rgb(255, 255, 0), ui::rgb(255, 0, 0), ui::rgb(0, 255, 0)};
  const float values[] = {0.5F, 1.7F, -0.3F};  // middle, above the top, below the bottom
  for (int channel = 0; channel < 3; ++channel) {
    strip.select_channel(channel);
    strip.set_channel_colour(colours[channel]);
  }
  for (int sample = 0; sample < 700; ++sample) {
    for (int channel = 0; channel < 3; ++channel) {
      strip.select_channel(channel);
      strip.add_point(values[channel]);
    }
  }
  settle();
  QImage image = strip_->grab().toImage();
  const int x = strip_->width() - 20;
  const int bottom = strip_->height() - 1;
  EXPECT_EQ(image.pixelColor(x, bottom / 2), QColor(255, 255, 0));
  EXPECT_EQ(image.pixelColor(x, 0), QColor(255, 0, 0));
  EXPECT_EQ(image.pixelColor(x, bottom), QColor(0, 255, 0));
  // The whole width is covered: 600 samples span it.
  EXPECT_EQ(image.pixelColor(1, bottom / 2), QColor(255, 255, 0));

  strip.select_channel(0);
  strip.set_channel_visible(false);
  settle();
  image = strip_->grab().toImage();
  EXPECT_NE(image.pixelColor(x, bottom / 2), QColor(255, 255, 0));
  EXPECT_EQ(image.pixelColor(x, 0), QColor(255, 0, 0));
}

TEST_F(RichControlsTest, StripChartLeftClickRunsTheClickHandlerAndMarksShow) {
  int clicks = 0;
  form_->strip.on_click = [&] {
    ++clicks;
    form_->strip.add_text_mark("12:00:01.5");
  };
  QTest::mouseClick(strip_, Qt::LeftButton, {}, QPoint(100, 50));
  QTest::mouseClick(strip_, Qt::RightButton, {}, QPoint(100, 50));
  EXPECT_EQ(clicks, 1);
  ASSERT_EQ(form_->strip.text_marks().size(), 1U);
  for (int sample = 0; sample < 10; ++sample) form_->strip.add_point(0.1F);
  settle();
  // The mark's white text and line stand out on the black chart.
  const QImage image = strip_->grab().toImage();
  bool white_found = false;
  for (int x = 0; x < image.width() && !white_found; ++x) {
    white_found = image.pixelColor(x, image.height() / 3) == QColor(Qt::white);
  }
  EXPECT_TRUE(white_found);
}

TEST_F(RichControlsTest, StripChartMarkTextsStayInsideTheChart) {
  auto& strip = form_->strip;
  strip.select_channel(0);
  strip.set_channel_colour(ui::rgb(255, 0, 0));
  for (int sample = 0; sample < 700; ++sample) strip.add_point(0.9F);  // above the texts
  // Light (text) pixels of the bottom text row, in columns from `from` to `to`.
  const auto white_in = [this](int from, int to) {
    const QImage image = strip_->grab().toImage();
    const int rows = strip_->fontMetrics().height() + 4;
    int count = 0;
    for (int y = image.height() - rows; y < image.height(); ++y) {
      for (int x = std::max(0, from); x < std::min(image.width(), to); ++x) {
        count += image.pixelColor(x, y).lightness() > 128 ? 1 : 0;
      }
    }
    return count;
  };
  // Written at the newest sample, the mark's line is the right edge: its text goes left of
  // it, whole.
  strip.add_text_mark("02:33");
  settle();
  const int width = strip_->width();
  const int text_width = strip_->fontMetrics().horizontalAdvance(QStringLiteral("02:33"));
  EXPECT_GT(white_in(width - 3 - text_width, width - 2), 10);
  EXPECT_EQ(white_in(0, width - 4 - text_width), 0);

  // 300 samples later the line stands in the middle and the text right of it again.
  for (int sample = 0; sample < 300; ++sample) strip.add_point(0.9F);
  settle();
  const int line = (width - 1) * 299 / 599;  // 300 of the 599 sample steps from the right
  EXPECT_GT(white_in(line + 2, line + 4 + text_width), 10);
  EXPECT_EQ(white_in(0, line - 2), 0);
}

TEST_F(RichControlsTest, APictureBoxWithABorderShowsASunkenEdgeRoundItsFace) {
  auto& plot = form_->plot;
  plot.set_back_colour(ui::colours::white);
  QCoreApplication::processEvents();
  QImage image = plot_->grab().toImage();
  EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white)) << "no border by default";
  plot.set_bordered(true);
  QCoreApplication::processEvents();
  image = plot_->grab().toImage();
  const int right = image.width() - 1;
  const int bottom = image.height() - 1;
  // Shadow on the top and left edges, light on the bottom and right, white within.
  EXPECT_LT(image.pixelColor(0, bottom / 2).lightness(), 200);
  EXPECT_LT(image.pixelColor(right / 2, 0).lightness(), 200);
  EXPECT_EQ(image.pixelColor(right / 2, bottom / 2), QColor(Qt::white));
  EXPECT_NE(image.pixelColor(0, bottom / 2), image.pixelColor(right, bottom / 2));
}

TEST_F(RichControlsTest, TabClicksChangeTheModelAndThePageShown) {
  auto& tabs = form_->tool_tab;
  tabs.set_tab_caption(0, "Engine Setup");
  tabs.set_tab_caption(9, "Sensor Calibration");
  std::vector<int> previous_tabs;
  tabs.on_click = [&](int previous) { previous_tabs.push_back(previous); };
  ASSERT_EQ(tabs_->row_count(), 4);
  // Tab 9 is the second of the third row of four.
  const QRect tab9 = tabs_->tab_rect(9);
  EXPECT_EQ(tab9.top(), 2 * TabControlWidget::kRowHeight);
  QTest::mouseClick(tabs_, Qt::LeftButton, {}, tab9.center());
  EXPECT_EQ(tabs.current_tab(), 9);
  EXPECT_TRUE(gui::tab_page_widget(tabs_, 9)->isVisible());
  EXPECT_FALSE(gui::tab_page_widget(tabs_, 0)->isVisible());
  tabs.set_current_tab(3);
  EXPECT_TRUE(gui::tab_page_widget(tabs_, 3)->isVisible());
  EXPECT_FALSE(gui::tab_page_widget(tabs_, 9)->isVisible());
  tabs.set_tab_enabled(14, false);
  QTest::mouseClick(tabs_, Qt::LeftButton, {}, tabs_->tab_rect(14).center());
  EXPECT_EQ(tabs.current_tab(), 3);
  EXPECT_EQ(previous_tabs, (std::vector<int>{0, 9}));
  // Pages lie below the four rows of tabs.
  EXPECT_EQ(gui::tab_page_widget(tabs_, 3)->geometry().top(), 4 * TabControlWidget::kRowHeight + 1);
  EXPECT_EQ(gui::tab_page_widget(tabs_, 16), nullptr);
  EXPECT_EQ(gui::tab_page_widget(grid_, 0), nullptr);
}

TEST_F(RichControlsTest, ControlsOnAPageShowOnlyWithTheirPage) {
  ui::Gauge page_gauge(*form_, "page_gauge");
  page_gauge.place_in(form_->tool_tab, 2);
  page_gauge.move(150, 150, 900, 900);
  QWidget* widget = observer_.add(page_gauge, gui::tab_page_widget(tabs_, 2));
  EXPECT_FALSE(widget->isVisible());
  form_->tool_tab.set_current_tab(2);
  EXPECT_TRUE(widget->isVisible());
  EXPECT_EQ(widget->geometry(), QRect(10, 10, 60, 60));
  delete widget;
}

TEST_F(RichControlsTest, ScrollBarValueInSyncBothWaysWithoutEchoes) {
  auto& angle = form_->angle;
  int changes = 0;
  angle.on_change = [&] { ++changes; };
  angle.set_value(40);
  EXPECT_EQ(angle_->value(), 40);
  EXPECT_EQ(changes, 1);
  angle_->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(angle.value(), 41);
  angle_->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(angle.value(), 31);
  EXPECT_EQ(changes, 3);
  angle_->setFocus();
  QTest::keyClick(angle_, Qt::Key_End);
  EXPECT_EQ(angle.value(), 100);
  angle.set_range(0, 50);
  EXPECT_EQ(angle_->maximum(), 50);
  EXPECT_EQ(angle_->value(), 50);
  EXPECT_EQ(changes, 5);
  // A handler that refuses a move puts the bar back.
  angle.on_change = [&] {
    if (angle.value() > 45) angle.set_value(45);
  };
  angle_->setValue(48);
  EXPECT_EQ(angle.value(), 45);
  EXPECT_EQ(angle_->value(), 45);
}

TEST_F(RichControlsTest, PictureBoxReplaysTheDrawingInItsOwnScale) {
  auto& plot = form_->plot;  // 200 x 150 pixels
  plot.set_back_colour(ui::colours::black);
  plot.set_scale(0, 0, 1000, 100);
  plot.line(0, 50, 1000, 50, ui::qb_color(14));
  plot.circle(500, 20, 100, ui::qb_color(12));
  plot.point(100, 90, ui::colours::white);
  QImage image = plot_->grab().toImage();
  EXPECT_EQ(image.pixelColor(30, 75), QColor(255, 255, 0));
  EXPECT_EQ(image.pixelColor(20, 135), QColor(255, 255, 255));
  EXPECT_EQ(image.pixelColor(100, 30), QColor(0, 0, 0));    // inside the circle
  EXPECT_EQ(image.pixelColor(120, 30), QColor(255, 0, 0));  // on it: radius 20 pixels
  // Without a scale of its own the box counts in twips.
  plot.set_scale(0, 0, 0, 0);
  plot.cls();
  plot.line(0, 300, 3000, 300, ui::colours::white);
  image = plot_->grab().toImage();
  EXPECT_EQ(image.pixelColor(50, 20), QColor(255, 255, 255));
  EXPECT_EQ(image.pixelColor(30, 75), QColor(0, 0, 0));
}

TEST_F(RichControlsTest, PictureBoxKeepsItsDrawingAndAddsOnlyWhatIsNew) {
  auto& plot = form_->plot;
  plot.set_scale(0, 0, 200, 150);
  plot.line(0, 10, 200, 10, ui::qb_color(10));
  QImage image = plot_->grab().toImage();
  const int renders = plot_->full_renders();
  for (int i = 0; i < 50; ++i) plot.line(0, 20 + i, 200, 20 + i, ui::qb_color(9));
  plot_->hide();
  plot_->show();
  image = plot_->grab().toImage();
  EXPECT_EQ(plot_->full_renders(), renders);
  EXPECT_EQ(image.pixelColor(100, 10), QColor(0, 255, 0));
  EXPECT_EQ(image.pixelColor(100, 60), QColor(0, 0, 255));
  plot.cls();
  image = plot_->grab().toImage();
  EXPECT_GT(plot_->full_renders(), renders);
  EXPECT_EQ(image.pixelColor(100, 10), QColor(0xD4, 0xD0, 0xC8));
}

TEST_F(RichControlsTest, PictureBoxMouseReportsPointsInTheBoxScale) {
  auto& plot = form_->plot;            // 200 x 150 pixels
  plot.set_scale(0, 100, 1000, -100);  // y grows upwards
  struct Seen {
    int kind, button, shift;
    float x, y;
  };
  std::vector<Seen> seen;
  plot.on_mouse_down = [&](int button, int shift, float x, float y) {
    seen.push_back({0, button, shift, x, y});
  };
  plot.on_mouse_up = [&](int button, int shift, float x, float y) {
    seen.push_back({1, button, shift, x, y});
  };
  int clicks = 0;
  plot.on_click = [&] { ++clicks; };
  QTest::mouseClick(plot_, Qt::LeftButton, Qt::ShiftModifier, QPoint(50, 30));
  QTest::mouseClick(plot_, Qt::RightButton, {}, QPoint(100, 150));
  ASSERT_EQ(seen.size(), 4U);
  EXPECT_EQ(seen[0].kind, 0);
  EXPECT_EQ(seen[0].button, 1);
  EXPECT_EQ(seen[0].shift, 1);
  EXPECT_NEAR(seen[0].x, 250, 0.01);
  EXPECT_NEAR(seen[0].y, 80, 0.01);
  EXPECT_EQ(seen[1].kind, 1);
  EXPECT_EQ(seen[2].button, 2);
  EXPECT_NEAR(seen[3].x, 500, 0.01);
  EXPECT_NEAR(seen[3].y, 0, 0.01);
  EXPECT_EQ(clicks, 1);
}

TEST_F(RichControlsTest, GalleryDrivenThroughModelAndUserLooksRight) {
  auto& form = *form_;
  // Grid: a heat map, a typed edit and a mouse block.
  std::vector<std::pair<int, int>> changed;
  form.map.on_cell_change = [&](int row, int col) {
    changed.emplace_back(row, col);
    form.map.set_cell_back_colour(row, col, ui::qb_color(14));
  };
  for (int row = 1; row < 10; ++row) {
    form.map.set_cell_text(row, 0, std::to_string(row * 500));
    for (int col = 1; col < 10; ++col) {
      form.map.set_cell_text(row, col, std::to_string(row + col));
      form.map.set_cell_back_colour(row, col, ui::rgb(128 + row * 12, 255 - col * 12, 128));
    }
  }
  changed.clear();
  grid_->setFocus();
  form.map.set_active_cell(3, 3);
  QTest::keyClicks(grid_, "9");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  ASSERT_EQ(changed.size(), 1U);
  EXPECT_EQ(form.map.cell_text(3, 3), "9");

  // Gauge, chart, drawing, tabs and scroll bar.
  form.tachometer.set_back_colour(ui::colours::white);
  form.tachometer.set_caption("x 1000");
  form.tachometer.set_maximum(8);
  form.tachometer.set_step(1);
  form.tachometer.set_zone_marks(7.2F, 6.48F);
  form.tachometer.set_value(5.5F);
  for (int sample = 0; sample < 600; ++sample) {
    for (int channel = 0; channel < ui::StripChart::kChannels; ++channel) {
      form.strip.select_channel(channel);
      form.strip.set_channel_colour(ui::qb_color(9 + channel % 7));
      form.strip.add_point(0.5F + 0.4F * static_cast<float>(std::sin(sample / 30.0 + channel)));
    }
  }
  form.plot.set_back_colour(ui::colours::black);
  form.plot.set_scale(0, 0, 119, 100);
  for (int i = 1; i < 120; ++i) {
    form.plot.line(i - 1, 50 + 30 * std::sin((i - 1) / 10.0F), i, 50 + 30 * std::sin(i / 10.0F),
                   ui::qb_color(i % 17 == 0 ? 12 : 14));
  }
  form.tool_tab.set_tab_caption(0, "Engine Setup");
  QTest::mouseClick(tabs_, Qt::LeftButton, {}, tabs_->tab_rect(5).center());
  EXPECT_EQ(form.tool_tab.current_tab(), 5);
  angle_->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(form.angle.value(), 10);
  settle();

  const QImage shot = host_->grab().toImage();
  const QString path =
      QDir::current().absoluteFilePath(QStringLiteral("rich_controls_gallery.png"));
  EXPECT_TRUE(shot.save(path)) << path.toStdString();
  QSet<QRgb> colours;
  for (int y = 0; y < shot.height(); y += 3) {
    for (int x = 0; x < shot.width(); x += 3) colours.insert(shot.pixel(x, y));
  }
  EXPECT_GE(colours.size(), 20);
}

}  // namespace
