// The generic window of a form: what it shows and how the user's actions reach the model.

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "gui/control_widgets.hpp"
#include "gui/convert.hpp"
#include "gui_test.hpp"
#include "settings_form.hpp"

namespace gui_test {
namespace {

using FormWindowTest = GuiTest;

QStringList action_texts(const QList<QAction*>& actions) {
  QStringList texts;
  for (const QAction* action : actions) {
    texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
  }
  return texts;
}

TEST_F(FormWindowTest, ShowingFormOpensWindowWithCaptionSizeAndMenus) {
  SettingsForm& form = frm_settings();
  form.show();
  gui::FormWindow& window = window_of(form);

  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.windowTitle(), "Engine Settings");
  // 6000 x 4800 twips outside; the canvas is what is left inside frame, title and menu bar.
  EXPECT_EQ(window.canvas()->width(), 400 - gui::FormWindow::kFrameWidthPixels);
  EXPECT_EQ(window.canvas()->height(),
            320 - gui::FormWindow::kFrameHeightPixels - window.menuBar()->sizeHint().height());
  EXPECT_EQ(action_texts(window.menuBar()->actions()), QStringList({"&File", "&View"}));
  QMenu* file_menu = window.menuBar()->actions()[0]->menu();
  ASSERT_NE(file_menu, nullptr);
  EXPECT_EQ(action_texts(file_menu->actions()), QStringList({"&Save", "-", "E&xit"}));
}

class PromptForm : public ui::Form {
 public:
  PromptForm() : ui::Form("frm_prompt", "Warning!", 3000, 1500) {}
};

ui::FormInstance<PromptForm> frm_prompt;

TEST_F(FormWindowTest, FormWithoutPositionOpensCentredOverTheWindowThatOpenedIt) {
  SettingsForm& opener = frm_settings();
  opener.move(3000, 1500, 6000, 4800);
  opener.show();
  // The opener's window is 396 x 294 pixels at (200, 100): its centre is (397, 246). The
  // prompt is 192 x 70, so its corner lands 96 and 35 pixels up and left of that.
  frm_prompt().show();
  EXPECT_EQ(window_of(frm_prompt()).pos(), QPoint(301, 211));
  // Shown again after the user moved it, it stays where the user left it.
  window_of(frm_prompt()).move(10, 20);
  frm_prompt().hide();
  frm_prompt().show();
  EXPECT_EQ(window_of(frm_prompt()).pos(), QPoint(10, 20));
  frm_prompt().unload();
}

TEST_F(FormWindowTest, CaptionChangeRetitlesWindow) {
  SettingsForm& form = frm_settings();
  form.set_caption("Engine Settings (offline)");
  EXPECT_EQ(window_of(form).windowTitle(), "Engine Settings (offline)");
}

TEST_F(FormWindowTest, EachControlGetsWidgetOfItsKindAtItsPlace) {
  SettingsForm& form = frm_settings();
  form.show();
  struct Case {
    const ui::Control* control;
    const char* qt_class;
    const ui::Control* container;
    const char* accessible_description;  // its name in the window model
  };
  const Case cases[] = {
      {&form.lbl_title, "QLabel", nullptr, "lbl_title"},
      {&form.txt_rpm, "QLineEdit", nullptr, "txt_rpm"},
      {&form.chk_log, "QCheckBox", nullptr, "chk_log"},
      {&form.fra_units, "QGroupBox", nullptr, "fra_units"},
      {&form.opt_unit[0], "QRadioButton", &form.fra_units, "opt_unit(0)"},
      {&form.opt_unit[1], "QRadioButton", &form.fra_units, "opt_unit(1)"},
      {&form.cmd_apply, "QPushButton", nullptr, "cmd_apply"},
      {&form.shp_lamp, "QWidget", nullptr, "shp_lamp"},
  };
  gui::FormWindow& window = window_of(form);
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.control->name() + " " + std::to_string(test_case.control->index()));
    QWidget* widget = window.widget_for(*test_case.control);
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(widget->inherits(test_case.qt_class));
    const ui::Control& control = *test_case.control;
    EXPECT_EQ(widget->geometry(),
              gui::to_pixel_rect(control.left(), control.top(), control.width(), control.height()));
    QWidget* expected_parent =
        test_case.container ? window.widget_for(*test_case.container) : window.canvas();
    EXPECT_EQ(widget->parentWidget(), expected_parent);
    EXPECT_TRUE(widget->isVisibleTo(&window));
    EXPECT_EQ(widget->accessibleDescription(), test_case.accessible_description);
  }
  // Assistive tools read a control by its caption, the access key mark resolved.
  EXPECT_EQ(window.widget_for(form.lbl_title)->accessibleName(), "Fuel & Spark");
  EXPECT_EQ(window.widget_for(form.cmd_apply)->accessibleName(), "Apply");
  EXPECT_EQ(window.widget_for(form.mnu_save), nullptr);
  EXPECT_NE(window.action_for(form.mnu_save), nullptr);
}

