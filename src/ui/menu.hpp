#pragma once

#include <vector>

#include "ui/control.hpp"

namespace ui {

// A menu item: a top-level menu of the form's menu bar (no parent) or an item of another.
// The caption's "&" marks the access key.
class MenuItem : public Control {
 public:
  MenuItem(Form& form, std::string name, MenuItem* parent, int index = -1);
  ~MenuItem() override;

  [[nodiscard]] MenuItem* parent() const { return parent_; }
  [[nodiscard]] const std::vector<MenuItem*>& items() const { return items_; }
  [[nodiscard]] bool checked() const { return checked_; }
  void set_checked(bool value);
  // A separator line instead of a command.
  [[nodiscard]] bool separator() const { return caption() == "-"; }

  std::function<void()> on_click;
  // The user's choice of the item; a disabled or hidden item ignores it.
  void click();

 private:
  MenuItem* parent_;
  std::vector<MenuItem*> items_;
  bool checked_ = false;
};

}  // namespace ui
