#include "hosting/plug_frame.h"

using namespace Steinberg;

namespace talvo::host {

tresult PLUGIN_API PlugFrame::queryInterface(const TUID iid, void** obj) {
  if (obj != nullptr && FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid.toTUID())) {
    return runLoop_.queryInterface(iid, obj);
  }
  return HostOwned<IPlugFrame>::queryInterface(iid, obj);
}

tresult PLUGIN_API PlugFrame::resizeView(IPlugView* view, ViewRect* newSize) {
  if (view == nullptr || newSize == nullptr) return kInvalidArgument;
  if (view->canResize() == kResultTrue) (void)view->checkSizeConstraint(newSize);
  if (resizeWindow_) resizeWindow_(*newSize);
  return view->onSize(newSize);
}

}  // namespace talvo::host
