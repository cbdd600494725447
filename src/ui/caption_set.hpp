#pragma once
// The design captions of a window: the labels that name a field or give its unit and that
// no code changes once the window is laid out. They belong to the window they were made for
// and are drawn beneath its other controls.

#include <memory>
#include <string>
#include <vector>

#include "ui/control.hpp"

namespace ui {

class CaptionSet {
 public:
  // The captions are labels of `form` named `name`, indexed in the order they are added.
  CaptionSet(Form& form, std::string name);

  // A caption at a place on the form, or within `container` (on tab page `tab_page` of a
  // tab control).
  Label& add(const std::string& text, float left, float top, float width, float height,
             Control* container = nullptr, int tab_page = -1);

  // A caption ending just left of `field` and, when `unit` is not empty, a unit just right
  // of it, both on the field's row and in the field's container; each as wide as its text.
  void beside(const Control& field, const std::string& caption, const std::string& unit = "");

  // A caption centred above `field`.
  Label& above(const Control& field, const std::string& caption, float width, float height);

  [[nodiscard]] int count() const { return static_cast<int>(labels_.size()); }
  [[nodiscard]] const Label& operator[](int index) const;

  // Room between a caption and its field, in twips.
  static constexpr float kGap = 90;
  // The width one line of `text` takes in the windows' dialog font, with a little to spare.
  [[nodiscard]] static float text_width(const std::string& text);

 private:
  Form& form_;
  std::string name_;
  std::vector<std::unique_ptr<Label>> labels_;
};

}  // namespace ui
