// The classic codes the window model's handlers receive from Qt's keys and buttons, and
// the conversions of design units and colours.

#include <gtest/gtest.h>

#include <limits>

#include "gui/rich/rich_support.hpp"

namespace {

using namespace gui::rich;

TEST(RichKeyCodes, QtKeysMapToClassicVirtualKeyCodes) {
  struct Case {
    int qt_key;
    Qt::KeyboardModifiers modifiers;
    int code;
  };
  const Case cases[] = {
      {Qt::Key_Return, Qt::NoModifier, 13},     {Qt::Key_Enter, Qt::KeypadModifier, 13},
      {Qt::Key_Escape, Qt::NoModifier, 27},     {Qt::Key_Left, Qt::NoModifier, 37},
      {Qt::Key_Up, Qt::ShiftModifier, 38},      {Qt::Key_Right, Qt::NoModifier, 39},
      {Qt::Key_Down, Qt::NoModifier, 40},       {Qt::Key_PageUp, Qt::NoModifier, 33},
      {Qt::Key_PageDown, Qt::NoModifier, 34},   {Qt::Key_Delete, Qt::NoModifier, 46},
      {Qt::Key_Backspace, Qt::NoModifier, 8},   {Qt::Key_Tab, Qt::NoModifier, 9},
      {Qt::Key_Backtab, Qt::ShiftModifier, 9},  {Qt::Key_Shift, Qt::ShiftModifier, 16},
      {Qt::Key_0, Qt::NoModifier, 48},          {Qt::Key_9, Qt::NoModifier, 57},
      {Qt::Key_A, Qt::NoModifier, 65},          {Qt::Key_S, Qt::ControlModifier, 83},
      {Qt::Key_F, Qt::ControlModifier, 70},     {Qt::Key_Z, Qt::NoModifier, 90},
      {Qt::Key_F1, Qt::NoModifier, 112},        {Qt::Key_F2, Qt::NoModifier, 113},
      {Qt::Key_F12, Qt::NoModifier, 123},       {Qt::Key_5, Qt::KeypadModifier, 101},
      {Qt::Key_Minus, Qt::KeypadModifier, 109}, {Qt::Key_Minus, Qt::NoModifier, 189},
      {Qt::Key_Period, Qt::NoModifier, 190},    {Qt::Key_Period, Qt::KeypadModifier, 110},
      {Qt::Key_Exclam, Qt::ShiftModifier, 49},  {Qt::Key_ParenRight, Qt::ShiftModifier, 48},
      {Qt::Key_Space, Qt::NoModifier, 32},      {Qt::Key_VolumeUp, Qt::NoModifier, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.qt_key);
    EXPECT_EQ(virtual_key(c.qt_key, c.modifiers), c.code);
  }
}

TEST(RichKeyCodes, ShiftMaskIsOneTwoFourForShiftCtrlAlt) {
  EXPECT_EQ(shift_mask(Qt::NoModifier), 0);
  EXPECT_EQ(shift_mask(Qt::ShiftModifier), 1);
  EXPECT_EQ(shift_mask(Qt::ControlModifier), 2);
  EXPECT_EQ(shift_mask(Qt::AltModifier), 4);
  EXPECT_EQ(shift_mask(Qt::ShiftModifier | Qt::ControlModifier), 3);
  EXPECT_EQ(shift_mask(Qt::ShiftModifier | Qt::AltModifier | Qt::KeypadModifier), 5);
}

TEST(RichKeyCodes, TypedCharacterFollowsTheClassicKeyPress) {
  struct Case {
    const char* name;
    int qt_key;
    Qt::KeyboardModifiers modifiers;
    const char* text;
    int character;
  };
  const Case cases[] = {
      {"digit", Qt::Key_7, Qt::NoModifier, "7", '7'},
      {"shifted letter", Qt::Key_A, Qt::ShiftModifier, "A", 'A'},
      {"enter", Qt::Key_Return, Qt::NoModifier, "\r", 13},
      {"ctrl s given as a letter", Qt::Key_S, Qt::ControlModifier, "s", 19},
      {"ctrl s given as control code", Qt::Key_S, Qt::ControlModifier, "\x13", 19},
      {"ctrl digit", Qt::Key_1, Qt::ControlModifier, "1", 0},
      {"alt letter is a menu key", Qt::Key_F, Qt::AltModifier, "f", 0},
      {"arrow", Qt::Key_Up, Qt::NoModifier, "", 0},
      {"delete", Qt::Key_Delete, Qt::NoModifier, "\x7f", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QKeyEvent event(QEvent::KeyPress, c.qt_key, c.modifiers, QString::fromLatin1(c.text));
    EXPECT_EQ(typed_character(event), c.character);
  }
}

TEST(RichKeyCodes, MouseButtonsAreOneTwoFour) {
  EXPECT_EQ(button_code(Qt::LeftButton), 1);
  EXPECT_EQ(button_code(Qt::RightButton), 2);
  EXPECT_EQ(button_code(Qt::MiddleButton), 4);
  EXPECT_EQ(button_code(Qt::BackButton), 0);
  EXPECT_EQ(buttons_mask(Qt::LeftButton | Qt::MiddleButton), 5);
}

TEST(RichUnits, TwipsAreFifteenToAPixelAndColoursAreBlueGreenRed) {
  EXPECT_EQ(twips_to_pixels(600), 40);
  EXPECT_EQ(twips_to_pixels(255), 17);
  EXPECT_EQ(twips_to_pixels(0), 0);
  EXPECT_EQ(twips_to_pixels(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_FLOAT_EQ(pixels_to_twips(10), 150);
  EXPECT_EQ(to_qcolor(0x0080FF80), QColor(128, 255, 128));
  EXPECT_EQ(to_qcolor(ui::qb_color(12)), QColor(255, 0, 0));
  EXPECT_EQ(to_qcolor(ui::colours::button_face), QColor(0xD4, 0xD0, 0xC8));
}

TEST(RichUnits, ModelTextsShowAsUtf8OrAsSingleBytes) {
  EXPECT_EQ(to_qstring("IGN\xC2\xB0"), QString::fromUtf8("IGN\xC2\xB0"));
  EXPECT_EQ(to_qstring("IGN\xB0"), QString::fromUtf8("IGN\xC2\xB0"));  // a byte from a file
  EXPECT_EQ(to_qstring("Engine Setup"), QStringLiteral("Engine Setup"));
}

}  // namespace
