#pragma once
// The host's side of an editor view: takes the view's resize requests and
// hands out the host's run loop (the way Linux views find it).
#include "hosting/run_loop.h"
#include "pluginterfaces/gui/iplugview.h"

namespace talvo::host {

class PlugFrame final : public HostOwned<Steinberg::IPlugFrame> {
 public:
  explicit PlugFrame(RunLoop& runLoop) : runLoop_(runLoop) {}

  /// Also answers Linux::IRunLoop with the host's run loop.
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  /// Grants every request: the view gets the size it asked for (clamped by itself).
  Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view, Steinberg::ViewRect* newSize) override;

 private:
  RunLoop& runLoop_;
};

}  // namespace talvo::host
