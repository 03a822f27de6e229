// The audio callback: parameter points and flushes, refused calls, silence
// flags, and no allocation on the audio path.
#include <algorithm>

#include "hosting/event_list.h"
#include "hosting/host_unknown.h"
#include "hosting/param_changes.h"
#include "hosting/process_buffers.h"
#include "params/params.h"
#include "processor/processor_fixture.h"
#include "support/alloc_counter.h"

namespace talvo::test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

using ProcessCallback = ProcessorTest;

// A broken host: the depth queue fails to read its second point yet fills in
// a value, and the second queue is missing altogether.
class UnreadablePoint final : public host::HostOwned<IParamValueQueue> {
 public:
  ParamID PLUGIN_API getParameterId() override { return kParamDepth; }
  int32 PLUGIN_API getPointCount() override { return 2; }
  tresult PLUGIN_API getPoint(int32 index, int32& offset, ParamValue& value) override {
    offset = 0;
    value = index == 0 ? 0.5 : 0.75;
    return index == 0 ? kResultTrue : kResultFalse;
  }
  tresult PLUGIN_API addPoint(int32, ParamValue, int32&) override { return kResultFalse; }
};

class BrokenChanges final : public host::HostOwned<IParameterChanges> {
 public:
  int32 PLUGIN_API getParameterCount() override { return 2; }
  IParamValueQueue* PLUGIN_API getParameterData(int32 index) override {
    return index == 0 ? &depth_ : nullptr;
  }
  IParamValueQueue* PLUGIN_API addParameterData(const ParamID&, int32&) override { return nullptr; }

 private:
  UnreadablePoint depth_;
};

TEST_F(ProcessCallback, NegativeFrameCountFlushesPointsThroughToTheKernel) {
  start(48000.0, 512);
  host::ParameterChanges changes(4, 4);
  ASSERT_TRUE(changes.addPoint(kParamDepth, 0, 0.25));
  ASSERT_TRUE(changes.addPoint(kParamRate, 0, 1.0));
  ProcessData flush;
  flush.numSamples = -5;
  flush.inputParameterChanges = &changes;  // no buffers at all
  EXPECT_EQ(processor_->process(flush), kResultOk);
  EXPECT_DOUBLE_EQ(processor_->engine().paramValue(kParamDepth), 0.25);
  EXPECT_DOUBLE_EQ(processor_->engine().paramValue(kParamRate), 20.0);

  // The kernel itself receives the values with the next rendered block.
  host::ProcessBuffers buffers(2, 2, 32);
  EXPECT_EQ(processor_->process(buffers.prepare(32, nullptr, nullptr, kRealtime)), kResultOk);
  EXPECT_DOUBLE_EQ(processor_->engine().kernelParamValue(kParamDepth), 0.25);
  EXPECT_DOUBLE_EQ(processor_->engine().kernelParamValue(kParamRate), 20.0);
}

TEST_F(ProcessCallback, UnreadablePointsAndMissingQueuesAreSkipped) {
  start(48000.0, 512);
  BrokenChanges changes;
  ProcessData flush;
  flush.inputParameterChanges = &changes;
  EXPECT_EQ(processor_->process(flush), kResultOk);
  EXPECT_DOUBLE_EQ(processor_->engine().paramValue(kParamDepth), 0.5);
}

