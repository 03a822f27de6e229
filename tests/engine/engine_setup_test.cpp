// Setup: the host format check, the exact rate, the adapter's size, the
// kernel instance, and the resets.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <thread>

#include "engine_harness.h"

using namespace talvo;

namespace {
// Setup that is expected to fail; returns what it wrote to standard error.
std::string refusedSetup(KernelEngine& e, double rate, int frames) {
  testing::internal::CaptureStderr();
  EXPECT_FALSE(e.setup(rate, frames));
  return testing::internal::GetCapturedStderr();
}
}  // namespace

TEST(EngineSetup, RatesBecomeExactFractionsAndSizeTheAdapter) {
  // Whole micro-hertz; capacity max(ceil(block * 48000 / rate) + 64, 3 * block + 8).
  struct Case {
    double rate;
    int block;
    std::uint64_t n, d, capacity;
  };
  const Case cases[] = {{48000.0, 512, 48000, 1, 1544},  {44100.0, 512, 44100, 1, 1544},
                        {11025.0, 512, 11025, 1, 2294},  {44100.0000004, 128, 44100, 1, 392},
                        {32000.5, 128, 64001, 2, 392},   {4000000.0, 16384, 4000000, 1, 49160},
                        {1000.0, 16384, 1000, 1, 786496}};
  KernelEngine e;
  for (const Case& c : cases) {
    ASSERT_TRUE(e.setup(c.rate, c.block)) << c.rate;
    EXPECT_TRUE(e.ready());
    EXPECT_EQ(e.rateConverted(), c.rate != 48000.0) << c.rate;
    EXPECT_EQ(e.hostRateNumerator(), c.n) << c.rate;
    EXPECT_EQ(e.hostRateDenominator(), c.d) << c.rate;
    EXPECT_EQ(e.srcCapacity(), c.capacity) << c.rate;
  }
  EXPECT_EQ(e.hostRate(), 1000.0);
  EXPECT_EQ(e.diagnosticRing().count, 0u);
}

TEST(EngineSetup, RefusedFormatsRecordInvalidConfigurationAndSayWhy) {
  const std::string ceiling =
      "talvo-plugin-shell: maxBlockFrames exceeds the 16384-frame ceiling; render long fixtures as a LOOP of "
      "<=16384-frame blocks rather than declaring the whole fixture as one block\n";
  struct Case {
    double rate;
    int frames;
    const char* shownRate;  // null: refused quietly, the adapter would be too large
  };
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {{44100.0, 0, "44100"},     {44100.0, -5, "44100"},    {44100.0, 16385, "44100"},
                        {nan, 512, "nan"},         {5e6, 512, "5000000"},     {inf, 512, "inf"},
                        {0.0000001, 512, "1e-07"}, {-48000.0, 512, "-48000"}, {500.0, 16384, nullptr},
                        {750.0, 16384, nullptr},   {0.000001, 1, nullptr}};
  for (const Case& c : cases) {
    KernelEngine e;
    const std::string err = refusedSetup(e, c.rate, c.frames);
    if (c.shownRate != nullptr) {
      EXPECT_EQ(err, std::string("talvo-plugin-shell: rejected host format (sampleRate=") + c.shownRate +
                         ", maxBlockFrames=" + std::to_string(c.frames) + ")\n" +
                         (c.frames > 16384 ? ceiling : ""));
    } else {
      EXPECT_EQ(err, "") << c.rate;
    }
    EXPECT_FALSE(e.ready());
    ASSERT_EQ(e.diagnosticRing().count, 1u);
    test::expectRecord(e.diagnosticRing().records[0], 14, 2, 5,
                       c.shownRate ? "host processing configuration is invalid"
                                   : "host rate requires unsupported SRC FIFO capacity");
    EXPECT_EQ(e.instanceToken(), 0u);  // refused before a kernel instance was made
  }
}

TEST(EngineSetup, RefusalKeepsThePreviousKernelInstanceButStopsRendering) {
  KernelEngine e;
  ASSERT_TRUE(e.setup(48000.0, 256));
  const std::uint32_t token = e.instanceToken();
  (void)refusedSetup(e, 48000.0, 0);
  EXPECT_EQ(e.instanceToken(), token);
  EXPECT_EQ(e.maxBlockFrames(), 256);
  std::vector<float> out(64, 1.0f);
  test::processMono(e, nullptr, out.data(), 64);
  EXPECT_TRUE(e.blockFailed());
  EXPECT_EQ(out[0], 0.0f);
}

TEST(EngineSetup, EverySetupReplacesTheKernelInstanceAndEnginesShareNone) {
  // A kernel library has 32 instance slots. The previous instance is
  // destroyed before the next is made: slot 0 comes back every time, with a
  // new generation.
  KernelEngine e;
  std::uint32_t previous = 0;
  for (int i = 0; i < 33; ++i) {
    ASSERT_TRUE(e.setup(i % 3 ? 48000.0 : 44100.0, 128)) << i;
    EXPECT_EQ((e.instanceToken() - 1) % 32, 0u) << i;
    EXPECT_GT(e.instanceToken(), previous) << i;
    previous = e.instanceToken();
  }
  std::vector<std::unique_ptr<KernelEngine>> engines;
  for (int i = 0; i < 33; ++i) {
    engines.push_back(std::make_unique<KernelEngine>());
    ASSERT_TRUE(engines.back()->setup(48000.0, 128)) << i;
    EXPECT_EQ(engines.back()->instanceToken(), 1u);
  }
}

