// The class factory: class information in registration order, and instances
// handed over with exactly one reference; and module entry and exit as hosts
// call them: nested, repeated, and unmatched.
#include "vst3/plugin_factory.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/source/fobject.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "vst3/module_lifetime.h"

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

const FUID kFirst(0x11111111, 0x22222222, 0x33333333, 0x44444444);
const FUID kSecond(0x55555555, 0x66666666, 0x77777777, 0x88888888);

PClassInfo2 classInfo(const FUID& cid, const char* name) {
  return PClassInfo2(cid, PClassInfo::kManyInstances, "Audio Module Class", name, 1, "Fx", nullptr, "1.2.3",
                     "VST 3.8.1");
}

IPtr<PluginFactory> newFactory() {
  return owned(new PluginFactory(PFactoryInfo("Vendor", "https://v", "mailto:a@v", 16)));
}

TEST(PluginFactory, ReportsClassesInRegistrationOrderAndRefusesDuplicates) {
  IPtr<PluginFactory> factory = newFactory();
  EXPECT_TRUE(factory->registerClass(classInfo(kFirst, "First"), &Probe::create));
  EXPECT_TRUE(factory->registerClass(classInfo(kSecond, "Second"), &Probe::create));
  EXPECT_FALSE(factory->registerClass(classInfo(kFirst, "Again"), &Probe::create));
  EXPECT_FALSE(factory->registerClass(classInfo(FUID(1, 2, 3, 4), "NoCreate"), nullptr));
  ASSERT_EQ(factory->countClasses(), 2);
  PClassInfo2 info;
  ASSERT_EQ(factory->getClassInfo2(1, &info), kResultOk);
  EXPECT_STREQ(info.name, "Second");
  EXPECT_EQ(std::memcmp(info.cid, kSecond.toTUID(), 16), 0);
  PClassInfo plain;
  ASSERT_EQ(factory->getClassInfo(0, &plain), kResultOk);
  EXPECT_STREQ(plain.name, "First");
  EXPECT_STREQ(plain.category, "Audio Module Class");
  EXPECT_EQ(plain.cardinality, PClassInfo::kManyInstances);
  EXPECT_EQ(factory->getClassInfo2(2, &info), kInvalidArgument);
  EXPECT_EQ(factory->getClassInfo2(-1, &info), kInvalidArgument);
  EXPECT_EQ(factory->getClassInfo(0, nullptr), kInvalidArgument);
  for (const FUID* iid :
       {&IPluginFactory::iid, &IPluginFactory2::iid, &IPluginFactory3::iid, &FUnknown::iid}) {
    FUnknown* obj = nullptr;
    ASSERT_EQ(factory->queryInterface(iid->toTUID(), reinterpret_cast<void**>(&obj)), kResultOk);
    obj->release();
  }
}

TEST(PluginFactory, CreateInstanceHandsOverOneReferenceOrNoObjectAndNoLeak) {
  IPtr<PluginFactory> factory = newFactory();
  factory->registerClass(classInfo(kFirst, "First"), &Probe::create);
  factory->registerClass(classInfo(kSecond, "Broken"), [](void*) -> FUnknown* { return nullptr; });
  void* obj = nullptr;
  ASSERT_EQ(factory->createInstance(kFirst.toTUID(), FUnknown::iid.toTUID(), &obj), kResultOk);
  EXPECT_EQ(gLiveInstances, 1);
  static_cast<FUnknown*>(obj)->release();
  EXPECT_EQ(gLiveInstances, 0);

  const FUID unknown(9, 9, 9, 9);
  const struct {
    FIDString cid, iid;
    void** out;
    tresult result;
  } refused[] = {{kFirst.toTUID(), Vst::IComponent::iid.toTUID(), &obj, kNoInterface},  // instance released
                 {unknown.toTUID(), FUnknown::iid.toTUID(), &obj, kNoInterface},
                 {kSecond.toTUID(), FUnknown::iid.toTUID(), &obj, kOutOfMemory},
                 {nullptr, FUnknown::iid.toTUID(), &obj, kInvalidArgument},
                 {kFirst.toTUID(), FUnknown::iid.toTUID(), nullptr, kInvalidArgument}};
  for (const auto& r : refused) {
    obj = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->createInstance(r.cid, r.iid, r.out), r.result);
    EXPECT_TRUE(r.out == nullptr || obj == nullptr);
  }
  EXPECT_EQ(gLiveInstances, 0);
}

TEST(ModuleLifetime, NestedEntriesInitialiseOnceAndAStrayExitIsRefused) {
  // The hooks are process-wide and cannot be removed: this is the only case.
  static int inits = 0;
  static int deinits = 0;
  addModuleInitializer(+[] { return ++inits > 0; });
  addModuleTerminator(+[] { return ++deinits > 0; });
  EXPECT_FALSE(exitModule()) << "an exit without an entry";
  int first = 0, second = 0;
  EXPECT_TRUE(enterModule(&first));
  EXPECT_TRUE(enterModule(nullptr));
  EXPECT_EQ(inits, 1) << "once, and not swallowed by the stray exit";
  EXPECT_EQ(moduleHandle(), &first) << "the first entry's handle is kept";
  EXPECT_TRUE(exitModule());
  EXPECT_EQ(deinits, 0);
  EXPECT_EQ(moduleHandle(), &first);
  EXPECT_TRUE(exitModule());
  EXPECT_EQ(deinits, 1);
  EXPECT_EQ(moduleHandle(), nullptr);
  // Entering again after a full exit initialises again, with the new handle.
  EXPECT_TRUE(enterModule(&second));
  EXPECT_EQ(inits, 2);
  EXPECT_EQ(moduleHandle(), &second);
  EXPECT_TRUE(exitModule());
  EXPECT_EQ(deinits, 2);
}

}  // namespace
}  // namespace talvo
