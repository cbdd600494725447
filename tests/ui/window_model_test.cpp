#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/console_test.hpp"
#include "ui/ui.hpp"

namespace {

std::vector<std::string>& journal() {
  static std::vector<std::string> entries;
  return entries;
}

class SampleForm : public ui::Form {
 public:
  SampleForm() : ui::Form("frm_sample", "Sample", 6000, 4000) {
    field.on_change = [this] { journal().push_back("change " + field.text()); };
    flag.on_click = [this] { journal().push_back("click " + std::to_string(flag.value())); };
    modes.on(&ui::OptionButton::on_click,
             [](int index) { journal().push_back("mode " + std::to_string(index)); });
    others[0].place_in(group);
    others[1].place_in(group);
    ticker.on_timer = [this] { on_tick(); };
    close_button.on_click = [this] {
      unload();
      journal().push_back("after unload");
    };
  }

  ui::TextBox field{*this, "field"};
  ui::CheckBox flag{*this, "flag"};
  ui::ControlArray<ui::OptionButton> modes{*this, "modes", 3};
  ui::Frame group{*this, "group"};
  ui::ControlArray<ui::OptionButton> others{*this, "others", 2};
  ui::Timer ticker{*this, "ticker", 50, false};
  ui::CommandButton close_button{*this, "close_button"};
  ui::Grid table{*this, "table", 10, 10};
  int ticks = 0;
  bool nested_wait = false;

 protected:
  void on_load() override { journal().push_back("load"); }
  void on_activate() override { journal().push_back("activate " + name()); }
  void on_unload() override { journal().push_back("unload"); }

 private:
  void on_tick() {
    ++ticks;
    if (!nested_wait) return;
    // A wait inside the handler lets the loop run; the timer must not tick into itself.
    for (int i = 0; i < 20; ++i) ui::event_loop().wait_pass(ui::UserInput::allow);
  }
};

class OtherForm : public ui::Form {
 public:
  OtherForm() : ui::Form("frm_other", "Other", 3000, 2000) {}

 protected:
  void on_activate() override { journal().push_back("activate " + name()); }
};

ui::FormInstance<SampleForm> frm_sample;
ui::FormInstance<OtherForm> frm_other;

class WindowModelTest : public test::ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    journal().clear();
  }
};

TEST_F(WindowModelTest, FirstTouchCreatesTheWindowHiddenAndRunsItsLoadOnce) {
  EXPECT_FALSE(frm_sample.loaded());
  frm_sample().field.set_text("x");
  frm_sample().flag.set_value(1);
  EXPECT_TRUE(frm_sample.loaded());
  EXPECT_FALSE(frm_sample().visible());
  EXPECT_EQ(journal(), (std::vector<std::string>{"load", "change x", "click 1"}));
}

TEST_F(WindowModelTest, UnloadedWindowComesBackWithItsDesignValues) {
  frm_sample().field.set_text("edited");
  frm_sample().unload();
  EXPECT_FALSE(frm_sample.loaded());
  EXPECT_EQ(frm_sample().field.text(), "");
  EXPECT_EQ(journal(), (std::vector<std::string>{"load", "change edited", "unload", "load"}));
}

TEST_F(WindowModelTest, UnloadFromItsOwnHandlerWaitsUntilTheHandlerReturns) {
  SampleForm& form = frm_sample();
  form.field.set_text("edited");
  form.close_button.click();
  // The handler went on after the unload with its form still alive (ASan would object).
  EXPECT_EQ(journal().back(), "after unload");
  EXPECT_FALSE(frm_sample.loaded());
  ui::do_events();
  EXPECT_EQ(frm_sample().field.text(), "");
  EXPECT_EQ(std::count(journal().begin(), journal().end(), "load"), 2);
}

TEST_F(WindowModelTest, CodeWritesRaiseEventsOnlyWhenTheValueChanges) {
  auto& form = frm_sample();
  journal().clear();
  form.field.set_text("12");
  form.field.set_text("12");
  form.flag.set_value(ui::CheckBox::grayed);
  form.flag.set_value(ui::CheckBox::grayed);
  form.table.set_cell_text(2, 3, "7");
  form.table.set_cell_text(2, 3, "7");
  EXPECT_EQ(journal(), (std::vector<std::string>{"change 12", "click 2"}));
}

