#pragma once
// The plots of the diagnostics window: the crank-wheel samples against their average, and
// one dyno log's torque and power curves over rpm. Both draw in the picture box's own units.

#include <array>
#include <optional>
#include <string>

#include "model/basic_types.hpp"
#include "ui/ui.hpp"

namespace ecu {

// The first 120 crank-wheel samples, each as a percentage of their average: within 50 % to
// 150 % at its level (yellow), outside that band on the middle line (light red).
void draw_wheel_plot(ui::PictureBox& area, const std::array<Single, 201>& samples);

// The x axis of the dyno plot: x = 0 at the trigger rpm, the full width at the end rpm.
struct DynoAxis {
  double trigger_rpm = 0;
  double rpm_span = 0;
};

struct DynoCurveColours {
  ui::Colour torque = ui::colours::black;
  ui::Colour power = ui::colours::black;
};

struct DynoMaxima {
  Single torque = 0;
  Single power = 0;
};

// Reads one dyno log (its header lines, then records of its fields) and returns its largest
// torque and power, or nothing when the file does not exist. With an area it also draws each
// record's torque and power point, joined to the previous one, against `torque_scale` at the
// top edge. Torque is the rpm change per unit of the Time column; power is rpm / 5252 times
// torque. A record of fewer fields, or whose time, rpm, torque or power is beyond a single,
// is skipped; a point beyond a single is not drawn; with a zero rpm span nothing is drawn.
std::optional<DynoMaxima> plot_dyno_file(const std::string& path, Single torque_scale,
                                         const DynoAxis& axis, ui::PictureBox* area,
                                         DynoCurveColours colours);

}  // namespace ecu
