#pragma once
// A spreadsheet grid drawn from a snapshot of the model, so painting never touches the
// model and a cell written from code costs one comparison per cell, not a relayout.
// Keys go to the model's handlers first; the grid acts only on what they leave.

#include <QLineEdit>
#include <QWidget>
#include <string>
#include <vector>

#include "ui/grid.hpp"

namespace gui::rich {

class GridWidget : public QWidget {
  Q_OBJECT

 public:
  GridWidget(ui::Grid& grid, QWidget* parent);

  void refresh(ui::Property what);

  [[nodiscard]] ui::Grid& grid() const { return grid_; }
  // The cell's rectangle in pixels; empty when the cell is hidden or outside the grid.
  [[nodiscard]] QRect cell_rect(int row, int col) const;
  // The cell under a point, -1 for each coordinate that is over no cell.
  [[nodiscard]] int row_at(int y) const;
  [[nodiscard]] int col_at(int x) const;
  // What a cell shows of its text, and in what font size: the whole text, in a smaller font
  // where it is wide, or its start and an ellipsis.
  [[nodiscard]] QString shown_text(int row, int col) const;
  [[nodiscard]] int shown_font_pixels(int row, int col) const;
  [[nodiscard]] bool editing() const { return editing_; }
  [[nodiscard]] QLineEdit* editor() const { return editor_; }
  // Ends an open edit with the typed text, as leaving the cell does.
  void commit_edit();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Cell {
    std::string text;
    QString shown;
    ui::Colour back = ui::colours::white;
    ui::Colour fore = ui::colours::black;
  };

  struct FittedText {
    QFont font;
    QString text;
    // Room left between the text and each side of the cell.
    int margin;
  };
  // The font, text and margin a cell's text is drawn with so that it fits a cell
  // `cell_width` pixels wide.
  [[nodiscard]] FittedText fit_text(const QString& text, int cell_width) const;
  void rebuild();
  void sync_cells();
  void sync_active();
  [[nodiscard]] Cell read_cell(int row, int col) const;
  [[nodiscard]] std::size_t slot(int row, int col) const;
  [[nodiscard]] bool is_data_cell(int row, int col) const;
  [[nodiscard]] bool can_edit() const;
  void update_cell(int row, int col);

  // Returns whether the key event was used up (not to be passed to the editor).
  bool deliver_key(QKeyEvent& event);
  bool act_on_key(int key_code, int shift);
  bool act_on_character(int character, bool replaced);
  // Each returns whether the active cell moved.
  bool move_active(int row_step, int col_step);
  bool move_active_to(int row, int col);
  [[nodiscard]] int next_visible_row(int from, int step) const;
  [[nodiscard]] int next_visible_col(int from, int step) const;

  void begin_edit(const QString& text, bool caret_mode);
  void cancel_edit();
  void place_editor();

  ui::Grid& grid_;
  int rows_ = 0, cols_ = 0;
  std::vector<Cell> cells_;
  std::vector<int> col_left_, col_width_, row_top_, row_height_;
  int active_row_ = 1, active_col_ = 1;
  ui::Colour grid_colour_ = ui::colours::dark_grey;

  QLineEdit* editor_;
  bool editing_ = false;
  // Started with F2 or a double click: Left and Right move the caret, not the cell.
  bool caret_mode_ = false;
  int edit_row_ = -1, edit_col_ = -1;

  // The far corner of the block dragged out with the left button, outlined until the next
  // press or cell move; -1 when there is none.
  bool dragging_ = false;
  int drag_row_ = -1, drag_col_ = -1;
};

}  // namespace gui::rich
