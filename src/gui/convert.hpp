#pragma once
// Conversions between the window model and Qt for the generic front-end: rectangles, colours
// of the desktop scheme, file dialog filters and caption texts. Pixels, key codes and model
// texts share the rich controls' conversions (gui/rich/rich_support.hpp).

#include <QColor>
#include <QIcon>
#include <QRect>
#include <QString>
#include <string>

#include "ui/colour.hpp"

namespace gui {

// A rectangle in twips as whole pixels; a negative width or height is empty.
QRect to_pixel_rect(float left, float top, float width, float height);

// A model colour; values with the top bit set name a colour of the desktop scheme.
QColor to_qcolor(ui::Colour colour);

// "Data set (*.set)|*.set|All files (*.*)|*.*" as Qt's "Data set (*.set);;All files (*)".
QString qt_file_filter(const std::string& filter);

// Model text as shown in a message box or a label: CR LF, LF CR, a lone LF and a lone CR are
// each one line break (the port scan report ends its lines in LF CR).
QString display_text(const std::string& text);

// A label's caption as shown: "&&" is an ampersand, a single "&" marks the access key; line
// breaks as in display_text.
QString label_text(const std::string& caption);

// A button's picture: the file it names, else the icon of that name in the desktop's icon
// theme (Adwaita where the desktop names none); a null icon when neither exists.
QIcon button_picture(const std::string& picture);

// Multi-line text boxes hold CR LF line ends; Qt's editors use LF.
QString text_for_editor(const std::string& text);
std::string text_from_editor(const QString& text);

}  // namespace gui