TEST_F(FormWindowTest, CaptionsShowAsTheDesktopShowsThem) {
  SettingsForm& form = frm_settings();
  auto* label = widget_of<QLabel>(form, form.lbl_title);
  ASSERT_NE(label, nullptr);
  // A label shows "&&" as one ampersand; buttons keep "&" as Qt's access key mark.
  EXPECT_EQ(label->text(), "Fuel & Spark");
  EXPECT_EQ(widget_of<QPushButton>(form, form.cmd_apply)->text(), "&Apply");
  EXPECT_EQ(widget_of<QCheckBox>(form, form.chk_log)->text(), "&Log");
  EXPECT_EQ(widget_of<QGroupBox>(form, form.fra_units)->title(), "Units");

  form.lbl_title.set_alignment(ui::Label::Align::right);
  EXPECT_TRUE(label->alignment().testFlag(Qt::AlignRight));
  form.lbl_title.set_caption("Ignition");
  EXPECT_EQ(label->text(), "Ignition");
}

TEST_F(FormWindowTest, ModelTextReachesLineEditAndRunsChangeHandlerOnce) {
  SettingsForm& form = frm_settings();
  form.show();
  auto* line = widget_of<QLineEdit>(form, form.txt_rpm);
  ASSERT_NE(line, nullptr);

  form.txt_rpm.set_text("4500");

  EXPECT_EQ(line->text(), "4500");
  EXPECT_EQ(form.changes, (std::vector<std::string>{"4500"}));
}

TEST_F(FormWindowTest, TypingRunsChangeHandlerForEveryKey) {
  SettingsForm& form = frm_settings();
  form.show();
  auto* line = widget_of<QLineEdit>(form, form.txt_rpm);
  ASSERT_NE(line, nullptr);

  QTest::keyClicks(line, "45");

  EXPECT_EQ(form.txt_rpm.text(), "45");
  EXPECT_EQ(form.changes, (std::vector<std::string>{"4", "45"}));
  EXPECT_EQ(form.key_downs, (std::vector<int>{52, 53}));
  EXPECT_EQ(form.key_presses, (std::vector<int>{'4', '5'}));
}

TEST_F(FormWindowTest, DegreeSignShowsAndIsTypedAsTheModelsSingleByte) {
  SettingsForm& form = frm_settings();
  form.show();
  auto* line = widget_of<QLineEdit>(form, form.txt_rpm);
  ASSERT_NE(line, nullptr);

  form.txt_rpm.set_text("10\xB0");
  EXPECT_EQ(line->text(), QStringLiteral("10\u00B0"));

  line->setFocus();
  line->end(false);
  QTest::keyClicks(line, QStringLiteral("5\u00B0"));

  EXPECT_EQ(form.txt_rpm.text(),
            "10\xB0"
            "5\xB0");
  EXPECT_EQ(line->text(), QStringLiteral("10\u00B05\u00B0"));
}

TEST_F(FormWindowTest, KeyHandlersDecideWhatIsTyped) {
  struct Case {
    const char* name;
    std::function<void(int&, int)> key_down;
    std::function<void(int&)> key_press;
    const char* typed;
    const char* expected;
  };
  const Case cases[] = {
      {"digits only", nullptr,
       [](int& key) {
         if (key < '0' || key > '9') key = 0;
       },
       "a1b2", "12"},
      {"upper case", nullptr,
       [](int& key) {
         if (key >= 'a' && key <= 'z') key -= 32;
       },
       "rpm", "RPM"},
      {"key down swallows X",
       [](int& code, int) {
         if (code == 88) code = 0;
       },
       nullptr, "axb", "ab"},
      {"no handler change", nullptr, nullptr, "3.5", "3.5"},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    SettingsForm& form = frm_settings();
    form.show();
    form.key_down_filter = test_case.key_down;
    form.key_press_filter = test_case.key_press;
    auto* line = widget_of<QLineEdit>(form, form.txt_rpm);
    ASSERT_NE(line, nullptr);

    QTest::keyClicks(line, test_case.typed);

    EXPECT_EQ(line->text(), test_case.expected);
    EXPECT_EQ(form.txt_rpm.text(), test_case.expected);
    form.unload();
    process_qt_events();
  }
}

