#include "editor/linux/webview_plug_view.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "editor/ui_bundle.h"

using namespace Steinberg;

namespace talvo {

// The editor's cadence timer, as on every platform: some hosts offer their run
// loop only to views, and then this is the only clock the page's feeds have.
constexpr Linux::TimerInterval kCadenceMilliseconds = kCadenceIntervalMilliseconds;

class WebViewPlugView::LoopHandler final : public FObject,
                                           public Linux::IEventHandler,
                                           public Linux::ITimerHandler {
 public:
  explicit LoopHandler(WebViewPlugView* view) : view_(view) {}
  void detach() { view_ = nullptr; }

  void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override {
    // A page message may lead the host to release the view before we return.
    const IPtr<WebViewPlugView> keep(view_);
    if (keep) keep->readChannel();
  }
  void PLUGIN_API onTimer() override {
    const IPtr<WebViewPlugView> keep(view_);
    if (keep) keep->session_.tick();
  }

  OBJ_METHODS(LoopHandler, FObject)
  DEFINE_INTERFACES
  DEF_INTERFACE(Linux::IEventHandler)
  DEF_INTERFACE(Linux::ITimerHandler)
  END_DEFINE_INTERFACES(FObject)
  REFCOUNT_METHODS(FObject)

 private:
  WebViewPlugView* view_;
};

WebViewPlugView::WebViewPlugView(FUnknown* controller, BridgeHost* host, std::string uiRoot,
                                 FUnknown* hostContext, std::string helperPath)
    : controller_(controller),
      hostContext_(hostContext),
      uiRoot_(std::move(uiRoot)),
      helperPath_(std::move(helperPath)),
      session_(host) {
  rect = ViewRect(0, 0, kDefaultEditorWidth, kDefaultEditorHeight);
}

WebViewPlugView::~WebViewPlugView() {
  endEditor(nullptr);
}

tresult PLUGIN_API WebViewPlugView::isPlatformTypeSupported(FIDString type) {
  return type != nullptr && std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0 ? kResultTrue
                                                                                  : kResultFalse;
}

tresult PLUGIN_API WebViewPlugView::attached(void* parent, FIDString type) {
  if (parent == nullptr || isPlatformTypeSupported(type) != kResultTrue) return kResultFalse;
  endEditor(nullptr);  // a host that attaches twice gets one editor
  IPtr<Linux::IRunLoop> loop = FUnknownPtr<Linux::IRunLoop>(plugFrame);
  if (!loop) loop = FUnknownPtr<Linux::IRunLoop>(hostContext_);
  if (!loop) {
    session_.reportError("host offers no run loop");
    return kResultFalse;
  }
  const EditorLaunch launch{helperPath_, static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(parent)),
                            static_cast<std::uint32_t>(rect.getWidth()),
                            static_cast<std::uint32_t>(rect.getHeight()), uiRoot_};
  if (!process_.start(launch)) {
    session_.reportError("editor process could not be started");
    return kResultFalse;
  }
  handler_ = owned(new LoopHandler(this));
  if (loop->registerEventHandler(handler_, process_.fd()) != kResultOk) {
    handler_->detach();
    handler_ = nullptr;
    process_.stop();
    session_.reportError("host run loop refused the editor");
    return kResultFalse;
  }
  runLoop_ = loop;
  // A loop without timers leaves the cadence to the controller's own clock.
  timerRegistered_ = loop->registerTimer(handler_, kCadenceMilliseconds) == kResultOk;
  session_.open([this](const std::string& script) { sendFrame(EditorFrame::Script, script); });
  return CPluginView::attached(parent, type);
}

tresult PLUGIN_API WebViewPlugView::removed() {
  endEditor(nullptr);
  return CPluginView::removed();
}

tresult PLUGIN_API WebViewPlugView::onSize(ViewRect* newSize) {
  if (newSize == nullptr) return kResultFalse;
  constrainEditorRect(*newSize);
  const tresult result = CPluginView::onSize(newSize);
  sendFrame(EditorFrame::Size, editorSizePayload(static_cast<std::uint32_t>(newSize->getWidth()),
                                                 static_cast<std::uint32_t>(newSize->getHeight())));
  return result;
}

tresult PLUGIN_API WebViewPlugView::checkSizeConstraint(ViewRect* candidate) {
  if (candidate == nullptr) return kInvalidArgument;
  constrainEditorRect(*candidate);
  return kResultOk;
}

void WebViewPlugView::sendFrame(EditorFrame type, std::string_view payload) {
  if (!process_.running() || channelBroken_) return;
  if (!process_.send(type, payload)) {
    // Often called from inside the controller's sink: ending the editor here
    // would replace that sink while it runs. The run loop finishes the job.
    channelBroken_ = true;
    process_.abandon();
  }
}

void WebViewPlugView::readChannel() {
  const bool open = process_.receive(reader_);
  EditorFrame type{};
  std::string payload;
  for (;;) {
    const EditorFrameReader::Next next = reader_.next(type, payload);
    if (next == EditorFrameReader::Next::NeedMore) break;
    if (next == EditorFrameReader::Next::Broken) {
      endEditor("editor process sent a broken frame");
      return;
    }
    if (type == EditorFrame::Message) session_.receive(payload);
    if (type == EditorFrame::Error) session_.reportError(payload.c_str());
    if (!process_.running()) return;  // the host removed the view meanwhile
  }
  if (!open) endEditor("editor process ended");
}

void WebViewPlugView::endEditor(const char* failure) {
  if (handler_) {
    if (runLoop_ && timerRegistered_) runLoop_->unregisterTimer(handler_);
    if (runLoop_) runLoop_->unregisterEventHandler(handler_);
    timerRegistered_ = false;
    handler_->detach();
    handler_ = nullptr;
  }
  runLoop_ = nullptr;
  if (failure != nullptr) {
    session_.fail(failure);
  } else {
    session_.close();
  }
  process_.stop();
  reader_ = EditorFrameReader();
  channelBroken_ = false;
}

IPlugView* createWebViewEditor(FUnknown* controller, BridgeHost* host, const char* uiRoot,
                               FUnknown* hostContext) {
  const std::string root = editorUiRoot(controller != nullptr ? host : nullptr, uiRoot);
  if (root.empty()) return nullptr;
  return new WebViewPlugView(controller, host, root, hostContext);
}

}  // namespace talvo
