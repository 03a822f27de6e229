// Direct mode (host at 48000 Hz), observed through the audio. With depth 0
// the kernel is a pure 120-sample delay, so wet 1 gives x[i - 120] and wet 0
// gives x[i] exactly: the frame where one turns into the other is where the
// change was applied.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "engine_harness.h"

using namespace talvo;

namespace {

constexpr int kDelay = 120;

// Index of the first frame rendered dry; -1 when every frame is wet, -2 when
// a frame is neither.
int firstDryFrame(const std::vector<float>& in, const std::vector<float>& out) {
  for (std::size_t i = 0; i < in.size(); ++i) {
    const float wet = i >= kDelay ? in[i - kDelay] : 0.0f;
    if (out[i] == in[i] && out[i] != wet) return static_cast<int>(i);
    if (out[i] != wet) return -2;
  }
  return -1;
}

void setupPureDelay(KernelEngine& e, int maxBlock) {
  ASSERT_TRUE(e.setup(48000.0, maxBlock));
  e.setParamValue(1, 0.0);
}

}  // namespace

TEST(DirectScheduling, ChangesApplyAtTheirFrameInOffsetThenPushOrderAndOnlyInsideTheirBlock) {
  struct Case {
    int block;
    std::vector<std::tuple<double, int, int>> changes;  // (wet, block index, offset) in push order
    int firstDry;
    double wet;
  };
  std::vector<Case> cases = {
      // Equal offsets keep push order, also when sorting moves a change past an equal one.
      {512, {{0.0, 0, 100}, {1.0, 0, 300}, {1.0, 0, 100}}, -1, 1.0},
      {512, {{1.0, 0, 100}, {0.0, 0, 300}, {0.0, 0, 100}}, 100, 0.0},
      {512, {{0.0, 0, 512}, {0.0, 0, 1024}, {0.0, 0, -1}}, -1, 1.0},  // outside the block: dropped for good
  };
  // One change takes effect at its frame whatever the block size.
  for (const int block : {1, 31, 128, 300, 512, 16384}) {
    for (const int frame : {0, 1, 127, 128, 200, 777, 1023})
      cases.push_back({block, {{0.0, frame / block, frame % block}}, frame, 0.0});
  }
  for (const Case& c : cases) {
    KernelEngine e;
    setupPureDelay(e, c.block);
    const auto in = test::ramp(1500, 0.0004f);
    const auto out = test::render(e, in, c.block, [&](int start, int) {
      for (const auto& [wet, index, offset] : c.changes)
        ASSERT_TRUE(start != index * c.block || e.pushParamNormalized(2, wet, offset));
    });
    EXPECT_EQ(firstDryFrame(in, out), c.firstDry) << "block " << c.block;
    EXPECT_EQ(e.paramValue(2), c.wet);
    EXPECT_EQ(e.kernelParamValue(2), c.wet);
  }
}

TEST(DirectScheduling, ZeroFrameFlushUpdatesValuesWithoutTouchingTheKernel) {
  KernelEngine e;
  setupPureDelay(e, 512);
  const auto in = test::ramp(512, 0.0004f);
  (void)test::render(e, in, 512);  // republish depth 0 first
  ASSERT_TRUE(e.pushParamNormalized(2, 0.0, 5));
  ASSERT_TRUE(e.pushParamNormalized(1, 0.75, 3));
  ASSERT_TRUE(e.pushParamNormalized(1, 0.5, 0));  // pushed last, earliest: overtaken by 0.75
  ASSERT_TRUE(e.pushNoteOn(60, 1.0, 0, 0, 0));
  e.processBlock(nullptr, 0, nullptr, 0, 0);
  EXPECT_FALSE(e.blockFailed());
  EXPECT_EQ(e.paramValue(2), 0.0);
  EXPECT_EQ(e.paramValue(1), 0.75);
  EXPECT_EQ(e.kernelParamValue(2), 1.0);
  EXPECT_EQ(e.kernelParamValue(1), 0.0);
  // Still wet: the value reaches the kernel only when the processor queues
  // the change again, here at frame 40.
  const auto out =
      test::render(e, in, 512, [&](int, int) { ASSERT_TRUE(e.pushParamNormalized(2, 0.0, 40)); });
  EXPECT_EQ(out[39], in[39 + 512 - kDelay]);
  EXPECT_EQ(out[40], in[40]);
  e.drainRuntimeDiagnostics();
  EXPECT_EQ(e.diagnosticRing().count, 0u);  // the flushed note was discarded, not refused
}

