// Lifetimes in the window model: windows unloaded from handlers and from modal loops, the
// active window when others go away, handlers that replace themselves, timers that fall due
// while they run, and errors that must stay inside the loop.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/console_test.hpp"
#include "ui/ui.hpp"

namespace {

std::vector<std::string>& journal() {
  static std::vector<std::string> entries;
  return entries;
}

class JournalForm : public ui::Form {
 public:
  explicit JournalForm(const std::string& name) : ui::Form(name, name, 6000, 4000) {}

  ui::TextBox field{*this, "field"};
  ui::CommandButton button{*this, "button"};
  ui::Grid table{*this, "table", 4, 4};
  ui::Timer ticker{*this, "ticker", 50, false};
  ui::ControlArray<ui::Label> labels{*this, "labels", 3};
  std::function<void()> on_activate_hook;
  std::function<void()> on_unload_hook;

 protected:
  void on_activate() override {
    journal().push_back("activate " + name());
    if (on_activate_hook) on_activate_hook();
  }
  void on_unload() override {
    journal().push_back("unload " + name());
    if (on_unload_hook) on_unload_hook();
  }
};

class HostForm : public JournalForm {
 public:
  HostForm() : JournalForm("frm_host") {}
};
class PanelForm : public JournalForm {
 public:
  PanelForm() : JournalForm("frm_panel") {}
};
class ModalForm : public JournalForm {
 public:
  ModalForm() : JournalForm("frm_modal") {}
};

ui::FormInstance<HostForm> frm_host;
ui::FormInstance<PanelForm> frm_panel;
ui::FormInstance<ModalForm> frm_modal;

class FormLifetimeTest : public test::ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    journal().clear();
  }
};

using Journal = std::vector<std::string>;

TEST_F(FormLifetimeTest, ModalFormUnloadedOutsideItsHandlersOutlivesItsModalLoop) {
  frm_modal().field.set_text("edited");
  // Not a handler of the modal form: the unload and the pass after it run from plain input.
  ui::event_loop().post_user_input([] {
    frm_modal().unload();
    ui::do_events();
  });
  frm_modal().show_modal();
  EXPECT_FALSE(frm_modal.loaded());
  ui::do_events();
  EXPECT_EQ(frm_modal().field.text(), "");
}

TEST_F(FormLifetimeTest, ClosingAModalFormReturnsToTheWindowThatOpenedIt) {
  frm_host().show();
  frm_panel().show();
  // The user switches back to the first window and opens a modal form from it.
  ui::forms().activate(&frm_host());
  journal().clear();
  frm_host().button.on_click = [] { frm_modal().show_modal(); };
  ui::event_loop().post_user_input([] { frm_modal().hide(); });
  frm_host().button.click();
  EXPECT_EQ(journal(), (Journal{"activate frm_modal", "activate frm_host"}));
  EXPECT_EQ(ui::forms().active(), &frm_host());
}

TEST_F(FormLifetimeTest, LateActivationOfAHiddenWindowIsIgnored) {
  frm_host().show();
  frm_panel().show();
  frm_panel().hide();
  journal().clear();
  ui::forms().activate(&frm_panel());
  EXPECT_TRUE(journal().empty());
  EXPECT_EQ(ui::forms().active(), &frm_host());
}

TEST_F(FormLifetimeTest, WindowActivatedByAnUnloadSeesTheUnloadedWindowGone) {
  frm_panel().show();
  frm_host().show();
  frm_host().field.set_text("old instance");
  frm_panel().on_activate_hook = [] { frm_host().field.set_text("written on activation"); };
  journal().clear();
  frm_host().unload();
  EXPECT_EQ(journal(), (Journal{"unload frm_host", "activate frm_panel"}));
  // The touch from the activate handler created the window afresh and kept its write.
  ASSERT_TRUE(frm_host.loaded());
  EXPECT_EQ(frm_host().field.text(), "written on activation");
  EXPECT_FALSE(frm_host().visible());
}

TEST_F(FormLifetimeTest, WindowThatEndsTheProgramHandsActivationToNoOther) {
  frm_panel().show();
  frm_host().show();
  frm_host().on_unload_hook = [] { ui::end_program(); };
  journal().clear();
  frm_host().unload();
  EXPECT_TRUE(program_ended());
  EXPECT_EQ(journal(), (Journal{"unload frm_host"}));
}

TEST_F(FormLifetimeTest, UnloadAskedForByTheUnloadHandlerIsTheSameUnload) {
  frm_host().on_unload_hook = [] { frm_host().unload(); };
  frm_host().unload();
  EXPECT_EQ(journal(), (Journal{"unload frm_host"}));
  EXPECT_FALSE(frm_host.loaded());
}

TEST_F(FormLifetimeTest, HandlersThatReplaceThemselvesRunToTheirEnd) {
  // Long enough to live on the heap, so a handler destroyed while it runs shows under ASan.
  const std::string words = "the handler's own copy of a text that lives on the heap";
  auto& host = frm_host();
  struct Case {
    const char* event;
    std::function<void()> install;
    std::function<void()> fire;
  };
  const std::vector<Case> cases = {
      {"text change",
       [&] {
         host.field.on_change = [&host, words] {
           host.field.on_change = nullptr;
           journal().push_back(words);
         };
       },
       [&] { host.field.set_text("x"); }},
      {"cell change",
       [&] {
         host.table.on_cell_change = [&host, words](int, int) {
           host.table.on_cell_change = nullptr;
           journal().push_back(words);
         };
       },
       [&] { host.table.set_cell_text(1, 1, "x"); }},
      {"key down",
       [&] {
         host.field.on_key_down = [&host, words](int&, int) {
           host.field.on_key_down = nullptr;
           journal().push_back(words);
         };
       },
       [&] { host.field.key_down(13, 0); }},
      {"button click",
       [&] {
         host.button.on_click = [&host, words] {
           host.button.on_click = [] {};
           journal().push_back(words);
         };
       },
       [&] { host.button.click(); }},
  };
  for (const Case& c : cases) {
    journal().clear();
    c.install();
    c.fire();
    EXPECT_EQ(journal(), (Journal{words})) << c.event;
  }
}

