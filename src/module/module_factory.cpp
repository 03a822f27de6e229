#include "module/module_factory.h"

#include "controller/talvo_controller.h"
#include "processor/talvo_processor.h"
#include "vst3/class_ids.h"
#include "vst3/plugin_factory.h"
#include "vst3/plugin_identity.h"

namespace talvo {

using namespace Steinberg;

PFactoryInfo pluginFactoryInfo() {
  PFactoryInfo info(kPluginVendor, kPluginVendorUrl, kPluginVendorEmail, PFactoryInfo::kUnicode);
  // The SDK header adds kUnicode only when UNICODE is defined; the flags are ours to fix.
  info.flags = PFactoryInfo::kUnicode;
  return info;
}

const PClassInfo2& processorClassInfo() {
  static const PClassInfo2 info(kProcessorUid, PClassInfo::kManyInstances, "Audio Module Class",
                                kProcessorClassName, Vst::kDistributable, "Fx", nullptr, kPluginVersion,
                                kPluginSdkVersion);
  return info;
}

const PClassInfo2& controllerClassInfo() {
  static const PClassInfo2 info(kControllerUid, PClassInfo::kManyInstances, "Component Controller Class",
                                kControllerClassName, 0, "", nullptr, kPluginVersion, kPluginSdkVersion);
  return info;
}

}  // namespace talvo

extern "C" SMTG_EXPORT_SYMBOL Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory() {
  using namespace talvo;
  if (gPluginFactory != nullptr) {
    gPluginFactory->addRef();
    return gPluginFactory;
  }
  auto* factory = new PluginFactory(pluginFactoryInfo());
  factory->registerClass(processorClassInfo(), &TalvoProcessor::createInstance);
  // The controller borrows the host context the host gives the factory.
  factory->registerClass(controllerClassInfo(), &TalvoController::createInstance, factory);
  gPluginFactory = factory;
  return factory;
}
