#pragma once
// Conversions shared by the rich controls: design units, colours and the classic key,
// button and shift codes the window model's handlers expect.

#include <QColor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRect>
#include <QWidget>
#include <string>

#include "ui/colour.hpp"
#include "ui/control.hpp"

namespace gui::rich {

// Design units are twips; the desktop the console was drawn for had 15 to a pixel.
inline constexpr float kTwipsPerPixel = 15.0F;

int twips_to_pixels(float twips);
float pixels_to_twips(double pixels);
QColor to_qcolor(ui::Colour colour);
// The model's texts are UTF-8 from code or single bytes from files; either shows right.
QString to_qstring(const std::string& text);
// Text the user entered, as the model's single bytes: "\xB0" for a typed degree sign; a
// character beyond them becomes "?".
std::string to_model_text(const QString& text);

// Classic virtual-key code of a key event (Enter 13, Up 38, A 65, F1 112...), 0 when the
// key has none.
int virtual_key(const QKeyEvent& event);
int virtual_key(int qt_key, Qt::KeyboardModifiers modifiers);
// Shift mask: 1 Shift, 2 Ctrl, 4 Alt.
int shift_mask(Qt::KeyboardModifiers modifiers);
// Character code a key types (13 for Enter, 8 for Backspace, 19 for Ctrl+S), 0 when it
// types none.
int typed_character(const QKeyEvent& event);
// Mouse button code: 1 left, 2 right, 4 middle, 0 for any other.
int button_code(Qt::MouseButton button);
// The mask of the buttons held, as mouse-move handlers receive it.
int buttons_mask(Qt::MouseButtons buttons);

// The control's rectangle within its container, in pixels.
QRect pixel_geometry(const ui::Control& control);
// Applies what every rich control shares: position, size, visibility, enabled state and
// tool tip, as far as `what` covers them.
void apply_common(QWidget& widget, const ui::Control& control, ui::Property what);

}  // namespace gui::rich
