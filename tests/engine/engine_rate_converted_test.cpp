// Rate-converted mode: adapter failures and changes still waiting for their
// kernel frame. Sample-exact output is the reference test's.
#include <gtest/gtest.h>

#include <vector>

#include "engine_harness.h"

using namespace talvo;

namespace {

void setupDry(KernelEngine& e, double rate, int block) {
  ASSERT_TRUE(e.setup(rate, block));
  EXPECT_TRUE(e.rateConverted());
  e.setParamValue(2, 0.0);
}

}  // namespace

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
