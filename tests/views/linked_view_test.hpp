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
#include "support/simulated_controller.hpp"

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

  // The console started on the controller's line, main timers still.
  ecu::FrmEcuForm& connect() {
    ecu::FrmEcuForm& main_window = start_console("");
    ecu::open_comm_link();
    EXPECT_EQ(ecu::link_ready, ecu::kTrue);
    return main_window;
  }

  SimulatedController& controller() { return *controller_; }
  // The command bytes (code and three payload bytes) of every request sent since `from`.
  std::vector<std::string> commands_since(std::size_t from) const {
    std::vector<std::string> commands;
    const std::vector<std::string> frames = controller_->request_frames();
    for (std::size_t i = from; i < frames.size(); ++i) commands.push_back(frames[i].substr(2, 4));
    return commands;
  }

 private:
  std::unique_ptr<SimulatedController> controller_;
};

}  // namespace test
