#pragma once
// The private URL scheme that serves the editor's page from the UI directory:
// "talvo-ui://bundle-<tag>/<path>". The platform layers only carry the bytes;
// which file a request names, and whether it may be served, is decided here.
#include <cstdint>
#include <string>
#include <string_view>

namespace talvo {

inline constexpr char kUiScheme[] = "talvo-ui";
/// The failure every unservable request gets ("file does not exist").
inline constexpr int kUiRequestFailed = -1100;

struct UiResource {
  std::string body;
  const char* mimeType = "";
};

/// The MIME type for a file name, by its extension in any case;
/// "application/octet-stream" for anything unknown. Responses always name
/// the encoding "utf-8" beside it.
[[nodiscard]] const char* uiMimeType(std::string_view fileName);

/// Serves the request path `encodedPath` (as it appears in the URL,
/// percent-encoded; the URL's host and query play no part) from the directory
/// `root`. "" and "/" mean "/index.html". False (answer kUiRequestFailed) for
/// a malformed escape or an encoded NUL, a path whose real location (symbolic
/// links resolved) is not inside the real root, and anything that is not a
/// readable regular file.
[[nodiscard]] bool resolveUiRequest(const std::string& root, std::string_view encodedPath, UiResource& out);

/// A 64-bit tag of the UI directory's path text, so one directory always
/// gives the page the same origin (and web storage) and different directories
/// different ones.
[[nodiscard]] std::uint64_t uiBundleTag(std::string_view root);
/// The page's first URL: "talvo-ui://bundle-%016llx/index.html" with the tag.
[[nodiscard]] std::string uiBundleUrl(std::string_view root);

}  // namespace talvo
