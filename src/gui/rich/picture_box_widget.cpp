#include "gui/rich/picture_box_widget.hpp"

#include <qdrawutil.h>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <cmath>

#include "gui/rich/rich_support.hpp"

namespace gui::rich {

namespace {
// Coordinates far outside the box are pulled in before they reach the painter.
constexpr double kFarOutside = 1e6;

bool same_op(const ui::DrawOp& a, const ui::DrawOp& b) {
  return a.kind == b.kind && a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 &&
         a.colour == b.colour && a.text == b.text;
}

double bounded(double pixels) {
  return std::clamp(pixels, -kFarOutside, kFarOutside);
}
}  // namespace

PictureBoxWidget::PictureBoxWidget(ui::PictureBox& box, QWidget* parent)
    : QWidget(parent), box_(box) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  load_picture();
}

PictureBoxWidget::Scale PictureBoxWidget::model_scale() const {
  return {box_.scale_left(), box_.scale_top(), box_.scale_width(), box_.scale_height()};
}

// Without a scale of its own the box counts in twips.
double PictureBoxWidget::units_per_pixel_x() const {
  const float extent = box_.scale_width();
  if (extent == 0 || !std::isfinite(extent) || width() <= 0) return kTwipsPerPixel;
  return static_cast<double>(extent) / width();
}

double PictureBoxWidget::units_per_pixel_y() const {
  const float extent = box_.scale_height();
  if (extent == 0 || !std::isfinite(extent) || height() <= 0) return kTwipsPerPixel;
  return static_cast<double>(extent) / height();
}

QPointF PictureBoxWidget::to_pixels(float x, float y) const {
  return {bounded((x - box_.scale_left()) / units_per_pixel_x()),
          bounded((y - box_.scale_top()) / units_per_pixel_y())};
}

QPointF PictureBoxWidget::to_scale(QPointF pixels) const {
  return {box_.scale_left() + pixels.x() * units_per_pixel_x(),
          box_.scale_top() + pixels.y() * units_per_pixel_y()};
}

void PictureBoxWidget::load_picture() {
  shown_picture_ = box_.picture();
  const std::string& bytes = shown_picture_.bytes();
  picture_ = bytes.empty() ? QImage()
                           : QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()),
                                              static_cast<int>(bytes.size()));
  cache_valid_ = false;
}

void PictureBoxWidget::refresh(ui::Property what) {
  apply_common(*this, box_, what);
  switch (what) {
    case ui::Property::everything:
      load_picture();
      update();
      break;
    case ui::Property::picture:
      if (box_.picture() != shown_picture_) load_picture();
      update();
      break;
    case ui::Property::drawing:
      // A cleared or rescaled drawing starts over; one that grew is added at the next paint.
      if (box_.drawing().size() < drawn_ops_ || model_scale() != cache_scale_) cache_valid_ = false;
      update();
      break;
    case ui::Property::colours:
      cache_valid_ = false;
      update();
      break;
    default:
      break;
  }
}

void PictureBoxWidget::bring_cache_up_to_date() {
  const auto& ops = box_.drawing();
  const qreal ratio = devicePixelRatioF();
  const QSize pixels = size() * ratio;
  const bool grew_only = cache_valid_ && cache_.size() == pixels && ops.size() >= drawn_ops_ &&
                         model_scale() == cache_scale_ &&
                         (drawn_ops_ == 0 || same_op(ops[drawn_ops_ - 1], last_drawn_));
  if (!grew_only) {
    ++full_renders_;
    cache_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    cache_.setDevicePixelRatio(ratio);
    cache_.fill(to_qcolor(box_.back_colour()));
    if (!picture_.isNull() && width() > 0 && height() > 0) {
      QPainter painter(&cache_);
      painter.setRenderHint(QPainter::SmoothPixmapTransform);
      const QSize fitted = picture_.size().scaled(size(), Qt::KeepAspectRatio);
      const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                         fitted);
      painter.drawImage(target, picture_);
    }
    drawn_ops_ = 0;
    cache_scale_ = model_scale();
    cache_valid_ = true;
  }
  if (drawn_ops_ == ops.size()) return;
  QPainter painter(&cache_);
  for (std::size_t i = drawn_ops_; i < ops.size(); ++i) draw(painter, ops[i]);
  drawn_ops_ = ops.size();
  last_drawn_ = ops.back();
}

void PictureBoxWidget::draw(QPainter& painter, const ui::DrawOp& op) const {
  if (!std::isfinite(op.x1) || !std::isfinite(op.y1) || !std::isfinite(op.x2) ||
      !std::isfinite(op.y2)) {
    return;
  }
  const QColor colour = to_qcolor(op.colour);
  painter.setPen(QPen(colour, 0));
  painter.setBrush(Qt::NoBrush);
  switch (op.kind) {
    case ui::DrawOp::Kind::line:
      painter.drawLine(to_pixels(op.x1, op.y1), to_pixels(op.x2, op.y2));
      break;
    case ui::DrawOp::Kind::point:
      painter.drawPoint(to_pixels(op.x1, op.y1));
      break;
    case ui::DrawOp::Kind::circle: {
      // The radius counts in horizontal units, as the classic picture box did.
      const double radius = bounded(std::abs(op.x2 / units_per_pixel_x()));
      painter.drawEllipse(to_pixels(op.x1, op.y1), radius, radius);
      break;
    }
    case ui::DrawOp::Kind::text: {
      // The current point is the text's top-left corner.
      painter.setFont(font());
      const QPointF corner = to_pixels(op.x1, op.y1);
      painter.drawText(corner + QPointF(0, painter.fontMetrics().ascent()), to_qstring(op.text));
      break;
    }
  }
}

void PictureBoxWidget::paintEvent(QPaintEvent* event) {
  bring_cache_up_to_date();
  QPainter painter(this);
  painter.drawImage(event->rect(), cache_,
                    QRectF(QRectF(event->rect()).topLeft() * cache_.devicePixelRatio(),
                           QSizeF(event->rect().size()) * cache_.devicePixelRatio()));
  if (box_.bordered()) qDrawWinPanel(&painter, rect(), palette(), true);
}

void PictureBoxWidget::mousePressEvent(QMouseEvent* event) {
  const int button = button_code(event->button());
  if (button == 0) return;
  const QPointF at = to_scale(event->position());
  box_.mouse_down(button, shift_mask(event->modifiers()), static_cast<float>(at.x()),
                  static_cast<float>(at.y()));
}

void PictureBoxWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPointF at = to_scale(event->position());
  box_.mouse_move(buttons_mask(event->buttons()), shift_mask(event->modifiers()),
                  static_cast<float>(at.x()), static_cast<float>(at.y()));
}

void PictureBoxWidget::mouseReleaseEvent(QMouseEvent* event) {
  const int button = button_code(event->button());
  if (button == 0) return;
  const QPointF at = to_scale(event->position());
  const QPointer<PictureBoxWidget> alive(this);
  box_.mouse_up(button, shift_mask(event->modifiers()), static_cast<float>(at.x()),
                static_cast<float>(at.y()));
  // A click is a left press and release over the box, reported after the release.
  if (alive && button == 1 && rect().contains(event->position().toPoint())) box_.click();
}

}  // namespace gui::rich
