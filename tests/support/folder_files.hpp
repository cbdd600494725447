#pragma once
// What a folder holds, for tests that check a write left nothing behind and touched no
// file of the user's; and a way to make every write of file contents fail, root included.

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <system_error>
#include <vector>

namespace test {

// Every entry of the folder by name, with a regular file's bytes ("<folder>" for a folder).
inline std::map<std::string, std::string> folder_files(
    const std::filesystem::path& folder = std::filesystem::current_path()) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string content = "<folder>";
    if (entry.is_regular_file()) {
      std::ifstream in(entry.path(), std::ios::binary);
      content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    files[entry.path().filename().string()] = content;
  }
  return files;
}

// What the process's open descriptors lead to inside the folder, unnamed files included
// ("<folder>/#1234 (deleted)"): a file still open there is one not yet closed or discarded.
inline std::vector<std::string> files_open_in_folder(
    const std::filesystem::path& folder = std::filesystem::current_path()) {
  std::vector<std::string> open_files;
  const std::string prefix = folder.string() + "/";
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ignored)) {
    const std::string target = std::filesystem::read_symlink(entry.path(), ignored).string();
    if (target.starts_with(prefix)) open_files.push_back(target);
  }
  return open_files;
}

// While it lives, a file can be created but not a byte written into it: permissions do not
// stop root, the file size limit does.
class NoFileContents {
 public:
  NoFileContents() {
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit none = previous_;
    none.rlim_cur = 0;
    ::setrlimit(RLIMIT_FSIZE, &none);
    // A write past the limit then fails with EFBIG instead of ending the process.
    previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
  }
  ~NoFileContents() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previous_handler_);
  }
  NoFileContents(const NoFileContents&) = delete;
  NoFileContents& operator=(const NoFileContents&) = delete;

 private:
  rlimit previous_{};
  void (*previous_handler_)(int) = nullptr;
};

}  // namespace test
