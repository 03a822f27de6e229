#include "talvo_host/replacing_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace talvo::host {

ReplacingFile::~ReplacingFile() {
  if (!temporary_.empty() && !committed_) std::remove(temporary_.c_str());
}

int ReplacingFile::create(std::string& error) {
  const std::size_t slash = target_.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  std::string pattern = folder + "." + name + ".XXXXXX";
  std::vector<char> path(pattern.begin(), pattern.end());
  path.push_back('\0');
  const int fd = mkstemp(path.data());
  if (fd < 0) {
    error = "cannot write " + target_ + ": " + std::strerror(errno);
    return -1;
  }
  temporary_ = path.data();
  // mkstemp makes the file private; the result gets the permissions of any new file.
  const mode_t mask = umask(0);
  umask(mask);
  (void)fchmod(fd, 0666 & ~mask);
  return fd;
}

bool ReplacingFile::commit(std::string& error) {
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    error = "cannot write " + target_ + ": " + std::strerror(errno);
    return false;
  }
  committed_ = true;
  return true;
}

bool writeFileReplacing(const std::string& path, const std::string& bytes, std::string& error) {
  ReplacingFile file(path);
  const int fd = file.create(error);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      error = "cannot write " + path + ": " + std::strerror(errno);
      ::close(fd);
      return false;
    }
    done += static_cast<std::size_t>(wrote);
  }
  if (::close(fd) != 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return file.commit(error);
}

}  // namespace talvo::host
