// talvo-host edit: the plug-in's own editor in a window of ours, as a Linux
// host shows it, without a DAW. The plug-in plays in real time on an audio
// thread of its own (a test tone, or a file looped; the output is discarded),
// its view embeds into a plain X11 top-level window by the window's id, and
// one run loop on the main thread serves the window's events, the view's
// descriptors and timers, and the signals that end the session. Closing the
// window, Ctrl-C or SIGTERM ends it cleanly.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "hosting/plug_frame.h"
#include "hosting/x11_window.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "talvo_host/commands.h"
#include "talvo_host/descriptor_watch.h"
#include "talvo_host/live_plugin.h"
#include "talvo_host/text.h"

using namespace Steinberg;

namespace talvo::host {
namespace {

// The size a view that names none gets, and the largest any window may take.
constexpr WindowSize kFallbackSize{720, 520};
constexpr int kLargestSide = 1 << 14;

WindowSize sizeOf(const ViewRect& rect) {
  return {rect.getWidth(), rect.getHeight()};
}

// One plug-in, its view and the window that holds it. Members go in
// reverse order: the view before its window, the plug-in and its run loop last.
class EditSession {
 public:
  EditSession() = default;
  ~EditSession();
  EditSession(const EditSession&) = delete;
  EditSession& operator=(const EditSession&) = delete;

  /// Loads and plays the plug-in, and shows its view in a new window.
  [[nodiscard]] bool open(const std::string& bundle, const std::string& inPath, std::string& error);
  /// Runs the loop until the window is closed or a signal comes on `stopFd`.
  void run(int stopFd);
  [[nodiscard]] unsigned long windowId() const { return window_.id(); }

 private:
  [[nodiscard]] bool openWindow(const std::string& bundle, std::string& error);
  void fitViewToWindow(WindowSize size);

  LivePlugin live_;
  X11Window window_;
  PlugFrame frame_{live_.loop(), [this](const ViewRect& rect) { window_.resize(sizeOf(rect)); }};
  IPtr<IPlugView> view_;
  bool watching_ = false;
  bool attached_ = false;
  bool closing_ = false;
};

EditSession::~EditSession() {
  // The view goes while its window still exists, and the window's handler
  // leaves the loop before the window goes.
  if (attached_) (void)view_->removed();
  if (view_) (void)view_->setFrame(nullptr);
  if (watching_) (void)live_.loop().unregisterEventHandler(&window_);
  view_ = nullptr;
}

bool EditSession::open(const std::string& bundle, const std::string& inPath, std::string& error) {
  // No page sink of ours: the plug-in's editor is the page.
  if (!live_.open(bundle, inPath, nullptr, nullptr, error)) return false;
  Vst::IEditController* controller = live_.instance().controller();
  if (controller != nullptr) view_ = owned(controller->createView(Vst::ViewType::kEditor));
  if (!view_) {
    error = bundle + " offers no editor";
    return false;
  }
  if (view_->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) != kResultTrue) {
    error = bundle + ": its editor cannot be embedded into an X11 window";
    return false;
  }
  if (!openWindow(bundle, error)) return false;
  (void)view_->setFrame(&frame_);
  if (view_->attached(reinterpret_cast<void*>(window_.id()), kPlatformTypeX11EmbedWindowID) != kResultOk) {
    error = bundle + ": its editor could not be shown in the window";
    return false;
  }
  attached_ = true;
  return true;
}

bool EditSession::openWindow(const std::string& bundle, std::string& error) {
  ViewRect rect;
  WindowSize size = view_->getSize(&rect) == kResultOk ? sizeOf(rect) : kFallbackSize;
  if (size.width <= 0 || size.height <= 0) size = kFallbackSize;
  const ClassRecord* effect = findClass(live_.factory(), kVstAudioEffectClass);
  if (!window_.open((effect != nullptr ? effect->name : bundle) + " - talvo-host", size, error)) return false;

  // The window manager keeps the window within what the view can take.
  ViewRect smallest(0, 0, 1, 1);
  ViewRect largest(0, 0, kLargestSide, kLargestSide);
  if (view_->canResize() == kResultTrue && view_->checkSizeConstraint(&smallest) == kResultOk &&
      view_->checkSizeConstraint(&largest) == kResultOk) {
    window_.setSizeLimits(sizeOf(smallest), sizeOf(largest));
  } else {
    window_.setSizeLimits(size, size);
  }
  window_.onResized = [this](WindowSize newSize) { fitViewToWindow(newSize); };
  window_.onCloseRequested = [this] { closing_ = true; };
  watching_ = live_.loop().registerEventHandler(&window_, window_.fd()) == kResultOk;
  if (!watching_) error = "cannot watch the X display";
  return watching_;
}

void EditSession::fitViewToWindow(WindowSize size) {
  ViewRect rect(0, 0, size.width, size.height);
  const bool resizable = view_->canResize() == kResultTrue;
  if (resizable) {
    (void)view_->checkSizeConstraint(&rect);
  } else {
    (void)view_->getSize(&rect);
  }
  // Without a window manager nothing else holds the window to the view's limits.
  if (sizeOf(rect) != size) window_.resize(sizeOf(rect));
  if (resizable) (void)view_->onSize(&rect);
}

void EditSession::run(int stopFd) {
  bool stopping = false;
  DescriptorWatch stop([&] { stopping = true; });
  RunLoop& loop = live_.loop();
  if (loop.registerEventHandler(&stop, stopFd) != kResultOk) return;
  while (!closing_ && !stopping) {
    window_.dispatchEvents();
    loop.runOnce(std::chrono::milliseconds(250));
    printEdits(live_.instance().componentHandler());
  }
  (void)loop.unregisterEventHandler(&stop);
}

int runEdit(const std::string& bundle, const std::string& in) {
  const SignalDescriptor signals;  // before any thread starts
  if (signals.fd() < 0) {
    reportFailure("cannot take over SIGINT and SIGTERM");
    return 1;
  }
  std::string error;
  EditSession session;
  if (!session.open(bundle, in, error)) {
    reportFailure(error);
    return 1;
  }
  std::printf("editing %s in X11 window 0x%lx; close the window or press Ctrl-C to end\n", bundle.c_str(),
              session.windowId());
  std::fflush(stdout);
  session.run(signals.fd());
  return 0;
}

}  // namespace

Verb addEditVerb(CLI::App& app) {
  struct Options {
    std::string bundle, in;
  };
  auto options = std::make_shared<Options>();
  CLI::App* verb = app.add_subcommand("edit", "Shows the plug-in's own editor in a window while it plays.");
  verb->footer(
      "The plug-in plays in real time (IN.wav looped, or a test tone); its editor is shown in an X11 window "
      "(an X "
      "display is needed), sized within the editor's limits, and the controller's edits are printed. Closing "
      "the "
      "window or Ctrl-C ends it.");
  verb->add_option("BUNDLE", options->bundle, "the plug-in bundle (.vst3) or module file")->required();
  verb->add_option("--in", options->in, "an audio file to loop")->type_name("IN.wav");
  return {verb, [options] { return runEdit(options->bundle, options->in); }};
}

}  // namespace talvo::host
