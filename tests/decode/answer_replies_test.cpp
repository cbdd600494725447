// Action answers (reset, reflash, kill timing, driver tests, captures) and the feature
// version check.

#include <filesystem>
#include <string>

#include "decode/setting_replies.hpp"
#include "decode/setting_reply_fixture.hpp"
#include "model/shared_state.hpp"
#include "shell/frm_ecu.hpp"

namespace {

using test::payload_bytes;
using test::word_bytes;

constexpr const char* kResetText = "The controller has been succesfully reset.";
constexpr const char* kReflashText = "The controller is now ready to re-flash.";
constexpr const char* kOlderText =
    "The ECU reports that there is an incompatibility with some internal features.  This "
    "program is older than what is required for your ECU.";
constexpr const char* kNotUpToDateText =
    "The ECU reports that there is an incompatibility with some internal features.  Your ECU "
    "is not up to date with features supported with this program.";

// Where the test program was started, taken before any test moves.
const std::filesystem::path kStartFolder = std::filesystem::current_path();

class AnswerReplies : public test::SettingReplyTest {};

TEST_F(AnswerReplies, MainWindowReachedByAReplyStartsUpInAScratchFolder) {
  // Its start-up writes lambda.txt into the working folder when there is none.
  deliver(0xAE, {0x5A});
  ASSERT_TRUE(ecu::FrmEcu.loaded());
  EXPECT_NE(std::filesystem::current_path(), kStartFolder);
  EXPECT_TRUE(std::filesystem::exists("lambda.txt"));
}

TEST_F(AnswerReplies, ResetAnswerShowsItsMessageOnce) {
  ecu::FrmEcu().menu_tool_flash_utility.set_enabled(false);
  deliver(0xAE, {0xA5});
  ASSERT_EQ(presenter().shown_messages.size(), 1U);
  EXPECT_EQ(presenter().shown_messages[0].text, kResetText);
  EXPECT_EQ(presenter().shown_messages[0].buttons, ui::MsgButtons::ok);
  EXPECT_FALSE(ecu::FrmEcu().menu_tool_flash_utility.enabled());
}

TEST_F(AnswerReplies, ReflashAnswerEnablesTheFlashUtilityBeforeItsMessage) {
  ecu::FrmEcu().menu_tool_flash_utility.set_enabled(false);
  bool enabled_when_shown = false;
  class Watching : public ui::Presenter {
   public:
    explicit Watching(bool& seen) : seen_(seen) {}
    ui::MsgResult message_box(const ui::MessageBoxRequest& request) override {
      text = request.text;
      seen_ = ecu::FrmEcu().menu_tool_flash_utility.enabled();
      return ui::MsgResult::ok;
    }
    std::optional<std::string> file_dialog(const ui::FileDialogRequest&) override { return {}; }
    std::string text;

   private:
    bool& seen_;
  };
  auto watching = std::make_shared<Watching>(enabled_when_shown);
  ui::install_presenter(watching);
  deliver(0xAE, {0x5A});
  EXPECT_EQ(watching->text, kReflashText);
  EXPECT_TRUE(enabled_when_shown);
  EXPECT_TRUE(ecu::FrmEcu().menu_tool_flash_utility.enabled());
}

TEST_F(AnswerReplies, AcknowledgementsOnlyCountAsReceived) {
  struct Case {
    std::uint8_t type;
    std::string payload;
  };
  for (const Case& c : {Case{0xAE, payload_bytes({0x00})}, Case{0xAE, payload_bytes({0x5B})},
                        Case{0xA9, payload_bytes({0xA5})}, Case{0xA9, payload_bytes({0x00})},
                        Case{0x01, word_bytes(0xFFFF)}, Case{0x02, word_bytes(1)},
                        Case{0x03, payload_bytes({1, 2, 3})}, Case{0x04, payload_bytes({1})},
                        Case{0xF7, payload_bytes({0})}}) {
    SCOPED_TRACE(static_cast<int>(c.type));
    ecu::reply_received = 0;
    deliver(c.type, c.payload);
    EXPECT_EQ(ecu::reply_received, -1);
    EXPECT_TRUE(presenter().shown_messages.empty());
    EXPECT_FALSE(ecu::FrmEcu.loaded());
  }
}

TEST_F(AnswerReplies, AnswersOfWrongLengthAreNotTaken) {
  for (const std::uint8_t type : {0xAE, 0xA9, 0x04, 0xF7}) {
    SCOPED_TRACE(static_cast<int>(type));
    ecu::reply_received = 0;
    deliver(type, {0xA5, 0x00});
    EXPECT_EQ(ecu::reply_received, 0);
    EXPECT_TRUE(presenter().shown_messages.empty());
  }
}

TEST_F(AnswerReplies, FeatureVersionOtherThanOursIsReported) {
  struct Case {
    unsigned low, high;
    const char* text;  // nullptr: no message
  };
  for (const Case c :
       {Case{0x23, 0x4E, nullptr}, Case{0x24, 0x4E, kOlderText}, Case{0x22, 0x4E, kNotUpToDateText},
        Case{0x00, 0x00, kNotUpToDateText}, Case{0xFF, 0xFF, kOlderText}}) {
    SCOPED_TRACE(c.low + 256 * c.high);
    presenter().shown_messages.clear();
    ecu::allow_feature_version_warning();
    ecu::reply_received = 0;
    deliver(0xB4, {c.low, c.high});
    EXPECT_EQ(ecu::reply_received, -1);
    if (c.text == nullptr) {
      EXPECT_TRUE(presenter().shown_messages.empty());
    } else {
      ASSERT_EQ(presenter().shown_messages.size(), 1U);
      EXPECT_EQ(presenter().shown_messages[0].text, c.text);
      EXPECT_EQ(presenter().shown_messages[0].buttons, ui::MsgButtons::ok);
    }
  }
}

TEST_F(AnswerReplies, FeatureVersionWarningComesOncePerLinkOpening) {
  for (int tick = 0; tick < 5; ++tick) deliver(0xB4, {0x22, 0x4E});
  EXPECT_EQ(presenter().shown_messages.size(), 1U);
  ecu::allow_feature_version_warning();
  deliver(0xB4, {0x24, 0x4E});
  ASSERT_EQ(presenter().shown_messages.size(), 2U);
  EXPECT_EQ(presenter().shown_messages[1].text, kOlderText);
}

TEST_F(AnswerReplies, MatchingVersionDoesNotUseUpTheWarning) {
  deliver(0xB4, {0x23, 0x4E});
  deliver(0xB4, {0x00, 0x4E});
  EXPECT_EQ(presenter().shown_messages.size(), 1U);
}

}  // namespace
