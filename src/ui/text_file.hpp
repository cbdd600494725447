#pragma once
// Text files as the console writes and reads them: single-byte text kept byte for byte
// (never decoded, so the degree sign stays the byte 0xB0), lines written with CR LF, and
// every failure reported as a result with an error text, never thrown.

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// Sequential input. Lines may end in CR LF, LF or a lone CR; a last line without a line
// end is still a line. Lines and comma-delimited fields may be read from the same file.
class TextFileReader {
 public:
  TextFileReader() = default;
  explicit TextFileReader(const std::string& path) { open(path); }

  // Opens a regular file for reading; false with error() set when it cannot (a folder, a
  // pipe or a device is refused).
  bool open(const std::string& path);
  void close();
  [[nodiscard]] bool is_open() const { return stream_.is_open(); }
  [[nodiscard]] const std::string& error() const { return error_; }

  // True once every byte has been read (or when no file is open).
  [[nodiscard]] bool at_end();

  // The next line without its line end; nullopt at the end of the file.
  std::optional<std::string> read_line();

  // The next comma-delimited field: leading blanks skipped, the field ends at a comma or
  // the line end (which are consumed), trailing blanks of an unquoted field dropped. A field
  // in double quotes may hold commas; the quotes are removed and anything between the
  // closing quote and the delimiter is dropped. nullopt at the end of the file.
  std::optional<std::string> read_field();
  // The next field read as its leading number (0 when it holds none).
  std::optional<double> read_number_field();

 private:
  int peek();
  int next();
  // Consumes a line end at the current position, if there is one.
  void skip_line_end();

  std::ifstream stream_;
  std::string error_;
};

// Sequential output. Every write reports failure as false and keeps the reason in error().
class TextFileWriter {
 public:
  enum class Mode { truncate, append };

  TextFileWriter() = default;
  ~TextFileWriter();
  TextFileWriter(const TextFileWriter&) = delete;
  TextFileWriter& operator=(const TextFileWriter&) = delete;

  // Creates or truncates (Mode::truncate), or opens at the end (Mode::append).
  bool open(const std::string& path, Mode mode = Mode::truncate);
  [[nodiscard]] bool is_open() const { return file_ != nullptr; }
  [[nodiscard]] const std::string& error() const { return error_; }

  // The text followed by CR LF.
  bool write_line(std::string_view text);
  bool write(std::string_view text);
  // Hands the buffered text to the system, so a log survives a crash after each row.
  bool flush();
  // Closes the file; false when the last buffered text could not be written.
  bool close();

 private:
  bool fail(std::string_view what);

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string error_;
};

// Writes the lines, each ended by CR LF, to a temporary file of its own in the target's
// folder (AtomicFileWriter) and renames it over the target, so a failure never leaves the
// target truncated. On failure the temporary file is removed and *error (when given) says why,
// without the file's name, which the caller's message gives.
bool write_text_file_atomic(const std::string& path, const std::vector<std::string>& lines,
                            std::string* error);

// True when the path names an existing regular file, links followed: folders, pipes and
// devices do not count; any failure to ask gives false.
bool file_exists(const std::string& path);

// Copies a regular file over the target (replacing it) through a temporary file, as
// write_text_file_atomic does. *error says why without naming either file: the step "read"
// for the source ("No such file or directory (read)"), the writer's text for the target.
bool copy_file(const std::string& from, const std::string& to, std::string* error);

// Every line of a file, line ends removed; nullopt when it cannot be read.
std::optional<std::vector<std::string>> read_all_lines(const std::string& path);

}  // namespace ui
