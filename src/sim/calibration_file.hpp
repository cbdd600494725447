#pragma once
// The simulated controller's calibration file: the calibration a program kept between runs.
// Text, one line each: a first line naming the format and its version, the memory in lines
// of 32 bytes ("memory 0100 " and 64 hex digits; a line left out is all zeros), each setting
// block ("setting 21 " and its payload in hex), and a last line "end " with an 8-digit
// checksum of everything before it, so a file cut short or changed is seen as damaged.

#include <string>

#include "sim/calibration.hpp"

namespace sim {

// The file's whole text for a calibration.
std::string calibration_file_text(const Calibration& calibration);

struct LoadedCalibration {
  Calibration calibration;
  // What the program reports: the file read, or why the starting calibration was taken.
  std::string message;
  // False when a damaged file could not be put aside, so saving would replace it.
  bool may_save = true;
};

// The calibration in the file at `path`. A missing file gives the starting calibration; so
// does a damaged one, which is first renamed to `path` + ".damaged" (".damaged.2" and on
// when that is taken) so nothing is lost.
// Settings the file lacks keep their starting values.
LoadedCalibration load_calibration_file(const std::string& path);

// Writes the file under a temporary name and renames it over `path`; an empty text on
// success, else the reason.
std::string save_calibration_file(const std::string& path, const Calibration& calibration);

}  // namespace sim
