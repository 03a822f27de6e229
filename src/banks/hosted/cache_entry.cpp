#include "banks/hosted/cache_entry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace talvo {

namespace fs = std::filesystem;

bool isSha256Pin(const std::string& pin) {
  if (pin.size() != 64) return false;
  for (char c : pin) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
  }
  return true;
}

bool isDirectory(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string makeStagingDirectory(const std::string& entry) {
  std::string pattern = entry + ".staging-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  return mkdtemp(name.data()) ? std::string(name.data()) : std::string();
}

std::string pickBankRoot(const std::string& unpacked) {
  std::error_code ec;
  if (fs::exists(fs::path(unpacked) / "bank.json", ec)) return unpacked;
  std::string only;
  int folders = 0;
  for (const fs::directory_entry& item : fs::directory_iterator(unpacked, ec)) {
    const std::string name = item.path().filename().string();
    if (name.empty() || name[0] == '.' || name == "__MACOSX") continue;
    if (item.is_directory(ec) && !item.is_symlink(ec)) {
      ++folders;
      only = item.path().string();
    }
  }
  return folders == 1 ? only : unpacked;
}

bool moveIntoCache(const std::string& root, const std::string& entry) {
  struct stat info {};
  if (lstat(entry.c_str(), &info) == 0 && !S_ISDIR(info.st_mode)) unlink(entry.c_str());
  if (std::rename(root.c_str(), entry.c_str()) == 0) return true;
  return (errno == EEXIST || errno == ENOTEMPTY) && isDirectory(entry);
}

}  // namespace talvo
