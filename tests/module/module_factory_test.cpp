// The factory entry, the exported entry points, and the module information
// document a host reads; and the built bundle as a host and the editor find
// it on disk.
#include "module/module_factory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "bridge/golden.h"
#include "bridge/sha256.h"

#include "vst3/plugin_factory.h"

extern "C" bool ModuleEntry(void*);
extern "C" bool ModuleExit();

namespace talvo {
namespace {

using namespace Steinberg;

TEST(ModuleFactory, SecondRequestReturnsTheSameFactoryWithOneMoreReference) {
  IPluginFactory* first = GetPluginFactory();
  IPluginFactory* second = GetPluginFactory();
  EXPECT_EQ(first, second);
  EXPECT_EQ(first->addRef(), 3u);
  EXPECT_EQ(first->release(), 2u);
  second->release();
  first->release();
  // Once every host reference is gone the next request builds a fresh one.
  EXPECT_EQ(gPluginFactory, nullptr);
  IPluginFactory* again = GetPluginFactory();
  EXPECT_EQ(again->addRef(), 2u);
  again->release();
  again->release();
}

TEST(ModuleFactory, ExportedEntryPointsCountEntries) {
  int handle = 0;
  EXPECT_TRUE(ModuleEntry(&handle));
  EXPECT_TRUE(ModuleEntry(&handle));
  EXPECT_TRUE(ModuleExit());
  EXPECT_TRUE(ModuleExit());
  EXPECT_FALSE(ModuleExit()) << "an exit without an entry";
}

// A factory with texts that exercise every rule of the document.
TEST(ModuleInfoJson, WritesFactoryAndClassesInTheHostFormat) {
  IPtr<PluginFactory> factory = owned(
      new PluginFactory(PFactoryInfo("Maker \"Q\"", "https://m", "mailto:x@m", PFactoryInfo::kUnicode)));
  auto create = [](void*) -> FUnknown* { return nullptr; };
  factory->registerClass(PClassInfo2(FUID(0x01020304, 0x05060708, 0x090A0B0C, 0x0D0E0F10), 0x7FFFFFFF,
                                     "Audio Module Class", "A", 1, "Fx|Delay", nullptr, "1.0", "VST 3.8.1"),
                         create);
  factory->registerClass(PClassInfo2(FUID(0xA0B0C0D0, 0, 0, 0xFF), 1, "Component Controller Class", "B", 0,
                                     "", "Other", "2.0", "VST 3.8.1"),
                         create);
  test::expectGolden("module_info_two_classes.json", writeModuleInfoJson(*factory, "Mod", "9.9"));
}

namespace fs = std::filesystem;

const fs::path kBundle = fs::path(TALVO_BINARY_DIR) / "Oriel.vst3";
const fs::path kUi = kBundle / "Contents" / "Resources" / "ui";

std::string readFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string member(const std::string& json, const std::string& key) {
  const std::regex pattern("\"" + key + "\":\"([^\"]*)\"");
  std::smatch match;
  return std::regex_search(json, match, pattern) ? match[1].str() : std::string("<missing>");
}

TEST(Bundle, UiFilesAreCopiedUnchanged) {
  const fs::path source = fs::path(TALVO_SOURCE_DIR) / "ui";
  for (const auto& entry : fs::recursive_directory_iterator(source)) {
    if (!entry.is_regular_file() || entry.path().filename() == "manifest.json") continue;
    const fs::path copy = kUi / fs::relative(entry.path(), source);
    EXPECT_EQ(readFile(copy), readFile(entry.path())) << copy;
  }
}

// Recomputes the manifest digest from the bundle's files: for each file but
// the manifest, sorted by relative path, "<sha256>  <path>\n"; then the
// SHA-256 of that listing.
TEST(Bundle, UiManifestDescribesTheBuildAndItsFiles) {
  const std::string manifest = readFile(kUi / "manifest.json");
  ASSERT_FALSE(manifest.empty());
  EXPECT_TRUE(std::regex_match(member(manifest, "buildTime"),
                               std::regex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z")))
      << manifest;
  const std::string revision = member(manifest, "sourceRevision");
  EXPECT_TRUE(revision == "unknown" || std::regex_match(revision, std::regex("[0-9a-f]{40,64}"))) << revision;

  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(kUi))
    if (entry.is_regular_file() && entry.path() != kUi / "manifest.json")
      files.push_back(fs::relative(entry.path(), kUi).generic_string());
  std::sort(files.begin(), files.end());
  std::string listing;
  for (const std::string& file : files) {
    const std::string bytes = readFile(kUi / file);
    listing += sha256Hex(bytes.data(), static_cast<std::uint32_t>(bytes.size())) + "  " + file + "\n";
  }
  EXPECT_EQ(member(manifest, "sha256"),
            sha256Hex(listing.data(), static_cast<std::uint32_t>(listing.size())));
}

TEST(Bundle, ModuleInformationMatchesTheExportedFactory) {
  const std::string document = readFile(kBundle / "Contents" / "Resources" / "moduleinfo.json");
  ASSERT_FALSE(document.empty());
  Steinberg::IPtr<Steinberg::IPluginFactory> factory = Steinberg::owned(GetPluginFactory());
  Steinberg::FUnknownPtr<Steinberg::IPluginFactory2> factory2(factory);
  ASSERT_TRUE(factory2);
  EXPECT_EQ(document, writeModuleInfoJson(*factory2, "Oriel", "0.1.0") + "\n");
}

}  // namespace
}  // namespace talvo
