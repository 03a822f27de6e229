#pragma once
// Buffers for every audio bus of a plug-in, in either sample size, and the
// process calls a check makes over them: noise in, outputs checked for
// non-finite samples, and kept when a check compares them.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hosting/param_changes.h"
#include "hosting/plugin_instance.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"

namespace talvo::validate {

class ProcessRig {
 public:
  /// Buffers for every audio bus `component` describes, for blocks of up to
  /// `maxFrames` frames of `sampleSize`; false with a reason.
  [[nodiscard]] bool setup(Steinberg::Vst::IComponent& component, std::int32_t maxFrames,
                           std::int32_t sampleSize, std::string& error,
                           std::int32_t processMode = Steinberg::Vst::kRealtime);

  /// Noise in every input channel, the same sequence for every rig; or
  /// silence, flagged as such.
  void fillInputs(std::int32_t frames, bool silent = false);
  /// One process call; false with a reason when the plug-in refuses it or
  /// writes a non-finite sample.
  [[nodiscard]] bool run(Steinberg::Vst::IAudioProcessor& processor, std::int32_t frames,
                         Steinberg::Vst::IParameterChanges* changes, std::string& error);

  [[nodiscard]] Steinberg::Vst::ProcessData& data() { return data_; }
  [[nodiscard]] std::size_t outputBuses() const { return outputs_.size(); }
  [[nodiscard]] std::int32_t outputChannels(std::size_t bus) const { return outputs_[bus].channels; }
  [[nodiscard]] double output(std::size_t bus, std::int32_t channel, std::int32_t frame) const;
  /// The last block's outputs, every channel of every bus, appended to `out`.
  void appendOutputs(std::int32_t frames, std::vector<double>& out) const;

 private:
  struct Bus {
    std::int32_t channels = 0;
    std::vector<std::vector<float>> samples32;
    std::vector<std::vector<double>> samples64;
    std::vector<float*> pointers32;
    std::vector<double*> pointers64;
  };
  bool addBuses(Steinberg::Vst::IComponent& component, Steinberg::Vst::BusDirection direction,
                std::vector<Bus>& buses, std::string& error);
  void point(std::vector<Bus>& buses, std::vector<Steinberg::Vst::AudioBusBuffers>& out);

  std::int32_t maxFrames_ = 0;
  std::int32_t sampleSize_ = Steinberg::Vst::kSample32;
  std::int32_t processMode_ = Steinberg::Vst::kRealtime;
  std::uint32_t noise_ = 12345;
  std::vector<Bus> inputs_, outputs_;
  std::vector<Steinberg::Vst::AudioBusBuffers> inputBuses_, outputBuses_;
  Steinberg::Vst::ProcessData data_{};
};

/// How a render cuts its blocks and what parameter points each carries.
struct RenderPlan {
  double sampleRate = 48000.0;
  std::int32_t maxFrames = 512;
  std::int32_t blocks = 8;
  std::int32_t sampleSize = Steinberg::Vst::kSample32;
  std::int32_t processMode = Steinberg::Vst::kRealtime;
  /// Frames of block `index`, at most maxFrames; every block is full without it.
  std::function<std::int32_t(std::int32_t index)> frames;
  /// Adds the points of block `index` of `frames` frames.
  std::function<void(std::int32_t index, std::int32_t frames, host::ParameterChanges& changes)> automate;
};

/// Whether `instance` can be started at the plan's rate, block size, mode
/// and sample size; it is left stopped.
[[nodiscard]] bool accepts(host::PluginInstance& instance, const RenderPlan& plan);

/// Starts `instance` as `plan` says, renders noise through it, keeps the
/// outputs in `capture` when given and stops it; false with a reason.
[[nodiscard]] bool renderNoise(host::PluginInstance& instance, const RenderPlan& plan,
                               std::vector<double>* capture, std::string& error);

}  // namespace talvo::validate
