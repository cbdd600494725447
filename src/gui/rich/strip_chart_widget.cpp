#include "gui/rich/strip_chart_widget.hpp"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <vector>

#include "gui/rich/rich_support.hpp"

namespace gui::rich {

namespace {
// Vertical rulings scroll with the data, one every this many samples.
constexpr long long kRulingSamples = 60;

bool is_dark(const QColor& colour) {
  return colour.lightness() < 128;
}
}  // namespace

StripChartWidget::StripChartWidget(ui::StripChart& chart, QWidget* parent)
    : QWidget(parent), chart_(chart) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  repaint_timer_.setSingleShot(true);
  repaint_timer_.setInterval(kRepaintIntervalMs);
  connect(&repaint_timer_, &QTimer::timeout, this, [this] {
    repaint_pending_ = false;
    update();
  });
}

void StripChartWidget::refresh(ui::Property what) {
  apply_common(*this, chart_, what);
  switch (what) {
    case ui::Property::points:
      schedule_repaint();
      break;
    case ui::Property::everything:
    case ui::Property::colours:
    case ui::Property::visibility:
    case ui::Property::layout:
      update();
      break;
    default:
      break;
  }
}

void StripChartWidget::schedule_repaint() {
  // Cheap on purpose: this runs for every point of every channel.
  if (repaint_pending_) return;
  repaint_pending_ = true;
  repaint_timer_.start();
}

void StripChartWidget::paintEvent(QPaintEvent* /*event*/) {
  ++paint_count_;
  QPainter painter(this);
  const QColor back = to_qcolor(chart_.back_colour());
  painter.fillRect(rect(), back);
  const int w = width();
  const int h = height();
  if (w < 2 || h < 2) return;

  const double dx = static_cast<double>(w - 1) / (kVisibleSamples - 1);
  const long long total = chart_.total_samples();
  const long long first_visible = std::max(0LL, total - kVisibleSamples);
  // Sample k of the chart's time line sits dx apart from its neighbours, newest at the right.
  auto x_of = [&](long long sample) {
    return (w - 1) - static_cast<double>(total - 1 - sample) * dx;
  };
  const double bottom = h - 1;
  auto y_of = [&](float value) {
    // Values outside 0 to 1 are kept by the model and pinned to the edges here.
    return bottom - std::clamp(static_cast<double>(value), 0.0, 1.0) * bottom;
  };

  const QColor ruling = is_dark(back) ? QColor(64, 64, 64) : QColor(192, 192, 192);
  painter.setPen(QPen(ruling, 0, Qt::DotLine));
  for (int quarter = 1; quarter < 4; ++quarter) {
    const double y = bottom * quarter / 4;
    painter.drawLine(QPointF(0, y), QPointF(w, y));
  }
  for (long long sample = (first_visible / kRulingSamples + 1) * kRulingSamples; sample < total;
       sample += kRulingSamples) {
    const double x = x_of(sample);
    painter.drawLine(QPointF(x, 0), QPointF(x, h));
  }

  const QColor mark_colour = is_dark(back) ? QColor(Qt::white) : QColor(Qt::black);
  const int text_height = painter.fontMetrics().height();
  int mark_row = 0;
  for (const auto& mark : chart_.text_marks()) {
    if (mark.sample < first_visible || mark.sample > total) continue;
    const double x = x_of(std::max(0LL, mark.sample - 1));
    painter.setPen(QPen(mark_colour, 0, Qt::DashLine));
    painter.drawLine(QPointF(x, 0), QPointF(x, h));
    painter.setPen(mark_colour);
    // Marks close together step down so their texts do not overwrite one another. A text
    // stands right of its line, or left of it where it would run past the chart's edge (a
    // mark just written sits at the right edge).
    const double y = h - 4 - (mark_row % 3) * text_height;
    const QString text = to_qstring(mark.text);
    const double text_width = painter.fontMetrics().horizontalAdvance(text);
    double left = x + 2;
    if (left + text_width > w) left = std::max(0.0, x - 2 - text_width);
    painter.drawText(QPointF(left, y), text);
    ++mark_row;
  }

  std::vector<QPointF> line;
  line.reserve(kVisibleSamples);
  for (int channel = 0; channel < ui::StripChart::kChannels; ++channel) {
    if (!chart_.channel_visible(channel)) continue;
    const std::vector<float> samples = chart_.samples(channel);
    const long long count = chart_.sample_count(channel);
    const long long oldest = count - static_cast<long long>(samples.size());
    painter.setPen(QPen(to_qcolor(chart_.channel_colour(channel)), 0));
    line.clear();
    auto flush = [&] {
      if (line.size() == 1) painter.drawPoint(line.front());
      if (line.size() > 1) painter.drawPolyline(line.data(), static_cast<int>(line.size()));
      line.clear();
    };
    for (long long sample = std::max(oldest, first_visible); sample < count; ++sample) {
      const float value = samples[static_cast<std::size_t>(sample - oldest)];
      if (std::isnan(value)) {
        flush();  // no value, no line through it
        continue;
      }
      line.emplace_back(x_of(sample), y_of(value));
    }
    flush();
  }
}

void StripChartWidget::mouseReleaseEvent(QMouseEvent* event) {
  // The chart's click is a left click, completed over the chart.
  if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
  chart_.click();
}

}  // namespace gui::rich
