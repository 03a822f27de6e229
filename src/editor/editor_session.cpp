#include "editor/editor_session.h"

#include <utility>

#include "editor/page_bridge.h"

namespace talvo {

void EditorSession::open(std::function<void(const std::string& script)> evaluate) {
  if (host_ == nullptr || open_) return;
  open_ = true;
  host_->setBridgeSink(makeBridgeSink(std::move(evaluate)));
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

void EditorSession::tick() {
  if (host_ != nullptr && open_) host_->onEditorTick();
}

}  // namespace talvo
