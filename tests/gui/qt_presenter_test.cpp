// Real message boxes and file dialogs, answered from a timer as a user would.

#include <qpa/qwindowsysteminterface.h>
#include <QAbstractButton>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QWindow>
#include <fstream>
#include <memory>

#include "gui/qt_presenter.hpp"
#include "gui_test.hpp"
#include "settings_form.hpp"

namespace gui_test {
namespace {

class QtPresenterTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    restart_front_end(gui::FrontEnd::Dialogs::qt);
  }
};

class TickingForm : public ui::Form {
 public:
  TickingForm() : ui::Form("frm_ticks_under_box", "Ticking", 3000, 2000) {
    tmr_poll.on_timer = [this] { ++ticks; };
  }
  ui::Timer tmr_poll{*this, "tmr_poll", 5};
  int ticks = 0;
};

ui::FormInstance<TickingForm> frm_ticks_under_box;

TEST_F(QtPresenterTest, MessageBoxShowsRequestAndAnswersWithButtonClicked) {
  struct Case {
    ui::MsgButtons buttons;
    int default_button;
    ui::MsgIcon icon;
    QMessageBox::StandardButton expected_default;
    QMessageBox::Icon expected_icon;
    QMessageBox::StandardButton click;
    ui::MsgResult expected;
  };
  const Case cases[] = {
      {ui::MsgButtons::ok, 0, ui::MsgIcon::information, QMessageBox::Ok, QMessageBox::Information,
       QMessageBox::Ok, ui::MsgResult::ok},
      {ui::MsgButtons::ok_cancel, 1, ui::MsgIcon::exclamation, QMessageBox::Cancel,
       QMessageBox::Warning, QMessageBox::Ok, ui::MsgResult::ok},
      {ui::MsgButtons::yes_no, 0, ui::MsgIcon::question, QMessageBox::Yes, QMessageBox::Question,
       QMessageBox::No, ui::MsgResult::no},
      {ui::MsgButtons::yes_no_cancel, 2, ui::MsgIcon::critical, QMessageBox::Cancel,
       QMessageBox::Critical, QMessageBox::Cancel, ui::MsgResult::cancel},
      {ui::MsgButtons::yes_no_cancel, 7, ui::MsgIcon::none, QMessageBox::Yes, QMessageBox::NoIcon,
       QMessageBox::Yes, ui::MsgResult::yes},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(static_cast<int>(test_case.click));
    QString title, text;
    QMessageBox::StandardButton default_button = QMessageBox::NoButton;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    when_shown<QMessageBox>([&](QMessageBox& box) {
      title = box.windowTitle();
      text = box.text();
      icon = box.icon();
      default_button = box.standardButton(box.defaultButton());
      box.button(test_case.click)->click();
    });

    // The port scan report ends its lines in LF CR: each is one line break on screen.
    const ui::MsgResult result =
        ui::msg_box("Write the map\n\rto the controller?", test_case.buttons, test_case.icon,
                    test_case.default_button);

    EXPECT_EQ(result, test_case.expected);
    EXPECT_EQ(title, QString(ui::kDefaultMessageTitle));
    EXPECT_EQ(text, "Write the map\nto the controller?");
    EXPECT_EQ(icon, test_case.expected_icon);
    EXPECT_EQ(default_button, test_case.expected_default);
  }
}

TEST_F(QtPresenterTest, MessageBoxClosingOverWindowRunsNoActivateHandler) {
  SettingsForm& form = frm_settings();
  form.show();
  ASSERT_TRUE(wait_until([&] { return window_of(form).isActiveWindow(); }));
  const int activations = form.activations;
  when_shown<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); });

  ui::msg_box("Saved.", ui::MsgButtons::ok, ui::MsgIcon::none, 0, "Calibration");
  // The window becomes Qt's active one again, as the desktop does when the box closes.
  window_of(form).activateWindow();
  ASSERT_TRUE(wait_until([&] { return window_of(form).isActiveWindow(); }));

  EXPECT_EQ(form.activations, activations);
  EXPECT_EQ(ui::forms().active(), &form);
}

TEST_F(QtPresenterTest, ModelTimersTickUnderMessageBox) {
  TickingForm& ticking = frm_ticks_under_box();
  // Opened from a Qt event that a pass of the model's loop delivers, and from input that the
  // front-end's own tick runs (a click that came while a request was outstanding).
  for (const bool from_tick : {false, true}) {
    SCOPED_TRACE(from_tick ? "from the tick" : "inside a pass");
    int ticks_while_shown = 0;
    when_shown<QMessageBox>([&](QMessageBox& box) {
      const int before = ticking.ticks;
      wait_until([&] { return ticking.ticks > before + 2; });
      ticks_while_shown = ticking.ticks - before;
      box.button(QMessageBox::No)->click();
    });
    bool answered = false;
    const auto ask = [&] {
      answered = ui::msg_box("PLOTTER.CSV already exists. Do you want to replace it?",
                             ui::MsgButtons::yes_no) == ui::MsgResult::no;
    };
    if (from_tick) {
      ui::event_loop().post_user_input(ask);
      wait_until([&] { return answered; });
    } else {
      QTimer::singleShot(0, ask);
      ui::do_events();
    }

    EXPECT_TRUE(answered);
    EXPECT_GE(ticks_while_shown, 3);
  }
}

