#pragma once
// The configuration window run from the main window against the simulated controller.

#include "config/frm_tool.hpp"
#include "shell/view_commands.hpp"
#include "support/linked_window_test.hpp"

namespace test {

class ConfigWireTest : public LinkedWindowTest {
 protected:
  void SetUp() override {
    LinkedWindowTest::SetUp();
    start_console("");
  }

  // Opens the window as the main window's configuration command does; the requests of its
  // load are taken.
  ecu::FrmToolForm& open_window() {
    ecu::run_view_command(ecu::kConfigurationView);
    new_commands();
    return ecu::frm_tool();
  }
};

}  // namespace test
