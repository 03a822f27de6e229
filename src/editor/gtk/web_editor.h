#pragma once
// The editor process's web view: a WebKitGTK view inside a GtkPlug embedded in
// the host's X11 window, serving the page through the "talvo-ui" scheme and
// carrying the bridge over the channel to the plug-in. GLib main thread only.
#include <webkit2/webkit2.h>

#include <cstdint>
#include <string>

#include "editor/editor_channel.h"

namespace talvo {

struct WebEditorLaunch {
  unsigned long parentWindow = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::string uiRoot;
  int channel = -1;  ///< our end of the socket to the plug-in
};

class WebEditor {
 public:
  explicit WebEditor(WebEditorLaunch launch);
  ~WebEditor();
  WebEditor(const WebEditor&) = delete;
  WebEditor& operator=(const WebEditor&) = delete;

  /// Embeds the view into the host's window and starts loading the page;
  /// false (reported to the plug-in) when the window is not there.
  [[nodiscard]] bool open();
  /// Runs until the plug-in closes the channel (or sends garbage).
  void run();

 private:
  static void serveRequest(WebKitURISchemeRequest* request, gpointer self);
  static void onScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self);
  static gboolean onChannel(gint fd, GIOCondition condition, gpointer self);
  static void onPlugDestroyed(GtkWidget*, gpointer self);
  static void onTitleChanged(WebKitWebView* view, GParamSpec*, gpointer self);
  static void onWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer self);
  static gboolean onLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer self);

  void send(EditorFrame type, std::string_view payload);
  void handleFrame(EditorFrame type, const std::string& payload);

  WebEditorLaunch launch_;
  EditorFrameReader reader_;
  GMainLoop* loop_ = nullptr;
  WebKitWebContext* context_ = nullptr;
  WebKitUserContentManager* content_ = nullptr;
  WebKitWebView* view_ = nullptr;
  GtkWidget* plug_ = nullptr;
  gulong messageSignal_ = 0;
  guint channelSource_ = 0;
  bool plugGone_ = false;
  bool channelOpen_ = true;
};

}  // namespace talvo
