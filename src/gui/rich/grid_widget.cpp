#include "gui/rich/grid_widget.hpp"

#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>

#include "gui/rich/rich_support.hpp"
#include "ui/event_loop.hpp"

namespace gui::rich {

namespace {
constexpr int kTextMargin = 3;
// A text too wide for its cell comes this close to the cell's lines before it shrinks: a
// 38 pixel map cell then shows 100.000 whole.
constexpr int kNarrowTextMargin = 2;
// A cell's text shrinks to this size at most before its end is cut.
constexpr int kSmallestCellFontPixels = 8;
// Cell positions stop growing here, so that no sum of sizes can overflow.
constexpr int kMaxExtent = 1 << 26;

bool is_navigation_key(int key_code) {
  return key_code == 9 || (key_code >= 33 && key_code <= 40);
}

// The cell editor. Every key reaching it was offered to the grid's handlers first (through
// the grid's event filter), so a key it has no use for goes no further: passed back up to
// the grid, it would be handed to the editor again, without end.
class CellEditor : public QLineEdit {
 public:
  explicit CellEditor(QWidget* parent) : QLineEdit(parent) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    QLineEdit::keyPressEvent(event);
    event->accept();
  }
};

// Whether the open editor may act on a key the handlers left alone. With Ctrl or Alt held
// (not both: that is AltGr) only its editing keys count; Alt+X must not type an "x".
bool editor_may_take(const QKeyEvent& event) {
  const bool ctrl = event.modifiers().testFlag(Qt::ControlModifier);
  const bool alt = event.modifiers().testFlag(Qt::AltModifier);
  if (ctrl == alt) return true;
  static constexpr QKeySequence::StandardKey kEditingKeys[] = {
      QKeySequence::Copy,
      QKeySequence::Cut,
      QKeySequence::Paste,
      QKeySequence::Undo,
      QKeySequence::Redo,
      QKeySequence::SelectAll,
      QKeySequence::DeleteStartOfWord,
      QKeySequence::DeleteEndOfWord,
      QKeySequence::MoveToNextWord,
      QKeySequence::MoveToPreviousWord,
      QKeySequence::SelectNextWord,
      QKeySequence::SelectPreviousWord,
  };
  return std::any_of(std::begin(kEditingKeys), std::end(kEditingKeys),
                     [&event](QKeySequence::StandardKey key) { return event.matches(key); });
}
}  // namespace

GridWidget::GridWidget(ui::Grid& grid, QWidget* parent)
    : QWidget(parent), grid_(grid), editor_(new CellEditor(this)) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  editor_->setFrame(false);
  editor_->hide();
  editor_->installEventFilter(this);
  rebuild();
}

std::size_t GridWidget::slot(int row, int col) const {
  return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) +
         static_cast<std::size_t>(col);
}

bool GridWidget::is_data_cell(int row, int col) const {
  return row >= 1 && row < rows_ && col >= 1 && col < cols_;
}

GridWidget::Cell GridWidget::read_cell(int row, int col) const {
  const std::string& text = grid_.cell_text(row, col);
  return {text, to_qstring(text), grid_.cell_back_colour(row, col),
          grid_.cell_fore_colour(row, col)};
}

void GridWidget::rebuild() {
  rows_ = grid_.rows();
  cols_ = grid_.cols();
  cells_.clear();
  cells_.reserve(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols_));
  for (int row = 0; row < rows_; ++row) {
    for (int col = 0; col < cols_; ++col) cells_.push_back(read_cell(row, col));
  }
  col_left_.assign(static_cast<std::size_t>(cols_), 0);
  col_width_.assign(static_cast<std::size_t>(cols_), 0);
  row_top_.assign(static_cast<std::size_t>(rows_), 0);
  row_height_.assign(static_cast<std::size_t>(rows_), 0);
  int x = 0;
  for (int col = 0; col < cols_; ++col) {
    const auto i = static_cast<std::size_t>(col);
    col_left_[i] = x;
    col_width_[i] = std::max(0, twips_to_pixels(grid_.column_width(col)));
    x = std::min(x + col_width_[i], kMaxExtent);
  }
  int y = 0;
  for (int row = 0; row < rows_; ++row) {
    const auto i = static_cast<std::size_t>(row);
    row_top_[i] = y;
    row_height_[i] = std::max(0, twips_to_pixels(grid_.row_height(row)));
    y = std::min(y + row_height_[i], kMaxExtent);
  }
  grid_colour_ = grid_.grid_colour();
  active_row_ = grid_.active_row();
  active_col_ = grid_.active_col();
  if (editing_) {
    if (cell_rect(edit_row_, edit_col_).isEmpty()) {
      cancel_edit();
    } else {
      place_editor();
    }
  }
  update();
}

