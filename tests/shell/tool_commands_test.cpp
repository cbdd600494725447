// Reset and reflash preparation against the simulated controller on a pseudo-terminal.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "link/comm_port.hpp"
#include "link/link_test.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"
#include "shell/sflash.hpp"
#include "sim/simulated_controller.hpp"
#include "support/main_window_fixture.hpp"
#include "support/watched_ports.hpp"

namespace ecu {
namespace {

using test::bytes;

constexpr const char* kQuestion =
    "Do you really want to stop the controller and re-flash its memory?";

class ToolCommandsTest : public test::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    test::use_system_serial_port();
    controller_ = std::make_unique<sim::SimulatedController>(1);
    start_console("");
  }
  void TearDown() override {
    test::use_system_serial_port();
    controller_.reset();
    MainWindowTest::TearDown();
  }
  std::vector<std::string> message_texts() {
    std::vector<std::string> texts;
    for (const auto& shown : presenter().shown_messages) texts.push_back(shown.text);
    return texts;
  }

  std::unique_ptr<sim::SimulatedController> controller_;
};

TEST_F(ToolCommandsTest, ResetSendsOneRequestAndReportsTheAnswerWithThePortLeftOpen) {
  FrmEcu().menu_tool_reset.click();
  EXPECT_EQ(controller_->received_bytes(), bytes({2, 8, 0xAE, 0xA5, 0, 0, 0x5D, 0x01}));
  EXPECT_EQ(message_texts(),
            std::vector<std::string>{"The controller has been succesfully reset."});
  EXPECT_TRUE(comm_port().is_open());
  EXPECT_EQ(link_ready, kTrue);
}

TEST_F(ToolCommandsTest, ReflashAsksSendsOnlyWhenConfirmedAndFreesThePortEitherWay) {
  const struct {
    ui::MsgResult answer;
    std::string wire;
    std::vector<std::string> messages;
  } cases[] = {
      {ui::MsgResult::ok,
       bytes({2, 8, 0xAE, 0x5A, 0, 0, 0x12, 0x01}),
       {kQuestion, "The controller is now ready to re-flash."}},
      {ui::MsgResult::cancel, "", {kQuestion}},
  };
  for (const auto& sample : cases) {
    const std::size_t sent_before = controller_->received_bytes().size();
    presenter().shown_messages.clear();
    presenter().answer_next(sample.answer);
    FrmEcu().menu_tool_reflash.click();
    EXPECT_EQ(controller_->received_bytes().substr(sent_before), sample.wire);
    EXPECT_EQ(message_texts(), sample.messages);
    EXPECT_EQ(presenter().shown_messages[0].buttons, ui::MsgButtons::ok_cancel);
    EXPECT_FALSE(comm_port().is_open());
    EXPECT_EQ(link_ready, kFalse);
    EXPECT_EQ(caption_suffix, "");
  }
}

TEST_F(ToolCommandsTest, FlashUtilityHidesTheMainWindowUntilTheLoaderIsLeft) {
  FrmEcu().menu_tool_flash_utility.click();
  EXPECT_FALSE(FrmEcu().visible());
  EXPECT_TRUE(sflash().visible());
  EXPECT_EQ(sflash().caption(), "Quelar Flash Utility");
  sflash().exit_flash.click();
  EXPECT_TRUE(FrmEcu().visible());
  EXPECT_FALSE(sflash().visible());
}

}  // namespace
}  // namespace ecu
