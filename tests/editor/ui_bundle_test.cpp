#include "editor/ui_bundle.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "editor/ui_manifest.h"
#include "support/scratch_dir.h"

namespace fs = std::filesystem;
using namespace talvo;

// The probe module copied to <name>.vst3/Contents/x86_64-linux/Probe.so, with
// Contents/Resources/ui as a directory holding a manifest, a file, or absent.
TEST(UiRoot, FoundFromAnAddressInsideTheBinaryOnlyWhenItIsADirectory) {
  const test::ScratchDir scratch;
  for (const std::string ui : {"dir", "none", "file"}) {
    SCOPED_TRACE(ui);
    const std::string contents = ui + ".vst3/Contents/";
    const fs::path binary = scratch.prepare(contents + "x86_64-linux/Probe.so");
    const fs::path uiDir = scratch.prepare(contents + "Resources/ui");  // makes Resources
    fs::copy_file(TALVO_UI_PROBE_MODULE, binary);
    if (ui == "dir") scratch.write(contents + "Resources/ui/manifest.json", "{\"sourceRevision\":\"r\"}");
    if (ui == "file") scratch.write(contents + "Resources/ui", "not a directory");
    void* handle = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
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
}

TEST(UiRoot, NullAddressAndTheTestProgramHaveNoUiDirectoryAndPathsAreNormalized) {
  EXPECT_EQ(talvoUiRootForImageAddress(nullptr), "");
  EXPECT_EQ(pluginUiRoot(), "");
  EXPECT_STREQ(talvoPluginUiRootForDiagnostics(), "");
  const test::ScratchDir scratch;
  const fs::path& base = scratch.path();
  fs::create_directories(base / "B.vst3" / "Contents" / "Resources" / "ui");
  fs::create_directories(base / "B.vst3" / "Contents" / "arch");
  const std::string image = (base / "B.vst3" / "Contents" / "." / "arch" / ".." / "arch" / "B.so").string();
  EXPECT_EQ(uiRootForImageFile(image),
            fs::canonical(base / "B.vst3" / "Contents" / "Resources" / "ui").string());
}
