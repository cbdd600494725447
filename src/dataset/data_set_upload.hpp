#pragma once
// The data set upload: a data set file written into the controller, one write request per
// line in file order. The whole file is checked before anything is sent; every echo is
// checked; a file that would send nothing is refused; a run stopped half way says so, since
// the controller then holds a partly written calibration.

#include <string>
#include <variant>
#include <vector>

#include "decode/command_table.hpp"

namespace ecu {

// The File menu's "&Upload Calibration File To ECU".
void upload_data_set();

// A line of the file as it will be uploaded.
struct UploadLine {
  int number = 0;  // from 1
  std::string text;
  const CommandInfo* command = nullptr;  // nullptr: the line sends nothing
  std::string request;
  std::string unknown_name;  // what the unknown-name message names; empty for known lines
};

// The first line that must not be sent, and why.
struct InvalidLine {
  int number = 0;
  std::string text;
  std::string reason;
};

// The file's lines turned into requests, or the first line that is not valid: a line longer
// than any line of a data set file, a known name whose index lies outside its table, or
// whose value column holds no number or a number outside what the item can hold. Blank lines and
// the version lines send nothing; lines of unknown names are kept to be reported.
std::variant<std::vector<UploadLine>, InvalidLine> plan_upload(
    const std::vector<std::string>& lines);

}  // namespace ecu