void GridWidget::sync_cells() {
  if (grid_.rows() != rows_ || grid_.cols() != cols_) {
    rebuild();
    return;
  }
  // Called once per cell written, so compare in place and convert only what changed.
  for (int row = 0; row < rows_; ++row) {
    for (int col = 0; col < cols_; ++col) {
      Cell& cell = cells_[slot(row, col)];
      const std::string& text = grid_.cell_text(row, col);
      const ui::Colour back = grid_.cell_back_colour(row, col);
      const ui::Colour fore = grid_.cell_fore_colour(row, col);
      if (text == cell.text && back == cell.back && fore == cell.fore) continue;
      if (text != cell.text) {
        cell.text = text;
        cell.shown = to_qstring(text);
      }
      cell.back = back;
      cell.fore = fore;
      update_cell(row, col);
    }
  }
}

void GridWidget::sync_active() {
  const int row = grid_.active_row();
  const int col = grid_.active_col();
  if (row == active_row_ && col == active_col_) return;
  update_cell(active_row_, active_col_);
  active_row_ = row;
  active_col_ = col;
  update_cell(active_row_, active_col_);
}

void GridWidget::update_cell(int row, int col) {
  const QRect rect = cell_rect(row, col);
  if (!rect.isEmpty()) update(rect.adjusted(-1, -1, 1, 1));
}

void GridWidget::refresh(ui::Property what) {
  apply_common(*this, grid_, what);
  switch (what) {
    case ui::Property::everything:
    case ui::Property::layout:
      rebuild();
      break;
    case ui::Property::cells:
      sync_cells();
      break;
    case ui::Property::value:
      sync_active();
      break;
    case ui::Property::enabled:
      if (editing_ && !can_edit()) cancel_edit();
      break;
    case ui::Property::colours:
      update();
      break;
    default:
      break;
  }
}

QRect GridWidget::cell_rect(int row, int col) const {
  if (row < 0 || row >= rows_ || col < 0 || col >= cols_) return {};
  const auto r = static_cast<std::size_t>(row);
  const auto c = static_cast<std::size_t>(col);
  if (row_height_[r] == 0 || col_width_[c] == 0) return {};
  return {col_left_[c], row_top_[r], col_width_[c], row_height_[r]};
}

int GridWidget::row_at(int y) const {
  if (y < 0 || y >= height()) return -1;
  for (int row = 0; row < rows_; ++row) {
    const auto r = static_cast<std::size_t>(row);
    if (y >= row_top_[r] && y < row_top_[r] + row_height_[r]) return row;
  }
  return -1;
}

int GridWidget::col_at(int x) const {
  if (x < 0 || x >= width()) return -1;
  for (int col = 0; col < cols_; ++col) {
    const auto c = static_cast<std::size_t>(col);
    if (x >= col_left_[c] && x < col_left_[c] + col_width_[c]) return col;
  }
  return -1;
}

bool GridWidget::can_edit() const {
  return isEnabled() && grid_.enabled() && !grid_.read_only() &&
         is_data_cell(active_row_, active_col_) && !cell_rect(active_row_, active_col_).isEmpty();
}

