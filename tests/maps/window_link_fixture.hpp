#pragma once
// The table editor windows against a simulated controller on a pseudo-terminal: the main
// window is loaded with its poll timers stopped, the link is open, and the MAP sensor is the
// 115 / 10 kPa type with a full scale of 8000 rpm.

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/receive_framer.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "support/console_test.hpp"
#include "support/simulated_controller.hpp"

namespace test {

// A request as the code byte and its three payload bytes.
inline std::string command(std::initializer_list<int> bytes) {
  std::string text;
  for (const int byte : bytes) text += static_cast<char>(byte);
  return text;
}

class WindowLinkTest : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    ecu::set_serial_port_factory(nullptr);
    ecu::reset_receive_framer();
    controller_ = std::make_unique<SimulatedController>(1);
    BaseConfig config;
    config.map_type = 0;
    controller_->set_base_config(config);
    ecu::FrmEcuForm& main_window = ecu::FrmEcu();
    main_window.Timer1.set_enabled(false);
    main_window.Timer3.set_enabled(false);
    ecu::com_port = 1;
    ecu::open_comm_link();
    ASSERT_EQ(ecu::link_ready, ecu::kTrue);
  }

  void TearDown() override {
    // The port closes before the controller behind it goes away.
    ecu::set_serial_port_factory(nullptr);
    controller_.reset();
    ConsoleTest::TearDown();
  }

  // The requests received since the last call, each as its code and payload bytes.
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

}  // namespace test
