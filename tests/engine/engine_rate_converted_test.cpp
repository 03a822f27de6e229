// Rate-converted mode: timing and quality of the adapter path. With wet 0 the
// kernel passes its input unchanged, so the engine is the adapter alone: host
// frame P carries the input at P - 16 - 20 * rate / 48000. Sample-exact
// output is the reference test's; these read the timing back from the audio.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "engine_harness.h"

using namespace talvo;

namespace {

double documentedDelay(double rate) {
  return 16.0 + 20.0 * rate / 48000.0;
}

void setupDry(KernelEngine& e, double rate, int block) {
  ASSERT_TRUE(e.setup(rate, block));
  EXPECT_TRUE(e.rateConverted());
  e.setParamValue(2, 0.0);
}

class RateAndBlock : public testing::TestWithParam<std::tuple<double, int>> {};

}  // namespace

TEST_P(RateAndBlock, AConstantSettlesExactlyAndARampComesOutAtTheReportedLatency) {
  const auto [rate, block] = GetParam();
  KernelEngine e;
  setupDry(e, rate, block);
  // Silent while the output still reads kernel time before the stream start,
  // then exactly the input: the filters divide by their own tap sums.
  const int latency = static_cast<int>(std::ceil(documentedDelay(rate)));
  EXPECT_EQ(e.latencySamples(), latency);
  const std::vector<float> in(6000, 0.5f);
  const auto r = test::renderStereo(e, in, block);
  EXPECT_FALSE(r.anyBlockFailed);
  EXPECT_TRUE(r.channelsAgree);
  for (int i = 0; i < latency; ++i)
    ASSERT_EQ(r.left[static_cast<std::size_t>(i)], 0.0f) << i;
  for (std::size_t i = static_cast<std::size_t>(latency); i < in.size(); ++i)
    ASSERT_EQ(r.left[i], 0.5f) << i;

  // A linear ramp passes an interpolating filter as a ramp: read the delay back.
  setupDry(e, rate, block);
  const auto ramped = test::renderStereo(e, test::ramp(8000, 1e-4f), block).left;
  for (std::size_t i = 200; i < ramped.size(); i += 97)
    ASSERT_NEAR(static_cast<double>(i + 1) - ramped[i] / 1e-4, documentedDelay(rate), 0.02) << "frame " << i;
}

INSTANTIATE_TEST_SUITE_P(Rates, RateAndBlock,
                         testing::Values(std::make_tuple(44100.0, 512), std::make_tuple(96000.0, 31),
                                         std::make_tuple(22050.0, 1), std::make_tuple(88200.0, 16384),
                                         std::make_tuple(192000.0, 128), std::make_tuple(32000.5, 300)));

TEST(RateConverted, AdapterFailureStaysLatchedUntilResetOrSetup) {
  enum class Clear { kResetAdapter, kResetParams, kSetup };
  for (Clear clear : {Clear::kResetAdapter, Clear::kResetParams, Clear::kSetup}) {
    KernelEngine e;
    setupDry(e, 44100.0, 256);
    std::vector<float> in(256, 0.5f), out(256, 1.0f);
    {
      test::BrokenBinding broken(e);  // the kernel refuses the chunks
      test::processMono(e, in.data(), out.data(), 256);
    }
    EXPECT_TRUE(e.blockFailed());
    EXPECT_TRUE(e.rateAdapterFailed());
    for (int i = 0; i < 3; ++i) {
      std::fill(out.begin(), out.end(), 1.0f);
      test::processMono(e, in.data(), out.data(), 256);
      EXPECT_TRUE(e.blockFailed());
      EXPECT_TRUE(e.outputSilent());
      EXPECT_EQ(out, std::vector<float>(256, 0.0f));
    }
    e.drainRuntimeDiagnostics();
    ASSERT_EQ(e.diagnosticRing().count, 4u);
    test::expectRecord(e.diagnosticRing().records[3], 2, 2, 7,
                       "sample-rate adapter failed; output was cleared");

    if (clear == Clear::kResetAdapter) e.resetRateAdapterState();
    if (clear == Clear::kResetParams) e.resetParams();
    if (clear == Clear::kSetup) setupDry(e, 44100.0, 256);
    EXPECT_FALSE(e.rateAdapterFailed());
    e.setParamValue(2, 0.0);
    for (int i = 0; i < 2; ++i)
      test::processMono(e, in.data(), out.data(), 256);
    EXPECT_FALSE(e.blockFailed());
    EXPECT_EQ(out[255], 0.5f);
  }
}

TEST(RateConverted, AFlushKeepsChangesStillWaitingForTheirKernelFrame) {
  // Host frame 510 maps to kernel frame 555, beyond what the first block
  // renders; the host then flushes with or without a newer value.
  for (bool newerInFlush : {false, true}) {
    KernelEngine e;
    ASSERT_TRUE(e.setup(44100.0, 512));
    std::vector<float> out(512);
    ASSERT_TRUE(e.pushParamNormalized(1, 0.5, 510));
    test::processMono(e, nullptr, out.data(), 512);
    EXPECT_EQ(e.kernelParamValue(1), 0.1);
    ASSERT_TRUE(!newerInFlush || e.pushParamNormalized(1, 0.25, 0));
    e.processBlock(nullptr, 0, nullptr, 0, 0);
    const double want = newerInFlush ? 0.25 : 0.5;
    EXPECT_EQ(e.paramValue(1), want);
    ASSERT_TRUE(!newerInFlush || e.pushParamNormalized(1, 0.25, 0));  // queued again by the processor
    for (int i = 0; i < 2; ++i)
      test::processMono(e, nullptr, out.data(), 512);
    EXPECT_EQ(e.kernelParamValue(1), want);
    EXPECT_EQ(e.paramValue(1), want);
  }
}
