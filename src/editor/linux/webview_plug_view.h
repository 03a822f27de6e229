#pragma once
// The plug-in's editor view on Linux. The host gives an X11 window
// ("X11EmbedWindowID"); attaching starts the editor process, which embeds a
// web view into that window and serves the page, and registers the channel to
// it with the host's run loop, so page messages reach the controller on the
// host's main thread; a cadence timer on the same loop ticks the controller
// while the editor is open. Removing the view ends the process.
#include <string>

#include "base/source/fobject.h"
#include "editor/bridge_host.h"
#include "editor/editor_channel.h"
#include "editor/editor_session.h"
#include "editor/linux/editor_process.h"
#include "pluginterfaces/gui/iplugview.h"
#include "public.sdk/source/common/pluginview.h"

namespace talvo {

/// Every operation runs on the host's main thread.
class WebViewPlugView final : public Steinberg::CPluginView {
 public:
  /// Holds a reference to `controller` for its whole life; `host` is the same
  /// object's bridge. The run loop comes from the plug frame, else from
  /// `hostContext`. `helperPath` is the editor executable.
  WebViewPlugView(Steinberg::FUnknown* controller, BridgeHost* host, std::string uiRoot,
                  Steinberg::FUnknown* hostContext = nullptr, std::string helperPath = editorHelperPath());
  ~WebViewPlugView() override;

  Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
  Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
  Steinberg::tresult PLUGIN_API removed() override;
  Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
  Steinberg::tresult PLUGIN_API canResize() override { return Steinberg::kResultTrue; }
  Steinberg::tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect* rect) override;

  OBJ_METHODS(WebViewPlugView, CPluginView)

 private:
  class LoopHandler;

  void readChannel();
  void sendFrame(EditorFrame type, std::string_view payload);
  /// Ends the editor process and closes the session; `failure` (when given)
  /// is reported first.
  void endEditor(const char* failure);

  Steinberg::IPtr<Steinberg::FUnknown> controller_;
  Steinberg::IPtr<Steinberg::FUnknown> hostContext_;
  std::string uiRoot_;
  std::string helperPath_;
  EditorSession session_;
  EditorProcess process_;
  EditorFrameReader reader_;
  Steinberg::IPtr<Steinberg::Linux::IRunLoop> runLoop_;
  Steinberg::IPtr<LoopHandler> handler_;
  bool timerRegistered_ = false;
  bool channelBroken_ = false;
};

/// The editor for `controller` with the UI directory `uiRoot` (null: the
/// plug-in's own); null, with a message on standard error and an editor error
/// for the host, when there is no UI directory or no controller.
[[nodiscard]] Steinberg::IPlugView* createWebViewEditor(Steinberg::FUnknown* controller, BridgeHost* host,
                                                        const char* uiRoot,
                                                        Steinberg::FUnknown* hostContext = nullptr);

}  // namespace talvo
