#include "editor/ui_bundle.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "editor/ui_manifest.h"

namespace fs = std::filesystem;
using namespace talvo;

const fs::path kScratch = fs::path(TALVO_BINARY_DIR) / "test-scratch";

// The probe module copied to <name>.vst3/Contents/x86_64-linux/Probe.so, with
// Contents/Resources/ui as a directory holding a manifest, a file, or absent.
TEST(UiRoot, FoundFromAnAddressInsideTheBinaryOnlyWhenItIsADirectory) {
  fs::remove_all(kScratch / "probes");
  for (const std::string ui : {"dir", "none", "file"}) {
    SCOPED_TRACE(ui);
    const fs::path contents = kScratch / "probes" / (ui + ".vst3") / "Contents";
    const fs::path uiDir = contents / "Resources" / "ui";
    fs::create_directories(contents / "x86_64-linux");
    fs::create_directories(contents / "Resources");
    fs::copy_file(TALVO_UI_PROBE_MODULE, contents / "x86_64-linux" / "Probe.so");
    if (ui == "dir") {
      fs::create_directories(uiDir);
      std::ofstream(uiDir / "manifest.json") << "{\"sourceRevision\":\"r\"}";
    }
    if (ui == "file") std::ofstream(uiDir) << "not a directory";
    void* handle = dlopen((contents / "x86_64-linux" / "Probe.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    void* rootFn = dlsym(handle, "talvoProbeUiRoot");
    auto factsFn = reinterpret_cast<void (*)(UiBundleFacts*)>(dlsym(handle, "talvoProbeFacts"));
    ASSERT_TRUE(rootFn && factsFn);
    const std::string expected = ui == "dir" ? fs::canonical(uiDir).string() : "";
    EXPECT_EQ(talvoUiRootForImageAddress(rootFn), expected);
    EXPECT_EQ(std::string(reinterpret_cast<const char* (*)()>(rootFn)()), expected);
    UiBundleFacts facts;
    factsFn(&facts);  // the manifest of the binary's own bundle
    EXPECT_STREQ(facts.sourceRevision, expected.empty() ? "" : "r");
    dlclose(handle);
  }
  fs::remove_all(kScratch / "probes");
}

TEST(UiRoot, NullAddressAndTheTestProgramHaveNoUiDirectoryAndPathsAreNormalized) {
  EXPECT_EQ(talvoUiRootForImageAddress(nullptr), "");
  EXPECT_EQ(pluginUiRoot(), "");
  EXPECT_STREQ(talvoPluginUiRootForDiagnostics(), "");
  const fs::path base = kScratch / "normalized";
  fs::remove_all(base);
  fs::create_directories(base / "B.vst3" / "Contents" / "Resources" / "ui");
  fs::create_directories(base / "B.vst3" / "Contents" / "arch");
  const std::string image = (base / "B.vst3" / "Contents" / "." / "arch" / ".." / "arch" / "B.so").string();
  EXPECT_EQ(uiRootForImageFile(image),
            fs::canonical(base / "B.vst3" / "Contents" / "Resources" / "ui").string());
  fs::remove_all(base);
}
