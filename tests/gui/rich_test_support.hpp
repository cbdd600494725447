#pragma once
// What the rich-control tests share: a Qt application on the offscreen platform and an
// observer that routes the model's change notices to the widgets, as the front-end does.

#include <QApplication>
#include <QImage>
#include <QWidget>
#include <map>

#include "gui/rich_widgets.hpp"
#include "ui/form.hpp"

namespace rich_test {

inline void ensure_application() {
  if (QCoreApplication::instance() != nullptr) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char program[] = "gui_tests";
  static char* argv[] = {program, nullptr};
  // Never destroyed: Qt's own globals go first at exit, and a late destructor trips on them.
  static auto* application = new QApplication(argc, argv);
  static_cast<void>(application);
}

class WidgetObserver : public ui::FormObserver {
 public:
  WidgetObserver() { ui::forms().set_observer(this); }
  ~WidgetObserver() override { ui::forms().set_observer(nullptr); }
  WidgetObserver(const WidgetObserver&) = delete;
  WidgetObserver& operator=(const WidgetObserver&) = delete;

  QWidget* add(ui::Control& control, QWidget* parent) {
    QWidget* widget = gui::create_rich_widget(control, parent);
    if (widget != nullptr) widgets_[&control] = widget;
    return widget;
  }

  void form_loaded(ui::Form& /*form*/) override {}
  void form_unloaded(ui::Form& /*form*/) override {}
  void form_changed(ui::Form& /*form*/) override {}
  void form_shown(ui::Form& /*form*/) override {}
  void form_hidden(ui::Form& /*form*/) override {}
  void form_activated(ui::Form& /*form*/) override {}
  void control_changed(ui::Control& control, ui::Property what) override {
    const auto found = widgets_.find(&control);
    if (found != widgets_.end()) gui::refresh_rich_widget(found->second, control, what);
  }

 private:
  std::map<ui::Control*, QWidget*> widgets_;
};

// The colour of a pixel of the widget as it is drawn now.
inline QColor pixel_of(QWidget& widget, QPoint point) {
  const QImage image = widget.grab().toImage();
  return image.pixelColor(point);
}

}  // namespace rich_test