TEST_F(WindowModelTest, GridRaisesCellChangeForCodeWritesAndIgnoresCellsOutside) {
  auto& grid = frm_sample().table;
  std::vector<std::pair<int, int>> changes;
  grid.on_cell_change = [&](int row, int col) { changes.emplace_back(row, col); };
  grid.set_cell_text(1, 1, "a");
  grid.set_cell_text(10, 1, "outside");
  grid.set_cell_text(-1, 0, "outside");
  EXPECT_EQ(changes, (std::vector<std::pair<int, int>>{{1, 1}}));
  EXPECT_EQ(grid.cell_text(10, 1), "");
  grid.mouse_down(1, 0, 99, 99);
  EXPECT_EQ(grid.mouse_row(), -1);
  EXPECT_EQ(grid.mouse_col(), -1);
}

TEST_F(WindowModelTest, KeyHandlersCanSwallowTheKey) {
  auto& grid = frm_sample().table;
  grid.on_key_down = [](int& key, int shift) {
    if (key == 38 && shift == 1) key = 0;
  };
  EXPECT_EQ(grid.key_down(38, 1), 0);
  EXPECT_EQ(grid.key_down(38, 0), 38);
}

TEST_F(WindowModelTest, SelectingAnOptionClearsOnlyItsOwnGroup) {
  auto& form = frm_sample();
  form.others[0].set_value(true);
  journal().clear();
  form.modes[1].set_value(true);
  form.modes[2].click();
  EXPECT_FALSE(form.modes[1].value());
  EXPECT_TRUE(form.modes[2].value());
  EXPECT_TRUE(form.others[0].value()) << "a button in another frame is another group";
  form.modes[2].set_value(true);
  EXPECT_EQ(journal(), (std::vector<std::string>{"mode 1", "mode 2"}));
}

TEST_F(WindowModelTest, DisabledButtonIgnoresTheUsersClick) {
  auto& form = frm_sample();
  int clicks = 0;
  form.close_button.on_click = [&] { ++clicks; };
  form.close_button.set_enabled(false);
  form.close_button.click();
  form.close_button.set_enabled(true);
  form.close_button.click();
  EXPECT_EQ(clicks, 1);
}

TEST_F(WindowModelTest, TimersTickOnTheLoopAndNeverReenterTheirHandler) {
  auto& clock = use_manual_clock();
  auto& form = frm_sample();
  form.ticker.set_enabled(true);
  clock.advance(0.049);
  ui::do_events();
  EXPECT_EQ(form.ticks, 0);
  clock.advance(0.002);
  ui::do_events();
  EXPECT_EQ(form.ticks, 1);

  // Inside this tick the handler spins the loop for 20 ms of manual time, well past the
  // next due time: that tick is skipped rather than run inside the first.
  form.nested_wait = true;
  clock.advance(0.05);
  ui::do_events();
  EXPECT_EQ(form.ticks, 2);

  // A handler that outlasts its interval (20 ms of waiting, 10 ms interval) is not entered
  // again by the ticks falling due meanwhile; it runs once more as soon as it has returned.
  form.ticker.set_interval(10);
  clock.advance(0.010);
  ui::do_events();
  EXPECT_EQ(form.ticks, 3);
  EXPECT_LE(ui::event_loop().seconds_until_next_timer(), 0.0) << "due at once";
  form.nested_wait = false;
  ui::do_events();
  EXPECT_EQ(form.ticks, 4);
  ui::do_events();
  EXPECT_EQ(form.ticks, 4) << "the ticks missed are not made up";
}

TEST_F(WindowModelTest, IdleWaitSleepsAboutAMillisecondButNotPastTheNextTick) {
  auto& clock = use_manual_clock();
  auto& form = frm_sample();
  struct Step {
    double before;  // time moved on before the pass
    double slept;   // what the pass then slept
  };
  // The timer ticks every 50 ms; the third wait ends where it falls due, the fourth runs it.
  form.ticker.set_enabled(true);
  const std::vector<Step> steps = {{0.0, 0.001}, {0.0, 0.001}, {0.0476, 0.0004}, {0.0, 0.0}};
  for (const Step& step : steps) {
    clock.advance(step.before);
    const double start = clock.monotonic_seconds();
    ui::event_loop().wait_pass(ui::UserInput::allow);
    EXPECT_NEAR(clock.monotonic_seconds() - start, step.slept, 1e-9);
  }
  EXPECT_EQ(form.ticks, 1);
}

