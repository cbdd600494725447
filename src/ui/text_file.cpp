#include "ui/text_file.hpp"

#include <array>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "ui/atomic_file_writer.hpp"
#include "ui/number_parse.hpp"

namespace ui {
namespace {

namespace fs = std::filesystem;

constexpr int end_of_file = std::char_traits<char>::eof();

// Some failures (a full buffer, a short write) leave no error number behind.
std::string reason(int error_number) {
  if (error_number == 0) return "input/output error";
  return std::generic_category().message(error_number);
}

std::string describe_errno(const std::string& path, int error_number) {
  return path + ": " + reason(error_number);
}

void set_error(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
}

}  // namespace

// ---- TextFileReader ----

bool TextFileReader::open(const std::string& path) {
  close();
  error_.clear();
  // Only a regular file is read: a folder opens as a stream and then fails on the first
  // read, and a pipe or a device may block the console or never come to an end.
  std::error_code code;
  const fs::file_status status = fs::status(path, code);
  if (!code && fs::exists(status) && !fs::is_regular_file(status)) {
    error_ = path + (fs::is_directory(status) ? ": is a folder" : ": is not a regular file");
    return false;
  }
  errno = 0;
  stream_.open(path, std::ios::in | std::ios::binary);
  if (!stream_.is_open()) {
    error_ = describe_errno(path, errno);
    return false;
  }
  return true;
}

void TextFileReader::close() {
  if (stream_.is_open()) stream_.close();
  stream_.clear();
}

int TextFileReader::peek() {
  if (!stream_.is_open()) return end_of_file;
  return stream_.rdbuf()->sgetc();
}

int TextFileReader::next() {
  if (!stream_.is_open()) return end_of_file;
  return stream_.rdbuf()->sbumpc();
}

bool TextFileReader::at_end() {
  return peek() == end_of_file;
}

void TextFileReader::skip_line_end() {
  const int c = peek();
  if (c == '\n') {
    next();
  } else if (c == '\r') {
    next();
    if (peek() == '\n') next();
  }
}

std::optional<std::string> TextFileReader::read_line() {
  if (at_end()) return std::nullopt;
  std::string line;
  for (int c = peek(); c != end_of_file && c != '\r' && c != '\n'; c = peek()) {
    line.push_back(static_cast<char>(next()));
  }
  skip_line_end();
  return line;
}

std::optional<std::string> TextFileReader::read_field() {
  if (at_end()) return std::nullopt;
  while (peek() == ' ' || peek() == '\t') next();

  std::string field;
  const auto at_delimiter = [](int c) {
    return c == end_of_file || c == ',' || c == '\r' || c == '\n';
  };
  if (peek() == '"') {
    next();
    for (int c = next(); c != end_of_file && c != '"'; c = next()) {
      field.push_back(static_cast<char>(c));
    }
    while (!at_delimiter(peek())) next();
  } else {
    while (!at_delimiter(peek())) field.push_back(static_cast<char>(next()));
    while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.pop_back();
  }
  if (peek() == ',') {
    next();
  } else {
    skip_line_end();
  }
  return field;
}

std::optional<double> TextFileReader::read_number_field() {
  const std::optional<std::string> field = read_field();
  if (!field) return std::nullopt;
  return leading_number(*field);
}

// ---- TextFileWriter ----

TextFileWriter::~TextFileWriter() {
  close();
}

bool TextFileWriter::fail(std::string_view what) {
  const int error_number = errno;
  error_ = describe_errno(path_, error_number);
  if (!what.empty()) error_ += std::string(" (") + std::string(what) + ")";
  return false;
}

bool TextFileWriter::open(const std::string& path, Mode mode) {
  close();
  error_.clear();
  path_ = path;
  ignore_file_size_signal();
  errno = 0;
  file_ = std::fopen(path.c_str(), mode == Mode::append ? "ab" : "wb");
  if (file_ == nullptr) return fail("open");
  return true;
}

bool TextFileWriter::write(std::string_view text) {
  if (file_ == nullptr) {
    error_ = "no file is open";
    return false;
  }
  if (text.empty()) return true;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) return fail("write");
  return true;
}

bool TextFileWriter::write_line(std::string_view text) {
  return write(text) && write("\r\n");
}

bool TextFileWriter::flush() {
  if (file_ == nullptr) {
    error_ = "no file is open";
    return false;
  }
  errno = 0;
  if (std::fflush(file_) != 0) return fail("flush");
  return true;
}

bool TextFileWriter::close() {
  if (file_ == nullptr) return true;
  errno = 0;
  const int result = std::fclose(file_);
  file_ = nullptr;
  if (result != 0) return fail("close");
  return true;
}

// ---- Whole files ----

bool write_text_file_atomic(const std::string& path, const std::vector<std::string>& lines,
                            std::string* error) {
  AtomicFileWriter writer(path);
  bool written = writer.open();
  for (const std::string& line : lines) {
    if (!written) break;
    written = writer.write_line(line);
  }
  if (written) written = writer.commit();
  if (!written) set_error(error, writer.error());
  return written;
}

bool file_exists(const std::string& path) {
  std::error_code code;
  const fs::file_status status = fs::status(path, code);
  if (code) return false;
  return fs::is_regular_file(status);
}

bool copy_file(const std::string& from, const std::string& to, std::string* error) {
  // Only a regular file is read: a pipe would hold the console, a device might never end.
  std::error_code code;
  const fs::file_status status = fs::status(from, code);
  if (!code && fs::exists(status) && !fs::is_regular_file(status)) {
    set_error(error, "not a regular file (read)");
    return false;
  }
  errno = 0;
  std::ifstream source(from, std::ios::binary);
  if (!source.is_open()) {
    set_error(error, reason(errno) + " (read)");
    return false;
  }
  AtomicFileWriter writer(to);
  if (!writer.open()) {
    set_error(error, writer.error());
    return false;
  }
  std::array<char, std::size_t{64} * 1024> chunk{};
  while (source.read(chunk.data(), chunk.size()) || source.gcount() > 0) {
    if (!writer.write(std::string_view(chunk.data(), static_cast<std::size_t>(source.gcount())))) {
      set_error(error, writer.error());
      return false;
    }
  }
  if (source.bad()) {
    set_error(error, reason(0) + " (read)");
    return false;
  }
  if (!writer.commit()) {
    set_error(error, writer.error());
    return false;
  }
  return true;
}

std::optional<std::vector<std::string>> read_all_lines(const std::string& path) {
  TextFileReader reader;
  if (!reader.open(path)) return std::nullopt;
  std::vector<std::string> lines;
  while (std::optional<std::string> line = reader.read_line()) lines.push_back(std::move(*line));
  return lines;
}

}  // namespace ui
