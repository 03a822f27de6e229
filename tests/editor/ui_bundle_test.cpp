#include "editor/ui_bundle.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "editor/ui_manifest.h"

namespace fs = std::filesystem;
using namespace talvo;

namespace {

const fs::path kScratch = fs::path(TALVO_BINARY_DIR) / "test-scratch" / "probe-bundles";
const fs::path kNormalized = fs::path(TALVO_BINARY_DIR) / "test-scratch" / "normalized";

// Builds <scratch>/<name>.vst3/Contents/x86_64-linux/Probe.so from the probe
// module, with `ui` written at Contents/Resources/ui: "dir", "file" or nothing.
struct ProbeBundle {
  ProbeBundle(const char* name, const std::string& ui) {
    const fs::path contents = kScratch / (std::string(name) + ".vst3") / "Contents";
    fs::create_directories(contents / "x86_64-linux");
    fs::create_directories(contents / "Resources");
    fs::copy_file(TALVO_UI_PROBE_MODULE, contents / "x86_64-linux" / "Probe.so");
    uiDir = contents / "Resources" / "ui";
    if (ui == "dir") {
      fs::create_directories(uiDir);
      std::ofstream(uiDir / "manifest.json")
          << "{\"buildTime\":\"t\",\"sourceRevision\":\"r\",\"sha256\":\"s\"}";
    } else if (ui == "file") {
      std::ofstream(uiDir) << "not a directory";
    }
    handle = dlopen((contents / "x86_64-linux" / "Probe.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  ~ProbeBundle() {
    if (handle != nullptr) dlclose(handle);
  }
  fs::path uiDir;
  void* handle = nullptr;
};

}  // namespace

TEST(UiRoot, FoundFromAnAddressInsideTheBinaryOnlyWhenItIsADirectory) {
  fs::remove_all(kScratch);
  for (const char* ui : {"dir", "none", "file"}) {
    SCOPED_TRACE(ui);
    ProbeBundle bundle(ui, ui);
    ASSERT_NE(bundle.handle, nullptr) << dlerror();
    void* rootFn = dlsym(bundle.handle, "talvoProbeUiRoot");
    auto factsFn = reinterpret_cast<void (*)(UiBundleFacts*)>(dlsym(bundle.handle, "talvoProbeFacts"));
    ASSERT_TRUE(rootFn && factsFn);
    const std::string expected = std::string(ui) == "dir" ? fs::canonical(bundle.uiDir).string() : "";
    EXPECT_EQ(talvoUiRootForImageAddress(rootFn), expected);
    EXPECT_EQ(std::string(reinterpret_cast<const char* (*)()>(rootFn)()), expected);
    UiBundleFacts facts;
    factsFn(&facts);  // the manifest of the binary's own bundle
    EXPECT_STREQ(facts.sourceRevision, expected.empty() ? "" : "r");
  }
  fs::remove_all(kScratch);
}

TEST(UiRoot, NullAddressAndTheTestProgramHaveNoUiDirectoryAndPathsAreNormalized) {
  EXPECT_EQ(talvoUiRootForImageAddress(nullptr), "");
  EXPECT_EQ(pluginUiRoot(), "");
  EXPECT_STREQ(talvoPluginUiRootForDiagnostics(), "");
  const fs::path& base = kNormalized;
  fs::remove_all(base);
  fs::create_directories(base / "B.vst3" / "Contents" / "Resources" / "ui");
  fs::create_directories(base / "B.vst3" / "Contents" / "arch");
  const std::string image = (base / "B.vst3" / "Contents" / "." / "arch" / ".." / "arch" / "B.so").string();
  EXPECT_EQ(uiRootForImageFile(image),
            fs::canonical(base / "B.vst3" / "Contents" / "Resources" / "ui").string());
  fs::remove_all(base);
}
