#pragma once
// The cell-block modifier: one window for all thirteen table grids that multiplies,
// divides, offsets or sets every cell of the block last selected in one of them. It works
// on the cell texts only; each cell written runs the grid's own change handling, so it
// turns yellow and goes to the controller with the owning window's Update.

#include "model/basic_types.hpp"
#include "ui/ui.hpp"

namespace ecu {

class FrmCellblockModifierForm : public ui::Form {
 public:
  FrmCellblockModifierForm();

  // Operation codes, the index of cell_operation.
  enum Operation {
    cancel = 0,
    multiply_block = 1,
    add_block = 2,
    set_all = 3,
    subtract_block = 4,
    divide_block = 5
  };

  ui::TextBox multiply{*this, "multiply"};  // operand of Multiply and Divide
  ui::TextBox Add{*this, "Add"};            // operand of Add and Subtract
  ui::TextBox set_value{*this, "set_value"};
  ui::Label Label1{*this, "Label1"};
  ui::ControlArray<ui::CommandButton> cell_operation{*this, "cell_operation", 6};

  // Applies operation `index` to the block named by the selection variables, read now.
  void cell_operation_Click(int index);
};

inline ui::FormInstance<FrmCellblockModifierForm> frm_cellblock_modifier;

// Shows the modifier (modeless, centred), creating it on first use.
void show_cellblock_modifier();

// The grid of a block table code, nullptr for a code that names no grid (5, or outside 0..13).
ui::Grid* block_grid(Integer table_code);

}  // namespace ecu
