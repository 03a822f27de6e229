#pragma once
// The network side of a hosted fetch, one implementation per platform.
#include <string>

#include "banks/hosted/archive_file.h"
#include "banks/hosted/hosted_bank.h"

namespace talvo {

/// False with "hosted bank url is not a valid URL" or "hosted banks must be
/// served over https".
[[nodiscard]] bool checkHostedUrl(const std::string& url, std::string& error);

/// GETs `url` into `archive`, following redirects only to https. False with
/// the transport's own text, "HTTP {status}" for any answer but 200, the
/// archive's error, or "download failed".
[[nodiscard]] bool downloadArchive(const std::string& url, const HostedFetchOptions& options,
                                   ArchiveFile& archive, std::string& error);

}  // namespace talvo