TEST_F(ProcessCallback, RefusedCallsLeaveTheOutputsAloneAndA64BitCallQueuesNothing) {
  start(48000.0, 512);
  host::ProcessBuffers buffers(2, 2, 16);
  host::ParameterChanges changes(1, 1);
  ASSERT_TRUE(changes.addPoint(kParamWet, 0, 0.0));
  std::fill(buffers.output(0), buffers.output(0) + 16, 0.5f);
  using Breakage = void (*)(ProcessData&);
  for (Breakage breakCall :
       {+[](ProcessData& d) { d.symbolicSampleSize = kSample64; }, +[](ProcessData& d) { d.numOutputs = 0; },
        +[](ProcessData& d) { d.outputs = nullptr; }, +[](ProcessData& d) { d.outputs[0].numChannels = 0; },
        +[](ProcessData& d) { d.outputs[0].channelBuffers32 = nullptr; }}) {
    ProcessData& data = buffers.prepare(16, &changes, nullptr, kRealtime);
    breakCall(data);
    EXPECT_EQ(processor_->process(data), kResultFalse);
    EXPECT_EQ(buffers.output(0)[0], 0.5f);
    if (data.symbolicSampleSize != kSample64) continue;
    EXPECT_EQ(processor_->process(buffers.prepare(16, nullptr, nullptr, kRealtime)), kResultOk);
    EXPECT_EQ(processor_->engine().paramValue(kParamWet), 1.0);
    std::fill(buffers.output(0), buffers.output(0) + 16, 0.5f);
  }
}

TEST_F(ProcessCallback, BlocksBeforeActivationOrBeyondTheSetupFailWithClearedOutputs) {
  host::ProcessBuffers buffers(2, 2, 65);
  for (int c = 0; c < 2; ++c)
    std::fill(buffers.output(c), buffers.output(c) + 65, 0.5f);
  EXPECT_EQ(processor_->process(buffers.prepare(32, nullptr, nullptr, kRealtime)), kResultFalse);
  EXPECT_EQ(buffers.outputBus().silenceFlags, 3u) << "the engine cleared the outputs";
  start(48000.0, 64);
  EXPECT_EQ(processor_->process(buffers.prepare(65, nullptr, nullptr, kRealtime)), kResultFalse);
}

TEST_F(ProcessCallback, SilenceFlagsMarkAllZeroAndNullChannelsUpToSixtyThree) {
  start(48000.0, 512);
  // Without inputs every channel renders silence; from 63 on no bit is left.
  host::ProcessBuffers wide(0, 70, 32);
  ProcessData& unfed = wide.prepare(32, nullptr, nullptr, kRealtime);
  unfed.numInputs = 0;
  unfed.inputs = nullptr;
  EXPECT_EQ(processor_->process(unfed), kResultOk);
  EXPECT_EQ(wide.outputBus().silenceFlags, (uint64(1) << 63) - 1);

  host::ProcessBuffers buffers(2, 2, 256);  // longer than the 2.5 ms delay, so the wet signal arrives
  std::fill(buffers.input(0), buffers.input(0) + 256, 0.5f);
  ProcessData& data = buffers.prepare(256, nullptr, nullptr, kRealtime);
  data.outputs[0].channelBuffers32[0] = nullptr;
  EXPECT_EQ(processor_->process(data), kResultOk);
  EXPECT_EQ(buffers.outputBus().silenceFlags, 1u) << "only the null left channel is silent";
}

TEST_F(ProcessCallback, ProcessingPointsNotesAndFlushesAllocatesNothing) {
  start(44100.0, 512);
  host::ProcessBuffers buffers(2, 2, 512);
  std::fill(buffers.input(0), buffers.input(0) + 512, 0.25f);
  host::ParameterChanges changes(4, 4);
  ASSERT_TRUE(changes.addPoint(kParamRate, 10, 0.5));
  ASSERT_TRUE(changes.addPoint(kParamWet, 100, 0.3));
  host::EventList events(4);
  Event note{};
  note.type = Event::kNoteOnEvent;
  note.sampleOffset = 5;
  note.noteOn.pitch = 60;
  note.noteOn.velocity = 0.8f;
  ASSERT_EQ(events.addEvent(note), kResultOk);
  note.noteOn.velocity = 0.0f;
  ASSERT_EQ(events.addEvent(note), kResultOk);

  AllocationCounter counter;
  for (int i = 0; i < 8; ++i) {
    processor_->process(buffers.prepare(512, &changes, &events, kRealtime));
    processor_->process(buffers.prepare(0, &changes, nullptr, kRealtime));
  }
  EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
}  // namespace talvo::test
