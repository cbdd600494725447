#include "sim/calibration_file.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>

#include "ui/atomic_file_writer.hpp"

namespace sim {
namespace {

constexpr std::string_view kFirstLine = "simulated controller calibration, format 1";
constexpr std::size_t kMemoryLineBytes = 32;
// Far beyond any calibration (the whole memory written out is under 150 kB).
constexpr std::size_t kLargestFile = 1 << 20;

// FNV-1a, 32 bits.
std::uint32_t checksum(std::string_view text) {
  std::uint32_t hash = 2166136261U;
  for (const char byte : text) {
    hash ^= static_cast<unsigned char>(byte);
    hash *= 16777619U;
  }
  return hash;
}

std::string hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (const char byte : bytes) {
    const auto value = static_cast<unsigned char>(byte);
    text += kDigits[value >> 4];
    text += kDigits[value & 0x0F];
  }
  return text;
}

std::string hex_number(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

std::optional<unsigned> digit_value(char digit) {
  if (digit >= '0' && digit <= '9') return static_cast<unsigned>(digit - '0');
  if (digit >= 'A' && digit <= 'F') return static_cast<unsigned>(digit - 'A' + 10);
  return std::nullopt;
}

// Upper-case hex digits, two to a byte; nothing for any other text.
std::optional<std::string> bytes_of(std::string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const auto high = digit_value(text[i]);
    const auto low = digit_value(text[i + 1]);
    if (!high || !low) return std::nullopt;
    bytes += static_cast<char>(*high * 16 + *low);
  }
  return bytes;
}

// A number of exactly `digits` hex digits.
std::optional<unsigned> number_of(std::string_view text, std::size_t digits) {
  if (text.size() != digits) return std::nullopt;
  unsigned value = 0;
  for (const char digit : text) {
    const auto next = digit_value(digit);
    if (!next) return std::nullopt;
    value = value * 16 + *next;
  }
  return value;
}

struct Damage {
  std::string reason;
};

// The calibration in the file's text, or why the text is no calibration file.
std::optional<Calibration> parse(std::string_view text, Damage& damage) {
  const auto fail = [&damage](std::size_t line_number, const std::string& reason) {
    damage.reason = "line " + std::to_string(line_number) + ": " + reason;
    return std::nullopt;
  };
  Calibration calibration;
  calibration.memory.assign(kMemorySize, 0);
  const Calibration starting = starting_calibration();
  calibration.settings = starting.settings;
  std::set<unsigned> memory_lines;
  std::set<unsigned> setting_lines;
  std::size_t at = 0;
  for (std::size_t number = 1; at < text.size(); ++number) {
    const std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) return fail(number, "the file ends inside this line");
    const std::string_view line = text.substr(at, end - at);
    const std::string_view before = text.substr(0, at);
    at = end + 1;
    if (number == 1) {
      if (line != kFirstLine) return fail(number, "not a calibration file of this simulator");
      continue;
    }
    std::istringstream words{std::string(line)};
    std::string kind, first, second, extra;
    words >> kind >> first >> second >> extra;
    if (kind == "end") {
      const auto sum = number_of(first, 8);
      if (!sum || !second.empty()) return fail(number, "a malformed end line");
      if (*sum != checksum(before)) return fail(number, "the checksum does not match the text");
      if (at != text.size()) return fail(number + 1, "text after the end line");
      return calibration;
    }
    if (!extra.empty()) return fail(number, "more than a " + kind + " line holds");
    if (kind == "memory") {
      const auto address = number_of(first, 4);
      const auto bytes = bytes_of(second);
      if (!address || *address % kMemoryLineBytes != 0 || !bytes ||
          bytes->size() != kMemoryLineBytes) {
        return fail(number, "a malformed memory line");
      }
      if (!memory_lines.insert(*address).second) return fail(number, "memory written twice");
      for (std::size_t k = 0; k < kMemoryLineBytes; ++k) {
        calibration.memory[*address + k] = static_cast<std::uint8_t>((*bytes)[k]);
      }
    } else if (kind == "setting") {
      const auto code = number_of(first, 2);
      const auto bytes = second.empty() ? std::optional<std::string>("") : bytes_of(second);
      if (!code || !bytes) return fail(number, "a malformed setting line");
      const auto known = starting.settings.find(static_cast<std::uint8_t>(*code));
      if (known == starting.settings.end() || known->second.size() != bytes->size()) {
        return fail(number,
                    "no setting " + first + " of " + std::to_string(bytes->size()) + " bytes");
      }
      if (!setting_lines.insert(*code).second) return fail(number, "setting written twice");
      calibration.settings[static_cast<std::uint8_t>(*code)] = *bytes;
    } else {
      return fail(number, "not a memory, setting or end line");
    }
  }
  damage.reason = "no end line: the file is cut short";
  return std::nullopt;
}

