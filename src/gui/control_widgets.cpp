#include "gui/control_widgets.hpp"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <algorithm>

#include "gui/convert.hpp"
#include "gui/rich/rich_support.hpp"

namespace gui {

namespace {

// Focus that moves because another window (a message box, a menu) came up is no change of
// control within the window: the model is not told.
bool moves_within_window(const QFocusEvent& event) {
  return event.reason() != Qt::ActiveWindowFocusReason && event.reason() != Qt::PopupFocusReason;
}

constexpr int kFaceMarginPixels = 2;

void tell_focus_change(const QFocusEvent& event, const std::function<void()>& hook) {
  if (moves_within_window(event) && hook) hook();
}

// Lets the model's key handlers see the key first; false when the widget should take it.
// `insert` types a replacement text into a box that is not read-only.
template <typename Insert>
bool key_taken_by_model(const TextBoxHooks& hooks, QKeyEvent& event, Insert insert) {
  const KeyOutcome outcome = hooks.key ? hooks.key(event) : KeyOutcome{};
  switch (outcome.action) {
    case KeyOutcome::Action::swallow:
      event.accept();
      return true;
    case KeyOutcome::Action::replace:
      insert(outcome.replacement);
      event.accept();
      return true;
    case KeyOutcome::Action::pass:
      break;
  }
  return false;
}

}  // namespace

namespace {

constexpr int kSmallestTextPixels = 8;
// The room QLineEdit keeps on each side of its text, inside the frame.
constexpr int kLineEditTextMargin = 2;

}  // namespace

LineTextBox::LineTextBox(QWidget* parent) : QLineEdit(parent) {
  connect(this, &QLineEdit::textChanged, this, [this] { fit_text(); });
}

int LineTextBox::text_room() const {
  const int frame =
      hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) : 0;
  const QMargins margins = textMargins();
  // The caret takes a pixel at the end of the text.
  return width() - 2 * frame - 2 * kLineEditTextMargin - margins.left() - margins.right() - 1;
}

void LineTextBox::fit_text() {
  if (fitting_) return;
  fitting_ = true;
  // The window's font, as the box would inherit it, is the one it is designed for.
  QFont fitted = parentWidget() != nullptr ? parentWidget()->font() : font();
  const int room = text_room();
  for (int pixels = QFontInfo(fitted).pixelSize();
       pixels > kSmallestTextPixels && QFontMetrics(fitted).horizontalAdvance(text()) > room;
       --pixels) {
    fitted.setPixelSize(pixels - 1);
  }
  if (fitted != font()) setFont(fitted);
  fitting_ = false;
}

int LineTextBox::shown_font_pixels() const {
  return QFontInfo(font()).pixelSize();
}

bool LineTextBox::shows_whole_text() const {
  return fontMetrics().horizontalAdvance(text()) <= text_room();
}

void LineTextBox::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  fit_text();
}

void LineTextBox::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  if (event->type() == QEvent::ParentChange || event->type() == QEvent::StyleChange) fit_text();
}

void LineTextBox::paintEvent(QPaintEvent* event) {
  QLineEdit::paintEvent(event);
  if (hasFocus() || shows_whole_text()) return;
  // Even the smallest font cannot show it all: an ellipsis at the end says so.
  QPainter painter(this);
  const QString mark(QChar(0x2026));
  const int mark_width = fontMetrics().horizontalAdvance(mark) + 1;
  const QRect inner = contentsRect().adjusted(kLineEditTextMargin, 1, -kLineEditTextMargin, -1);
  const QRect area(inner.right() - mark_width + 1, inner.top(), mark_width, inner.height());
  painter.fillRect(area, palette().color(QPalette::Base));
  painter.setPen(palette().color(QPalette::Text));
  painter.drawText(area, Qt::AlignCenter, mark);
}

void LineTextBox::keyPressEvent(QKeyEvent* event) {
  const bool taken = key_taken_by_model(hooks, *event, [this](const QString& text) {
    if (!isReadOnly()) insert(text);
  });
  if (!taken) QLineEdit::keyPressEvent(event);
}

void LineTextBox::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  tell_focus_change(*event, hooks.got_focus);
}

void LineTextBox::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  tell_focus_change(*event, hooks.lost_focus);
}

void LineTextBox::mouseDoubleClickEvent(QMouseEvent* event) {
  QLineEdit::mouseDoubleClickEvent(event);
  if (hooks.double_click) hooks.double_click();
}

void MultiLineTextBox::keyPressEvent(QKeyEvent* event) {
  const bool taken = key_taken_by_model(hooks, *event, [this](const QString& text) {
    if (!isReadOnly()) insertPlainText(text);
  });
  if (!taken) QPlainTextEdit::keyPressEvent(event);
}

void MultiLineTextBox::focusInEvent(QFocusEvent* event) {
  QPlainTextEdit::focusInEvent(event);
  tell_focus_change(*event, hooks.got_focus);
}

void MultiLineTextBox::focusOutEvent(QFocusEvent* event) {
  QPlainTextEdit::focusOutEvent(event);
  tell_focus_change(*event, hooks.lost_focus);
}

bool CommandButtonWidget::shows_tool_tip() const {
  return text().isEmpty() && icon().isNull() && !toolTip().isEmpty();
}

