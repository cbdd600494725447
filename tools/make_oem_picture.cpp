// Draws the console's branding picture at build time: a crank wheel and the console's name.

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 150;
// A 36-minus-1 trigger wheel: 36 tooth places, one left out as the reference gap.
constexpr int kToothPlaces = 36;
constexpr int kMissingTeeth = 1;

QPainterPath crank_wheel(QPointF centre, double root_radius, double tip_radius) {
  QPainterPath wheel;
  const double step = 2.0 * std::numbers::pi / kToothPlaces;
  bool first = true;
  for (int place = 0; place < kToothPlaces; ++place) {
    const double start = place * step;
    const bool tooth = place >= kMissingTeeth;
    const double radius_up = tooth ? tip_radius : root_radius;
    // Each place: half a step of tooth (or gap), half a step of root.
    const QPointF points[] = {
        centre + QPointF(root_radius * std::cos(start), root_radius * std::sin(start)),
        centre + QPointF(radius_up * std::cos(start), radius_up * std::sin(start)),
        centre +
            QPointF(radius_up * std::cos(start + step / 2), radius_up * std::sin(start + step / 2)),
        centre + QPointF(root_radius * std::cos(start + step / 2),
                         root_radius * std::sin(start + step / 2)),
    };
    for (const QPointF& point : points) {
      if (first) {
        wheel.moveTo(point);
        first = false;
      } else {
        wheel.lineTo(point);
      }
    }
  }
  wheel.closeSubpath();
  return wheel;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_oem_picture <output.jpg>\n");
    return 2;
  }
  QGuiApplication application(argc, argv);

  QImage picture(kWidth, kHeight, QImage::Format_RGB32);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);

  QLinearGradient background(0, 0, 0, kHeight);
  background.setColorAt(0.0, QColor(24, 40, 72));
  background.setColorAt(1.0, QColor(8, 14, 28));
  painter.fillRect(picture.rect(), background);

  const QPointF centre(75, kHeight / 2.0);
  QPainterPath wheel = crank_wheel(centre, 48, 58);
  QPainterPath hub;
  hub.addEllipse(centre, 14, 14);
  painter.setPen(QPen(QColor(200, 206, 214), 1.5));
  painter.setBrush(QColor(150, 158, 170));
  painter.drawPath(wheel.subtracted(hub));
  painter.setBrush(QColor(60, 66, 78));
  painter.drawEllipse(centre, 30, 30);
  // The sensor that reads the teeth, just off the wheel.
  painter.setBrush(QColor(230, 140, 30));
  painter.setPen(Qt::NoPen);
  painter.drawRoundedRect(QRectF(centre.x() + 62, centre.y() - 6, 22, 12), 3, 3);

  QFont title_font(QStringLiteral("DejaVu Sans"));
  title_font.setPixelSize(26);
  title_font.setBold(true);
  painter.setFont(title_font);
  painter.setPen(QColor(240, 244, 250));
  painter.drawText(QRectF(165, 38, 230, 70), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                   QStringLiteral("ECU System Console"));
  painter.end();

  if (!picture.save(QString::fromLocal8Bit(argv[1]), "JPG", 90)) {
    std::fprintf(stderr, "make_oem_picture: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
