#pragma once
// The page's half of the script bridge: the script every page gets at document
// start, and the call that hands one outbound message to it.
#include <functional>
#include <string>
#include <string_view>

namespace talvo {

/// Injected at document start into the main frame only. Gives the page
/// window.talvoHost with postMessage (to the native handler "talvo"),
/// onMessage (handlers in registration order) and _deliver (one throwing
/// handler does not stop the others); does nothing when already present.
extern const char kPageScript[];
/// The name of the native script message handler.
inline constexpr char kBridgeHandlerName[] = "talvo";

/// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates,
/// nothing above U+10FFFF).
[[nodiscard]] bool isValidUtf8(std::string_view text);

/// Wraps one outbound JSON object in the page's _deliver call. A text that is
/// not valid UTF-8 cannot reach the page: false, `script` untouched.
[[nodiscard]] bool makeDeliverScript(std::string_view json, std::string& script);

/// A bridge sink that hands each outbound JSON text, as its _deliver call, to
/// `evaluate`; texts that are not valid UTF-8 are dropped.
[[nodiscard]] std::function<void(const std::string&)> makeBridgeSink(
    std::function<void(const std::string& script)> evaluate);

}  // namespace talvo
