#include "ui/caption_set.hpp"

#include <stdexcept>

namespace ui {

namespace {

// A caption's text sits a little lower than the top of a box beside it, level with the
// box's text.
constexpr float kTextDrop = 45;
constexpr float kCaptionHeight = 255;
// An 8 point dialog font runs to about seven pixels a character on average.
constexpr float kTwipsPerCharacter = 100;
constexpr float kSpareTwips = 120;

}  // namespace

CaptionSet::CaptionSet(Form& form, std::string name) : form_(form), name_(std::move(name)) {}

Label& CaptionSet::add(const std::string& text, float left, float top, float width, float height,
                       Control* container, int tab_page) {
  auto label = std::make_unique<Label>(form_, name_, count());
  if (container) label->place_in(*container, tab_page);
  label->move(left, top, width, height);
  label->set_caption(text);
  // Captions show the colour of whatever they stand on.
  label->set_transparent(true);
  labels_.push_back(std::move(label));
  return *labels_.back();
}

void CaptionSet::beside(const Control& field, const std::string& caption, const std::string& unit) {
  // A label's text starts at its top already.
  const float top = field.top() + (field.kind() == ControlKind::label ? 0 : kTextDrop);
  if (!caption.empty()) {
    const float width = text_width(caption);
    Label& label = add(caption, field.left() - kGap - width, top, width, kCaptionHeight,
                       field.container(), field.tab_page());
    label.set_alignment(Label::Align::right);
  }
  if (!unit.empty()) {
    add(unit, field.left() + field.width() + kGap, top, text_width(unit), kCaptionHeight,
        field.container(), field.tab_page());
  }
}

float CaptionSet::text_width(const std::string& text) {
  return static_cast<float>(text.size()) * kTwipsPerCharacter + kSpareTwips;
}

Label& CaptionSet::above(const Control& field, const std::string& caption, float width,
                         float height) {
  Label& label = add(caption, field.left() + (field.width() - width) / 2, field.top() - height,
                     width, height, field.container(), field.tab_page());
  label.set_alignment(Label::Align::centre);
  return label;
}

const Label& CaptionSet::operator[](int index) const {
  if (index < 0 || index >= count()) {
    throw std::out_of_range(name_ + ": no caption " + std::to_string(index));
  }
  return *labels_[static_cast<std::size_t>(index)];
}

}  // namespace ui
