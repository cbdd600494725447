#pragma once
// A whole file written under a temporary name and renamed over its target only when
// complete. The temporary file is one the console creates itself beside the file it replaces,
// never a file that was there before: a user's "cal.set.tmp" is neither written, renamed nor
// removed. Where the file system allows, the file has no name at all until it is complete,
// so a console killed while writing leaves nothing behind; a named one left by a killed
// console bears the console's mark and is removed by the next write of the same target, while
// a file that merely has such a name stays and is named in notice(). The new file keeps the
// replaced file's owner and group where the process may set them, its extended attributes
// (its access control list among them) and its permissions, never with wider rights: a group
// that did not own the old file gets no more than everyone else had, and the set-ID bits
// stay only with the owner and group they run as. A target that is a symbolic link stays one:
// the file it leads to is replaced. Only a regular file is replaced: a device, a pipe, a
// socket or a folder behind the name is refused and left as it is, and so is a file the
// rename would be refused for (append-only, immutable, mounted over, another user's in a
// sticky folder), before anything is written.

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ui {

// A write past the process's file size limit then fails with "File too large" instead of
// ending the program; every file writer calls it before it writes.
void ignore_file_size_signal();

class AtomicFileWriter {
 public:
  enum class Temporary {
    unnamed_where_supported,  // an unnamed file, named only to be renamed over the target
    named,                    // a fresh name created exclusively from the start
  };

  // The calls that draw a fresh name's random bits and write out the contents: the system's
  // own, unless a test puts in others to make names clash and writes come back short or
  // interrupted, as they may on a busy system.
  struct SystemCalls {
    ssize_t (*random_bits)(void* bits, std::size_t count, unsigned flags);
    ssize_t (*write)(int descriptor, const void* bytes, std::size_t count);
  };

  explicit AtomicFileWriter(std::string target,
                            Temporary temporary = Temporary::unnamed_where_supported);
  // Discards whatever was not committed.
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void use_system_calls(const SystemCalls& calls) { calls_ = calls; }

  // Creates the temporary file; false with error() set when it cannot, or when the target
  // could not be replaced once written.
  bool open();
  [[nodiscard]] bool is_open() const { return descriptor_ >= 0; }
  bool write(std::string_view text);
  // The text followed by CR LF.
  bool write_line(std::string_view text);
  // Writes out, flushes to the disk and renames the file over the target; on failure the
  // temporary file is removed and the target is as it was.
  bool commit();
  // Closes and removes the temporary file, and only that file.
  void discard();
  // Why the last step failed and in which step ("File too large (write)"), without the
  // target's name: the caller's message names the file.
  [[nodiscard]] const std::string& error() const { return error_; }
  // Set by open(): a sentence naming the files beside the target that bear the console's
  // temporary names but that nothing proves it left (a file system that keeps no marks), so
  // they stay for the user to remove; empty when there are none. Callers add it to the
  // message of the save, whether it succeeds or not.
  [[nodiscard]] const std::string& notice() const { return notice_; }

 private:
  // Whether the old file's access control list went over to the new file.
  enum class AccessList { none, copied, not_copied };

  // False with error() set when the target leads to something other than a regular file
  // (a device, a pipe, a socket, a folder), which is never replaced.
  bool replaces_a_regular_file();
  // False with error() set when the rename would be refused whatever is written: the file or
  // its folder append-only or immutable, a file mounted over, or another user's file in a
  // sticky folder.
  bool may_be_replaced();
  // "it" for the target, or "it leads to <file>, which" through links.
  [[nodiscard]] std::string replaced_file_subject() const;
  bool open_unnamed();
  bool open_named();
  bool name_unnamed();
  [[nodiscard]] mode_t creation_mode() const;
  // Marks the file as this console's own, for the cleaning of leftovers.
  void mark_as_own();
  // The replaced file's owner and group where the process may set them, its extended
  // attributes and its mode, never with wider rights than it had.
  bool take_on_replaced_attributes();
  // The list is narrowed for a new owning group (group_kept false).
  AccessList copy_extended_attributes(bool owner_kept, bool group_kept);
  bool write_out();
  [[nodiscard]] bool still_ours() const;
  void remove_named();
  bool fail(std::string_view what, int error_number);
  // The reason the temporary file could not be created beside the replaced one.
  bool fail_to_create(int error_number);
  void close_descriptor();

  std::string target_;
  std::string replaced_;  // the target with its symbolic links followed
  bool replacing_ = false;
  struct stat replaced_status_ {};
  Temporary temporary_;
  int descriptor_ = -1;
  std::string temporary_path_;  // empty while the file has no name
  dev_t device_ = 0;
  ino_t inode_ = 0;
  std::string pending_;
  std::string error_;
  std::string notice_;
  SystemCalls calls_;
};

}  // namespace ui
