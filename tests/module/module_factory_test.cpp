// The factory entry, the exported entry points, and the module information
// document a host reads.
#include "module/module_factory.h"

#include <gtest/gtest.h>

#include "bridge/golden.h"

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

}  // namespace
}  // namespace talvo
