#include "gui/input_gate.hpp"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWindow>
#include <memory>

#include "ui/event_loop.hpp"

namespace gui {

namespace {

bool is_user_input(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool InputGate::blocked_by_modal_window(const QObject* window) {
  const QWindow* modal = QGuiApplication::modalWindow();
  if (modal == nullptr || !window->isWindowType()) return false;
  // A modal window's own popups (menus, say) take input; every other window waits.
  for (const auto* shown = static_cast<const QWindow*>(window); shown != nullptr;
       shown = shown->transientParent()) {
    if (shown == modal) return false;
  }
  return true;
}

bool InputGate::eventFilter(QObject* watched, QEvent* event) {
  // Only what the window system hands a window: input Qt routes on to a widget, or sends
  // itself, comes from a delivery that already went through here.
  if (!holding_ || !event->spontaneous() || !watched->isWindowType() ||
      !is_user_input(event->type())) {
    return false;
  }
  QPointer<QObject> window(watched);
  std::shared_ptr<QEvent> held(event->clone());
  ui::event_loop().post_user_input([window, held] {
    if (window && !blocked_by_modal_window(window)) QCoreApplication::sendEvent(window, held.get());
  });
  return true;
}

}  // namespace gui
