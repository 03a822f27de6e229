#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "banks/hosted/cache_root.h"

namespace talvo {
namespace {

std::string homeDirectory() {
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_dir ||
      found->pw_dir[0] != '/') {
    return {};
  }
  return found->pw_dir;
}

// The XDG base directory rule: a relative XDG_DATA_HOME is to be ignored.
std::string userDataDirectory() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/') return data;
  const std::string home = homeDirectory();
  return home.empty() ? std::string() : home + "/.local/share";
}

bool isDirectory(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// mkdir -p, one component at a time; components that exist are left as they are.
bool makeDirectories(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (!prefix.empty() && mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  return isDirectory(path);
}

}  // namespace

std::string hostedBankCacheRoot() {
  const std::string data = userDataDirectory();
  if (data.empty()) return {};
  std::string root = data;
  while (root.size() > 1 && root.back() == '/')
    root.pop_back();
  root += "/Talvo/banks";
  return makeDirectories(root) ? root : std::string();
}

}  // namespace talvo
