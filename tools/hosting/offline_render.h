#pragma once
// Renders a signal through a started plug-in instance block by block, with
// fixed settings and grid automation, streaming from a source to a sink so
// that no file is ever held in memory whole.
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
  std::int64_t tailFrames = 0;         // rendered past the input's end, fed silence
  bool mixDown = false;                // average a wider input into the plug-in's input channels
  std::vector<ParamSetting> settings;  // sent at frame 0
  std::vector<AutomationLane> lanes;
};

/// Level and sanity of a signal; non-finite samples are counted, not measured.
struct SignalStats {
  double peak = 0.0;
  double sumSquares = 0.0;
  std::int64_t samples = 0;  // finite ones
  std::int64_t nonFinite = 0;
  void add(const float* data, std::size_t count);
  [[nodiscard]] double rms() const;
};

struct RenderReport {
  std::int64_t inputFrames = 0;
  std::int64_t outputFrames = 0;
  std::int32_t inputChannels = 0;   // of the signal
  std::int32_t outputChannels = 0;  // of the plug-in's output bus, and of the result
  std::int64_t latency = 0;
  std::string channelNote;  // how the input's channels reached the plug-in, when not one to one
  SignalStats in;
  SignalStats out;
  double seconds = 0.0;  // wall-clock time spent rendering
};

/// Interleaved input frames, read in order.
class AudioSource {
 public:
  virtual ~AudioSource() = default;
  [[nodiscard]] virtual std::int32_t channels() const = 0;
  [[nodiscard]] virtual std::int64_t frames() const = 0;
  /// The next `frames` frames into `out`; false with a reason.
  [[nodiscard]] virtual bool read(float* out, std::int32_t frames, std::string& error) = 0;
};

/// Interleaved output frames, written in order once the channel count is known.
class AudioSink {
 public:
  virtual ~AudioSink() = default;
  [[nodiscard]] virtual bool open(std::int32_t channels, std::string& error) = 0;
  [[nodiscard]] virtual bool write(const float* frames, std::int32_t count, std::string& error) = 0;
};

/// Called after each block with frames rendered so far and the total.
using RenderProgress = std::function<void(std::int64_t done, std::int64_t total)>;

/// Renders `source` through `instance`, which must have been started in
/// offline mode at `sampleRate` with blocks of at least
/// `settings.blockFrames`, into `sink`, which is opened with the plug-in's
/// output channel count. The channels reach the plug-in as
/// planInputChannels and spreadInputChannels say.
[[nodiscard]] bool renderStream(PluginInstance& instance, AudioSource& source, double sampleRate,
                                const RenderSettings& settings, AudioSink& sink, RenderReport& report,
                                const RenderProgress& progress, std::string& error);

/// How many parameters one block's changes must hold: every parameter the
/// controller publishes (at most 1024) and the `hostParameters` the host sends itself.
[[nodiscard]] std::int32_t blockParameterCapacity(PluginInstance& instance, std::int32_t hostParameters = 0);

/// Starts `instance` for an offline render. When the plug-in refuses the
/// block size, `error` says the largest it accepts at that rate.
[[nodiscard]] bool startOffline(PluginInstance& instance, double sampleRate, std::int32_t blockFrames,
                                std::string& error);

}  // namespace talvo::host