TEST(EngineSetup, SetupAndResetRestartSignalMemory) {
  KernelEngine e;
  ASSERT_TRUE(e.setup(48000.0, 512));
  e.setParamValue(1, 0.0);  // depth 0: a pure 120-sample delay
  const std::vector<float> in(1024, 0.5f);
  (void)test::render(e, in, 512);
  ASSERT_TRUE(e.setup(48000.0, 512));
  EXPECT_EQ(e.paramValue(1), 0.0);  // values survive setup
  auto out = test::render(e, in, 512);
  EXPECT_EQ(out[119], 0.0f);
  EXPECT_EQ(out[120], 0.5f);

  ASSERT_TRUE(e.setup(44100.0, 256));
  e.setParamValue(0, 12.0);
  e.setParamValue(2, 0.0);
  e.setVariation(3);
  (void)test::render(e, in, 256);
  e.resetParams();
  EXPECT_EQ(e.paramValue(0), 5.0);
  EXPECT_EQ(e.variation(), 16);
  EXPECT_EQ(e.kernelParamValue(2), 1.0);
  // Adapter restarted: its latency of silence comes again.
  e.setParamValue(2, 0.0);
  out = test::render(e, in, 256);
  EXPECT_EQ(out[34], 0.0f);
  EXPECT_EQ(out[35], 0.5f);
}

TEST(EngineParams, VariationIsClampedAndAFlushTakesQueuedValuesInPushOrder) {
  KernelEngine e;
  ASSERT_TRUE(e.setup(48000.0, 64));
  std::vector<float> out(64);
  test::processMono(e, nullptr, out.data(), 64);  // nothing left to republish
  e.setVariation(-4);
  EXPECT_EQ(e.variation(), 0);
  e.setVariation(25);
  EXPECT_EQ(e.variation(), 19);
  ASSERT_TRUE(e.pushParamNormalized(1, 0.25, 10));
  ASSERT_TRUE(e.pushParamNormalized(1, 0.75, 3));
  ASSERT_TRUE(e.pushNoteOn(60, 1.0, 0, 0, 0));
  e.flushParameterEvents();
  EXPECT_EQ(e.paramValue(1), 0.75);
  test::processMono(e, nullptr, out.data(), 64);  // the copied values are republished
  EXPECT_EQ(e.kernelParamValue(1), 0.75);
}

TEST(EngineParams, PushesAreRefusedForUnknownIdsFullQueuesAndBadValues) {
  KernelEngine e;
  ASSERT_TRUE(e.setup(48000.0, 64));
  EXPECT_FALSE(e.pushParamNormalized(3, 0.5, 0));
  EXPECT_FALSE(e.pushParamNormalized(0, std::nan(""), 0));
  // Infinities are values beyond the range and clamp to its ends.
  ASSERT_TRUE(e.pushParamNormalized(0, std::numeric_limits<double>::infinity(), 0));
  ASSERT_TRUE(e.pushParamNormalized(1, -std::numeric_limits<double>::infinity(), 0));
  e.processBlock(nullptr, 0, nullptr, 0, 0);
  EXPECT_DOUBLE_EQ(e.paramValue(0), 20.0);
  EXPECT_EQ(e.paramValue(1), 0.0);
  EXPECT_FALSE(e.pushController(128, 0, 0, 0, 0));
  EXPECT_FALSE(e.pushController(1, 128, 0, 0, 0));
  EXPECT_TRUE(e.pushController(127, 127, 0, 0, 0));
  for (int i = 1; i < 2048; ++i)
    ASSERT_TRUE(e.pushNoteOff(60, 0, 0, 0)) << i;
  EXPECT_FALSE(e.pushParamNormalized(0, 0.5, 0));  // the 2049th
  EXPECT_FALSE(e.pushNoteOn(60, 1.0, 0, 0, 0));
}

TEST(EngineParams, ValuesRestoredWhileRenderingReachTheKernel) {
  // State restore may run on the main thread while the audio thread renders.
  KernelEngine e;
  ASSERT_TRUE(e.setup(44100.0, 128));
  std::atomic<bool> done{false};
  std::vector<float> out(128);
  std::thread audio([&] {
    while (!done.load(std::memory_order_acquire))
      test::processMono(e, nullptr, out.data(), 128);
  });
  for (int i = 0; i <= 2000; ++i)
    e.setParamValue(1, (i % 100) / 100.0);
  done.store(true, std::memory_order_release);
  audio.join();
  test::processMono(e, nullptr, out.data(), 128);
  EXPECT_EQ(e.kernelParamValue(1), 0.0);
}