// Unloads itself from its timer while a message box stands over its window.
class SelfClosingForm : public ui::Form {
 public:
  SelfClosingForm() : ui::Form("frm_self_closing", "Closing", 3000, 2000) {
    tmr_close.on_timer = [this] { unload(); };
  }
  ui::Timer tmr_close{*this, "tmr_close", 30, false};
};

ui::FormInstance<SelfClosingForm> frm_self_closing;

TEST_F(QtPresenterTest, MessageBoxGoesWithWindowUnloadedUnderIt) {
  SelfClosingForm& form = frm_self_closing();
  form.show();
  ASSERT_EQ(front_end().dialog_parent(), &window_of(form));
  form.tmr_close.set_enabled(true);
  // Should the box outlive its window, answer it so that the test fails rather than hangs.
  QTimer::singleShot(2000, [] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* box = dynamic_cast<QMessageBox*>(widget); box && box->isVisible()) {
        box->button(QMessageBox::Ok)->click();
      }
    }
  });

  const ui::MsgResult result =
      ui::msg_box("Waiting for the controller.", ui::MsgButtons::ok_cancel);

  EXPECT_FALSE(frm_self_closing.loaded());
  EXPECT_EQ(result, ui::MsgResult::cancel);
}

TEST_F(QtPresenterTest, SaveDialogOffersFiltersAndAddsDefaultExtension) {
  const QString folder = QDir::cleanPath(QString::fromStdString(::testing::TempDir()));
  QStringList filters;
  QString title;
  when_shown<QFileDialog>([&](QFileDialog& dialog) {
    filters = dialog.nameFilters();
    title = dialog.windowTitle();
    dialog.selectFile(folder + "/calibration");
    // accept() is protected; it is a slot, as the dialog's own button calls it.
    QMetaObject::invokeMethod(&dialog, "accept");
  });
  ui::FileDialogRequest request;
  request.save = true;
  request.title = "Save Data Set";
  request.filter = "Data set (*.set)|*.set|All files (*.*)|*.*";
  request.default_extension = "set";
  request.initial_folder = folder.toStdString();

  const auto chosen = ui::file_dialog(request);

  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(QString::fromStdString(*chosen), folder + "/calibration.set");
  EXPECT_EQ(filters, QStringList({"Data set (*.set)", "All files (*)"}));
  EXPECT_EQ(title, "Save Data Set");
}

TEST_F(QtPresenterTest, FileDialogsOpenWideEnoughForTheSizeTypeAndDateColumns) {
  for (const bool save : {true, false}) {
    SCOPED_TRACE(save ? "Save As" : "Open");
    int columns_shown = 0;
    QStringList filters;
    QSize size;
    when_shown<QFileDialog>([&](QFileDialog& dialog) {
      filters = dialog.nameFilters();
      size = dialog.size();
      const auto* files = dialog.findChild<QTreeView*>();
      if (files != nullptr) {
        const QHeaderView* header = files->header();
        for (int column = 0; column < header->count(); ++column) {
          const int right = header->sectionViewportPosition(column) + header->sectionSize(column);
          if (!header->isSectionHidden(column) && right <= files->viewport()->width()) {
            ++columns_shown;
          }
        }
      }
      dialog.reject();
    });
    ui::FileDialogRequest request;
    request.save = save;
    request.filter = "comma spaced value (*.csv)|";
    request.initial_folder = ::testing::TempDir();
    EXPECT_FALSE(ui::file_dialog(request).has_value());
    EXPECT_EQ(columns_shown, 4) << "name, size, type and date";
    // Qt's own 624 x 408 showed them only with small print; the offscreen screen is 800 wide.
    EXPECT_EQ(size, QSize(800, 500));
    EXPECT_EQ(filters, QStringList({"comma spaced value (*.csv)"}));
  }
}

// Polls as the plotter does at its fastest: one request after another, each holding the
// user's input back while it waits.
class PollingForm : public ui::Form {
 public:
  PollingForm() : ui::Form("frm_polling", "Polling", 3000, 2000) {
    tmr_poll.on_timer = [this] {
      ++polls;
      QElapsedTimer request;
      request.start();
      while (sending && request.elapsed() < 5) ui::do_events_without_user_input();
    };
  }
  ui::Timer tmr_poll{*this, "tmr_poll", 1};
  int polls = 0;
  bool sending = true;
};

ui::FormInstance<PollingForm> frm_polling;

