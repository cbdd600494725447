#pragma once
// Widgets for the controls the generic front-end does not draw itself. Each widget shows
// its model control and hands the user's actions to the control's own methods; the model's
// change notices come back through refresh_rich_widget. A widget refers to its control, so
// the front-end destroys it (deleteLater is fine) when the control's form is unloaded.

#include <QWidget>

#include "ui/control.hpp"

namespace gui {

// A widget for a grid, gauge, strip chart, drawing picture box, tab control or scroll bar;
// nullptr for other kinds (the front-end renders those itself). The widget is placed and
// sized from the control's design geometry, relative to `parent`.
QWidget* create_rich_widget(ui::Control& control, QWidget* parent);
// The model changed `what` of `control`: bring the widget up to date. Besides what is
// particular to each control, this applies geometry, visibility, enabled state and tool tip.
void refresh_rich_widget(QWidget* widget, ui::Control& control, ui::Property what);
// Ends every open cell edit under `window`, keeping the typed text, as a click elsewhere
// would: a command that does not take the focus (a menu item, an access key, an assistive
// tool's press) acts on what was typed.
void commit_cell_edits(QWidget& window);
// The widget into which controls placed on page `page` of a tab control go; positions on a
// page count from the page's top-left corner, below the rows of tabs. nullptr when
// `tab_widget` is not a tab control's widget or the page does not exist.
QWidget* tab_page_widget(QWidget* tab_widget, int page);

}  // namespace gui
