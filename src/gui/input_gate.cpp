#include "gui/input_gate.hpp"

#include <private/qwindow_p.h>
#include <qpa/qwindowsysteminterface.h>
#include <qpa/qwindowsysteminterface_p.h>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QInputEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

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

// The window a popup belongs to: the one it pops up from (a menu's, a combo box's list's),
// or, for a list without a parent (a completer's), the window of the field it completes.
QWidget* owner_window(QWidget* top) {
  constexpr int kDeepestPopup = 8;
  for (int depth = 0; top != nullptr && top->windowType() == Qt::Popup && depth < kDeepestPopup;
       ++depth) {
    QWidget* owner = top->parentWidget() != nullptr ? top->parentWidget() : top->focusProxy();
    if (owner == nullptr) break;
    top = owner->window();
  }
  return top;
}

// Whether input for the window goes to one of Qt's dialogs (a message box, a file dialog,
// the lists and questions they open) rather than to one of the console's windows.
bool aims_at_a_dialog(const QObject* window) {
  return qobject_cast<const QDialog*>(owner_window(widget_of_window(window))) != nullptr;
}

// The window a piece of window-system input is for, where it names one.
QWindow* window_of(const QWindowSystemInterfacePrivate::WindowSystemEvent& event) {
  using System = QWindowSystemInterfacePrivate;
  switch (event.type) {
    case System::Close:
      return static_cast<const System::CloseEvent&>(event).window;
    case System::Enter:
      return static_cast<const System::EnterEvent&>(event).enter;
    case System::Leave:
      return static_cast<const System::LeaveEvent&>(event).leave;
    case System::Mouse:
    case System::Wheel:
    case System::Key:
    case System::Touch:
    case System::Tablet:
      return static_cast<const System::UserEvent&>(event).window;
    case System::ContextMenu:
      return static_cast<const System::ContextMenuEvent&>(event).window;
    default:
      return nullptr;
  }
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

// The mouse buttons an X11 key event's state says are down (Button1Mask to Button3Mask);
// other platforms leave those bits clear.
Qt::MouseButtons buttons_down_in(std::uint32_t native_modifiers) {
  constexpr std::uint32_t kButton1Mask = 1U << 8U;
  constexpr std::uint32_t kButton2Mask = 1U << 9U;
  constexpr std::uint32_t kButton3Mask = 1U << 10U;
  Qt::MouseButtons down;
  if ((native_modifiers & kButton1Mask) != 0) down |= Qt::LeftButton;
  if ((native_modifiers & kButton2Mask) != 0) down |= Qt::MiddleButton;
  if ((native_modifiers & kButton3Mask) != 0) down |= Qt::RightButton;
  return down;
}

bool is_pointer_input(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
      return true;
    default:
      return false;
  }
}

}  // namespace

// Each piece of input the window system hands over and the gate lets through at once (a
// press, with the double-click Qt makes of it; a key, with the shortcut it triggers) is
// handled whole before the next: a pass inside its handling holds input back. Input for a
// dialog is the dialog's own: a loop its handling opens (the question a file dialog asks)
// is a dialog too.
class InputGate::InputBracket final : public QWindowSystemEventHandler {
 public:
  explicit InputBracket(InputGate& gate) : gate_(gate) {
    QWindowSystemInterfacePrivate::installWindowSystemEventHandler(this);
  }
  ~InputBracket() override { QWindowSystemInterfacePrivate::removeWindowSystemEventhandler(this); }
  InputBracket(const InputBracket&) = delete;
  InputBracket& operator=(const InputBracket&) = delete;

  bool sendEvent(QWindowSystemInterfacePrivate::WindowSystemEvent* event) override {
    if (event->type == QWindowSystemInterfacePrivate::Key) {
      gate_.note_key_from_window_system(
          static_cast<const QWindowSystemInterfacePrivate::KeyEvent&>(*event).nativeModifiers);
    }
    if ((event->type & QWindowSystemInterfacePrivate::UserInputEvent) == 0 ||
        InputGate::queues_input(gate_.holding())) {
      return QWindowSystemEventHandler::sendEvent(event);
    }
    const QWindow* window = window_of(*event);
    if (window != nullptr && aims_at_a_dialog(window)) {
      bool sent = false;
      gate_.deliver_to_dialog_([&] { sent = QWindowSystemEventHandler::sendEvent(event); });
      return sent;
    }
    const ui::EventLoop::HandlingInput handling(ui::event_loop());
    return QWindowSystemEventHandler::sendEvent(event);
  }

 private:
  InputGate& gate_;
};

InputGate::InputGate(DialogDelivery deliver_to_dialog)
    : deliver_to_dialog_(std::move(deliver_to_dialog)) {
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
  return holding || ((loop.has_pending_user_input() || loop.awaiting_late_click()) &&
                     !loop.delivering_user_input());
}

