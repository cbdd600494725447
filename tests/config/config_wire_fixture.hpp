#pragma once
// The configuration window against a simulated controller on a pseudo-terminal: the console
// runs from its main window, opens the window through its view command, and a test reads
// what reached the controller.

#include <memory>
#include <string>
#include <vector>

#include "config/frm_tool.hpp"
#include "link/comm_port.hpp"
#include "link/receive_framer.hpp"
#include "model/shared_state.hpp"
#include "shell/view_commands.hpp"
#include "support/main_window_fixture.hpp"
#include "support/simulated_controller.hpp"

namespace test {

class ConfigWireTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ecu::set_serial_port_factory(nullptr);
    ecu::reset_receive_framer();
    controller_ = std::make_unique<SimulatedController>(1);
    start_console("");
  }

  void TearDown() override {
    // The port closes before the controller behind it goes away.
    ecu::set_serial_port_factory(nullptr);
    controller_.reset();
    MainWindowTest::TearDown();
  }

  // Opens the window as the main window's configuration command does; it loads at once.
  ecu::FrmToolForm& open_window() {
    ecu::Menu_View_Injection();
    seen_ = controller_->request_frames().size();
    return ecu::frm_tool();
  }

  // The request frames received since the last call, each as its four command bytes.
  std::vector<std::string> new_commands() {
    const std::vector<std::string> frames = controller_->request_frames();
    std::vector<std::string> commands;
    for (std::size_t i = seen_; i < frames.size(); ++i) commands.push_back(frames[i].substr(2, 4));
    seen_ = frames.size();
    return commands;
  }

  SimulatedController& controller() { return *controller_; }

 private:
  std::unique_ptr<SimulatedController> controller_;
  std::size_t seen_ = 0;
};

// Four command bytes from their values.
inline std::string cmd(unsigned code, unsigned b1, unsigned b2, unsigned b3) {
  return {static_cast<char>(code), static_cast<char>(b1), static_cast<char>(b2),
          static_cast<char>(b3)};
}

}  // namespace test
