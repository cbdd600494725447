#pragma once
// Checks that a window has a control other code relies on, under its name, of its kind and
// with its element range.

#include <gtest/gtest.h>

#include <string>

#include "ui/ui.hpp"

namespace test {

// Name, kind and element count (0: a single control) of a control other code relies on.
struct ControlShape {
  std::string name;
  ui::ControlKind kind;
  int elements;
};

inline void expect_control_shape(const ui::Form& form, const ControlShape& shape) {
  if (shape.elements == 0) {
    const ui::Control* control = form.find_control(shape.name);
    ASSERT_NE(control, nullptr) << form.name() << "." << shape.name;
    EXPECT_EQ(control->kind(), shape.kind) << shape.name;
    EXPECT_EQ(form.find_control(shape.name, 0), nullptr) << shape.name << " is no array";
    return;
  }
  EXPECT_EQ(form.find_control(shape.name), nullptr) << shape.name << " is an array";
  for (int index = 0; index < shape.elements; ++index) {
    const ui::Control* control = form.find_control(shape.name, index);
    ASSERT_NE(control, nullptr) << form.name() << "." << shape.name << "(" << index << ")";
    EXPECT_EQ(control->kind(), shape.kind) << shape.name << "(" << index << ")";
  }
  EXPECT_EQ(form.find_control(shape.name, shape.elements), nullptr)
      << shape.name << " ends at " << shape.elements - 1;
}

}  // namespace test