TEST_F(FormWindowTest, KeysReachHandlersWithDesktopCodesAndShiftMask) {
  SettingsForm& form = frm_settings();
  form.show();
  std::vector<int> shifts;
  form.key_down_filter = [&shifts](int&, int shift) { shifts.push_back(shift); };
  auto* line = widget_of<QLineEdit>(form, form.txt_rpm);
  ASSERT_NE(line, nullptr);

  QTest::keyClick(line, Qt::Key_Return);
  QTest::keyClick(line, Qt::Key_Left, Qt::ShiftModifier);
  QTest::keyClick(line, Qt::Key_F5, Qt::ControlModifier);

  // The shift keys go down on their own first, as on the desktop.
  EXPECT_EQ(form.key_downs, (std::vector<int>{13, 16, 37, 17, 116}));
  EXPECT_EQ(shifts, (std::vector<int>{0, 1, 1, 2, 2}));
  // Enter is a typed character; the arrow and the function key are not.
  EXPECT_EQ(form.key_presses, (std::vector<int>{13}));
}

TEST_F(FormWindowTest, ChangeHandlerRewritingTheTextIsShown) {
  SettingsForm& form = frm_settings();
  form.show();
  form.txt_rpm.on_change = [&form] {
    std::string upper = form.txt_rpm.text();
    for (char& letter : upper) letter = static_cast<char>(std::toupper(letter));
    form.txt_rpm.set_text(upper);
  };
  auto* line = widget_of<QLineEdit>(form, form.txt_rpm);
  ASSERT_NE(line, nullptr);

  QTest::keyClicks(line, "ab");

  EXPECT_EQ(form.txt_rpm.text(), "AB");
  EXPECT_EQ(line->text(), "AB");
}

TEST_F(FormWindowTest, ClickingCheckBoxGoesThroughModel) {
  SettingsForm& form = frm_settings();
  form.show();
  auto* box = widget_of<QCheckBox>(form, form.chk_log);
  ASSERT_NE(box, nullptr);

  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_EQ(form.chk_log.value(), ui::CheckBox::checked);
  EXPECT_EQ(box->checkState(), Qt::Checked);
  EXPECT_EQ(form.check_clicks, 1);

  form.chk_log.set_value(ui::CheckBox::grayed);
  EXPECT_EQ(box->checkState(), Qt::PartiallyChecked);
  EXPECT_EQ(form.check_clicks, 2);

  // The desktop's rule, not Qt's cycle: a grey box becomes checked.
  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_EQ(form.chk_log.value(), ui::CheckBox::checked);
  EXPECT_EQ(box->checkState(), Qt::Checked);
}

TEST_F(FormWindowTest, CheckBoxShowsValueItsHandlerKept) {
  SettingsForm& form = frm_settings();
  form.show();
  form.refuse_check = true;
  auto* box = widget_of<QCheckBox>(form, form.chk_log);
  ASSERT_NE(box, nullptr);

  QTest::mouseClick(box, Qt::LeftButton);

  EXPECT_EQ(form.chk_log.value(), ui::CheckBox::unchecked);
  EXPECT_EQ(box->checkState(), Qt::Unchecked);
}

TEST_F(FormWindowTest, ClickingOptionButtonSelectsItAndClearsItsSibling) {
  SettingsForm& form = frm_settings();
  form.show();
  auto* kpa = widget_of<QRadioButton>(form, form.opt_unit[0]);
  auto* psi = widget_of<QRadioButton>(form, form.opt_unit[1]);
  ASSERT_NE(kpa, nullptr);
  ASSERT_NE(psi, nullptr);
  EXPECT_TRUE(kpa->isChecked());

  QTest::mouseClick(psi, Qt::LeftButton);
  EXPECT_EQ(form.selected_unit, 1);
  EXPECT_TRUE(form.opt_unit[1].value());
  EXPECT_FALSE(form.opt_unit[0].value());
  EXPECT_TRUE(psi->isChecked());
  EXPECT_FALSE(kpa->isChecked());

  // Clicking the selected one again leaves it selected.
  QTest::mouseClick(psi, Qt::LeftButton);
  EXPECT_TRUE(psi->isChecked());
  EXPECT_TRUE(form.opt_unit[1].value());
}

TEST_F(FormWindowTest, ClickingButtonRunsHandlerUnlessModelDisabledIt) {
  SettingsForm& form = frm_settings();
  form.show();
  auto* button = widget_of<QPushButton>(form, form.cmd_apply);
  ASSERT_NE(button, nullptr);

  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(form.apply_clicks, 1);

  form.cmd_apply.set_enabled(false);
  EXPECT_FALSE(button->isEnabled());
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(form.apply_clicks, 1);
}

