#pragma once
// The plug-in's editor view on Apple: the host gives an NSView, attaching
// adds a bridged WKWebView to it and starts the editor's cadence timer,
// removing takes both away. Includable from C++.
#include <string>

#include "base/source/fobject.h"
#include "editor/bridge_host.h"
#include "pluginterfaces/gui/iplugview.h"
#include "public.sdk/source/common/pluginview.h"

namespace talvo {

/// Every operation runs on the host's main thread.
class WebViewPlugView final : public Steinberg::CPluginView {
 public:
  /// Holds a reference to `controller` for its whole life; `host` is the same
  /// object's bridge.
  WebViewPlugView(Steinberg::FUnknown* controller, BridgeHost* host, std::string uiRoot);
  ~WebViewPlugView() override;

  Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
  Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
  Steinberg::tresult PLUGIN_API removed() override;
  Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
  Steinberg::tresult PLUGIN_API canResize() override { return Steinberg::kResultTrue; }
  Steinberg::tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect* rect) override;

  OBJ_METHODS(WebViewPlugView, CPluginView)

 private:
  /// Stops the cadence timer; detaches the web view once: only while one exists.
  void detachWebView();

  Steinberg::IPtr<Steinberg::FUnknown> controller_;
  BridgeHost* host_;
  std::string uiRoot_;
  void* webView_ = nullptr;       // WKWebView*, two references held
  void* cadenceTimer_ = nullptr;  // NSTimer*, retained
};

/// The editor for `controller` with the UI directory `uiRoot` (null: the
/// plug-in's own); null, with a message on standard error and an editor error
/// for the host, when there is no UI directory or no controller.
[[nodiscard]] Steinberg::IPlugView* createWebViewEditor(Steinberg::FUnknown* controller, BridgeHost* host,
                                                        const char* uiRoot);

}  // namespace talvo
