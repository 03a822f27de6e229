#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "module/module_factory.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "vst3/plugin_factory.h"

extern "C" bool ModuleEntry(void*);
extern "C" bool ModuleExit();

namespace talvo {
namespace {

using namespace Steinberg;

const unsigned char kProcessorBytes[16] = {0x88, 0xD1, 0x5B, 0x92, 0x89, 0xD1, 0x5D, 0x25,
                                           0x86, 0xD1, 0x58, 0x6C, 0x87, 0xD1, 0x59, 0xFF};
const unsigned char kControllerBytes[16] = {0x0B, 0x87, 0x53, 0x7E, 0x0C, 0x87, 0x55, 0x11,
                                            0x09, 0x87, 0x50, 0x58, 0x0A, 0x87, 0x51, 0xEB};

/// Holds the module's factory for one test and drops every reference after.
struct FactoryRef {
  FactoryRef() : factory(GetPluginFactory()) {
    factory->queryInterface(IPluginFactory2::iid.toTUID(), reinterpret_cast<void**>(&factory2));
  }
  ~FactoryRef() {
    if (factory2 != nullptr) factory2->release();
    factory->release();
  }
  IPluginFactory* factory;
  IPluginFactory2* factory2 = nullptr;
};

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

TEST(ModuleFactory, FactoryInformationNamesTheVendorWithUnicodeOnly) {
  FactoryRef ref;
  PFactoryInfo info;
  ASSERT_EQ(ref.factory->getFactoryInfo(&info), kResultOk);
  EXPECT_STREQ(info.vendor, "Talvo Music");
  EXPECT_EQ(std::strncmp(info.url, "https://", 8), 0) << info.url;
  EXPECT_EQ(std::strncmp(info.email, "mailto:", 7), 0) << info.email;
  EXPECT_EQ(info.flags, 0x10);
}

TEST(ModuleFactory, ProcessorIsTheFirstClassWithItsIdentifierByteForByte) {
  FactoryRef ref;
  ASSERT_NE(ref.factory2, nullptr);
  const int32 count = ref.factory2->countClasses();
  ASSERT_GE(count, 1);
  ASSERT_LE(count, 2);
  PClassInfo2 info;
  ASSERT_EQ(ref.factory2->getClassInfo2(0, &info), kResultOk);
  EXPECT_EQ(std::memcmp(info.cid, kProcessorBytes, 16), 0);
  EXPECT_EQ(info.cardinality, 0x7FFFFFFF);
  EXPECT_STREQ(info.category, "Audio Module Class");
  EXPECT_STREQ(info.name, "Oriel");
  EXPECT_EQ(info.classFlags, 1u);
  EXPECT_STREQ(info.subCategories, "Fx");
  EXPECT_STREQ(info.vendor, "");
  EXPECT_STREQ(info.version, "0.1.0");
  EXPECT_STREQ(info.sdkVersion, "VST 3.8.1");
  if (count == 2) {
    ASSERT_EQ(ref.factory2->getClassInfo2(1, &info), kResultOk);
    EXPECT_EQ(std::memcmp(info.cid, kControllerBytes, 16), 0);
  }
}

TEST(ModuleFactory, ControllerClassInformationIsFinal) {
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
}

TEST(ModuleFactory, CreatesAWorkingProcessorByItsClassIdentifier) {
  FactoryRef ref;
  Vst::IComponent* component = nullptr;
  ASSERT_EQ(ref.factory->createInstance(reinterpret_cast<FIDString>(kProcessorBytes),
                                        Vst::IComponent::iid.toTUID(), reinterpret_cast<void**>(&component)),
            kResultOk);
  ASSERT_NE(component, nullptr);
  auto host = std::make_unique<Vst::HostApplication>();
  ASSERT_EQ(component->initialize(host.get()), kResultOk);
  EXPECT_EQ(component->getBusCount(Vst::kAudio, Vst::kInput), 1);
  Vst::IAudioProcessor* processor = nullptr;
  ASSERT_EQ(
      component->queryInterface(Vst::IAudioProcessor::iid.toTUID(), reinterpret_cast<void**>(&processor)),
      kResultOk);
  EXPECT_EQ(processor->canProcessSampleSize(Vst::kSample64), kResultFalse);
  processor->release();
  EXPECT_EQ(component->terminate(), kResultOk);
  component->release();
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

TEST(ModuleInfoJson, BundleDocumentMatchesTheExportedFactory) {
  std::ifstream file(TALVO_BINARY_DIR "/Oriel.vst3/Contents/Resources/moduleinfo.json", std::ios::binary);
  ASSERT_TRUE(file) << "build the Oriel target first";
  std::stringstream text;
  text << file.rdbuf();
  FactoryRef ref;
  ASSERT_NE(ref.factory2, nullptr);
  EXPECT_EQ(text.str(), writeModuleInfoJson(*ref.factory2, "Oriel", "0.1.0") + "\n");
}

}  // namespace
}  // namespace talvo