// What a path may lead to besides a regular file, each refused by name.
struct FileKind {
  mode_t type;
  const char* name;
};
constexpr FileKind kIrregularKinds[] = {
    {S_IFDIR, "a folder"},       {S_IFIFO, "a fifo"},    {S_IFCHR, "a character device"},
    {S_IFBLK, "a block device"}, {S_IFSOCK, "a socket"},
};

// Why a calibration cannot be kept in a file of this mode, or nothing for a regular file.
std::optional<std::string> irregular_file_refusal(const std::string& path, mode_t mode) {
  if (S_ISREG(mode)) return std::nullopt;
  std::string kind = "no file";
  for (const FileKind& irregular : kIrregularKinds) {
    if ((mode & S_IFMT) == irregular.type) kind = irregular.name;
  }
  return "calibration file " + path + " is " + kind +
         ", not a regular file, so it is not used: give the path of a file";
}

// Up to `limit` bytes from the descriptor into `text`; 0, or the error number.
int read_up_to(int descriptor, std::size_t limit, std::string& text) {
  text.resize(limit);
  std::size_t got = 0;
  while (got < limit) {
    const ssize_t done = ::read(descriptor, text.data() + got, limit - got);
    if (done == 0) break;
    if (done < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    got += static_cast<std::size_t>(done);
  }
  text.resize(got);
  return 0;
}

// The name the symbolic links at `path` lead to, one after the other, there or not; `path`
// itself when it is none.
std::string linked_file(const std::string& path) {
  constexpr int kLinkHops = 40;  // as the system follows before it gives up
  std::filesystem::path name(path);
  for (int hop = 0; hop < kLinkHops; ++hop) {
    struct stat seen {};
    std::error_code error;
    if (::lstat(name.c_str(), &seen) != 0 || !S_ISLNK(seen.st_mode)) break;
    const std::filesystem::path leads_to = std::filesystem::read_symlink(name, error);
    if (error) break;
    name = leads_to.is_absolute() ? leads_to : name.parent_path() / leads_to;
  }
  return name.string();
}

// Renames `from` to `to` only while nothing has the name `to`; 0, or the error number
// (EEXIST when the name is taken).
int rename_without_replacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  // A file system that cannot rename without replacing can still link, which never replaces.
  if (errno != EINVAL && errno != ENOSYS) return errno;
  if (::link(from.c_str(), to.c_str()) != 0) return errno;
  if (::unlink(from.c_str()) != 0) {
    const int error = errno;
    ::unlink(to.c_str());  // the link just made: the file keeps its one name
    return error;
  }
  return 0;
}

}  // namespace

std::string calibration_file_text(const Calibration& calibration) {
  std::string text(kFirstLine);
  text += '\n';
  for (std::size_t address = 0; address < calibration.memory.size(); address += kMemoryLineBytes) {
    const std::string_view bytes(reinterpret_cast<const char*>(calibration.memory.data()) + address,
                                 kMemoryLineBytes);
    if (bytes.find_first_not_of('\0') == std::string_view::npos) continue;
    text += "memory " + hex_number(static_cast<unsigned>(address), 4) + " " + hex(bytes) + "\n";
  }
  for (const auto& [code, payload] : calibration.settings) {
    text += "setting " + hex_number(code, 2) + " " + hex(payload) + "\n";
  }
  text += "end " + hex_number(checksum(text), 8) + "\n";
  return text;
}

