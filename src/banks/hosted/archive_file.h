#pragma once
// The downloaded archive on its way to disk: written to a file in the staging
// directory and hashed in the same pass, so it is never held in memory.
#include <cstddef>
#include <cstdint>
#include <string>

#include "bridge/sha256.h"

namespace talvo {

class ArchiveFile {
 public:
  explicit ArchiveFile(std::uint64_t maxBytes) : maxBytes_(maxBytes) {}
  ~ArchiveFile();
  ArchiveFile(const ArchiveFile&) = delete;
  ArchiveFile& operator=(const ArchiveFile&) = delete;

  /// Creates `path`, which must not exist yet.
  [[nodiscard]] bool open(const std::string& path);
  /// Writes and hashes the next bytes; false, with `error()` set, when the
  /// archive would pass its size cap or the disk refuses them.
  [[nodiscard]] bool append(const void* bytes, std::size_t count);
  /// Closes the file; false when the disk refused the last bytes.
  [[nodiscard]] bool close();
  /// The hash of everything appended. Call once, after `close`.
  [[nodiscard]] std::string finishHex() { return hash_.finishHex(); }
  [[nodiscard]] const std::string& error() const { return error_; }

 private:
  std::uint64_t maxBytes_;
  std::uint64_t written_ = 0;
  int fd_ = -1;
  Sha256Stream hash_;
  std::string error_;
};

}  // namespace talvo
