#pragma once
// Message boxes and file dialogs as real Qt dialogs.

#include <optional>
#include <string>

#include "ui/presenter.hpp"

namespace gui {

class FrontEnd;

class QtPresenter final : public ui::Presenter {
 public:
  // The front-end gives dialogs their parent window and keeps the model ticking under them;
  // without one, dialogs have no parent.
  explicit QtPresenter(FrontEnd* front_end = nullptr) : front_end_(front_end) {}

  ui::MsgResult message_box(const ui::MessageBoxRequest& request) override;
  std::optional<std::string> file_dialog(const ui::FileDialogRequest& request) override;

  void forget_front_end() { front_end_ = nullptr; }

 private:
  FrontEnd* front_end_;
};

}  // namespace gui
