#pragma once
// The retained model of a window's controls. Setting a property from code behaves as on
// the desktop the console was designed for: a new Text runs the change handler, a new
// check box Value runs the click handler, and setting a value it already holds runs nothing.
// Geometry is in design units (twips, 15 to a pixel) relative to the container.

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ui/colour.hpp"

namespace ui {

class Form;
class TabControl;

enum class ControlKind {
  label,
  text_box,
  check_box,
  option_button,
  command_button,
  frame,
  shape,
  line,
  picture_box,
  menu_item,
  timer,
  tab_control,
  scroll_bar,
  grid,
  gauge,
  strip_chart,
};

// What changed, so a front-end can refresh only that much.
enum class Property {
  everything,
  text,
  value,
  colours,
  geometry,
  visibility,
  enabled,
  tool_tip,
  picture,
  drawing,
  cells,
  layout,
  points,
  focus,
};

class Control {
 public:
  Control(Form& form, ControlKind kind, std::string name, int index = -1);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  [[nodiscard]] ControlKind kind() const { return kind_; }
  [[nodiscard]] const std::string& name() const { return name_; }
  // Position in its control array, -1 for a control that is not in an array.
  [[nodiscard]] int index() const { return index_; }
  [[nodiscard]] Form& form() const { return form_; }

  // The frame, picture box or tab control the control sits in (nullptr: the form itself).
  [[nodiscard]] Control* container() const { return container_; }
  // The tab page within a tab control container, -1 otherwise.
  [[nodiscard]] int tab_page() const { return tab_page_; }
  void place_in(Control& container, int tab_page = -1);

  [[nodiscard]] float left() const { return left_; }
  [[nodiscard]] float top() const { return top_; }
  [[nodiscard]] float width() const { return width_; }
  [[nodiscard]] float height() const { return height_; }
  void set_left(float value);
  void set_top(float value);
  void set_width(float value);
  void set_height(float value);
  void move(float left, float top, float width, float height);

  [[nodiscard]] bool visible() const { return visible_; }
  void set_visible(bool value);
  [[nodiscard]] bool enabled() const { return enabled_; }
  void set_enabled(bool value);
  [[nodiscard]] const std::string& tool_tip() const { return tool_tip_; }
  void set_tool_tip(std::string text);

  [[nodiscard]] Colour fore_colour() const { return fore_colour_; }
  void set_fore_colour(Colour value);
  [[nodiscard]] Colour back_colour() const { return back_colour_; }
  void set_back_colour(Colour value);

  // Caption of labels, buttons, frames, check boxes, option buttons and menu items.
  [[nodiscard]] const std::string& caption() const { return caption_; }
  void set_caption(std::string text);

  // Moves the keyboard focus to this control.
  void set_focus();
  [[nodiscard]] bool has_focus() const;

  // Tells the front-end that something it shows changed.
  void changed(Property what);

 protected:
  // Runs a handler as an event of this control's form (tracked so that an unload waits).
  // The handler runs from a copy, so it may replace itself (or be replaced) while it runs.
  void raise(const std::function<void()>& handler);
  template <class... Params, class... Args>
  void raise_event(const std::function<void(Params...)>& handler, Args&&... args) {
    if (!handler) return;
    const std::function<void(Params...)> running = handler;
    raise([&] { running(std::forward<Args>(args)...); });
  }
  virtual void enabled_changed() {}

 private:
  Form& form_;
  ControlKind kind_;
  std::string name_;
  int index_;
  Control* container_ = nullptr;
  int tab_page_ = -1;
  float left_ = 0, top_ = 0, width_ = 1200, height_ = 375;
  bool visible_ = true;
  bool enabled_ = true;
  std::string tool_tip_;
  Colour fore_colour_ = colours::black;
  Colour back_colour_ = colours::button_face;
  std::string caption_;
};

class Label : public Control {
 public:
  Label(Form& form, std::string name, int index = -1);
  enum class Align { left, right, centre };
  [[nodiscard]] Align alignment() const { return alignment_; }
  void set_alignment(Align value);
  [[nodiscard]] bool transparent() const { return transparent_; }
  void set_transparent(bool value);
  std::function<void()> on_click;
  void click() { raise(on_click); }

