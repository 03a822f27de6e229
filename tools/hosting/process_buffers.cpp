#include "hosting/process_buffers.h"

namespace talvo::host {

ProcessBuffers::ProcessBuffers(std::int32_t inputChannels, std::int32_t outputChannels,
                               std::int32_t maxFrames)
    : inputs_(static_cast<std::size_t>(inputChannels > 0 ? inputChannels : 0),
              std::vector<float>(static_cast<std::size_t>(maxFrames > 0 ? maxFrames : 1), 0.0f)),
      outputs_(static_cast<std::size_t>(outputChannels > 0 ? outputChannels : 0),
               std::vector<float>(static_cast<std::size_t>(maxFrames > 0 ? maxFrames : 1), 0.0f)),
      maxFrames_(maxFrames) {
  for (auto& channel : inputs_)
    inputPointers_.push_back(channel.data());
  for (auto& channel : outputs_)
    outputPointers_.push_back(channel.data());
}

Steinberg::Vst::ProcessData& ProcessBuffers::prepare(std::int32_t frames,
                                                     Steinberg::Vst::IParameterChanges* changes,
                                                     Steinberg::Vst::IEventList* events,
                                                     std::int32_t processMode) {
  inputBus_.numChannels = inputChannels();
  inputBus_.silenceFlags = 0;
  inputBus_.channelBuffers32 = inputPointers_.empty() ? nullptr : inputPointers_.data();
  outputBus_.numChannels = outputChannels();
  outputBus_.silenceFlags = 0;
  outputBus_.channelBuffers32 = outputPointers_.empty() ? nullptr : outputPointers_.data();

  data_ = Steinberg::Vst::ProcessData{};
  data_.processMode = processMode;
  data_.symbolicSampleSize = Steinberg::Vst::kSample32;
  data_.numSamples = frames;
  data_.numInputs = inputs_.empty() ? 0 : 1;
  data_.inputs = inputs_.empty() ? nullptr : &inputBus_;
  data_.numOutputs = outputs_.empty() ? 0 : 1;
  data_.outputs = outputs_.empty() ? nullptr : &outputBus_;
  data_.inputParameterChanges = changes;
  data_.inputEvents = events;
  return data_;
}

}  // namespace talvo::host
