#pragma once
// What talvo-host's live verbs (bridge, ui) share: the plug-in loaded with
// its processor and controller connected, playing in real time on an audio
// thread of its own, its controller's editor bridge at hand, and the host's
// run loop that drives the controller's cadence clock.
#include <cstddef>
#include <string>
#include <string_view>

#include "hosting/loaded_plugin.h"
#include "hosting/realtime_player.h"
#include "hosting/run_loop.h"

namespace talvo::host {

/// Main thread only.
class LivePlugin {
 public:
  /// Receives every message the controller sends its page, on the main thread.
  using PageSink = void (*)(void* context, const char* json, std::size_t length);

  LivePlugin() = default;
  ~LivePlugin();
  LivePlugin(const LivePlugin&) = delete;
  LivePlugin& operator=(const LivePlugin&) = delete;

  /// Loads `bundle`, installs `sink` as the controller's bridge sink (none:
  /// the page is left to the plug-in's own editor) and starts playing:
  /// `inPath` looped (its first minute, at its own rate) or, when empty, a
  /// quiet 220 Hz tone at 48 kHz. False with a reason.
  [[nodiscard]] bool open(const std::string& bundle, const std::string& inPath, PageSink sink, void* context,
                          std::string& error);

  /// Hands one page message (a JSON object) to the controller.
  void deliver(std::string_view json);
  /// Moves a parameter as a host's automation does: the controller hears it
  /// (and tells the page) and the processor gets it in its next block.
  void automate(unsigned id, double normalized);

  [[nodiscard]] RunLoop& loop() { return loop_; }
  [[nodiscard]] PluginInstance& instance() { return *plugin_.instance; }
  [[nodiscard]] const PluginModule& module() const { return *plugin_.module; }
  [[nodiscard]] const FactoryRecord& factory() const { return plugin_.factory; }

 private:
  [[nodiscard]] bool installSink(const std::string& bundle, PageSink sink, void* context, std::string& error);

  using InstallSinkFn = int (*)(Steinberg::FUnknown*, PageSink, void*);
  using DeliverFn = int (*)(Steinberg::FUnknown*, const char*, std::size_t);

  RunLoop loop_;  // first: outlives the plug-in, whose clock runs on it
  LoadedPlugin plugin_;
  RealtimePlayer player_;  // stops before the plug-in goes
  InstallSinkFn install_ = nullptr;
  DeliverFn deliver_ = nullptr;
};

/// Prints what a DAW would see of the controller's edits (the page's
/// gestures) since the last call, one line each, and forgets them.
void printEdits(ComponentHandler& handler);

}  // namespace talvo::host
