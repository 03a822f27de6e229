#pragma once
// Plays a signal through a started plug-in instance on an audio thread of its
// own, in real time, block by block, looping the signal until stopped, as a
// host's audio device would. The controller's performed edits reach the
// processor in the next block. The output is discarded.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hosting/param_changes.h"
#include "hosting/plugin_instance.h"
#include "hosting/process_buffers.h"

namespace talvo::host {

/// Main thread, except what the audio thread does inside.
class RealtimePlayer {
 public:
  RealtimePlayer() = default;
  ~RealtimePlayer() { stop(); }
  RealtimePlayer(const RealtimePlayer&) = delete;
  RealtimePlayer& operator=(const RealtimePlayer&) = delete;

  /// Starts `instance` (realtime mode) at `sampleRate` and the audio thread;
  /// `signal` is interleaved, `channels` wide (mixed down to a narrower input
  /// bus), and not empty. False with a reason when the plug-in refuses to
  /// start. `instance` must outlive the player.
  [[nodiscard]] bool start(PluginInstance& instance, std::vector<float> signal, std::int32_t channels,
                           double sampleRate, std::int32_t blockFrames, std::string& error);
  /// Ends the audio thread, then stops the instance; harmless when not started.
  void stop();

  /// Blocks processed so far, and how many of them the processor refused.
  [[nodiscard]] std::int64_t blocks() const { return blocks_.load(std::memory_order_relaxed); }
  [[nodiscard]] std::int64_t failedBlocks() const { return failed_.load(std::memory_order_relaxed); }

 private:
  void run() noexcept;

  PluginInstance* instance_ = nullptr;
  std::vector<float> signal_;
  std::int32_t channels_ = 0;
  double sampleRate_ = 0.0;
  std::int32_t blockFrames_ = 0;
  std::unique_ptr<ProcessBuffers> buffers_;
  std::vector<float> block_;    // one block of the signal, interleaved
  std::vector<float*> inputs_;  // the input bus's channels in buffers_
  std::unique_ptr<ParameterChanges> changes_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::atomic<std::int64_t> blocks_{0};
  std::atomic<std::int64_t> failed_{0};
};

/// A quiet test signal: one second of a 220 Hz sine at -12 dBFS in stereo.
[[nodiscard]] std::vector<float> testSignal(double sampleRate);

}  // namespace talvo::host