int dark_pixel_count(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += qGray(image.pixel(x, y)) < 96 ? 1 : 0;
  }
  return count;
}

TEST_F(FormWindowTest, ButtonWithoutCaptionOrPictureShowsItsToolTipOnItsFace) {
  SettingsForm& form = frm_settings();
  form.cmd_apply.set_caption("");
  form.show();
  auto* button = widget_of<gui::CommandButtonWidget>(form, form.cmd_apply);
  ASSERT_NE(button, nullptr);
  // Neither text nor tool tip: a blank face.
  EXPECT_FALSE(button->shows_tool_tip());
  EXPECT_EQ(dark_pixel_count(button->grab().toImage()), 0);

  form.cmd_apply.set_tool_tip("Apply the settings");
  EXPECT_TRUE(button->shows_tool_tip());
  EXPECT_GT(dark_pixel_count(button->grab().toImage()), 20);
  // The tool tip stays a tool tip; the button's own text stays empty.
  EXPECT_EQ(button->toolTip(), "Apply the settings");
  EXPECT_TRUE(button->text().isEmpty());

  form.cmd_apply.set_caption("&Apply");
  EXPECT_FALSE(button->shows_tool_tip());
}

TEST_F(FormWindowTest, FrameShowsItsFaceColourBehindItsControls) {
  SettingsForm& form = frm_settings();
  form.show();
  auto* frame = widget_of<QGroupBox>(form, form.fra_units);
  ASSERT_NE(frame, nullptr);
  const QImage face = frame->grab().toImage();
  // Inside the border, clear of the option buttons and the caption.
  const QPoint inside(frame->width() - 20, frame->height() - 10);
  EXPECT_EQ(QColor(face.pixel(inside)), gui::to_qcolor(form.fra_units.back_colour()));
  // The caption is drawn into the top edge.
  EXPECT_GT(dark_pixel_count(face.copy(0, 0, frame->width(), 14)), 10);
}

TEST_F(FormWindowTest, ClickingLabelRunsItsHandler) {
  SettingsForm& form = frm_settings();
  form.show();
  auto* label = widget_of<QLabel>(form, form.lbl_title);
  ASSERT_NE(label, nullptr);

  QTest::mouseClick(label, Qt::LeftButton);

  EXPECT_EQ(form.label_clicks, 1);
}

TEST_F(FormWindowTest, DoubleClickingTextBoxRunsItsHandler) {
  SettingsForm& form = frm_settings();
  form.show();
  auto* line = widget_of<QLineEdit>(form, form.txt_rpm);
  ASSERT_NE(line, nullptr);
  int double_clicks = 0;
  form.txt_rpm.on_double_click = [&double_clicks] { ++double_clicks; };

  QTest::mouseDClick(line, Qt::LeftButton);

  EXPECT_EQ(double_clicks, 1);
}

TEST_F(FormWindowTest, ModelMovesShapeAndLineAtOnce) {
  SettingsForm& form = frm_settings();
  form.show();
  QWidget* lamp = window_of(form).widget_for(form.shp_lamp);
  auto* rule = dynamic_cast<gui::LineWidget*>(window_of(form).widget_for(form.lin_rule));
  ASSERT_NE(lamp, nullptr);
  ASSERT_NE(rule, nullptr);
  EXPECT_EQ(rule->geometry(), QRect(8, 140, 286, 1));

  form.shp_lamp.set_left(3000);
  EXPECT_EQ(lamp->geometry(), QRect(200, 32, 30, 30));
  form.lin_rule.set_points(150, 1500, 1500, 150);
  // The line covers the rectangle between its ends and runs from bottom left to top right.
  EXPECT_EQ(rule->geometry(), QRect(10, 10, 91, 91));
  EXPECT_EQ(rule->from(), QPoint(0, 90));
  EXPECT_EQ(rule->to(), QPoint(90, 0));
}

