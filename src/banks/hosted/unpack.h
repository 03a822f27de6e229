#pragma once
// The archive side of a hosted fetch, one implementation per platform.
#include <string>

#include "banks/hosted/hosted_bank.h"

namespace talvo {

/// Unpacks the zip at `archive` into the existing directory `into`. Only
/// regular files and directories are written, and only inside `into`; the
/// caps of `options` bound the entries and the unpacked bytes. False with
/// "the downloaded archive is not a readable zip" (or "cannot unpack the
/// downloaded archive" when no unpacker could be started); what was written
/// stays for the caller to remove.
[[nodiscard]] bool unpackZip(const std::string& archive, const std::string& into,
                             const HostedFetchOptions& options, std::string& error);

}  // namespace talvo
