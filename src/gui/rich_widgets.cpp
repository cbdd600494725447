#include "gui/rich_widgets.hpp"

#include <QPointer>

#include "gui/rich/gauge_widget.hpp"
#include "gui/rich/grid_widget.hpp"
#include "gui/rich/picture_box_widget.hpp"
#include "gui/rich/scroll_bar_widget.hpp"
#include "gui/rich/strip_chart_widget.hpp"
#include "gui/rich/tab_control_widget.hpp"
#include "ui/gauge.hpp"
#include "ui/grid.hpp"
#include "ui/picture_box.hpp"
#include "ui/strip_chart.hpp"

namespace gui {

namespace {

QWidget* make_widget(ui::Control& control, QWidget* parent) {
  switch (control.kind()) {
    case ui::ControlKind::grid:
      return new rich::GridWidget(static_cast<ui::Grid&>(control), parent);
    case ui::ControlKind::gauge:
      return new rich::GaugeWidget(static_cast<ui::Gauge&>(control), parent);
    case ui::ControlKind::strip_chart:
      return new rich::StripChartWidget(static_cast<ui::StripChart&>(control), parent);
    case ui::ControlKind::picture_box:
      return new rich::PictureBoxWidget(static_cast<ui::PictureBox&>(control), parent);
    case ui::ControlKind::tab_control:
      return new rich::TabControlWidget(static_cast<ui::TabControl&>(control), parent);
    case ui::ControlKind::scroll_bar:
      return new rich::ScrollBarWidget(static_cast<ui::ScrollBar&>(control), parent);
    default:
      return nullptr;
  }
}

template <class W>
bool refresh_as(QWidget* widget, ui::Property what) {
  auto* typed = qobject_cast<W*>(widget);
  if (typed == nullptr) return false;
  typed->refresh(what);
  return true;
}

}  // namespace

QWidget* create_rich_widget(ui::Control& control, QWidget* parent) {
  QWidget* widget = make_widget(control, parent);
  if (widget != nullptr) {
    widget->setObjectName(QString::fromStdString(control.name()));
    refresh_rich_widget(widget, control, ui::Property::everything);
  }
  return widget;
}

void refresh_rich_widget(QWidget* widget, ui::Control& /*control*/, ui::Property what) {
  // The widget knows its control; the argument is there for the front-end's convenience.
  if (widget == nullptr) return;
  refresh_as<rich::GridWidget>(widget, what) || refresh_as<rich::GaugeWidget>(widget, what) ||
      refresh_as<rich::StripChartWidget>(widget, what) ||
      refresh_as<rich::PictureBoxWidget>(widget, what) ||
      refresh_as<rich::TabControlWidget>(widget, what) ||
      refresh_as<rich::ScrollBarWidget>(widget, what);
}

void commit_cell_edits(QWidget& window) {
  for (auto* grid : window.findChildren<rich::GridWidget*>()) {
    const QPointer<QWidget> alive(&window);
    grid->commit_edit();
    // The cell's change handler may have closed the window.
    if (!alive) return;
  }
}

QWidget* tab_page_widget(QWidget* tab_widget, int page) {
  auto* tabs = qobject_cast<rich::TabControlWidget*>(tab_widget);
  return tabs != nullptr ? tabs->page(page) : nullptr;
}

}  // namespace gui
