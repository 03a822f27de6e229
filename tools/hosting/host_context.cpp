#include "hosting/host_context.h"

#include "pluginterfaces/gui/iplugview.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

namespace talvo::host {

using Steinberg::FUnknownPrivate::iidEqual;

Steinberg::tresult PLUGIN_API HostContext::queryInterface(const Steinberg::TUID iid, void** obj) {
#if SMTG_OS_LINUX
  if (obj != nullptr && runLoop_ != nullptr && iidEqual(iid, Steinberg::Linux::IRunLoop::iid.toTUID())) {
    return runLoop_->queryInterface(iid, obj);
  }
#endif
  return HostOwned<Steinberg::Vst::IHostApplication>::queryInterface(iid, obj);
}

Steinberg::tresult PLUGIN_API HostContext::getName(Steinberg::Vst::String128 name) {
  if (name == nullptr) return Steinberg::kInvalidArgument;
  const char* text = "talvo-host";
  int i = 0;
  for (; text[i] != '\0'; ++i)
    name[i] = static_cast<Steinberg::Vst::TChar>(text[i]);
  name[i] = 0;
  return Steinberg::kResultOk;
}

Steinberg::tresult PLUGIN_API HostContext::createInstance(Steinberg::TUID cid, Steinberg::TUID iid,
                                                          void** obj) {
  if (obj == nullptr) return Steinberg::kInvalidArgument;
  *obj = nullptr;
  const Steinberg::TUID& messageIid = Steinberg::Vst::IMessage::iid.toTUID();
  const Steinberg::TUID& attributesIid = Steinberg::Vst::IAttributeList::iid.toTUID();
  if (iidEqual(cid, messageIid) && iidEqual(iid, messageIid)) {
    *obj = static_cast<Steinberg::Vst::IMessage*>(new Steinberg::Vst::HostMessage());
    return Steinberg::kResultOk;
  }
  if (iidEqual(cid, attributesIid) && iidEqual(iid, attributesIid)) {
    *obj = static_cast<Steinberg::Vst::IAttributeList*>(new Steinberg::Vst::HostAttributeList());
    return Steinberg::kResultOk;
  }
  return Steinberg::kResultFalse;
}

}  // namespace talvo::host