GridWidget::FittedText GridWidget::fit_text(const QString& text, int cell_width) const {
  // Right-aligned text wider than its cell would lose its front, a minus sign first: it
  // takes narrower margins, then a smaller font, and only then the end gives way to an
  // ellipsis.
  QFont shrunk = font();
  if (QFontMetrics(shrunk).horizontalAdvance(text) <= cell_width - 2 * kTextMargin) {
    return {shrunk, text, kTextMargin};
  }
  const int room = cell_width - 2 * kNarrowTextMargin;
  if (QFontMetrics(shrunk).horizontalAdvance(text) <= room) {
    return {shrunk, text, kNarrowTextMargin};
  }
  for (int pixels = QFontInfo(shrunk).pixelSize() - 1; pixels >= kSmallestCellFontPixels;
       --pixels) {
    shrunk.setPixelSize(pixels);
    if (QFontMetrics(shrunk).horizontalAdvance(text) <= room) {
      return {shrunk, text, kNarrowTextMargin};
    }
  }
  return {shrunk, QFontMetrics(shrunk).elidedText(text, Qt::ElideRight, std::max(0, room)),
          kNarrowTextMargin};
}

QString GridWidget::shown_text(int row, int col) const {
  const QRect rect = cell_rect(row, col);
  if (rect.isEmpty()) return {};
  return fit_text(cells_[slot(row, col)].shown, rect.width()).text;
}

int GridWidget::shown_font_pixels(int row, int col) const {
  const QRect rect = cell_rect(row, col);
  if (rect.isEmpty()) return 0;
  return QFontInfo(fit_text(cells_[slot(row, col)].shown, rect.width()).font).pixelSize();
}

void GridWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect dirty = event->rect();
  painter.fillRect(dirty, to_qcolor(grid_.back_colour()));
  const QColor line_colour = to_qcolor(grid_colour_);
  for (int row = 0; row < rows_; ++row) {
    for (int col = 0; col < cols_; ++col) {
      const QRect rect = cell_rect(row, col);
      if (rect.isEmpty() || !rect.intersects(dirty)) continue;
      const Cell& cell = cells_[slot(row, col)];
      painter.fillRect(rect, to_qcolor(cell.back));
      if (!cell.shown.isEmpty()) {
        painter.setPen(to_qcolor(cell.fore));
        const bool header = row == 0 || col == 0;
        const FittedText fitted = fit_text(cell.shown, rect.width());
        const QRect text_area = rect.adjusted(fitted.margin, 0, -fitted.margin, -1);
        painter.setFont(fitted.font);
        painter.drawText(text_area, (header ? Qt::AlignCenter : Qt::AlignRight | Qt::AlignVCenter),
                         fitted.text);
      }
      painter.setPen(line_colour);
      painter.drawLine(rect.topRight(), rect.bottomRight());
      painter.drawLine(rect.bottomLeft(), rect.bottomRight());
      if (col == 0) painter.drawLine(rect.topLeft(), rect.bottomLeft());
      if (row == 0) painter.drawLine(rect.topLeft(), rect.topRight());
    }
  }
  if (drag_row_ >= 0 && (drag_row_ != active_row_ || drag_col_ != active_col_)) {
    const QRect block = cell_rect(active_row_, active_col_).united(cell_rect(drag_row_, drag_col_));
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.drawRect(block.adjusted(0, 0, -1, -1));
  }
  const QRect active = cell_rect(active_row_, active_col_);
  if (!active.isEmpty() && is_data_cell(active_row_, active_col_)) {
    painter.setPen(QPen(Qt::black, 2));
    painter.drawRect(QRectF(active).adjusted(1, 1, -2, -2));
  }
}

bool GridWidget::event(QEvent* event) {
  // Tab moves between cells, as in a spreadsheet; only from the last cell does it leave.
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      const QPointer<GridWidget> alive(this);
      key->accept();
      keyPressEvent(key);
      if (alive && !key->isAccepted()) {
        focusNextPrevChild(key->key() == Qt::Key_Tab &&
                           !key->modifiers().testFlag(Qt::ShiftModifier));
      }
      return true;
    }
  }
  return QWidget::event(event);
}

void GridWidget::keyPressEvent(QKeyEvent* event) {
  // A key sent to the grid while its editor is open belongs to the editor, which passes
  // nothing back.
  if (editing_) {
    QCoreApplication::sendEvent(editor_, event);
    return;
  }
  if (!deliver_key(*event)) event->ignore();
}

