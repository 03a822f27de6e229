#include "editor/gtk/web_editor.h"

#include <dirent.h>
#include <errno.h>
#include <gdk/gdkx.h>
#include <glib-unix.h>
#include <gtk/gtkx.h>
#include <sys/socket.h>

#include <X11/Xlib.h>
#include <array>
#include <cstring>
#include <string_view>
#include <utility>

#include "editor/page_bridge.h"
#include "editor/ui_scheme.h"

namespace talvo {
namespace {

// Software compositing costs a quarter of a core; without a render node
// (headless, most containers) the plain software path is the fast one.
bool hasRenderNode() {
  DIR* dri = opendir("/dev/dri");
  if (dri == nullptr) return false;
  bool found = false;
  while (const dirent* entry = readdir(dri)) {
    if (std::strncmp(entry->d_name, "renderD", 7) == 0) found = true;
  }
  closedir(dri);
  return found;
}

bool windowExists(unsigned long window) {
  GdkDisplay* display = gdk_display_get_default();
  gdk_x11_display_error_trap_push(display);
  XWindowAttributes attributes;
  const Status status = XGetWindowAttributes(GDK_DISPLAY_XDISPLAY(display), window, &attributes);
  return gdk_x11_display_error_trap_pop(display) == 0 && status != 0;
}

}  // namespace

WebEditor::WebEditor(WebEditorLaunch launch) : launch_(std::move(launch)) {
  loop_ = g_main_loop_new(nullptr, FALSE);
  context_ = webkit_web_context_new();
  webkit_web_context_register_uri_scheme(context_, kUiScheme, &WebEditor::serveRequest, this, nullptr);
  content_ = webkit_user_content_manager_new();
  WebKitUserScript* script =
      webkit_user_script_new(kPageScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(content_, script);
  webkit_user_script_unref(script);
  // The signal first: a handler registered without it drops the first posts.
  messageSignal_ = g_signal_connect(content_, "script-message-received::talvo",
                                    G_CALLBACK(&WebEditor::onScriptMessage), this);
  webkit_user_content_manager_register_script_message_handler(content_, kBridgeHandlerName);

  WebKitSettings* settings = webkit_settings_new();
  if (!hasRenderNode()) {
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  }
  view_ = WEBKIT_WEB_VIEW(
      g_object_ref_sink(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context_, "user-content-manager",
                                     content_, "settings", settings, nullptr)));
  g_object_unref(settings);
  g_signal_connect(view_, "web-process-terminated", G_CALLBACK(&WebEditor::onWebProcessTerminated), this);
  g_signal_connect(view_, "load-failed", G_CALLBACK(&WebEditor::onLoadFailed), this);
  channelSource_ = g_unix_fd_add(launch_.channel, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                                 &WebEditor::onChannel, this);
}

WebEditor::~WebEditor() {
  if (channelSource_ != 0) g_source_remove(channelSource_);
  g_signal_handler_disconnect(content_, messageSignal_);
  webkit_user_content_manager_unregister_script_message_handler(content_, kBridgeHandlerName);
  g_signal_handlers_disconnect_by_data(view_, this);
  if (plug_ != nullptr) {
    g_signal_handlers_disconnect_by_data(plug_, this);
    if (!plugGone_) gtk_widget_destroy(plug_);
    g_object_unref(plug_);
  }
  g_object_unref(view_);
  g_object_unref(content_);
  g_object_unref(context_);
  g_main_loop_unref(loop_);
}

bool WebEditor::open() {
  if (!windowExists(launch_.parentWindow)) {
    send(EditorFrame::Error, "host window not found");
    return false;
  }
  plug_ = GTK_WIDGET(g_object_ref(gtk_plug_new(static_cast<Window>(launch_.parentWindow))));
  g_signal_connect(plug_, "destroy", G_CALLBACK(&WebEditor::onPlugDestroyed), this);
  gtk_container_add(GTK_CONTAINER(plug_), GTK_WIDGET(view_));
  gtk_widget_show_all(plug_);
  // Hosts do not speak XEmbed: an unmapped plug runs scripts but draws nothing.
  GdkWindow* window = gtk_widget_get_window(plug_);
  gdk_window_resize(window, static_cast<int>(launch_.width), static_cast<int>(launch_.height));
  XMapWindow(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window));
  // The window carries the page's title, for window lists and inspection tools.
  g_signal_connect(view_, "notify::title", G_CALLBACK(&WebEditor::onTitleChanged), this);
  webkit_web_view_load_uri(view_, uiBundleUrl(launch_.uiRoot).c_str());
  return true;
}

void WebEditor::run() {
  if (channelOpen_) g_main_loop_run(loop_);
}

