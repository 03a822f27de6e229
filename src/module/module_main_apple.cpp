// Module entry points a macOS host calls with the plug-in's bundle. Every
// entry retains its bundle reference until the module is fully left, so the
// bundle cannot be unloaded under a host that still counts on it.
#include <CoreFoundation/CoreFoundation.h>

#include <climits>
#include <string>
#include <vector>

#include "pluginterfaces/base/fplatform.h"
#include "vst3/module_lifetime.h"

namespace {

std::vector<CFBundleRef>& heldBundles() {
  static std::vector<CFBundleRef> bundles;
  return bundles;
}

std::string& bundlePath() {
  static std::string path;
  return path;
}

void recordBundlePath(CFBundleRef bundle) {
  CFURLRef url = CFBundleCopyBundleURL(bundle);
  if (url == nullptr) return;
  char path[PATH_MAX];
  if (CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(path), sizeof path))
    bundlePath() = path;
  CFRelease(url);
}

}  // namespace

extern "C" {

SMTG_EXPORT_SYMBOL bool bundleEntry(CFBundleRef bundle) {
  if (bundle == nullptr) return true;
  CFRetain(bundle);
  heldBundles().push_back(bundle);
  // The first entry's bundle becomes the module handle (enterModule keeps it).
  if (talvo::moduleEntryCount() == 0) recordBundlePath(bundle);
  return talvo::enterModule(bundle);
}

SMTG_EXPORT_SYMBOL bool bundleExit() {
  const bool last = talvo::moduleEntryCount() == 1;
  const bool result = talvo::exitModule();
  if (last) {
    for (CFBundleRef bundle : heldBundles())
      CFRelease(bundle);
    heldBundles().clear();
    bundlePath().clear();
  }
  return result;
}

}  // extern "C"