bool GridWidget::deliver_key(QKeyEvent& event) {
  const QPointer<GridWidget> alive(this);
  const int shift = shift_mask(event.modifiers());
  const int original = virtual_key(event);
  int code = original;
  if (editing_ && original != 0 && grid_.is_cell_key(original, shift)) {
    commit_edit();
    if (!alive) return true;
  }
  if (original != 0) {
    code = grid_.key_down(original, shift);
    if (!alive || code == 0) return true;
  }
  // A replaced key never reaches the editor as the key the user pressed.
  bool used = code != original;
  if (code != 0 && act_on_key(code, shift)) used = true;
  if (!alive) return true;
  const int typed = typed_character(event);
  if (typed == 0) return used;
  const int character = grid_.key_press(typed);
  if (!alive || character == 0) return true;
  if (act_on_character(character, character != typed)) used = true;
  if (!alive) return true;
  return used || character != typed;
}

bool GridWidget::act_on_key(int key_code, int shift) {
  // A key that ends an edit and moves on does both before any other input.
  const ui::EventLoop::HoldingInput holding(ui::event_loop());
  const QPointer<GridWidget> alive(this);
  const bool was_editing = editing_;
  if (editing_) {
    if (key_code == 113) {
      // F2 in an edit hands the caret keys to the text, as F2 on a cell does.
      caret_mode_ = true;
      return true;
    }
    if (key_code == 27) {
      cancel_edit();
      return true;
    }
    if (key_code == 13) {
      commit_edit();
      return true;
    }
    if (!is_navigation_key(key_code)) return false;
    // In caret mode the caret keys stay with the editor.
    if (caret_mode_ && (key_code == 37 || key_code == 39 || key_code == 35 || key_code == 36)) {
      return false;
    }
    commit_edit();
    if (!alive) return true;
  }
  switch (key_code) {
    case 37:
      move_active(0, -1);
      return true;
    case 39:
      move_active(0, 1);
      return true;
    case 38:
      move_active(-1, 0);
      return true;
    case 40:
      move_active(1, 0);
      return true;
    case 9:
      return move_active(0, (shift & 1) != 0 ? -1 : 1) || was_editing;
    case 33:
      move_active_to(next_visible_row(0, 1), active_col_);
      return true;
    case 34:
      move_active_to(next_visible_row(rows_, -1), active_col_);
      return true;
    case 36:
      move_active_to(active_row_, next_visible_col(0, 1));
      return true;
    case 35:
      move_active_to(active_row_, next_visible_col(cols_, -1));
      return true;
    case 113:
      if (can_edit()) {
        begin_edit(cells_[slot(active_row_, active_col_)].shown, true);
        return true;
      }
      return false;
    default:
      return false;
  }
}

bool GridWidget::act_on_character(int character, bool replaced) {
  // Control characters were the key-down's business; beyond 16 bits no key types anything.
  if (character < 32 || character > 0xFFFF) return false;
  const QString typed = QString(QChar(static_cast<char16_t>(character)));
  if (editing_) {
    if (!replaced) return false;
    editor_->insert(typed);
    return true;
  }
  if (!can_edit()) return false;
  begin_edit(typed, false);
  return true;
}

int GridWidget::next_visible_row(int from, int step) const {
  for (int row = from + step; row >= 1 && row < rows_; row += step) {
    if (row_height_[static_cast<std::size_t>(row)] > 0) return row;
  }
  return -1;
}

int GridWidget::next_visible_col(int from, int step) const {
  for (int col = from + step; col >= 1 && col < cols_; col += step) {
    if (col_width_[static_cast<std::size_t>(col)] > 0) return col;
  }
  return -1;
}

bool GridWidget::move_active(int row_step, int col_step) {
  const int row = row_step == 0 ? active_row_ : next_visible_row(active_row_, row_step);
  const int col = col_step == 0 ? active_col_ : next_visible_col(active_col_, col_step);
  return move_active_to(row, col);
}

bool GridWidget::move_active_to(int row, int col) {
  if (!is_data_cell(row, col)) return false;
  if (dragging_ || drag_row_ >= 0) {
    drag_row_ = drag_col_ = -1;
    update();
  }
  grid_.set_active_cell(row, col);
  sync_active();
  return true;
}

