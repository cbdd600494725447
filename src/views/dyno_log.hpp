#pragma once
// The dyno capture log "dyno_temp.csv", driven by the live-data decoder while the
// diagnostics view is current: one row per frame while the controller reports the capture
// running, and the end of the capture when it reports it finished. Every row is flushed, and
// the log is closed however the program ends.

#include <string>
#include <string_view>

namespace ecu {

inline constexpr const char* kDynoLogFile = "dyno_temp.csv";
inline constexpr const char* kDynoReferenceFile = "ref_dyno_temp.csv";

// The layout a reader of the log takes from here: the lines before the first record (column
// names, start date and time, the format's version, an empty line), the fields of a record,
// and a column's field number in a record, counted from 1, by its name in the first line (0
// for a name that is no column).
inline constexpr int kDynoLogHeaderLines = 4;
inline constexpr int kDynoLogFields = 17;
[[nodiscard]] int dyno_log_field_number(std::string_view column);

// Closes an open log and creates "dyno_temp.csv" afresh with its four header lines; false
// (with a message shown) when the file cannot be created, and then no log is open.
bool start_dyno_log();

// Appends one row to the open dyno log; without an open log it does nothing.
void write_dyno_log_row();

// Closes the open dyno log, keeps the first run as the reference, plots the run and frees
// the window's buttons; without an open log it does nothing, so only the first "finished"
// frame of a capture has an effect.
void finish_dyno_capture();

// Hands what was written so far to the system, so a reader sees every row.
void flush_dyno_log();

// Closes the log without finishing the capture (the program ends).
void close_dyno_log();

// Copies `from` over `to`; on failure says "Could not copy <from> to <to>: <why>" and returns
// false.
bool copy_dyno_file(const std::string& from, const std::string& to);

}  // namespace ecu
