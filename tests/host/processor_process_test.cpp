// The built processor's audio callback at 48000 Hz, where the kernel runs at
// the host rate: automation lands on its frame, the zero-frame flush, silence
// flags, refused calls, and no allocation on the audio path.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "host/bundle_session.h"
#include "hosting/event_list.h"
#include "hosting/param_changes.h"
#include "hosting/process_buffers.h"
#include "support/alloc_counter.h"

namespace talvo::host {
namespace {

using Steinberg::kResultFalse;
using Steinberg::kResultOk;
using namespace Steinberg::Vst;

constexpr int kBlock = 256;
// With depth 0 the wet path is the input delayed by exactly this many frames.
constexpr int kCentreDelay = 120;
constexpr ParamID kRate = 0, kDepth = 1, kWet = 2;

// A rising ramp that stays below full scale, so the delay line never clips it.
float ramp(std::int64_t frame) {
  return static_cast<float>(frame + 1) / 1024.0f;
}

class ProcessorCallback : public testing::Test {
 protected:
  void SetUp() override { start(48000.0); }

  void start(double rate) {
    position_ = 0;
    std::string error;
    instance_ = test::newInstance(error);
    ASSERT_NE(instance_, nullptr) << error;
    ASSERT_TRUE(instance_->start(rate, kBlock, kRealtime, error)) << error;
  }

  // One block of the ramp, continuing where the last block stopped.
  ProcessData& rampBlock(int frames, IParameterChanges* changes) {
    for (int c = 0; c < 2; ++c) {
      for (int i = 0; i < frames; ++i)
        buffers_.input(c)[i] = ramp(position_ + i);
    }
    position_ += frames;
    return buffers_.prepare(frames, changes, nullptr, kRealtime);
  }

  // Depth 0 and wet 0 from the first frame: the output is the input itself.
  void queueDry() {
    changes_.clear();
    ASSERT_TRUE(changes_.addPoint(kDepth, 0, 0.0));
    ASSERT_TRUE(changes_.addPoint(kWet, 0, 0.0));
  }

  void expectOutputIsRamp() {
    for (int i = 0; i < kBlock; ++i)
      ASSERT_EQ(buffers_.output(0)[i], ramp(i)) << "frame " << i;
  }

  void expectOutputUntouched() {
    for (int i = 0; i < kBlock; ++i)
      ASSERT_EQ(buffers_.output(0)[i], 7.0f) << "frame " << i;
  }

  void fillOutputs(float value) {
    for (int c = 0; c < 2; ++c)
      std::fill(buffers_.output(c), buffers_.output(c) + kBlock, value);
  }