 private:
  Align alignment_ = Align::left;
  bool transparent_ = false;
};

class TextBox : public Control {
 public:
  TextBox(Form& form, std::string name, int index = -1);
  [[nodiscard]] const std::string& text() const { return text_; }
  // A different text runs the change handler, from code as from typing.
  void set_text(std::string value);
  // Writes the text and runs the change handler even when the box already shows it: a reset
  // marks every field it writes, whatever it showed.
  void write_text(std::string value);
  [[nodiscard]] bool locked() const { return locked_; }
  void set_locked(bool value);
  [[nodiscard]] bool multi_line() const { return multi_line_; }
  void set_multi_line(bool value);

  std::function<void()> on_change;
  // Key code and shift mask; a handler may replace the key code (0 swallows the key).
  std::function<void(int& key_code, int shift)> on_key_down;
  // Character code of a typed key; a handler may replace it (0 swallows it).
  std::function<void(int& key_ascii)> on_key_press;
  std::function<void()> on_lost_focus;
  std::function<void()> on_got_focus;
  std::function<void()> on_double_click;

  // User actions, as a front-end or a test delivers them.
  void double_click() { raise(on_double_click); }
  int key_down(int key_code, int shift);
  int key_press(int key_ascii);
  void lose_focus() { raise(on_lost_focus); }
  // The user moved the focus here.
  void get_focus();

 private:
  std::string text_;
  bool locked_ = false;
  bool multi_line_ = false;
};

class CheckBox : public Control {
 public:
  CheckBox(Form& form, std::string name, int index = -1);
  static constexpr int unchecked = 0, checked = 1, grayed = 2;
  [[nodiscard]] int value() const { return value_; }
  // A different value runs the click handler.
  void set_value(int value);
  std::function<void()> on_click;
  // The user's click: unchecked and grey become checked, checked becomes unchecked.
  void click();

 private:
  int value_ = unchecked;
};

class OptionButton : public Control {
 public:
  OptionButton(Form& form, std::string name, int index = -1);
  [[nodiscard]] bool value() const { return value_; }
  // Selecting clears the other option buttons of the same container and runs the click
  // handler of the newly selected one; clearing runs nothing.
  void set_value(bool value);
  std::function<void()> on_click;
  void click() { set_value(true); }

 private:
  bool value_ = false;
};

class CommandButton : public Control {
 public:
  CommandButton(Form& form, std::string name, int index = -1);
  std::function<void()> on_click;
  // A disabled or hidden button ignores the user's click.
  void click();
  // A picture file, or the name of an icon of the desktop's icon theme ("application-exit").
  [[nodiscard]] const std::string& picture() const { return picture_; }
  void set_picture(std::string path);

 private:
  std::string picture_;
};

class Frame : public Control {
 public:
  Frame(Form& form, std::string name, int index = -1);
};

class Shape : public Control {
 public:
  Shape(Form& form, std::string name, int index = -1);
  enum class Kind { rectangle, square, oval, circle, rounded_rectangle, rounded_square };
  [[nodiscard]] Kind shape() const { return shape_; }
  void set_shape(Kind value);
  // 0 solid fill, 1 transparent (only the border drawn).
  [[nodiscard]] int fill_style() const { return fill_style_; }
  void set_fill_style(int value);
  [[nodiscard]] Colour fill_colour() const { return fill_colour_; }
  void set_fill_colour(Colour value);
  [[nodiscard]] Colour border_colour() const { return border_colour_; }
  void set_border_colour(Colour value);

