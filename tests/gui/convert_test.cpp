// Unit and format conversions between the window model and Qt.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>
#include <cstdint>
#include <limits>
#include <string>

#include "gui/convert.hpp"
#include "gui/rich/rich_support.hpp"

namespace gui_test {
namespace {

TEST(ConvertTest, FileFilterBecomesQtFilter) {
  struct Case {
    const char* filter;
    const char* expected;
  };
  const Case cases[] = {
      {"Data set (*.set)|*.set|All files (*.*)|*.*", "Data set (*.set);;All files (*)"},
      {"Log files|*.csv", "Log files (*.csv)"},
      {"Firmware (*.s;*.hex)|*.s;*.hex", "Firmware (*.s *.hex)"},
      {"|*.txt", "*.txt (*.txt)"},
      {"Text files|", "Text files (*)"},
      // Without patterns of its own a filter takes those its text carries.
      {"comma spaced value (*.csv)|", "comma spaced value (*.csv)"},
      {"Maps (*.set; *.map)| ", "Maps (*.set *.map)"},
      {"Everything (*.*)|", "Everything (*)"},
      {"Data set (*.set)|*.dat", "Data set (*.dat)"},
      {"", ""},
      {"Dangling description", ""},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.filter);
    EXPECT_EQ(gui::qt_file_filter(test_case.filter), QString(test_case.expected));
  }
}

TEST(ConvertTest, ColoursAreBlueGreenRed) {
  EXPECT_EQ(gui::to_qcolor(ui::rgb(10, 20, 30)), QColor(10, 20, 30));
  EXPECT_EQ(gui::to_qcolor(ui::colours::light_red), QColor(255, 0, 0));
  EXPECT_EQ(gui::to_qcolor(ui::colours::light_blue), QColor(0, 0, 255));
  EXPECT_EQ(gui::to_qcolor(ui::colours::button_face), QColor(0xD4, 0xD0, 0xC8));
  // Scheme colours follow the desktop's palette.
  const auto scheme = [](std::uint32_t bits) { return static_cast<ui::Colour>(bits); };
  EXPECT_EQ(gui::to_qcolor(scheme(0x80000005U)), QGuiApplication::palette().color(QPalette::Base));
  EXPECT_EQ(gui::to_qcolor(scheme(0x80000012U)),
            QGuiApplication::palette().color(QPalette::ButtonText));
}

TEST(ConvertTest, RectanglesBecomeWholePixelsAndNeverNegativeSizes) {
  EXPECT_EQ(gui::to_pixel_rect(150, 300, -450, 600), QRect(10, 20, 0, 40));
  EXPECT_EQ(gui::to_pixel_rect(-75000, 22, 1500, 7), QRect(-5000, 1, 100, 0));
  EXPECT_EQ(gui::to_pixel_rect(std::numeric_limits<float>::quiet_NaN(), 0, 1.0e30F, 15),
            QRect(0, 0, 1000000, 1));
}

TEST(ConvertTest, LabelCaptionsResolveAccessKeyMarksAndEachLineEndIsOneBreak) {
  EXPECT_EQ(gui::label_text("COM-01 PRESENT\n\rCOM-02 FAILED\r\nA\rB\nC\n\n\r\r"),
            "COM-01 PRESENT\nCOM-02 FAILED\nA\nB\nC\n\n\n");
  EXPECT_EQ(gui::label_text("&Port"), "Port");
  EXPECT_EQ(gui::label_text("Fuel && Spark"), "Fuel & Spark");
  EXPECT_EQ(gui::label_text("AFR &&& Lambda"), "AFR & Lambda");
  EXPECT_EQ(gui::label_text("trailing &"), "trailing ");
}

TEST(ConvertTest, ModelTextsAreSingleBytesBothWays) {
  struct Case {
    std::string model;
    QString shown;
  };
  const Case cases[] = {
      {"25 \xB0"
       "C",
       QStringLiteral("25 \u00B0C")},
      {"\xB5sec/V", QStringLiteral("\u00B5sec/V")},
      {"(\xB1"
       "5)",
       QStringLiteral("(\u00B15)")},
      {"plain", QStringLiteral("plain")},
  };
  for (const Case& test_case : cases) {
    EXPECT_EQ(gui::rich::to_qstring(test_case.model), test_case.shown) << test_case.model;
    EXPECT_EQ(gui::rich::to_model_text(test_case.shown), test_case.model) << test_case.model;
  }
  // A character the model has no byte for cannot pass as several bytes.
  EXPECT_EQ(gui::rich::to_model_text(QStringLiteral("5\u20AC")), "5?");
  EXPECT_EQ(gui::text_from_editor(QStringLiteral("90\u00B0\nnext")), "90\xB0\r\nnext");
}

TEST(ConvertTest, MultiLineTextKeepsDesktopLineEnds) {
  EXPECT_EQ(gui::text_for_editor("one\r\ntwo"), "one\ntwo");
  EXPECT_EQ(gui::text_from_editor("one\ntwo"), "one\r\ntwo");
  EXPECT_EQ(gui::text_from_editor(gui::text_for_editor("a\r\nb\r\n")), "a\r\nb\r\n");
}

}  // namespace
}  // namespace gui_test
