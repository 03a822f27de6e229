#pragma once
// The class factory a VST3 host asks for classes. Holds the factory
// information and one PClassInfo2 per registered class with the function
// that creates it. Main thread only.
#include <vector>

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/base/smartpointer.h"

namespace talvo {

/// Creates one instance and returns it with one reference, or null.
using ClassCreateFunction = Steinberg::FUnknown* (*)(void* context);

class PluginFactory : public Steinberg::IPluginFactory3 {
 public:
  explicit PluginFactory(const Steinberg::PFactoryInfo& info);
  virtual ~PluginFactory();
  PluginFactory(const PluginFactory&) = delete;
  PluginFactory& operator=(const PluginFactory&) = delete;

  /// Adds a class in registration order; false when `create` is null or the
  /// class identifier is already registered.
  bool registerClass(const Steinberg::PClassInfo2& info, ClassCreateFunction create, void* context = nullptr);

  // IPluginFactory
  Steinberg::tresult PLUGIN_API getFactoryInfo(Steinberg::PFactoryInfo* info) SMTG_OVERRIDE;
  Steinberg::int32 PLUGIN_API countClasses() SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API getClassInfo(Steinberg::int32 index,
                                             Steinberg::PClassInfo* info) SMTG_OVERRIDE;
  Steinberg::tresult PLUGIN_API createInstance(Steinberg::FIDString cid, Steinberg::FIDString iid,
                                               void** obj) SMTG_OVERRIDE;
  // IPluginFactory2
  Steinberg::tresult PLUGIN_API getClassInfo2(Steinberg::int32 index,
                                              Steinberg::PClassInfo2* info) SMTG_OVERRIDE;
  // IPluginFactory3
  Steinberg::tresult PLUGIN_API getClassInfoUnicode(Steinberg::int32 index,
                                                    Steinberg::PClassInfoW* info) SMTG_OVERRIDE;
  /// Keeps `context` (null forgets it) for the instances created from now on.
  Steinberg::tresult PLUGIN_API setHostContext(Steinberg::FUnknown* context) SMTG_OVERRIDE;

  /// What the host gave setHostContext, or null.
  [[nodiscard]] Steinberg::FUnknown* hostContext() const { return hostContext_; }

  DECLARE_FUNKNOWN_METHODS

 private:
  struct ClassEntry {
    Steinberg::PClassInfo2 info;
    ClassCreateFunction create;
    void* context;
  };
  /// The registered information at `index`, or null.
  const Steinberg::PClassInfo2* classAt(Steinberg::int32 index) const;

  Steinberg::PFactoryInfo factoryInfo_;
  std::vector<ClassEntry> classes_;
  Steinberg::IPtr<Steinberg::FUnknown> hostContext_;
};

/// The module's one factory while any host holds it; a factory clears it when
/// it is destroyed, so the next request builds a fresh one.
extern PluginFactory* gPluginFactory;

}  // namespace talvo
