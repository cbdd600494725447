#include "gui/input_gate.hpp"

#include <qpa/qwindowsysteminterface.h>
#include <qpa/qwindowsysteminterface_p.h>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QInputEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <memory>
#include <optional>

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

// The top-level widget a window shows, if it shows one.
QWidget* widget_of_window(const QObject* window) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->windowHandle() == window) return widget;
  }
  return nullptr;
}

bool is_key(QEvent::Type type) {
  return type == QEvent::KeyPress || type == QEvent::KeyRelease;
}

// Events that pick the control under the pointer: a control disabled when the user made
// them never takes them. Moves and releases follow what a press began.
bool aims_at_a_control(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
      return true;
    default:
      return false;
  }
}

std::optional<QPointF> event_point(const QEvent& event) {
  if (const auto* pointer = dynamic_cast<const QSinglePointEvent*>(&event)) {
    return pointer->position();
  }
  if (event.type() == QEvent::ContextMenu) {
    return QPointF(static_cast<const QContextMenuEvent&>(event).pos());
  }
  return std::nullopt;
}

// Where the user aimed the event when making it, and whether that could take it then.
struct Aim {
  bool usable = true;
  QPointer<QWidget> focus;
  bool has_focus = false;
};

Aim aim_of(const QObject* window, const QEvent& event) {
  Aim aim;
  const auto* shown = static_cast<const QWindow*>(window);
  QWidget* top = widget_of_window(window);
  if (!shown->isVisible() || (top != nullptr && !top->isEnabled())) {
    aim.usable = false;
    return aim;
  }
  if (top == nullptr) return aim;
  if (is_key(event.type())) {
    QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr && focus->window() == top) {
      aim.focus = focus;
      aim.has_focus = true;
      aim.usable = focus->isEnabled();
    }
    return aim;
  }
  if (aims_at_a_control(event.type())) {
    if (const auto point = event_point(event)) {
      QWidget* control = top->childAt(point->toPoint());
      aim.usable = control == nullptr || control->isEnabled();
    }
  }
  return aim;
}

// A key press comes due: the window system first offers it to the shortcuts (menu access
// keys, menu items' keys), as it does with a key as it is typed, then to the control it
// was typed into.
void replay_key_press(QWindow* window, QObject* receiver, QKeyEvent& key) {
  if (QWindowSystemInterface::handleShortcutEvent(
          window, key.timestamp(), key.key(), key.modifiers(), key.nativeScanCode(),
          key.nativeVirtualKey(), key.nativeModifiers(), key.text(), key.isAutoRepeat(),
          static_cast<ushort>(key.count()))) {
    return;
  }
  QCoreApplication::sendEvent(receiver, &key);
}

}  // namespace

// Each piece of input the window system hands over and the gate lets through at once (a
// press, with the double-click Qt makes of it; a key, with the shortcut it triggers) is
// handled whole before the next: a pass inside its handling holds input back.
class InputGate::InputBracket final : public QWindowSystemEventHandler {
 public:
  explicit InputBracket(const InputGate& gate) : gate_(gate) {
    QWindowSystemInterfacePrivate::installWindowSystemEventHandler(this);
  }
  ~InputBracket() override { QWindowSystemInterfacePrivate::removeWindowSystemEventhandler(this); }
  InputBracket(const InputBracket&) = delete;
  InputBracket& operator=(const InputBracket&) = delete;

  bool sendEvent(QWindowSystemInterfacePrivate::WindowSystemEvent* event) override {
    if ((event->type & QWindowSystemInterfacePrivate::UserInputEvent) == 0 ||
        InputGate::queues_input(gate_.holding())) {
      return QWindowSystemEventHandler::sendEvent(event);
    }
    const ui::EventLoop::HandlingInput handling(ui::event_loop());
    return QWindowSystemEventHandler::sendEvent(event);
  }

 private:
  const InputGate& gate_;
};

InputGate::InputGate() {
  if (auto* application = qobject_cast<QApplication*>(QCoreApplication::instance())) {
    connect(application, &QApplication::focusChanged, this, [this] { focus_changed(); });
  }
}

InputGate::~InputGate() = default;

void InputGate::set_bracketing_window_system_input(bool bracketing) {
  if (!bracketing) {
    bracket_.reset();
  } else if (!bracket_) {
    bracket_ = std::make_unique<InputBracket>(*this);
  }
}

void InputGate::focus_changed() {
  if (ui::event_loop().delivering_user_input()) ++focus_moves_by_input_;
}

bool InputGate::queues_input(bool holding) {
  const ui::EventLoop& loop = ui::event_loop();
  return holding || (loop.has_pending_user_input() && !loop.delivering_user_input());
}

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
  if (!watched->isWindowType() || !queues_input(holding_)) return false;
  // Before a key press reaches its window, the window is asked whether it takes the key
  // rather than a shortcut: it does, while input is queued, so no shortcut acts ahead of
  // the keys before it. The press itself follows and is queued; its shortcut acts when it
  // is replayed.
  if (event->type() == QEvent::ShortcutOverride) {
    event->accept();
    return true;
  }
  // Only what the window system hands a window: input Qt routes on to a widget, or sends
  // itself, comes from a delivery that already went through here.
  if (!event->spontaneous() || !is_user_input(event->type())) return false;
  const Aim aim = aim_of(watched, *event);
  // The window system drops input for a disabled or hidden window or control; so does the
  // queue, rather than hand it to what has been enabled by the time it runs.
  if (!aim.usable) return true;
  QPointer<QWindow> window(static_cast<QWindow*>(watched));
  QPointer<QWidget> shown(widget_of_window(watched));
  QPointer<InputGate> gate(this);
  ui::event_loop().post_user_input(
      [window, shown, aim, gate, moves = focus_moves_by_input_, make = held_copy(*event)] {
        if (!window || !window->isVisible() || blocked_by_modal_window(window)) return;
        if (shown != nullptr && !shown->isEnabled()) return;
        const std::unique_ptr<QEvent> replayed = make();
        if (!is_key(replayed->type())) {
          QCoreApplication::sendEvent(window, replayed.get());
          return;
        }
        // A key stays with the control it was typed into, unless input delivered since (a
        // click, Tab, a key that opened a cell editor) moved the focus on.
        QObject* receiver = window;
        if (aim.has_focus && gate && moves == gate->focus_moves_by_input_) {
          if (!aim.focus || !aim.focus->isEnabled() || !aim.focus->isVisible()) return;
          if (aim.focus != QApplication::focusWidget()) receiver = aim.focus;
        }
        auto& key = static_cast<QKeyEvent&>(*replayed);
        if (key.type() == QEvent::KeyPress) {
          replay_key_press(window, receiver, key);
        } else {
          QCoreApplication::sendEvent(receiver, &key);
        }
      });
  return true;
}

}  // namespace gui
