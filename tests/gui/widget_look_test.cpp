// What the front-end shows of a control's state and tells assistive tools: disabled controls
// greyed, option buttons as radio buttons, labels without text unnamed.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <tuple>

#include "gui/control_widgets.hpp"
#include "gui/rich/grid_widget.hpp"
#include "gui_test.hpp"
#include "ui/ui.hpp"

namespace gui_test {
namespace {

class LookForm : public ui::Form {
 public:
  LookForm() : ui::Form("frm_look", "Look", 6000, 4000) {
    cmd_start.set_fore_colour(ui::colours::light_blue);
    cmd_start.set_back_colour(ui::colours::light_green);
    lbl_total.move(120, 600, 1500, 255);
    for (int i = 0; i < opt_rate.count(); ++i) {
      opt_rate[i].set_caption(i == 0 ? "&Slow" : "Fast");
      opt_rate[i].move(120, 1000.0F + 360.0F * static_cast<float>(i), 1500, 255);
    }
    opt_rate[0].set_value(true);
    opt_rate.on(&ui::OptionButton::on_click, [this](int index) { picked.push_back(index); });
    // As narrow as the additional mapping window's curve fields.
    txt_advance.move(120, 2000, 570, 285);
    // Cells as wide as the basic mapping window's: 38 pixels.
    grd_mix.move(120, 2500, 2400, 600);
    for (int col = 0; col < grd_mix.cols(); ++col) grd_mix.set_column_width(col, 570);
  }
  ui::CommandButton cmd_start{*this, "cmd_start"};
  ui::Label lbl_total{*this, "lbl_total"};
  ui::ControlArray<ui::OptionButton> opt_rate{*this, "opt_rate", 2};
  ui::TextBox txt_advance{*this, "txt_advance"};
  ui::Grid grd_mix{*this, "grd_mix", 2, 2};
  std::vector<int> picked;
};

ui::FormInstance<LookForm> frm_look;

using WidgetLookTest = GuiTest;

TEST_F(WidgetLookTest, DisabledButtonWritesGreyAndKeepsItsFace) {
  LookForm& form = frm_look();
  form.show();
  form.cmd_start.set_enabled(false);
  const QPalette shown = window_of(form).widget_for(form.cmd_start)->palette();
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    EXPECT_EQ(shown.color(group, QPalette::ButtonText), QColor(0, 0, 255));
    EXPECT_EQ(shown.color(group, QPalette::Button), QColor(0, 255, 0));
  }
  EXPECT_EQ(shown.color(QPalette::Disabled, QPalette::Button), QColor(0, 255, 0));
  EXPECT_EQ(shown.color(QPalette::Disabled, QPalette::ButtonText),
            QApplication::palette().color(QPalette::Disabled, QPalette::ButtonText));
  EXPECT_NE(shown.color(QPalette::Disabled, QPalette::ButtonText), QColor(0, 0, 255));
}

TEST_F(WidgetLookTest, AssistiveToolsReadOptionButtonsAsRadioButtonsAndEmptyLabelsUnnamed) {
  LookForm& form = frm_look();
  form.show();
  QAccessibleInterface* total =
      QAccessible::queryAccessibleInterface(window_of(form).widget_for(form.lbl_total));
  ASSERT_NE(total, nullptr);
  EXPECT_EQ(total->text(QAccessible::Name), QString());
  form.lbl_total.set_caption("1234");
  EXPECT_EQ(total->text(QAccessible::Name), QStringLiteral("1234"));

  QAccessibleInterface* slow =
      QAccessible::queryAccessibleInterface(window_of(form).widget_for(form.opt_rate[0]));
  QAccessibleInterface* fast =
      QAccessible::queryAccessibleInterface(window_of(form).widget_for(form.opt_rate[1]));
  ASSERT_NE(fast, nullptr);
  EXPECT_EQ(slow->role(), QAccessible::RadioButton);
  EXPECT_EQ(slow->text(QAccessible::Name), QStringLiteral("Slow"));
  EXPECT_TRUE(slow->state().checked);
  ASSERT_NE(fast->actionInterface(), nullptr);
  // Pressed twice: selected through the model once, its handler run once.
  fast->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  fast->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
  process_qt_events();
  EXPECT_EQ(form.picked, std::vector<int>({1}));
  EXPECT_TRUE(form.opt_rate[1].value());
  EXPECT_FALSE(form.opt_rate[0].value());
  EXPECT_TRUE(fast->state().checked);
  EXPECT_FALSE(slow->state().checked);
}

TEST_F(WidgetLookTest, ATextBoxShowsItsWholeTextInASmallerFontOrMarksWhatItCannotShow) {
  LookForm& form = frm_look();
  form.show();
  auto* box = dynamic_cast<gui::LineTextBox*>(window_of(form).widget_for(form.txt_advance));
  ASSERT_NE(box, nullptr);
  form.txt_advance.set_text("7");
  EXPECT_EQ(box->shown_font_pixels(), 11);
  EXPECT_TRUE(box->shows_whole_text());

  form.txt_advance.set_text("-16.000");
  EXPECT_LT(box->shown_font_pixels(), 11);
  EXPECT_GE(box->shown_font_pixels(), 8);
  EXPECT_TRUE(box->shows_whole_text()) << "no digit is cut";

  form.txt_advance.set_text("-15.750 degrees before top dead centre");
  EXPECT_EQ(box->shown_font_pixels(), 8);
  EXPECT_FALSE(box->shows_whole_text()) << "drawn with an ellipsis at its end";

  form.txt_advance.set_text("7");
  EXPECT_EQ(box->shown_font_pixels(), 11) << "the designed font again";
}

TEST_F(WidgetLookTest, AGridCellShowsItsWholeTextInASmallerFontOrMarksWhatItCannotShow) {
  LookForm& form = frm_look();
  form.show();
  auto* grid = dynamic_cast<gui::rich::GridWidget*>(window_of(form).widget_for(form.grd_mix));
  ASSERT_NE(grid, nullptr);
  // The text, what the cell shows of it and the pixel size of the font it shows it in.
  const std::tuple<const char*, const char*, int> cases[] = {
      {"7", "7", 11}, {"100.000", "100.000", 8}, {"-123456789.125", "-1234\u2026", 8}};
  for (const auto& [text, shown, pixels] : cases) {
    form.grd_mix.set_cell_text(1, 1, text);
    EXPECT_EQ(grid->shown_text(1, 1), QString::fromUtf8(shown)) << text;
    EXPECT_EQ(grid->shown_font_pixels(1, 1), pixels) << text;
  }
}

}  // namespace
}  // namespace gui_test
