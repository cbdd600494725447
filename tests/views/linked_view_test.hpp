#pragma once
// Views run from the main window against the simulated controller on a pseudo-terminal.

#include <memory>
#include <string>
#include <vector>

#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/receive_framer.hpp"
#include "support/controller_replies.hpp"
#include "support/main_window_fixture.hpp"

namespace test {

class LinkedViewTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ecu::set_serial_port_factory(nullptr);
    ecu::reset_receive_framer();
    controller_ = std::make_unique<SimulatedController>(1);
  }
  void TearDown() override {
    ecu::set_serial_port_factory(nullptr);
    controller_.reset();
    MainWindowTest::TearDown();
  }
  // The console started on the controller's line, its timers still.
  ecu::FrmEcuForm& connect() {
    start_console("");
    ecu::open_comm_link();
    EXPECT_EQ(ecu::link_ready, ecu::kTrue);
    return ecu::FrmEcu();
  }
  SimulatedController& controller() { return *controller_; }
  // The command bytes (code and three payload bytes) of each request since the `from`th.
  std::vector<std::string> commands_since(std::size_t from) const {
    std::vector<std::string> commands;
    for (const std::string& frame : controller_->request_frames())
      commands.push_back(frame.substr(2, 4));
    commands.erase(commands.begin(), commands.begin() + static_cast<std::ptrdiff_t>(from));
    return commands;
  }

 private:
  std::unique_ptr<SimulatedController> controller_;
};

}  // namespace test
