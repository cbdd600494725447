#include "gui/rich/gauge_widget.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "gui/rich/rich_support.hpp"

namespace gui::rich {

namespace {
// The scale sweeps 270 degrees clockwise from the lower left to the lower right.
constexpr double kStartDegrees = 225;
constexpr double kSweepDegrees = 270;
// A step that would crowd the dial with marks is thinned out.
constexpr int kMaxMajorMarks = 40;
// Needle moves smaller than this fraction of the sweep are not worth a repaint.
constexpr double kNeedleResolution = 1.0 / 2000;

QPointF on_circle(QPointF centre, double radius, double fraction) {
  const double radians = (kStartDegrees - fraction * kSweepDegrees) * std::numbers::pi / 180;
  return {centre.x() + radius * std::cos(radians), centre.y() - radius * std::sin(radians)};
}

QString scale_number(double value) {
  if (std::abs(value) < 1e-9) value = 0;
  return QString::number(value, 'g', 6);
}
}  // namespace

GaugeWidget::GaugeWidget(ui::Gauge& gauge, QWidget* parent) : QWidget(parent), gauge_(gauge) {
  needle_fraction_ = fraction_of(gauge_.value());
}

double GaugeWidget::fraction_of(double value) const {
  const double maximum = gauge_.maximum();
  if (!(maximum > 0) || !std::isfinite(value)) return 0;
  return std::clamp(value / maximum, 0.0, 1.0);
}

void GaugeWidget::refresh(ui::Property what) {
  apply_common(*this, gauge_, what);
  switch (what) {
    case ui::Property::value: {
      const double fraction = fraction_of(gauge_.value());
      if (std::abs(fraction - needle_fraction_) < kNeedleResolution) return;
      needle_fraction_ = fraction;
      update();
      break;
    }
    case ui::Property::everything:
    case ui::Property::layout:
    case ui::Property::colours:
    case ui::Property::text:
      needle_fraction_ = fraction_of(gauge_.value());
      dial_valid_ = false;
      update();
      break;
    default:
      break;
  }
}

void GaugeWidget::resizeEvent(QResizeEvent* /*event*/) {
  dial_valid_ = false;
}

QRectF GaugeWidget::dial_rect() const {
  const double side = std::max(0, std::min(width(), height()) - 2);
  return {(width() - side) / 2.0, (height() - side) / 2.0, side, side};
}

void GaugeWidget::draw_dial() {
  const qreal ratio = devicePixelRatioF();
  dial_ = QPixmap(size() * ratio);
  dial_.setDevicePixelRatio(ratio);
  dial_.fill(Qt::transparent);
  dial_valid_ = true;
  const QRectF rect = dial_rect();
  if (rect.width() < 8) return;
  QPainter painter(&dial_);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPointF centre = rect.center();
  const double radius = rect.width() / 2;

  painter.setPen(QPen(QColor(64, 64, 64), std::max(1.0, radius / 30)));
  painter.setBrush(to_qcolor(gauge_.back_colour()));
  painter.drawEllipse(rect.adjusted(1, 1, -1, -1));

  // Zones: red from the higher mark to the end of the scale, a warning band from the lower
  // mark up to it; a mark at 0 is no mark.
  const double maximum = gauge_.maximum();
  const double red_from = std::max(gauge_.zone_mark_1(), gauge_.zone_mark_2());
  const double warn_from = std::min(gauge_.zone_mark_1(), gauge_.zone_mark_2());
  const double band = std::max(2.0, radius / 10);
  const QRectF band_rect = rect.adjusted(band, band, -band, -band).adjusted(3, 3, -3, -3);
  auto draw_band = [&](double from, double to, const QColor& colour) {
    const double start = fraction_of(from);
    const double end = fraction_of(to);
    if (end <= start) return;
    painter.setPen(QPen(colour, band, Qt::SolidLine, Qt::FlatCap));
    painter.setBrush(Qt::NoBrush);
    const double start_degrees = kStartDegrees - start * kSweepDegrees;
    const double span_degrees = -(end - start) * kSweepDegrees;
    painter.drawArc(band_rect, static_cast<int>(std::lround(start_degrees * 16)),
                    static_cast<int>(std::lround(span_degrees * 16)));
  };
  if (red_from > 0 && red_from < maximum) {
    if (warn_from > 0 && warn_from < red_from) draw_band(warn_from, red_from, QColor(255, 200, 0));
    draw_band(red_from, maximum, QColor(220, 0, 0));
  }

  // Marks and numbers every step, a short mark half way between.
  const QColor ink = to_qcolor(gauge_.fore_colour());
  double step = gauge_.step();
  if (!(step > 0) || !(maximum > 0)) step = maximum > 0 ? maximum : 1;
  while (maximum / step > kMaxMajorMarks) step *= 2;
  const double outer = radius - 3;
  QFont number_font = font();
  number_font.setPixelSize(std::max(6, static_cast<int>(radius / 7)));
  painter.setFont(number_font);
  const double scale_factor = gauge_.scale_factor();
  const int marks = maximum > 0 ? static_cast<int>(std::floor(maximum / step + 1e-6)) : 0;
  for (int mark = 0; mark <= marks; ++mark) {
    const double value = mark * step;
    const double fraction = fraction_of(value);
    painter.setPen(QPen(ink, std::max(1.0, radius / 40)));
    painter.drawLine(on_circle(centre, outer, fraction),
                     on_circle(centre, outer - radius / 8, fraction));
    const QPointF text_centre = on_circle(centre, outer - radius / 4, fraction);
    const QRectF text_rect(text_centre.x() - radius / 3, text_centre.y() - radius / 8,
                           radius * 2 / 3, radius / 4);
    painter.drawText(text_rect, Qt::AlignCenter, scale_number(value / scale_factor));
    if (mark < marks) {
      const double half = fraction_of(value + step / 2);
      painter.setPen(QPen(ink, 1));
      painter.drawLine(on_circle(centre, outer, half),
                       on_circle(centre, outer - radius / 16, half));
    }
  }

  QString caption = to_qstring(gauge_.caption());
  caption.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  caption.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  if (!caption.isEmpty()) {
    // Between the hub and the numbers at the ends of the scale, smaller when it is long; a
    // caption of two lines (a name and its unit) takes a little more height.
    const QStringList lines = caption.split(QLatin1Char('\n'));
    const double height = lines.size() > 1 ? radius * 0.42 : radius * 0.3;
    const QRectF caption_rect(centre.x() - radius * 0.45, centre.y() + radius * 0.2, radius * 0.9,
                              height);
    const auto too_large = [&](const QFont& candidate) {
      const QFontMetricsF metrics(candidate);
      if (metrics.lineSpacing() * static_cast<double>(lines.size()) > caption_rect.height() + 1) {
        return true;
      }
      for (const QString& line : lines) {
        if (metrics.horizontalAdvance(line) > caption_rect.width()) return true;
      }
      return false;
    };
    QFont caption_font = font();
    int pixels = std::max(6, static_cast<int>(radius / 6));
    caption_font.setPixelSize(pixels);
    while (pixels > 6 && too_large(caption_font)) caption_font.setPixelSize(--pixels);
    painter.setFont(caption_font);
    painter.setPen(ink);
    painter.drawText(caption_rect, Qt::AlignCenter | Qt::TextShowMnemonic, caption);
  }
}

void GaugeWidget::paintEvent(QPaintEvent* /*event*/) {
  ++paint_count_;
  if (!dial_valid_ || dial_.size() != size() * devicePixelRatioF()) draw_dial();
  QPainter painter(this);
  painter.drawPixmap(0, 0, dial_);
  const QRectF rect = dial_rect();
  if (rect.width() < 8) return;
  painter.setRenderHint(QPainter::Antialiasing);
  const QPointF centre = rect.center();
  const double radius = rect.width() / 2;
  painter.setPen(QPen(QColor(200, 0, 0), std::max(1.5, radius / 25), Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(centre, on_circle(centre, radius * 0.8, needle_fraction_));
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(40, 40, 40));
  const double hub = std::max(2.0, radius / 12);
  painter.drawEllipse(centre, hub, hub);
}

}  // namespace gui::rich