TEST_F(FormWindowTest, ModelStateReachesWidgets) {
  SettingsForm& form = frm_settings();
  form.show();
  gui::FormWindow& window = window_of(form);
  QWidget* lamp = window.widget_for(form.shp_lamp);
  auto* label = widget_of<QLabel>(form, form.lbl_title);
  auto* line = widget_of<QLineEdit>(form, form.txt_rpm);
  ASSERT_NE(lamp, nullptr);
  ASSERT_NE(label, nullptr);
  ASSERT_NE(line, nullptr);

  form.shp_lamp.set_visible(false);
  EXPECT_FALSE(lamp->isVisibleTo(&window));
  form.shp_lamp.set_visible(true);
  EXPECT_TRUE(lamp->isVisibleTo(&window));

  form.lbl_title.set_tool_tip("Fuel and spark settings");
  EXPECT_EQ(label->toolTip(), "Fuel and spark settings");

  form.lbl_title.set_back_colour(ui::colours::light_red);
  form.lbl_title.set_fore_colour(ui::colours::white);
  EXPECT_EQ(label->palette().color(QPalette::Window), QColor(255, 0, 0));
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(255, 255, 255));
  EXPECT_TRUE(label->autoFillBackground());
  form.lbl_title.set_transparent(true);
  EXPECT_FALSE(label->autoFillBackground());

  form.txt_rpm.set_back_colour(ui::colours::yellow);
  EXPECT_EQ(line->palette().color(QPalette::Base), QColor(255, 255, 0));
  form.txt_rpm.set_locked(true);
  EXPECT_TRUE(line->isReadOnly());
  form.txt_rpm.set_enabled(false);
  EXPECT_FALSE(line->isEnabled());
}

TEST_F(FormWindowTest, MenuItemsRunHandlersAndFollowModel) {
  SettingsForm& form = frm_settings();
  form.show();
  gui::FormWindow& window = window_of(form);
  QAction* save = window.action_for(form.mnu_save);
  QAction* details = window.action_for(form.mnu_details);
  ASSERT_NE(save, nullptr);
  ASSERT_NE(details, nullptr);

  // A menu's command runs once Qt has finished with the choice: at the model's next pass.
  save->trigger();
  ui::do_events();
  EXPECT_EQ(form.save_clicks, 1);

  EXPECT_TRUE(details->isChecked());
  details->trigger();  // the handler flips the check mark
  ui::do_events();
  EXPECT_FALSE(form.mnu_details.checked());
  EXPECT_FALSE(details->isChecked());

  form.mnu_save.set_enabled(false);
  EXPECT_FALSE(save->isEnabled());
  save->trigger();
  ui::do_events();
  EXPECT_EQ(form.save_clicks, 1);

  form.mnu_exit.set_visible(false);
  EXPECT_FALSE(window.action_for(form.mnu_exit)->isVisible());
  form.mnu_save.set_caption("&Save All");
  EXPECT_EQ(save->text(), "&Save All");
}

TEST_F(FormWindowTest, OpeningMenuRunsItsClickHandlerFirst) {
  SettingsForm& form = frm_settings();
  form.show();
  QAction* file = window_of(form).action_for(form.mnu_file);
  ASSERT_NE(file, nullptr);
  ASSERT_NE(file->menu(), nullptr);

  emit file->menu()->aboutToShow();

  EXPECT_EQ(form.file_menu_opened, 1);
}

TEST_F(FormWindowTest, ClosingWindowAsksFormWhichMayKeepIt) {
  SettingsForm& form = frm_settings();
  form.show();
  form.keep_open = true;
  QPointer<gui::FormWindow> window = &window_of(form);

  window->close();
  EXPECT_EQ(form.close_requests, 1);
  EXPECT_TRUE(frm_settings.loaded());
  EXPECT_TRUE(window->isVisible());

  form.keep_open = false;
  window->close();
  EXPECT_FALSE(frm_settings.loaded());
  process_qt_events();
  EXPECT_TRUE(window.isNull());
}

TEST_F(FormWindowTest, ButtonThatUnloadsItsFormClosesWindowSafely) {
  SettingsForm& form = frm_settings();
  form.show();
  QPointer<gui::FormWindow> window = &window_of(form);
  auto* close = widget_of<QPushButton>(form, form.cmd_close);
  ASSERT_NE(close, nullptr);

  QTest::mouseClick(close, Qt::LeftButton);

  EXPECT_FALSE(frm_settings.loaded());
  EXPECT_FALSE(window->isVisible());
  process_qt_events();
  EXPECT_TRUE(window.isNull());
}

TEST_F(FormWindowTest, WidgetsOfUnloadedFormNoLongerReachModel) {
  SettingsForm& form = frm_settings();
  form.show();
  QPointer<QLineEdit> line = widget_of<QLineEdit>(form, form.txt_rpm);
  ASSERT_FALSE(line.isNull());
  form.unload();

  // Until Qt deletes it, the old widget may still see events; none may touch the form.
  QTest::keyClicks(line.data(), "12");
  process_qt_events();

  EXPECT_TRUE(line.isNull());
}

}  // namespace
}  // namespace gui_test
