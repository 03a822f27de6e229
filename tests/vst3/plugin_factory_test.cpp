#include <gtest/gtest.h>

#include <cstring>

#include "base/source/fobject.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "vst3/plugin_factory.h"

namespace talvo {
namespace {

using namespace Steinberg;

// A component that counts live instances, to see the factory hand over its
// reference instead of leaking or double-releasing it.
int gLiveInstances = 0;

class Probe : public FObject {
 public:
  Probe() { ++gLiveInstances; }
  ~Probe() override { --gLiveInstances; }
  static FUnknown* create(void*) { return static_cast<FObject*>(new Probe()); }
  OBJ_METHODS(Probe, FObject)
};

FUnknown* createNothing(void*) {
  return nullptr;
}

const FUID kFirst(0x11111111, 0x22222222, 0x33333333, 0x44444444);
const FUID kSecond(0x55555555, 0x66666666, 0x77777777, 0x88888888);

PClassInfo2 classInfo(const FUID& cid, const char* name) {
  return PClassInfo2(cid, PClassInfo::kManyInstances, "Audio Module Class", name, 1, "Fx", nullptr, "1.2.3",
                     "VST 3.8.1");
}

class PluginFactoryTest : public ::testing::Test {
 protected:
  PluginFactoryTest()
      : factory_(owned(new PluginFactory(PFactoryInfo("Vendor", "https://v", "mailto:a@v", 16)))) {}
  IPtr<PluginFactory> factory_;
};

TEST_F(PluginFactoryTest, ReportsClassesInRegistrationOrderAndRefusesDuplicates) {
  EXPECT_TRUE(factory_->registerClass(classInfo(kFirst, "First"), &Probe::create));
  EXPECT_TRUE(factory_->registerClass(classInfo(kSecond, "Second"), &Probe::create));
  EXPECT_FALSE(factory_->registerClass(classInfo(kFirst, "Again"), &Probe::create));
  EXPECT_FALSE(factory_->registerClass(classInfo(FUID(1, 2, 3, 4), "NoCreate"), nullptr));
  ASSERT_EQ(factory_->countClasses(), 2);

  PClassInfo2 info;
  ASSERT_EQ(factory_->getClassInfo2(1, &info), kResultOk);
  EXPECT_STREQ(info.name, "Second");
  EXPECT_EQ(std::memcmp(info.cid, kSecond.toTUID(), 16), 0);
  PClassInfo plain;
  ASSERT_EQ(factory_->getClassInfo(0, &plain), kResultOk);
  EXPECT_STREQ(plain.name, "First");
  EXPECT_STREQ(plain.category, "Audio Module Class");
  EXPECT_EQ(plain.cardinality, PClassInfo::kManyInstances);

  EXPECT_EQ(factory_->getClassInfo2(2, &info), kInvalidArgument);
  EXPECT_EQ(factory_->getClassInfo2(-1, &info), kInvalidArgument);
  EXPECT_EQ(factory_->getClassInfo(0, nullptr), kInvalidArgument);

  for (const FUID* iid :
       {&IPluginFactory::iid, &IPluginFactory2::iid, &IPluginFactory3::iid, &FUnknown::iid}) {
    FUnknown* obj = nullptr;
    ASSERT_EQ(factory_->queryInterface(iid->toTUID(), reinterpret_cast<void**>(&obj)), kResultOk);
    obj->release();
  }
}

TEST_F(PluginFactoryTest, CreateInstanceHandsOverOneReferenceOrNoObjectAndNoLeak) {
  factory_->registerClass(classInfo(kFirst, "First"), &Probe::create);
  factory_->registerClass(classInfo(kSecond, "Broken"), &createNothing);
  void* obj = nullptr;
  ASSERT_EQ(factory_->createInstance(kFirst.toTUID(), FUnknown::iid.toTUID(), &obj), kResultOk);
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(gLiveInstances, 1);
  static_cast<FUnknown*>(obj)->release();
  EXPECT_EQ(gLiveInstances, 0);

  obj = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(factory_->createInstance(kFirst.toTUID(), Vst::IComponent::iid.toTUID(), &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(gLiveInstances, 0) << "an object without the interface is released";
  obj = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(factory_->createInstance(FUID(9, 9, 9, 9).toTUID(), FUnknown::iid.toTUID(), &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  EXPECT_NE(factory_->createInstance(kSecond.toTUID(), FUnknown::iid.toTUID(), &obj), kResultOk);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(factory_->createInstance(nullptr, FUnknown::iid.toTUID(), &obj), kInvalidArgument);
  EXPECT_EQ(factory_->createInstance(kFirst.toTUID(), FUnknown::iid.toTUID(), nullptr), kInvalidArgument);
}

}  // namespace
}  // namespace talvo
