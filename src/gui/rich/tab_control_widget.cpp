#include "gui/rich/tab_control_widget.hpp"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QShortcut>
#include <algorithm>

#include "gui/rich/rich_support.hpp"

namespace gui::rich {

TabControlWidget::TabControlWidget(ui::TabControl& tabs, QWidget* parent)
    : QWidget(parent), tabs_(tabs) {
  for (int tab = 0; tab < tabs_.tab_count(); ++tab) {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("page%1").arg(tab));
    pages_.push_back(page);
  }
  layout_pages();
  show_current_page();
  // The tabs take the focus like a button, and the pages change from anywhere in the window
  // with Ctrl+Tab and Ctrl+PgDn (Ctrl+Shift+Tab and Ctrl+PgUp back). A window has one tab
  // control; where it had more, the one holding the focus would change.
  setFocusPolicy(Qt::StrongFocus);
  const struct {
    QKeySequence keys;
    int direction;
  } shortcuts[] = {
      {QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
      {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1},
      {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1},
  };
  for (const auto& shortcut : shortcuts) {
    auto* keys = new QShortcut(shortcut.keys, this);
    keys->setContext(Qt::WindowShortcut);
    const int direction = shortcut.direction;
    connect(keys, &QShortcut::activated, this, [this, direction] { step_tab(direction); });
    connect(keys, &QShortcut::activatedAmbiguously, this, [this, direction] {
      if (isAncestorOf(QApplication::focusWidget()) || hasFocus()) step_tab(direction);
    });
  }
}

void TabControlWidget::step_tab(int direction) {
  const int count = tabs_.tab_count();
  if (count == 0 || !isEnabled() || !isVisible()) return;
  for (int step = 1; step < count; ++step) {
    const int tab = ((tabs_.current_tab() + direction * step) % count + count) % count;
    if (tabs_.tab_enabled(tab)) {
      choose_tab(tab);
      return;
    }
  }
}

void TabControlWidget::choose_tab(int tab) {
  const QPointer<TabControlWidget> alive(this);
  tabs_.set_current_tab(tab);
  // The click handler may have closed the window.
  if (alive) show_current_page();
}

void TabControlWidget::keyPressEvent(QKeyEvent* event) {
  // Keys a control on a page left alone (a field's Shift+Up after its step) come here
  // too: only the tabs' own focus makes them change the page.
  if (!hasFocus()) {
    QWidget::keyPressEvent(event);
    return;
  }
  const int count = tabs_.tab_count();
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
      step_tab(-1);
      return;
    case Qt::Key_Right:
    case Qt::Key_Down:
      step_tab(1);
      return;
    case Qt::Key_Home:
    case Qt::Key_End: {
      const bool home = event->key() == Qt::Key_Home;
      for (int i = 0; i < count; ++i) {
        const int tab = home ? i : count - 1 - i;
        if (tabs_.tab_enabled(tab)) {
          if (tab != tabs_.current_tab()) choose_tab(tab);
          return;
        }
      }
      return;
    }
    default:
      QWidget::keyPressEvent(event);
  }
}

QWidget* TabControlWidget::page(int tab) const {
  if (tab < 0 || tab >= static_cast<int>(pages_.size())) return nullptr;
  return pages_[static_cast<std::size_t>(tab)];
}

int TabControlWidget::row_count() const {
  const int per_row = std::max(1, tabs_.tabs_per_row());
  return (tabs_.tab_count() + per_row - 1) / per_row;
}

QRect TabControlWidget::tab_rect(int tab) const {
  if (tab < 0 || tab >= tabs_.tab_count()) return {};
  const int per_row = std::max(1, tabs_.tabs_per_row());
  const int row = tab / per_row;
  const int column = tab % per_row;
  const int left = column * width() / per_row;
  const int right = (column + 1) * width() / per_row;
  return {left, row * kRowHeight, right - left, kRowHeight};
}

int TabControlWidget::tab_at(QPoint point) const {
  for (int tab = 0; tab < tabs_.tab_count(); ++tab) {
    if (tab_rect(tab).contains(point)) return tab;
  }
  return -1;
}

void TabControlWidget::layout_pages() {
  const int top = row_count() * kRowHeight;
  const QRect area(1, top + 1, std::max(0, width() - 2), std::max(0, height() - top - 2));
  for (QWidget* page : pages_) page->setGeometry(area);
}

void TabControlWidget::show_current_page() {
  const int current = tabs_.current_tab();
  for (int tab = 0; tab < static_cast<int>(pages_.size()); ++tab) {
    pages_[static_cast<std::size_t>(tab)]->setVisible(tab == current);
  }
  update();
}

void TabControlWidget::refresh(ui::Property what) {
  apply_common(*this, tabs_, what);
  switch (what) {
    case ui::Property::everything:
    case ui::Property::layout:
      layout_pages();
      show_current_page();
      break;
    case ui::Property::value:
      show_current_page();
      break;
    case ui::Property::text:
    case ui::Property::enabled:
    case ui::Property::colours:
      update();
      break;
    default:
      break;
  }
}

void TabControlWidget::resizeEvent(QResizeEvent* /*event*/) {
  layout_pages();
}

void TabControlWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QColor face = to_qcolor(tabs_.back_colour());
  const QColor ink = to_qcolor(tabs_.fore_colour());
  const QColor shadow = face.darker(160);
  const QColor light = face.lighter(130);
  const int top = row_count() * kRowHeight;
  painter.fillRect(QRect(0, top, width(), height() - top), face);
  painter.setPen(shadow);
  painter.drawRect(QRect(0, top, width() - 1, height() - top - 1));

  const int current = tabs_.current_tab();
  for (int tab = 0; tab < tabs_.tab_count(); ++tab) {
    const QRect rect = tab_rect(tab).adjusted(0, 1, -1, 0);
    const bool selected = tab == current;
    painter.fillRect(rect, selected ? light : face);
    painter.setPen(shadow);
    painter.drawRect(rect.adjusted(0, 0, 0, selected ? 0 : -1));
    QFont caption_font = font();
    caption_font.setBold(selected);
    painter.setFont(caption_font);
    painter.setPen(tabs_.tab_enabled(tab) ? ink : shadow);
    painter.drawText(rect.adjusted(2, 0, -2, 0), Qt::AlignCenter | Qt::TextShowMnemonic,
                     to_qstring(tabs_.tab_caption(tab)));
    if (selected && hasFocus()) {
      painter.setPen(QPen(ink, 1, Qt::DotLine));
      painter.drawRect(rect.adjusted(3, 3, -4, -3));
    }
  }
}

void TabControlWidget::mousePressEvent(QMouseEvent* event) {
  const int tab = tab_at(event->position().toPoint());
  if (event->button() != Qt::LeftButton || tab < 0 || !tabs_.tab_enabled(tab)) return;
  choose_tab(tab);
}

}  // namespace gui::rich
