#include "editor/ui_scheme.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

namespace talvo {
namespace {

struct MimeEntry {
  std::string_view extension;
  const char* type;
};

constexpr std::array<MimeEntry, 18> kMimeTypes{{
    {"css", "text/css"},
    {"gif", "image/gif"},
    {"htm", "text/html"},
    {"html", "text/html"},
    {"ico", "image/x-icon"},
    {"jpeg", "image/jpeg"},
    {"jpg", "image/jpeg"},
    {"js", "text/javascript"},
    {"json", "application/json"},
    {"map", "application/json"},
    {"mjs", "text/javascript"},
    {"png", "image/png"},
    {"svg", "image/svg+xml"},
    {"ttf", "font/ttf"},
    {"txt", "text/plain"},
    {"wasm", "application/wasm"},
    {"woff", "font/woff"},
    {"woff2", "font/woff2"},
}};

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent-decoding before any check, so an encoded "../" or NUL is seen for
// what it is; a NUL would otherwise cut the path short at the file system.
bool percentDecode(std::string_view in, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < in.size(); ++i) {
    char c = in[i];
    if (c == '%') {
      if (in.size() - i < 3) return false;
      const int high = hexDigit(in[i + 1]);
      const int low = hexDigit(in[i + 2]);
      if (high < 0 || low < 0) return false;
      c = static_cast<char>(high * 16 + low);
      i += 2;
    }
    if (c == '\0') return false;
    out.push_back(c);
  }
  return true;
}

bool realPath(const std::string& path, std::string& out) {
  const std::unique_ptr<char, decltype(&free)> resolved(realpath(path.c_str(), nullptr), &free);
  if (!resolved) return false;
  out = resolved.get();
  return true;
}

// Inside means the root itself or the root followed by "/": a sibling "ui2"
// beside "ui" shares the prefix but is outside.
bool isInside(const std::string& path, const std::string& root) {
  if (path.compare(0, root.size(), root) != 0) return false;
  return path.size() == root.size() || path[root.size()] == '/' || root == "/";
}

bool readRegularFile(const std::string& path, std::string& out) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  out.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

}  // namespace

const char* uiMimeType(std::string_view fileName) {
  const std::size_t slash = fileName.find_last_of('/');
  if (slash != std::string_view::npos) fileName.remove_prefix(slash + 1);
  const std::size_t dot = fileName.find_last_of('.');
  if (dot == std::string_view::npos) return "application/octet-stream";
  std::string extension(fileName.substr(dot + 1));
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  for (const MimeEntry& entry : kMimeTypes) {
    if (entry.extension == extension) return entry.type;
  }
  return "application/octet-stream";
}

bool resolveUiRequest(const std::string& root, std::string_view encodedPath, UiResource& out) {
  std::string path;
  if (root.empty() || !percentDecode(encodedPath, path)) return false;
  if (path.empty() || path == "/") path = "/index.html";
  if (path.front() != '/') path.insert(path.begin(), '/');
  std::string realRoot;
  std::string realFile;
  if (!realPath(root, realRoot) || !realPath(root + path, realFile)) return false;
  if (!isInside(realFile, realRoot) || !readRegularFile(realFile, out.body)) return false;
  out.mimeType = uiMimeType(path);
  return true;
}

std::uint64_t uiBundleTag(std::string_view root) {
  // FNV-1a's step over the path's bytes, from this system's own start value.
  std::uint64_t tag = 0x14650FB0739D0383ULL;
  for (const char c : root) {
    tag ^= static_cast<unsigned char>(c);
    tag *= 0x100000001B3ULL;
  }
  return tag;
}

std::string uiBundleUrl(std::string_view root) {
  char url[64];
  std::snprintf(url, sizeof url, "talvo-ui://bundle-%016llx/index.html",
                static_cast<unsigned long long>(uiBundleTag(root)));
  return url;
}

}  // namespace talvo
