#pragma once
// The data set file (*.set): one whole calibration as text, one value per line, every value
// a raw integer in the controller's own units. One table describes the file: every group of
// lines in file order with its key, its layout, where its value comes from, its mask, the
// request that reads it and the request that writes it back. The download writes the file
// by this table and the upload reads it by the same table.

#include <span>
#include <string>
#include <string_view>

#include "decode/command_table.hpp"
#include "decode/setting_table.hpp"
#include "model/basic_types.hpp"

namespace ecu {

// Columns counted from 1. The value always starts in column 11.
enum class LineLayout {
  version,       // "SW_REV  = V1.02.00 02/12/10": key padded with blanks to 8, "= ", value
  scalar,        // "ACC_SEN = 100": the same columns
  fixed_array,   // "INJP[003]= 17": name, "[", index "000", "]= ", value
  memory_table,  // "MAPM[000]=128": name, "[", index "000", "]=", value
};

enum class LineSource {
  format_revision,    // the constant 10000
  console_version,    // the console's version text
  firmware_revision,  // fw_rev
  variable,           // the calibration scalar of the key
  full_scale_rpm,     // rpm_full_scale, a Single, written rounded
  elements,           // the calibration array of the key
  memory,             // calibration memory, the key's table from its first address
};

struct DataSetRow {
  std::string_view key;  // up to 8 characters; table names are 4
  LineLayout layout;
  LineSource source;
  std::string_view mask;
  std::string_view read_request;   // the read whose reply holds the value; empty: none
  std::string_view write_request;  // the write that sends a line back; empty: never sent
  FieldKind wire;                  // the values the item can hold on the wire
  Integer progress_steps;          // download progress steps after the row's lines
};

// The file's format revision, written as the first line.
inline constexpr Long kDataSetFormatRevision = 10000;
// The console's version text, as the about window shows it.
inline constexpr std::string_view kConsoleVersionText = "V1.02.00 02/12/10";

// Every row in file order.
std::span<const DataSetRow> data_set_table();
// The row of a key or table name, compared exactly; nullptr for a name the file never holds.
const DataSetRow* find_data_set_row(std::string_view key);

// Lines of the row: 1 for version and scalar rows, the table's entries otherwise.
int data_set_entry_count(const DataSetRow& row);
// Address of entry `index` of a memory row.
Long data_set_memory_address(const DataSetRow& row, int index);

// The line for entry `index` of the row, from the value its source holds now; memory rows
// take the byte of the last memory read (mem_value).
std::string data_set_line(const DataSetRow& row, int index);

// The command of a request name of the table; throws std::logic_error for a name the
// command table does not hold (a fault in the table, caught by the tests).
const CommandInfo& data_set_command(std::string_view request_name);

// The command text of a request: the code, then its payload with `first` as the index or
// address and `value` as the value (low 16 bits, low byte first, where the payload has them).
std::string data_set_request(const CommandInfo& command, Long first, Long value);

// A line of a data set file, split by the column rule.
struct DataSetFields {
  bool table_line = false;  // the line holds a "[" somewhere
  std::string name;         // columns 1-8 without trailing blanks; columns 1-4 for a table line
  std::string index_text;   // columns 6-8 of a table line, as they stand
  std::string value_text;   // from column 11 on
};
DataSetFields split_data_set_line(std::string_view line);

// The smallest and largest value of a wire kind.
struct WireRange {
  Long lowest;
  Long highest;
};
WireRange wire_range(FieldKind kind);

}  // namespace ecu
