#pragma once
// The plotter's data log: a comma-separated text file that autotune and any spreadsheet
// read. Four header lines (column names, start date and time, the format's version, an
// empty line), then one row of 37 fields per plotter poll, each row flushed as it is
// written so that a crash loses at most the row being written.

#include <string>

namespace ecu {

inline constexpr int kDataLogFields = 37;

// Creates (or truncates) the log and writes its header. Returns an empty text on success,
// else the reason, with no log left open.
std::string open_data_log(const std::string& path);

// Writes one row from the live values; `cpu_seconds` is the time of day at which the poll
// began. Returns an empty text on success, else the reason (the log is then closed).
std::string write_data_log_row(double cpu_seconds);

// Closes the log if one is open (the program's shutdown runs it too). Returns an empty
// text, else why the last rows could not be written.
std::string close_data_log();

[[nodiscard]] bool data_log_open();

// The time of day as hh:mm:ss (24-hour), from seconds since midnight.
std::string time_of_day_text(double seconds_since_midnight);

}  // namespace ecu
