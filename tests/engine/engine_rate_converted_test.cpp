// Rate-converted mode: timing, exactness and quality of the adapter path.
// With wet 0 the kernel passes its input unchanged, so the engine is the
// adapter alone: host frame P carries the input at P - 16 - 20 * rate / 48000.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <tuple>
#include <vector>

#include "engine/kernel_engine.h"
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

// Signal-to-error ratio of a 1 kHz sine against the input delayed by the
// documented latency, measured after the filters have settled.
double sineSignalToErrorDb(double rate, int block) {
  KernelEngine e;
  EXPECT_TRUE(e.setup(rate, block));
  e.setParamValue(2, 0.0);
  const int n = static_cast<int>(rate);  // one second
  std::vector<float> in(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    in[static_cast<std::size_t>(i)] = static_cast<float>(0.5 * std::sin(2 * kPi * 1000.0 * i / rate));
  const auto r = test::renderStereo(e, in, block);
  const double delay = documentedDelay(rate);
  double signal = 0.0, error = 0.0;
  for (int i = 2000; i < n; ++i) {
    const double want = 0.5 * std::sin(2 * kPi * 1000.0 * (i - delay) / rate);
    const double diff = r.left[static_cast<std::size_t>(i)] - want;
    signal += want * want;
    error += diff * diff;
  }
  return 10.0 * std::log10(signal / error);
}

}  // namespace

TEST_P(RateAndBlock, ConstantInputSettlesToExactlyTheSameValue) {
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
}

TEST_P(RateAndBlock, RampComesOutDelayedByTheDocumentedLatency) {
  const auto [rate, block] = GetParam();
  KernelEngine e;
  setupDry(e, rate, block);
  std::vector<float> in(8000);
  for (std::size_t i = 0; i < in.size(); ++i)
    in[i] = static_cast<float>(i) * 1e-4f;
  const auto r = test::renderStereo(e, in, block);
  // A linear ramp passes an interpolating filter as a ramp: read the delay back.
  const double delay = documentedDelay(rate);
  for (std::size_t i = 200; i < in.size(); i += 97) {
    const double measured = static_cast<double>(i) - r.left[i] / 1e-4;
    ASSERT_NEAR(measured, delay, 0.02) << "frame " << i;
  }
  EXPECT_GE(e.latencySamples(), delay);
  EXPECT_LT(e.latencySamples(), delay + 1.0);
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
    const double db = sineSignalToErrorDb(rate, 512);
    std::printf("1 kHz sine at %.0f Hz: signal-to-error %.1f dB\n", rate, db);
    RecordProperty(rate == 44100.0 ? "snr_db_44100" : "snr_db_96000", std::to_string(db));
    EXPECT_GE(db, 50.0) << rate;
  }
}

TEST(RateConverted, AdapterFailureStaysLatchedUntilReset) {
  KernelEngine e;
  setupDry(e, 44100.0, 256);
  std::vector<float> in(256, 0.5f), out(256, 1.0f);
  const float* ins[1] = {in.data()};
  float* outs[1] = {out.data()};
  std::uint32_t& handle = KernelEngineTestAccess::handle(e);
  const std::uint32_t good = handle;

  handle = good + 1;  // the kernel refuses the chunks
  e.processBlock(ins, 1, outs, 1, 256);
  EXPECT_TRUE(e.blockFailed());
  EXPECT_TRUE(e.rateAdapterFailed());
  handle = good;
  for (int i = 0; i < 3; ++i) {
    std::fill(out.begin(), out.end(), 1.0f);
    e.processBlock(ins, 1, outs, 1, 256);
    EXPECT_TRUE(e.blockFailed());
    EXPECT_TRUE(e.outputSilent());
    EXPECT_EQ(out, std::vector<float>(256, 0.0f));
  }
  e.drainRuntimeDiagnostics();
  ASSERT_EQ(e.diagnosticRing().count, 4u);
  EXPECT_EQ(e.diagnosticRing().records[3].code, 2u);
  EXPECT_EQ(e.diagnosticRing().records[3].severity, 2u);
  EXPECT_STREQ(e.diagnosticRing().records[3].message, "sample-rate adapter failed; output was cleared");

  e.resetRateAdapterState();
  EXPECT_FALSE(e.rateAdapterFailed());
  for (int i = 0; i < 2; ++i)
    e.processBlock(ins, 1, outs, 1, 256);
  EXPECT_FALSE(e.blockFailed());
  EXPECT_EQ(out[255], 0.5f);

  handle = good + 1;
  e.processBlock(ins, 1, outs, 1, 256);
  handle = good;
  e.processBlock(ins, 1, outs, 1, 256);
  EXPECT_TRUE(e.blockFailed());
  ASSERT_TRUE(e.setup(44100.0, 256));
  e.processBlock(ins, 1, outs, 1, 256);
  EXPECT_FALSE(e.blockFailed());
}

