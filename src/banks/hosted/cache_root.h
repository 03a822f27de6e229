#pragma once
// Where downloaded banks live. A data directory rather than a cache directory:
// a saved project names its bank by hash, state recall never downloads, so a
// cache cleaner emptying it would silently break saved projects.
#include <string>

namespace talvo {

/// The hosted-bank root ("<user data>/Talvo/banks"), created with any missing
/// parents (new directories mode 0700). Empty when no data directory is known,
/// it cannot be created, or it is not a directory. Main thread.
[[nodiscard]] std::string hostedBankCacheRoot();

}  // namespace talvo
