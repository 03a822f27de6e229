#include "processor/talvo_processor.h"

#include <string>

#include "diagnostics/runtime_health_json.h"
#include "pluginterfaces/vst/vstspeaker.h"
#include "vst3/class_ids.h"
#include "vst3/message_send.h"
#include "vst3/plugin_identity.h"

namespace talvo {

using namespace Steinberg;
using namespace Steinberg::Vst;

TalvoProcessor::TalvoProcessor() {
  setControllerClass(kControllerUid);
}

FUnknown* TalvoProcessor::createInstance(void* /*context*/) {
  return static_cast<IAudioProcessor*>(new TalvoProcessor());
}

tresult PLUGIN_API TalvoProcessor::initialize(FUnknown* hostContext) {
  const tresult result = AudioEffect::initialize(hostContext);
  if (result != kResultOk) return result;
  addAudioInput(STR16("Stereo In"), SpeakerArr::kStereo);
  addAudioOutput(STR16("Stereo Out"), SpeakerArr::kStereo);
  for (int i = 0; i < engine_.eventOutputCount(); ++i)
    addEventOutput(STR16("Event Out"), 1);
  return kResultOk;
}

tresult PLUGIN_API TalvoProcessor::setActive(TBool state) {
  // A host may activate without a fresh setupProcessing; the stored setup
  // still configures the engine, and a refusal keeps the component inactive.
  if (state && !engine_.setup(processSetup.sampleRate, processSetup.maxSamplesPerBlock)) {
    sendRuntimeHealthReport(true);
    return kResultFalse;
  }
  const tresult result = AudioEffect::setActive(state);
  if (result != kResultOk) return result;
  refreshHostFacts();
  if (state) transportFrames_ = 0;
  return kResultOk;
}

tresult PLUGIN_API TalvoProcessor::setupProcessing(ProcessSetup& setup) {
  const tresult result = AudioEffect::setupProcessing(setup);
  if (result != kResultOk) return result;
  if (!engine_.setup(setup.sampleRate, setup.maxSamplesPerBlock)) {
    sendRuntimeHealthReport(true);
    return kResultFalse;
  }
  refreshHostFacts();
  return kResultOk;
}

tresult PLUGIN_API TalvoProcessor::canProcessSampleSize(int32 symbolicSampleSize) {
  return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API TalvoProcessor::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                      SpeakerArrangement* outputs, int32 numOuts) {
  if (inputs == nullptr || outputs == nullptr || numIns != 1 || numOuts != 1) return kResultFalse;
  if (inputs[0] != SpeakerArr::kStereo || outputs[0] != SpeakerArr::kStereo) return kResultFalse;
  const tresult result = AudioEffect::setBusArrangements(inputs, numIns, outputs, numOuts);
  if (result != kResultOk) return result;
  refreshHostFacts();
  return kResultOk;
}

uint32 PLUGIN_API TalvoProcessor::getLatencySamples() {
  // The rate adapter's delay in host frames, rounded up; 0 when host-native.
  return static_cast<uint32>(engine_.latencySamples());
}

void TalvoProcessor::sendRuntimeHealthReport(bool failed) {
  engine_.drainRuntimeDiagnostics();
  // A copy, so the document is written from one consistent snapshot.
  const talvo_runtime_diagnostic_ring ring = engine_.diagnosticRing();
  const std::string json = writeRuntimeHealthJson(ring, kPluginBundleId, kPluginVersion, engine_.hostRate(),
                                                  engine_.maxBlockFrames(), failed);
  sendBinaryMessage(*this, "talvo.runtimeDiagnostics", json.data(), json.size());
}

}  // namespace talvo
