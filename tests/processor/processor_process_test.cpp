#include <cmath>
#include <vector>

#include "params/params.h"
#include "processor/processor_fixture.h"
#include "support/alloc_counter.h"

namespace talvo::test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

using ProcessCallback = ProcessorTest;

TEST_F(ProcessCallback, SixtyFourBitCallIsRefusedAndQueuesNothing) {
  start(48000.0, 512);
  StereoBlock block(64, 0.25f);
  ParamChanges changes;
  changes.queue(kParamDepth).add(0, 1.0);
  block.data.symbolicSampleSize = kSample64;
  block.data.inputParameterChanges = &changes;
  EXPECT_EQ(processor_->process(block.data), kResultFalse);
  EXPECT_EQ(block.outL[0], 0.5f) << "a refused call leaves the outputs alone";

  // A flush applies whatever is queued; nothing was.
  ProcessData flush;
  flush.numSamples = 0;
  EXPECT_EQ(processor_->process(flush), kResultOk);
  EXPECT_DOUBLE_EQ(processor_->engine().paramValue(kParamDepth), 0.1);
}

TEST_F(ProcessCallback, ZeroFrameFlushAppliesPointsWithoutTouchingBuffers) {
  start(48000.0, 512);
  ParamChanges changes;
  changes.queue(kParamDepth).add(0, 0.25);
  changes.queue(kParamRate).add(0, 1.0);
  ProcessData flush;
  flush.numSamples = 0;
  flush.inputParameterChanges = &changes;  // no buffers at all
  EXPECT_EQ(processor_->process(flush), kResultOk);
  EXPECT_DOUBLE_EQ(processor_->engine().paramValue(kParamDepth), 0.25);
  EXPECT_DOUBLE_EQ(processor_->engine().paramValue(kParamRate), 20.0);

  // The kernel itself receives the values with the next rendered block.
  StereoBlock block(32, 0.0f);
  EXPECT_EQ(processor_->process(block.data), kResultOk);
  EXPECT_DOUBLE_EQ(processor_->engine().kernelParamValue(kParamDepth), 0.25);
  EXPECT_DOUBLE_EQ(processor_->engine().kernelParamValue(kParamRate), 20.0);
}

TEST_F(ProcessCallback, NegativeFrameCountIsTreatedAsAFlush) {
  start(48000.0, 512);
  ParamChanges changes;
  changes.queue(kParamWet).add(0, 0.0);
  ProcessData flush;
  flush.numSamples = -5;
  flush.inputParameterChanges = &changes;
  EXPECT_EQ(processor_->process(flush), kResultOk);
  EXPECT_DOUBLE_EQ(processor_->engine().paramValue(kParamWet), 0.0);
}

TEST_F(ProcessCallback, QueuesOfNonParametersAndUnreadablePointsAreSkipped) {
  start(48000.0, 512);
  ParamChanges changes;
  changes.queue(7).add(0, 1.0);
  ParamQueue& depth = changes.queue(kParamDepth);
  depth.add(0, 0.5);
  depth.add(0, 0.75);
  depth.failPoint(1);
  ProcessData flush;
  flush.inputParameterChanges = &changes;
  EXPECT_EQ(processor_->process(flush), kResultOk);
  EXPECT_DOUBLE_EQ(processor_->engine().paramValue(kParamDepth), 0.5);
}

TEST_F(ProcessCallback, MissingOutputsAreRefused) {
  start(48000.0, 512);
  StereoBlock block(16, 0.5f);
  block.data.numOutputs = 0;
  EXPECT_EQ(processor_->process(block.data), kResultFalse);
  block.data.numOutputs = 1;
  block.data.outputs = nullptr;
  EXPECT_EQ(processor_->process(block.data), kResultFalse);
  block.data.outputs = &block.out;
  block.out.channelBuffers32 = nullptr;
  EXPECT_EQ(processor_->process(block.data), kResultFalse);
  block.out.channelBuffers32 = block.outPtrs;
  block.out.numChannels = 0;
  EXPECT_EQ(processor_->process(block.data), kResultFalse);
  EXPECT_EQ(block.outL[0], 0.5f);
}

TEST_F(ProcessCallback, NoInputsRendersSilenceAndSucceeds) {
  start(48000.0, 512);
  StereoBlock block(64);
  block.data.numInputs = 0;
  block.data.inputs = nullptr;
  EXPECT_EQ(processor_->process(block.data), kResultOk);
  EXPECT_EQ(block.outL[10], 0.0f);
  EXPECT_EQ(block.out.silenceFlags, 3u);
}

