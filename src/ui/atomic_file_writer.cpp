#include "ui/atomic_file_writer.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/fs.h>
#include <linux/posix_acl.h>
#include <linux/posix_acl_xattr.h>
#include <sys/fsuid.h>
#include <sys/ioctl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

namespace ui {
namespace {

namespace fs = std::filesystem;

// Writes go out in pieces of this size; a settings file or a data set stays below it.
constexpr std::size_t kWriteChunk = std::size_t{64} * 1024;
// Fresh names to try before giving up: a clash is already unlikely for the first one.
constexpr int kNameAttempts = 100;
// Leaves room for the suffix within the longest name a folder entry can have.
constexpr std::size_t kLongestNameStem = 200;
// "<stem>.<12 hex digits>.tmp"
constexpr std::size_t kNameDigits = 12;
constexpr std::string_view kNameEnd = ".tmp";
// Symbolic links followed from the target before giving up, as the system itself does.
constexpr int kLinkHops = 40;
constexpr mode_t kPermissionBits = 07777;
// Marks a temporary file as the console's own while it may be left behind: its inode number,
// so that neither a file of the user's that merely has such a name nor a copy of a leftover
// is taken for one.
constexpr const char* kOwnMark = "user.ecu-console.temporary";
// The extended attributes that carry rights.
constexpr const char* kAccessControlList = "system.posix_acl_access";
constexpr const char* kCapabilities = "security.capability";
// The access control list as the system stores it: a version word, then entries of a tag and
// permissions (16 bits each) and an ID (32 bits), little-endian.
constexpr std::size_t kListHeader = 4;
constexpr std::size_t kListEntry = 8;
// A folder full of files that look like leftovers still gives a message one can read.
constexpr std::size_t kKeptNamesShown = 5;

std::string name_stem(const std::string& file) {
  return fs::path(file).filename().string().substr(0, kLongestNameStem);
}

// "<file's name>.<12 hex digits>.tmp" beside the file, or "" when no random bits could be
// had. The bits are read afresh for every name: no state is shared between threads, and a
// forked process does not draw the names its parent draws.
std::string candidate_name(const std::string& file, const AtomicFileWriter::SystemCalls& calls) {
  std::uint64_t bits = 0;
  ssize_t got = 0;
  do {
    got = calls.random_bits(&bits, sizeof bits, 0);
  } while (got < 0 && errno == EINTR);
  if (got != static_cast<ssize_t>(sizeof bits)) return {};
  std::array<char, 16> digits{};
  std::snprintf(digits.data(), digits.size(), "%012llx",
                static_cast<unsigned long long>(bits & 0xFFFFFFFFFFFFULL));
  return (fs::path(file).parent_path() / (name_stem(file) + '.' + digits.data() + ".tmp")).string();
}

// Exactly the names candidate_name gives for the file whose name stem this is.
bool is_temporary_name_of(std::string_view entry, std::string_view stem) {
  if (entry.size() != stem.size() + 1 + kNameDigits + kNameEnd.size() || !entry.starts_with(stem) ||
      entry[stem.size()] != '.' || !entry.ends_with(kNameEnd)) {
    return false;
  }
  const std::string_view digits = entry.substr(stem.size() + 1, kNameDigits);
  return digits.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

std::string folder_of(const std::string& file) {
  const fs::path folder = fs::path(file).parent_path();
  return folder.empty() ? std::string(".") : folder.string();
}

bool same_file(const struct stat& one, const struct stat& other) {
  return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// The file the target finally leads to: every symbolic link followed (a relative one from
// the link's own folder), so that the link stays and the file behind it is replaced; a
// dangling link leads to the file it names. 0 or why it cannot be followed.
int follow_links(const std::string& target, std::string& file) {
  fs::path path(target);
  for (int hop = 0; hop <= kLinkHops; ++hop) {
    struct stat seen {};
    if (::lstat(path.c_str(), &seen) != 0 || !S_ISLNK(seen.st_mode)) {
      file = path.string();
      return 0;
    }
    std::error_code code;
    const fs::path leads_to = fs::read_symlink(path, code);
    if (code) return code.value();
    path = leads_to.is_absolute() ? leads_to : path.parent_path() / leads_to;
  }
  return ELOOP;
}

// A lock of the open file itself (not of the process), so it tells two writers in one
// process apart too, and holds over NFS.
bool lock(int descriptor, short kind) {
  struct flock range {};
  range.l_type = kind;
  range.l_whence = SEEK_SET;  // from the start to the end, however the file grows
  return ::fcntl(descriptor, F_OFD_SETLK, &range) == 0;
}

// A writer holds a lock on its temporary file for as long as it lives, so that another
// console can tell a file still being written from one left by a console that was killed.
// False only when someone else holds it; where the file system has no locks at all, nobody
// can take the file from its writer either.
bool hold(int descriptor) {
  return lock(descriptor, F_WRLCK) || (errno != EAGAIN && errno != EACCES);
}

// The mark that only a writer puts on its temporary file, for this very file.
bool marked_as_own(int descriptor, ino_t inode) {
  std::array<char, 32> mark{};
  const ssize_t size = ::fgetxattr(descriptor, kOwnMark, mark.data(), mark.size());
  return size > 0 &&
         std::string_view(mark.data(), static_cast<std::size_t>(size)) == std::to_string(inode);
}

enum class Found { removed, in_use, kept };

// A regular file of the console's temporary naming, opened: removed when no living writer
// holds it and it bears the console's mark for itself (a console killed between naming and
// renaming left it), and only while the name still leads to the file locked.
Found clean_up(int folder_descriptor, const char* name, const struct stat& named, int descriptor) {
  struct stat opened {};
  if (::fstat(descriptor, &opened) != 0 || !same_file(opened, named)) return Found::in_use;
  if (!lock(descriptor, F_RDLCK)) {
    return errno == EAGAIN || errno == EACCES ? Found::in_use : Found::kept;
  }
  struct stat again {};
  if (!marked_as_own(descriptor, opened.st_ino) ||
      ::fstatat(folder_descriptor, name, &again, AT_SYMLINK_NOFOLLOW) != 0 ||
      !same_file(again, opened)) {
    return Found::kept;
  }
  return ::unlinkat(folder_descriptor, name, 0) == 0 ? Found::removed : Found::kept;
}

// Removes the leftovers of the file's own naming; the names of the files of that naming that
// stay although no living writer holds them, which nothing proves the console's (where the
// file system keeps no mark, none is). Only regular files are opened: a device never is.
std::vector<std::string> remove_leftovers(const std::string& file) {
  DIR* folder = ::opendir(folder_of(file).c_str());
  if (folder == nullptr) return {};
  const int folder_descriptor = ::dirfd(folder);
  const std::string stem = name_stem(file);
  std::vector<std::string> kept;
  while (const dirent* entry = ::readdir(folder)) {
    const char* name = entry->d_name;
    if (!is_temporary_name_of(name, stem)) continue;
    struct stat named {};
    if (::fstatat(folder_descriptor, name, &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(named.st_mode)) {
      continue;
    }
    const int descriptor =
        ::openat(folder_descriptor, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    const Found found =
        descriptor < 0 ? Found::kept : clean_up(folder_descriptor, name, named, descriptor);
    if (descriptor >= 0) ::close(descriptor);
    if (found == Found::kept) kept.push_back((fs::path(file).parent_path() / name).string());
  }
  ::closedir(folder);
  std::sort(kept.begin(), kept.end());
  return kept;
}

// The sentence that names the files of the console's temporary naming that stay.
std::string kept_files_notice(const std::vector<std::string>& kept) {
  if (kept.empty()) return {};
  std::string names;
  for (std::size_t k = 0; k < std::min(kept.size(), kKeptNamesShown); ++k) {
    names += (k == 0 ? "" : ", ") + kept[k];
  }
  if (kept.size() > kKeptNamesShown) {
    names += " and " + std::to_string(kept.size() - kKeptNamesShown) + " more";
  }
  return kept.size() == 1
             ? "Left as it is, as nothing shows that the console made it: " + names +
                   ". A save that was cut short leaves such a file; remove it if it is not yours."
             : "Left as they are, as nothing shows that the console made them: " + names +
                   ". A save that was cut short leaves such files; remove those that are not "
                   "yours.";
}

// After the rename the folder's new entry goes to the disk too. The file is in place by
// then, so a folder that cannot be flushed is no reason to report a failure.
void flush_folder(const std::string& file) {
  const int folder = ::open(folder_of(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return;
  ::fsync(folder);
  ::close(folder);
}

// The names of the file's extended attributes (its access control list among them); none
// where the file system keeps none.
std::vector<std::string> attribute_names(const std::string& file) {
  std::string list;
  while (true) {
    const ssize_t size = ::llistxattr(file.c_str(), nullptr, 0);
    if (size <= 0) return {};
    list.assign(static_cast<std::size_t>(size), '\0');
    const ssize_t got = ::llistxattr(file.c_str(), list.data(), list.size());
    if (got >= 0) {
      list.resize(static_cast<std::size_t>(got));
      break;
    }
    // A list that grew between the two calls is asked for again.
    if (errno != ERANGE) return {};
  }
  std::vector<std::string> names;
  for (std::size_t start = 0; start < list.size();) {
    const std::size_t end = std::min(list.find('\0', start), list.size());
    names.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

std::optional<std::string> attribute_value(const std::string& file, const std::string& name) {
  while (true) {
    const ssize_t size = ::lgetxattr(file.c_str(), name.c_str(), nullptr, 0);
    if (size < 0) return std::nullopt;
    std::string value(static_cast<std::size_t>(size), '\0');
    const ssize_t got = ::lgetxattr(file.c_str(), name.c_str(), value.data(), value.size());
    if (got >= 0) {
      value.resize(static_cast<std::size_t>(got));
      return value;
    }
    if (errno != ERANGE) return std::nullopt;
  }
}

// The unnamed file's path through the process's descriptor table, which linkat follows.
std::string descriptor_path(int descriptor) {
  return "/proc/self/fd/" + std::to_string(descriptor);
}

struct FileFlags {
  bool append_only = false;
  bool immutable = false;
  bool mounted_on = false;
};

// What the system asks of a file or folder before it lets a rename take or give away a name
// there. statx tells without opening it; where it does not know, the flags are asked of the
// open file, which is opened only when it is a regular file or a folder.
FileFlags flags_of(const std::string& file) {
  struct statx seen {};
  if (::statx(AT_FDCWD, file.c_str(), 0, STATX_BASIC_STATS, &seen) != 0) return {};
  const auto has = [&seen](std::uint64_t attribute) {
    return (seen.stx_attributes & attribute) != 0;
  };
  FileFlags flags{has(STATX_ATTR_APPEND), has(STATX_ATTR_IMMUTABLE), has(STATX_ATTR_MOUNT_ROOT)};
  constexpr std::uint64_t kFlagsKnown = STATX_ATTR_APPEND | STATX_ATTR_IMMUTABLE;
  if ((seen.stx_attributes_mask & kFlagsKnown) == kFlagsKnown) return flags;
  const bool folder = S_ISDIR(seen.stx_mode);
  if (!folder && !S_ISREG(seen.stx_mode)) return flags;
  const int descriptor = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC |
                                                  (folder ? O_DIRECTORY : O_NOFOLLOW));
  if (descriptor < 0) return flags;
  int inode_flags = 0;
  if (::ioctl(descriptor, FS_IOC_GETFLAGS, &inode_flags) == 0) {
    flags.append_only = (inode_flags & FS_APPEND_FL) != 0;
    flags.immutable = (inode_flags & FS_IMMUTABLE_FL) != 0;
  }
  ::close(descriptor);
  return flags;
}

// True also when the process cannot tell: the rename then decides.
bool has_effective_capability(int capability) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3> sets{};
  if (::syscall(SYS_capget, &header, sets.data()) != 0) return true;
  const auto index = static_cast<std::size_t>(capability / 32);
  return ((sets.at(index).effective >> (capability % 32)) & 1U) != 0;
}

// A sticky folder lets only the file's owner, the folder's or a process with CAP_FOWNER
// replace a file in it; the file system user is the one the system checks.
bool sticky_folder_forbids(const struct stat& folder, const struct stat& file) {
  if ((folder.st_mode & S_ISVTX) == 0) return false;
  const auto user = static_cast<uid_t>(::setfsuid(static_cast<uid_t>(-1)));
  return user != file.st_uid && user != folder.st_uid && !has_effective_capability(CAP_FOWNER);
}

std::uint16_t list_word(const std::string& list, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(list[at]) |
                                    static_cast<unsigned char>(list[at + 1]) << 8U);
}

// The list for a file whose owning group is no longer the one it was made for: the owning
// group's entry keeps only what the others and every named group may do, so that a member
// of the new group gains nothing whichever entry applied to them before. The users' entries
// and the mask stay. Nothing for a list of a form not known.
std::optional<std::string> list_for_another_group(std::string list) {
  if (list.size() < kListHeader || (list.size() - kListHeader) % kListEntry != 0 ||
      list_word(list, 0) != POSIX_ACL_XATTR_VERSION || list_word(list, 2) != 0) {
    return std::nullopt;
  }
  std::uint16_t allowed = ACL_READ | ACL_WRITE | ACL_EXECUTE;
  for (std::size_t at = kListHeader; at < list.size(); at += kListEntry) {
    const std::uint16_t tag = list_word(list, at);
    if (tag == ACL_GROUP || tag == ACL_OTHER) allowed &= list_word(list, at + 2);
  }
  for (std::size_t at = kListHeader; at < list.size(); at += kListEntry) {
    if (list_word(list, at) != ACL_GROUP_OBJ) continue;
    const auto permissions = static_cast<std::uint16_t>(list_word(list, at + 2) & allowed);
    list[at + 2] = static_cast<char>(permissions & 0xFFU);
    list[at + 3] = static_cast<char>(permissions >> 8U);
  }
  return list;
}

}  // namespace

void ignore_file_size_signal() {
  // Left alone when someone already chose what the signal does.
  struct sigaction current {};
  if (::sigaction(SIGXFSZ, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) return;
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGXFSZ, &ignore, nullptr);
}

AtomicFileWriter::AtomicFileWriter(std::string target, Temporary temporary)
    : target_(std::move(target)), temporary_(temporary), calls_{::getrandom, ::write} {}

AtomicFileWriter::~AtomicFileWriter() {
  discard();
}

bool AtomicFileWriter::fail(std::string_view what, int error_number) {
  // Some failures (a short write) leave no error number behind.
  const std::string reason = error_number == 0 ? std::string("input/output error")
                                               : std::generic_category().message(error_number);
  error_ = reason + " (" + std::string(what) + ")";
  return false;
}

bool AtomicFileWriter::fail_to_create(int error_number) {
  // A folder that takes no new names (/proc) answers "No such file or directory" although
  // both it and the file exist.
  const std::string folder = folder_of(replaced_);
  struct stat seen {};
  if (error_number == ENOENT && ::stat(folder.c_str(), &seen) == 0 && S_ISDIR(seen.st_mode)) {
    error_ = "no new file can be made in " + folder + " (open)";
    return false;
  }
  return fail("open", error_number);
}

bool AtomicFileWriter::open() {
  discard();
  error_.clear();
  notice_.clear();
  ignore_file_size_signal();
  if (const int error_number = follow_links(target_, replaced_); error_number != 0) {
    return fail("open", error_number);
  }
  if (!replaces_a_regular_file()) return false;
  notice_ = kept_files_notice(remove_leftovers(replaced_));
  // Refused now, before a long write (a whole download from the controller) is spent on it.
  if (!may_be_replaced()) return false;
  const bool opened =
      (temporary_ == Temporary::unnamed_where_supported && open_unnamed()) || open_named();
  return opened;
}

bool AtomicFileWriter::replaces_a_regular_file() {
  // What the target leads to through every link, the system's own (/proc/self/fd/0) too.
  struct stat led_to {};
  struct stat named {};
  const bool leads_somewhere = ::stat(target_.c_str(), &led_to) == 0;
  const bool replaces = ::lstat(replaced_.c_str(), &named) == 0;
  const struct stat& found = leads_somewhere ? led_to : named;
  if ((leads_somewhere || replaces) && !S_ISREG(found.st_mode)) {
    error_ = replaces && replaced_ != target_
                 ? "it leads to " + replaced_ + ", which is not a regular file"
                 : std::string("not a regular file");
    return false;
  }
  // A file reached through a link of the system's own may have no name to replace (a deleted
  // file's "/tmp/x (deleted)").
  if (leads_somewhere && !(replaces && same_file(led_to, named))) {
    error_ = "its links end in a file that has no name to replace";
    return false;
  }
  replacing_ = replaces;
  if (replaces) replaced_status_ = named;
  return true;
}

std::string AtomicFileWriter::replaced_file_subject() const {
  return replaced_ == target_ ? std::string("it") : "it leads to " + replaced_ + ", which";
}

bool AtomicFileWriter::may_be_replaced() {
  const std::string folder = folder_of(replaced_);
  const FileFlags folder_flags = flags_of(folder);
  if (folder_flags.append_only || folder_flags.immutable) {
    const std::string whose =
        replaced_ == target_ ? std::string("its") : "it leads to " + replaced_ + ", whose";
    error_ = whose + " folder is " + (folder_flags.immutable ? "immutable" : "append-only") +
             ", so no file in it can be replaced";
    return false;
  }
  if (!replacing_) return true;
  const FileFlags flags = flags_of(replaced_);
  const char* refusal = flags.immutable     ? " is immutable, so it cannot be replaced"
                        : flags.append_only ? " is append-only, so it cannot be replaced"
                        : flags.mounted_on
                            ? " has another file mounted on it, so it cannot be replaced"
                            : nullptr;
  struct stat folder_status {};
  if (refusal == nullptr && ::stat(folder.c_str(), &folder_status) == 0 &&
      sticky_folder_forbids(folder_status, replaced_status_)) {
    refusal = " is another user's file in a sticky folder, where only its owner may replace it";
  }
  if (refusal == nullptr) return true;
  error_ = replaced_file_subject() + refusal;
  return false;
}

// Until it takes on the old file's rights, a file that replaces one is its writer's alone.
mode_t AtomicFileWriter::creation_mode() const {
  return replacing_ ? S_IRUSR | S_IWUSR : 0666;
}

bool AtomicFileWriter::open_unnamed() {
  const int descriptor =
      ::open(folder_of(replaced_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, creation_mode());
  if (descriptor < 0) return false;
  // Without the descriptor table in /proc the file could never be given a name.
  struct stat own {};
  struct stat seen {};
  if (::fstat(descriptor, &own) != 0 || ::stat(descriptor_path(descriptor).c_str(), &seen) != 0 ||
      !same_file(own, seen)) {
    ::close(descriptor);
    return false;
  }
  // Locked and marked before it has a name, so it is never without either once it has one.
  hold(descriptor);
  descriptor_ = descriptor;
  device_ = own.st_dev;
  inode_ = own.st_ino;
  mark_as_own();
  return true;
}

bool AtomicFileWriter::open_named() {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string path = candidate_name(replaced_, calls_);
    if (path.empty()) return fail("open", errno);
    // Exclusive creation: a name that exists, whatever it is, is never opened.
    const int descriptor =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, creation_mode());
    if (descriptor < 0) {
      if (errno == EEXIST) continue;
      return fail_to_create(errno);
    }
    struct stat own {};
    if (::fstat(descriptor, &own) != 0) {
      const int error_number = errno;
      ::close(descriptor);
      ::unlink(path.c_str());
      return fail("open", error_number);
    }
    descriptor_ = descriptor;
    temporary_path_ = path;
    device_ = own.st_dev;
    inode_ = own.st_ino;
    // Marked only once locked, so no other console takes it for a leftover. One that locked
    // it first leaves it, unmarked: its writer removes it and draws another name.
    if (hold(descriptor) && still_ours()) {
      mark_as_own();
      return true;
    }
    remove_named();
    close_descriptor();
  }
  return fail("open", EEXIST);
}

void AtomicFileWriter::mark_as_own() {
  const std::string inode = std::to_string(inode_);
  // Where the file system refuses it, a leftover of this file stays.
  ::fsetxattr(descriptor_, kOwnMark, inode.data(), inode.size(), 0);
}

bool AtomicFileWriter::take_on_replaced_attributes() {
  const struct stat& old = replaced_status_;
  struct stat own {};
  if (::fstat(descriptor_, &own) != 0) return fail("owner", errno);
  // Owner and group where the system lets the process set them. Often the group alone is
  // allowed, and an owner with no ID in the process's user namespace cannot be set at all
  // (EINVAL there, not EPERM): whatever the refusal, the save goes on with what could be
  // kept, and the rights below narrowed to it.
  if (own.st_uid != old.st_uid || own.st_gid != old.st_gid) {
    if (::fchown(descriptor_, old.st_uid, old.st_gid) != 0) {
      ::fchown(descriptor_, static_cast<uid_t>(-1), old.st_gid);
    }
    if (::fstat(descriptor_, &own) != 0) return fail("owner", errno);
  }
  const bool owner_kept = own.st_uid == old.st_uid;
  const bool group_kept = own.st_gid == old.st_gid;
  mode_t mode = old.st_mode & kPermissionBits;
  // A set-ID bit runs the file as its owner or group, so it never passes to someone else's.
  if (!owner_kept) mode &= ~S_ISUID;
  if (!group_kept) mode &= ~S_ISGID;
  const AccessList list = copy_extended_attributes(owner_kept, group_kept);
  // Without its access control list the group bits (then its mask) would be the owning
  // group's rights: they go, so that no one gains what the list did not give.
  if (list == AccessList::not_copied) mode &= ~S_IRWXG;
  // The group's bits were given to the old group. The saver's group gets only what its
  // members had before as others, who are all but the owner and the old group.
  if (list == AccessList::none && !group_kept) {
    mode &= ~S_IRWXG | static_cast<mode_t>((mode & S_IRWXO) << 3U);
  }
  // Last: an access control list sets the mode, and the mode sets the list's mask.
  if (::fchmod(descriptor_, mode) != 0) return fail("mode", errno);
  return true;
}

AtomicFileWriter::AccessList AtomicFileWriter::copy_extended_attributes(bool owner_kept,
                                                                        bool group_kept) {
  std::optional<AccessList> list;
  for (const std::string& name : attribute_names(replaced_)) {
    if (name == kOwnMark) continue;
    // File capabilities are the owner's grant, as the set-user-ID bit is.
    if (name == kCapabilities && !owner_kept) continue;
    const bool is_list = name == kAccessControlList;
    std::optional<std::string> value = attribute_value(replaced_, name);
    if (is_list && value && !group_kept) value = list_for_another_group(*value);
    // One the process may not read or the file system does not take is passed over.
    const bool copied = value.has_value() && ::fsetxattr(descriptor_, name.c_str(), value->data(),
                                                         value->size(), 0) == 0;
    if (is_list) list = copied ? AccessList::copied : AccessList::not_copied;
  }
  if (list) return *list;
  // A list the new file took from its folder's default would give rights the old file's
  // owner never gave.
  const bool none_taken = ::fremovexattr(descriptor_, kAccessControlList) == 0 ||
                          errno == ENODATA || errno == EOPNOTSUPP;
  return none_taken ? AccessList::none : AccessList::not_copied;
}

bool AtomicFileWriter::name_unnamed() {
  const std::string source = descriptor_path(descriptor_);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string path = candidate_name(replaced_, calls_);
    if (path.empty()) return fail("name", errno);
    // A link never replaces an existing name.
    if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      temporary_path_ = path;
      return true;
    }
    if (errno != EEXIST) return fail("name", errno);
  }
  return fail("name", EEXIST);
}

bool AtomicFileWriter::write(std::string_view text) {
  if (!is_open()) {
    error_ = "no file is open";
    return false;
  }
  pending_.append(text);
  if (pending_.size() < kWriteChunk) return true;
  return write_out();
}

bool AtomicFileWriter::write_line(std::string_view text) {
  return write(text) && write("\r\n");
}

bool AtomicFileWriter::write_out() {
  std::size_t done = 0;
  while (done < pending_.size()) {
    const ssize_t written =
        calls_.write(descriptor_, pending_.data() + done, pending_.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return fail("write", errno);
    }
    if (written == 0) return fail("write", 0);
    done += static_cast<std::size_t>(written);
  }
  pending_.clear();
  return true;
}

bool AtomicFileWriter::commit() {
  if (!is_open()) {
    error_ = "no file is open";
    return false;
  }
  // The old file's rights go on after the last write, which clears the set-ID bits and file
  // capabilities. The contents reach the disk before the file takes the target's name, so a
  // power cut leaves the old file or the whole new one.
  bool ready = write_out();
  if (ready && replacing_) ready = take_on_replaced_attributes();
  if (ready && ::fsync(descriptor_) != 0) ready = fail("sync", errno);
  if (ready && temporary_path_.empty()) ready = name_unnamed();
  if (!ready) {
    discard();
    return false;
  }
  // The file about to take the target's name is no leftover. Killed between this and the
  // rename, the console leaves it unmarked, and it stays.
  ::fremovexattr(descriptor_, kOwnMark);
  if (!still_ours()) {
    error_ = "its temporary file was replaced";
    temporary_path_.clear();
    close_descriptor();
    return false;
  }
  // Something else may have taken the file's place while it was written, or it may have been
  // made one the rename is refused for.
  if (!replaces_a_regular_file() || !may_be_replaced()) {
    discard();
    return false;
  }
  if (::rename(temporary_path_.c_str(), replaced_.c_str()) != 0) {
    fail("rename", errno);
    discard();
    return false;
  }
  temporary_path_.clear();
  // Closed only now: the lock keeps other consoles off the file until it is renamed. Its
  // contents are on the disk already, so closing has nothing left to report.
  close_descriptor();
  flush_folder(replaced_);
  return true;
}

void AtomicFileWriter::discard() {
  // Removed while still locked, so no other console takes it for a leftover first.
  remove_named();
  close_descriptor();
  pending_.clear();
}

void AtomicFileWriter::close_descriptor() {
  if (descriptor_ >= 0) ::close(std::exchange(descriptor_, -1));
}

bool AtomicFileWriter::still_ours() const {
  struct stat seen {};
  return ::lstat(temporary_path_.c_str(), &seen) == 0 && S_ISREG(seen.st_mode) &&
         seen.st_dev == device_ && seen.st_ino == inode_;
}

void AtomicFileWriter::remove_named() {
  if (temporary_path_.empty()) return;
  // A name that no longer leads to the file created here is someone else's.
  if (still_ours()) ::unlink(temporary_path_.c_str());
  temporary_path_.clear();
}

}  // namespace ui
