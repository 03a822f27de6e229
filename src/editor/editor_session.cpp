#include "editor/editor_session.h"

#include <algorithm>
#include <utility>

#include "editor/page_bridge.h"

namespace talvo {

void constrainEditorRect(EditorRect& rect) {
  const std::int64_t width = std::clamp<std::int64_t>(std::int64_t{rect.right} - rect.left, 360, 1300);
  const std::int64_t height = std::clamp<std::int64_t>(std::int64_t{rect.bottom} - rect.top, 320, 900);
  rect.right = static_cast<std::int32_t>(std::int64_t{rect.left} + width);
  rect.bottom = static_cast<std::int32_t>(std::int64_t{rect.top} + height);
}

void EditorSession::open(std::function<void(const std::string& script)> evaluate) {
  if (host_ == nullptr || open_) return;
  open_ = true;
  host_->setBridgeSink([evaluate = std::move(evaluate)](const std::string& json) {
    std::string script;
    if (makeDeliverScript(json, script)) evaluate(script);
  });
  host_->onEditorOpened();
}

void EditorSession::close() {
  if (host_ == nullptr || !open_) return;
  open_ = false;
  host_->onEditorClosed();
  host_->setBridgeSink({});
}

void EditorSession::reportError(const char* reason) {
  if (host_ != nullptr) host_->onEditorError(reason);
}

void EditorSession::fail(const char* reason) {
  reportError(reason);
  close();
}

void EditorSession::receive(std::string_view json) {
  if (host_ != nullptr && open_) host_->handleBridgeMessage(json.data(), json.size());
}

}  // namespace talvo
