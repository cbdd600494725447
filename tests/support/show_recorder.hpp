#pragma once
// Records which windows were shown and hidden, in order, as the window system would see them.

#include <string>
#include <vector>

#include "ui/form.hpp"

namespace test {

class ShowRecorder final : public ui::FormObserver {
 public:
  void form_loaded(ui::Form&) override {}
  void form_unloaded(ui::Form&) override {}
  void form_changed(ui::Form&) override {}
  void form_shown(ui::Form& form) override { events.push_back("show " + form.name()); }
  void form_hidden(ui::Form& form) override { events.push_back("hide " + form.name()); }
  void form_activated(ui::Form&) override {}
  void control_changed(ui::Control&, ui::Property) override {}
  std::vector<std::string> events;
};

}  // namespace test
