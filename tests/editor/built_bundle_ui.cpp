// The built Oriel.vst3 finds its own UI directory and manifest facts.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "editor/ui_manifest.h"

namespace fs = std::filesystem;

namespace {

fs::path bundleBinary() {
  for (const auto& entry : fs::directory_iterator(fs::path(TALVO_BUNDLE_PATH) / "Contents")) {
    if (!entry.is_directory() || entry.path().filename() == "Resources") continue;
    const fs::path binary = entry.path() / "Oriel.so";
    if (fs::exists(binary)) return binary;
  }
  return {};
}

}  // namespace

TEST(BuiltBundle, ExportedUiRootIsTheBundlesUiDirectory) {
  const fs::path binary = bundleBinary();
  ASSERT_FALSE(binary.empty()) << "no Contents/<arch>-linux/Oriel.so in " << TALVO_BUNDLE_PATH;
  void* handle = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  auto uiRoot = reinterpret_cast<const char* (*)()>(dlsym(handle, "talvoPluginUiRootForDiagnostics"));
  ASSERT_NE(uiRoot, nullptr) << "talvoPluginUiRootForDiagnostics is not exported";
  const fs::path ui = fs::path(TALVO_BUNDLE_PATH) / "Contents" / "Resources" / "ui";
  EXPECT_EQ(std::string(uiRoot()), fs::canonical(ui).string());
  EXPECT_TRUE(fs::exists(fs::path(uiRoot()) / "index.html"));
  dlclose(handle);
}

TEST(BuiltBundle, ManifestCarriesTheIdentityFacts) {
  const fs::path manifest = fs::path(TALVO_BUNDLE_PATH) / "Contents" / "Resources" / "ui" / "manifest.json";
  const talvo::UiBundleFacts facts = talvo::readUiManifestFacts(manifest.string());
  EXPECT_NE(std::string(facts.buildTime), "");
  EXPECT_EQ(std::string(facts.sha256).size(), 64u);
}
