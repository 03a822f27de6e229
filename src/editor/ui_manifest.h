#pragma once
// The UI manifest (Contents/Resources/ui/manifest.json), written by the build
// with the page's build time, source revision and digest. Only the identity
// report reads it; every failure simply gives empty facts.
#include <cstddef>
#include <string>

#include "diagnostics/ui_bundle_facts.h"

namespace talvo {

/// Manifests above this size count as empty.
inline constexpr std::size_t kUiManifestMaxBytes = 1048576;

/// Copies the string value of top-level member `key` into `out` without
/// decoding escapes (a backslash ends the copy, keeping what came before).
/// Values longer than capacity - 2 bytes, unterminated values and missing or
/// non-string members leave `out` empty and give false.
bool uiManifestString(const std::string& json, const char* key, char* out, std::size_t capacity);

/// The facts of the plug-in's own bundle; empty when anything is missing.
[[nodiscard]] UiBundleFacts readUiBundleFacts();
/// readUiBundleFacts, read once per process (any thread).
[[nodiscard]] const UiBundleFacts& cachedUiBundleFacts();
/// The facts from the manifest file at `path`.
[[nodiscard]] UiBundleFacts readUiManifestFacts(const std::string& path);
/// The manifest path for a binary at `imageFile`: the path cut at its last "/"
/// twice, then "/Resources/ui/manifest.json"; "" when a cut finds no "/".
[[nodiscard]] std::string uiManifestPathForImage(const std::string& imageFile);

}  // namespace talvo
