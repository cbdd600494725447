// What the front-end shows of a control's state and what assistive tools are told: disabled
// controls drawn disabled, designed colours kept while enabled, option buttons reported as
// radio buttons, labels without text left without a name.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QWidget>

#include "gui_test.hpp"
#include "ui/ui.hpp"

namespace gui_test {
namespace {

class LookForm : public ui::Form {
 public:
  LookForm() : ui::Form("frm_look", "Look", 6000, 4000) {
    cmd_start.set_caption("Start Log");
    cmd_start.move(120, 120, 1500, 375);
    cmd_start.set_fore_colour(ui::colours::light_blue);
    cmd_start.set_back_colour(ui::colours::light_green);
    txt_rate.move(120, 600, 1500, 315);
    txt_rate.set_text("50");
    txt_rate.set_fore_colour(ui::colours::light_red);
    txt_rate.set_back_colour(ui::colours::yellow);
    lbl_total.move(120, 1080, 1500, 255);
    lbl_heading.set_caption("Comm TX bytes");
    lbl_heading.move(1800, 1080, 1500, 255);
    for (int i = 0; i < opt_rate.count(); ++i) {
      opt_rate[i].set_caption(i == 0 ? "&Slow" : "Fast");
      opt_rate[i].move(120, 1500.0F + 360.0F * static_cast<float>(i), 1500, 255);
    }
    opt_rate[0].set_value(true);
    opt_rate.on(&ui::OptionButton::on_click, [this](int index) { picked.push_back(index); });
  }
  ui::CommandButton cmd_start{*this, "cmd_start"};
  ui::TextBox txt_rate{*this, "txt_rate"};
  ui::Label lbl_total{*this, "lbl_total"};
  ui::Label lbl_heading{*this, "lbl_heading"};
  ui::ControlArray<ui::OptionButton> opt_rate{*this, "opt_rate", 2};
  std::vector<int> picked;
};

ui::FormInstance<LookForm> frm_look;

using WidgetLookTest = GuiTest;

TEST_F(WidgetLookTest, DisabledControlsWriteGreyWhileEnabledOnesKeepTheirDesignedColours) {
  LookForm& form = frm_look();
  form.show();
  const QPalette desktop = QApplication::palette();
  struct Case {
    ui::Control* control;
    QPalette::ColorRole back_role, text_role;
    QColor back, text;
  };
  const Case cases[] = {
      {&form.cmd_start, QPalette::Button, QPalette::ButtonText, QColor(0, 255, 0),
       QColor(0, 0, 255)},
      {&form.txt_rate, QPalette::Base, QPalette::Text, QColor(255, 255, 0), QColor(255, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control->name());
    c.control->set_enabled(false);
    QWidget* widget = window_of(form).widget_for(*c.control);
    ASSERT_NE(widget, nullptr);
    EXPECT_FALSE(widget->isEnabled());
    const QPalette shown = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
      EXPECT_EQ(shown.color(group, c.back_role), c.back);
      EXPECT_EQ(shown.color(group, c.text_role), c.text);
    }
    EXPECT_EQ(shown.color(QPalette::Disabled, c.back_role), c.back);
    EXPECT_EQ(shown.color(QPalette::Disabled, c.text_role),
              desktop.color(QPalette::Disabled, c.text_role));
    EXPECT_NE(shown.color(QPalette::Disabled, c.text_role), c.text);
    c.control->set_enabled(true);
    EXPECT_TRUE(widget->isEnabled());
  }
}

TEST_F(WidgetLookTest, LabelWithoutTextHasNoAccessibleName) {
  LookForm& form = frm_look();
  form.show();
  QWidget* total = window_of(form).widget_for(form.lbl_total);
  ASSERT_NE(total, nullptr);
  QAccessibleInterface* read = QAccessible::queryAccessibleInterface(total);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->text(QAccessible::Name), QString());
  EXPECT_EQ(total->accessibleDescription(), QStringLiteral("lbl_total"));
  form.lbl_total.set_caption("1234");
  EXPECT_EQ(read->text(QAccessible::Name), QStringLiteral("1234"));
  form.lbl_total.set_caption("");
  EXPECT_EQ(read->text(QAccessible::Name), QString());
  EXPECT_EQ(QAccessible::queryAccessibleInterface(window_of(form).widget_for(form.lbl_heading))
                ->text(QAccessible::Name),
            QStringLiteral("Comm TX bytes"));
}

TEST_F(WidgetLookTest, OptionButtonsAreRadioButtonsThatSelectThroughTheModel) {
  LookForm& form = frm_look();
  form.show();
  QAccessibleInterface* slow =
      QAccessible::queryAccessibleInterface(window_of(form).widget_for(form.opt_rate[0]));
  QAccessibleInterface* fast =
      QAccessible::queryAccessibleInterface(window_of(form).widget_for(form.opt_rate[1]));
  ASSERT_NE(slow, nullptr);
  ASSERT_NE(fast, nullptr);
  EXPECT_EQ(slow->role(), QAccessible::RadioButton);
  EXPECT_EQ(fast->role(), QAccessible::RadioButton);
  EXPECT_EQ(slow->text(QAccessible::Name), QStringLiteral("Slow"));
  EXPECT_TRUE(slow->state().checkable);
  EXPECT_TRUE(slow->state().checked);
  EXPECT_FALSE(fast->state().checked);

  QAccessibleActionInterface* actions = fast->actionInterface();
  ASSERT_NE(actions, nullptr);
  EXPECT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
  actions->doAction(QAccessibleActionInterface::pressAction());
  process_qt_events();
  EXPECT_EQ(form.picked, std::vector<int>({1}));
  EXPECT_TRUE(form.opt_rate[1].value());
  EXPECT_FALSE(form.opt_rate[0].value());
  EXPECT_TRUE(fast->state().checked);
  EXPECT_FALSE(slow->state().checked);

  // Selecting the selected one again changes nothing and runs nothing.
  actions->doAction(QAccessibleActionInterface::toggleAction());
  process_qt_events();
  EXPECT_EQ(form.picked, std::vector<int>({1}));
  EXPECT_TRUE(form.opt_rate[1].value());
  EXPECT_TRUE(fast->state().checked);
}

}  // namespace
}  // namespace gui_test
