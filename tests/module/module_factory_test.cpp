#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "module/module_factory.h"
#include "vst3/plugin_factory.h"

extern "C" bool ModuleEntry(void*);
extern "C" bool ModuleExit();

namespace talvo {
namespace {

using namespace Steinberg;

const unsigned char kControllerBytes[16] = {0x0B, 0x87, 0x53, 0x7E, 0x0C, 0x87, 0x55, 0x11,
                                            0x09, 0x87, 0x50, 0x58, 0x0A, 0x87, 0x51, 0xEB};

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

// The bundle may not register the controller yet; its class information is
// final all the same.
TEST(ModuleFactory, ControllerClassInformationAndVendorAddressesAreFinal) {
  const PClassInfo2& info = controllerClassInfo();
  EXPECT_EQ(std::memcmp(info.cid, kControllerBytes, 16), 0);
  EXPECT_EQ(info.cardinality, 0x7FFFFFFF);
  EXPECT_STREQ(info.category, "Component Controller Class");
  EXPECT_STREQ(info.name, "Oriel Controller");
  EXPECT_EQ(info.classFlags, 0u);
  EXPECT_STREQ(info.subCategories, "");
  EXPECT_STREQ(info.version, "0.1.0");
  EXPECT_STREQ(info.sdkVersion, "VST 3.8.1");
  EXPECT_EQ(&info, &controllerClassInfo()) << "built once and kept";
  const PFactoryInfo factory = pluginFactoryInfo();
  EXPECT_EQ(std::strncmp(factory.url, "https://", 8), 0) << factory.url;
  EXPECT_EQ(std::strncmp(factory.email, "mailto:", 7), 0) << factory.email;
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
  EXPECT_EQ(
      writeModuleInfoJson(*factory, "Mod", "9.9"),
      "{\"Name\":\"Mod\",\"Version\":\"9.9\",\"Factory Info\":{\"Vendor\":\"Maker \\\"Q\\\"\","
      "\"URL\":\"https://m\",\"E-Mail\":\"mailto:x@m\",\"Flags\":{\"Unicode\":true,"
      "\"Classes Discardable\":false,\"Component Non Discardable\":false}},\"Compatibility\":[],"
      "\"Classes\":[{\"CID\":\"0102030405060708090A0B0C0D0E0F10\",\"Category\":\"Audio Module Class\","
      "\"Name\":\"A\",\"Vendor\":\"Maker \\\"Q\\\"\",\"Version\":\"1.0\",\"SDKVersion\":\"VST 3.8.1\","
      "\"Sub Categories\":[\"Fx\",\"Delay\"],\"Class Flags\":1,\"Cardinality\":2147483647,\"Snapshots\":[]},"
      "{\"CID\":\"A0B0C0D0"
      "0000000000000000"
      "000000FF\",\"Category\":\"Component Controller Class\","
      "\"Name\":\"B\",\"Vendor\":\"Other\",\"Version\":\"2.0\",\"SDKVersion\":\"VST 3.8.1\","
      "\"Sub Categories\":[],\"Class Flags\":0,\"Cardinality\":1,\"Snapshots\":[]}]}");
}

}  // namespace
}  // namespace talvo