 private:
  Kind shape_ = Kind::rectangle;
  int fill_style_ = 1;
  Colour fill_colour_ = colours::black;
  Colour border_colour_ = colours::black;
};

class Line : public Control {
 public:
  Line(Form& form, std::string name, int index = -1);
  [[nodiscard]] float x1() const { return x1_; }
  [[nodiscard]] float y1() const { return y1_; }
  [[nodiscard]] float x2() const { return x2_; }
  [[nodiscard]] float y2() const { return y2_; }
  void set_points(float x1, float y1, float x2, float y2);
  void set_x1(float value) { set_points(value, y1_, x2_, y2_); }
  void set_y1(float value) { set_points(x1_, value, x2_, y2_); }
  void set_x2(float value) { set_points(x1_, y1_, value, y2_); }
  void set_y2(float value) { set_points(x1_, y1_, x2_, value); }
  [[nodiscard]] Colour border_colour() const { return border_colour_; }
  void set_border_colour(Colour value);

 private:
  float x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
  Colour border_colour_ = colours::black;
};

class ScrollBar : public Control {
 public:
  ScrollBar(Form& form, std::string name, int index = -1);
  [[nodiscard]] int minimum() const { return minimum_; }
  [[nodiscard]] int maximum() const { return maximum_; }
  void set_range(int minimum, int maximum);
  [[nodiscard]] int value() const { return value_; }
  // A different value (kept within the range) runs the change handler.
  void set_value(int value);
  [[nodiscard]] bool vertical() const { return vertical_; }
  void set_vertical(bool value);
  std::function<void()> on_change;

 private:
  int minimum_ = 0, maximum_ = 100, value_ = 0;
  bool vertical_ = false;
};

class TabControl : public Control {
 public:
  TabControl(Form& form, std::string name, int tab_count, int index = -1);
  [[nodiscard]] int tab_count() const { return static_cast<int>(captions_.size()); }
  [[nodiscard]] int tabs_per_row() const { return tabs_per_row_; }
  void set_tabs_per_row(int value);
  [[nodiscard]] const std::string& tab_caption(int tab) const;
  void set_tab_caption(int tab, std::string caption);
  [[nodiscard]] bool tab_enabled(int tab) const;
  void set_tab_enabled(int tab, bool value);
  [[nodiscard]] int current_tab() const { return current_tab_; }
  // Moving to another tab runs the click handler with the tab that was current before.
  void set_current_tab(int tab);
  std::function<void(int previous_tab)> on_click;

 private:
  std::vector<std::string> captions_;
  std::vector<bool> tab_enabled_;
  int tabs_per_row_ = 4;
  int current_tab_ = 0;
};

// A control array: the elements share a name and are told apart by index. Handlers set
// through the array receive the element's index.
//
// An index outside the array throws std::out_of_range naming the array and the index, which
// the handler that asked turns into a message; it never reaches memory outside the array.
template <class C>
class ControlArray {
 public:
  template <class... Extra>
  ControlArray(Form& form, const std::string& name, int count, Extra&&... extra) : name_(name) {
    elements_.reserve(static_cast<std::size_t>(std::max(0, count)));
    for (int i = 0; i < count; ++i) {
      elements_.push_back(std::make_unique<C>(form, name, std::forward<Extra>(extra)..., i));
    }
  }
  C& operator[](int index) { return *elements_[checked(index)]; }
  const C& operator[](int index) const { return *elements_[checked(index)]; }
  [[nodiscard]] int count() const { return static_cast<int>(elements_.size()); }
  [[nodiscard]] bool contains(int index) const { return index >= 0 && index < count(); }

  // Sets one handler member on every element, passing the element's index.
  template <class Member, class Handler>
  void on(Member member, Handler handler) {
    for (auto& element : elements_) {
      const int index = element->index();
      (*element).*member = [handler, index](auto&&... args) {
        handler(index, std::forward<decltype(args)>(args)...);
      };
    }
  }

  auto begin() { return elements_.begin(); }
  auto end() { return elements_.end(); }

 private:
  [[nodiscard]] std::size_t checked(int index) const {
    if (!contains(index)) {
      throw std::out_of_range(name_ + "(" + std::to_string(index) + ") does not exist");
    }
    return static_cast<std::size_t>(index);
  }

  std::string name_;
  std::vector<std::unique_ptr<C>> elements_;
};

}  // namespace ui
