// The processor base: bus arrangements, the stored setup, and its interfaces.
#include "vst3/audio_effect.h"

#include <gtest/gtest.h>

#include "pluginterfaces/vst/vstspeaker.h"

namespace talvo {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

class TwoBusEffect : public AudioEffect {
 public:
  TwoBusEffect() {
    addAudioInput(STR16("In"), SpeakerArr::kStereo);
    addAudioOutput(STR16("Out"), SpeakerArr::kStereo);
  }
  ProcessSetup stored() const { return processSetup; }
};

TEST(AudioEffect, BusArrangementsMustMatchTheBusCountAndShowInTheBusInfo) {
  IPtr<TwoBusEffect> effect = owned(new TwoBusEffect());
  SpeakerArrangement mono = SpeakerArr::kMono;
  SpeakerArrangement two[2] = {SpeakerArr::kStereo, SpeakerArr::kStereo};
  EXPECT_EQ(effect->setBusArrangements(two, 2, &mono, 1), kResultFalse);
  EXPECT_EQ(effect->setBusArrangements(nullptr, 1, &mono, 1), kInvalidArgument);
  EXPECT_EQ(effect->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);
  SpeakerArrangement arr = 0;
  ASSERT_EQ(effect->getBusArrangement(kOutput, 0, arr), kResultTrue);
  EXPECT_EQ(arr, SpeakerArr::kMono);
  BusInfo info{};
  ASSERT_EQ(effect->getBusInfo(kAudio, kOutput, 0, info), kResultTrue);
  EXPECT_EQ(info.channelCount, 1);
  EXPECT_EQ(effect->getBusArrangement(kInput, 1, arr), kInvalidArgument);
}

TEST(AudioEffect, SetupIsStoredOnlyForASupportedSampleSize) {
  IPtr<TwoBusEffect> effect = owned(new TwoBusEffect());
  ProcessSetup setup{kOffline, kSample64, 256, 96000.0};
  EXPECT_EQ(effect->setupProcessing(setup), kResultFalse);
  EXPECT_NE(effect->stored().sampleRate, 96000.0);
  setup.symbolicSampleSize = kSample32;
  EXPECT_EQ(effect->setupProcessing(setup), kResultOk);
  EXPECT_EQ(effect->stored().sampleRate, 96000.0);
  EXPECT_EQ(effect->stored().processMode, kOffline);
}

TEST(AudioEffect, AnswersForTheProcessorInterfaces) {
  IPtr<TwoBusEffect> effect = owned(new TwoBusEffect());
  for (const FUID* iid : {&IAudioProcessor::iid, &IComponent::iid, &IProcessContextRequirements::iid}) {
    FUnknown* obj = nullptr;
    ASSERT_EQ(effect->queryInterface(iid->toTUID(), reinterpret_cast<void**>(&obj)), kResultOk);
    obj->release();
  }
}

}  // namespace
}  // namespace talvo
