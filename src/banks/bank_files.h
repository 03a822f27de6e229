#pragma once
// File access for the sound pack loader: whole-file reads and the path rules
// that keep a manifest's paths inside its bank directory. Main thread only.
#include <cstdint>
#include <string>
#include <vector>

namespace talvo {

/// No single asset or document of a bank may be larger than this.
inline constexpr std::uint64_t kMaxBankFileBytes = std::uint64_t{1} << 30;
/// Nor may all its assets together: the loader holds them in memory at once.
inline constexpr std::uint64_t kMaxBankTotalBytes = std::uint64_t{2} << 30;

/// Reads a whole file in binary mode. False when it cannot be opened, sized or
/// read in full, or when it is larger than `maxBytes`. An empty file succeeds.
[[nodiscard]] bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& out,
                                 std::uint64_t maxBytes = kMaxBankFileBytes);

/// `base` and `relative` joined by one "/"; an absolute `relative` wins.
[[nodiscard]] std::string joinPath(const std::string& base, const std::string& relative);

/// False for an empty or absolute path, any backslash, or a ".." segment.
[[nodiscard]] bool pathIsContained(const std::string& relative);

/// Where a bank file really lives once every symbolic link is resolved.
enum class ResolvedLocation : std::uint8_t { kInside, kOutside, kUnresolved };

/// Resolves `relative` below a bank directory that was itself resolved with
/// `resolveDirectory`; `resolved` receives the real path when it is inside.
/// Anything inside that is not a regular file (the directory itself included)
/// reads as unresolved.
[[nodiscard]] ResolvedLocation resolveBankFile(const std::string& resolvedDirectory,
                                               const std::string& relative, std::string& resolved);

/// The real path of a directory (empty means the working directory), or empty
/// when it cannot be resolved.
[[nodiscard]] std::string resolveDirectory(const std::string& directory);

}  // namespace talvo
