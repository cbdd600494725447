#pragma once
// The plotter's scrolling chart. The model notifies every point it receives; the widget
// only marks itself dirty then and repaints at most about 30 times a second.

#include <QTimer>
#include <QWidget>

#include "ui/strip_chart.hpp"

namespace gui::rich {

class StripChartWidget : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kVisibleSamples = 600;
  static constexpr int kRepaintIntervalMs = 33;

  StripChartWidget(ui::StripChart& chart, QWidget* parent);

  void refresh(ui::Property what);

  [[nodiscard]] int paint_count() const { return paint_count_; }
  [[nodiscard]] bool repaint_pending() const { return repaint_pending_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void schedule_repaint();

  ui::StripChart& chart_;
  QTimer repaint_timer_;
  bool repaint_pending_ = false;
  int paint_count_ = 0;
};

}  // namespace gui::rich
