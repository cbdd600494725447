#pragma once
// A spreadsheet grid: row 0 and column 0 are the headers, data cells start at (1, 1).
// Writing a cell's text from code runs the cell-change handler like an edit does.

#include <utility>
#include <vector>

#include "ui/control.hpp"

namespace ui {

class Grid : public Control {
 public:
  Grid(Form& form, std::string name, int rows, int cols, int index = -1);

  [[nodiscard]] int rows() const { return rows_; }
  [[nodiscard]] int cols() const { return cols_; }
  // Changing the size keeps the cells that still fit.
  void resize(int rows, int cols);
  [[nodiscard]] bool contains(int row, int col) const;

  // Cells outside the grid read as empty white and ignore writes.
  [[nodiscard]] const std::string& cell_text(int row, int col) const;
  void set_cell_text(int row, int col, std::string text);
  // Writes the text and runs the cell-change handler even when the cell already shows it:
  // a block operation, a reset or autotune marks every cell it writes, whatever it showed.
  void write_cell_text(int row, int col, std::string text);
  [[nodiscard]] Colour cell_back_colour(int row, int col) const;
  void set_cell_back_colour(int row, int col, Colour colour);
  [[nodiscard]] Colour cell_fore_colour(int row, int col) const;
  void set_cell_fore_colour(int row, int col, Colour colour);

  // Widths and heights in twips; 0 hides the column or row.
  [[nodiscard]] float column_width(int col) const;
  void set_column_width(int col, float width);
  [[nodiscard]] float row_height(int row) const;
  void set_row_height(int row, float height);

  [[nodiscard]] int active_row() const { return active_row_; }
  [[nodiscard]] int active_col() const { return active_col_; }
  void set_active_cell(int row, int col);
  // The cell under the mouse pointer, -1 when the pointer is over no cell.
  [[nodiscard]] int mouse_row() const { return mouse_row_; }
  [[nodiscard]] int mouse_col() const { return mouse_col_; }
  void set_mouse_cell(int row, int col);

  [[nodiscard]] bool read_only() const { return read_only_; }
  void set_read_only(bool value);
  [[nodiscard]] Colour grid_colour() const { return grid_colour_; }

  std::function<void(int row, int col)> on_cell_change;
  // Key code and shift mask; a handler may replace the key code (0 stops the grid acting).
  std::function<void(int& key_code, int shift)> on_key_down;
  std::function<void(int& key_ascii)> on_key_press;
  std::function<void(int button, int shift, float x, float y)> on_mouse_down;
  std::function<void(int button, int shift, float x, float y)> on_mouse_up;
  std::function<void()> on_click;

  // User actions as a front-end or a test delivers them. Each returns what the handler
  // left of the key, so the front-end acts only on that.
  int key_down(int key_code, int shift);
  int key_press(int key_ascii);
  void mouse_down(int button, int shift, int row, int col, float x = 0, float y = 0);
  void mouse_up(int button, int shift, int row, int col, float x = 0, float y = 0);
  // The user finished editing a cell.
  void commit_edit(int row, int col, std::string text);

  // Keys (code, shift mask) the key-down handler acts on with the cells' texts. A front-end
  // commits an open cell edit before such a key reaches the handler, as a click elsewhere
  // would, so the handler works on what was typed.
  void set_cell_keys(std::vector<std::pair<int, int>> keys) { cell_keys_ = std::move(keys); }
  [[nodiscard]] bool is_cell_key(int key_code, int shift) const;

 private:
  struct Cell {
    std::string text;
    Colour back = colours::white;
    Colour fore = colours::black;
  };
  [[nodiscard]] std::size_t slot(int row, int col) const;

  int rows_, cols_;
  std::vector<Cell> cells_;
  std::vector<float> column_widths_;
  std::vector<float> row_heights_;
  int active_row_ = 1, active_col_ = 1;
  int mouse_row_ = -1, mouse_col_ = -1;
  bool read_only_ = false;
  std::vector<std::pair<int, int>> cell_keys_;
  Colour grid_colour_ = colours::dark_grey;
};

}  // namespace ui
