#pragma once
// A file written under a temporary name beside its target and renamed over
// the target only when complete, so a failed run leaves the target as it was
// and no partial file behind.
#include <string>

namespace talvo::host {

class ReplacingFile {
 public:
  explicit ReplacingFile(std::string target) : target_(std::move(target)) {}
  /// Removes the temporary file unless it was committed.
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  /// Creates the temporary file and returns its descriptor, or -1 with a
  /// reason. The descriptor is the caller's to close before commit.
  [[nodiscard]] int create(std::string& error);
  /// Renames the temporary file over the target.
  [[nodiscard]] bool commit(std::string& error);

 private:
  std::string target_;
  std::string temporary_;
  bool committed_ = false;
};

/// Writes `bytes` to `path` through a ReplacingFile.
[[nodiscard]] bool writeFileReplacing(const std::string& path, const std::string& bytes, std::string& error);

}  // namespace talvo::host
