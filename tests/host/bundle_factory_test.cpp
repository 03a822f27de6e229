// The built bundle as a host finds it: module entry, factory information,
// the registered classes and their identifiers, and the exported C functions.
#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>

#include <array>
#include <cstdint>
#include <cstring>

#include "host/bundle_session.h"

namespace talvo::host {
namespace {

using Bytes = std::array<std::uint8_t, 16>;

constexpr Bytes kProcessorBytes = {0x88, 0xD1, 0x5B, 0x92, 0x89, 0xD1, 0x5D, 0x25,
                                   0x86, 0xD1, 0x58, 0x6C, 0x87, 0xD1, 0x59, 0xFF};
constexpr Bytes kControllerBytes = {0x0B, 0x87, 0x53, 0x7E, 0x0C, 0x87, 0x55, 0x11,
                                    0x09, 0x87, 0x50, 0x58, 0x0A, 0x87, 0x51, 0xEB};

PluginModule& openModule() {
  std::string error;
  PluginModule* module = test::bundleModule(error);
  if (module == nullptr) ADD_FAILURE() << error;
  return *module;
}

TEST(BundleFactory, FactoryInformationNamesTheVendorWithUnicodeFlag) {
  std::string error;
  ASSERT_NE(test::bundleModule(error), nullptr) << error;
  const FactoryRecord& factory = test::bundleFactory();
  EXPECT_EQ(factory.vendor, "Talvo Music");
  EXPECT_EQ(factory.flags, 0x10);
  EXPECT_FALSE(factory.url.empty());
  EXPECT_EQ(factory.email.rfind("mailto:", 0), 0u) << factory.email;
}

struct ExpectedClass {
  Bytes cid;
  const char* category;
  const char* name;
  std::uint32_t classFlags;
  const char* subCategories;
};

TEST(BundleFactory, ProcessorThenControllerWithIdentifiersByteForByte) {
  std::string error;
  ASSERT_NE(test::bundleModule(error), nullptr) << error;
  const ExpectedClass expected[] = {
      {kProcessorBytes, "Audio Module Class", "Oriel", 1u, "Fx"},
      {kControllerBytes, "Component Controller Class", "Oriel Controller", 0u, ""},
  };
  const FactoryRecord& factory = test::bundleFactory();
  ASSERT_GE(factory.classes.size(), 1u);
  ASSERT_LE(factory.classes.size(), 2u);
  for (std::size_t i = 0; i < factory.classes.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    const ClassRecord& record = factory.classes[i];
    EXPECT_EQ(record.cid, expected[i].cid) << classIdHex(record.cid);
    EXPECT_EQ(record.cardinality, 0x7FFFFFFF);
    EXPECT_EQ(record.category, expected[i].category);
    EXPECT_EQ(record.name, expected[i].name);
    ASSERT_TRUE(record.hasExtendedInfo);
    EXPECT_EQ(record.classFlags, expected[i].classFlags);
    EXPECT_EQ(record.subCategories, expected[i].subCategories);
    EXPECT_EQ(record.vendor, "");
    EXPECT_EQ(record.version, "0.1.0");
    EXPECT_EQ(record.sdkVersion, "VST 3.8.1");
  }
  if (factory.classes.size() < 2) GTEST_SKIP() << "the bundle registers no controller class yet";
}

TEST(BundleFactory, ProcessorNamesTheControllerClass) {
  std::string error;
  auto instance = test::newInstance(error);
  ASSERT_NE(instance, nullptr) << error;
  Steinberg::TUID cid{};
  ASSERT_EQ(instance->component()->getControllerClassId(cid), Steinberg::kResultOk);
  EXPECT_EQ(0, std::memcmp(cid, kControllerBytes.data(), 16));
}

TEST(BundleFactory, ASecondFactoryRequestReturnsTheSameFactory) {
  PluginModule& module = openModule();
  using GetFactory = Steinberg::IPluginFactory* (*)();
  auto getFactory = reinterpret_cast<GetFactory>(module.symbol("GetPluginFactory"));
  ASSERT_NE(getFactory, nullptr);
  Steinberg::IPluginFactory* again = getFactory();
  EXPECT_EQ(again, module.factory());
  again->release();  // ours to give back; the module keeps its own reference
  Steinberg::PFactoryInfo info{};
  EXPECT_EQ(module.factory()->getFactoryInfo(&info), Steinberg::kResultOk);
}

TEST(BundleFactory, NestedModuleEntryKeepsTheModuleUsable) {
  PluginModule& module = openModule();
  auto entry = reinterpret_cast<bool (*)(void*)>(module.symbol("ModuleEntry"));
  auto exitFn = reinterpret_cast<bool (*)()>(module.symbol("ModuleExit"));
  ASSERT_NE(entry, nullptr);
  ASSERT_NE(exitFn, nullptr);
  EXPECT_TRUE(entry(module.nativeHandle()));
  EXPECT_TRUE(exitFn());
  std::string error;
  EXPECT_NE(test::newInstance(error), nullptr) << error;
}

TEST(BundleExports, UiRootForDiagnosticsFindsTheBundlesUiDirectory) {
  PluginModule& module = openModule();
  auto uiRoot = reinterpret_cast<const char* (*)()>(module.symbol("talvoPluginUiRootForDiagnostics"));
  ASSERT_NE(uiRoot, nullptr);
  const char* found = uiRoot();
  ASSERT_NE(found, nullptr);
  char expected[PATH_MAX];
  char actual[PATH_MAX];
  std::string ui = test::bundlePath() + "/Contents/Resources/ui";
  ASSERT_NE(realpath(ui.c_str(), expected), nullptr) << ui;
  ASSERT_NE(realpath(found, actual), nullptr) << found;
  EXPECT_STREQ(actual, expected);
}

}  // namespace
}  // namespace talvo::host
