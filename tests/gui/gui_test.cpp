#include "gui_test.hpp"

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <utility>

namespace gui_test {

namespace {

// One QApplication for the whole run: Qt allows one per process.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    application_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[10] = "gui_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const qt_environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

UserScript::UserScript(std::vector<Step> steps, std::function<void()> give_up, int patience_ms)
    : steps_(std::move(steps)), give_up_(std::move(give_up)), patience_ms_(patience_ms) {
  QObject::connect(&timer_, &QTimer::timeout, [this] { act(); });
  timer_.start(2);
  elapsed_.start();
}

void UserScript::act() {
  if (finished()) {
    timer_.stop();
    return;
  }
  if (elapsed_.elapsed() > patience_ms_) {
    timer_.stop();
    if (give_up_) give_up_();
    return;
  }
  const Step& step = steps_[taken_];
  if (step.ready && !step.ready()) return;
  ++taken_;
  if (step.act) step.act();
}

void GuiTest::SetUp() {
  ConsoleTest::SetUp();
  front_end_ = std::make_unique<gui::FrontEnd>(gui::FrontEnd::Dialogs::keep_installed);
}

void GuiTest::TearDown() {
  front_end_.reset();
  process_qt_events();
  ConsoleTest::TearDown();
}

void GuiTest::restart_front_end(gui::FrontEnd::Dialogs dialogs) {
  front_end_.reset();
  front_end_ = std::make_unique<gui::FrontEnd>(dialogs);
}

gui::FormWindow& GuiTest::window_of(const ui::Form& form) {
  gui::FormWindow* window = front_end_->window_for(form);
  if (!window) throw std::logic_error("no window for form " + form.name());
  return *window;
}

void GuiTest::process_qt_events() {
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void GuiTest::during_request(const std::function<void()>& action) {
  bool ran = false;
  QTimer::singleShot(0, [&] {
    action();
    ran = true;
  });
  // The single shot is due at once: the pass delivers it.
  ui::do_events_without_user_input();
  EXPECT_TRUE(ran);
}

bool GuiTest::wait_until(const std::function<bool()>& condition) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!condition()) {
    if (elapsed.elapsed() > 2000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

void GuiTest::when_shown_impl(std::function<bool(QWidget&)> try_action) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  auto since = std::make_shared<QElapsedTimer>();
  since->start();
  QObject::connect(poll, &QTimer::timeout, [poll, try_action, since] {
    // A dialog that never came must not be answered in a later test.
    if (since->elapsed() > 3000) {
      poll->stop();
      poll->deleteLater();
      return;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->isVisible() && try_action(*widget)) {
        poll->stop();
        poll->deleteLater();
        return;
      }
    }
  });
  poll->start();
}

void GuiTest::lay_down_start_up_files(const std::string& about_text) {
  std::ofstream("port.cfg") << "1\r\n";
  std::ofstream("OEM.TXT") << about_text;
  QImage picture(200, 80, QImage::Format_RGB32);
  picture.fill(QColor(24, 40, 72));
  QPainter painter(&picture);
  painter.setBrush(QColor(230, 140, 30));
  painter.drawEllipse(QPoint(40, 40), 30, 30);
  painter.end();
  ASSERT_TRUE(picture.save(QStringLiteral("OEM.JPG"), "JPG"));
}

}  // namespace gui_test