void WebEditor::send(EditorFrame type, std::string_view payload) {
  if (!channelOpen_) return;
  std::string frame;
  appendEditorFrame(frame, type, payload);
  std::size_t sent = 0;
  while (sent < frame.size()) {
    const ssize_t n = ::send(launch_.channel, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      channelOpen_ = false;  // the plug-in has gone; the channel watch ends the loop
      return;
    }
    sent += static_cast<std::size_t>(n);
  }
}

void WebEditor::handleFrame(EditorFrame type, const std::string& payload) {
  if (plugGone_) return;  // the host destroyed its window first; wait to be told to quit
  if (type == EditorFrame::Script) {
    webkit_web_view_evaluate_javascript(view_, payload.data(), static_cast<gssize>(payload.size()), nullptr,
                                        nullptr, nullptr, nullptr, nullptr);
  }
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  if (type == EditorFrame::Size && plug_ != nullptr && parseEditorSizePayload(payload, width, height)) {
    // GtkWindow resizing leaves the X window as it was; the GDK window's does not.
    gdk_window_resize(gtk_widget_get_window(plug_), static_cast<int>(width), static_cast<int>(height));
  }
}

void WebEditor::serveRequest(WebKitURISchemeRequest* request, gpointer self) {
  const auto* editor = static_cast<WebEditor*>(self);
  UiResource resource;
  const char* path = webkit_uri_scheme_request_get_path(request);
  if (!resolveUiRequest(editor->launch_.uiRoot, path != nullptr ? path : "", resource)) {
    GError* error = g_error_new(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "not found (%d)", kUiRequestFailed);
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
    return;
  }
  const gsize size = resource.body.size();
  GBytes* bytes = g_bytes_new(resource.body.data(), size);
  GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
  WebKitURISchemeResponse* response = webkit_uri_scheme_response_new(stream, static_cast<gint64>(size));
  // The charset goes with the type, and a bare type into the header: fetch()
  // and WebAssembly streaming read the header and refuse a charset there.
  const std::string type = std::string(resource.mimeType) + "; charset=utf-8";
  webkit_uri_scheme_response_set_content_type(response, type.c_str());
  SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
  soup_message_headers_append(headers, "Content-Type", resource.mimeType);
  webkit_uri_scheme_response_set_http_headers(response, headers);
  webkit_uri_scheme_request_finish_with_response(request, response);
  g_object_unref(response);
  g_object_unref(stream);
  g_bytes_unref(bytes);
}

void WebEditor::onScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self) {
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  if (!jsc_value_is_string(value)) return;  // the page's script posts strings only
  GBytes* bytes = jsc_value_to_string_as_bytes(value);
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  static_cast<WebEditor*>(self)->send(EditorFrame::Message, std::string_view(data, size));
  g_bytes_unref(bytes);
}

gboolean WebEditor::onChannel(gint fd, GIOCondition, gpointer self) {
  auto* editor = static_cast<WebEditor*>(self);
  std::array<char, 65536> buffer;
  for (;;) {
    const ssize_t n = recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (n > 0) {
      editor->reader_.append(buffer.data(), static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) editor->channelOpen_ = false;
    break;
  }
  EditorFrame type{};
  std::string payload;
  EditorFrameReader::Next next;
  while ((next = editor->reader_.next(type, payload)) == EditorFrameReader::Next::Frame) {
    editor->handleFrame(type, payload);
  }
  if (next == EditorFrameReader::Next::Broken) editor->channelOpen_ = false;
  if (editor->channelOpen_) return G_SOURCE_CONTINUE;
  editor->channelSource_ = 0;
  g_main_loop_quit(editor->loop_);
  return G_SOURCE_REMOVE;
}

void WebEditor::onPlugDestroyed(GtkWidget*, gpointer self) {
  static_cast<WebEditor*>(self)->plugGone_ = true;
}

void WebEditor::onTitleChanged(WebKitWebView* view, GParamSpec*, gpointer self) {
  auto* editor = static_cast<WebEditor*>(self);
  const gchar* title = webkit_web_view_get_title(view);
  if (!editor->plugGone_) gtk_window_set_title(GTK_WINDOW(editor->plug_), title != nullptr ? title : "");
}

void WebEditor::onWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer self) {
  static_cast<WebEditor*>(self)->send(EditorFrame::Error, "web process ended");
}

gboolean WebEditor::onLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error, gpointer self) {
  // A load that a newer one replaced is not a failure of the editor.
  if (!g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED)) {
    static_cast<WebEditor*>(self)->send(EditorFrame::Error, "page load failed");
  }
  return FALSE;
}

}  // namespace talvo
