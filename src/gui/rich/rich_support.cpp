#include "gui/rich/rich_support.hpp"

#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <cmath>

namespace gui::rich {

int twips_to_pixels(float twips) {
  if (!std::isfinite(twips)) return 0;
  // Far beyond any screen, but still an int.
  const float pixels = std::clamp(twips / kTwipsPerPixel, -1.0e6F, 1.0e6F);
  return static_cast<int>(std::lround(pixels));
}

float pixels_to_twips(double pixels) {
  return static_cast<float>(pixels) * kTwipsPerPixel;
}

QColor to_qcolor(ui::Colour colour) {
  const auto bits = static_cast<std::uint32_t>(colour);
  return {static_cast<int>(bits & 0xFFU), static_cast<int>((bits >> 8U) & 0xFFU),
          static_cast<int>((bits >> 16U) & 0xFFU)};
}

QString to_qstring(const std::string& text) {
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString decoded = decoder(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  if (!decoder.hasError()) return decoded;
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string to_model_text(const QString& text) {
  // Latin-1, not UTF-8: the model counts and compares bytes, one to a character.
  const QByteArray bytes = text.toLatin1();
  return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

namespace {

struct KeyCode {
  int qt_key;
  int code;
};

// Keys whose code does not follow from a range below. Shifted symbols map to the key that
// types them on a US keyboard, as the handlers see the key, not the character.
constexpr std::array kKeyTable{
    KeyCode{Qt::Key_Backspace, 8},
    KeyCode{Qt::Key_Tab, 9},
    KeyCode{Qt::Key_Backtab, 9},
    KeyCode{Qt::Key_Clear, 12},
    KeyCode{Qt::Key_Return, 13},
    KeyCode{Qt::Key_Enter, 13},
    KeyCode{Qt::Key_Shift, 16},
    KeyCode{Qt::Key_Control, 17},
    KeyCode{Qt::Key_Alt, 18},
    KeyCode{Qt::Key_Pause, 19},
    KeyCode{Qt::Key_CapsLock, 20},
    KeyCode{Qt::Key_Escape, 27},
    KeyCode{Qt::Key_Space, 32},
    KeyCode{Qt::Key_PageUp, 33},
    KeyCode{Qt::Key_PageDown, 34},
    KeyCode{Qt::Key_End, 35},
    KeyCode{Qt::Key_Home, 36},
    KeyCode{Qt::Key_Left, 37},
    KeyCode{Qt::Key_Up, 38},
    KeyCode{Qt::Key_Right, 39},
    KeyCode{Qt::Key_Down, 40},
    KeyCode{Qt::Key_Print, 44},
    KeyCode{Qt::Key_Insert, 45},
    KeyCode{Qt::Key_Delete, 46},
    KeyCode{Qt::Key_Meta, 91},
    KeyCode{Qt::Key_Menu, 93},
    KeyCode{Qt::Key_NumLock, 144},
    KeyCode{Qt::Key_ScrollLock, 145},
    KeyCode{Qt::Key_ParenRight, 48},
    KeyCode{Qt::Key_Exclam, 49},
    KeyCode{Qt::Key_At, 50},
    KeyCode{Qt::Key_NumberSign, 51},
    KeyCode{Qt::Key_Dollar, 52},
    KeyCode{Qt::Key_Percent, 53},
    KeyCode{Qt::Key_AsciiCircum, 54},
    KeyCode{Qt::Key_Ampersand, 55},
    KeyCode{Qt::Key_Asterisk, 56},
    KeyCode{Qt::Key_ParenLeft, 57},
    KeyCode{Qt::Key_Semicolon, 186},
    KeyCode{Qt::Key_Colon, 186},
    KeyCode{Qt::Key_Equal, 187},
    KeyCode{Qt::Key_Plus, 187},
    KeyCode{Qt::Key_Comma, 188},
    KeyCode{Qt::Key_Less, 188},
    KeyCode{Qt::Key_Minus, 189},
    KeyCode{Qt::Key_Underscore, 189},
    KeyCode{Qt::Key_Period, 190},
    KeyCode{Qt::Key_Greater, 190},
    KeyCode{Qt::Key_Slash, 191},
    KeyCode{Qt::Key_Question, 191},
    KeyCode{Qt::Key_QuoteLeft, 192},
    KeyCode{Qt::Key_AsciiTilde, 192},
    KeyCode{Qt::Key_BracketLeft, 219},
    KeyCode{Qt::Key_BraceLeft, 219},
    KeyCode{Qt::Key_Backslash, 220},
    KeyCode{Qt::Key_Bar, 220},
    KeyCode{Qt::Key_BracketRight, 221},
    KeyCode{Qt::Key_BraceRight, 221},
    KeyCode{Qt::Key_Apostrophe, 222},
    KeyCode{Qt::Key_QuoteDbl, 222},
};

// The number pad has codes of its own (96 to 111).
constexpr std::array kKeypadTable{
    KeyCode{Qt::Key_Asterisk, 106}, KeyCode{Qt::Key_Plus, 107},  KeyCode{Qt::Key_Minus, 109},
    KeyCode{Qt::Key_Period, 110},   KeyCode{Qt::Key_Comma, 110}, KeyCode{Qt::Key_Slash, 111},
};

}  // namespace

int virtual_key(int qt_key, Qt::KeyboardModifiers modifiers) {
  if (modifiers.testFlag(Qt::KeypadModifier)) {
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return 96 + (qt_key - Qt::Key_0);
    for (const auto& entry : kKeypadTable) {
      if (entry.qt_key == qt_key) return entry.code;
    }
  }
  if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return 48 + (qt_key - Qt::Key_0);
  if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) return 65 + (qt_key - Qt::Key_A);
  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) return 112 + (qt_key - Qt::Key_F1);
  for (const auto& entry : kKeyTable) {
    if (entry.qt_key == qt_key) return entry.code;
  }
  return 0;
}

int virtual_key(const QKeyEvent& event) {
  return virtual_key(event.key(), event.modifiers());
}

int shift_mask(Qt::KeyboardModifiers modifiers) {
  int mask = 0;
  if (modifiers.testFlag(Qt::ShiftModifier)) mask |= 1;
  if (modifiers.testFlag(Qt::ControlModifier)) mask |= 2;
  if (modifiers.testFlag(Qt::AltModifier)) mask |= 4;
  return mask;
}

int typed_character(const QKeyEvent& event) {
  const QString text = event.text();
  const char16_t first = text.isEmpty() ? 0 : text.front().unicode();
  const bool ctrl = event.modifiers().testFlag(Qt::ControlModifier);
  const bool alt = event.modifiers().testFlag(Qt::AltModifier);
  // Ctrl with a letter types its control character (Ctrl+S is 19) whatever the platform
  // puts in the text; Ctrl or Alt with anything else types nothing printable. Both held
  // together is AltGr on some keyboards, which types what the text says.
  if (ctrl != alt) {
    if (ctrl && event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z) {
      return event.key() - Qt::Key_A + 1;
    }
    return first != 0 && first < 32 ? first : 0;
  }
  // Delete types DEL on some platforms; the classic key-press event never saw it.
  return first == 127 ? 0 : static_cast<int>(first);
}

int button_code(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return 1;
    case Qt::RightButton:
      return 2;
    case Qt::MiddleButton:
      return 4;
    default:
      return 0;
  }
}

int buttons_mask(Qt::MouseButtons buttons) {
  int mask = 0;
  if (buttons.testFlag(Qt::LeftButton)) mask |= 1;
  if (buttons.testFlag(Qt::RightButton)) mask |= 2;
  if (buttons.testFlag(Qt::MiddleButton)) mask |= 4;
  return mask;
}

QRect pixel_geometry(const ui::Control& control) {
  return {twips_to_pixels(control.left()), twips_to_pixels(control.top()),
          twips_to_pixels(control.width()), twips_to_pixels(control.height())};
}

void apply_common(QWidget& widget, const ui::Control& control, ui::Property what) {
  const bool all = what == ui::Property::everything;
  if (all || what == ui::Property::geometry) widget.setGeometry(pixel_geometry(control));
  if (all || what == ui::Property::visibility) widget.setVisible(control.visible());
  if (all || what == ui::Property::enabled) widget.setEnabled(control.enabled());
  if (all || what == ui::Property::tool_tip) {
    widget.setToolTip(to_qstring(control.tool_tip()));
  }
}

}  // namespace gui::rich