  std::unique_ptr<PluginInstance> instance_;
  ProcessBuffers buffers_{2, 2, kBlock};
  ParameterChanges changes_{8, 16};
  std::int64_t position_ = 0;
};

TEST_F(ProcessorCallback, WetChangesReachTheAudioAtTheirFrames) {
  // (offset, normalized wet) points after wet 0 at offset 0: on either side of
  // and on the kernel's chunk edge at 128, on the last frame, on and off again.
  const std::vector<std::pair<int, double>> cases[] = {{{1, 1.0}},   {{127, 1.0}},
                                                       {{128, 1.0}}, {{200, 1.0}},
                                                       {{255, 1.0}}, {{130, 1.0}, {140, 0.0}, {250, 1.0}}};
  for (const auto& wetPoints : cases) {
    SCOPED_TRACE("first step at " + std::to_string(wetPoints[0].first));
    start(48000.0);
    if (HasFatalFailure()) return;
    queueDry();
    for (auto [offset, wet] : wetPoints)
      ASSERT_TRUE(changes_.addPoint(kWet, offset, wet));
    ASSERT_EQ(instance_->processor()->process(rampBlock(kBlock, &changes_)), kResultOk);

    // Expected from the points alone: dry input while wet is 0, the input
    // delayed by the centre delay while wet is 1.
    for (int i = 0; i < kBlock; ++i) {
      double wet = 0.0;
      for (auto [offset, value] : wetPoints) {
        if (offset <= i) wet = value;
      }
      float expected = wet == 0.0 ? ramp(i) : (i >= kCentreDelay ? ramp(i - kCentreDelay) : 0.0f);
      ASSERT_EQ(buffers_.output(0)[i], expected) << "frame " << i;
      ASSERT_EQ(buffers_.output(1)[i], expected) << "frame " << i;
    }
  }
}

TEST_F(ProcessorCallback, ZeroFrameFlushAppliesPointsWithoutTouchingBuffers) {
  queueDry();
  fillOutputs(7.0f);
  ASSERT_EQ(instance_->processor()->process(buffers_.prepare(0, &changes_, nullptr, kRealtime)), kResultOk);
  expectOutputUntouched();
  // The next block carries no changes, yet renders with the flushed values.
  ASSERT_EQ(instance_->processor()->process(rampBlock(kBlock, nullptr)), kResultOk);
  expectOutputIsRamp();
}

TEST_F(ProcessorCallback, SilenceFlagsMarkEveryAllZeroChannel) {
  for (int c = 0; c < 2; ++c)
    std::fill(buffers_.input(c), buffers_.input(c) + kBlock, 0.0f);
  ProcessData& silent = buffers_.prepare(kBlock, nullptr, nullptr, kRealtime);
  buffers_.outputBus().silenceFlags = ~0ull;
  ASSERT_EQ(instance_->processor()->process(silent), kResultOk);
  EXPECT_EQ(buffers_.outputBus().silenceFlags, 0b11u);

  changes_.clear();
  ASSERT_TRUE(changes_.addPoint(kWet, 0, 0.0));
  ProcessData& loud = rampBlock(kBlock, &changes_);
  buffers_.outputBus().silenceFlags = ~0ull;
  ASSERT_EQ(instance_->processor()->process(loud), kResultOk);
  EXPECT_EQ(buffers_.outputBus().silenceFlags, 0u);
}

TEST_F(ProcessorCallback, SixtyFourBitCallIsRefusedAndQueuesNothing) {
  changes_.clear();
  ASSERT_TRUE(changes_.addPoint(kWet, 0, 0.0));
  fillOutputs(7.0f);
  ProcessData& wide = rampBlock(kBlock, &changes_);
  wide.symbolicSampleSize = kSample64;
  EXPECT_EQ(instance_->processor()->process(wide), kResultFalse);
  expectOutputUntouched();

  // Had the dry setting been queued, this block would pass the input through;
  // at the default full wet the delayed output starts with silence instead.
  ASSERT_EQ(instance_->processor()->process(rampBlock(kBlock, nullptr)), kResultOk);
  for (int i = 0; i < 100; ++i)
    ASSERT_EQ(buffers_.output(0)[i], 0.0f) << "frame " << i;
}

TEST_F(ProcessorCallback, MissingOutputsAreRefusedAndMissingInputsRenderSilence) {
  ProcessData& noOutputs = rampBlock(kBlock, nullptr);
  noOutputs.numOutputs = 0;
  EXPECT_EQ(instance_->processor()->process(noOutputs), kResultFalse);

  fillOutputs(7.0f);
  ProcessData& noInputs = buffers_.prepare(kBlock, nullptr, nullptr, kRealtime);
  noInputs.numInputs = 0;
  noInputs.inputs = nullptr;
  ASSERT_EQ(instance_->processor()->process(noInputs), kResultOk);
  for (int i = 0; i < kBlock; ++i)
    ASSERT_EQ(buffers_.output(1)[i], 0.0f);
}

TEST_F(ProcessorCallback, UnknownParameterQueuesAreIgnored) {
  queueDry();
  ASSERT_TRUE(changes_.addPoint(7, 0, 1.0));
  ASSERT_TRUE(changes_.addPoint(3, 10, 1.0));
  ASSERT_EQ(instance_->processor()->process(rampBlock(kBlock, &changes_)), kResultOk);
  expectOutputIsRamp();
}

TEST_F(ProcessorCallback, NoteEventsAreTakenWithoutDisturbingTheAudio) {
  EventList events(8);
  Event e{};
  e.type = Event::kNoteOnEvent;
  e.sampleOffset = 5;
  e.noteOn.pitch = 60;
  e.noteOn.velocity = 0.8f;
  ASSERT_EQ(events.addEvent(e), kResultOk);
  e.noteOn.velocity = 0.0f;  // a note-off in disguise
  e.sampleOffset = 9;
  ASSERT_EQ(events.addEvent(e), kResultOk);
  e = Event{};
  e.type = Event::kNoteOffEvent;
  e.busIndex = -1;
  e.sampleOffset = 300;  // beyond the block
  ASSERT_EQ(events.addEvent(e), kResultOk);
  e = Event{};
  e.type = Event::kDataEvent;
  ASSERT_EQ(events.addEvent(e), kResultOk);

  changes_.clear();
  ASSERT_TRUE(changes_.addPoint(kWet, 0, 0.0));
  ProcessData& data = rampBlock(kBlock, &changes_);
  data.inputEvents = &events;
  ASSERT_EQ(instance_->processor()->process(data), kResultOk);
  expectOutputIsRamp();
}

TEST_F(ProcessorCallback, ProcessAllocatesNothingAtEachRate) {
  for (double rate : {48000.0, 44100.0, 96000.0}) {
    SCOPED_TRACE(std::to_string(static_cast<int>(rate)) + " Hz");
    start(rate);
    if (HasFatalFailure()) return;
    talvo::test::AllocationCounter counter;
    for (int block = 0; block < 40; ++block) {
      changes_.clear();
      (void)changes_.addPoint(kRate, block % kBlock, (block % 10) / 10.0);
      (void)changes_.addPoint(kDepth, (block * 7) % kBlock, 0.5);
      ASSERT_EQ(instance_->processor()->process(rampBlock(block % 3 == 0 ? 0 : kBlock - block, &changes_)),
                kResultOk);
    }
    EXPECT_EQ(counter.count(), 0u);
  }
}

}  // namespace
}  // namespace talvo::host
