#include <gtest/gtest.h>

#include <string>

#include "model/shared_state.hpp"
#include "shell/frm_about.hpp"
#include "shell/frm_dialog.hpp"
#include "shell/frm_retries.hpp"
#include "shell/frm_wait.hpp"
#include "support/console_test.hpp"

namespace ecu {
namespace {

using DialogTest = test::ConsoleTest;

TEST_F(DialogTest, ChoiceDialogStartsWithItsDesignTexts) {
  FrmDialogForm& dialog = frm_Dialog();
  EXPECT_EQ(dialog.caption(), "Warning!");
  EXPECT_EQ(dialog.dialog_caption.caption(), "Dialog Goes Here");
  ASSERT_EQ(dialog.dialog_button.count(), 4);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(dialog.dialog_button[k].caption(), "0");
  EXPECT_EQ(dialog.dialog_choice, 0);
  EXPECT_FALSE(dialog.visible());
}

TEST_F(DialogTest, EachButtonRecordsItsIndexAndHidesTheDialog) {
  for (int k = 3; k >= 0; --k) {
    SCOPED_TRACE(k);
    frm_Dialog().show();
    frm_Dialog().dialog_button[k].click();
    EXPECT_EQ(frm_Dialog().dialog_choice, k);
    EXPECT_FALSE(frm_Dialog().visible());
    EXPECT_TRUE(frm_Dialog.loaded());
  }
}

TEST_F(DialogTest, ModalShowReturnsWithThePressedButton) {
  FrmDialogForm& dialog = frm_Dialog();
  dialog.dialog_caption.set_caption("No COM port found for COM3.  Choose and option below.");
  dialog.dialog_button[0].set_caption("Exit");
  dialog.dialog_button[1].set_caption("Demo");
  dialog.dialog_button[2].set_visible(false);
  dialog.dialog_button[3].set_visible(false);
  ui::event_loop().post_user_input([&dialog] { dialog.dialog_button[2].click(); });
  ui::event_loop().post_user_input([&dialog] { dialog.dialog_button[1].click(); });

  dialog.show_modal();

  // The hidden button ignored the press; the visible one answered.
  EXPECT_EQ(dialog.dialog_choice, 1);
  EXPECT_FALSE(dialog.visible());
  EXPECT_FALSE(dialog.is_modal());
}

TEST_F(DialogTest, ChoiceIsKeptUntilTheNextPress) {
  frm_Dialog().show();
  frm_Dialog().dialog_button[2].click();
  frm_Dialog().show();
  EXPECT_EQ(frm_Dialog().dialog_choice, 2);
  frm_Dialog().dialog_button[0].click();
  EXPECT_EQ(frm_Dialog().dialog_choice, 0);
}

TEST_F(DialogTest, ClosingTheDialogFrameIsNoChoiceAndKeepsItsTexts) {
  frm_Dialog().dialog_caption.set_caption("Communications has failed");
  frm_Dialog().show();
  frm_Dialog().dialog_button[1].click();
  frm_Dialog().show();

  frm_Dialog().request_close();

  ASSERT_TRUE(frm_Dialog.loaded());
  EXPECT_FALSE(frm_Dialog().visible());
  EXPECT_EQ(frm_Dialog().dialog_choice, -1);
  EXPECT_EQ(frm_Dialog().dialog_caption.caption(), "Communications has failed");
}

TEST_F(DialogTest, RetryCounterUnloadsItselfTwoSecondsAfterLoading) {
  ui::ManualClock& clock = use_manual_clock();
  frm_retries().retries.set_caption(" 3");
  EXPECT_EQ(frm_retries().caption(), "Attention!");
  EXPECT_FALSE(frm_retries().visible());
  // Seven quarter-second ticks keep it; the eighth, at 2 s, unloads it.
  for (int tick = 1; tick <= 7; ++tick) {
    clock.advance(0.25);
    ui::event_loop().pass(ui::UserInput::allow);
    ASSERT_TRUE(frm_retries.loaded()) << "tick " << tick;
    EXPECT_FLOAT_EQ(frm_retries().retries_elapsed, 0.25F * static_cast<float>(tick));
  }
  clock.advance(0.25);
  ui::event_loop().pass(ui::UserInput::allow);
  EXPECT_FALSE(frm_retries.loaded());
}

TEST_F(DialogTest, RetryCounterWrittenAgainStaysUntilTwoSecondsAfterTheFirstWrite) {
  ui::ManualClock& clock = use_manual_clock();
  const double loaded_at = clock.monotonic_seconds();
  // Attempts yield to the loop while they wait, so the window's timer keeps ticking.
  const auto run_for = [&clock](double seconds) {
    const double until = clock.monotonic_seconds() + seconds;
    while (clock.monotonic_seconds() < until) ui::event_loop().wait_pass(ui::UserInput::allow);
  };
  frm_retries().retries.set_caption(" 3");
  run_for(0.3);
  frm_retries().retries.set_caption(" 4");
  run_for(0.3);
  frm_retries().retries.set_caption(" 5");
  EXPECT_EQ(frm_retries().retries.caption(), " 5");

  while (frm_retries.loaded() && clock.monotonic_seconds() < loaded_at + 5.0) {
    ui::event_loop().wait_pass(ui::UserInput::allow);
  }
  EXPECT_FALSE(frm_retries.loaded());
  EXPECT_GE(clock.monotonic_seconds() - loaded_at, 2.0);
  EXPECT_LT(clock.monotonic_seconds() - loaded_at, 2.05);

  // The next write loads a fresh window with its count from zero.
  frm_retries().retries.set_caption(" 6");
  EXPECT_TRUE(frm_retries.loaded());
  EXPECT_FLOAT_EQ(frm_retries().retries_elapsed, 0.0F);
}

TEST_F(DialogTest, FreshRetryCounterShowsItsDesignText) {
  EXPECT_EQ(frm_retries().retries.caption(), "-");
  EXPECT_EQ(frm_retries().Timer1.interval(), 250);
  EXPECT_TRUE(frm_retries().Timer1.enabled());
}

TEST_F(DialogTest, AboutWindowStartsWithItsDesignTexts) {
  FrmAboutForm& about = frm_about();
  EXPECT_EQ(about.caption(), "About Quellar");
  EXPECT_EQ(about.serial_num.caption(), "Unknown");
  EXPECT_EQ(about.FW_Rev.caption(), "Unknown");
  EXPECT_EQ(about.ECU_Rev.caption(), "Unknown");
  EXPECT_EQ(about.oemtext.caption(),
            "Quellar.EXE, Windows based monitor/programmer for crank triggered engine control.");
  EXPECT_EQ(about.Command3d1.tool_tip(), "Click to exit back to the console");
  EXPECT_EQ(about.menu_file_exit.caption(), "e&xit");
}

TEST_F(DialogTest, AboutInDemoModeShowsDemoAndSendsNothing) {
  use_manual_clock();
  demo_mode = kTrue;
  link_ready = kTrue;
  frm_about().serial_num.set_caption("A1234");
  // What the rest of the console sees while the window settles.
  Flag inhibit_seen = kFalse;
  const auto source = ui::event_loop().add_source([&inhibit_seen] {
    if (poll_inhibit == kTrue) inhibit_seen = kTrue;
    return false;
  });

  frm_about().show();
  ui::event_loop().remove_source(source);

  EXPECT_EQ(frm_about().FW_Rev.caption(), "DEMO MODE");
  EXPECT_EQ(frm_about().serial_num.caption(), "A1234");
  EXPECT_EQ(poll_inhibit, kFalse);
  EXPECT_EQ(inhibit_seen, kTrue);
  EXPECT_EQ(tx_byte_counts[0], 0);
  EXPECT_TRUE(presenter().shown_messages.empty());
}

TEST_F(DialogTest, AboutWithoutLinkEmptiesTheControllerLabels) {
  use_manual_clock();
  poll_inhibit = kTrue;
  frm_about().show();
  EXPECT_EQ(frm_about().FW_Rev.caption(), "");
  EXPECT_EQ(frm_about().serial_num.caption(), "");
  EXPECT_EQ(poll_inhibit, kFalse);
  EXPECT_EQ(tx_byte_counts[0], 0);
}

TEST_F(DialogTest, AboutCloseCommandsOnlyHideTheWindow) {
  use_manual_clock();
  demo_mode = kTrue;
  for (const bool by_menu : {false, true}) {
    SCOPED_TRACE(by_menu ? "menu" : "button");
    frm_about().show();
    if (by_menu) {
      frm_about().menu_file_exit.click();
    } else {
      frm_about().Command3d1.click();
    }
    EXPECT_FALSE(frm_about().visible());
    EXPECT_TRUE(frm_about.loaded());
  }
}

TEST_F(DialogTest, WaitWindowActivationClearsTheMessageLine) {
  FrmWaitForm& wait = frm_wait();
  EXPECT_EQ(wait.tx_bytes.caption(), "0");
  EXPECT_EQ(wait.rx_bytes.caption(), "0");
  EXPECT_FLOAT_EQ(wait.percent_comp[1].width(), 30.0F);
  wait.update_info.set_caption("Reading page 3");
  wait.show();
  EXPECT_EQ(wait.update_info.caption(), "");
}

}  // namespace
}  // namespace ecu
