#pragma once
// Reads a whole file that must fit a size limit, with the reason when it
// cannot: a device that never ends or a directory is refused as what it is.
#include <cstddef>
#include <string>

namespace talvo::host {

/// Reads all of `path` into `out`; false with a reason (missing, a directory,
/// unreadable, or more than `limit` bytes). On false `out` is untouched.
[[nodiscard]] bool readFileBounded(const std::string& path, std::size_t limit, std::string& out,
                                   std::string& error);

}  // namespace talvo::host
