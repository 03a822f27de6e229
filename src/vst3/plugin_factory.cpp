#include "vst3/plugin_factory.h"

namespace talvo {

using namespace Steinberg;

PluginFactory* gPluginFactory = nullptr;

PluginFactory::PluginFactory(const PFactoryInfo& info) : factoryInfo_(info) {
  FUNKNOWN_CTOR;
}

PluginFactory::~PluginFactory() {
  if (gPluginFactory == this) gPluginFactory = nullptr;
  FUNKNOWN_DTOR;
}

IMPLEMENT_REFCOUNT(PluginFactory)

tresult PLUGIN_API PluginFactory::queryInterface(const TUID iid, void** obj) {
  QUERY_INTERFACE(iid, obj, IPluginFactory::iid, IPluginFactory)
  QUERY_INTERFACE(iid, obj, IPluginFactory2::iid, IPluginFactory2)
  QUERY_INTERFACE(iid, obj, IPluginFactory3::iid, IPluginFactory3)
  QUERY_INTERFACE(iid, obj, FUnknown::iid, IPluginFactory)
  *obj = nullptr;
  return kNoInterface;
}

bool PluginFactory::registerClass(const PClassInfo2& info, ClassCreateFunction create, void* context) {
  if (create == nullptr) return false;
  for (const ClassEntry& entry : classes_)
    if (FUnknownPrivate::iidEqual(entry.info.cid, info.cid)) return false;
  classes_.push_back(ClassEntry{info, create, context});
  return true;
}

const PClassInfo2* PluginFactory::classAt(int32 index) const {
  if (index < 0 || index >= static_cast<int32>(classes_.size())) return nullptr;
  return &classes_[static_cast<size_t>(index)].info;
}

tresult PLUGIN_API PluginFactory::getFactoryInfo(PFactoryInfo* info) {
  if (info == nullptr) return kInvalidArgument;
  *info = factoryInfo_;
  return kResultOk;
}

int32 PLUGIN_API PluginFactory::countClasses() {
  return static_cast<int32>(classes_.size());
}

namespace {

// Every getClassInfo variant: validates, then fills or clears `info`.
template <typename Info, typename Fill>
tresult classInfoAt(const PClassInfo2* source, Info* info, Fill fill) {
  if (info == nullptr) return kInvalidArgument;
  if (source == nullptr) {
    *info = Info();
    return kInvalidArgument;
  }
  fill(*source, *info);
  return kResultOk;
}

}  // namespace

tresult PLUGIN_API PluginFactory::getClassInfo(int32 index, PClassInfo* info) {
  return classInfoAt(classAt(index), info, [](const PClassInfo2& from, PClassInfo& to) {
    to = PClassInfo(from.cid, from.cardinality, from.category, from.name);
  });
}

tresult PLUGIN_API PluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
  return classInfoAt(classAt(index), info, [](const PClassInfo2& from, PClassInfo2& to) { to = from; });
}

tresult PLUGIN_API PluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
  return classInfoAt(classAt(index), info,
                     [](const PClassInfo2& from, PClassInfoW& to) { to.fromAscii(from); });
}

tresult PLUGIN_API PluginFactory::setHostContext(FUnknown* context) {
  hostContext_ = context;
  return kResultOk;
}

tresult PLUGIN_API PluginFactory::createInstance(FIDString cid, FIDString iid, void** obj) {
  if (obj == nullptr) return kInvalidArgument;
  *obj = nullptr;
  if (cid == nullptr || iid == nullptr) return kInvalidArgument;
  for (const ClassEntry& entry : classes_) {
    if (!FUnknownPrivate::iidEqual(entry.info.cid, cid)) continue;
    FUnknown* instance = entry.create(entry.context);
    if (instance == nullptr) return kOutOfMemory;
    // The caller gets its own reference through queryInterface; ours goes.
    const tresult result = instance->queryInterface(iid, obj);
    instance->release();
    if (result != kResultOk) *obj = nullptr;
    return result == kResultOk ? kResultOk : kNoInterface;
  }
  return kNoInterface;
}

}  // namespace talvo