// Hands keys to the window the window system gives them to: an open popup (a completer's
// list), else the window with the focus, `focused`.
void post_text(QWidget& focused, const QString& text, int key = 0) {
  for (const QChar character : text) {
    QWidget* popup = QApplication::activePopupWidget();
    for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
      QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
          (popup != nullptr ? popup : &focused)->windowHandle(), type,
          key != 0 ? key : character.toUpper().unicode(), {}, QString(character));
    }
  }
}

// Whether the file model behind the name field's completer has listed `name` in the
// current folder: the model reads the folder on a thread of its own, and keys typed before
// it has listed a match open no list.
bool completer_lists(const QLineEdit& field, const QString& name) {
  const auto* model = qobject_cast<const QFileSystemModel*>(field.completer()->model());
  if (model == nullptr) return false;
  const QModelIndex folder = model->index(QDir::currentPath());
  for (int row = 0; row < model->rowCount(folder); ++row) {
    if (model->fileName(model->index(row, 0, folder)) == name) return true;
  }
  return false;
}

QMessageBox* shown_question() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(widget);
    if (box != nullptr && box->isVisible()) return box;
  }
  return nullptr;
}

// A user at a Save As over the poll, once it lists the folder, types a name beginning "PLO",
// the rest into the completer's list, and Return; for a name that exists, Escape to the
// question that asks about it once the poll has gone on behind the question, Return again,
// and a click on Yes.
TEST_F(QtPresenterTest, ASaveAsTakesEveryKeyAndClickOfItsListAndQuestionWhileThePollGoesOn) {
  std::ofstream("PLOTTER.CSV") << "RPM\r\n";
  frm_polling().show();
  struct Case {
    QString name;
    // The poll sends nothing until the question shows: the Return that opens the question
    // is handled at once, not held.
    bool quiet_until_question;
  };
  // An existing name; and a new one, whose list closes while its last keys wait.
  for (const auto& [name, quiet] :
       {Case{"PLOTTER.CSV", false}, Case{"PLOTTER.CSV", true}, Case{"PLOTTER2.CSV", false}}) {
    SCOPED_TRACE(name.toStdString() + (quiet ? ", Return handled at once" : ""));
    frm_polling().sending = !quiet;
    int polls_at_question = -1;
    std::unique_ptr<UserScript> user;
    when_shown<QFileDialog>([&](QFileDialog& dialog) {
      auto* field = dialog.findChild<QLineEdit*>("fileNameEdit");
      field->clear();
      dialog.activateWindow();
      std::vector<UserScript::Step> steps = {
          {[&dialog, field] {
             return dialog.isActiveWindow() && completer_lists(*field, "PLOTTER.CSV");
           },
           [&] { post_text(dialog, "PLO"); }},
          {[] { return QApplication::activePopupWidget() != nullptr; },
           [&] { post_text(dialog, name.mid(3)); }},
          {[field, &name] { return field->text() == name; },
           [&dialog] { post_text(dialog, "\r", Qt::Key_Return); }}};
      if (QFileInfo::exists(name)) {
        steps.push_back({[&] {
                           if (shown_question() == nullptr) return false;
                           frm_polling().sending = true;
                           if (polls_at_question < 0) polls_at_question = frm_polling().polls;
                           return frm_polling().polls >= polls_at_question + 3;
                         },
                         [] { post_text(*shown_question(), "\x1b", Qt::Key_Escape); }});
        steps.push_back({[] { return shown_question() == nullptr; },
                         [&dialog] { post_text(dialog, "\r", Qt::Key_Return); }});
        steps.push_back({shown_question, [] {
                           QAbstractButton& yes = *shown_question()->button(QMessageBox::Yes);
                           const QPoint at = yes.mapTo(yes.window(), yes.rect().center());
                           QTest::mouseClick(yes.window()->windowHandle(), Qt::LeftButton, {}, at);
                         }});
      }
      user = std::make_unique<UserScript>(std::move(steps), [&dialog] {
        if (QMessageBox* box = shown_question()) box->done(QMessageBox::No);
        dialog.reject();
      });
    });
    ui::FileDialogRequest request;
    request.save = true;
    request.filter = "comma spaced value (*.csv)|";
    request.default_extension = "csv";
    request.initial_folder = QDir::currentPath().toStdString();
    request.overwrite_prompt = true;

    const auto chosen = ui::file_dialog(request);

    ASSERT_NE(user, nullptr);
    EXPECT_TRUE(user->finished()) << user->steps_taken() << " steps taken";
    user.reset();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(QFileInfo(QString::fromStdString(*chosen)).fileName(), name);
  }
}

TEST_F(QtPresenterTest, CancelledDialogChoosesNothing) {
  when_shown<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
  ui::FileDialogRequest request;
  request.filter = "Log files (*.csv)|*.csv";

  EXPECT_FALSE(ui::file_dialog(request).has_value());
}

}  // namespace
}  // namespace gui_test
