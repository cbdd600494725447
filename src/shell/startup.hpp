#pragma once

#include <string>

namespace ecu {

// Starts the console: loads the main window, which runs the whole start-up, then shows it.
void start_console(const std::string& command_line);

}  // namespace ecu