void GridWidget::begin_edit(const QString& text, bool caret_mode) {
  if (!can_edit()) return;
  editing_ = true;
  caret_mode_ = caret_mode;
  edit_row_ = active_row_;
  edit_col_ = active_col_;
  const Cell& cell = cells_[slot(edit_row_, edit_col_)];
  QPalette palette = editor_->palette();
  palette.setColor(QPalette::Base, to_qcolor(cell.back));
  palette.setColor(QPalette::Text, to_qcolor(cell.fore));
  editor_->setPalette(palette);
  editor_->setFont(font());
  editor_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  editor_->setText(text);
  editor_->deselect();
  editor_->end(false);
  place_editor();
  editor_->show();
  editor_->setFocus(Qt::OtherFocusReason);
}

void GridWidget::place_editor() {
  editor_->setGeometry(cell_rect(edit_row_, edit_col_).adjusted(1, 1, -1, -1));
}

void GridWidget::commit_edit() {
  if (!editing_) return;
  // Cleared first: hiding the editor moves the focus, which would commit again.
  editing_ = false;
  const std::string text = to_model_text(editor_->text());
  const int row = edit_row_;
  const int col = edit_col_;
  if (editor_->hasFocus()) setFocus(Qt::OtherFocusReason);
  editor_->hide();
  const QPointer<GridWidget> alive(this);
  const ui::EventLoop::HoldingInput holding(ui::event_loop());
  grid_.commit_edit(row, col, text);
  if (alive) sync_cells();
}

void GridWidget::cancel_edit() {
  if (!editing_) return;
  editing_ = false;
  if (editor_->hasFocus()) setFocus(Qt::OtherFocusReason);
  editor_->hide();
}

bool GridWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched != editor_) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress) {
    // A key that ended the edit was the grid's; the hidden editor does not get it too.
    auto& key = *static_cast<QKeyEvent*>(event);
    const bool used = deliver_key(key);
    return used || !editing_ || !editor_may_take(key);
  }
  if (event->type() == QEvent::FocusOut && editing_) {
    // Another window coming up or a menu opening is no reason to end the edit.
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) commit_edit();
  }
  return false;
}

void GridWidget::mousePressEvent(QMouseEvent* event) {
  // The open edit is committed and the clicked cell made current before any other input.
  const ui::EventLoop::HoldingInput holding(ui::event_loop());
  const QPointer<GridWidget> alive(this);
  if (editing_) {
    commit_edit();
    if (!alive) return;
  }
  const QPoint pos = event->position().toPoint();
  const int row = row_at(pos.y());
  const int col = col_at(pos.x());
  const int button = button_code(event->button());
  if (event->button() == Qt::LeftButton) {
    drag_row_ = drag_col_ = -1;
    if (is_data_cell(row, col)) move_active_to(row, col);
    dragging_ = true;
    update();
  }
  if (button == 0) return;
  grid_.mouse_down(button, shift_mask(event->modifiers()), row, col, pixels_to_twips(pos.x()),
                   pixels_to_twips(pos.y()));
}

void GridWidget::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  const QPoint pos = event->position().toPoint();
  const int row = row_at(pos.y());
  const int col = col_at(pos.x());
  if (!is_data_cell(row, col) || (row == drag_row_ && col == drag_col_)) return;
  drag_row_ = row;
  drag_col_ = col;
  update();
}

void GridWidget::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (event->button() == Qt::LeftButton) dragging_ = false;
  const int button = button_code(event->button());
  if (button == 0) return;
  // The mouse is grabbed while a button is held, so a release off the grid lands here
  // with a point outside it: no cell, -1.
  grid_.mouse_up(button, shift_mask(event->modifiers()), row_at(pos.y()), col_at(pos.x()),
                 pixels_to_twips(pos.x()), pixels_to_twips(pos.y()));
}

void GridWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click is still a press for the handlers.
  const QPointer<GridWidget> alive(this);
  mousePressEvent(event);
  if (!alive) return;
  const QPoint pos = event->position().toPoint();
  const int row = row_at(pos.y());
  const int col = col_at(pos.x());
  if (event->button() != Qt::LeftButton || !is_data_cell(row, col)) return;
  if (row != active_row_ || col != active_col_) move_active_to(row, col);
  if (can_edit()) begin_edit(cells_[slot(row, col)].shown, true);
}

}  // namespace gui::rich