TEST_F(ProcessCallback, AllZeroOutputMarksEveryChannelSilent) {
  start(48000.0, 512);
  StereoBlock block(128, 0.0f);
  block.out.silenceFlags = ~uint64(0);
  EXPECT_EQ(processor_->process(block.data), kResultOk);
  EXPECT_EQ(block.out.silenceFlags, 3u);
}

TEST_F(ProcessCallback, AudibleOutputClearsTheSilenceBits) {
  start(48000.0, 512);
  StereoBlock block(256, 0.5f);  // longer than the 2.5 ms delay, so the wet signal arrives
  EXPECT_EQ(processor_->process(block.data), kResultOk);
  EXPECT_EQ(block.out.silenceFlags, 0u);
}

TEST_F(ProcessCallback, NullOutputChannelCountsAsSilent) {
  start(48000.0, 512);
  StereoBlock block(256, 0.5f);
  block.outPtrs[0] = nullptr;
  processor_->process(block.data);
  EXPECT_EQ(block.out.silenceFlags, 1u) << "only the null left channel is silent";
}

TEST_F(ProcessCallback, ChannelsFromSixtyThreeOnNeverGetASilenceBit) {
  start(48000.0, 512);
  constexpr int kChannels = 70;
  std::vector<std::vector<float>> buffers(kChannels, std::vector<float>(32, 1.0f));
  std::vector<float*> ptrs;
  for (auto& b : buffers)
    ptrs.push_back(b.data());
  AudioBusBuffers out;
  out.numChannels = kChannels;
  out.channelBuffers32 = ptrs.data();
  ProcessData data;
  data.numSamples = 32;
  data.numOutputs = 1;
  data.outputs = &out;
  EXPECT_EQ(processor_->process(data), kResultOk);
  EXPECT_EQ(out.silenceFlags, (uint64(1) << 63) - 1);
}

TEST_F(ProcessCallback, ProcessingBeforeActivationFails) {
  StereoBlock block(32, 0.5f);
  EXPECT_EQ(processor_->process(block.data), kResultFalse);
  EXPECT_EQ(block.out.silenceFlags, 3u) << "the engine cleared the outputs";
}

TEST_F(ProcessCallback, BlockLongerThanTheSetupFails) {
  start(48000.0, 64);
  StereoBlock block(65, 0.5f);
  EXPECT_EQ(processor_->process(block.data), kResultFalse);
}

TEST_F(ProcessCallback, ProcessingAllocatesNothing) {
  start(44100.0, 512);
  StereoBlock block(512, 0.25f);
  ParamChanges changes;
  changes.queue(kParamRate).add(10, 0.5);
  changes.queue(kParamWet).add(100, 0.3);
  EventList events;
  events.noteOn(60, 0.8f, 5);
  events.noteOn(60, 0.0f, 50);
  block.data.inputParameterChanges = &changes;
  block.data.inputEvents = &events;
  ProcessData flush;
  flush.inputParameterChanges = &changes;

  AllocationCounter counter;
  for (int i = 0; i < 8; ++i) {
    processor_->process(block.data);
    processor_->process(flush);
  }
  EXPECT_EQ(counter.count(), 0u);
}

// At the kernel's own rate there is no adapter, so a parameter point lands on
// its exact frame. With depth 0 the wet path is the input delayed by 120
// samples; switching from dry to wet before that shows the switch frame as the
// first output sample that falls from 1 to 0.
class SampleAccurateAutomation : public ProcessorTest, public ::testing::WithParamInterface<int> {};

TEST_P(SampleAccurateAutomation, WetChangeReachesTheAudioAtItsFrame) {
  const int switchFrame = GetParam();
  start(48000.0, 512);
  StereoBlock block(512, 1.0f);
  ParamChanges changes;
  changes.queue(kParamDepth).add(0, 0.0);
  ParamQueue& wet = changes.queue(kParamWet);
  wet.add(0, 0.0);
  wet.add(switchFrame, 1.0);
  block.data.inputParameterChanges = &changes;
  ASSERT_EQ(processor_->process(block.data), kResultOk);

  for (int i = 0; i < 512; ++i) {
    const float expected = (i < switchFrame || i >= 120) ? 1.0f : 0.0f;
    ASSERT_EQ(block.outL[static_cast<size_t>(i)], expected) << "frame " << i;
    ASSERT_EQ(block.outR[static_cast<size_t>(i)], expected) << "frame " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Frames, SampleAccurateAutomation, ::testing::Values(1, 31, 64, 100, 119));

}  // namespace
}  // namespace talvo::test
