#include "ui/caption_set.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/console_test.hpp"
#include "ui/ui.hpp"

namespace {

class PanelForm : public ui::Form {
 public:
  PanelForm() : ui::Form("frm_panel", "Panel", 6000, 4000) {
    speed.move(2400, 600, 975, 285);
    reading.move(2400, 1200, 975, 285);
    pages.move(120, 1800, 5000, 2000);
    boost.place_in(pages, 1);
    boost.move(2000, 300, 800, 285);
  }
  ui::TextBox speed{*this, "speed"};
  ui::Label reading{*this, "reading"};
  ui::TabControl pages{*this, "pages", 2};
  ui::TextBox boost{*this, "boost"};
  ui::CaptionSet captions{*this, "caption_label"};
};

using CaptionSetTest = test::ConsoleTest;

TEST_F(CaptionSetTest, CaptionEndsLeftOfFieldAndUnitStartsRightOfIt) {
  PanelForm form;
  form.captions.beside(form.speed, "Engine Speed", "RPM");

  ASSERT_EQ(form.captions.count(), 2);
  const ui::Label& caption = form.captions[0];
  const ui::Label& unit = form.captions[1];
  EXPECT_EQ(caption.caption(), "Engine Speed");
  EXPECT_EQ(caption.alignment(), ui::Label::Align::right);
  EXPECT_FLOAT_EQ(caption.left() + caption.width() + ui::CaptionSet::kGap, form.speed.left());
  EXPECT_EQ(unit.caption(), "RPM");
  EXPECT_FLOAT_EQ(unit.left(), form.speed.left() + form.speed.width() + ui::CaptionSet::kGap);
  // Both read on the field's line, a little below the top of its box.
  EXPECT_EQ(caption.top(), unit.top());
  EXPECT_GT(caption.top(), form.speed.top());
  EXPECT_LT(caption.top(), form.speed.top() + form.speed.height());
}

TEST_F(CaptionSetTest, CaptionOfLabelSharesItsTop) {
  PanelForm form;
  form.captions.beside(form.reading, "Battery Voltage");
  ASSERT_EQ(form.captions.count(), 1);
  EXPECT_FLOAT_EQ(form.captions[0].top(), form.reading.top());
}

TEST_F(CaptionSetTest, EmptyTextsMakeNoLabel) {
  PanelForm form;
  form.captions.beside(form.speed, "", "sec");
  form.captions.beside(form.reading, "Volts");
  EXPECT_EQ(form.captions.count(), 2);
  EXPECT_EQ(form.captions[0].caption(), "sec");
  EXPECT_EQ(form.captions[1].caption(), "Volts");
}

TEST_F(CaptionSetTest, CaptionsGoOnTheFieldsTabPage) {
  PanelForm form;
  form.captions.beside(form.boost, "Loop Rate", "kPa");
  for (int i = 0; i < form.captions.count(); ++i) {
    EXPECT_EQ(form.captions[i].container(), &form.pages);
    EXPECT_EQ(form.captions[i].tab_page(), 1);
  }
}

TEST_F(CaptionSetTest, CaptionAboveIsCentredOverField) {
  PanelForm form;
  const ui::Label& heading = form.captions.above(form.speed, "Gain", 1200, 255);
  EXPECT_EQ(heading.alignment(), ui::Label::Align::centre);
  EXPECT_FLOAT_EQ(heading.left() + heading.width() / 2, form.speed.left() + form.speed.width() / 2);
  EXPECT_FLOAT_EQ(heading.top() + heading.height(), form.speed.top());
}

TEST_F(CaptionSetTest, CaptionsAreTransparentLabelsOfTheirForm) {
  PanelForm form;
  form.captions.add("Heading", 120, 120, 2000, 255);
  const ui::Label& heading = form.captions[0];
  EXPECT_TRUE(heading.transparent());
  EXPECT_EQ(heading.name(), "caption_label");
  EXPECT_EQ(heading.index(), 0);
  const auto& controls = form.controls();
  EXPECT_NE(std::find(controls.begin(), controls.end(), &heading), controls.end());
  EXPECT_THROW(static_cast<void>(form.captions[1]), std::out_of_range);
}

TEST_F(CaptionSetTest, LongerTextGetsWiderCaption) {
  EXPECT_LT(ui::CaptionSet::text_width("MS"), ui::CaptionSet::text_width("Injector Channel 8"));
  EXPECT_GT(ui::CaptionSet::text_width(""), 0.0F);
}

}  // namespace
