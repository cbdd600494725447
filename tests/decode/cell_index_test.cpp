#include "decode/cell_index.hpp"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace ecu {
namespace {

struct CellCase {
  Integer index;
  Integer row;
  Integer col;
};

TEST(MapCellIndex, FillsEachColumnFromTheBottomRowUp) {
  const CellCase cases[] = {{0, 16, 1}, {15, 1, 1}, {16, 16, 2}, {35, 13, 3}, {255, 1, 16}};
  for (const CellCase& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(map_cell_row(c.index), c.row);
    EXPECT_EQ(map_cell_col(c.index), c.col);
  }
}

TEST(TableCellIndex, FillsEachColumnFromTheBottomRowUp) {
  const CellCase cases[] = {{0, 9, 1}, {8, 1, 1}, {9, 9, 2}, {40, 5, 5}, {80, 1, 9}};
  for (const CellCase& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(table_cell_row(c.index), c.row);
    EXPECT_EQ(table_cell_col(c.index), c.col);
  }
}

TEST(CellIndex, GivesEveryByteOfATableItsOwnDataCell) {
  struct Shape {
    int size;
    Integer (*row)(Integer);
    Integer (*col)(Integer);
  };
  for (const Shape& shape :
       {Shape{16, map_cell_row, map_cell_col}, Shape{9, table_cell_row, table_cell_col}}) {
    std::set<std::pair<int, int>> cells;
    for (int i = 0; i < shape.size * shape.size; ++i) {
      const int row = shape.row(static_cast<Integer>(i));
      const int col = shape.col(static_cast<Integer>(i));
      EXPECT_GE(row, 1);
      EXPECT_LE(row, shape.size);
      EXPECT_GE(col, 1);
      EXPECT_LE(col, shape.size);
      cells.insert({row, col});
    }
    EXPECT_EQ(cells.size(), static_cast<std::size_t>(shape.size * shape.size));
  }
}

TEST(CellIndex, NegativeIndexFallsOutsideTheDataCells) {
  // The remainder keeps the index's sign, the column rounds down: row 17, column 0.
  EXPECT_EQ(map_cell_row(-1), 17);
  EXPECT_EQ(map_cell_col(-1), 0);
  EXPECT_EQ(table_cell_row(-1), 10);
  EXPECT_EQ(table_cell_col(-1), 0);
}

}  // namespace
}  // namespace ecu
