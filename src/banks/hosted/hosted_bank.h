#pragma once
// Hosted banks: a zip archive at an HTTPS address, pinned by the SHA-256 of
// its bytes, downloaded once into the bank cache and read from there after.
#include <cstdint>
#include <string>

namespace talvo {

/// Where a fetch caches and how far it trusts the network. Shipped callers
/// pass the defaults (the host tool sets `cacheRoot`); tests trust their own
/// certificate authority and shorten the limits.
struct HostedFetchOptions {
  std::string cacheRoot;          ///< empty: hostedBankCacheRoot(); else created when missing
  std::string extraTrustedCaPem;  ///< one more trusted authority (PEM), beside the system's
  int connectTimeoutSeconds = 30;
  int lowSpeedSeconds = 30;  ///< abandoned after this long below 1 byte/s
  int totalTimeoutSeconds = 300;
  std::uint64_t maxArchiveBytes = std::uint64_t{2} << 30;
  std::uint64_t maxUnpackedBytes = std::uint64_t{8} << 30;
  std::uint32_t maxEntries = 100000;
};

/// The cache entry for `sha256` (64 hex digits), downloading, verifying and
/// unpacking the archive at `url` when the entry is missing. Both outputs are
/// emptied first; on false `error` holds one line for the user. Blocks until
/// the download and the unpacking end. Main thread.
[[nodiscard]] bool fetchHostedBank(const std::string& url, const std::string& sha256,
                                   std::string& bankDirectory, std::string& error,
                                   const HostedFetchOptions& options = {});

/// The folder-picking hook: this build has none, so it always fails.
[[nodiscard]] bool pickBankFolder(std::string& path, std::string& error);

}  // namespace talvo
