#pragma once
// Channel buffers for one main input bus and one main output bus, sized
// once, and the ProcessData that points at them for each block.
#include <cstdint>
#include <vector>

#include "pluginterfaces/vst/ivstaudioprocessor.h"

namespace talvo::host {

class ProcessBuffers {
 public:
  ProcessBuffers(std::int32_t inputChannels, std::int32_t outputChannels, std::int32_t maxFrames);

  [[nodiscard]] float* input(std::int32_t channel) {
    return inputs_[static_cast<std::size_t>(channel)].data();
  }
  [[nodiscard]] float* output(std::int32_t channel) {
    return outputs_[static_cast<std::size_t>(channel)].data();
  }
  [[nodiscard]] std::int32_t inputChannels() const { return static_cast<std::int32_t>(inputs_.size()); }
  [[nodiscard]] std::int32_t outputChannels() const { return static_cast<std::int32_t>(outputs_.size()); }
  [[nodiscard]] std::int32_t maxFrames() const { return maxFrames_; }

  /// A 32-bit process call of `frames` frames over these buffers; the
  /// output silence flags start cleared. Allocates nothing.
  Steinberg::Vst::ProcessData& prepare(std::int32_t frames, Steinberg::Vst::IParameterChanges* changes,
                                       Steinberg::Vst::IEventList* events, std::int32_t processMode);
  [[nodiscard]] Steinberg::Vst::AudioBusBuffers& outputBus() { return outputBus_; }

 private:
  std::vector<std::vector<float>> inputs_;
  std::vector<std::vector<float>> outputs_;
  std::vector<float*> inputPointers_;
  std::vector<float*> outputPointers_;
  std::int32_t maxFrames_;
  Steinberg::Vst::AudioBusBuffers inputBus_{};
  Steinberg::Vst::AudioBusBuffers outputBus_{};
  Steinberg::Vst::ProcessData data_{};
};

}  // namespace talvo::host