TEST(RateConverted, ResetParamsAlsoClearsTheLatch) {
  KernelEngine e;
  setupDry(e, 96000.0, 128);
  std::vector<float> out(128);
  float* outs[1] = {out.data()};
  std::uint32_t& handle = KernelEngineTestAccess::handle(e);
  const std::uint32_t good = handle;
  handle = good + 1;
  e.processBlock(nullptr, 0, outs, 1, 128);
  handle = good;
  ASSERT_TRUE(e.rateAdapterFailed());
  e.resetParams();
  e.processBlock(nullptr, 0, outs, 1, 128);
  EXPECT_FALSE(e.blockFailed());
}

TEST(RateConverted, ChangesWaitForTheirKernelFrame) {
  // A wet-to-dry change at host frame 700 of a ramp: the output follows the
  // wet (120-kernel-frame delayed) signal before the change and the dry one
  // after it, each delayed by the adapter.
  KernelEngine e;
  ASSERT_TRUE(e.setup(44100.0, 512));
  e.setParamValue(1, 0.0);
  std::vector<float> in(3000);
  for (std::size_t i = 0; i < in.size(); ++i)
    in[i] = static_cast<float>(i) * 1e-4f;
  std::vector<float> out(in.size());
  for (std::size_t pos = 0; pos < in.size(); pos += 512) {
    const int n = static_cast<int>(std::min<std::size_t>(512, in.size() - pos));
    if (pos == 512) {
      ASSERT_TRUE(e.pushParamNormalized(2, 0.0, 700 - 512));
    }
    const float* ins[1] = {in.data() + pos};
    float* outs[1] = {out.data() + pos};
    e.processBlock(ins, 1, outs, 1, n);
  }
  const double adapter = documentedDelay(44100.0);
  const double wetDelay = adapter + 120.0 * 44100.0 / 48000.0;
  // Well before and well after the change (the filters blur 16 frames around it).
  for (std::size_t i = 300; i < 700; i += 11)
    EXPECT_NEAR(i - out[i] / 1e-4, wetDelay, 0.05) << i;
  for (std::size_t i = 700 + 60; i < 1500; i += 11)
    EXPECT_NEAR(i - out[i] / 1e-4, adapter, 0.05) << i;
}

TEST(RateConverted, AFlushDoesNotLoseAChangeStillWaitingForItsKernelFrame) {
  KernelEngine e;
  ASSERT_TRUE(e.setup(44100.0, 512));
  std::vector<float> out(512);
  float* outs[1] = {out.data()};
  // Host frame 510 maps to kernel frame 555, beyond what the first block renders.
  ASSERT_TRUE(e.pushParamNormalized(1, 0.5, 510));
  e.processBlock(nullptr, 0, outs, 1, 512);
  EXPECT_EQ(e.kernelParamValue(1), 0.1);
  e.processBlock(nullptr, 0, nullptr, 0, 0);  // the host flushes; nothing is queued again
  EXPECT_EQ(e.paramValue(1), 0.5);
  e.processBlock(nullptr, 0, outs, 1, 512);
  EXPECT_EQ(e.kernelParamValue(1), 0.5);
}

TEST(RateConverted, AFlushKeepsItsOwnChangeOverAnOlderWaitingOne) {
  KernelEngine e;
  ASSERT_TRUE(e.setup(44100.0, 512));
  std::vector<float> out(512);
  float* outs[1] = {out.data()};
  ASSERT_TRUE(e.pushParamNormalized(1, 0.5, 510));  // still waiting after this block
  e.processBlock(nullptr, 0, outs, 1, 512);
  ASSERT_TRUE(e.pushParamNormalized(1, 0.25, 0));  // the host's flush brings a newer value
  e.processBlock(nullptr, 0, nullptr, 0, 0);
  EXPECT_EQ(e.paramValue(1), 0.25);
  ASSERT_TRUE(e.pushParamNormalized(1, 0.25, 0));  // queued again by the processor
  e.processBlock(nullptr, 0, outs, 1, 512);
  e.processBlock(nullptr, 0, outs, 1, 512);
  EXPECT_EQ(e.kernelParamValue(1), 0.25);
  EXPECT_EQ(e.paramValue(1), 0.25);
}
