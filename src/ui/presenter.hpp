#pragma once
// Message boxes and file dialogs go through a presenter: the Qt front-end shows real
// dialogs, tests script the answers.

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

enum class MsgButtons { ok, ok_cancel, yes_no, yes_no_cancel };
enum class MsgIcon { none, critical, question, exclamation, information };
enum class MsgResult { ok = 1, cancel = 2, yes = 6, no = 7 };

inline constexpr const char* kDefaultMessageTitle = "ECU System Console";

struct MessageBoxRequest {
  std::string text;
  MsgButtons buttons = MsgButtons::ok;
  MsgIcon icon = MsgIcon::none;
  int default_button = 0;  // 0 the first button, 1 the second, 2 the third
  std::string title = kDefaultMessageTitle;
};

struct FileDialogRequest {
  bool save = false;
  std::string title;
  // Pairs of description and patterns, as "Data set (*.set)|*.set|All files (*.*)|*.*".
  std::string filter;
  std::string default_extension;  // without the dot
  std::string initial_name;
  std::string initial_folder;
  bool overwrite_prompt = true;
  bool file_must_exist = false;
};

class Presenter {
 public:
  virtual ~Presenter() = default;
  virtual MsgResult message_box(const MessageBoxRequest& request) = 0;
  // The chosen path, or nothing when the user cancelled.
  virtual std::optional<std::string> file_dialog(const FileDialogRequest& request) = 0;
};

// A presenter that answers with scripted replies and records what was shown. Without a
// scripted answer a message box takes its default button and a file dialog is cancelled.
class ScriptedPresenter : public Presenter {
 public:
  MsgResult message_box(const MessageBoxRequest& request) override;
  std::optional<std::string> file_dialog(const FileDialogRequest& request) override;

  void answer_next(MsgResult result) { message_answers_.push_back(result); }
  void choose_next_file(std::optional<std::string> path) {
    file_answers_.push_back(std::move(path));
  }

  std::vector<MessageBoxRequest> shown_messages;
  std::vector<FileDialogRequest> shown_file_dialogs;

 private:
  std::vector<MsgResult> message_answers_;
  std::vector<std::optional<std::string>> file_answers_;
};

Presenter& presenter();
// Installs a presenter (nullptr installs a fresh scripted one); returns the previous.
std::shared_ptr<Presenter> install_presenter(std::shared_ptr<Presenter> replacement);

// Shows a message box; an empty title gets the console's own title.
MsgResult msg_box(const std::string& text, MsgButtons buttons = MsgButtons::ok,
                  MsgIcon icon = MsgIcon::none, int default_button = 0,
                  const std::string& title = "");

std::optional<std::string> file_dialog(const FileDialogRequest& request);

}  // namespace ui
