// Direct mode (host at 48000 Hz): chunking, event frames and failure flags,
// observed through the audio. With depth 0 the kernel is a pure 120-sample
// delay, so wet 1 gives x[i - 120] and wet 0 gives x[i] exactly, and the
// frame where one turns into the other is where the change was applied.
#include <gtest/gtest.h>

#include <vector>

#include "engine/kernel_engine.h"
#include "engine_harness.h"

using namespace talvo;

namespace {

constexpr int kDelay = 120;

std::vector<float> ramp(int n) {
  std::vector<float> x(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    x[static_cast<std::size_t>(i)] = static_cast<float>(i + 1) * 0.0004f;
  return x;
}

// Renders `input` in blocks of `block` frames; `before(blockStart, frames)`
// may queue events for each block.
template <typename Before>
std::vector<float> renderWith(KernelEngine& e, const std::vector<float>& input, int block, Before before) {
  std::vector<float> out(input.size());
  for (std::size_t pos = 0; pos < input.size(); pos += static_cast<std::size_t>(block)) {
    const int n =
        static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(block), input.size() - pos));
    before(static_cast<int>(pos), n);
    const float* ins[1] = {input.data() + pos};
    float* outs[1] = {out.data() + pos};
    e.processBlock(ins, 1, outs, 1, n);
  }
  return out;
}

// Index of the first frame rendered dry (output equals input while the
// delayed wet signal differs); -1 when every frame is wet.
int firstDryFrame(const std::vector<float>& in, const std::vector<float>& out) {
  for (std::size_t i = 0; i < in.size(); ++i) {
    const float wet = i >= kDelay ? in[i - kDelay] : 0.0f;
    if (out[i] == in[i] && out[i] != wet) return static_cast<int>(i);
    if (out[i] != wet) return -2;  // neither: something else went wrong
  }
  return -1;
}

void setupPureDelay(KernelEngine& e, int maxBlock) {
  ASSERT_TRUE(e.setup(48000.0, maxBlock));
  e.setParamValue(1, 0.0);
}

class DirectEventFrames : public testing::TestWithParam<int> {};

}  // namespace

TEST_P(DirectEventFrames, ChangeTakesEffectAtItsSampleWhateverTheBlockSize) {
  const int block = GetParam();
  for (int target : {0, 1, 127, 128, 200, 777, 1023}) {
    KernelEngine e;
    setupPureDelay(e, block);
    const auto in = ramp(1500);
    const auto out = renderWith(e, in, block, [&](int start, int n) {
      if (target >= start && target < start + n) {
        ASSERT_TRUE(e.pushParamNormalized(2, 0.0, target - start));
      }
    });
    EXPECT_EQ(firstDryFrame(in, out), target) << "block " << block;
    EXPECT_EQ(e.paramValue(2), 0.0);
    EXPECT_EQ(e.kernelParamValue(2), 0.0);
  }
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, DirectEventFrames, testing::Values(1, 31, 128, 300, 512, 16384));

TEST(DirectScheduling, EqualOffsetsKeepPushOrder) {
  for (bool dryLast : {false, true}) {
    KernelEngine e;
    setupPureDelay(e, 512);
    const auto in = ramp(512);
    const auto out = renderWith(e, in, 512, [&](int, int) {
      ASSERT_TRUE(e.pushParamNormalized(2, dryLast ? 1.0 : 0.0, 300));
      ASSERT_TRUE(e.pushParamNormalized(2, dryLast ? 0.0 : 1.0, 300));
      ASSERT_TRUE(e.pushParamNormalized(2, 1.0, 100));  // pushed later, sorted earlier
    });
    EXPECT_EQ(firstDryFrame(in, out), dryLast ? 300 : -1);
    EXPECT_EQ(e.paramValue(2), dryLast ? 0.0 : 1.0);
  }
}

TEST(DirectScheduling, EventsOutsideTheBlockAreDropped) {
  KernelEngine e;
  setupPureDelay(e, 512);
  const auto in = ramp(256);
  const auto out = renderWith(e, in, 256, [&](int, int) {
    ASSERT_TRUE(e.pushParamNormalized(2, 0.0, 512));
    ASSERT_TRUE(e.pushParamNormalized(2, 0.0, 256));
    ASSERT_TRUE(e.pushParamNormalized(2, 0.0, -1));
  });
  EXPECT_EQ(firstDryFrame(in, out), -1);
  EXPECT_EQ(e.paramValue(2), 1.0);
  // Nothing lingers for the next block either.
  const auto next = renderWith(e, in, 256, [](int, int) {});
  EXPECT_EQ(next[200], in[200 - kDelay]);
}

