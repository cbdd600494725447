#include "ui/text_file.hpp"

#include "support/folder_files.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

class TextFileTest : public testing::Test {
 protected:
  void SetUp() override {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() / (std::string("ui_text_file_") + info->name() + "_" +
                                           std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }

  void TearDown() override {
    std::error_code ignored;
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(folder_, ignored);
  }

  [[nodiscard]] std::string path(const std::string& name) const {
    return (folder_ / name).string();
  }

  static void write_raw(const std::string& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
  }

  static std::string read_raw(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  static std::vector<std::string> lines_of(ui::TextFileReader& reader) {
    std::vector<std::string> lines;
    while (auto line = reader.read_line()) lines.push_back(*line);
    return lines;
  }

  fs::path folder_;
};

using Lines = std::vector<std::string>;
using Files = std::map<std::string, std::string>;

TEST_F(TextFileTest, ReadLineAcceptsEveryLineEnd) {
  struct Case {
    const char* bytes;
    Lines expected;
  };
  const std::vector<Case> cases = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"last line without end", {"last line without end"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"\r\n\r\n", {"", ""}},
      {"", {}},
  };
  for (const Case& c : cases) {
    write_raw(path("lines.txt"), c.bytes);
    ui::TextFileReader reader;
    ASSERT_TRUE(reader.open(path("lines.txt"))) << reader.error();
    EXPECT_EQ(lines_of(reader), c.expected) << "bytes: " << testing::PrintToString(c.bytes);
    EXPECT_TRUE(reader.at_end());
    EXPECT_EQ(reader.read_line(), std::nullopt);
  }
}

TEST_F(TextFileTest, ReadFieldSplitsAtCommasAndLineEnds) {
  write_raw(path("fields.csv"), "12, \"x,y\" ,abc  \r\n\"q\"\nlast,,\rend");
  ui::TextFileReader reader(path("fields.csv"));
  const Lines expected = {"12", "x,y", "abc", "q", "last", "", "", "end"};
  Lines fields;
  while (auto field = reader.read_field()) fields.push_back(*field);
  EXPECT_EQ(fields, expected);
  EXPECT_TRUE(reader.at_end());
}

TEST_F(TextFileTest, HeaderLinesThenNumberFieldsLikeALogReader) {
  write_raw(path("log.csv"), "Time,RPM\r\nLOG_FILE V1.00.02\r\n\r\n1.50,2000\r\n-3,  4abc\r\n");
  ui::TextFileReader reader(path("log.csv"));
  EXPECT_EQ(reader.read_line(), "Time,RPM");
  EXPECT_EQ(reader.read_line(), "LOG_FILE V1.00.02");
  EXPECT_EQ(reader.read_line(), "");
  std::vector<double> numbers;
  while (!reader.at_end()) {
    const std::optional<double> number = reader.read_number_field();
    ASSERT_TRUE(number.has_value());
    numbers.push_back(*number);
  }
  EXPECT_EQ(numbers, (std::vector<double>{1.5, 2000.0, -3.0, 4.0}));
  EXPECT_EQ(reader.read_number_field(), std::nullopt);
}

TEST_F(TextFileTest, UnterminatedQuoteRunsToEndOfFile) {
  write_raw(path("quote.csv"), "\"open,field\r\nmore");
  ui::TextFileReader reader(path("quote.csv"));
  EXPECT_EQ(reader.read_field(), "open,field\r\nmore");
  EXPECT_EQ(reader.read_field(), std::nullopt);
}

TEST_F(TextFileTest, HighBytesRoundTripUnchanged) {
  const std::string header = "RPM,IGN\xB0,INJ%";
  ui::TextFileWriter writer;
  ASSERT_TRUE(writer.open(path("degree.csv"))) << writer.error();
  ASSERT_TRUE(writer.write_line(header));
  ASSERT_TRUE(writer.close());
  EXPECT_EQ(read_raw(path("degree.csv")), header + "\r\n");
  ui::TextFileReader reader(path("degree.csv"));
  EXPECT_EQ(reader.read_line(), header);
}

TEST_F(TextFileTest, WriterTruncatesOrAppends) {
  write_raw(path("out.txt"), "old content\r\n");
  ui::TextFileWriter writer;
  ASSERT_TRUE(writer.open(path("out.txt"), ui::TextFileWriter::Mode::truncate));
  ASSERT_TRUE(writer.write("new"));
  ASSERT_TRUE(writer.write_line(""));
  ASSERT_TRUE(writer.close());
  EXPECT_EQ(read_raw(path("out.txt")), "new\r\n");

  ASSERT_TRUE(writer.open(path("out.txt"), ui::TextFileWriter::Mode::append));
  ASSERT_TRUE(writer.write_line("more"));
  ASSERT_TRUE(writer.flush());
  // Flushed text is in the file while it is still open.
  EXPECT_EQ(read_raw(path("out.txt")), "new\r\nmore\r\n");
  ASSERT_TRUE(writer.close());
}

TEST_F(TextFileTest, WriterReportsFailuresInsteadOfThrowing) {
  ui::TextFileWriter writer;
  EXPECT_FALSE(writer.write_line("nothing open"));
  EXPECT_FALSE(writer.error().empty());

  const std::string missing_folder = path("no_such_folder/out.txt");
  EXPECT_FALSE(writer.open(missing_folder));
  EXPECT_NE(writer.error().find(missing_folder), std::string::npos) << writer.error();

  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full to fill";
  ASSERT_TRUE(writer.open("/dev/full"));
  writer.write_line("a row that does not fit");
  EXPECT_FALSE(writer.flush());
  EXPECT_FALSE(writer.error().empty());
}

TEST_F(TextFileTest, ReaderReportsMissingFileAndFolder) {
  ui::TextFileReader reader;
  EXPECT_FALSE(reader.open(path("missing.txt")));
  EXPECT_FALSE(reader.error().empty());
  EXPECT_TRUE(reader.at_end());
  EXPECT_EQ(reader.read_line(), std::nullopt);
  EXPECT_FALSE(reader.open(folder_.string()));
  EXPECT_NE(reader.error().find("folder"), std::string::npos) << reader.error();
}

TEST_F(TextFileTest, AtomicWriteReplacesTargetWithCrLfLines) {
  write_raw(path("data.set"), "old\r\n");
  std::string error;
  ASSERT_TRUE(ui::write_text_file_atomic(path("data.set"), {"SET_REV=1", "", "X\xB0"}, &error))
      << error;
  EXPECT_EQ(read_raw(path("data.set")), "SET_REV=1\r\n\r\nX\xB0\r\n");
  EXPECT_EQ(test::folder_files(folder_), (Files{{"data.set", "SET_REV=1\r\n\r\nX\xB0\r\n"}}));
}

TEST_F(TextFileTest, AtomicWriteKeepsOldContentWhenTheFileCannotBeWritten) {
  write_raw(path("port.cfg"), "3\r\n");
  std::string error;
  {
    const test::NoFileContents full;
    EXPECT_FALSE(ui::write_text_file_atomic(path("port.cfg"), {"4"}, &error));
  }
  EXPECT_EQ(error, "File too large (write)");
  EXPECT_EQ(test::folder_files(folder_), (Files{{"port.cfg", "3\r\n"}}));
}

TEST_F(TextFileTest, AtomicWriteKeepsOldContentInReadOnlyFolder) {
  write_raw(path("lambda.txt"), "0\r\n");
  fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
  {
    std::ofstream probe(path("probe"));
    if (probe.is_open()) GTEST_SKIP() << "folder permissions are not enforced for this user";
  }
  std::string error;
  EXPECT_FALSE(ui::write_text_file_atomic(path("lambda.txt"), {"2"}, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(read_raw(path("lambda.txt")), "0\r\n");
}

TEST_F(TextFileTest, AtomicWriteFailsCleanlyForMissingFolderOrFolderTarget) {
  std::string error;
  EXPECT_FALSE(ui::write_text_file_atomic(path("no_such_folder/x.txt"), {"1"}, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(fs::exists(path("no_such_folder")));

  fs::create_directory(path("target_is_folder"));
  error.clear();
  EXPECT_FALSE(ui::write_text_file_atomic(path("target_is_folder"), {"1"}, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(test::folder_files(folder_), (Files{{"target_is_folder", "<folder>"}}));

  // A null error pointer is allowed.
  EXPECT_FALSE(ui::write_text_file_atomic(path("no_such_folder/x.txt"), {"1"}, nullptr));
}

TEST_F(TextFileTest, FileExistsOnlyForRegularFilesLinksFollowed) {
  write_raw(path("debug.ini"), "");
  fs::create_directory(path("folder"));
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
  fs::create_symlink(path("debug.ini"), path("link_to_file"));
  fs::create_symlink(path("folder"), path("link_to_folder"));
  fs::create_symlink(path("gone"), path("dangling"));

  EXPECT_TRUE(ui::file_exists(path("debug.ini")));
  EXPECT_TRUE(ui::file_exists(path("link_to_file")));
  EXPECT_FALSE(ui::file_exists(path("folder")));
  EXPECT_FALSE(ui::file_exists(path("link_to_folder")));
  EXPECT_FALSE(ui::file_exists(path("dangling")));
  EXPECT_FALSE(ui::file_exists(path("missing")));
  EXPECT_FALSE(ui::file_exists(path("debug.ini/below_a_file")));
  EXPECT_FALSE(ui::file_exists(""));
  // Reading a pipe or a device as a settings file would block or never end.
  EXPECT_FALSE(ui::file_exists(path("pipe")));
  EXPECT_FALSE(ui::file_exists("/dev/null"));
}

TEST_F(TextFileTest, ReaderRefusesWhatIsNotARegularFile) {
  ui::TextFileReader device;
  // A device that never ends would fill the memory line by line.
  ASSERT_FALSE(device.open("/dev/zero"));
  EXPECT_NE(device.error().find("not a regular file"), std::string::npos) << device.error();
  EXPECT_EQ(device.read_line(), std::nullopt);
  EXPECT_EQ(ui::read_all_lines("/dev/zero"), std::nullopt);

  // Opening a pipe that has no writer would wait for ever.
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
  ui::TextFileReader pipe;
  EXPECT_FALSE(pipe.open(path("pipe")));
  EXPECT_NE(pipe.error().find("not a regular file"), std::string::npos) << pipe.error();
}

TEST_F(TextFileTest, CopyFileReplacesTargetByteForByte) {
  const std::string bytes = "Time,MAP\r\n1.000,\xB0\r\nno end";
  write_raw(path("dyno_temp.csv"), bytes);
  write_raw(path("ref_dyno_temp.csv"), "older and longer reference content\r\n");
  std::string error;
  ASSERT_TRUE(ui::copy_file(path("dyno_temp.csv"), path("ref_dyno_temp.csv"), &error)) << error;
  EXPECT_EQ(test::folder_files(folder_),
            (Files{{"dyno_temp.csv", bytes}, {"ref_dyno_temp.csv", bytes}}));
}

TEST_F(TextFileTest, CopyFileFailureLeavesTargetAlone) {
  write_raw(path("target.csv"), "keep\r\n");
  std::string error;
  EXPECT_FALSE(ui::copy_file(path("missing.csv"), path("target.csv"), &error));
  EXPECT_EQ(error, "No such file or directory (read)");
  EXPECT_EQ(read_raw(path("target.csv")), "keep\r\n");

  error.clear();
  EXPECT_FALSE(ui::copy_file(folder_.string(), path("target.csv"), &error));
  EXPECT_EQ(error, "not a regular file (read)");
  EXPECT_EQ(test::folder_files(folder_), (Files{{"target.csv", "keep\r\n"}}));
}

TEST_F(TextFileTest, ReadAllLines) {
  write_raw(path("OEM.TXT"), "line one\r\nline two\nline three");
  EXPECT_EQ(ui::read_all_lines(path("OEM.TXT")), (Lines{"line one", "line two", "line three"}));
  EXPECT_EQ(ui::read_all_lines(path("missing.txt")), std::nullopt);
}

}  // namespace
