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
  // What the program reports: the file read, why the starting calibration was taken, or why
  // the path is refused.
  std::string message;
  // False when a damaged file could not be put aside, so saving would replace it.
  bool may_save = true;
  // The path leads to no regular file (a folder, a fifo, a device, a socket): nothing was
  // read, opened in a way that could wait, or renamed, and the program does not start.
  bool refused = false;
};

// The calibration in the file at `path`. A missing file gives the starting calibration; so
// does a damaged one, which is first renamed to `path` + ".damaged" (".damaged.2" and on,
// the first name nothing has) so nothing is lost.
// Settings the file lacks keep their starting values.
LoadedCalibration load_calibration_file(const std::string& path);

// Keeps a second program off the calibration file for as long as it is held: an exclusive
// lock on an empty `FILE.lock` beside the file the path leads to, which stays there. The
// calibration file cannot carry the lock itself, as every save renames a new file over it.
// Refused, with the reason, when another program holds it, when it cannot be taken, and
// when the path leads to no regular file (nothing is laid beside a folder or a device).
class CalibrationFileLock {
 public:
  explicit CalibrationFileLock(const std::string& path);
  ~CalibrationFileLock();
  CalibrationFileLock(const CalibrationFileLock&) = delete;
  CalibrationFileLock& operator=(const CalibrationFileLock&) = delete;

  [[nodiscard]] bool held() const { return descriptor_ >= 0; }
  // Why it is not held.
  [[nodiscard]] const std::string& problem() const { return problem_; }

 private:
  int descriptor_ = -1;
  std::string problem_;
};

// Writes the file under a temporary name and renames it over `path`; an empty text on
// success, else the reason.
std::string save_calibration_file(const std::string& path, const Calibration& calibration);

}  // namespace sim
