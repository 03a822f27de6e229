#include "vst3/audio_effect.h"

namespace talvo {

using namespace Steinberg;
using namespace Steinberg::Vst;

AudioEffect::AudioEffect() {
  processSetup.processMode = kRealtime;
  processSetup.symbolicSampleSize = kSample32;
  processSetup.maxSamplesPerBlock = 1024;
  processSetup.sampleRate = 44100.0;
}

namespace {

// The bus list holds the one reference.
template <typename BusT, typename... Args>
BusT* appendBus(BusList& list, Args... args) {
  auto* bus = new BusT(args...);
  list.push_back(IPtr<Bus>(bus, false));
  return bus;
}

AudioBus* busAt(BusList& list, int32 index) {
  if (index < 0 || index >= static_cast<int32>(list.size())) return nullptr;
  return FCast<AudioBus>(list.at(static_cast<size_t>(index)).get());
}

}  // namespace

AudioBus* AudioEffect::addAudioInput(const TChar* name, SpeakerArrangement arr, BusType type, int32 flags) {
  return appendBus<AudioBus>(audioInputs, name, type, flags, arr);
}

AudioBus* AudioEffect::addAudioOutput(const TChar* name, SpeakerArrangement arr, BusType type, int32 flags) {
  return appendBus<AudioBus>(audioOutputs, name, type, flags, arr);
}

EventBus* AudioEffect::addEventInput(const TChar* name, int32 channels, BusType type, int32 flags) {
  return appendBus<EventBus>(eventInputs, name, type, flags, channels);
}

EventBus* AudioEffect::addEventOutput(const TChar* name, int32 channels, BusType type, int32 flags) {
  return appendBus<EventBus>(eventOutputs, name, type, flags, channels);
}

AudioBus* AudioEffect::audioInput(int32 index) {
  return busAt(audioInputs, index);
}
AudioBus* AudioEffect::audioOutput(int32 index) {
  return busAt(audioOutputs, index);
}

tresult PLUGIN_API AudioEffect::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                   SpeakerArrangement* outputs, int32 numOuts) {
  if (numIns < 0 || numOuts < 0) return kInvalidArgument;
  if (numIns != static_cast<int32>(audioInputs.size()) || numOuts != static_cast<int32>(audioOutputs.size()))
    return kResultFalse;
  if ((numIns > 0 && inputs == nullptr) || (numOuts > 0 && outputs == nullptr)) return kInvalidArgument;
  for (int32 i = 0; i < numIns; ++i) {
    AudioBus* bus = audioInput(i);
    if (bus == nullptr) return kResultFalse;
    bus->setArrangement(inputs[i]);
  }
  for (int32 i = 0; i < numOuts; ++i) {
    AudioBus* bus = audioOutput(i);
    if (bus == nullptr) return kResultFalse;
    bus->setArrangement(outputs[i]);
  }
  return kResultTrue;
}

tresult PLUGIN_API AudioEffect::getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) {
  AudioBus* bus = dir == kInput ? audioInput(index) : audioOutput(index);
  if (bus == nullptr) return kInvalidArgument;
  arr = bus->getArrangement();
  return kResultTrue;
}

tresult PLUGIN_API AudioEffect::canProcessSampleSize(int32 symbolicSampleSize) {
  return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

uint32 PLUGIN_API AudioEffect::getLatencySamples() {
  return 0;
}

tresult PLUGIN_API AudioEffect::setupProcessing(ProcessSetup& setup) {
  if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue) return kResultFalse;
  processSetup = setup;
  return kResultOk;
}

tresult PLUGIN_API AudioEffect::setProcessing(TBool /*state*/) {
  return kNotImplemented;
}

tresult PLUGIN_API AudioEffect::process(ProcessData& /*data*/) {
  return kNotImplemented;
}

uint32 PLUGIN_API AudioEffect::getTailSamples() {
  return kNoTail;
}

uint32 PLUGIN_API AudioEffect::getProcessContextRequirements() {
  return 0;
}

}  // namespace talvo
