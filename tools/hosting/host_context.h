#pragma once
// The host application object handed to initialize: it names the host,
// creates the message and attribute-list objects that components allocate
// to talk to each other and, when the host runs one, offers its run loop
// (the main-thread timers and descriptor watches a Linux plug-in may use).
#include "hosting/host_unknown.h"
#include "pluginterfaces/vst/ivsthostapplication.h"

namespace talvo::host {

class HostContext final : public HostOwned<Steinberg::Vst::IHostApplication> {
 public:
  /// Answers Linux::IRunLoop with `runLoop` (null: no run loop); it must
  /// outlive every component initialized with this context.
  void setRunLoop(Steinberg::FUnknown* runLoop) { runLoop_ = runLoop; }

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;
  /// Creates IMessage and IAttributeList objects (the SDK's host classes);
  /// every other class is refused.
  Steinberg::tresult PLUGIN_API createInstance(Steinberg::TUID cid, Steinberg::TUID iid, void** obj) override;

 private:
  Steinberg::FUnknown* runLoop_ = nullptr;
};

}  // namespace talvo::host
