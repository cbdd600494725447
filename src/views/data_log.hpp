#pragma once
// The plotter's data log: a comma-separated text file that autotune and any spreadsheet
// read. Four header lines (column names, start date and time, the format's version, an
// empty line), then one row of 37 fields per plotter poll, each row flushed as it is
// written so that a crash loses at most the row being written.

#include <string>
#include <string_view>

namespace ecu {

inline constexpr int kDataLogFields = 37;
// The third header line: the format's version, which a reader of the log checks.
inline constexpr std::string_view kDataLogVersion = "LOG_FILE V1.00.02";

// A column's field number in each row, counted from 1, by its name in the header's first
// line; 0 for a name that is no column of the log.
[[nodiscard]] int data_log_field_number(std::string_view column);

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
