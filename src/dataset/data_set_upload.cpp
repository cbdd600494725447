#include "dataset/data_set_upload.hpp"

#include <cmath>
#include <optional>
#include <string_view>

#include "dataset/data_set_format.hpp"
#include "dataset/data_set_transfer.hpp"
#include "link/comm_link.hpp"
#include "model/shared_state.hpp"
#include "ui/form.hpp"
#include "ui/format.hpp"
#include "ui/number_parse.hpp"
#include "ui/presenter.hpp"
#include "ui/rounding.hpp"
#include "ui/text_file.hpp"

namespace ecu {
namespace {

constexpr std::string_view kUnknownPrefix = "Unknown variable in data set file -->";
// A table line of this name is reported with its index; a setting line of it is skipped.
constexpr std::string_view kRetiredTable = "SUPM";
// The summary names at most this many lines.
constexpr std::size_t kSummaryLines = 20;
// No line of a data set file comes near this length; a longer one is refused before it is
// looked at any further.
constexpr std::size_t kLongestLine = 256;
// A line shown in a message is cut after this many characters.
constexpr std::size_t kShownLineCharacters = 80;

bool is_blank_line(std::string_view text) {
  return text.find_first_not_of(" \t") == std::string_view::npos;
}

// A line as a message shows it: control characters (a NUL would end the message there) as
// "?", a long line cut.
std::string shown_line(std::string_view text) {
  const bool cut = text.size() > kShownLineCharacters;
  std::string shown(text.substr(0, kShownLineCharacters));
  for (char& c : shown) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7F) c = '?';
  }
  if (cut) shown += "...";
  return shown;
}

std::string lines_text(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " line" : " lines");
}

std::string number_text(double value) {
  return ui::format_number(value, "");
}

// The value of a line, rounded to an integer, when it is a number the item can hold.
std::optional<Long> checked_value(std::string_view text, FieldKind wire, std::string& reason) {
  if (!ui::is_strict_number(text)) {
    reason = "its value column (from column 11) holds no number";
    return std::nullopt;
  }
  const double value = ui::round_half_even(ui::parse_leading_number(text).value);
  const WireRange range = wire_range(wire);
  if (value < range.lowest || value > range.highest) {
    reason = "its value " + number_text(value) + " is outside " + number_text(range.lowest) +
             " to " + number_text(range.highest);
    return std::nullopt;
  }
  return static_cast<Long>(value);
}

// The index of a table line, when it names an entry of the table.
std::optional<int> checked_index(const DataSetFields& fields, const DataSetRow& row,
                                 std::string& reason) {
  const int entries = data_set_entry_count(row);
  if (!ui::is_strict_number(fields.index_text)) {
    reason = "its index (columns 6 to 8) is not a number";
    return std::nullopt;
  }
  const double index = ui::round_half_even(ui::parse_leading_number(fields.index_text).value);
  if (index < 0 || index >= entries) {
    reason = "its index " + number_text(index) + " is outside the " + std::string(row.key) +
             " table (000 to " + ui::format_number(entries - 1, "000") + ")";
    return std::nullopt;
  }
  return static_cast<int>(index);
}

// Fills the line's request, or says why it cannot be sent.
bool plan_line(const DataSetFields& fields, UploadLine& line, std::string& reason) {
  const DataSetRow* row = find_data_set_row(fields.name);
  const bool table_row = row != nullptr && (row->layout == LineLayout::fixed_array ||
                                            row->layout == LineLayout::memory_table);
  if (fields.table_line) {
    if (!table_row) {
      line.unknown_name = fields.name;
      if (fields.name == kRetiredTable) line.unknown_name += "[" + fields.index_text + "]";
      return true;
    }
    const std::optional<int> index = checked_index(fields, *row, reason);
    if (!index) return false;
    const std::optional<Long> value = checked_value(fields.value_text, row->wire, reason);
    if (!value) return false;
    line.command = &data_set_command(row->write_request);
    const Long first =
        row->source == LineSource::memory ? data_set_memory_address(*row, *index) : *index;
    line.request = data_set_request(*line.command, first, *value);
    return true;
  }
  if (row == nullptr) {
    if (fields.name != kRetiredTable) line.unknown_name = fields.name;
    return true;
  }
  // Version lines and table names standing as settings send nothing.
  if (row->layout != LineLayout::scalar) return true;
  const std::optional<Long> value = checked_value(fields.value_text, row->wire, reason);
  if (!value) return false;
  line.command = &data_set_command(row->write_request);
  line.request = data_set_request(*line.command, 0, *value);
  return true;
}

constexpr std::string_view kCannotUpload = "The data set file cannot be uploaded: ";
constexpr std::string_view kNothingSent = "\n\nNothing has been sent to the controller.";

std::string invalid_message(const InvalidLine& invalid) {
  const std::string number = std::to_string(invalid.number);
  return std::string(kCannotUpload) + "line " + number + " is not valid, " + invalid.reason +
         ".\n\nLine " + number + ": " + shown_line(invalid.text) + std::string(kNothingSent);
}

// A file that would send nothing is no data set file (the wrong file picked, say): it is
// refused like a malformed one, so that the user learns that nothing was sent.
std::optional<std::string> nothing_to_send_message(const std::vector<UploadLine>& lines) {
  const UploadLine* first_shown = nullptr;
  for (const UploadLine& line : lines) {
    if (line.command != nullptr) return std::nullopt;
    if (first_shown == nullptr && !is_blank_line(line.text)) first_shown = &line;
  }
  if (first_shown == nullptr)
    return std::string(kCannotUpload) + "it is empty." + std::string(kNothingSent);
  return std::string(kCannotUpload) + "none of its " + lines_text(lines.size()) +
         " is a setting or table line of a data set file.\n\nLine " +
         std::to_string(first_shown->number) + ": " + shown_line(first_shown->text) +
         std::string(kNothingSent);
}

