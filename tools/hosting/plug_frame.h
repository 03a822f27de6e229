#pragma once
// The host's side of an editor view: takes the view's resize requests and
// hands out the host's run loop (the way Linux views find it).
#include <functional>
#include <utility>

#include "hosting/run_loop.h"
#include "pluginterfaces/gui/iplugview.h"

namespace talvo::host {

class PlugFrame final : public HostOwned<Steinberg::IPlugFrame> {
 public:
  /// `resizeWindow`, when given, resizes the window that holds the view.
  explicit PlugFrame(RunLoop& runLoop, std::function<void(const Steinberg::ViewRect&)> resizeWindow = {})
      : runLoop_(runLoop), resizeWindow_(std::move(resizeWindow)) {}

  /// Also answers Linux::IRunLoop with the host's run loop.
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  /// Grants every request within the view's own size constraint: resizes
  /// the window to it, then tells the view its new size.
  Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view, Steinberg::ViewRect* newSize) override;

 private:
  RunLoop& runLoop_;
  std::function<void(const Steinberg::ViewRect&)> resizeWindow_;
};

}  // namespace talvo::host
