#pragma once
// The host application object handed to initialize: it names the host and
// creates the message and attribute-list objects that components allocate
// to talk to each other.
#include "hosting/host_unknown.h"
#include "pluginterfaces/vst/ivsthostapplication.h"

namespace talvo::host {

class HostContext final : public HostOwned<Steinberg::Vst::IHostApplication> {
 public:
  Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;
  /// Creates IMessage and IAttributeList objects (the SDK's host classes);
  /// every other class is refused.
  Steinberg::tresult PLUGIN_API createInstance(Steinberg::TUID cid, Steinberg::TUID iid, void** obj) override;
};

}  // namespace talvo::host
