#include "support/console_test.hpp"

#include "model/shared_state.hpp"

namespace test {

void ConsoleTest::SetUp() {
  ui::discard_all_forms();
  ui::reset_program_end();
  ecu::reset_shared_state();
  presenter_ = std::make_shared<ui::ScriptedPresenter>();
  ui::install_presenter(presenter_);
  auto ended = program_ended_;
  ui::set_program_end([ended] { *ended = true; });
  ui::install_clock(nullptr);
}

void ConsoleTest::TearDown() {
  ui::discard_all_forms();
  ui::reset_program_end();
  ui::set_program_end(nullptr);
  ui::install_clock(nullptr);
  ui::install_presenter(nullptr);
  ecu::reset_shared_state();
}

ui::ManualClock& ConsoleTest::use_manual_clock() {
  manual_clock_ = std::make_shared<ui::ManualClock>();
  ui::install_clock(manual_clock_);
  return *manual_clock_;
}

}  // namespace test
