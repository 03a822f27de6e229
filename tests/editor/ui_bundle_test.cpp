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

// Builds <scratch>/Probe.vst3/Contents/x86_64-linux/Probe.so from the probe
// module, optionally with Contents/Resources/ui, and loads it.
class ProbeBundle : public testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::path(TALVO_BINARY_DIR) / "test-scratch" /
               testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(scratch_);
    contents_ = scratch_ / "Probe.vst3" / "Contents";
    fs::create_directories(contents_ / "x86_64-linux");
    fs::copy_file(TALVO_UI_PROBE_MODULE, contents_ / "x86_64-linux" / "Probe.so");
  }
  void TearDown() override {
    if (handle_ != nullptr) dlclose(handle_);
    fs::remove_all(scratch_);
  }
  fs::path makeUi() {
    const fs::path ui = contents_ / "Resources" / "ui";
    fs::create_directories(ui);
    std::ofstream(ui / "index.html") << "<!doctype html>";
    return ui;
  }
  void load() {
    handle_ = dlopen((contents_ / "x86_64-linux" / "Probe.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
  }
  void* symbol(const char* name) {
    void* found = dlsym(handle_, name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  fs::path scratch_;
  fs::path contents_;
  void* handle_ = nullptr;
};

}  // namespace

TEST_F(ProbeBundle, UiDirectoryIsFoundFromAnAddressInsideTheBinary) {
  const fs::path ui = makeUi();
  load();
  EXPECT_EQ(talvoUiRootForImageAddress(symbol("talvoProbeUiRoot")), fs::canonical(ui).string());
  auto probeRoot = reinterpret_cast<const char* (*)()>(symbol("talvoProbeUiRoot"));
  EXPECT_EQ(std::string(probeRoot()), fs::canonical(ui).string());
}

TEST_F(ProbeBundle, NoUiDirectoryGivesEmpty) {
  load();
  EXPECT_EQ(talvoUiRootForImageAddress(symbol("talvoProbeUiRoot")), "");
  auto probeRoot = reinterpret_cast<const char* (*)()>(symbol("talvoProbeUiRoot"));
  EXPECT_STREQ(probeRoot(), "");
}

TEST_F(ProbeBundle, UiPathThatIsAFileIsNotADirectory) {
  fs::create_directories(contents_ / "Resources");
  std::ofstream(contents_ / "Resources" / "ui") << "not a directory";
  load();
  EXPECT_EQ(talvoUiRootForImageAddress(symbol("talvoProbeUiRoot")), "");
}

TEST_F(ProbeBundle, ManifestFactsAreReadFromTheBinarysOwnBundle) {
  const fs::path ui = makeUi();
  std::ofstream(ui / "manifest.json") << "{\"buildTime\":\"t\",\"sourceRevision\":\"r\",\"sha256\":\"s\"}";
  load();
  auto probeFacts = reinterpret_cast<void (*)(UiBundleFacts*)>(symbol("talvoProbeFacts"));
  UiBundleFacts facts;
  probeFacts(&facts);
  EXPECT_STREQ(facts.buildTime, "t");
  EXPECT_STREQ(facts.sourceRevision, "r");
  EXPECT_STREQ(facts.sha256, "s");
}

TEST(UiRoot, NullAddressAndTheTestProgramHaveNoUiDirectory) {
  EXPECT_EQ(talvoUiRootForImageAddress(nullptr), "");
  EXPECT_EQ(pluginUiRoot(), "");
  EXPECT_STREQ(talvoPluginUiRootForDiagnostics(), "");
}

TEST(UiRoot, ImageFilePathIsNormalized) {
  const fs::path base = fs::path(TALVO_BINARY_DIR) / "test-scratch" / "normalized";
  fs::remove_all(base);
  fs::create_directories(base / "B.vst3" / "Contents" / "Resources" / "ui");
  fs::create_directories(base / "B.vst3" / "Contents" / "arch");
  const std::string image = (base / "B.vst3" / "Contents" / "." / "arch" / ".." / "arch" / "B.so").string();
  EXPECT_EQ(uiRootForImageFile(image),
            fs::canonical(base / "B.vst3" / "Contents" / "Resources" / "ui").string());
  fs::remove_all(base);
}
