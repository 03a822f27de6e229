#pragma once
// The portable steps of a hosted fetch around the network and the unpacker:
// pin check, staging beside the cache entry, the bank root, the final move.
#include <string>

namespace talvo {

/// Exactly 64 hex digits, either case. Anything else could name a path
/// outside the cache ("/" or "..").
[[nodiscard]] bool isSha256Pin(const std::string& pin);

[[nodiscard]] bool isDirectory(const std::string& path);

/// Creates a fresh, private "{entry}.staging-XXXXXX" beside the entry; empty
/// on failure. A unique name means no attempt ever removes another's staging.
[[nodiscard]] std::string makeStagingDirectory(const std::string& entry);

/// The directory of an unpacked archive that holds the bank: `unpacked` when
/// it has "bank.json" at its top, else its only folder when there is exactly
/// one, else `unpacked`. Hidden entries and the "__MACOSX" folder a Finder zip
/// carries do not count.
[[nodiscard]] std::string pickBankRoot(const std::string& unpacked);

/// Moves `root` to `entry`, replacing anything there that is not a
/// directory. True too when `entry` already is a directory: a concurrent
/// fetch of the same pin finished first, with the same verified bytes.
[[nodiscard]] bool moveIntoCache(const std::string& root, const std::string& entry);

}  // namespace talvo
