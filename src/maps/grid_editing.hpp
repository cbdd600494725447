#pragma once
// The editing behaviour every table grid of the console shares: a changed cell turns yellow,
// Shift+Up and Shift+Down step the active cell within the grid's limits, Enter runs the
// owning window's Update, and a block of cells chosen with the mouse (left drag, then right
// click) or the keys (Ctrl+S on one corner, Ctrl+F on the other) is handed to the cell-block
// modifier through the shared block selection variables.
//
// Each grid also keeps the sync state of its data cells beside their colours, so that the
// heat-map colouring can paint every cell and still leave the cells that are not in sync
// with the controller yellow, and so that Update can tell an edit from a value never read.

#include <functional>
#include <string_view>
#include <vector>

#include "model/basic_types.hpp"
#include "ui/ui.hpp"

namespace ecu {

enum class CellSync {
  in_sync,   // as the controller last reported it
  edited,    // changed by the user or the program, not yet written
  unloaded,  // never read from the controller and not edited since: nothing to write
};

// What differs between the table grids, one row per block table code.
struct GridEditRules {
  Integer table_code;
  int size;  // data cells per side: 16 for the maps, 9 for the tables
  Single step;
  bool step_in_afr_unit;  // the step is 0.01 lambda shown in the chosen lambda/AFR unit
  bool has_upper_limit;
  Single upper_limit;
  Single lower_limit;
  std::string_view step_mask;
  // The output and boost grids open the modifier on Ctrl+F only after a valid mouse release.
  bool ctrl_f_needs_valid_selection;
};

// The rules of the grid with this block table code; throws for a code that names no grid.
const GridEditRules& grid_edit_rules(Integer table_code);

// Opens the cell-block modifier on the selection just completed. The modifier window sets
// this when it exists; while it is empty a completed selection only sets the variables.
inline std::function<void()> open_block_modifier;

class GridEditing {
 public:
  // Takes over the grid's cell change, key and mouse events. `update_command` is the owning
  // window's Update; it runs on Enter in the grid.
  GridEditing(ui::Grid& grid, Integer table_code, std::function<void()> update_command);
  GridEditing(const GridEditing&) = delete;
  GridEditing& operator=(const GridEditing&) = delete;

  [[nodiscard]] ui::Grid& grid() const { return grid_; }
  [[nodiscard]] const GridEditRules& rules() const { return rules_; }
  [[nodiscard]] int size() const { return rules_.size; }
  [[nodiscard]] int cell_count() const { return rules_.size * rules_.size; }

  // Grid position of byte i of the table: byte 0 is the bottom cell of column 1.
  [[nodiscard]] int row_of(int i) const { return rules_.size - i % rules_.size; }
  [[nodiscard]] int col_of(int i) const { return i / rules_.size + 1; }

  [[nodiscard]] const std::string& text(int i) const;
  // The sync state of byte i. A cell a decoder has marked white since its last change is in
  // sync: the controller has just reported it.
  [[nodiscard]] CellSync sync(int i) const;
  // Update writes exactly the cells for which this holds.
  [[nodiscard]] bool needs_write(int i) const { return sync(i) == CellSync::edited; }

  // Yellow, but not to be written until it is read or edited.
  void mark_unloaded(int i);
  // White: as the controller reported it (demo values count as reported).
  void mark_in_sync(int i);
  // Fixes every cell's state from its colour before the heat-map colouring repaints it.
  void settle();

  // Runs after a cell change has marked the cell, e.g. to refresh an open graph.
  std::function<void(int row, int col)> after_change;

  // The event handlers, public so a window may forward to them.
  void cell_changed(int row, int col);
  void key_down(int& key_code, int shift);
  void key_press(int& key_ascii);
  void mouse_down(int button);
  void mouse_up(int button);

 private:
  [[nodiscard]] int index_of(int row, int col) const;
  void step_active_cell(bool up);
  void complete_selection(bool open_modifier);

  ui::Grid& grid_;
  const GridEditRules& rules_;
  std::function<void()> update_command_;
  std::vector<CellSync> states_;
};

}  // namespace ecu
