#include "model/calibration_keys.hpp"

#include <algorithm>

namespace ecu {

Long* find_calibration_scalar(std::string_view key) {
  const auto row = std::ranges::find(kCalibrationScalarKeys, key, &CalibrationScalarKey::key);
  return row == kCalibrationScalarKeys.end() ? nullptr : row->variable;
}

const CalibrationArrayKey* find_calibration_array(std::string_view key) {
  const auto row = std::ranges::find(kCalibrationArrayKeys, key, &CalibrationArrayKey::key);
  return row == kCalibrationArrayKeys.end() ? nullptr : &*row;
}

}  // namespace ecu