// Lines that were not written as the file has them, for the one summary at the end.
class UploadSummary {
 public:
  void add(const UploadLine& line, std::string_view what) {
    ++count_;
    if (count_ > kSummaryLines) return;
    text_ += "\nLine " + std::to_string(line.number) + ": " + shown_line(line.text) + " (" +
             std::string(what) + ")";
  }
  [[nodiscard]] bool empty() const { return count_ == 0; }
  [[nodiscard]] std::string text() const {
    std::string result = "These lines were not written as the file has them:" + text_;
    if (count_ > kSummaryLines) {
      result += "\n... and " + std::to_string(count_ - kSummaryLines) + " more lines.";
    }
    return result;
  }

 private:
  std::size_t count_ = 0;
  std::string text_;
};

// Sends every line in file order; the message to show at the end, empty for none. A line
// counts as written once its write was answered (an echo of another value included: the
// controller took the write, and the summary names it).
std::string send_lines(DataSetTransferScope& scope, const std::vector<UploadLine>& lines) {
  UploadSummary summary;
  std::size_t written = 0;
  const double total = static_cast<double>(lines.size());
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const UploadLine& line = lines[k];
    scope.show_progress(static_cast<double>(k), total);
    if (!line.unknown_name.empty()) {
      scope.show_info(std::string(kUnknownPrefix) + line.unknown_name);
      summary.add(line, "unknown name");
    }
    if (line.command == nullptr) continue;
    bool sent = false;
    while (!sent) {
      switch (exchange_request(*line.command, line.request)) {
        case Exchange::answered:
          sent = true;
          break;
        case Exchange::refused:
          summary.add(line, "refused: the controller echoed another value");
          sent = true;
          break;
        case Exchange::try_again:
          break;
        case Exchange::stopped: {
          // The write may have reached the controller with its echo lost or late.
          std::string message =
              "The upload was stopped at line " + std::to_string(line.number) + " of " +
              std::to_string(lines.size()) + " (" + shown_line(line.text) +
              "): the controller did not answer.\n" +
              (written == 0 ? std::string("No line was")
                            : lines_text(written) + (written == 1 ? " was" : " were")) +
              " written before it. That line may not have been written, and "
              "the lines after it were not: the controller now holds a partly "
              "written calibration.";
          if (!summary.empty()) message += "\n\n" + summary.text();
          return message;
        }
        case Exchange::ending:
          return {};
      }
    }
    ++written;
  }
  if (summary.empty()) return {};
  return "The data set file was uploaded: " + lines_text(written) +
         (written == 1 ? " was" : " were") + " written.\n\n" + summary.text();
}

std::string run_upload(DataSetTransferScope& scope) {
  if (demo_mode == kTrue) return kDataSetDemoMessage;
  tx_byte_counts[1] = 0;
  rx_byte_counts[1] = 0;
  open_comm_link();
  // Demo mode chosen in the port dialog is demo mode: no stale reply flag counts.
  if (demo_mode == kTrue) return kDataSetDemoMessage;
  const CommandInfo& status = data_set_command("read_base_config");
  const Exchange link_check = exchange_request(status, data_set_request(status, 0, 0));
  if (link_check == Exchange::ending) return {};
  if (link_check != Exchange::answered) return kDataSetSilentMessage;

  const std::string path = chosen_data_set_file(false);
  if (path.empty()) return {};
  scope.show_wait("ECU<-" + path);

  ui::TextFileReader reader;
  if (!reader.open(path)) return "Cannot open " + reader.error();
  std::vector<std::string> lines;
  while (std::optional<std::string> line = reader.read_line()) lines.push_back(std::move(*line));
  reader.close();

  auto plan = plan_upload(lines);
  if (const auto* invalid = std::get_if<InvalidLine>(&plan)) return invalid_message(*invalid);
  const auto& planned = std::get<std::vector<UploadLine>>(plan);
  if (auto refusal = nothing_to_send_message(planned)) return *refusal;
  return send_lines(scope, planned);
}

}  // namespace

std::variant<std::vector<UploadLine>, InvalidLine> plan_upload(
    const std::vector<std::string>& lines) {
  std::vector<UploadLine> planned;
  planned.reserve(lines.size());
  for (std::size_t k = 0; k < lines.size(); ++k) {
    UploadLine line;
    line.number = static_cast<int>(k + 1);
    line.text = lines[k];
    if (line.text.size() > kLongestLine) {
      return InvalidLine{line.number, line.text,
                         "it is longer than any line of a data set file (" +
                             std::to_string(line.text.size()) + " characters)"};
    }
    if (!is_blank_line(line.text)) {
      std::string reason;
      if (!plan_line(split_data_set_line(line.text), line, reason)) {
        return InvalidLine{line.number, line.text, reason};
      }
    }
    planned.push_back(std::move(line));
  }
  return planned;
}

void upload_data_set() {
  std::string message;
  {
    DataSetTransferScope scope;
    message = run_upload(scope);
  }
  if (!message.empty() && !ui::program_ending()) ui::msg_box(message);
}

}  // namespace ecu
