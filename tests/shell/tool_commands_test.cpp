// Reset and reflash preparation against the simulated controller on a pseudo-terminal.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "link/comm_port.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/sflash.hpp"
#include "support/main_window_fixture.hpp"
#include "support/simulated_controller.hpp"

namespace ecu {
namespace {

std::string bytes(std::initializer_list<int> values) {
  std::string result;
  for (const int value : values) result += static_cast<char>(value);
  return result;
}

const std::string kResetFrame = bytes({0x02, 0x08, 0xAE, 0xA5, 0x00, 0x00, 0x5D, 0x01});
const std::string kReflashFrame = bytes({0x02, 0x08, 0xAE, 0x5A, 0x00, 0x00, 0x12, 0x01});
constexpr const char* kQuestion =
    "Do you really want to stop the controller and re-flash its memory?";

class ToolCommandsTest : public test::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    set_serial_port_factory(nullptr);
    controller_ = std::make_unique<test::SimulatedController>(1);
    main_ = &start_console("");
  }
  void TearDown() override {
    set_serial_port_factory(nullptr);
    controller_.reset();
    MainWindowTest::TearDown();
  }
  std::vector<std::string> message_texts() {
    std::vector<std::string> texts;
    for (const auto& shown : presenter().shown_messages) texts.push_back(shown.text);
    return texts;
  }

  std::unique_ptr<test::SimulatedController> controller_;
  FrmEcuForm* main_ = nullptr;
};

TEST_F(ToolCommandsTest, ResetSendsOneRequestAndReportsTheAnswerWithThePortLeftOpen) {
  main_->menu_tool_reset.click();
  EXPECT_EQ(controller_->received_bytes(), kResetFrame);
  EXPECT_EQ(message_texts(),
            std::vector<std::string>{"The controller has been succesfully reset."});
  EXPECT_TRUE(comm_port().is_open());
  EXPECT_EQ(link_ready, kTrue);
}

TEST_F(ToolCommandsTest, ConfirmedReflashAsksSendsReportsAndThenFreesThePort) {
  main_->menu_tool_flash_utility.set_enabled(false);
  main_->menu_tool_reflash.click();
  EXPECT_EQ(controller_->received_bytes(), kReflashFrame);
  EXPECT_EQ(message_texts(),
            (std::vector<std::string>{kQuestion, "The controller is now ready to re-flash."}));
  EXPECT_EQ(presenter().shown_messages[0].buttons, ui::MsgButtons::ok_cancel);
  EXPECT_TRUE(main_->menu_tool_flash_utility.enabled());
  EXPECT_FALSE(comm_port().is_open());
  EXPECT_EQ(link_ready, kFalse);
  EXPECT_EQ(caption_suffix, "");
}

TEST_F(ToolCommandsTest, CancelledReflashSendsNothingButStillFreesThePort) {
  presenter().answer_next(ui::MsgResult::cancel);
  main_->menu_tool_reflash.click();
  EXPECT_EQ(controller_->received_bytes(), "");
  EXPECT_EQ(message_texts(), std::vector<std::string>{kQuestion});
  EXPECT_FALSE(comm_port().is_open());
  EXPECT_EQ(link_ready, kFalse);
  EXPECT_EQ(caption_suffix, "");
}

TEST_F(ToolCommandsTest, FlashUtilityHidesTheMainWindowAndShowsTheLoader) {
  main_->menu_tool_flash_utility.click();
  EXPECT_FALSE(main_->visible());
  EXPECT_TRUE(sflash().visible());
  EXPECT_EQ(sflash().caption(), "Quelar Flash Utility");
  sflash().exit_flash.click();
  EXPECT_TRUE(main_->visible());
  EXPECT_FALSE(sflash().visible());
  EXPECT_EQ(current_view, 0);
}

}  // namespace
}  // namespace ecu
