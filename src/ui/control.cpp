#include "ui/control.hpp"

#include <algorithm>
#include <stdexcept>

#include "ui/form.hpp"

namespace ui {

Control::Control(Form& form, ControlKind kind, std::string name, int index)
    : form_(form), kind_(kind), name_(std::move(name)), index_(index) {
  form_.add_control(this);
}

Control::~Control() {
  form_.remove_control(this);
}

void Control::changed(Property what) {
  if (auto* observer = forms().observer()) observer->control_changed(*this, what);
}

void Control::raise(const std::function<void()>& handler) {
  if (!handler) return;
  const std::function<void()> running = handler;
  form_.raise(running);
}

void Control::set_focus() {
  form_.set_focused_control(this);
  changed(Property::focus);
}

bool Control::has_focus() const {
  return form_.focused_control() == this;
}

void Control::place_in(Control& container, int tab_page) {
  container_ = &container;
  tab_page_ = tab_page;
  changed(Property::layout);
}

void Control::set_left(float value) {
  move(value, top_, width_, height_);
}
void Control::set_top(float value) {
  move(left_, value, width_, height_);
}
void Control::set_width(float value) {
  move(left_, top_, value, height_);
}
void Control::set_height(float value) {
  move(left_, top_, width_, value);
}

void Control::move(float left, float top, float width, float height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = std::max(0.0F, width);
  height_ = std::max(0.0F, height);
  changed(Property::geometry);
}

void Control::set_visible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  changed(Property::visibility);
}

void Control::set_enabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  changed(Property::enabled);
  enabled_changed();
}

void Control::set_tool_tip(std::string text) {
  if (text == tool_tip_) return;
  tool_tip_ = std::move(text);
  changed(Property::tool_tip);
}

void Control::set_fore_colour(Colour value) {
  if (value == fore_colour_) return;
  fore_colour_ = value;
  changed(Property::colours);
}

void Control::set_back_colour(Colour value) {
  if (value == back_colour_) return;
  back_colour_ = value;
  changed(Property::colours);
}

void Control::set_caption(std::string text) {
  if (text == caption_) return;
  caption_ = std::move(text);
  changed(Property::text);
}

Label::Label(Form& form, std::string name, int index)
    : Control(form, ControlKind::label, std::move(name), index) {}

void Label::set_alignment(Align value) {
  if (value == alignment_) return;
  alignment_ = value;
  changed(Property::text);
}

void Label::set_transparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  changed(Property::colours);
}

TextBox::TextBox(Form& form, std::string name, int index)
    : Control(form, ControlKind::text_box, std::move(name), index) {
  set_back_colour(colours::white);
}

void TextBox::set_text(std::string value) {
  if (value == text_) return;
  text_ = std::move(value);
  changed(Property::text);
  raise(on_change);
}

void TextBox::write_text(std::string value) {
  // Not through set_text: GCC 12 at -O3 sees an uninitialised read in the moved argument.
  if (value != text_) {
    text_ = std::move(value);
    changed(Property::text);
  }
  raise(on_change);
}

void TextBox::set_locked(bool value) {
  if (value == locked_) return;
  locked_ = value;
  changed(Property::enabled);
}

void TextBox::set_multi_line(bool value) {
  if (value == multi_line_) return;
  multi_line_ = value;
  changed(Property::layout);
}

void TextBox::get_focus() {
  form().set_focused_control(this);
  raise(on_got_focus);
}

int TextBox::key_down(int key_code, int shift) {
  raise_event(on_key_down, key_code, shift);
  return key_code;
}

int TextBox::key_press(int key_ascii) {
  raise_event(on_key_press, key_ascii);
  return key_ascii;
}

CheckBox::CheckBox(Form& form, std::string name, int index)
    : Control(form, ControlKind::check_box, std::move(name), index) {}

void CheckBox::set_value(int value) {
  if (value == value_) return;
  value_ = value;
  changed(Property::value);
  raise(on_click);
}

void CheckBox::click() {
  if (!enabled() || !visible()) return;
  set_value(value_ == checked ? unchecked : checked);
}

OptionButton::OptionButton(Form& form, std::string name, int index)
    : Control(form, ControlKind::option_button, std::move(name), index) {}

void OptionButton::set_value(bool value) {
  if (value == value_) return;
  value_ = value;
  changed(Property::value);
  if (!value) return;
  // The buttons of one container form one group: selecting one clears the others.
  for (Control* other : form().controls()) {
    if (other == this || other->kind() != ControlKind::option_button) continue;
    if (other->container() != container() || other->tab_page() != tab_page()) continue;
    auto* option = static_cast<OptionButton*>(other);
    if (option->value_) {
      option->value_ = false;
      option->changed(Property::value);
    }
  }
  raise(on_click);
}