TEST_F(WindowModelTest, HeldUserInputWaitsForAPassThatAllowsIt) {
  int clicks = 0;
  ui::event_loop().post_user_input([&] { ++clicks; });
  ui::do_events_without_user_input();
  EXPECT_EQ(clicks, 0);
  ui::do_events();
  EXPECT_EQ(clicks, 1);
}

// A long command serves the user between two requests: the command of a menu click it serves
// runs in the same serve, next, before the input that came after the click.
TEST_F(WindowModelTest, TheCommandOfAServedMenuClickRunsNextInTheSameServe) {
  std::vector<std::string> order;
  auto& loop = ui::event_loop();
  loop.post_user_input([&] {
    order.emplace_back("update begins");
    loop.serve_user_input();
    order.emplace_back("update ends");
  });
  loop.post_user_input([&] {
    order.emplace_back("menu click");
    loop.post_user_input_first([&] { order.emplace_back("its command"); });
  });
  loop.post_user_input([&] { order.emplace_back("later click"); });
  ui::do_events();
  EXPECT_EQ(order, (std::vector<std::string>{"update begins", "menu click", "its command",
                                             "later click", "update ends"}));
}

TEST_F(WindowModelTest, ShowActivatesAndHidingTheActiveWindowActivatesTheTopmost) {
  frm_sample().show();
  frm_other().show();
  frm_other().show();
  ui::msg_box("a message box does not change the active window");
  frm_other().hide();
  EXPECT_EQ(journal(), (std::vector<std::string>{"load", "activate frm_sample",
                                                 "activate frm_other", "activate frm_sample"}));
  EXPECT_EQ(ui::forms().active(), &frm_sample());
}

TEST_F(WindowModelTest, ModalShowReturnsWhenTheUserHidesTheWindow) {
  auto& form = frm_sample();
  form.close_button.on_click = [&] { form.hide(); };
  ui::event_loop().post_user_input([&] { form.close_button.click(); });
  form.show_modal();
  EXPECT_FALSE(form.visible());
  EXPECT_FALSE(form.is_modal());
}

TEST_F(WindowModelTest, AnExceptionInAHandlerBecomesAMessageAndTheLoopGoesOn) {
  auto& form = frm_sample();
  form.field.on_change = [] { throw std::runtime_error("bad value"); };
  form.field.set_text("boom");
  ASSERT_EQ(presenter().shown_messages.size(), 1U);
  EXPECT_NE(presenter().shown_messages[0].text.find("bad value"), std::string::npos);
  EXPECT_EQ(presenter().shown_messages[0].title, "ECU System Console");
}

TEST_F(WindowModelTest, ScriptedPresenterAnswersInOrderThenTakesTheDefault) {
  presenter().answer_next(ui::MsgResult::yes);
  EXPECT_EQ(ui::msg_box("q", ui::MsgButtons::yes_no, ui::MsgIcon::question, 1, "ECU"),
            ui::MsgResult::yes);
  EXPECT_EQ(ui::msg_box("q", ui::MsgButtons::yes_no, ui::MsgIcon::question, 1, "ECU"),
            ui::MsgResult::no);
  EXPECT_EQ(presenter().shown_messages[0].title, "ECU");
}

TEST_F(WindowModelTest, EndingTheProgramRunsEveryShutdownStepOnce) {
  int closed = 0;
  ui::add_shutdown_step([&] { ++closed; });
  ui::add_shutdown_step([] { throw std::runtime_error("close failed"); });
  ui::add_shutdown_step([&] { ++closed; });
  ui::end_program();
  ui::end_program();
  EXPECT_EQ(closed, 2);
  EXPECT_TRUE(program_ended());
}

TEST_F(WindowModelTest, StripChartKeepsRecentSamplesAndIgnoresChannelsOutside) {
  auto& form = frm_sample();
  ui::StripChart chart(form, "chart");
  chart.select_channel(20);
  for (int i = 0; i < ui::StripChart::kHistory + 5; ++i) chart.add_point(static_cast<float>(i));
  chart.select_channel(21);
  chart.add_point(1.0F);
  const auto samples = chart.samples(20);
  ASSERT_EQ(samples.size(), static_cast<std::size_t>(ui::StripChart::kHistory));
  EXPECT_EQ(samples.front(), 5.0F);
  EXPECT_EQ(samples.back(), static_cast<float>(ui::StripChart::kHistory + 4));
  EXPECT_TRUE(chart.samples(21).empty());
}

}  // namespace
