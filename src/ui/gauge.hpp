#pragma once

#include "ui/control.hpp"

namespace ui {

// A round dial gauge: a needle over a numbered scale from 0 to its maximum, with two
// zone marks (for example where the red zone begins).
class Gauge : public Control {
 public:
  Gauge(Form& form, std::string name, int index = -1);

  [[nodiscard]] float value() const { return value_; }
  void set_value(float value);
  [[nodiscard]] float maximum() const { return maximum_; }
  void set_maximum(float value);
  // Distance between numbered marks on the scale.
  [[nodiscard]] float step() const { return step_; }
  void set_step(float value);
  [[nodiscard]] float zone_mark_1() const { return zone_mark_1_; }
  [[nodiscard]] float zone_mark_2() const { return zone_mark_2_; }
  void set_zone_marks(float first, float second);
  [[nodiscard]] float scale_factor() const { return scale_factor_; }
  // Divides the numbers printed on the scale (rpm shown in thousands, for example).
  void set_scale_factor(float value);

 private:
  float value_ = 0;
  float maximum_ = 100;
  float step_ = 10;
  float zone_mark_1_ = 0;
  float zone_mark_2_ = 0;
  float scale_factor_ = 1;
};

}  // namespace ui
