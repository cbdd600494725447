#pragma once
// The starting point of every test that touches windows or shared state: no windows, no
// shared state, a scripted presenter, a manual clock when asked for, and an ending of the
// program that is recorded instead of leaving the test run.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>

#include "ui/ui.hpp"

namespace test {

class ConsoleTest : public ::testing::Test {
 public:
  // The random source of the demo values starts from this seed in every test.
  static constexpr std::uint32_t kRandomSeed = 20101202;

 protected:
  void SetUp() override;
  void TearDown() override;

  // Replaces the system clock by one that moves only when told to.
  ui::ManualClock& use_manual_clock();

  ui::ScriptedPresenter& presenter() { return *presenter_; }
  [[nodiscard]] bool program_ended() const { return *program_ended_; }

 private:
  std::filesystem::path scratch_folder_;
  std::shared_ptr<ui::ScriptedPresenter> presenter_;
  std::shared_ptr<ui::ManualClock> manual_clock_;
  std::shared_ptr<bool> program_ended_ = std::make_shared<bool>(false);
};

}  // namespace test
