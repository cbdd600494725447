#include "ui/gauge.hpp"

#include <cmath>

namespace ui {

Gauge::Gauge(Form& form, std::string name, int index)
    : Control(form, ControlKind::gauge, std::move(name), index) {}

void Gauge::set_value(float value) {
  if (!std::isfinite(value) || value == value_) return;
  value_ = value;
  changed(Property::value);
}

void Gauge::set_maximum(float value) {
  if (!std::isfinite(value) || value == maximum_) return;
  maximum_ = value;
  changed(Property::layout);
}

void Gauge::set_step(float value) {
  if (!std::isfinite(value) || value == step_) return;
  step_ = value;
  changed(Property::layout);
}

void Gauge::set_zone_marks(float first, float second) {
  if (!std::isfinite(first) || !std::isfinite(second)) return;
  if (first == zone_mark_1_ && second == zone_mark_2_) return;
  zone_mark_1_ = first;
  zone_mark_2_ = second;
  changed(Property::layout);
}

void Gauge::set_scale_factor(float value) {
  if (!std::isfinite(value) || value == 0 || value == scale_factor_) return;
  scale_factor_ = value;
  changed(Property::layout);
}

}  // namespace ui