LoadedCalibration load_calibration_file(const std::string& path) {
  const auto starting_with = [&](const std::string& why, bool may_save) {
    return LoadedCalibration{starting_calibration(),
                             why + ": starting from the starting calibration", may_save};
  };
  const auto missing_or_unreadable = [&](int error) {
    if (error == ENOENT) return starting_with("no calibration file " + path + " yet", true);
    return starting_with("calibration file " + path + " cannot be read (" + std::strerror(error) +
                             "), so it is left as it is and not saved",
                         false);
  };
  const auto refused = [](const std::string& why) {
    return LoadedCalibration{starting_calibration(), why, false, true};
  };
  // Looked at before it is opened: opening a fifo waits for a writer, opening a device can act
  // on it.
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return missing_or_unreadable(errno);
  if (const auto refusal = irregular_file_refusal(path, status.st_mode)) return refused(*refusal);
  // Opened without waiting and looked at again, as the name may lead elsewhere by now.
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (descriptor < 0) return missing_or_unreadable(errno);
  std::string text;
  int read_error = ::fstat(descriptor, &status) != 0 ? errno : 0;
  std::optional<std::string> refusal;
  if (read_error == 0) refusal = irregular_file_refusal(path, status.st_mode);
  if (read_error == 0 && !refusal) read_error = read_up_to(descriptor, kLargestFile + 1, text);
  ::close(descriptor);
  if (refusal) return refused(*refusal);
  if (read_error != 0) return missing_or_unreadable(read_error);
  Damage damage;
  std::optional<Calibration> calibration;
  if (text.size() > kLargestFile) {
    damage.reason = "far larger than a calibration";
  } else {
    calibration = parse(text, damage);
  }
  if (calibration) return {*calibration, "calibration read from " + path, true};
  // The first name nothing has, so an earlier damaged file, or anything else of that name,
  // stays as it is.
  std::string aside;
  int error = EEXIST;
  for (unsigned long long number = 1; error == EEXIST; ++number) {
    aside = path + ".damaged";
    if (number > 1) aside.append(".").append(std::to_string(number));
    error = rename_without_replacing(path, aside);
  }
  const std::string damaged = "calibration file " + path + " is damaged (" + damage.reason + ")";
  if (error != 0) {
    return starting_with(damaged + "; it cannot be kept as " + aside + " (" + std::strerror(error) +
                             "), so it is left as it is and not saved",
                         false);
  }
  return starting_with(damaged + "; it is kept as " + aside, true);
}

CalibrationFileLock::CalibrationFileLock(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0) {
    if (auto refusal = irregular_file_refusal(path, status.st_mode)) {
      problem_ = std::move(*refusal);
      return;
    }
  }
  // Beside the file the symbolic links lead to, which is the file a save replaces, whether
  // it is there yet or not.
  const std::string lock_path = linked_file(path) + ".lock";
  // Never truncated; open for writing, as an exclusive lock on a network file system needs.
  descriptor_ = ::open(lock_path.c_str(),
                       O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW, 0644);
  int lock_error = descriptor_ < 0 ? errno : 0;
  if (lock_error == 0 && ::flock(descriptor_, LOCK_EX | LOCK_NB) != 0) lock_error = errno;
  if (lock_error == 0) return;
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = -1;
  problem_ = lock_error == EWOULDBLOCK
                 ? "calibration file " + path +
                       " is in use by another simulated controller: end that one first, or "
                       "give another file"
                 : "calibration file " + path + " cannot be locked against a second program (" +
                       lock_path + ": " + std::strerror(lock_error) + ")";
}

CalibrationFileLock::~CalibrationFileLock() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

std::string save_calibration_file(const std::string& path, const Calibration& calibration) {
  ui::AtomicFileWriter file(path);
  if (!file.open() || !file.write(calibration_file_text(calibration)) || !file.commit()) {
    return "calibration file " + path + " not saved: " + file.error();
  }
  return {};
}

}  // namespace sim