TEST(DirectScheduling, ARefusedChangeAtFrameZeroIsRepublishedInTheNextChunk) {
  // The kernel takes 64 changes per chunk and refuses the 65th, which must
  // still reach it with the next chunk although it was a frame-0 change.
  KernelEngine e;
  ASSERT_TRUE(e.setup(48000.0, 256));
  for (int i = 0; i < 65; ++i)
    ASSERT_TRUE(e.pushParamNormalized(1, i / 100.0, 0));
  std::vector<float> out(256);
  test::processMono(e, nullptr, out.data(), 256);
  EXPECT_EQ(e.kernelParamValue(1), 0.64);
}

TEST(DirectRendering, OnlyTheFirstInputIsHeardOnEveryOutputAndSilenceIsFlagged) {
  KernelEngine e;
  ASSERT_TRUE(e.setup(48000.0, 512));
  e.setParamValue(2, 0.0);
  // One quiet sample at the very end is enough to count as audible.
  std::vector<float> a(300, 0.0f), b(300, 1.0f);
  a[63] = -0.001f;
  test::processMono(e, a.data(), b.data(), 64);
  EXPECT_FALSE(e.outputSilent());
  EXPECT_EQ(b[63], -0.001f);

  // Missing inputs feed silence, to every output bus that is there; a second input is never heard.
  const std::vector<float> zeros(300, 0.0f), quarter(300, 0.25f);
  const float* nullIn[1] = {nullptr};
  const float* stereo[2] = {zeros.data(), quarter.data()};
  float* outs[3] = {a.data(), nullptr, b.data()};
  for (const auto& [ins, count] :
       {std::pair<const float* const*, int>{nullptr, 0}, {nullIn, 1}, {stereo, 2}}) {
    std::fill(a.begin(), a.end(), 1.0f);
    std::fill(b.begin(), b.end(), 1.0f);
    e.processBlock(ins, count, outs, 3, 300);
    EXPECT_FALSE(e.blockFailed());
    EXPECT_TRUE(e.outputSilent());
    EXPECT_EQ(a, zeros);
    EXPECT_EQ(b, zeros);
  }
}

TEST(DirectRendering, FailedBlocksAreClearedFlaggedAndReportedUntilTheCauseIsGone) {
  KernelEngine e;
  std::vector<float> in(301, 0.5f), out(301, 1.0f);
  const auto expectCleared = [&](int frames) {
    EXPECT_TRUE(e.blockFailed());
    EXPECT_TRUE(e.outputSilent());
    EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + frames), std::vector<float>(frames, 0.0f));
    std::fill(out.begin(), out.end(), 1.0f);
  };
  test::processMono(e, nullptr, out.data(), 32);  // not set up yet: fatal
  expectCleared(32);
  EXPECT_TRUE(e.hasUnreportedRuntimeDiagnostics());
  e.drainRuntimeDiagnostics();
  EXPECT_FALSE(e.hasUnreportedRuntimeDiagnostics());
  test::expectRecord(e.diagnosticRing().records[0], 4, 3, 7);

  ASSERT_TRUE(e.setup(48000.0, 300));
  e.setParamValue(2, 0.0);
  ASSERT_TRUE(e.pushParamNormalized(2, 1.0, 0));
  test::processMono(e, in.data(), out.data(), 301);  // beyond the maximum
  expectCleared(301);
  test::processMono(e, in.data(), nullptr, 64);  // no output bus
  EXPECT_TRUE(e.blockFailed());
  test::processMono(e, in.data(), out.data(), 128);
  EXPECT_EQ(e.paramValue(2), 0.0);  // the queued change went with the refused block
  {
    test::BrokenBinding broken(e);  // the kernel refuses each of the three chunks
    test::processMono(e, in.data(), out.data(), 300);
  }
  expectCleared(300);
  e.drainRuntimeDiagnostics();
  ASSERT_EQ(e.diagnosticRing().count, 6u);
  test::expectRecord(e.diagnosticRing().records[1], 4, 2, 7,
                     "audio process callback failed; output was cleared");
  for (std::uint32_t i = 2; i < 6; ++i)
    test::expectRecord(e.diagnosticRing().records[i], 4, 2, 7);

  // A trapped kernel library refuses everything until the next setup.
  KernelEngineTestAccess::trap(e, "boom");
  EXPECT_TRUE(e.kernelTrapped());
  test::processMono(e, in.data(), out.data(), 64);
  expectCleared(64);
  testing::internal::CaptureStderr();
  e.drainRuntimeDiagnostics();
  EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("talvo-plugin-shell: rivet trap: ", 0), 0u);
  EXPECT_EQ(e.diagnosticRing().records[6].severity, 3u);
  ASSERT_TRUE(e.setup(48000.0, 128));
  EXPECT_FALSE(e.kernelTrapped());
  test::processMono(e, in.data(), out.data(), 128);
  EXPECT_FALSE(e.blockFailed());
  EXPECT_EQ(out[127], 0.5f);
}
