#pragma once
// Where the editor's page lives: the directory Contents/Resources/ui of the
// bundle that holds the plug-in's binary (Contents/<platform>/<binary>), found
// through the dynamic loader from an address inside the binary.
#include <string>

#include "editor/bridge_host.h"

extern "C" {
/// The plug-in's UI directory, or "". Any thread; the text lives in a
/// per-thread string that the next call on the same thread replaces.
const char* talvoPluginUiRootForDiagnostics();
}

namespace talvo {

/// The absolute, normalized UI directory of the binary image that contains
/// `address`; "" when there is no address, no image, or no such directory.
[[nodiscard]] std::string talvoUiRootForImageAddress(const void* address);
/// The same for the plug-in's own image.
[[nodiscard]] std::string pluginUiRoot();
/// The UI directory for a binary at `imageFile`: two components up, then
/// Resources/ui; "" unless that is an existing directory.
[[nodiscard]] std::string uiRootForImageFile(const std::string& imageFile);

/// The UI directory an editor is made with: `uiRoot` when given, else the
/// plug-in's own. "" when there is none or no `host` (controller): then the
/// line "no UI bundle found" goes to standard error and a host hears the
/// editor error "no ui bundle in plugin".
[[nodiscard]] std::string editorUiRoot(BridgeHost* host, const char* uiRoot);

}  // namespace talvo
