// The built bundle as a host finds it: the registered classes and their
// identifiers, and the exported function that locates the bundle's UI.
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

constexpr Bytes kControllerBytes = {0x0B, 0x87, 0x53, 0x7E, 0x0C, 0x87, 0x55, 0x11,
                                    0x09, 0x87, 0x50, 0x58, 0x0A, 0x87, 0x51, 0xEB};

TEST(BundleFactory, ProcessorThenControllerWithIdentifiersByteForByte) {
  ASSERT_NE(test::bundleModule(), nullptr);
  const struct {
    Bytes cid;
    const char* category;
    const char* name;
    std::uint32_t classFlags;
    const char* subCategories;
  } expected[] = {
      {{0x88, 0xD1, 0x5B, 0x92, 0x89, 0xD1, 0x5D, 0x25, 0x86, 0xD1, 0x58, 0x6C, 0x87, 0xD1, 0x59, 0xFF},
       "Audio Module Class",
       "Oriel",
       1u,
       "Fx"},
      {kControllerBytes, "Component Controller Class", "Oriel Controller", 0u, ""},
  };
  const FactoryRecord& factory = test::bundleFactory();
  ASSERT_EQ(factory.classes.size(), 2u);
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
}

TEST(BundleFactory, ProcessorNamesTheControllerClass) {
  auto instance = test::newInstance();
  ASSERT_NE(instance, nullptr);
  Steinberg::TUID cid{};
  ASSERT_EQ(instance->component()->getControllerClassId(cid), Steinberg::kResultOk);
  EXPECT_EQ(0, std::memcmp(cid, kControllerBytes.data(), 16));
}

TEST(BundleExports, UiRootForDiagnosticsFindsTheBundlesUiDirectory) {
  PluginModule* module = test::bundleModule();
  ASSERT_NE(module, nullptr);
  auto uiRoot = reinterpret_cast<const char* (*)()>(module->symbol("talvoPluginUiRootForDiagnostics"));
  ASSERT_NE(uiRoot, nullptr);
  ASSERT_NE(uiRoot(), nullptr);
  char expected[PATH_MAX];
  char actual[PATH_MAX];
  const std::string ui = std::string(TALVO_BUNDLE_PATH) + "/Contents/Resources/ui";
  ASSERT_NE(realpath(ui.c_str(), expected), nullptr) << ui;
  ASSERT_NE(realpath(uiRoot(), actual), nullptr) << uiRoot();
  EXPECT_STREQ(actual, expected);
}

}  // namespace
}  // namespace talvo::host
