#include "ui/atomic_file_writer.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "support/console_test.hpp"
#include "support/folder_files.hpp"

namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;
using Temporary = ui::AtomicFileWriter::Temporary;

constexpr Temporary kModes[] = {Temporary::unnamed_where_supported, Temporary::named};
// The target lies in a folder other than the working one, beside files of the user's that
// are named as temporary files used to be.
constexpr const char* kTarget = "data/cal.set";
const Files kUsersFiles = {
    {"cal.set", "old\r\n"}, {"cal.set.tmp", "the user's own\r\n"}, {"cal.tmp", "another\r\n"}};

class AtomicFileWriterTest : public test::ConsoleTest {
 protected:
  static void write_raw(const std::string& name, const std::string& bytes) {
    std::ofstream("data/" + name, std::ios::binary | std::ios::trunc) << bytes;
  }
  static void lay_down_users_files() {
    fs::remove_all("data");
    fs::create_directory("data");
    for (const auto& [name, bytes] : kUsersFiles) write_raw(name, bytes);
  }
  // The one name the folder holds beyond the user's files (empty when there is none).
  static std::string new_name() {
    std::string name;
    for (const auto& [entry, bytes] : test::folder_files("data")) {
      if (!kUsersFiles.contains(entry)) name = entry;
    }
    return name;
  }
};

// Until it is complete the file has no name where the file system allows, and a fresh name
// of its own otherwise; the commit replaces the target and nothing else.
TEST_F(AtomicFileWriterTest, CommitReplacesTheTargetAndNothingElse) {
  const int probe = ::open(".", O_TMPFILE | O_WRONLY, 0600);
  const bool unnamed_supported = probe >= 0;
  if (unnamed_supported) ::close(probe);
  for (const Temporary mode : kModes) {
    lay_down_users_files();
    ui::AtomicFileWriter writer(kTarget, mode);
    ASSERT_TRUE(writer.open()) << writer.error();
    EXPECT_TRUE(writer.write_line("SET_REV = 10000"));
    EXPECT_TRUE(writer.write("X\xB0"));
    EXPECT_EQ(new_name().empty(), mode == Temporary::unnamed_where_supported && unnamed_supported)
        << new_name();
    ASSERT_TRUE(writer.commit()) << writer.error();
    EXPECT_EQ(test::folder_files("data"), (Files{{"cal.set", "SET_REV = 10000\r\nX\xB0"},
                                                 {"cal.set.tmp", "the user's own\r\n"},
                                                 {"cal.tmp", "another\r\n"}}));
  }
}

// Discarded, destroyed or failing to take the target's place, a writer removes its own file
// and leaves the folder as it found it.
TEST_F(AtomicFileWriterTest, EveryEndShortOfTheRenameRemovesOnlyItsOwnFile) {
  enum class End { discard, destroy, rename_fails };
  for (const Temporary mode : kModes) {
    for (const End end : {End::discard, End::destroy, End::rename_fails}) {
      lay_down_users_files();
      Files before = kUsersFiles;
      if (end == End::rename_fails) {
        fs::remove(kTarget);
        fs::create_directory(kTarget);
        before["cal.set"] = "<folder>";
      }
      {
        ui::AtomicFileWriter writer(kTarget, mode);
        ASSERT_TRUE(writer.open());
        EXPECT_TRUE(writer.write_line("SET_REV = 10000"));
        if (end == End::discard) writer.discard();
        if (end == End::rename_fails) {
          EXPECT_FALSE(writer.commit());
          EXPECT_EQ(writer.error(), "Is a directory (rename)");
        }
        if (end != End::destroy) {
          EXPECT_EQ(test::folder_files("data"), before);
        }
      }
      EXPECT_EQ(test::folder_files("data"), before);
    }
  }
}

// A file put in place of the temporary one is not the writer's: it is neither removed nor
// renamed over the target.
TEST_F(AtomicFileWriterTest, AFilePutInPlaceOfItsOwnIsNeitherRemovedNorRenamed) {
  for (const bool commit : {false, true}) {
    lay_down_users_files();
    ui::AtomicFileWriter writer(kTarget, Temporary::named);
    ASSERT_TRUE(writer.open());
    const std::string name = new_name();
    fs::remove("data/" + name);
    write_raw(name, "someone else's\r\n");
    if (commit) {
      EXPECT_FALSE(writer.commit());
    }
    writer.discard();
    Files expected = kUsersFiles;
    expected[name] = "someone else's\r\n";
    EXPECT_EQ(test::folder_files("data"), expected) << (commit ? "commit" : "discard");
  }
}

}  // namespace
