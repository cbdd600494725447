#include "ui/atomic_file_writer.hpp"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <pwd.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
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
  // Asked of a file of the test's own, so that a writer that puts no mark cannot make the
  // tests of leftovers skip.
  static bool keeps_user_attributes() {
    write_raw("probe", "");
    const bool kept = ::setxattr("data/probe", "user.probe", "1", 1, 0) == 0;
    fs::remove("data/probe");
    return kept;
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
// kNobodyMayWrite with "group::---", and with "user:12345:rw-" in place of 65534.
const std::string kNobodyMayWriteNoGroup =
    kNobodyMayWrite.substr(0, 22) + '\0' + kNobodyMayWrite.substr(23);
const std::string kUnmappedMayWrite =
    kNobodyMayWrite.substr(0, 16) + "\x39\x30" + kNobodyMayWrite.substr(18);
constexpr const char* kAccessList = "system.posix_acl_access";
constexpr const char* kOwnMark = "user.ecu-console.temporary";
// What a save says of the look-alikes among the user's files, named exactly as the console
// names its temporary files.
constexpr const char* kUsersLookAlikesNotice =
    "Left as they are, as nothing shows that the console made them: "
    "data/cal.set.000000000000.tmp, data/cal.set.0123456789ab.tmp. A save that was cut short "
    "leaves such files; remove those that are not yours.";

struct Owned {
  uid_t owner;
  gid_t group;
  mode_t mode;
  bool operator==(const Owned&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Owned& owned) {
  return out << owned.owner << ':' << owned.group << " 0" << std::oct << owned.mode << std::dec;
}

// Sets or clears an inode flag of a file or folder (FS_APPEND_FL is chattr +a).
bool mark_inode(const char* path, int flag, bool set) {
  const int descriptor = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  int flags = 0;
  bool marked = descriptor >= 0 && ::ioctl(descriptor, FS_IOC_GETFLAGS, &flags) == 0;
  flags = set ? flags | flag : flags & ~flag;
  marked = marked && ::ioctl(descriptor, FS_IOC_SETFLAGS, &flags) == 0;
  if (descriptor >= 0) ::close(descriptor);
  return marked;
}

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

std::string save(const char* target) {
  ui::AtomicFileWriter writer(target);
  return writer.open() && writer.write_line("new") && writer.commit() ? "" : writer.error();
}

bool write_whole(const char* file, const std::string& text) {
  std::ofstream out(file);
  return static_cast<bool>(out << text << std::flush);
}

// A save as nobody of the group 100 (a second user of a shared folder); with only the
// process's own IDs mapped in a user namespace of its own (a rootless container); or by root
// with mounts of its own, where another file is mounted over cal.set.
enum class Saver { root, nobody, user_namespace, mount_namespace };

bool become(Saver saver) {
  const std::string user = std::to_string(::geteuid()) + ' ' + std::to_string(::geteuid()) + " 1";
  const std::string group = std::to_string(::getegid()) + ' ' + std::to_string(::getegid()) + " 1";
  switch (saver) {
    case Saver::root:
      return true;
    case Saver::nobody:
      return ::setgroups(0, nullptr) == 0 && ::setresgid(100, 100, 100) == 0 &&
             ::setresuid(65534, 65534, 65534) == 0;
    case Saver::user_namespace:
      return ::unshare(CLONE_NEWUSER) == 0 && write_whole("/proc/self/uid_map", user) &&
             write_whole("/proc/self/setgroups", "deny") &&
             write_whole("/proc/self/gid_map", group);
    case Saver::mount_namespace:
      return ::unshare(CLONE_NEWNS) == 0 &&
             ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
             ::mount("other.set", "cal.set", nullptr, MS_BIND, nullptr) == 0;
  }
  return false;
}

// Whether this system lets the test become the saver at all, asked apart from any writer.
bool can_become(Saver saver) {
  const pid_t child = ::fork();
  if (child == 0) std::_Exit(::chdir("data") == 0 && become(saver) ? 0 : 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// In a child process: saves data/<name> as the saver and puts what the save said ("" or the
// writer's reason) on the error output.
[[noreturn]] void save_as(Saver saver, const char* name) {
  const bool became = ::chdir("data") == 0 && become(saver);
  std::fputs(became ? save(name).c_str() : "cannot become the saver", stderr);
  std::_Exit(0);
}

Owned owned(const char* file) {
  struct stat seen {};
  ::stat(file, &seen);
  return {seen.st_uid, seen.st_gid, seen.st_mode & 07777};
}

// Where the owner or the group cannot be kept, the save goes on, and no one gains a right:
// the saver's group gets only what its members had as others (the group bits, or a list's
// owning-group entry, cut to the others'), a list that cannot be set takes the group bits
// (its mask) with it. The owner is refused as nobody (EPERM) and in a namespace where it has
// no ID (EINVAL). A group kept (the saver's own) keeps its rights.
TEST_F(AtomicFileWriterTest, AnOwnerOrGroupThatCannotBeKeptGivesNoOneARight) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give files other owners";
  const std::string* none = nullptr;
  const struct {
    Saver saver;
    Owned folder, file;
    const std::string* list;
    Owned saved;
    const std::string* saved_list;
  } cases[] = {
      // clang-format off
      {Saver::nobody, {0, 0, 0777}, {0, 50, 0660}, none, {65534, 100, 0600}, none},
      {Saver::nobody, {0, 0, 0777}, {0, 0, 0640}, none, {65534, 100, 0600}, none},
      {Saver::nobody, {0, 0, 0777}, {0, 50, 0644}, none, {65534, 100, 0644}, none},
      {Saver::nobody, {0, 100, 02770}, {0, 50, 02770}, none, {65534, 100, 0700}, none},
      {Saver::nobody, {0, 0, 0777}, {0, 50, 0660}, &kNobodyMayWrite, {65534, 100, 0660},
       &kNobodyMayWriteNoGroup},
      {Saver::nobody, {0, 0, 0777}, {0, 100, 0660}, none, {65534, 100, 0660}, none},
      {Saver::user_namespace, {0, 0, 0777}, {12345, 12345, 0666}, none, {0, 0, 0666}, none},
      {Saver::user_namespace, {0, 0, 0777}, {12345, 0, 0660}, &kUnmappedMayWrite, {0, 0, 0600},
       none},
      // clang-format on
  };
  for (const auto& c : cases) {
    lay_down_users_files();
    ASSERT_EQ(::chown("data", c.folder.owner, c.folder.group), 0);
    ::chmod("data", c.folder.mode);
    ASSERT_EQ(::chown(kTarget, c.file.owner, c.file.group), 0);
    ::chmod(kTarget, c.file.mode);
    if (c.list != nullptr && ::setxattr(kTarget, kAccessList, c.list->data(), c.list->size(), 0)) {
      GTEST_SKIP() << "the test folder's file system keeps no access control lists";
    }
    if (!can_become(c.saver)) GTEST_SKIP() << "user namespaces are not allowed here";
    EXPECT_EXIT(save_as(c.saver, "cal.set"), ::testing::ExitedWithCode(0), "^$") << c.file;
    EXPECT_EQ(owned(kTarget), c.saved) << c.file;
    EXPECT_EQ(attribute(kTarget, kAccessList), c.saved_list ? *c.saved_list : "<none>") << c.file;
  }
}

// What the rename would be refused for is refused as the file is opened, before a long
// write, and nothing is written or left: an append-only or immutable file or folder, a file
// mounted over, another user's file in a sticky folder (/tmp), where only the file's owner,
// the folder's or root may replace it.
TEST_F(AtomicFileWriterTest, AFileTheRenameWouldBeRefusedForIsRefusedAsItIsOpened) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to mark files and save as another user";
  const struct {
    const char* marked;
    int flag;
    Saver saver;
    const char* target;
    const char* said;
  } cases[] = {
      {kTarget, FS_APPEND_FL, Saver::root, "cal.set",
       "it is append-only, so it cannot be replaced"},
      {kTarget, FS_IMMUTABLE_FL, Saver::root, "cal.set",
       "it is immutable, so it cannot be replaced"},
      {kTarget, FS_APPEND_FL, Saver::root, "link.set",
       "it leads to cal.set, which is append-only, so it cannot be replaced"},
      {"data", FS_APPEND_FL, Saver::root, "cal.set",
       "its folder is append-only, so no file in it can be replaced"},
      {"data", FS_IMMUTABLE_FL, Saver::root, "new.set",
       "its folder is immutable, so no file in it can be replaced"},
      {nullptr, 0, Saver::nobody, "cal.set",
       "it is another user's file in a sticky folder, where only its owner may replace it"},
      {nullptr, 0, Saver::mount_namespace, "cal.set",
       "it has another file mounted on it, so it cannot be replaced"},
      {nullptr, 0, Saver::nobody, "own.set", ""},
      {nullptr, 0, Saver::root, "cal.set", ""},
  };
  for (const auto& c : cases) {
    lay_down_users_files();
    fs::create_symlink("cal.set", "data/link.set");
    write_raw("other.set", "another file\r\n");
    write_raw("own.set", "nobody's\r\n");
    // Neither the file nor the folder is root's: root may still replace it, as CAP_FOWNER.
    ASSERT_EQ(
        ::chown("data/own.set", 65534, 100) | ::chown(kTarget, 50, 50) | ::chown("data", 50, 50),
        0);
    ::chmod("data", 01777);
    ::chmod(kTarget, 0666);
    const Files before = test::folder_files("data");
    if (c.marked != nullptr && !mark_inode(c.marked, c.flag, true)) {
      GTEST_SKIP() << "no inode flags can be set here";
    }
    if (!can_become(c.saver)) GTEST_SKIP() << "no file can be mounted here";
    EXPECT_EXIT(save_as(c.saver, c.target), ::testing::ExitedWithCode(0),
                ::testing::Eq(std::string(c.said)));
    if (c.marked != nullptr) {
      ASSERT_TRUE(mark_inode(c.marked, c.flag, false));
    }
    if (*c.said != '\0') {
      EXPECT_EQ(test::folder_files("data"), before) << c.said;
    }
  }
}

// Random bits given out in turn to a writer's names, then the system's own.
std::deque<std::uint64_t> given_bits;
ssize_t given_random_bits(void* bits, std::size_t count, unsigned flags) {
  if (given_bits.empty()) return ::getrandom(bits, count, flags);
  std::memcpy(bits, &given_bits.front(), std::min(count, sizeof given_bits.front()));
  given_bits.pop_front();
  return static_cast<ssize_t>(count);
}

// Every other write is interrupted by a signal before it writes anything, and the others
// take 1000 bytes at most, as on a busy or a network file system; each sees the file's mode.
int write_calls = 0;
mode_t mode_while_written = 0;
ssize_t interrupted_or_short_write(int descriptor, const void* bytes, std::size_t count) {
  struct stat seen {};
  ::fstat(descriptor, &seen);
  mode_while_written |= seen.st_mode & 07777;
  if (++write_calls % 2 == 1) {
    errno = EINTR;
    return -1;
  }
  return ::write(descriptor, bytes, std::min<std::size_t>(count, 1000));
}

// The temporary file never takes a name a file has already (the user's file is neither
// written nor renamed, and it is named among those left), is its writer's alone until it is
// complete whatever the old file and the creation mask allow, and a write interrupted or cut
// short goes on where it stopped.
TEST_F(AtomicFileWriterTest, TheTemporaryFileIsFreshItsWritersAloneAndWrittenWhole) {
  std::string text;
  for (int line = 0; line < 20000; ++line) text += std::to_string(line) + "\r\n";
  const mode_t previous_mask = ::umask(0);
  for (const Temporary mode : kModes) {
    lay_down_users_files();
    ::chmod(kTarget, 0666);
    given_bits = {0x0123456789ab, 0xF0000000000000, 0xfedcba987654};
    mode_while_written = 0;
    ui::AtomicFileWriter writer(kTarget, mode);
    writer.use_system_calls({given_random_bits, interrupted_or_short_write});
    ASSERT_TRUE(writer.open() && writer.write(text) && writer.commit()) << writer.error();
    EXPECT_EQ(mode_while_written, 0600U);
    Files expected = kUsersFiles;
    expected["cal.set"] = text;
    EXPECT_EQ(test::folder_files("data"), expected);
    EXPECT_EQ(owned(kTarget).mode, 0666U);
    EXPECT_EQ(writer.notice(), kUsersLookAlikesNotice);
  }
  ::umask(previous_mask);
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
  if (!keeps_user_attributes()) GTEST_SKIP() << "the file system keeps no user attributes";
  ui::AtomicFileWriter("data/warm.set", Temporary::named).open();
  if (::fork() == 0) {
    ui::AtomicFileWriter killed(kTarget, Temporary::named);
    killed.open();
    ::kill(::getpid(), SIGKILL);
  }
  ::wait(nullptr);
  const std::vector<std::string> leftover = new_names();
  ASSERT_EQ(leftover.size(), 1U);
  struct stat left {};
  ASSERT_EQ(::stat(("data/" + leftover[0]).c_str(), &left), 0);
  ASSERT_EQ(attribute("data/" + leftover[0], kOwnMark), std::to_string(left.st_ino));
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
  EXPECT_EQ(next.notice(), kUsersLookAlikesNotice) << "neither a leftover nor a living writer's";
}

// A leftover that bears no mark (its file system keeps none, or the console was killed as it
// took the mark away before the rename) cannot be told from a file of the user's: it stays,
// and the next save names it.
TEST_F(AtomicFileWriterTest, ALeftoverThatCannotBeProvedTheConsolesStaysAndIsNamed) {
  fs::create_directory("data");
  write_raw("cal.set", "old\r\n");
  if (::fork() == 0) {
    ui::AtomicFileWriter killed(kTarget, Temporary::named);
    killed.open();
    ::kill(::getpid(), SIGKILL);
  }
  ::wait(nullptr);
  const std::string leftover = test::folder_files("data").rbegin()->first;
  ::removexattr(("data/" + leftover).c_str(), kOwnMark);
  ui::AtomicFileWriter next(kTarget);
  ASSERT_TRUE(next.open() && next.write_line("new") && next.commit());
  EXPECT_EQ(next.notice(), "Left as it is, as nothing shows that the console made it: data/" +
                               leftover + ". A save that was cut short leaves such a file; " +
                               "remove it if it is not yours.");
  EXPECT_EQ(test::folder_files("data"), (Files{{"cal.set", "new\r\n"}, {leftover, ""}}));
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
  if (!keeps_user_attributes()) GTEST_SKIP() << "the file system keeps no user attributes";
  const std::string mark = attribute("data/" + leftover[0], kOwnMark);
  ASSERT_NE(mark, "<none>") << "the console's mark";
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
