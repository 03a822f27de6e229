// talvo-host bridge: the editor page's protocol from a shell. The plug-in runs
// connected and playing in real time (a test signal, or a file looped) while
// page messages, one JSON object per line on standard input, go to its
// controller through the exported bridge functions; every message the
// controller sends the page comes out on standard output, one per line. The
// run loop drives the controller's cadence clock; the end of input ends it.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "hosting/loaded_plugin.h"
#include "hosting/realtime_player.h"
#include "hosting/run_loop.h"
#include "talvo_host/command_line.h"
#include "talvo_host/commands.h"
#include "talvo_host/loop_signal.h"
#include "talvo_host/text.h"

namespace talvo::host {

namespace {

using BridgeVersionFn = int (*)();
using InstallSinkFn = int (*)(Steinberg::FUnknown*, void (*)(void*, const char*, std::size_t), void*);
using DeliverFn = int (*)(Steinberg::FUnknown*, const char*, std::size_t);

constexpr int kBridgeVersion = 2;
// Hands each complete line of a descriptor to `onLine`, without its line
// break; blank lines are skipped. At the end of input a last unterminated
// line still counts.
class LineReader final : public HostOwned<Steinberg::Linux::IEventHandler> {
 public:
  explicit LineReader(std::function<void(std::string_view)> onLine) : onLine_(std::move(onLine)) {}

  void PLUGIN_API onFDIsSet(Steinberg::Linux::FileDescriptor fd) override {
    char chunk[4096];
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (got <= 0) {
      emit(pending_);
      pending_.clear();
      ended_ = true;
      return;
    }
    pending_.append(chunk, static_cast<std::size_t>(got));
    std::size_t start = 0;
    for (std::size_t end; (end = pending_.find('\n', start)) != std::string::npos; start = end + 1)
      emit(std::string_view(pending_).substr(start, end - start));
    pending_.erase(0, start);
  }

  [[nodiscard]] bool ended() const { return ended_; }

 private:
  void emit(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") != std::string_view::npos) onLine_(line);
  }

  std::function<void(std::string_view)> onLine_;
  std::string pending_;
  bool ended_ = false;
};

void printLine(void* /*context*/, const char* json, std::size_t length) {
  std::fwrite(json, 1, length, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

int runBridge(int argc, char** argv) {
  CommandLine args;
  std::string error;
  if (!args.parse(argc, argv, {"--in"}, {}, error) || args.positional().size() != 1) {
    reportFailure(error.empty() ? "bridge needs exactly one bundle" : error);
    return 2;
  }
  LoopSignal signal;
  if (!loadLoopSignal(args.value("--in"), signal, error)) {
    reportFailure(error);
    return 1;
  }

  RunLoop loop;  // outlives the plug-in, whose clock runs on it
  LoadedPlugin plugin;
  if (!loadPlugin(args.positional()[0], plugin, error, &loop)) {
    reportFailure(error);
    return 1;
  }
  Steinberg::Vst::IEditController* controller = plugin.instance->controller();
  auto version = reinterpret_cast<BridgeVersionFn>(plugin.module->symbol("talvoDiagnosticBridgeAbiVersion"));
  auto install = reinterpret_cast<InstallSinkFn>(plugin.module->symbol("talvoInstallDiagnosticBridgeSink"));
  auto deliver = reinterpret_cast<DeliverFn>(plugin.module->symbol("talvoDeliverDiagnosticBridgeMessage"));
  if (controller == nullptr || version == nullptr || install == nullptr || deliver == nullptr ||
      version() != kBridgeVersion || install(controller, &printLine, nullptr) != 1) {
    reportFailure(args.positional()[0] + " offers no editor bridge (version 2) on an edit controller");
    return 1;
  }

  RealtimePlayer player;
  if (!player.start(*plugin.instance, std::move(signal.samples), signal.channels, signal.sampleRate,
                    kLoopBlockFrames, error)) {
    reportFailure(error);
    return 1;
  }
  LineReader input([&](std::string_view line) { (void)deliver(controller, line.data(), line.size()); });
  if (loop.registerEventHandler(&input, STDIN_FILENO) != Steinberg::kResultOk) {
    reportFailure("cannot watch standard input");
    return 1;
  }
  while (!input.ended())
    loop.runOnce(std::chrono::milliseconds(100));
  (void)loop.unregisterEventHandler(&input);
  player.stop();
  (void)install(controller, nullptr, nullptr);
  return 0;
}

}  // namespace talvo::host
