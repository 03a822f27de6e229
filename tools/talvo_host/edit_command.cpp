// talvo-host edit: the plug-in's own editor in a window of ours, as a Linux
// host shows it, without a DAW. The plug-in plays in real time on an audio
// thread of its own (a test tone, or a file looped; the output is discarded),
// its view embeds into a plain X11 top-level window by the window's id, and
// one run loop on the main thread serves the window's events, the view's
// descriptors and timers, and the signals that end the session. Closing the
// window, Ctrl-C or SIGTERM ends it cleanly.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <utility>

#include "base/source/fobject.h"
#include "hosting/loaded_plugin.h"
#include "hosting/plug_frame.h"
#include "hosting/realtime_player.h"
#include "hosting/run_loop.h"
#include "hosting/x11_window.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "talvo_host/command_line.h"
#include "talvo_host/commands.h"
#include "talvo_host/loop_signal.h"
#include "talvo_host/text.h"

using namespace Steinberg;

namespace talvo::host {
namespace {

// The size a view that names none gets, and the largest any window may take.
constexpr WindowSize kFallbackSize{720, 520};
constexpr int kLargestSide = 1 << 14;

// SIGINT and SIGTERM as a descriptor on the run loop. Blocked from here on in
// this thread and in every thread started after (the plug-in's and the audio
// thread), so they arrive only here, as data, on the main thread.
class StopSignals final : public HostOwned<Linux::IEventHandler> {
 public:
  StopSignals() {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
    fd_ = signalfd(-1, &signals_, SFD_NONBLOCK | SFD_CLOEXEC);
  }
  ~StopSignals() override {
    if (fd_ >= 0) close(fd_);
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  [[nodiscard]] int fd() const { return fd_; }
  [[nodiscard]] bool raised() const { return raised_; }

  void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override {
    signalfd_siginfo info;
    while (read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
      raised_ = true;
  }

 private:
  sigset_t signals_;
  sigset_t previous_;
  int fd_ = -1;
  bool raised_ = false;
};

WindowSize sizeOf(const ViewRect& rect) {
  return {rect.getWidth(), rect.getHeight()};
}

// One plug-in, its view and the window that holds it. Members are declared
// in the order they are needed, so they go in reverse: the audio first, the
// run loop last.
class EditSession {
 public:
  EditSession() = default;
  ~EditSession();
  EditSession(const EditSession&) = delete;
  EditSession& operator=(const EditSession&) = delete;

  /// Loads the plug-in, opens its view in a new window and starts the audio.
  [[nodiscard]] bool open(const std::string& bundle, LoopSignal signal, std::string& error);
  /// Runs the loop until the window is closed or `stop` is raised.
  void run(StopSignals& stop);
  [[nodiscard]] unsigned long windowId() const { return window_.id(); }

 private:
  [[nodiscard]] bool openView(const std::string& bundle, std::string& error);
  void fitViewToWindow(WindowSize size);

  RunLoop loop_;
  LoadedPlugin plugin_;
  X11Window window_;
  PlugFrame frame_{loop_, [this](const ViewRect& rect) { window_.resize(sizeOf(rect)); }};
  IPtr<IPlugView> view_;
  bool attached_ = false;
  bool watching_ = false;
  RealtimePlayer player_;
  bool closing_ = false;
};

EditSession::~EditSession() {
  // The view goes while its window still exists, and the window's handler
  // leaves the loop before the window goes.
  if (attached_) (void)view_->removed();
  if (view_) (void)view_->setFrame(nullptr);
  if (watching_) (void)loop_.unregisterEventHandler(&window_);
  player_.stop();
  view_ = nullptr;
}

bool EditSession::open(const std::string& bundle, LoopSignal signal, std::string& error) {
  if (!loadPlugin(bundle, plugin_, error, &loop_) || !openView(bundle, error)) return false;
  if (!player_.start(*plugin_.instance, std::move(signal.samples), signal.channels, signal.sampleRate,
                     kLoopBlockFrames, error)) {
    return false;
  }
  if (view_->attached(reinterpret_cast<void*>(window_.id()), kPlatformTypeX11EmbedWindowID) != kResultOk) {
    error = bundle + ": its editor could not be shown in the window";
    return false;
  }
  attached_ = true;
  return true;
}

bool EditSession::openView(const std::string& bundle, std::string& error) {
  Vst::IEditController* controller = plugin_.instance->controller();
  if (controller != nullptr) view_ = owned(controller->createView(Vst::ViewType::kEditor));
  if (!view_) {
    error = bundle + " offers no editor";
    return false;
  }
  if (view_->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) != kResultTrue) {
    error = bundle + ": its editor cannot be embedded into an X11 window";
    return false;
  }
  ViewRect rect;
  WindowSize size = view_->getSize(&rect) == kResultOk ? sizeOf(rect) : kFallbackSize;
  if (size.width <= 0 || size.height <= 0) size = kFallbackSize;
  const ClassRecord* effect = findClass(plugin_.factory, kVstAudioEffectClass);
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
  if (loop_.registerEventHandler(&window_, window_.fd()) != kResultOk) {
    error = "cannot watch the X display";
    return false;
  }
  watching_ = true;
  (void)view_->setFrame(&frame_);
  return true;
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

void EditSession::run(StopSignals& stop) {
  if (loop_.registerEventHandler(&stop, stop.fd()) != kResultOk) return;
  while (!closing_ && !stop.raised()) {
    window_.dispatchEvents();
    loop_.runOnce(std::chrono::milliseconds(250));
  }
  (void)loop_.unregisterEventHandler(&stop);
}

}  // namespace

int runEdit(int argc, char** argv) {
  CommandLine args;
  std::string error;
  if (!args.parse(argc, argv, {"--in"}, {}, error) || args.positional().size() != 1) {
    reportFailure(error.empty() ? "edit needs exactly one bundle" : error);
    return 2;
  }
  const std::string& bundle = args.positional()[0];
  LoopSignal signal;
  if (!loadLoopSignal(args.value("--in"), signal, error)) {
    reportFailure(error);
    return 1;
  }
  StopSignals stop;  // before any thread starts
  if (stop.fd() < 0) {
    reportFailure("cannot watch for Ctrl-C");
    return 1;
  }
  EditSession session;
  if (!session.open(bundle, std::move(signal), error)) {
    reportFailure(error);
    return 1;
  }
  std::printf("editing %s in X11 window 0x%lx; close the window or press Ctrl-C to end\n", bundle.c_str(),
              session.windowId());
  std::fflush(stdout);
  session.run(stop);
  return 0;
}

}  // namespace talvo::host
