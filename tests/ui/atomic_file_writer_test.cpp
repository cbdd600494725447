#include "ui/atomic_file_writer.hpp"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <array>
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
// are named as a temporary file might be, nearly so, or exactly as the console names them.
constexpr const char* kTarget = "data/cal.set";
const Files kUsersFiles = {{"cal.set", "old\r\n"},
                           {"cal.set.tmp", "the user's own\r\n"},
                           {"cal.tmp", "another\r\n"},
                           {"cal.set.0123456789AB.tmp", "upper case\r\n"},
                           {"cal.set.0123456789abc.tmp", "13 digits\r\n"},
                           {"xcal.set.0123456789ab.tmp", "another name\r\n"},
                           {"cal.set.0123456789ab.tmp", "named as the console names\r\n"},
                           {"cal.set.000000000000.tmp", ""}};

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
    EXPECT_EQ(new_names().empty(), mode == Temporary::unnamed_where_supported && unnamed_supported);
    ASSERT_TRUE(writer.commit()) << writer.error();
    Files expected = kUsersFiles;
    expected["cal.set"] = "SET_REV = 10000\r\nX\xB0";
    EXPECT_EQ(test::folder_files("data"), expected);
  }
}

// Discarded, destroyed or failing to take the target's place (a folder put there while it
// wrote), a writer removes its own file and leaves the folder as it found it.
TEST_F(AtomicFileWriterTest, EveryEndShortOfTheRenameRemovesOnlyItsOwnFile) {
  enum class End { discard, destroy, target_becomes_a_folder };
  for (const Temporary mode : kModes) {
    for (const End end : {End::discard, End::destroy, End::target_becomes_a_folder}) {
      lay_down_users_files();
      Files before = kUsersFiles;
      {
        ui::AtomicFileWriter writer(kTarget, mode);
        ASSERT_TRUE(writer.open());
        EXPECT_TRUE(writer.write_line("SET_REV = 10000"));
        if (end == End::discard) writer.discard();
        if (end == End::target_becomes_a_folder) {
          fs::remove(kTarget);
          fs::create_directory(kTarget);
          before["cal.set"] = "<folder>";
          EXPECT_FALSE(writer.commit());
          EXPECT_EQ(writer.error(), "not a regular file");
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
    const std::string name = new_names().at(0);
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

// The file at the end of the target's links (a relative one followed from its own folder)
// is replaced and keeps its permissions; the links stay. A new file gets the usual mode.
TEST_F(AtomicFileWriterTest, ReplacesTheFileBehindTheLinksAndKeepsItsPermissions) {
  const Files links = {
      {"cal.set", "real/cal.set"}, {"chain.set", "cal.set"}, {"new.set", "real/new.set"}};
  const struct {
    const char* target;
    const char* file;
    mode_t mode;
  } cases[] = {{"data/cal.set", "cal.set", 0600},
               {"data/chain.set", "cal.set", 0600},
               {"data/new.set", "new.set", 0644},
               {"data/real/read_only.set", "read_only.set", 0444}};
  const mode_t previous_mask = ::umask(022);
  for (const auto& c : cases) {
    fs::remove_all("data");
    fs::create_directories("data/real");
    Files real = {{"cal.set", "old\r\n"}, {"read_only.set", "old\r\n"}};
    for (const auto& [name, bytes] : real) write_raw("real/" + name, bytes);
    ::chmod("data/real/cal.set", 0600);
    ::chmod("data/real/read_only.set", 0444);
    for (const auto& [link, leads_to] : links) fs::create_symlink(leads_to, "data/" + link);
    ui::AtomicFileWriter writer(c.target);
    ASSERT_TRUE(writer.open() && writer.write_line("new") && writer.commit()) << writer.error();
    real[c.file] = "new\r\n";
    EXPECT_EQ(test::folder_files("data/real"), real) << c.target;
    EXPECT_EQ(fs::status("data/real/" + std::string(c.file)).permissions(), fs::perms(c.mode));
    for (const auto& [link, leads_to] : links) {
      std::error_code not_a_link;
      EXPECT_EQ(fs::read_symlink("data/" + link, not_a_link), leads_to) << c.target;
    }
  }
  ::umask(previous_mask);
}

// Only a regular file is replaced: a pipe, a socket, a device or a folder, named itself or at
// the end of a link (the system's own /proc/self/fd links too), stays as it is.
TEST_F(AtomicFileWriterTest, RefusesWhatIsNotARegularFileAndLeavesItAsItIs) {
  lay_down_users_files();
  ASSERT_EQ(::mkfifo("data/pipe", 0600), 0);
  fs::create_directory("data/folder");
  const int listening = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", "data/socket");
  ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  // The null device's numbers in the test's own folder: the real /dev is never touched.
  const bool device_made = ::mknod("data/device", S_IFCHR | 0666, ::makedev(1, 3)) == 0;
  std::array<int, 2> pipe_ends{};
  ASSERT_EQ(::pipe2(pipe_ends.data(), O_CLOEXEC), 0);
  fs::create_symlink("/proc/self/fd/" + std::to_string(pipe_ends[0]), "data/standard_input");

  std::vector<std::pair<std::string, std::string>> cases = {
      {"pipe", "not a regular file"},
      {"socket", "not a regular file"},
      {"folder", "not a regular file"},
      {"link_to_pipe", "it leads to data/pipe, which is not a regular file"},
      {"link_to_folder", "it leads to data/folder, which is not a regular file"},
      {"standard_input", "not a regular file"}};
  if (device_made) {
    cases.emplace_back("device", "not a regular file");
    cases.emplace_back("link_to_device", "it leads to data/device, which is not a regular file");
  }
  for (const char* node : {"pipe", "folder", "device"}) {
    fs::create_symlink(node, "data/link_to_" + std::string(node));
  }
  const Files before = test::folder_files("data");
  for (const Temporary mode : kModes) {
    for (const auto& [name, error] : cases) {
      ui::AtomicFileWriter writer("data/" + name, mode);
      EXPECT_FALSE(writer.open()) << name;
      EXPECT_EQ(writer.error(), error) << name;
      EXPECT_FALSE(writer.commit()) << name;
    }
  }
  EXPECT_EQ(test::folder_files("data"), before);
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status("data/pipe")));
  EXPECT_TRUE(fs::is_socket(fs::symlink_status("data/socket")));
  EXPECT_TRUE(fs::is_fifo(fs::status("data/standard_input")));
  ::close(listening);
  for (const int end : pipe_ends) ::close(end);
  if (!device_made) GTEST_SKIP() << "no device node can be made here: devices not tried";
  struct stat device {};
  ASSERT_EQ(::lstat("data/device", &device), 0);
  EXPECT_TRUE(S_ISCHR(device.st_mode));
  EXPECT_EQ(device.st_rdev, ::makedev(1, 3));
}

// A link into a folder that takes no new file (/proc) is refused for that reason, not as a
// missing file: /proc/version exists.
TEST_F(AtomicFileWriterTest, AFolderThatTakesNoNewFileIsTheReasonGiven) {
  lay_down_users_files();
  fs::create_symlink("/proc/version", "data/version.set");
  for (const Temporary mode : kModes) {
    ui::AtomicFileWriter writer("data/version.set", mode);
    EXPECT_FALSE(writer.open());
    EXPECT_EQ(writer.error(), "no new file can be made in /proc (open)");
  }
}

// "user::rw-, user:65534:rw-, group::r--, mask::rw-, other::---" as the system stores it: the
// version 2, then each entry's tag, permissions and user (-1 for none), little-endian.
const std::string kNobodyMayWrite(
    "\x02\x00\x00\x00"
    "\x01\x00\x06\x00\xff\xff\xff\xff"
    "\x02\x00\x06\x00\xfe\xff\x00\x00"
    "\x04\x00\x04\x00\xff\xff\xff\xff"
    "\x10\x00\x06\x00\xff\xff\xff\xff"
    "\x20\x00\x00\x00\xff\xff\xff\xff",
    44);
constexpr const char* kAccessList = "system.posix_acl_access";
constexpr const char* kOwnMark = "user.ecu-console.temporary";

std::string attribute(const std::string& file, const char* name) {
  std::array<char, 256> value{};
  const ssize_t size = ::getxattr(file.c_str(), name, value.data(), value.size());
  return size < 0 ? "<none>" : std::string(value.data(), static_cast<std::size_t>(size));
}

// The saved file keeps the old one's access control list and attributes, so `nobody` keeps
// its right to write and the owning group gains none (its bits in the mode are the list's
// mask). A list the folder's default would give a file that had none is not taken.
TEST_F(AtomicFileWriterTest, KeepsTheAccessControlListAndAttributesAndWidensNoRights) {
  for (const Temporary mode : kModes) {
    lay_down_users_files();
    fs::create_directory("data/shared");
    write_raw("shared/plain.set", "old\r\n");
    ::chmod("data/shared/plain.set", 0644);
    ::chmod(kTarget, 0640);
    if (::setxattr(kTarget, kAccessList, kNobodyMayWrite.data(), kNobodyMayWrite.size(), 0) != 0 ||
        ::setxattr(kTarget, "user.note", "kept", 4, 0) != 0 ||
        ::setxattr("data/shared", "system.posix_acl_default", kNobodyMayWrite.data(),
                   kNobodyMayWrite.size(), 0) != 0) {
      GTEST_SKIP() << "the test folder's file system keeps no access control lists or attributes";
    }
    for (const char* target : {kTarget, "data/shared/plain.set"}) {
      ui::AtomicFileWriter writer(target, mode);
      ASSERT_TRUE(writer.open() && writer.write_line("new") && writer.commit()) << writer.error();
    }
    struct stat saved {};
    ASSERT_EQ(::stat(kTarget, &saved), 0);
    EXPECT_EQ(saved.st_mode & 07777, 0660U);
    EXPECT_EQ(attribute(kTarget, kAccessList), kNobodyMayWrite);
    EXPECT_EQ(attribute(kTarget, "user.note"), "kept");
    ASSERT_EQ(::stat("data/shared/plain.set", &saved), 0);
    EXPECT_EQ(saved.st_mode & 07777, 0644U);
    EXPECT_EQ(attribute("data/shared/plain.set", kAccessList), "<none>");
  }
}

// A set-ID bit stays only with the owner (and group) it runs as. Written by `nobody`, root's
// file gets nobody's owner and loses both bits; nobody's own keeps them, although nobody's
// writes clear them.
TEST_F(AtomicFileWriterTest, SetIdBitsStayOnlyWithTheOwnerTheyRunAs) {
  const passwd* user = ::getpwnam("nobody");
  if (::geteuid() != 0 || user == nullptr) GTEST_SKIP() << "needs root and the user nobody";
  const uid_t nobody = user->pw_uid;
  const gid_t nogroup = user->pw_gid;
  const struct {
    uid_t owner;
    gid_t group;
    mode_t saved_mode;
  } cases[] = {{0, 0, 0755}, {nobody, nogroup, 06755}};
  for (const auto& c : cases) {
    lay_down_users_files();
    ::chmod("data", 0777);
    ASSERT_EQ(::chown(kTarget, c.owner, c.group), 0);
    ::chmod(kTarget, 06755);
    const pid_t child = ::fork();
    if (child == 0) {
      ui::AtomicFileWriter writer("cal.set");
      const bool became_nobody = ::chdir("data") == 0 && ::setgroups(0, nullptr) == 0 &&
                                 ::setresgid(nogroup, nogroup, nogroup) == 0 &&
                                 ::setresuid(nobody, nobody, nobody) == 0;
      std::_Exit(became_nobody && writer.open() && writer.write_line("new") && writer.commit() ? 0
                                                                                               : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    struct stat saved {};
    ASSERT_EQ(::stat(kTarget, &saved), 0);
    EXPECT_EQ(saved.st_uid, nobody);
    EXPECT_EQ(saved.st_mode & 07777, c.saved_mode) << "owner " << c.owner;
  }
}

// 32 KiB under a limit of 16 KiB, the size signal left as it comes: exit code 0 when the
// write failed, with the reason on the error output.
[[noreturn]] void write_past_a_small_limit() {
  std::signal(SIGXFSZ, SIG_DFL);
  const rlimit small{16 * 1024, 16 * 1024};
  ::setrlimit(RLIMIT_FSIZE, &small);
  ui::AtomicFileWriter writer(kTarget);
  const bool written =
      writer.open() && writer.write(std::string(32 * 1024, 'x')) && writer.commit();
  std::fputs(writer.error().c_str(), stderr);
  std::_Exit(written ? 1 : 0);
}

// The limit is set in a child process, which the test's own outlives.
TEST_F(AtomicFileWriterTest, AWritePastTheFileSizeLimitFailsAndKeepsTheOldFile) {
  lay_down_users_files();
  EXPECT_EXIT(write_past_a_small_limit(), ::testing::ExitedWithCode(0),
              "^File too large \\(write\\)$");
  EXPECT_EQ(test::folder_files("data"), kUsersFiles);
}

// A console killed after its temporary file got a name leaves it behind; the next write of
// the same target removes it, a living writer's file stays. A forked console does not draw
// its parent's names.
TEST_F(AtomicFileWriterTest, ALeftoverGoesWithTheNextWriteOfItsTargetOnly) {
  lay_down_users_files();
  ui::AtomicFileWriter("data/warm.set", Temporary::named).open();
  if (::fork() == 0) {
    ui::AtomicFileWriter killed(kTarget, Temporary::named);
    killed.open();
    ::kill(::getpid(), SIGKILL);
  }
  ::wait(nullptr);
  const std::vector<std::string> leftover = new_names();
  ASSERT_EQ(leftover.size(), 1U);
  if (attribute("data/" + leftover[0], kOwnMark) == "<none>") {
    GTEST_SKIP() << "the file system keeps no attributes: no leftover can be proved the console's";
  }
  ui::AtomicFileWriter other("data/other.set", Temporary::named);
  ASSERT_TRUE(other.open());
  const std::vector<std::string> both = new_names();
  ASSERT_EQ(both.size(), 2U) << "another target's write leaves it";
  EXPECT_NE(both[1].substr(10, 12), leftover[0].substr(8, 12)) << "a name drawn again";
  ui::AtomicFileWriter held(kTarget, Temporary::named);
  ASSERT_TRUE(held.open());
  other.discard();
  const std::vector<std::string> held_name = new_names();
  EXPECT_NE(held_name, leftover);
  ui::AtomicFileWriter next(kTarget);
  ASSERT_TRUE(next.open() && next.write_line("new") && next.commit());
  EXPECT_EQ(new_names(), held_name);
  EXPECT_EQ(held_name.size(), 1U);
}

// Only a leftover the console marked as its own goes: a file that merely looks like one of a
// name cut to its first 200 characters, and a copy of a leftover that kept its mark (cp -a),
// stay.
TEST_F(AtomicFileWriterTest, AFileThatOnlyLooksLikeALeftoverStays) {
  lay_down_users_files();
  const std::string stem(200, 'n');
  const std::string target = "data/" + stem + "A.set";
  if (::fork() == 0) {
    ui::AtomicFileWriter killed(target, Temporary::named);
    killed.open();
    ::kill(::getpid(), SIGKILL);
  }
  ::wait(nullptr);
  const std::vector<std::string> leftover = new_names();
  ASSERT_EQ(leftover.size(), 1U);
  const std::string mark = attribute("data/" + leftover[0], kOwnMark);
  if (mark == "<none>") GTEST_SKIP() << "the file system keeps no attributes";
  const std::string look_alike = stem + ".0123456789ab.tmp";
  const std::string copy = stem + ".00000000000a.tmp";
  write_raw(look_alike, "another name's look-alike\r\n");
  write_raw(copy, "");
  ASSERT_EQ(::setxattr(("data/" + copy).c_str(), kOwnMark, mark.data(), mark.size(), 0), 0);
  ui::AtomicFileWriter next(target);
  ASSERT_TRUE(next.open() && next.write_line("new") && next.commit()) << next.error();
  EXPECT_EQ(new_names(), (std::vector<std::string>{copy, look_alike, stem + "A.set"}));
  EXPECT_EQ(attribute(target, kOwnMark), "<none>") << "the saved file bears no mark";
}

}  // namespace
