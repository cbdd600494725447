#pragma once
// Holds the user's clicks and keys back while the model's loop says so (a request to the
// controller is outstanding), without leaving them to the window system: Qt delivers
// input that it excluded only once another event wakes its loop, which on a busy link can
// be never. Every input event bound for one of the application's windows is copied into
// the model's user input queue instead and sent on to its window, in arrival order, as
// soon as the model allows input again.

#include <QObject>

class QEvent;

namespace gui {

class InputGate final : public QObject {
 public:
  InputGate() = default;

  // Holding is set for one pass of the model's loop; nested passes save and restore it.
  void set_holding(bool holding) { holding_ = holding; }
  [[nodiscard]] bool holding() const { return holding_; }

  bool eventFilter(QObject* watched, QEvent* event) override;

  // Whether Qt would refuse input to `window` now, as it does to a window behind a modal
  // one: input held for such a window is dropped when it comes due.
  static bool blocked_by_modal_window(const QObject* window);

 private:
  bool holding_ = false;
};

}  // namespace gui
