#include "ui/grid.hpp"

#include <algorithm>

namespace ui {

namespace {
constexpr float kDefaultColumnWidth = 600;
constexpr float kDefaultRowHeight = 255;
}  // namespace

Grid::Grid(Form& form, std::string name, int rows, int cols, int index)
    : Control(form, ControlKind::grid, std::move(name), index), rows_(0), cols_(0) {
  set_back_colour(colours::white);
  resize(rows, cols);
}

void Grid::resize(int rows, int cols) {
  rows = std::max(1, rows);
  cols = std::max(1, cols);
  std::vector<Cell> cells(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
  for (int row = 0; row < std::min(rows, rows_); ++row) {
    for (int col = 0; col < std::min(cols, cols_); ++col) {
      cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(cols) +
            static_cast<std::size_t>(col)] = std::move(cells_[slot(row, col)]);
    }
  }
  // Header cells wear the face colour of a button, data cells are white.
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < cols; ++col) {
      if ((row >= rows_ || col >= cols_) && (row == 0 || col == 0)) {
        cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(cols) +
              static_cast<std::size_t>(col)]
            .back = colours::button_face;
      }
    }
  }
  cells_ = std::move(cells);
  column_widths_.resize(static_cast<std::size_t>(cols), kDefaultColumnWidth);
  row_heights_.resize(static_cast<std::size_t>(rows), kDefaultRowHeight);
  rows_ = rows;
  cols_ = cols;
  active_row_ = std::min(active_row_, rows_ - 1);
  active_col_ = std::min(active_col_, cols_ - 1);
  changed(Property::layout);
}

bool Grid::contains(int row, int col) const {
  return row >= 0 && row < rows_ && col >= 0 && col < cols_;
}

std::size_t Grid::slot(int row, int col) const {
  return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) +
         static_cast<std::size_t>(col);
}

const std::string& Grid::cell_text(int row, int col) const {
  static const std::string none;
  return contains(row, col) ? cells_[slot(row, col)].text : none;
}

void Grid::set_cell_text(int row, int col, std::string text) {
  if (!contains(row, col)) return;
  auto& cell = cells_[slot(row, col)];
  if (cell.text == text) return;
  cell.text = std::move(text);
  changed(Property::cells);
  raise_event(on_cell_change, row, col);
}

void Grid::write_cell_text(int row, int col, std::string text) {
  if (!contains(row, col)) return;
  auto& cell = cells_[slot(row, col)];
  if (cell.text != text) {
    cell.text = std::move(text);
    changed(Property::cells);
  }
  raise_event(on_cell_change, row, col);
}

Colour Grid::cell_back_colour(int row, int col) const {
  return contains(row, col) ? cells_[slot(row, col)].back : colours::white;
}

void Grid::set_cell_back_colour(int row, int col, Colour colour) {
  if (!contains(row, col)) return;
  auto& cell = cells_[slot(row, col)];
  if (cell.back == colour) return;
  cell.back = colour;
  changed(Property::cells);
}

Colour Grid::cell_fore_colour(int row, int col) const {
  return contains(row, col) ? cells_[slot(row, col)].fore : colours::black;
}

void Grid::set_cell_fore_colour(int row, int col, Colour colour) {
  if (!contains(row, col)) return;
  auto& cell = cells_[slot(row, col)];
  if (cell.fore == colour) return;
  cell.fore = colour;
  changed(Property::cells);
}

float Grid::column_width(int col) const {
  return col >= 0 && col < cols_ ? column_widths_[static_cast<std::size_t>(col)] : 0;
}

void Grid::set_column_width(int col, float width) {
  if (col < 0 || col >= cols_) return;
  column_widths_[static_cast<std::size_t>(col)] = std::max(0.0F, width);
  changed(Property::layout);
}

float Grid::row_height(int row) const {
  return row >= 0 && row < rows_ ? row_heights_[static_cast<std::size_t>(row)] : 0;
}

void Grid::set_row_height(int row, float height) {
  if (row < 0 || row >= rows_) return;
  row_heights_[static_cast<std::size_t>(row)] = std::max(0.0F, height);
  changed(Property::layout);
}

void Grid::set_active_cell(int row, int col) {
  if (!contains(row, col)) return;
  if (row == active_row_ && col == active_col_) return;
  active_row_ = row;
  active_col_ = col;
  changed(Property::value);
}

void Grid::set_mouse_cell(int row, int col) {
  if (!contains(row, col)) row = col = -1;
  mouse_row_ = row;
  mouse_col_ = col;
}

void Grid::set_read_only(bool value) {
  if (value == read_only_) return;
  read_only_ = value;
  changed(Property::enabled);
}

int Grid::key_down(int key_code, int shift) {
  raise_event(on_key_down, key_code, shift);
  return key_code;
}

int Grid::key_press(int key_ascii) {
  raise_event(on_key_press, key_ascii);
  return key_ascii;
}

void Grid::mouse_down(int button, int shift, int row, int col, float x, float y) {
  set_mouse_cell(row, col);
  raise_event(on_mouse_down, button, shift, x, y);
}

void Grid::mouse_up(int button, int shift, int row, int col, float x, float y) {
  set_mouse_cell(row, col);
  raise_event(on_mouse_up, button, shift, x, y);
}

bool Grid::is_cell_key(int key_code, int shift) const {
  return std::find(cell_keys_.begin(), cell_keys_.end(), std::pair{key_code, shift}) !=
         cell_keys_.end();
}

void Grid::commit_edit(int row, int col, std::string text) {
  if (read_only_ || !enabled()) return;
  set_cell_text(row, col, std::move(text));
}

}  // namespace ui
