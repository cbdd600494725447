#pragma once
// The console run from its main window against the simulated controller on a pseudo-terminal:
// a test starts the console (or connects it, link open), works its windows and reads the
// requests that reached the controller.

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "link/comm_link.hpp"
#include "link/comm_port.hpp"
#include "link/receive_framer.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "sim/controller_replies.hpp"
#include "sim/simulated_controller.hpp"
#include "support/main_window_fixture.hpp"
#include "support/watched_ports.hpp"

namespace test {

// A request's four command bytes: its code and three payload bytes.
inline std::string command(std::initializer_list<int> bytes) {
  std::string text;
  for (const int byte : bytes) text += static_cast<char>(byte);
  return text;
}

class LinkedWindowTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    test::use_system_serial_port();
    controller_ = std::make_unique<sim::SimulatedController>(1);
  }

  void TearDown() override {
    // The port closes before the controller behind it goes away.
    test::use_system_serial_port();
    controller_.reset();
    MainWindowTest::TearDown();
  }

  // The console started on the controller's line with the link open, its timers still.
  ecu::FrmEcuForm& connect() {
    ecu::FrmEcuForm& main_window = start_console("");
    ecu::open_comm_link();
    EXPECT_EQ(ecu::link_ready, ecu::kTrue);
    return main_window;
  }

  sim::SimulatedController& controller() { return *controller_; }

  // The command bytes of each request from the `from`th on.
  [[nodiscard]] std::vector<std::string> commands_since(std::size_t from) const {
    const std::vector<std::string> frames = controller_->request_frames();
    std::vector<std::string> commands;
    for (std::size_t i = from; i < frames.size(); ++i) commands.push_back(frames[i].substr(2, 4));
    return commands;
  }

  // The command bytes of each request received since the last call.
  std::vector<std::string> new_commands() {
    std::vector<std::string> commands = commands_since(seen_);
    seen_ += commands.size();
    return commands;
  }

 private:
  std::unique_ptr<sim::SimulatedController> controller_;
  std::size_t seen_ = 0;
};

}  // namespace test
