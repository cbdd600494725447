#pragma once
// A picture box: its picture, scaled to fit, under the drawing the model keeps as a display
// list. The composition is kept in an image, so covering or hiding the box loses nothing,
// and drawing that only grew is added to the image instead of being redrawn from the start.

#include <QImage>
#include <QWidget>
#include <array>
#include <string>

#include "ui/picture_box.hpp"

namespace gui::rich {

class PictureBoxWidget : public QWidget {
  Q_OBJECT

 public:
  PictureBoxWidget(ui::PictureBox& box, QWidget* parent);

  void refresh(ui::Property what);

  // A point of the box's own scale in pixels, and back.
  [[nodiscard]] QPointF to_pixels(float x, float y) const;
  [[nodiscard]] QPointF to_scale(QPointF pixels) const;
  // How often the whole composition was drawn again; drawing that only grows adds to it.
  [[nodiscard]] int full_renders() const { return full_renders_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  using Scale = std::array<float, 4>;
  [[nodiscard]] Scale model_scale() const;
  [[nodiscard]] double units_per_pixel_x() const;
  [[nodiscard]] double units_per_pixel_y() const;
  void load_picture();
  void bring_cache_up_to_date();
  void draw(QPainter& painter, const ui::DrawOp& op) const;

  ui::PictureBox& box_;
  ui::Picture shown_picture_;
  QImage picture_;
  QImage cache_;
  bool cache_valid_ = false;
  std::size_t drawn_ops_ = 0;
  ui::DrawOp last_drawn_;
  Scale cache_scale_{};
  int full_renders_ = 0;
};

}  // namespace gui::rich
