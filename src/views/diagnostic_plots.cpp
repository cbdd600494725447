#include "views/diagnostic_plots.hpp"

#include <string_view>
#include <vector>

#include "ui/number_parse.hpp"
#include "ui/rounding.hpp"
#include "ui/text_file.hpp"
#include "views/dyno_log.hpp"

namespace ecu {

namespace {

constexpr int kWheelSamples = 120;
constexpr double kBandLow = 50.0;
constexpr double kBandHigh = 150.0;
// An average of 0 would divide by zero: every sample then falls out of the band.
constexpr double kSmallestAverage = 0.000001;

// Horsepower is torque in pound-feet times rpm / 5252.
constexpr double kPowerDivisor = 5252.0;
constexpr float kPointRadius = 20;
constexpr Single kDefaultTorqueScale = 1000;

std::vector<std::string_view> split_fields(std::string_view line) {
  std::vector<std::string_view> fields;
  while (true) {
    const std::size_t comma = line.find(',');
    fields.push_back(line.substr(0, comma));
    if (comma == std::string_view::npos) return fields;
    line.remove_prefix(comma + 1);
  }
}

struct Point {
  double x = 0;
  double y = 0;
};

}  // namespace

void draw_wheel_plot(ui::PictureBox& area, const std::array<Single, 201>& samples) {
  const double width = ui::round_half_even(area.width());
  const double height = ui::round_half_even(area.height());
  area.cls();
  const auto middle = static_cast<float>(ui::round_half_even(height - height * 0.5));
  area.line(0, middle, 0, middle, ui::colours::yellow);

  double sum = 0;
  for (int i = 0; i < kWheelSamples; ++i) sum += samples[static_cast<std::size_t>(i)];
  double average = sum / kWheelSamples;
  if (average == 0) average = kSmallestAverage;

  for (int i = 0; i < kWheelSamples; ++i) {
    double percent = samples[static_cast<std::size_t>(i)] / average * 100.0;
    ui::Colour colour = ui::colours::yellow;
    if (percent > kBandHigh || percent < kBandLow) {
      percent = 100.0;
      colour = ui::colours::light_red;
    }
    // 50 % maps to the bottom, 100 % to the middle, 150 % to the top.
    const double level = (percent - 100.0) / 100.0 + 0.5;
    const double x = ui::round_half_even(i / double{kWheelSamples - 1} * width);
    const double y = ui::round_half_even(height - height * level);
    area.line_to(static_cast<float>(x), static_cast<float>(y), colour);
  }
}

std::optional<DynoMaxima> plot_dyno_file(const std::string& path, Single torque_scale,
                                         const DynoAxis& axis, ui::PictureBox* area,
                                         DynoCurveColours colours) {
  if (!ui::file_exists(path)) return std::nullopt;
  ui::TextFileReader reader;
  if (!reader.open(path)) return std::nullopt;
  if (torque_scale == 0) torque_scale = kDefaultTorqueScale;
  const double width = area ? ui::round_half_even(area->width()) : 0;
  const double height = area ? ui::round_half_even(area->height()) : 0;
  // A zero span leaves nowhere to put a point: the file is only measured.
  const bool draw = area != nullptr && axis.rpm_span != 0;

  // The columns as the log's writer lays them out.
  const auto field_index = [](std::string_view column) {
    return static_cast<std::size_t>(dyno_log_field_number(column) - 1);
  };
  const std::size_t time_field = field_index("Time");
  const std::size_t rpm_field = field_index("RPM");
  for (int line = 0; line < kDynoLogHeaderLines; ++line) reader.read_line();

  double previous_time = 0;
  double previous_rpm = 0;
  double torque = 0;
  double maximum_torque = 0;
  double maximum_power = 0;
  bool first_record = true;
  // The first point drawn starts the curves; no segment leads to it.
  bool has_previous = false;
  Point previous_torque;
  Point previous_power;
  while (const std::optional<std::string> line = reader.read_line()) {
    const std::vector<std::string_view> fields = split_fields(*line);
    if (fields.size() < static_cast<std::size_t>(kDynoLogFields)) continue;
    const double time = ui::leading_number(fields.at(time_field));
    const double rpm = ui::leading_number(fields.at(rpm_field));
    const double elapsed = time - previous_time;
    // The first record has no rpm change of its own: its torque is 0.
    const double rpm_change = first_record ? 0.0 : rpm - previous_rpm;
    // Two records at the same time keep the torque of the one before.
    const double record_torque = elapsed != 0 ? rpm_change / elapsed : torque;
    const double rpm_factor = rpm / kPowerDivisor;
    const double power = rpm_factor * record_torque;
    // The maxima are singles: a record beyond them (an rpm of 1E39) would make them infinite
    // and flatten every curve, so it is skipped like a short one.
    if (!ui::fits_single(time) || !ui::fits_single(rpm) || !ui::fits_single(record_torque) ||
        !ui::fits_single(power)) {
      continue;
    }
    previous_time = time;
    previous_rpm = rpm;
    torque = record_torque;
    if (power > maximum_power) maximum_power = power;
    if (torque > maximum_torque) maximum_torque = torque;

    if (draw) {
      const double share = torque / torque_scale;
      const Point at_torque{ui::round_half_even((rpm - axis.trigger_rpm) / axis.rpm_span * width),
                            ui::round_half_even(height - share * height)};
      const Point at_power{at_torque.x, ui::round_half_even(height - share * rpm_factor * height)};
      // Drawn in singles: a point beyond them is left out.
      if (ui::fits_single(at_torque.x) && ui::fits_single(at_torque.y) &&
          ui::fits_single(at_power.y)) {
        if (!has_previous) {
          previous_torque = at_torque;
          previous_power = at_power;
          has_previous = true;
        }
        const auto f = [](double value) { return static_cast<float>(value); };
        area->line(f(previous_torque.x), f(previous_torque.y), f(at_torque.x), f(at_torque.y),
                   colours.torque);
        area->circle(f(at_torque.x), f(at_torque.y), kPointRadius, colours.torque);
        area->line(f(previous_power.x), f(previous_power.y), f(at_power.x), f(at_power.y),
                   colours.power);
        area->circle(f(at_power.x), f(at_power.y), kPointRadius, colours.power);
        previous_torque = at_torque;
        previous_power = at_power;
      }
    }
    first_record = false;
  }
  return DynoMaxima{static_cast<Single>(maximum_torque), static_cast<Single>(maximum_power)};
}

}  // namespace ecu
