#include "gui/rich/scroll_bar_widget.hpp"

#include <QPointer>
#include <QSignalBlocker>
#include <algorithm>

#include "gui/rich/rich_support.hpp"

namespace gui::rich {

namespace {
// A tenth of the range per page, as the editors' angle bars (0 to 100) expect.
int page_step_for(int minimum, int maximum) {
  return std::max(1, (maximum - minimum) / 10);
}
}  // namespace

ScrollBarWidget::ScrollBarWidget(ui::ScrollBar& bar, QWidget* parent)
    : QScrollBar(parent), bar_(bar) {
  setSingleStep(1);
  sync_from_model();
  connect(this, &QScrollBar::valueChanged, this, &ScrollBarWidget::user_moved);
}

void ScrollBarWidget::sync_from_model() {
  // Blocked, so that writing the model's own value back never runs its handler again.
  const QSignalBlocker blocker(this);
  setOrientation(bar_.vertical() ? Qt::Vertical : Qt::Horizontal);
  setRange(bar_.minimum(), bar_.maximum());
  setPageStep(page_step_for(bar_.minimum(), bar_.maximum()));
  setValue(bar_.value());
}

void ScrollBarWidget::refresh(ui::Property what) {
  apply_common(*this, bar_, what);
  switch (what) {
    case ui::Property::everything:
    case ui::Property::value:
    case ui::Property::layout:
      sync_from_model();
      break;
    default:
      break;
  }
}

void ScrollBarWidget::user_moved(int value) {
  const QPointer<ScrollBarWidget> alive(this);
  bar_.set_value(value);
  // The handler may have closed the window, or the model may have kept another value.
  if (alive && bar_.value() != this->value()) sync_from_model();
}

}  // namespace gui::rich
