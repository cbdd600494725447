#include "ui/atomic_file_writer.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>
#include <utility>

namespace ui {
namespace {

namespace fs = std::filesystem;

// Writes go out in pieces of this size; a settings file or a data set stays below it.
constexpr std::size_t kWriteChunk = std::size_t{64} * 1024;
// Fresh names to try before giving up: a clash is already unlikely for the first one.
constexpr int kNameAttempts = 100;
// Leaves room for the suffix within the longest name a folder entry can have.
constexpr std::size_t kLongestNameStem = 200;

std::mt19937_64& name_source() {
  static std::mt19937_64 source{std::random_device{}()};
  return source;
}

// "<target's name>.<12 hex digits>.tmp" in the target's folder.
std::string candidate_name(const std::string& target) {
  const fs::path path(target);
  std::string name = path.filename().string().substr(0, kLongestNameStem);
  std::array<char, 16> digits{};
  std::snprintf(digits.data(), digits.size(), "%012llx",
                static_cast<unsigned long long>(name_source()() & 0xFFFFFFFFFFFFULL));
  name += '.';
  name += digits.data();
  name += ".tmp";
  return (path.parent_path() / name).string();
}

std::string folder_of(const std::string& target) {
  const fs::path folder = fs::path(target).parent_path();
  return folder.empty() ? std::string(".") : folder.string();
}

// The unnamed file's path through the process's descriptor table, which linkat follows.
std::string descriptor_path(int descriptor) {
  return "/proc/self/fd/" + std::to_string(descriptor);
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string target, Temporary temporary)
    : target_(std::move(target)), temporary_(temporary) {}

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

bool AtomicFileWriter::open() {
  discard();
  error_.clear();
  if (temporary_ == Temporary::unnamed_where_supported && open_unnamed()) return true;
  return open_named();
}

bool AtomicFileWriter::open_unnamed() {
  const int descriptor = ::open(folder_of(target_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (descriptor < 0) return false;
  // Without the descriptor table in /proc the file could never be given a name.
  struct stat own {};
  struct stat seen {};
  if (::fstat(descriptor, &own) != 0 || ::stat(descriptor_path(descriptor).c_str(), &seen) != 0 ||
      own.st_ino != seen.st_ino || own.st_dev != seen.st_dev) {
    ::close(descriptor);
    return false;
  }
  descriptor_ = descriptor;
  device_ = own.st_dev;
  inode_ = own.st_ino;
  return true;
}

bool AtomicFileWriter::open_named() {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string path = candidate_name(target_);
    // Exclusive creation: a name that exists, whatever it is, is never opened.
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
      if (errno == EEXIST) continue;
      return fail("open", errno);
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
    return true;
  }
  return fail("open", EEXIST);
}

bool AtomicFileWriter::name_unnamed() {
  const std::string source = descriptor_path(descriptor_);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string path = candidate_name(target_);
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
    const ssize_t written = ::write(descriptor_, pending_.data() + done, pending_.size() - done);
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
  if (!write_out() || (temporary_path_.empty() && !name_unnamed())) {
    discard();
    return false;
  }
  const int descriptor = std::exchange(descriptor_, -1);
  if (::close(descriptor) != 0) {
    fail("close", errno);
    remove_named();
    return false;
  }
  if (!still_ours()) {
    error_ = "its temporary file was replaced";
    temporary_path_.clear();
    return false;
  }
  if (::rename(temporary_path_.c_str(), target_.c_str()) != 0) {
    fail("rename", errno);
    remove_named();
    return false;
  }
  temporary_path_.clear();
  return true;
}

void AtomicFileWriter::discard() {
  close_descriptor();
  remove_named();
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
