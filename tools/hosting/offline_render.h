#pragma once
// Renders a whole interleaved signal through a started plug-in instance,
// block by block, with fixed settings and grid automation.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hosting/automation.h"
#include "hosting/plugin_instance.h"

namespace talvo::host {

struct RenderSettings {
  std::int32_t blockFrames = 512;
  std::int32_t gridFrames = 32;  // automation resolution, independent of the block size
  /// Drop the reported latency from the start of the output, so the output
  /// lines up with the input and has its length. Otherwise the output is the
  /// raw plug-in output, longer than the input by the latency so that the
  /// delayed end of the signal is kept.
  bool alignToInput = false;
  std::vector<ParamSetting> settings;  // sent at frame 0
  std::vector<AutomationLane> lanes;
};

struct SignalStats {
  double peak = 0.0;
  double sumSquares = 0.0;
  std::int64_t samples = 0;
  void add(const float* data, std::size_t count);
  [[nodiscard]] double rms() const;
};

struct RenderReport {
  std::int64_t inputFrames = 0;
  std::int64_t outputFrames = 0;
  std::int32_t inputChannels = 0;   // of the signal
  std::int32_t outputChannels = 0;  // of the plug-in's output bus, and of the result
  std::int32_t latency = 0;
  SignalStats in;
  SignalStats out;
  double seconds = 0.0;  // wall-clock time spent rendering
};

/// Called now and then with frames rendered so far and the total.
using RenderProgress = std::function<void(std::int64_t done, std::int64_t total)>;

/// Starts `instance` at `sampleRate` (offline mode), renders `input` (interleaved,
/// `channels` wide; a mono signal feeds every input channel, channels beyond the
/// bus are ignored) and stops it again. `output` is interleaved with the output
/// bus's channel count.
[[nodiscard]] bool renderInterleaved(PluginInstance& instance, const std::vector<float>& input,
                                     std::int32_t channels, double sampleRate, const RenderSettings& settings,
                                     std::vector<float>& output, RenderReport& report,
                                     const RenderProgress& progress, std::string& error);

/// How many parameters one block's changes must hold: every parameter the
/// controller publishes, and at least the plug-in's own table.
[[nodiscard]] std::int32_t blockParameterCapacity(PluginInstance& instance);

/// Channel count of the main audio bus in one direction, 0 when there is none.
[[nodiscard]] std::int32_t mainBusChannels(Steinberg::Vst::IComponent& component,
                                           Steinberg::Vst::BusDirection direction);

}  // namespace talvo::host