TEST(DirectScheduling, ZeroFrameFlushUpdatesValuesWithoutTouchingTheKernel) {
  KernelEngine e;
  setupPureDelay(e, 512);
  const auto in = ramp(512);
  (void)renderWith(e, in, 512, [](int, int) {});  // republish depth 0 first
  ASSERT_TRUE(e.pushParamNormalized(2, 0.0, 5));
  ASSERT_TRUE(e.pushParamNormalized(1, 0.5, 0));
  ASSERT_TRUE(e.pushNoteOn(60, 1.0, 0, 0, 0));
  e.processBlock(nullptr, 0, nullptr, 0, 0);
  EXPECT_FALSE(e.blockFailed());
  EXPECT_EQ(e.paramValue(2), 0.0);
  EXPECT_EQ(e.paramValue(1), 0.5);
  EXPECT_EQ(e.kernelParamValue(2), 1.0);
  EXPECT_EQ(e.kernelParamValue(1), 0.0);
  // The next block is still wet: the value reaches the kernel only when the
  // processor queues the change again, here at frame 40.
  const auto out = renderWith(e, in, 512, [&](int, int) { ASSERT_TRUE(e.pushParamNormalized(2, 0.0, 40)); });
  EXPECT_EQ(out[39], in[39 + 512 - kDelay]);
  EXPECT_EQ(out[40], in[40]);
  EXPECT_EQ(e.diagnosticRing().count, 0u);
  e.drainRuntimeDiagnostics();
  EXPECT_EQ(e.diagnosticRing().count, 0u);  // the flushed note was discarded, not refused
}

TEST(DirectScheduling, RestoredValuesReachTheKernelByRepublishing) {
  KernelEngine e;
  setupPureDelay(e, 128);
  const auto in = ramp(256);
  (void)renderWith(e, in, 128, [](int, int) {});
  e.setParamValue(2, 0.0);  // main thread, between blocks (state restore)
  const auto out = renderWith(e, in, 128, [](int, int) {});
  EXPECT_EQ(firstDryFrame(in, out), 0);
  EXPECT_EQ(e.kernelParamValue(2), 0.0);
}

TEST(DirectScheduling, ARefusedChangeAtFrameZeroIsRepublishedInTheNextChunk) {
  // 65 changes at frame 0: the kernel takes 64 per chunk and refuses the last,
  // which must still reach it with the next chunk, although it was one of the
  // block's frame-0 changes.
  KernelEngine e;
  ASSERT_TRUE(e.setup(48000.0, 256));
  for (int i = 0; i < 65; ++i)
    ASSERT_TRUE(e.pushParamNormalized(1, i / 100.0, 0));
  std::vector<float> out(256);
  float* outs[1] = {out.data()};
  e.processBlock(nullptr, 0, outs, 1, 256);
  EXPECT_EQ(e.paramValue(1), 0.64);
  EXPECT_EQ(e.kernelParamValue(1), 0.64);
}

TEST(DirectRendering, OnlyTheFirstInputIsHeardOnEveryOutput) {
  KernelEngine e;
  ASSERT_TRUE(e.setup(48000.0, 512));
  e.setParamValue(2, 0.0);
  const std::vector<float> left(1024, 0.0f);
  const auto r = test::renderStereo(e, left, 512);
  EXPECT_TRUE(r.channelsAgree);
  EXPECT_TRUE(e.outputSilent());
  for (float v : r.left)
    ASSERT_EQ(v, 0.0f);
}

TEST(DirectRendering, NullInputsFeedSilence) {
  KernelEngine e;
  ASSERT_TRUE(e.setup(48000.0, 300));
  std::vector<float> a(300, 1.0f), b(300, 1.0f);
  float* outs[3] = {a.data(), nullptr, b.data()};
  e.processBlock(nullptr, 0, outs, 3, 300);
  EXPECT_FALSE(e.blockFailed());
  EXPECT_TRUE(e.outputSilent());
  EXPECT_EQ(a, std::vector<float>(300, 0.0f));
  EXPECT_EQ(b, a);
  const float* ins[1] = {nullptr};
  std::fill(a.begin(), a.end(), 1.0f);
  e.processBlock(ins, 1, outs, 3, 300);
  EXPECT_TRUE(e.outputSilent());
  EXPECT_EQ(a[299], 0.0f);
}

TEST(DirectRendering, AudibleBlocksAreNotFlaggedSilent) {
  KernelEngine e;
  ASSERT_TRUE(e.setup(48000.0, 64));
  e.setParamValue(2, 0.0);
  std::vector<float> in(64, 0.0f), out(64, 0.0f);
  in[63] = -0.001f;
  const float* ins[1] = {in.data()};
  float* outs[1] = {out.data()};
  e.processBlock(ins, 1, outs, 1, 64);
  EXPECT_FALSE(e.outputSilent());
  EXPECT_EQ(out[63], -0.001f);
}

