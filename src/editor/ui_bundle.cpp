#include "editor/ui_bundle.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>

namespace talvo {
namespace {

std::string parentOf(const std::string& path) {
  const std::string::size_type slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

std::string uiRootForImageFile(const std::string& imageFile) {
  if (imageFile.empty()) return {};
  const std::string candidate = parentOf(parentOf(imageFile)) + "/Resources/ui";
  struct stat info {};
  if (stat(candidate.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return {};
  // One absolute spelling without "." or ".." so the resource handler's
  // containment test compares like with like.
  char resolved[PATH_MAX];
  if (realpath(candidate.c_str(), resolved) == nullptr) return {};
  return resolved;
}

std::string talvoUiRootForImageAddress(const void* address) {
  if (address == nullptr) return {};
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  return uiRootForImageFile(info.dli_fname);
}

std::string pluginUiRoot() {
  return talvoUiRootForImageAddress(reinterpret_cast<const void*>(&pluginUiRoot));
}

std::string editorUiRoot(BridgeHost* host, const char* uiRoot) {
  std::string root = uiRoot != nullptr ? uiRoot : pluginUiRoot();
  if (!root.empty() && host != nullptr) return root;
  std::fputs("talvo-plugin-shell: no UI bundle found; editor disabled\n", stderr);
  if (host != nullptr) host->onEditorError("no ui bundle in plugin");
  return {};
}

}  // namespace talvo

extern "C" __attribute__((visibility("default"))) const char* talvoPluginUiRootForDiagnostics() {
  thread_local std::string root;
  root = talvo::pluginUiRoot();
  // The caller's text stays valid until its thread's next call, as documented.
  return root.c_str();  // NOLINT(clang-analyzer-cplusplus.InnerPointer)
}
