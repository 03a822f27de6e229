#import "editor/mac/bridged_web_view.h"

#include <string>

#include "editor/page_bridge.h"
#include "editor/ui_scheme.h"

namespace {

NSString* text(const char* utf8) {
  return [NSString stringWithUTF8String:utf8];
}

}  // namespace

@implementation TalvoSchemeHandler_TalvoOriel

- (void)dealloc {
  [_rootPath release];
  [super dealloc];
}

- (void)webView:(WKWebView*)webView startURLSchemeTask:(id<WKURLSchemeTask>)task {
  NSURL* url = task.request.URL;
  // The path as the URL spells it: the shared resolution decodes it once,
  // before its containment checks.
  NSURLComponents* components = [NSURLComponents componentsWithURL:url resolvingAgainstBaseURL:NO];
  const char* path = components.percentEncodedPath.UTF8String;
  const char* root = [self.rootPath stringByStandardizingPath].UTF8String;
  talvo::UiResource resource;
  if (root != nullptr && talvo::resolveUiRequest(root, path != nullptr ? path : "", resource)) {
    NSURLResponse* response = [[NSURLResponse alloc] initWithURL:url
                                                        MIMEType:text(resource.mimeType)
                                           expectedContentLength:static_cast<NSInteger>(resource.body.size())
                                                textEncodingName:@"utf-8"];
    [task didReceiveResponse:response];
    [response release];
    [task didReceiveData:[NSData dataWithBytes:resource.body.data() length:resource.body.size()]];
    [task didFinish];
    return;
  }
  [task didFailWithError:[NSError errorWithDomain:NSURLErrorDomain
                                             code:talvo::kUiRequestFailed
                                         userInfo:nil]];
}

- (void)webView:(WKWebView*)webView stopURLSchemeTask:(id<WKURLSchemeTask>)task {
}

@end

@implementation TalvoBridgeHandler_TalvoOriel

- (void)userContentController:(WKUserContentController*)controller
      didReceiveScriptMessage:(WKScriptMessage*)message {
  if (self.host == nullptr || ![message.body isKindOfClass:[NSString class]]) return;
  NSString* text = message.body;
  const char* utf8 = text.UTF8String;
  if (utf8 == nullptr) return;
  self.host->handleBridgeMessage(utf8, [text lengthOfBytesUsingEncoding:NSUTF8StringEncoding]);
}

@end

WKWebView* talvoCreateBridgedWebView(talvo::BridgeHost* host, NSString* uiRoot, CGRect frame) {
  if (host == nullptr) return nil;
  if (uiRoot.length == 0) {
    host->onEditorError("no ui root");
    return nil;
  }
  TalvoSchemeHandler_TalvoOriel* scheme = [[TalvoSchemeHandler_TalvoOriel alloc] init];
  scheme.rootPath = uiRoot;
  TalvoBridgeHandler_TalvoOriel* bridge = [[TalvoBridgeHandler_TalvoOriel alloc] init];
  bridge.host = host;
  WKUserContentController* content = [[WKUserContentController alloc] init];
  [content addScriptMessageHandler:bridge name:text(talvo::kBridgeHandlerName)];
  WKUserScript* script = [[WKUserScript alloc] initWithSource:text(talvo::kPageScript)
                                                injectionTime:WKUserScriptInjectionTimeAtDocumentStart
                                             forMainFrameOnly:YES];
  [content addUserScript:script];
  WKWebViewConfiguration* configuration = [[WKWebViewConfiguration alloc] init];
  configuration.userContentController = content;
  [configuration setURLSchemeHandler:scheme forURLScheme:text(talvo::kUiScheme)];
  WKWebView* webView = [[WKWebView alloc] initWithFrame:NSRectFromCGRect(frame) configuration:configuration];
  [configuration release];
  [script release];
  [content release];
  [bridge release];
  [scheme release];
  if (webView == nil) {
    host->onEditorError("webview allocation failed");
    return nil;
  }
  webView.autoresizingMask = NSViewWidthSizable | NSViewHeightSizable;
  [webView retain];  // released with the creation reference on detach

  // The sink refers to the web view without retaining it: detaching clears
  // the sink before the web view goes.
  host->setBridgeSink(talvo::makeBridgeSink([webView](const std::string& script) {
    NSString* source = [[NSString alloc] initWithBytes:script.data()
                                                length:script.size()
                                              encoding:NSUTF8StringEncoding];
    if (source == nil) return;
    [webView evaluateJavaScript:source completionHandler:nil];
    [source release];
  }));
  const char* rootText = uiRoot.UTF8String;
  NSString* address = text(talvo::uiBundleUrl(rootText != nullptr ? rootText : "").c_str());
  [webView loadRequest:[NSURLRequest requestWithURL:[NSURL URLWithString:address]]];
  host->onEditorOpened();
  return webView;
}

void talvoDetachBridgedWebView(WKWebView* webView, talvo::BridgeHost* host) {
  if (host != nullptr) {
    host->onEditorClosed();
    host->setBridgeSink({});
  }
  if (webView == nil) return;
  [webView.configuration.userContentController
      removeScriptMessageHandlerForName:text(talvo::kBridgeHandlerName)];
  [webView removeFromSuperview];
  [webView release];
  [webView release];
}
