#pragma once
// The reset menus of the table editors: each entry asks in a "CAUTION!" box and, on Yes,
// writes the table's neutral content (gains of 1, advances of 0 degrees, an idle speed of
// 800 rpm, a lambda set-point of 1) into the window's fields or cells. The writes run the
// fields' and cells' own change handling, so they turn yellow and go with the next Update;
// nothing is sent here.

#include <memory>
#include <vector>

#include "ui/ui.hpp"

namespace ecu {

class Frm2dForm;
class Frm3dForm;
class FrmSupForm;

// Builds the fifteen entries of the additional mapping window's reset menu, wired.
std::vector<std::unique_ptr<ui::MenuItem>> build_curve_reset_menu(Frm2dForm& window);

// The basic mapping window's "&Fuel" (map 0) and "&Ignition" (map 1) entries.
void reset_basic_map(Frm3dForm& window, int map_index);

// The output driver window's "&Reset map": its tables have no defaults; says so after Yes.
void reset_output_tables();

}  // namespace ecu
