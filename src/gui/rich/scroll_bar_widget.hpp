#pragma once
// A scroll bar whose range and value follow the model; the user's moves go to the model,
// whose change handler runs for each new value.

#include <QScrollBar>

#include "ui/control.hpp"

namespace gui::rich {

class ScrollBarWidget : public QScrollBar {
  Q_OBJECT

 public:
  ScrollBarWidget(ui::ScrollBar& bar, QWidget* parent);

  void refresh(ui::Property what);

 private:
  void sync_from_model();
  void user_moved(int value);

  ui::ScrollBar& bar_;
};

}  // namespace gui::rich
