#pragma once
// The Tool menu of the main window: reset the controller, prepare it for a reflash, open
// the firmware loader.

namespace ecu {

void reset_controller();
void prepare_reflash();
void open_flash_utility();

}  // namespace ecu
