#pragma once
// The small widgets the generic front-end draws controls with, where a stock Qt widget does
// not fit: shapes and lines, clickable labels, text boxes whose keys the model sees first,
// and picture boxes. They hold copies of what they draw, so a repaint never reads the model.

#include <QCheckBox>
#include <QColor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <functional>

#include "ui/control.hpp"
#include "ui/picture_box.hpp"

class QKeyEvent;
class QMouseEvent;

namespace gui {

// What happens to a key after the model's key handlers saw it.
struct KeyOutcome {
  enum class Action { pass, swallow, replace };
  Action action = Action::pass;
  QString replacement;  // the text typed instead, for replace
};

// Hooks a text box widget calls into; the form window fills them in.
struct TextBoxHooks {
  std::function<KeyOutcome(const QKeyEvent&)> key;
  std::function<void()> got_focus;
  std::function<void()> lost_focus;
  std::function<void()> double_click;
};

// A one-line text box shows its whole text: a text wider than the box is drawn in a
// smaller font, down to 8 pixels, and only beyond that does it end in a visible ellipsis
// while the box is not being typed in (a cut "-16.000" would read as another number).
class LineTextBox : public QLineEdit {
 public:
  explicit LineTextBox(QWidget* parent);
  TextBoxHooks hooks;

  // The pixel size of the font the text is drawn in.
  [[nodiscard]] int shown_font_pixels() const;
  // Whether the whole text fits the box in that font.
  [[nodiscard]] bool shows_whole_text() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void fit_text();
  [[nodiscard]] int text_room() const;
  bool fitting_ = false;
};

class MultiLineTextBox : public QPlainTextEdit {
 public:
  explicit MultiLineTextBox(QWidget* parent) : QPlainTextEdit(parent) {}
  TextBoxHooks hooks;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

// Check boxes and option buttons answer a click anywhere on the control, not only on the box
// and the caption's text.
class CheckBoxWidget : public QCheckBox {
 public:
  explicit CheckBoxWidget(QWidget* parent) : QCheckBox(parent) {}

 protected:
  [[nodiscard]] bool hitButton(const QPoint& point) const override {
    return rect().contains(point);
  }
};

class OptionButtonWidget : public QRadioButton {
 public:
  explicit OptionButtonWidget(QWidget* parent) : QRadioButton(parent) {}

 protected:
  [[nodiscard]] bool hitButton(const QPoint& point) const override {
    return rect().contains(point);
  }
};

// A command button. One designed as a picture button, with neither caption nor picture to
// show, would be a blank square: it shows its tool tip in small print instead.
class CommandButtonWidget : public QPushButton {
 public:
  explicit CommandButtonWidget(QWidget* parent) : QPushButton(parent) {}
  // Whether the tool tip stands in for the caption now.
  [[nodiscard]] bool shows_tool_tip() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A frame as the desktop draws it: one face colour inside and out, an etched border, and
// the caption set into the top edge. The style's own group box panel would show the
// controls on it as patches of another shade.
class FrameWidget : public QGroupBox {
 public:
  explicit FrameWidget(QWidget* parent) : QGroupBox(parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class ClickLabel : public QLabel {
 public:
  explicit ClickLabel(QWidget* parent) : QLabel(parent) {}
  std::function<void()> on_click;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
};

class ShapeWidget : public QWidget {
 public:
  explicit ShapeWidget(QWidget* parent);
  void show_shape(const ui::Shape& shape);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ui::Shape::Kind kind_ = ui::Shape::Kind::rectangle;
  bool filled_ = false;
  QColor fill_;
  QColor border_;
};

// A line covers the rectangle between its end points; it places itself.
class LineWidget : public QWidget {
 public:
  explicit LineWidget(QWidget* parent);
  void show_line(const ui::Line& line);
  [[nodiscard]] QPoint from() const { return from_; }
  [[nodiscard]] QPoint to() const { return to_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPoint from_, to_;  // in the widget's own pixels
  QColor colour_;
};

// A picture box drawn by the front-end: background and picture, scaled down to fit.
class PictureWidget : public QWidget {
 public:
  explicit PictureWidget(QWidget* parent);
  void show_picture(const ui::Picture& picture);
  void set_background(const QColor& colour);
  [[nodiscard]] bool has_picture() const { return !picture_.isNull(); }

  // kind: 0 press, 1 move, 2 release; the front-end maps the point into the box's scale.
  std::function<void(int kind, const QMouseEvent& event)> on_mouse;
  std::function<void()> on_click;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QPixmap picture_;
  QColor background_;
};

}  // namespace gui
