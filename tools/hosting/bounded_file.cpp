#include "hosting/bounded_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace talvo::host {

namespace {

std::string sizeInWords(std::size_t bytes) {
  return bytes % (std::size_t{1} << 20) == 0 ? std::to_string(bytes >> 20) + " MiB"
                                             : std::to_string(bytes) + " bytes";
}

}  // namespace

bool readFileBounded(const std::string& path, std::size_t limit, std::string& out, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    error = "cannot read " + path + ": it is a directory";
    return false;
  }
  std::string bytes;
  char buffer[65536];
  // One byte past the limit tells a file of exactly the limit from a larger one.
  while (bytes.size() <= limit) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = "cannot read " + path + ": " + std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  if (bytes.size() > limit) {
    error = path + " is larger than " + sizeInWords(limit) + ", the most this host reads";
    return false;
  }
  out = std::move(bytes);
  return true;
}

}  // namespace talvo::host
