#pragma once
// A round dial gauge. The dial (face, scale, numbers, zones, caption) is drawn once into a
// pixmap; a new value only redraws the needle, and only when it moves.

#include <QPixmap>
#include <QWidget>

#include "ui/gauge.hpp"

namespace gui::rich {

class GaugeWidget : public QWidget {
  Q_OBJECT

 public:
  GaugeWidget(ui::Gauge& gauge, QWidget* parent);

  void refresh(ui::Property what);

  // The needle's position as a fraction of the scale, 0 to 1.
  [[nodiscard]] double needle_fraction() const { return needle_fraction_; }
  [[nodiscard]] int paint_count() const { return paint_count_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  [[nodiscard]] double fraction_of(double value) const;
  [[nodiscard]] QRectF dial_rect() const;
  void draw_dial();

  ui::Gauge& gauge_;
  QPixmap dial_;
  bool dial_valid_ = false;
  double needle_fraction_ = 0;
  int paint_count_ = 0;
};

}  // namespace gui::rich
