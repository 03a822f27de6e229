// fetchHostedBank: the steps in order, each failure with its own message. The
// network and the archive are untrusted: the archive streams to disk under a
// size cap while it is hashed, and only verified bytes are unpacked.
#include <filesystem>
#include <system_error>

#include "banks/hosted/archive_file.h"
#include "banks/hosted/cache_entry.h"
#include "banks/hosted/cache_root.h"
#include "banks/hosted/download.h"
#include "banks/hosted/hosted_bank.h"
#include "banks/hosted/unpack.h"

namespace talvo {

namespace {

namespace fs = std::filesystem;

// Removes the staging directory however the attempt ends.
class StagingDirectory {
 public:
  explicit StagingDirectory(std::string path) : path_(std::move(path)) {}
  ~StagingDirectory() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  StagingDirectory(const StagingDirectory&) = delete;
  StagingDirectory& operator=(const StagingDirectory&) = delete;
  [[nodiscard]] const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string cacheRootFor(const HostedFetchOptions& options) {
  if (options.cacheRoot.empty()) return hostedBankCacheRoot();
  std::error_code ec;
  const fs::path root = fs::absolute(options.cacheRoot, ec);
  fs::create_directories(root, ec);
  return isDirectory(root.string()) ? root.string() : std::string();
}

bool fail(std::string& error, const char* message) {
  error = message;
  return false;
}

}  // namespace

bool fetchHostedBank(const std::string& url, const std::string& sha256, std::string& bankDirectory,
                     std::string& error, const HostedFetchOptions& options) {
  bankDirectory.clear();
  error.clear();
  if (!isSha256Pin(sha256)) return fail(error, "a hosted bank must pin a 64-hex sha256");
  const std::string root = cacheRootFor(options);
  if (root.empty()) return fail(error, "cannot create the bank cache directory");
  const std::string entry = (fs::path(root) / sha256).string();
  if (isDirectory(entry)) {
    bankDirectory = entry;
    return true;
  }
  if (!checkHostedUrl(url, error)) return false;

  const StagingDirectory staging(makeStagingDirectory(entry));
  if (staging.path().empty()) return fail(error, "cannot create the staging directory");
  const std::string archivePath = staging.path() + "/bank.zip";
  ArchiveFile archive(options.maxArchiveBytes);
  if (!archive.open(archivePath)) return fail(error, "cannot write the downloaded archive");
  if (!downloadArchive(url, options, archive, error)) return false;
  if (!archive.close()) return fail(error, "cannot write the downloaded archive");
  if (const std::string digest = archive.finishHex(); digest != sha256) {
    error =
        "downloaded bytes hash to " + digest.substr(0, 16) + "\u2026 which does not match the pinned sha256";
    return false;
  }

  const std::string unpacked = staging.path() + "/bank";
  std::error_code ec;
  if (!fs::create_directory(unpacked, ec)) return fail(error, "cannot unpack the downloaded archive");
  if (!unpackZip(archivePath, unpacked, options, error)) return false;
  fs::remove(archivePath, ec);
  if (!moveIntoCache(pickBankRoot(unpacked), entry)) {
    return fail(error, "cannot move the unpacked bank into the cache");
  }
  bankDirectory = entry;
  return true;
}

bool pickBankFolder(std::string& path, std::string& error) {
  path.clear();
  error = "this build has no folder picker";
  return false;
}

}  // namespace talvo
