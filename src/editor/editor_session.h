#pragma once
// What the controller hears of one editor view: the view opens a session when
// its web view (or editor process) exists and closes it when that goes away.
// Closing happens once per opening, whichever of removal, destruction or a
// failure comes first, so the controller never hears "editorClosed" twice and
// a later editor's sink is never cleared by an earlier one's teardown.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "editor/bridge_host.h"

namespace talvo {

/// The size a new view asks for.
inline constexpr std::int32_t kDefaultEditorWidth = 720;
inline constexpr std::int32_t kDefaultEditorHeight = 520;

/// Keeps left and top; clamps the width to 360..1300 and the height to
/// 320..900. `Rect` has int32 members left, top, right and bottom.
template <typename Rect>
void constrainEditorRect(Rect& rect) {
  const std::int64_t width = std::clamp<std::int64_t>(std::int64_t{rect.right} - rect.left, 360, 1300);
  const std::int64_t height = std::clamp<std::int64_t>(std::int64_t{rect.bottom} - rect.top, 320, 900);
  rect.right = static_cast<std::int32_t>(rect.left + width);
  rect.bottom = static_cast<std::int32_t>(rect.top + height);
}

/// Main thread only.
class EditorSession {
 public:
  /// `host` may be null (then nothing is reported); it must outlive the session.
  explicit EditorSession(BridgeHost* host) : host_(host) {}
  ~EditorSession() { close(); }
  EditorSession(const EditorSession&) = delete;
  EditorSession& operator=(const EditorSession&) = delete;

  /// A web view now exists and runs scripts through `evaluate`: installs the
  /// host's bridge sink (each outbound JSON text becomes a _deliver call;
  /// texts that are not valid UTF-8 are dropped) and reports the editor open.
  void open(std::function<void(const std::string& script)> evaluate);
  /// Reports the editor closed, then clears the sink; nothing unless open.
  void close();
  /// Reports an editor error without closing.
  void reportError(const char* reason);
  /// The web view is gone on its own: reports `reason`, then closes.
  void fail(const char* reason);
  /// Hands one page message to the host; dropped unless open.
  void receive(std::string_view json);
  /// One tick of the editor's cadence timer; nothing unless open.
  void tick();

  [[nodiscard]] bool isOpen() const { return open_; }

 private:
  BridgeHost* host_;
  bool open_ = false;
};

}  // namespace talvo
