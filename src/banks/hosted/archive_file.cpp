#include "banks/hosted/archive_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace talvo {

ArchiveFile::~ArchiveFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool ArchiveFile::open(const std::string& path) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  return fd_ >= 0;
}

bool ArchiveFile::append(const void* bytes, std::size_t count) {
  if (count > maxBytes_ - written_) {
    error_ = "download failed";
    return false;
  }
  hash_.update(bytes, count);
  written_ += count;
  const char* next = static_cast<const char*>(bytes);
  while (count > 0) {
    const ssize_t done = ::write(fd_, next, count);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) {
      error_ = "cannot write the downloaded archive";
      return false;
    }
    next += done;
    count -= static_cast<std::size_t>(done);
  }
  return true;
}

bool ArchiveFile::close() {
  const int fd = fd_;
  fd_ = -1;
  return fd >= 0 && ::close(fd) == 0;
}

}  // namespace talvo