TEST_F(FormLifetimeTest, DestroyedControlTakesTheFocusWithIt) {
  auto& host = frm_host();
  {
    ui::TextBox temporary(host, "temporary");
    temporary.set_focus();
    EXPECT_EQ(host.focused_control(), &temporary);
  }
  EXPECT_EQ(host.focused_control(), nullptr);
}

TEST_F(FormLifetimeTest, ControlArrayIndexOutsideIsReportedByNameAndTouchesNothing) {
  auto& host = frm_host();
  host.button.on_click = [&host] { host.labels[3].set_caption("beyond the end"); };
  host.button.click();
  ASSERT_EQ(presenter().shown_messages.size(), 1U);
  EXPECT_NE(presenter().shown_messages[0].text.find("labels(3)"), std::string::npos)
      << presenter().shown_messages[0].text;
  EXPECT_THROW(static_cast<void>(host.labels[-1]), std::out_of_range);
  for (int i = 0; i < host.labels.count(); ++i) EXPECT_EQ(host.labels[i].caption(), "");

  const ui::ControlArray<ui::Label> none(host, "none", -1);
  EXPECT_EQ(none.count(), 0);
}

TEST_F(FormLifetimeTest, TickSkippedWhileItsHandlerRunsIsNoWorkForTheLoop) {
  auto& clock = use_manual_clock();
  auto& host = frm_host();
  std::vector<bool> nested_passes;
  host.ticker.on_timer = [&] {
    clock.advance(0.06);
    nested_passes.push_back(ui::event_loop().pass(ui::UserInput::allow));
  };
  host.ticker.set_enabled(true);
  clock.advance(0.06);
  EXPECT_TRUE(ui::event_loop().pass(ui::UserInput::allow));
  // The nested pass found only the tick it must skip, so a wait spinning on it may sleep.
  EXPECT_EQ(nested_passes, (std::vector<bool>{false}));
}

TEST_F(FormLifetimeTest, TimerDestroyedByItsOwnHandlerStopsCleanly) {
  auto& clock = use_manual_clock();
  auto& host = frm_host();
  auto timer = std::make_unique<ui::Timer>(host, "one_shot", 10);
  int ticks = 0;
  timer->on_timer = [&ticks, &timer] {
    ++ticks;
    timer.reset();
  };
  for (int pass = 0; pass < 3; ++pass) {
    clock.advance(0.02);
    ui::do_events();
  }
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(timer, nullptr);
}

TEST_F(FormLifetimeTest, TimerOfAnUnloadedFormDoesNotShortenAWait) {
  auto& clock = use_manual_clock();
  auto& host = frm_host();
  double until_next_tick = 0;
  host.button.on_click = [&] {
    host.ticker.set_enabled(true);
    host.unload();
    // Still inside the form's handler: the form lives on, its timer never ticks again.
    clock.advance(1.0);
    until_next_tick = ui::event_loop().seconds_until_next_timer();
  };
  host.button.click();
  EXPECT_GT(until_next_tick, 1.0);
}

TEST_F(FormLifetimeTest, ProgramEndWhileAModalLoopRunsEndsTheLoop) {
  ui::event_loop().post_user_input([] { ui::end_program(); });
  frm_modal().show_modal();
  EXPECT_TRUE(program_ended());
  EXPECT_FALSE(frm_modal().is_modal());
}

TEST_F(FormLifetimeTest, ErrorsFromInputAndSourcesAreReportedAndTheLoopGoesOn) {
  ui::event_loop().post_user_input([] { throw std::runtime_error("input went wrong"); });
  int polls = 0;
  ui::event_loop().add_source([&polls]() -> bool {
    ++polls;
    throw std::runtime_error("socket went wrong");
  });
  EXPECT_NO_THROW(ui::do_events());
  EXPECT_NO_THROW(ui::do_events());
  // The failing source is dropped after its first report, so its errors cannot pile up.
  EXPECT_EQ(polls, 1);
  ASSERT_EQ(presenter().shown_messages.size(), 2U);
  EXPECT_NE(presenter().shown_messages[0].text.find("input went wrong"), std::string::npos);
  EXPECT_NE(presenter().shown_messages[1].text.find("socket went wrong"), std::string::npos);
}

class FailingPresenter : public ui::Presenter {
 public:
  ui::MsgResult message_box(const ui::MessageBoxRequest& /*request*/) override {
    throw std::runtime_error("no display");
  }
  std::optional<std::string> file_dialog(const ui::FileDialogRequest& /*request*/) override {
    return std::nullopt;
  }
};

TEST_F(FormLifetimeTest, HandlerErrorStaysInsideEvenWhenItsReportFails) {
  auto& host = frm_host();
  ui::install_presenter(std::make_shared<FailingPresenter>());
  host.field.on_change = [] { throw std::runtime_error("bad value"); };
  EXPECT_NO_THROW(host.field.set_text("x"));
  EXPECT_FALSE(host.running_handler());
}

}  // namespace
