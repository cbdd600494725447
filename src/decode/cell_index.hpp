#pragma once
// Where byte i of a square calibration table sits in its editor grid. Tables are stored
// column by column, each column from the bottom row up; rows and columns count from 1.

#include "model/basic_types.hpp"

namespace ecu {

// 16 x 16 maps: i from 0 to 255.
Integer map_cell_row(Integer i);
Integer map_cell_col(Integer i);

// 9 x 9 tables: i from 0 to 80.
Integer table_cell_row(Integer i);
Integer table_cell_col(Integer i);

}  // namespace ecu
