#pragma once
// Keeps the user's input in one ordered stream. While the model holds input back (a
// request to the controller is outstanding), or while input it held still waits to run,
// every input event the window system hands one of the application's windows is taken
// into the model's user input queue instead of being left to Qt: Qt delivers input that it
// excluded only once another event wakes its loop, which on a busy link can be never, and
// input Qt delivered at once would overtake what waits. Each event is sent on to its
// window, in arrival order, when the model runs it.
//
// Input goes where it was aimed when the user made it: input for a window or control that
// was disabled or hidden then is dropped, as the window system drops it, and a key goes to
// the control that had the focus then, unless the user's own earlier input has moved the
// focus since.

#include <QObject>
#include <Qt>
#include <cstdint>
#include <functional>
#include <memory>

class QEvent;
class QWidget;
class QWindow;

namespace gui {

class InputGate final : public QObject {
 public:
  // Runs the delivery of input for one of Qt's dialogs (a message box, a file dialog, the
  // lists and questions they open): such input is the dialog's own, not an input of the
  // model's loop, and a loop its handling opens (a question) runs as a dialog does.
  using DialogDelivery = std::function<void(const std::function<void()>& deliver)>;
  explicit InputGate(DialogDelivery deliver_to_dialog);
  ~InputGate() override;
  InputGate(const InputGate&) = delete;
  InputGate& operator=(const InputGate&) = delete;

  // While set, the whole handling of each piece of input the gate lets through at once
  // counts as one input of the model's loop (`ui::EventLoop::HandlingInput`), which holds
  // back the input that comes during it.
  void set_bracketing_window_system_input(bool bracketing);

  // Holding is set for one pass of the model's loop; nested passes save and restore it.
  void set_holding(bool holding) { holding_ = holding; }
  [[nodiscard]] bool holding() const { return holding_; }
  // Whether input now goes into the model's queue: while it is held, and while input
  // queued earlier waits, unless it is that input being delivered now.
  [[nodiscard]] static bool queues_input(bool holding);

  bool eventFilter(QObject* watched, QEvent* event) override;

  // How long keys wait for a click the window system still holds back (see
  // `ui::EventLoop::await_late_click`): past it they run, if the click never comes.
  static constexpr double kLateClickWaitSeconds = 2.0;

  // Whether Qt would refuse input to `window` now, as it does to a window behind a modal
  // one: input held for such a window is dropped when it comes due.
  static bool blocked_by_modal_window(QWindow* window);

 private:
  class InputBracket;

  void focus_changed();
  // A key from the window system that says a mouse button is down which the console has
  // not seen pressed: the window system still holds that press back.
  void note_key_from_window_system(std::uint32_t native_modifiers);
  void post_while_awaiting_late_click(const QEvent& event, std::function<void()> deliver);

  DialogDelivery deliver_to_dialog_;
  bool holding_ = false;
  std::unique_ptr<InputBracket> bracket_;
  // How often input delivered from the queue moved the focus: a key whose control lost the
  // focus to anything else (a program's own focus change while the key waited) still goes
  // to that control.
  std::uint64_t focus_moves_by_input_ = 0;
  // The buttons whose late click the keys queued now wait for.
  Qt::MouseButtons late_click_buttons_;
};

}  // namespace gui
