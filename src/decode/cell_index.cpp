#include "decode/cell_index.hpp"

#include <cmath>

namespace ecu {
namespace {

// The remainder keeps the sign of i and the column rounds down, so a negative index lands
// outside the grid (row above n, column 0 or less) where no cell takes a write.
Integer cell_row(Integer i, int size) {
  return static_cast<Integer>(size - i % size);
}

Integer cell_col(Integer i, int size) {
  return static_cast<Integer>(std::floor(static_cast<double>(i) / size) + 1);
}

}  // namespace

Integer map_cell_row(Integer i) {
  return cell_row(i, 16);
}
Integer map_cell_col(Integer i) {
  return cell_col(i, 16);
}
Integer table_cell_row(Integer i) {
  return cell_row(i, 9);
}
Integer table_cell_col(Integer i) {
  return cell_col(i, 9);
}

}  // namespace ecu
