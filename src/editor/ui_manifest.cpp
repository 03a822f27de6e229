#include "editor/ui_manifest.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>

namespace talvo {
namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::size_t skipSpace(const std::string& text, std::size_t at) {
  while (at < text.size() && isSpace(text[at]))
    ++at;
  return at;
}

// Copies the string value whose opening quote is at `at`.
bool copyValue(const std::string& json, std::size_t at, char* out, std::size_t capacity) {
  if (at >= json.size() || json[at] != '"') return false;
  const std::size_t limit = capacity >= 2 ? capacity - 2 : 0;
  std::size_t length = 0;
  for (std::size_t i = at + 1; i < json.size(); ++i) {
    const char c = json[i];
    if (c == '"' || c == '\\') {
      out[length] = '\0';
      return true;
    }
    if (length >= limit) break;
    out[length++] = c;
  }
  out[0] = '\0';
  return false;
}

}  // namespace

bool uiManifestString(const std::string& json, const char* key, char* out, std::size_t capacity) {
  if (out == nullptr || capacity == 0) return false;
  out[0] = '\0';
  if (key == nullptr) return false;
  const std::string pattern = std::string("\"") + key + "\"";
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
      continue;
    }
    if (c == '{' || c == '[') {
      ++depth;
    } else if (c == '}' || c == ']') {
      if (depth == 0) return false;
      --depth;
    } else if (c == '"') {
      if (depth == 1 && json.compare(i, pattern.size(), pattern) == 0) {
        const std::size_t colon = skipSpace(json, i + pattern.size());
        if (colon < json.size() && json[colon] == ':') {
          return copyValue(json, skipSpace(json, colon + 1), out, capacity);
        }
      }
      inString = true;
    }
  }
  return false;
}

UiBundleFacts readUiManifestFacts(const std::string& path) {
  UiBundleFacts facts;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return facts;
  std::string text;
  char block[4096];
  bool oversized = false;
  for (;;) {
    const std::size_t got = std::fread(block, 1, sizeof block, file);
    if (got == 0) break;
    text.append(block, got);
    if (text.size() > kUiManifestMaxBytes) {
      oversized = true;
      break;
    }
  }
  std::fclose(file);
  if (oversized || text.empty()) return facts;
  uiManifestString(text, "buildTime", facts.buildTime, sizeof facts.buildTime);
  uiManifestString(text, "sourceRevision", facts.sourceRevision, sizeof facts.sourceRevision);
  uiManifestString(text, "sha256", facts.sha256, sizeof facts.sha256);
  return facts;
}

std::string uiManifestPathForImage(const std::string& imageFile) {
  std::string path = imageFile;
  for (int cut = 0; cut < 2; ++cut) {
    const std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    path.resize(slash);
  }
  return path + "/Resources/ui/manifest.json";
}

UiBundleFacts readUiBundleFacts() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&readUiBundleFacts), &info) == 0 || info.dli_fname == nullptr) {
    return UiBundleFacts{};
  }
  const std::string path = uiManifestPathForImage(info.dli_fname);
  if (path.empty()) return UiBundleFacts{};
  return readUiManifestFacts(path);
}

const UiBundleFacts& cachedUiBundleFacts() {
  static const UiBundleFacts facts = readUiBundleFacts();
  return facts;
}

}  // namespace talvo