TEST(DirectRendering, BlocksBeyondTheMaximumAreClearedAndFlagged) {
  KernelEngine e;
  ASSERT_TRUE(e.setup(48000.0, 128));
  std::vector<float> in(129, 0.5f), out(129, 1.0f);
  const float* ins[1] = {in.data()};
  float* outs[1] = {out.data()};
  ASSERT_TRUE(e.pushParamNormalized(2, 0.0, 0));
  e.processBlock(ins, 1, outs, 1, 129);
  EXPECT_TRUE(e.blockFailed());
  EXPECT_TRUE(e.outputSilent());
  EXPECT_EQ(out, std::vector<float>(129, 0.0f));
  // The queue was emptied with the refused block.
  e.processBlock(ins, 1, outs, 1, 128);
  EXPECT_FALSE(e.blockFailed());
  EXPECT_EQ(e.paramValue(2), 1.0);
  e.processBlock(ins, 1, nullptr, 0, 64);
  EXPECT_TRUE(e.blockFailed());

  e.drainRuntimeDiagnostics();
  const auto& ring = e.diagnosticRing();
  ASSERT_EQ(ring.count, 2u);
  EXPECT_EQ(ring.records[0].code, 4u);
  EXPECT_EQ(ring.records[0].severity, 2u);
  EXPECT_EQ(ring.records[0].phase, 7u);
  EXPECT_STREQ(ring.records[0].message, "audio process callback failed; output was cleared");
}

TEST(DirectRendering, AnEngineThatIsNotReadyClearsAndReportsFatal) {
  KernelEngine e;
  std::vector<float> out(32, 1.0f);
  float* outs[1] = {out.data()};
  e.processBlock(nullptr, 0, outs, 1, 32);
  EXPECT_TRUE(e.blockFailed());
  EXPECT_TRUE(e.outputSilent());
  EXPECT_EQ(out[31], 0.0f);
  EXPECT_TRUE(e.hasUnreportedRuntimeDiagnostics());
  e.drainRuntimeDiagnostics();
  ASSERT_EQ(e.diagnosticRing().count, 1u);
  EXPECT_EQ(e.diagnosticRing().records[0].code, 4u);
  EXPECT_EQ(e.diagnosticRing().records[0].severity, 3u);
  EXPECT_FALSE(e.hasUnreportedRuntimeDiagnostics());
}

TEST(DirectRendering, RefusedNotesAreReportedAndControllersIgnored) {
  KernelEngine e;
  ASSERT_TRUE(e.setup(48000.0, 256));
  std::vector<float> out(256);
  float* outs[1] = {out.data()};
  ASSERT_TRUE(e.pushNoteOn(60, 0.8, 3, 0, 17));
  ASSERT_TRUE(e.pushNoteOff(60, 200, 0, 0));
  ASSERT_TRUE(e.pushController(7, 100, 10, 0, 0));
  e.processBlock(nullptr, 0, outs, 1, 256);
  EXPECT_FALSE(e.blockFailed());  // a refused event does not stop rendering
  e.drainRuntimeDiagnostics();
  const auto& ring = e.diagnosticRing();
  ASSERT_EQ(ring.count, 2u);
  for (std::uint32_t i = 0; i < 2; ++i) {
    EXPECT_EQ(ring.records[i].code, 22u);
    EXPECT_EQ(ring.records[i].severity, 2u);
    EXPECT_EQ(ring.records[i].phase, 7u);
  }
}

TEST(DirectRendering, ARefusedChunkIsZeroedAndTheRestStillRendered) {
  KernelEngine e;
  ASSERT_TRUE(e.setup(48000.0, 512));
  e.setParamValue(2, 0.0);
  std::vector<float> in(300, 0.5f), out(300, 1.0f);
  const float* ins[1] = {in.data()};
  float* outs[1] = {out.data()};
  std::uint32_t& handle = KernelEngineTestAccess::handle(e);
  const std::uint32_t good = handle;
  handle = good + 1;  // no such instance: the kernel refuses every call
  e.processBlock(ins, 1, outs, 1, 300);
  EXPECT_TRUE(e.blockFailed());
  EXPECT_TRUE(e.outputSilent());
  EXPECT_EQ(out, std::vector<float>(300, 0.0f));
  handle = good;
  e.processBlock(ins, 1, outs, 1, 300);
  EXPECT_FALSE(e.blockFailed());
  EXPECT_EQ(out[299], 0.5f);
  e.drainRuntimeDiagnostics();
  EXPECT_EQ(e.diagnosticRing().count, 3u);  // one per refused chunk
}

TEST(DirectRendering, ATrappedKernelGivesSilenceUntilTheNextSetup) {
  KernelEngine e;
  ASSERT_TRUE(e.setup(48000.0, 64));
  e.setParamValue(2, 0.0);
  KernelEngineTestAccess::trap(e, "boom");
  EXPECT_TRUE(e.kernelTrapped());
  std::vector<float> in(64, 0.5f), out(64, 1.0f);
  const float* ins[1] = {in.data()};
  float* outs[1] = {out.data()};
  e.processBlock(ins, 1, outs, 1, 64);
  EXPECT_TRUE(e.blockFailed());
  EXPECT_EQ(out[0], 0.0f);
  testing::internal::CaptureStderr();
  e.drainRuntimeDiagnostics();
  EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("talvo-plugin-shell: rivet trap: ", 0), 0u);
  EXPECT_EQ(e.diagnosticRing().records[0].severity, 3u);
  ASSERT_TRUE(e.setup(48000.0, 64));
  EXPECT_FALSE(e.kernelTrapped());
  e.processBlock(ins, 1, outs, 1, 64);
  EXPECT_FALSE(e.blockFailed());
  EXPECT_EQ(out[0], 0.5f);
}