// A window manager that raises a window on a click (openbox) holds the pointer with a grab
// from the press until it lets the press through, while keys go on: on a busy machine the
// keys typed after a click on a cell came before the click and landed in the cell before.
// Each such key still says the button is down. They wait for the click, as long as the
// pointer is over a window of the console that takes it.
void InputGate::note_key_from_window_system(std::uint32_t native_modifiers) {
  const Qt::MouseButtons unseen =
      buttons_down_in(native_modifiers) & ~QGuiApplication::mouseButtons();
  if (unseen == Qt::NoButton) return;
  ui::EventLoop& loop = ui::event_loop();
  if (!loop.awaiting_late_click()) {
    QWindow* under = QGuiApplication::topLevelAt(QCursor::pos());
    if (under == nullptr || blocked_by_modal_window(under)) return;
    late_click_buttons_ = {};
    loop.await_late_click(kLateClickWaitSeconds);
  }
  late_click_buttons_ |= unseen;
}

void InputGate::post_while_awaiting_late_click(const QEvent& event, std::function<void()> deliver) {
  ui::EventLoop& loop = ui::event_loop();
  const auto time = static_cast<std::uint64_t>(static_cast<const QInputEvent&>(event).timestamp());
  if (is_key(event.type())) {
    loop.post_key_behind_late_click(std::move(deliver), time);
    return;
  }
  const auto* mouse = dynamic_cast<const QMouseEvent*>(&event);
  const bool awaited_press = mouse != nullptr && event.type() == QEvent::MouseButtonPress &&
                             (late_click_buttons_ & mouse->button()) != 0;
  loop.post_late_pointer_input(std::move(deliver), time, awaited_press);
}

bool InputGate::blocked_by_modal_window(QWindow* window) {
  // Qt's own verdict, which it keeps as modal windows come and go: a popup (a menu, a
  // completer's list) is never blocked.
  return QWindowPrivate::get(window)->blockedByModalWindow;
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
  const bool awaiting_late_click = ui::event_loop().awaiting_late_click();
  // The late click is in once its release is: the keys waiting for it run after it.
  struct EndsLateClickWait {
    bool ends;
    ~EndsLateClickWait() {
      if (ends) ui::event_loop().end_late_click_wait();
    }
  } const release{awaiting_late_click && event->type() == QEvent::MouseButtonRelease &&
                  (static_cast<const QMouseEvent*>(event)->buttons() & late_click_buttons_) == 0};
  Aim aim = aim_of(watched, *event);
  // The window system drops input for a disabled or hidden window or control; so does the
  // queue, rather than hand it to what has been enabled by the time it runs.
  if (!aim.usable) return true;
  // A key typed after a late click goes where that click has put the focus.
  if (awaiting_late_click) aim.has_focus = false;
  QPointer<QWindow> window(static_cast<QWindow*>(watched));
  QPointer<QWidget> shown(widget_of_window(watched));
  QPointer<InputGate> gate(this);
  const bool key_for_popup = is_key(event->type()) && window->type() == Qt::Popup;
  auto deliver_when_due = [window, shown, aim, gate, key_for_popup, moves = focus_moves_by_input_,
                           make = held_copy(*event)] {
    QWindow* target = window;
    // A key typed into a popup (a completer's list) that has closed since goes where the
    // window system sends keys once the popup is gone: to the window it popped up from.
    if (key_for_popup && (target == nullptr || !target->isVisible())) {
      QWidget* owner = owner_window(shown);
      target = owner != nullptr ? owner->windowHandle() : nullptr;
    } else if (shown != nullptr && !shown->isEnabled()) {
      return;
    }
    if (target == nullptr || !target->isVisible() || blocked_by_modal_window(target)) return;
    const auto deliver = [&] {
      const std::unique_ptr<QEvent> replayed = make();
      if (!is_key(replayed->type())) {
        QCoreApplication::sendEvent(target, replayed.get());
        return;
      }
      // A key stays with the control it was typed into, unless input delivered since (a
      // click, Tab, a key that opened a cell editor) moved the focus on.
      QObject* receiver = target;
      if (aim.has_focus && gate && moves == gate->focus_moves_by_input_) {
        if (!aim.focus || !aim.focus->isEnabled() || !aim.focus->isVisible()) return;
        if (aim.focus != QApplication::focusWidget()) receiver = aim.focus;
      }
      auto& key = static_cast<QKeyEvent&>(*replayed);
      if (key.type() == QEvent::KeyPress) {
        replay_key_press(target, receiver, key);
      } else {
        QCoreApplication::sendEvent(receiver, &key);
      }
    };
    if (gate && aims_at_a_dialog(target)) {
      gate->deliver_to_dialog_(deliver);
    } else {
      deliver();
    }
  };
  if (awaiting_late_click && (is_key(event->type()) || is_pointer_input(event->type()))) {
    post_while_awaiting_late_click(*event, std::move(deliver_when_due));
  } else {
    ui::event_loop().post_user_input(std::move(deliver_when_due));
  }
  return true;
}

}  // namespace gui
