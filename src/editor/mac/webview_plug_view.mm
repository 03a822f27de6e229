#import "editor/mac/webview_plug_view.h"

#import <AppKit/AppKit.h>

#include <cstring>
#include <utility>

#include "editor/editor_session.h"
#import "editor/mac/bridged_web_view.h"
#import "editor/mac/cadence_timer.h"
#include "editor/ui_bundle.h"

using namespace Steinberg;

namespace talvo {

namespace {

void tickHost(void* host) {
  static_cast<BridgeHost*>(host)->onEditorTick();
}

}  // namespace

WebViewPlugView::WebViewPlugView(FUnknown* controller, BridgeHost* host, std::string uiRoot)
    : controller_(controller), host_(host), uiRoot_(std::move(uiRoot)) {
  rect = ViewRect(0, 0, kDefaultEditorWidth, kDefaultEditorHeight);
}

WebViewPlugView::~WebViewPlugView() {
  detachWebView();
}

tresult PLUGIN_API WebViewPlugView::isPlatformTypeSupported(FIDString type) {
  return type != nullptr && std::strcmp(type, kPlatformTypeNSView) == 0 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API WebViewPlugView::attached(void* parent, FIDString type) {
  if (parent == nullptr || isPlatformTypeSupported(type) != kResultTrue) return kResultFalse;
  detachWebView();  // a host that attaches twice gets one web view
  WKWebView* webView = talvoCreateBridgedWebView(host_, [NSString stringWithUTF8String:uiRoot_.c_str()],
                                                 CGRectMake(0, 0, rect.getWidth(), rect.getHeight()));
  if (webView == nil) return kResultFalse;
  [(NSView*)parent addSubview:webView];
  webView_ = webView;
  // The editor's own cadence timer, beside the controller's clock.
  if (controller_ && host_ != nullptr)
    cadenceTimer_ = talvoStartCadenceClock(&tickHost, host_, kCadenceIntervalSeconds);
  return CPluginView::attached(parent, type);
}

tresult PLUGIN_API WebViewPlugView::removed() {
  detachWebView();
  return CPluginView::removed();
}

tresult PLUGIN_API WebViewPlugView::onSize(ViewRect* newSize) {
  if (newSize == nullptr) return kResultFalse;
  constrainEditorRect(*newSize);
  const tresult result = CPluginView::onSize(newSize);
  if (webView_ != nullptr) {
    [(WKWebView*)webView_ setFrameSize:NSMakeSize(newSize->getWidth(), newSize->getHeight())];
  }
  return result;
}

tresult PLUGIN_API WebViewPlugView::checkSizeConstraint(ViewRect* candidate) {
  if (candidate == nullptr) return kInvalidArgument;
  constrainEditorRect(*candidate);
  return kResultOk;
}

void WebViewPlugView::detachWebView() {
  talvoStopCadenceClock(cadenceTimer_);
  cadenceTimer_ = nullptr;
  if (webView_ == nullptr) return;
  WKWebView* webView = (WKWebView*)webView_;
  webView_ = nullptr;
  talvoDetachBridgedWebView(webView, host_);
}

IPlugView* createWebViewEditor(FUnknown* controller, BridgeHost* host, const char* uiRoot) {
  const std::string root = editorUiRoot(controller != nullptr ? host : nullptr, uiRoot);
  if (root.empty()) return nullptr;
  return new WebViewPlugView(controller, host, root);
}

}  // namespace talvo