void CommandButtonWidget::paintEvent(QPaintEvent* event) {
  QPushButton::paintEvent(event);
  if (!shows_tool_tip()) return;
  QPainter painter(this);
  const QRect area =
      rect().adjusted(kFaceMarginPixels, kFaceMarginPixels, -kFaceMarginPixels, -kFaceMarginPixels);
  if (area.isEmpty()) return;
  const int flags = Qt::AlignCenter | Qt::TextWordWrap;
  // Narrower letters before smaller ones, so a long word keeps a legible height.
  struct FaceFont {
    int pixels;
    int stretch;
  };
  constexpr FaceFont kFaceFonts[] = {{10, QFont::Unstretched}, {9, QFont::Unstretched},
                                     {10, QFont::Condensed},   {9, QFont::Condensed},
                                     {8, QFont::Unstretched},  {8, QFont::Condensed},
                                     {7, QFont::Condensed}};
  QFont face_font = font();
  for (const FaceFont& candidate : kFaceFonts) {
    face_font.setPixelSize(candidate.pixels);
    face_font.setStretch(candidate.stretch);
    if (area.contains(QFontMetrics(face_font).boundingRect(area, flags, toolTip()))) break;
  }
  painter.setFont(face_font);
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  // Text that still does not fit is cut at the face's edge rather than drawn over the frame.
  painter.setClipRect(area);
  painter.drawText(area, flags, toolTip());
}

void FrameWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QFontMetrics metrics(font());
  const QString caption = title();
  // The border runs through the middle of the caption's line.
  const int border_top = caption.isEmpty() ? 0 : metrics.height() / 2;
  const QRect border = rect().adjusted(0, border_top, -2, -2);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawRect(border);
  painter.setPen(palette().color(QPalette::Light));
  painter.drawRect(border.translated(1, 1));
  if (caption.isEmpty()) return;
  const int text_flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic;
  const QRect caption_area(6, 0, metrics.horizontalAdvance(caption) + 6, metrics.height());
  painter.fillRect(caption_area, palette().color(QPalette::Window));
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  painter.drawText(caption_area.adjusted(3, 0, 0, 0), text_flags, caption);
}

void ClickLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  // A click is a press and a release over the label, as for a button.
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  QLabel::mouseReleaseEvent(event);
  if (click && on_click) on_click();
}

ShapeWidget::ShapeWidget(QWidget* parent) : QWidget(parent) {
  // A shape is drawn on its container: clicks go to what is beneath it.
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeWidget::show_shape(const ui::Shape& shape) {
  kind_ = shape.shape();
  filled_ = shape.fill_style() == 0;
  fill_ = to_qcolor(shape.fill_colour());
  border_ = to_qcolor(shape.border_colour());
  update();
}

void ShapeWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing,
                        kind_ != ui::Shape::Kind::rectangle && kind_ != ui::Shape::Kind::square);
  painter.setPen(QPen(border_, 1));
  painter.setBrush(filled_ ? QBrush(fill_) : QBrush(Qt::NoBrush));
  // The border lies inside the control's rectangle.
  QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const bool equal_sides = kind_ == ui::Shape::Kind::square || kind_ == ui::Shape::Kind::circle ||
                           kind_ == ui::Shape::Kind::rounded_square;
  if (equal_sides) {
    const double side = std::min(area.width(), area.height());
    area = QRectF(area.center().x() - side / 2, area.center().y() - side / 2, side, side);
  }
  switch (kind_) {
    case ui::Shape::Kind::rectangle:
    case ui::Shape::Kind::square:
      painter.drawRect(area);
      break;
    case ui::Shape::Kind::oval:
    case ui::Shape::Kind::circle:
      painter.drawEllipse(area);
      break;
    case ui::Shape::Kind::rounded_rectangle:
    case ui::Shape::Kind::rounded_square: {
      const double radius = std::min(area.width(), area.height()) / 6.0;
      painter.drawRoundedRect(area, radius, radius);
      break;
    }
  }
}

LineWidget::LineWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineWidget::show_line(const ui::Line& line) {
  const QPoint start = QPoint(rich::twips_to_pixels(line.x1()), rich::twips_to_pixels(line.y1()));
  const QPoint end = QPoint(rich::twips_to_pixels(line.x2()), rich::twips_to_pixels(line.y2()));
  const QPoint top_left(std::min(start.x(), end.x()), std::min(start.y(), end.y()));
  // One pixel more each way, so a horizontal or vertical line still has an area to draw in.
  const QSize size(std::abs(end.x() - start.x()) + 1, std::abs(end.y() - start.y()) + 1);
  from_ = start - top_left;
  to_ = end - top_left;
  colour_ = to_qcolor(line.border_colour());
  setGeometry(QRect(top_left, size));
  update();
}

void LineWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setPen(QPen(colour_, 1));
  painter.drawLine(from_, to_);
}

PictureWidget::PictureWidget(QWidget* parent) : QWidget(parent) {}

void PictureWidget::show_picture(const ui::Picture& picture) {
  const std::string& bytes = picture.bytes();
  picture_ = QPixmap();
  if (!bytes.empty()) {
    picture_.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                          static_cast<uint>(bytes.size()));
  }
  update();
}

void PictureWidget::set_background(const QColor& colour) {
  background_ = colour;
  update();
}

void PictureWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), background_);
  if (picture_.isNull()) return;
  QSize shown = picture_.size();
  if (shown.width() > width() || shown.height() > height()) {
    shown.scale(size(), Qt::KeepAspectRatio);
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawPixmap(QRect(QPoint(0, 0), shown), picture_);
}

void PictureWidget::mousePressEvent(QMouseEvent* event) {
  if (on_mouse) on_mouse(0, *event);
}

void PictureWidget::mouseMoveEvent(QMouseEvent* event) {
  if (on_mouse) on_mouse(1, *event);
}

void PictureWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (on_mouse) on_mouse(2, *event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
      on_click) {
    on_click();
  }
}

}  // namespace gui
