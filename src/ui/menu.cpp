#include "ui/menu.hpp"

#include <algorithm>

#include "ui/form.hpp"

namespace ui {

MenuItem::MenuItem(Form& form, std::string name, MenuItem* parent, int index)
    : Control(form, ControlKind::menu_item, std::move(name), index), parent_(parent) {
  if (parent_) parent_->items_.push_back(this);
}

MenuItem::~MenuItem() {
  if (parent_) std::erase(parent_->items_, this);
  for (MenuItem* item : items_) item->parent_ = nullptr;
}

void MenuItem::set_checked(bool value) {
  if (value == checked_) return;
  checked_ = value;
  changed(Property::value);
}

void MenuItem::click() {
  if (!enabled() || !visible()) return;
  raise(on_click);
}

}  // namespace ui
