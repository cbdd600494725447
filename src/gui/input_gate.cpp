#include "gui/input_gate.hpp"

#include <qpa/qwindowsysteminterface.h>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QInputEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>
#include <QWindow>
#include <functional>
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

using EventMaker = std::function<std::unique_ptr<QEvent>()>;

// What the event said when it came, to be made into an event again when it is replayed. A
// mouse or wheel event's point is shared with the pointing device's own record of it, which
// every later event of that device moves on: such an event is made anew only just before
// it is sent, as Qt makes its own, so that a copy kept meanwhile cannot be moved.
EventMaker held_copy(const QEvent& event) {
  const auto timestamp = static_cast<const QInputEvent&>(event).timestamp();
  const auto stamped = [timestamp](std::unique_ptr<QInputEvent> made) -> std::unique_ptr<QEvent> {
    made->setTimestamp(timestamp);
    return made;
  };
  if (event.type() == QEvent::Wheel) {
    const auto& wheel = static_cast<const QWheelEvent&>(event);
    return [stamped, position = wheel.position(), global = wheel.globalPosition(),
            pixels = wheel.pixelDelta(), angle = wheel.angleDelta(), buttons = wheel.buttons(),
            modifiers = wheel.modifiers(), phase = wheel.phase(), inverted = wheel.inverted(),
            source = wheel.source(), device = wheel.pointingDevice()] {
      return stamped(std::make_unique<QWheelEvent>(position, global, pixels, angle, buttons,
                                                   modifiers, phase, inverted, source, device));
    };
  }
  if (const auto* mouse = dynamic_cast<const QMouseEvent*>(&event)) {
    return [stamped, type = mouse->type(), position = mouse->position(),
            scene = mouse->scenePosition(), global = mouse->globalPosition(),
            button = mouse->button(), buttons = mouse->buttons(), modifiers = mouse->modifiers(),
            device = mouse->pointingDevice()] {
      return stamped(std::make_unique<QMouseEvent>(type, position, scene, global, button, buttons,
                                                   modifiers, device));
    };
  }
  std::shared_ptr<QEvent> copy(event.clone());
  return [copy] { return std::unique_ptr<QEvent>(copy->clone()); };
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

// A key press comes due: the window system first offers it to the shortcuts (menu access
// keys, menu items' keys), as it does with a key as it is typed, then to the window.
void replay_key_press(QObject* window, QKeyEvent& key) {
  if (QWindowSystemInterface::handleShortcutEvent(
          static_cast<QWindow*>(window), key.timestamp(), key.key(), key.modifiers(),
          key.nativeScanCode(), key.nativeVirtualKey(), key.nativeModifiers(), key.text(),
          key.isAutoRepeat(), static_cast<ushort>(key.count()))) {
    return;
  }
  QCoreApplication::sendEvent(window, &key);
}

bool InputGate::eventFilter(QObject* watched, QEvent* event) {
  if (!holding_ || !watched->isWindowType()) return false;
  // Before a key press reaches its window, the window is asked whether it takes the key
  // rather than a shortcut: it does, while input is held, so no shortcut acts ahead of the
  // keys before it. The press itself follows and is held; its shortcut acts when it is
  // replayed.
  if (event->type() == QEvent::ShortcutOverride) {
    event->accept();
    return true;
  }
  // Only what the window system hands a window: input Qt routes on to a widget, or sends
  // itself, comes from a delivery that already went through here.
  if (!event->spontaneous() || !is_user_input(event->type())) return false;
  QPointer<QObject> window(watched);
  ui::event_loop().post_user_input([window, make = held_copy(*event)] {
    if (!window || blocked_by_modal_window(window)) return;
    const std::unique_ptr<QEvent> replayed = make();
    if (replayed->type() == QEvent::KeyPress) {
      replay_key_press(window, static_cast<QKeyEvent&>(*replayed));
    } else {
      QCoreApplication::sendEvent(window, replayed.get());
    }
  });
  return true;
}

}  // namespace gui
