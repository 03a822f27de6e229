// The audio callback: hands parameter points and notes to the engine with
// their sample offsets, lets it render, and marks silent output channels.
// Sample-accurate scheduling is the engine's; nothing here reorders or smooths.
#include "params/params.h"
#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "processor/talvo_processor.h"

namespace talvo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr int32 kMaxSilenceFlagChannels = 63;

bool channelIsSilent(const Sample32* channel, int32 frames) noexcept {
  if (channel == nullptr) return true;
  for (int32 i = 0; i < frames; ++i)
    if (channel[i] != 0.0f) return false;
  return true;
}

}  // namespace

void TalvoProcessor::queueParameterChanges(IParameterChanges* changes) noexcept {
  if (changes == nullptr) return;
  const int32 queues = changes->getParameterCount();
  for (int32 q = 0; q < queues; ++q) {
    IParamValueQueue* queue = changes->getParameterData(q);
    if (queue == nullptr) continue;
    const ParamID id = queue->getParameterId();
    if (id >= TALVO_PARAM_COUNT) continue;
    const int32 points = queue->getPointCount();
    for (int32 p = 0; p < points; ++p) {
      int32 offset = 0;
      ParamValue value = 0.0;
      if (queue->getPoint(p, offset, value) != kResultTrue) continue;
      engine_.pushParamNormalized(id, value, offset);
    }
  }
}

void TalvoProcessor::queueNoteEvents(IEventList* events) noexcept {
  if (events == nullptr) return;
  const int32 count = events->getEventCount();
  for (int32 i = 0; i < count; ++i) {
    Event event{};
    if (events->getEvent(i, event) != kResultTrue) continue;
    const auto bus = static_cast<std::uint32_t>(event.busIndex < 0 ? 0 : event.busIndex);
    const std::uint32_t route = engine_.eventRouteForInput(bus);
    if (event.type == Event::kNoteOnEvent) {
      const NoteOnEvent& on = event.noteOn;
      const auto channel = static_cast<std::uint32_t>(on.channel);
      if (on.velocity > 0.0f)
        engine_.pushNoteOn(on.pitch, on.velocity, event.sampleOffset, route, channel);
      else
        engine_.pushNoteOff(on.pitch, event.sampleOffset, route, channel);
    } else if (event.type == Event::kNoteOffEvent) {
      const NoteOffEvent& off = event.noteOff;
      engine_.pushNoteOff(off.pitch, event.sampleOffset, route, static_cast<std::uint32_t>(off.channel));
    }
  }
}

tresult PLUGIN_API TalvoProcessor::process(ProcessData& data) {
  if (data.symbolicSampleSize != kSample32) return kResultFalse;

  queueParameterChanges(data.inputParameterChanges);
  queueNoteEvents(data.inputEvents);

  if (data.numSamples <= 0) {
    // The host flushes parameters with a zero-frame block: the engine applies
    // what is queued now, and the same points are queued again so they also
    // reach the kernel with the next rendered block.
    engine_.processBlock(nullptr, 0, nullptr, 0, 0);
    queueParameterChanges(data.inputParameterChanges);
    return kResultOk;
  }

  if (data.numOutputs < 1 || data.outputs == nullptr) return kResultFalse;
  AudioBusBuffers& out = data.outputs[0];
  if (out.channelBuffers32 == nullptr || out.numChannels < 1) return kResultFalse;

  const Sample32* const* inChannels = nullptr;
  int32 inCount = 0;
  if (data.numInputs >= 1 && data.inputs != nullptr && data.inputs[0].channelBuffers32 != nullptr &&
      data.inputs[0].numChannels > 0) {
    inChannels = data.inputs[0].channelBuffers32;
    inCount = data.inputs[0].numChannels;
  }

  engine_.processBlock(inChannels, inCount, out.channelBuffers32, out.numChannels, data.numSamples);

  out.silenceFlags = 0;
  const int32 flagged = out.numChannels < kMaxSilenceFlagChannels ? out.numChannels : kMaxSilenceFlagChannels;
  for (int32 c = 0; c < flagged; ++c)
    if (channelIsSilent(out.channelBuffers32[c], data.numSamples)) out.silenceFlags |= uint64(1) << c;

  return engine_.blockFailed() ? kResultFalse : kResultOk;
}

}  // namespace talvo
