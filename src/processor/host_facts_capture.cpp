// The processor's side of the host facts: the processing configuration and
// bus layout as the host set them, sent to the controller after every change.
#include <cstdio>
#include <cstring>

#include "pluginterfaces/vst/vstspeaker.h"
#include "processor/talvo_processor.h"
#include "vst3/message_send.h"

namespace talvo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

std::uint8_t processModeFact(int32 mode) {
  switch (mode) {
    case kOffline:
      return kProcessModeOffline;
    case kPrefetch:
      return kProcessModePrefetch;
    default:
      return kProcessModeRealtime;
  }
}

const char* layoutName(SpeakerArrangement arr) {
  if (arr == SpeakerArr::kStereo) return "stereo";
  if (arr == SpeakerArr::kMono) return "mono";
  return "";
}

void addBuses(HostFacts& facts, const BusList& list, bool isInput) {
  for (size_t i = 0; i < list.size(); ++i) {
    const auto* bus = FCast<AudioBus>(list[i].get());
    if (bus == nullptr) continue;
    char id[32];
    std::snprintf(id, sizeof id, "%s%zu", isInput ? "in" : "out", i);
    const SpeakerArrangement arr = bus->getArrangement();
    facts.addBus(id, isInput, static_cast<std::uint32_t>(SpeakerArr::getChannelCount(arr)),
                 bus->isActive() != 0, layoutName(arr));
  }
}

}  // namespace

void TalvoProcessor::captureHostFacts(HostFacts& facts) {
  facts.sampleRate = processSetup.sampleRate;
  facts.maxBlockFrames = processSetup.maxSamplesPerBlock;
  facts.processMode = processModeFact(processSetup.processMode);
  facts.sampleSize = processSetup.symbolicSampleSize == kSample64 ? 64 : 32;
  facts.latencySamples = static_cast<std::int32_t>(getLatencySamples());
  facts.tailKind = kTailUnreported;
  facts.tailSamples = 0;
  facts.internalSampleRate = 0.0;
  facts.bypassKnown = 0;
  addBuses(facts, audioInputs, true);
  addBuses(facts, audioOutputs, false);
}

void TalvoProcessor::refreshHostFacts() {
  HostFacts fresh;
  std::memcpy(fresh.hostName, hostFacts_.hostName, sizeof fresh.hostName);
  std::memcpy(fresh.hostVersion, hostFacts_.hostVersion, sizeof fresh.hostVersion);
  fresh.validatorKind = hostFacts_.validatorKind;
  captureHostFacts(fresh);
  hostFacts_ = fresh;
  sendBinaryMessage(*this, "talvo.diag.hostFacts", &hostFacts_, sizeof hostFacts_);
}

}  // namespace talvo
