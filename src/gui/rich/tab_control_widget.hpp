#pragma once
// A tabbed control with its tabs in rows of `tabs_per_row`, drawn by hand because a
// QTabBar has one row only. Each tab owns a page widget below the rows, which holds the
// controls placed on that page; control positions on a page are relative to the page.

#include <QWidget>
#include <vector>

#include "ui/control.hpp"

namespace gui::rich {

class TabControlWidget : public QWidget {
  Q_OBJECT

 public:
  // Height of one row of tabs: 300 twips, so window designs can allow for it.
  static constexpr int kRowHeight = 20;

  TabControlWidget(ui::TabControl& tabs, QWidget* parent);

  void refresh(ui::Property what);

  [[nodiscard]] QWidget* page(int tab) const;
  [[nodiscard]] int row_count() const;
  [[nodiscard]] QRect tab_rect(int tab) const;
  [[nodiscard]] int tab_at(QPoint point) const;
  // Moves to the next (+1) or previous (-1) enabled tab, round from the last to the first.
  void step_tab(int direction);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void layout_pages();
  void show_current_page();
  void choose_tab(int tab);

  ui::TabControl& tabs_;
  std::vector<QWidget*> pages_;
};

}  // namespace gui::rich
