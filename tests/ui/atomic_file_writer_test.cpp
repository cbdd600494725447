#include "ui/atomic_file_writer.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "support/console_test.hpp"
#include "support/folder_files.hpp"

namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;
using Temporary = ui::AtomicFileWriter::Temporary;

constexpr Temporary kModes[] = {Temporary::unnamed_where_supported, Temporary::named};
// The target lies in a folder other than the working one, beside files of the user's that
// are named as temporary files used to be, or nearly as they are now.
constexpr const char* kTarget = "data/cal.set";
const Files kUsersFiles = {{"cal.set", "old\r\n"},
                           {"cal.set.tmp", "the user's own\r\n"},
                           {"cal.tmp", "another\r\n"},
                           {"cal.set.0123456789AB.tmp", "upper case\r\n"},
                           {"cal.set.0123456789abc.tmp", "13 digits\r\n"},
                           {"xcal.set.0123456789ab.tmp", "another name\r\n"}};

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
  // The names the folder holds beyond the user's files.
  static std::vector<std::string> new_names() {
    std::vector<std::string> names;
    for (const auto& [entry, bytes] : test::folder_files("data")) {
      if (!kUsersFiles.contains(entry)) names.push_back(entry);
    }
    return names;
  }
  static std::string new_name() {
    const std::vector<std::string> names = new_names();
    return names.empty() ? std::string() : names.back();
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
    Files expected = kUsersFiles;
    expected["cal.set"] = "SET_REV = 10000\r\nX\xB0";
    EXPECT_EQ(test::folder_files("data"), expected);
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

// The new file keeps what the user made of the old one; a new file gets the usual mode.
TEST_F(AtomicFileWriterTest, TheReplacedFilesPermissionsStay) {
  const mode_t previous_mask = ::umask(022);
  for (const Temporary mode : kModes) {
    for (const mode_t before : {0600, 0444, 0}) {
      lay_down_users_files();
      if (before == 0) fs::remove(kTarget);
      if (before != 0) ::chmod(kTarget, before);
      ui::AtomicFileWriter writer(kTarget, mode);
      ASSERT_TRUE(writer.open() && writer.write_line("SET_REV = 10000") && writer.commit())
          << writer.error();
      struct stat after {};
      ASSERT_EQ(::stat(kTarget, &after), 0);
      EXPECT_EQ(after.st_mode & 07777, before == 0 ? 0644U : before) << before;
    }
  }
  ::umask(previous_mask);
}

// A symbolic link stays; the file at the end of its chain (relative links followed from
// their own folder) is replaced, or created when the link leads nowhere yet.
TEST_F(AtomicFileWriterTest, WritesThroughSymbolicLinksAndKeepsThem) {
  const Files links = {
      {"cal.set", "real/cal.set"}, {"chain.set", "cal.set"}, {"new.set", "real/new.set"}};
  const struct {
    const char* target;
    Files real;
  } cases[] = {
      {"data/cal.set", {{"cal.set", "new\r\n"}}},
      {"data/chain.set", {{"cal.set", "new\r\n"}}},
      {"data/new.set", {{"cal.set", "old\r\n"}, {"new.set", "new\r\n"}}},
  };
  for (const auto& c : cases) {
    fs::remove_all("data");
    fs::create_directories("data/real");
    write_raw("real/cal.set", "old\r\n");
    for (const auto& [link, leads_to] : links) fs::create_symlink(leads_to, "data/" + link);
    ui::AtomicFileWriter writer(c.target);
    ASSERT_TRUE(writer.open() && writer.write_line("new") && writer.commit()) << writer.error();
    EXPECT_EQ(test::folder_files("data/real"), c.real) << c.target;
    for (const auto& [link, leads_to] : links) {
      std::error_code not_a_link;
      EXPECT_EQ(fs::read_symlink("data/" + link, not_a_link), leads_to) << c.target;
    }
  }
}

// Writes 32 KiB under a limit of 16 KiB, as the file size signal's default would end the
// program; says why the write failed and exits with 0 when it failed.
[[noreturn]] void write_past_a_small_limit() {
  std::signal(SIGXFSZ, SIG_DFL);
  const rlimit no_core{0, 0};
  const rlimit small{16 * 1024, 16 * 1024};
  ::setrlimit(RLIMIT_CORE, &no_core);
  ::setrlimit(RLIMIT_FSIZE, &small);
  ui::AtomicFileWriter writer(kTarget);
  const bool written =
      writer.open() && writer.write(std::string(32 * 1024, 'x')) && writer.commit();
  std::fputs(writer.error().c_str(), stderr);
  std::_Exit(written ? 1 : 0);
}

// Past the file size limit the write fails with the reason, the program goes on and the old
// file stays (the limit is set in a child process, which the test's own process outlives).
TEST_F(AtomicFileWriterTest, AWritePastTheFileSizeLimitFailsAndKeepsTheOldFile) {
  lay_down_users_files();
  EXPECT_EXIT(write_past_a_small_limit(), ::testing::ExitedWithCode(0),
              "^File too large \\(write\\)$");
  EXPECT_EQ(test::folder_files("data"), kUsersFiles);
}

// A console killed after its temporary file got a name leaves it behind; the next write of
// the same target removes it, unless a living writer still holds it. The killed console's
// names are not the ones its parent draws.
TEST_F(AtomicFileWriterTest, ALeftoverGoesWithTheNextWriteOfItsTargetOnly) {
  lay_down_users_files();
  ui::AtomicFileWriter("data/warm.set", Temporary::named).open();
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ui::AtomicFileWriter killed(kTarget, Temporary::named);
    killed.open();
    killed.write_line("half");
    ::kill(::getpid(), SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  const std::string leftover = new_name();
  ASSERT_EQ(leftover.size(), std::string("cal.set.0123456789ab.tmp").size()) << leftover;

  ui::AtomicFileWriter other("data/other.set", Temporary::named);
  ASSERT_TRUE(other.open());
  const std::vector<std::string> both = new_names();
  ASSERT_EQ(both.size(), 2U);
  EXPECT_NE(both[1].substr(10, 12), leftover.substr(8, 12)) << "the same name after a fork";
  other.discard();

  ui::AtomicFileWriter held(kTarget, Temporary::named);
  ASSERT_TRUE(held.open());
  const std::string held_name = new_name();
  EXPECT_EQ(new_names(), std::vector<std::string>{held_name}) << "left over: " << leftover;
  ui::AtomicFileWriter next(kTarget);
  ASSERT_TRUE(next.open() && next.write_line("new") && next.commit());
  EXPECT_EQ(new_names(), std::vector<std::string>{held_name});
  held.discard();
  Files expected = kUsersFiles;
  expected["cal.set"] = "new\r\n";
  EXPECT_EQ(test::folder_files("data"), expected);
}

}  // namespace
