#pragma once
// A fresh directory under the build tree for one test, removed with everything in it.
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

namespace talvo::test {

class ScratchDir {
 public:
  ScratchDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::path(TALVO_BINARY_DIR) / "test-scratch" /
            (std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  [[nodiscard]] std::string dir() const { return path_.string(); }
  [[nodiscard]] std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  /// The full path of `relative`, with its parent directories created.
  [[nodiscard]] std::filesystem::path prepare(const std::string& relative) const {
    const std::filesystem::path path = path_ / relative;
    std::filesystem::create_directories(path.parent_path());
    return path;
  }
  void write(const std::string& relative, const std::string& bytes) const {
    std::ofstream(prepare(relative), std::ios::binary | std::ios::trunc) << bytes;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace talvo::test
