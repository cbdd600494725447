#pragma once
// Option buttons are non-exclusive Qt radio buttons (the model groups them and clears the
// others itself), which Qt's own accessibility would report as check boxes. This interface
// reports them as what the user sees: radio buttons.

namespace gui {

// Installs the accessibility factory for option button widgets; later calls do nothing.
void install_option_button_accessibility();

}  // namespace gui
