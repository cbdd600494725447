#pragma once
// A window with one timer, standing in for the poll timers of the real windows or for a
// user who acts while a request waits: its handler runs inside the link's waits and modal
// dialogs too.

#include <functional>
#include <utility>

#include "ui/ui.hpp"

namespace test {

class TickForm final : public ui::Form {
 public:
  TickForm(int interval_ms, std::function<void()> handler) : ui::Form("tick_form", "", 1000, 1000) {
    tick.set_interval(interval_ms);
    tick.on_timer = std::move(handler);
  }
  // Every millisecond.
  explicit TickForm(std::function<void()> handler) : TickForm(1, std::move(handler)) {}

  ui::Timer tick{*this, "tick", 1000};
};

}  // namespace test
