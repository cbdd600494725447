#include "gui/qt_presenter.hpp"

#include <QFileDialog>
#include <QHeaderView>
#include <QLayout>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTreeView>
#include <vector>

#include "gui/convert.hpp"
#include "gui/front_end.hpp"
#include "gui/rich/rich_support.hpp"

namespace gui {

namespace {

// Qt's own file dialog opens too small to show a file's size, type and date with the
// desktop's usual fonts: it opens in the detail view, at least this size and wide enough
// for all its columns, within the screen.
constexpr int kFileDialogWidth = 800;
constexpr int kFileDialogHeight = 500;

void open_wide_enough_for_every_column(QFileDialog& dialog) {
  dialog.setViewMode(QFileDialog::Detail);
  QSize size = dialog.sizeHint().expandedTo(QSize(kFileDialogWidth, kFileDialogHeight));
  dialog.resize(size);
  if (auto* files = dialog.findChild<QTreeView*>()) {
    if (QLayout* layout = dialog.layout()) layout->activate();
    const int scroll_bar = files->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, files);
    const int missing = files->header()->length() + scroll_bar - files->viewport()->width();
    if (missing > 0) size.rwidth() += missing;
  }
  if (const QScreen* screen = dialog.screen()) {
    size = size.boundedTo(screen->availableGeometry().size());
  }
  dialog.resize(size);
}

struct ButtonChoice {
  QMessageBox::StandardButton button;
  ui::MsgResult result;
};

std::vector<ButtonChoice> button_choices(ui::MsgButtons buttons) {
  switch (buttons) {
    case ui::MsgButtons::ok_cancel:
      return {{QMessageBox::Ok, ui::MsgResult::ok}, {QMessageBox::Cancel, ui::MsgResult::cancel}};
    case ui::MsgButtons::yes_no:
      return {{QMessageBox::Yes, ui::MsgResult::yes}, {QMessageBox::No, ui::MsgResult::no}};
    case ui::MsgButtons::yes_no_cancel:
      return {{QMessageBox::Yes, ui::MsgResult::yes},
              {QMessageBox::No, ui::MsgResult::no},
              {QMessageBox::Cancel, ui::MsgResult::cancel}};
    case ui::MsgButtons::ok:
      break;
  }
  return {{QMessageBox::Ok, ui::MsgResult::ok}};
}

QMessageBox::Icon message_icon(ui::MsgIcon icon) {
  switch (icon) {
    case ui::MsgIcon::critical:
      return QMessageBox::Critical;
    case ui::MsgIcon::question:
      return QMessageBox::Question;
    case ui::MsgIcon::exclamation:
      return QMessageBox::Warning;
    case ui::MsgIcon::information:
      return QMessageBox::Information;
    case ui::MsgIcon::none:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

ui::MsgResult QtPresenter::message_box(const ui::MessageBoxRequest& request) {
  // On the heap: a handler run under the box may unload the form whose window owns it, and
  // the box then goes with the window.
  QPointer<QMessageBox> box = new QMessageBox(front_end_ ? front_end_->dialog_parent() : nullptr);
  box->setWindowTitle(rich::to_qstring(request.title));
  box->setTextFormat(Qt::PlainText);
  box->setText(display_text(request.text));
  box->setIcon(message_icon(request.icon));
  const std::vector<ButtonChoice> choices = button_choices(request.buttons);
  std::vector<QPushButton*> buttons;
  buttons.reserve(choices.size());
  for (const auto& choice : choices) buttons.push_back(box->addButton(choice.button));
  const auto count = static_cast<int>(choices.size());
  const int default_index =
      request.default_button >= 0 && request.default_button < count ? request.default_button : 0;
  box->setDefaultButton(buttons[static_cast<std::size_t>(default_index)]);
  {
    FrontEnd::DialogScope scope(front_end_);
    box->exec();
  }
  // Closed without a button (Escape, or the box went with its window): the answer of the
  // last button, which is Cancel where there is one, else No, else OK.
  ui::MsgResult answer = choices.back().result;
  if (box) {
    const QAbstractButton* clicked = box->clickedButton();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      if (buttons[i] == clicked) answer = choices[i].result;
    }
    delete box.data();
  }
  return answer;
}

std::optional<std::string> QtPresenter::file_dialog(const ui::FileDialogRequest& request) {
  // On the heap, as a message box: it may go with its window while it is open.
  QPointer<QFileDialog> dialog = new QFileDialog(front_end_ ? front_end_->dialog_parent() : nullptr,
                                                 rich::to_qstring(request.title),
                                                 QString::fromStdString(request.initial_folder));
  dialog->setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog->setFileMode(!request.save && request.file_must_exist ? QFileDialog::ExistingFile
                                                               : QFileDialog::AnyFile);
  if (!request.filter.empty()) {
    dialog->setNameFilters(qt_file_filter(request.filter).split(QStringLiteral(";;")));
  }
  if (!request.default_extension.empty()) {
    dialog->setDefaultSuffix(QString::fromStdString(request.default_extension));
  }
  dialog->setOption(QFileDialog::DontConfirmOverwrite, !request.overwrite_prompt);
  open_wide_enough_for_every_column(*dialog);
  if (!request.initial_name.empty())
    dialog->selectFile(QString::fromStdString(request.initial_name));
  int outcome = QDialog::Rejected;
  {
    FrontEnd::DialogScope scope(front_end_);
    outcome = dialog->exec();
  }
  if (!dialog) return std::nullopt;
  const QStringList chosen = dialog->selectedFiles();
  delete dialog.data();
  if (outcome != QDialog::Accepted || chosen.isEmpty() || chosen.first().isEmpty()) {
    return std::nullopt;
  }
  return chosen.first().toStdString();
}

}  // namespace gui
