#pragma once
// The editor's web view on Apple: a WKWebView that loads the page through the
// "talvo-ui" scheme and carries page messages to a BridgeHost. Objective-C++
// only; main thread only.
#import <WebKit/WebKit.h>

#include "editor/bridge_host.h"

/// Serves "talvo-ui" requests from `rootPath`; every request is answered in
/// start, so stop has nothing to do.
@interface TalvoSchemeHandler_TalvoOriel : NSObject <WKURLSchemeHandler>
@property(nonatomic, copy) NSString* rootPath;
@end

/// Hands the page's string messages to `host` (not retained).
@interface TalvoBridgeHandler_TalvoOriel : NSObject <WKScriptMessageHandler>
@property(nonatomic, assign) talvo::BridgeHost* host;
@end

extern "C" {
/// A retained web view loading the page of `uiRoot`, with the host's bridge
/// sink installed and "editorOpened" reported; nil (with an editor error for
/// the host when there is one) on failure.
__attribute__((visibility("default"))) WKWebView* talvoCreateBridgedWebView(talvo::BridgeHost* host,
                                                                            NSString* uiRoot, CGRect frame);
/// Reports "editorClosed" and clears the sink, then takes the web view out of
/// its superview and releases both of its references.
__attribute__((visibility("default"))) void talvoDetachBridgedWebView(WKWebView* webView,
                                                                      talvo::BridgeHost* host);
}
