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

TEST(BundleFactory, ProcessorComesFirstWithItsIdentifierByteForByte) {
  std::string error;
  ASSERT_NE(test::bundleModule(error), nullptr) << error;
  const FactoryRecord& factory = test::bundleFactory();
  ASSERT_GE(factory.classes.size(), 1u);
  const ClassRecord& processor = factory.classes[0];
  EXPECT_EQ(processor.cid, kProcessorBytes) << classIdHex(processor.cid);
  EXPECT_EQ(processor.cardinality, 0x7FFFFFFF);
  EXPECT_EQ(processor.category, "Audio Module Class");
  EXPECT_EQ(processor.name, "Oriel");
  ASSERT_TRUE(processor.hasExtendedInfo);
  EXPECT_EQ(processor.classFlags, 1u);
  EXPECT_EQ(processor.subCategories, "Fx");
  EXPECT_EQ(processor.vendor, "");
  EXPECT_EQ(processor.version, "0.1.0");
  EXPECT_EQ(processor.sdkVersion, "VST 3.8.1");
}

TEST(BundleFactory, ControllerComesSecondWithItsIdentifierByteForByte) {
  std::string error;
  ASSERT_NE(test::bundleModule(error), nullptr) << error;
  const FactoryRecord& factory = test::bundleFactory();
  if (factory.classes.size() < 2) GTEST_SKIP() << "the bundle registers no controller class yet";
  ASSERT_EQ(factory.classes.size(), 2u);
  const ClassRecord& controller = factory.classes[1];
  EXPECT_EQ(controller.cid, kControllerBytes) << classIdHex(controller.cid);
  EXPECT_EQ(controller.cardinality, 0x7FFFFFFF);
  EXPECT_EQ(controller.category, "Component Controller Class");
  EXPECT_EQ(controller.name, "Oriel Controller");
  ASSERT_TRUE(controller.hasExtendedInfo);
  EXPECT_EQ(controller.classFlags, 0u);
  EXPECT_EQ(controller.subCategories, "");
  EXPECT_EQ(controller.version, "0.1.0");
  EXPECT_EQ(controller.sdkVersion, "VST 3.8.1");
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
  // The extra reference is ours to give back; the module keeps its own.
  again->release();
  Steinberg::PFactoryInfo info{};
  EXPECT_EQ(module.factory()->getFactoryInfo(&info), Steinberg::kResultOk);
}

TEST(BundleFactory, NestedModuleEntryKeepsTheModuleUsable) {
  PluginModule& module = openModule();
  using Entry = bool (*)(void*);
  using Exit = bool (*)();
  auto entry = reinterpret_cast<Entry>(module.symbol("ModuleEntry"));
  auto exitFn = reinterpret_cast<Exit>(module.symbol("ModuleExit"));
  ASSERT_NE(entry, nullptr);
  ASSERT_NE(exitFn, nullptr);
  EXPECT_TRUE(entry(module.nativeHandle()));
  EXPECT_TRUE(exitFn());
  // The outer entry still holds: instances can be made as before.
  std::string error;
  EXPECT_NE(test::newInstance(error), nullptr) << error;
}

TEST(BundleExports, UiRootForDiagnosticsFindsTheBundlesUiDirectory) {
  PluginModule& module = openModule();
  using UiRoot = const char* (*)();
  auto uiRoot = reinterpret_cast<UiRoot>(module.symbol("talvoPluginUiRootForDiagnostics"));
  if (uiRoot == nullptr) GTEST_SKIP() << "the bundle does not export talvoPluginUiRootForDiagnostics yet";
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
