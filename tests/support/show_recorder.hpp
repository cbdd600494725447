#pragma once
// Records which windows were shown and hidden, in order, as the window system would see them,
// and tells which are on the screen.

#include <algorithm>
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

// The windows on the screen now, by name, in alphabetical order.
inline std::vector<std::string> shown_windows() {
  std::vector<std::string> names;
  for (const ui::Form* form : ui::forms().loaded()) {
    if (form->visible()) names.push_back(form->name());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace test
