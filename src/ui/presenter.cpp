#include "ui/presenter.hpp"

namespace ui {
namespace {

std::shared_ptr<Presenter>& current_presenter() {
  static std::shared_ptr<Presenter> instance = std::make_shared<ScriptedPresenter>();
  return instance;
}

MsgResult default_answer(const MessageBoxRequest& request) {
  static constexpr MsgResult ok[] = {MsgResult::ok};
  static constexpr MsgResult ok_cancel[] = {MsgResult::ok, MsgResult::cancel};
  static constexpr MsgResult yes_no[] = {MsgResult::yes, MsgResult::no};
  static constexpr MsgResult yes_no_cancel[] = {MsgResult::yes, MsgResult::no, MsgResult::cancel};
  const auto pick = [&](const auto& choices) {
    const auto count = static_cast<int>(std::size(choices));
    const int index =
        request.default_button >= 0 && request.default_button < count ? request.default_button : 0;
    return choices[index];
  };
  switch (request.buttons) {
    case MsgButtons::ok:
      return pick(ok);
    case MsgButtons::ok_cancel:
      return pick(ok_cancel);
    case MsgButtons::yes_no:
      return pick(yes_no);
    case MsgButtons::yes_no_cancel:
      return pick(yes_no_cancel);
  }
  return MsgResult::ok;
}

}  // namespace

MsgResult ScriptedPresenter::message_box(const MessageBoxRequest& request) {
  shown_messages.push_back(request);
  if (message_answers_.empty()) return default_answer(request);
  const MsgResult answer = message_answers_.front();
  message_answers_.erase(message_answers_.begin());
  return answer;
}

std::optional<std::string> ScriptedPresenter::file_dialog(const FileDialogRequest& request) {
  shown_file_dialogs.push_back(request);
  if (file_answers_.empty()) return std::nullopt;
  auto answer = file_answers_.front();
  file_answers_.erase(file_answers_.begin());
  return answer;
}

Presenter& presenter() {
  return *current_presenter();
}

std::shared_ptr<Presenter> install_presenter(std::shared_ptr<Presenter> replacement) {
  if (!replacement) replacement = std::make_shared<ScriptedPresenter>();
  auto previous = current_presenter();
  current_presenter() = std::move(replacement);
  return previous;
}

MsgResult msg_box(const std::string& text, MsgButtons buttons, MsgIcon icon, int default_button,
                  const std::string& title) {
  MessageBoxRequest request;
  request.text = text;
  request.buttons = buttons;
  request.icon = icon;
  request.default_button = default_button;
  request.title = title.empty() ? kDefaultMessageTitle : title;
  // Keep the presenter alive even if a handler run during the box replaces it.
  const auto keep = current_presenter();
  return keep->message_box(request);
}

std::optional<std::string> file_dialog(const FileDialogRequest& request) {
  const auto keep = current_presenter();
  return keep->file_dialog(request);
}

}  // namespace ui