CommandButton::CommandButton(Form& form, std::string name, int index)
    : Control(form, ControlKind::command_button, std::move(name), index) {}

void CommandButton::click() {
  if (!enabled() || !visible()) return;
  raise(on_click);
}

void CommandButton::set_picture(std::string path) {
  if (path == picture_) return;
  picture_ = std::move(path);
  changed(Property::picture);
}

Frame::Frame(Form& form, std::string name, int index)
    : Control(form, ControlKind::frame, std::move(name), index) {}

Shape::Shape(Form& form, std::string name, int index)
    : Control(form, ControlKind::shape, std::move(name), index) {}

void Shape::set_shape(Kind value) {
  if (value == shape_) return;
  shape_ = value;
  changed(Property::layout);
}

void Shape::set_fill_style(int value) {
  if (value == fill_style_) return;
  fill_style_ = value;
  changed(Property::colours);
}

void Shape::set_fill_colour(Colour value) {
  if (value == fill_colour_) return;
  fill_colour_ = value;
  changed(Property::colours);
}

void Shape::set_border_colour(Colour value) {
  if (value == border_colour_) return;
  border_colour_ = value;
  changed(Property::colours);
}

Line::Line(Form& form, std::string name, int index)
    : Control(form, ControlKind::line, std::move(name), index) {}

void Line::set_points(float x1, float y1, float x2, float y2) {
  if (x1 == x1_ && y1 == y1_ && x2 == x2_ && y2 == y2_) return;
  x1_ = x1;
  y1_ = y1;
  x2_ = x2;
  y2_ = y2;
  changed(Property::geometry);
}

void Line::set_border_colour(Colour value) {
  if (value == border_colour_) return;
  border_colour_ = value;
  changed(Property::colours);
}

ScrollBar::ScrollBar(Form& form, std::string name, int index)
    : Control(form, ControlKind::scroll_bar, std::move(name), index) {}

void ScrollBar::set_range(int minimum, int maximum) {
  minimum_ = std::min(minimum, maximum);
  maximum_ = std::max(minimum, maximum);
  changed(Property::value);
  set_value(value_);
}

void ScrollBar::set_value(int value) {
  value = std::clamp(value, minimum_, maximum_);
  if (value == value_) return;
  value_ = value;
  changed(Property::value);
  raise(on_change);
}

void ScrollBar::set_vertical(bool value) {
  if (value == vertical_) return;
  vertical_ = value;
  changed(Property::layout);
}

TabControl::TabControl(Form& form, std::string name, int tab_count, int index)
    : Control(form, ControlKind::tab_control, std::move(name), index),
      captions_(static_cast<std::size_t>(std::max(1, tab_count))),
      tab_enabled_(captions_.size(), true) {
  for (std::size_t tab = 0; tab < captions_.size(); ++tab) {
    captions_[tab] = "Tab " + std::to_string(tab);
  }
}

void TabControl::set_tabs_per_row(int value) {
  if (value < 1 || value == tabs_per_row_) return;
  tabs_per_row_ = value;
  changed(Property::layout);
}

const std::string& TabControl::tab_caption(int tab) const {
  static const std::string none;
  if (tab < 0 || tab >= tab_count()) return none;
  return captions_[static_cast<std::size_t>(tab)];
}

void TabControl::set_tab_caption(int tab, std::string caption) {
  if (tab < 0 || tab >= tab_count()) return;
  auto& slot = captions_[static_cast<std::size_t>(tab)];
  if (slot == caption) return;
  slot = std::move(caption);
  changed(Property::text);
}

bool TabControl::tab_enabled(int tab) const {
  return tab >= 0 && tab < tab_count() && tab_enabled_[static_cast<std::size_t>(tab)];
}

void TabControl::set_tab_enabled(int tab, bool value) {
  if (tab < 0 || tab >= tab_count()) return;
  if (tab_enabled_[static_cast<std::size_t>(tab)] == value) return;
  tab_enabled_[static_cast<std::size_t>(tab)] = value;
  changed(Property::enabled);
}

void TabControl::set_current_tab(int tab) {
  if (tab < 0 || tab >= tab_count() || tab == current_tab_) return;
  const int previous = current_tab_;
  current_tab_ = tab;
  changed(Property::value);
  raise_event(on_click, previous);
}

}  // namespace ui
