// Rate-converted mode: timing and quality of the adapter path. With wet 0 the
// kernel passes its input unchanged, so the engine is the adapter alone: host
// frame P carries the input at P - 16 - 20 * rate / 48000.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <tuple>
#include <vector>

#include "engine_harness.h"

using namespace talvo;

namespace {

constexpr double kPi = 3.141592653589793;

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

TEST_P(RateAndBlock, ConstantSettlesExactlyAndARampComesOutAtTheDocumentedDelay) {
  const auto [rate, block] = GetParam();
  KernelEngine e;
  setupDry(e, rate, block);
  const std::vector<float> in(6000, 0.5f);
  const auto r = test::renderStereo(e, in, block);
  EXPECT_FALSE(r.anyBlockFailed);
  EXPECT_TRUE(r.channelsAgree);
  // Silent while the output still reads kernel time before the stream start,
  // then exactly the input: the filters divide by their own tap sums.
  const int first = static_cast<int>(std::ceil(documentedDelay(rate)));
  for (int i = 0; i < first; ++i)
    ASSERT_EQ(r.left[static_cast<std::size_t>(i)], 0.0f) << i;
  for (std::size_t i = static_cast<std::size_t>(first); i < in.size(); ++i)
    ASSERT_EQ(r.left[i], 0.5f) << i;

  // A linear ramp passes an interpolating filter as a ramp: read the delay back.
  setupDry(e, rate, block);
  const auto ramped = test::renderStereo(e, test::ramp(8000, 1e-4f), block).left;
  for (std::size_t i = 200; i < ramped.size(); i += 97)
    ASSERT_NEAR(static_cast<double>(i + 1) - ramped[i] / 1e-4, documentedDelay(rate), 0.02) << "frame " << i;
}

INSTANTIATE_TEST_SUITE_P(Rates, RateAndBlock,
                         testing::Combine(testing::Values(44100.0, 96000.0, 22050.0, 88200.0, 192000.0,
                                                          32000.5),
                                          testing::Values(1, 31, 128, 512, 16384)));

TEST(RateConverted, ImpulseArrivesAtTheDocumentedDelayWithinTheReportedLatency) {
  for (double rate : {44100.0, 96000.0}) {
    KernelEngine e;
    setupDry(e, rate, 512);
    std::vector<float> in(4096, 0.0f);
    const int at = 1000;
    in[at] = 1.0f;
    const auto r = test::renderStereo(e, in, 512);
    std::size_t peak = 0;
    double energy = 0.0, moment = 0.0;
    for (std::size_t i = 0; i < r.left.size(); ++i) {
      if (std::fabs(r.left[i]) > std::fabs(r.left[peak])) peak = i;
      const double y2 = static_cast<double>(r.left[i]) * r.left[i];
      energy += y2;
      moment += y2 * static_cast<double>(i);
    }
    const double delay = documentedDelay(rate);
    EXPECT_EQ(static_cast<double>(peak), at + std::round(delay)) << rate;
    EXPECT_NEAR(moment / energy - at, delay, 0.05) << rate;
    EXPECT_EQ(e.latencySamples(), rate == 44100.0 ? 35 : 56);
    EXPECT_GE(e.latencySamples(), delay);
    // Nothing arrives earlier than the two filters' look-ahead (16 host
    // frames and 16 kernel frames) allows.
    const double earliest = at + delay - 16.0 - 16.0 * rate / 48000.0 - 1.0;
    for (std::size_t i = 0; static_cast<double>(i) < earliest; ++i)
      ASSERT_EQ(r.left[i], 0.0f) << i;
  }
}

TEST(RateConverted, SineThroughTheAdapterKeepsFiftyDecibelsSignalToError) {
  for (double rate : {44100.0, 96000.0}) {
    KernelEngine e;
    setupDry(e, rate, 512);
    const int n = static_cast<int>(rate);  // one second
    const auto sine = [rate](double t) { return 0.5 * std::sin(2 * kPi * 1000.0 * t / rate); };
    std::vector<float> in(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
      in[static_cast<std::size_t>(i)] = static_cast<float>(sine(i));
    const auto r = test::renderStereo(e, in, 512);
    double signal = 0.0, error = 0.0;
    for (int i = 2000; i < n; ++i) {  // once the filters have settled
      const double want = sine(i - documentedDelay(rate));
      const double diff = r.left[static_cast<std::size_t>(i)] - want;
      signal += want * want;
      error += diff * diff;
    }
    const double db = 10.0 * std::log10(signal / error);
    std::printf("1 kHz sine at %.0f Hz: signal-to-error %.1f dB\n", rate, db);
    RecordProperty(rate == 44100.0 ? "snr_db_44100" : "snr_db_96000", std::to_string(db));
    EXPECT_GE(db, 50.0) << rate;
  }
}

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
