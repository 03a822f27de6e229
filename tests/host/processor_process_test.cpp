// The built processor through the VST3 boundary: the latency it reports at
// each rate, and parameter points landing on their exact frames at 48000 Hz,
// where the kernel runs at the host rate.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "host/bundle_session.h"
#include "hosting/param_changes.h"
#include "hosting/process_buffers.h"

namespace talvo::host {
namespace {

using namespace Steinberg::Vst;

TEST(BundleProcessor, LatencyIsTheRateAdaptersDelayAtEachRate) {
  const std::pair<double, Steinberg::uint32> cases[] = {{48000.0, 0}, {44100.0, 35}, {96000.0, 56}};
  for (auto [rate, latency] : cases) {
    auto instance = test::newInstance();
    ASSERT_NE(instance, nullptr);
    std::string error;
    ASSERT_TRUE(instance->start(rate, 512, kRealtime, error)) << error;
    EXPECT_EQ(instance->processor()->getLatencySamples(), latency) << rate << " Hz";
  }
}

// A rising ramp below full scale, so the delay line never clips it.
float ramp(int frame) {
  return static_cast<float>(frame + 1) / 1024.0f;
}

TEST(BundleProcessor, WetChangesReachTheAudioAtTheirFrames) {
  constexpr int kBlock = 256;
  constexpr int kCentreDelay = 120;  // with depth 0 the wet path is the input delayed this much
  constexpr ParamID kDepth = 1, kWet = 2;
  // Wet steps after wet 0 at offset 0: on either side of and on the kernel's
  // chunk edge at 128, on the last frame, on and off again.
  const std::vector<std::pair<int, double>> cases[] = {{{1, 1.0}},   {{127, 1.0}},
                                                       {{128, 1.0}}, {{200, 1.0}},
                                                       {{255, 1.0}}, {{130, 1.0}, {140, 0.0}, {250, 1.0}}};
  ProcessBuffers buffers(2, 2, kBlock);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < kBlock; ++i)
      buffers.input(c)[i] = ramp(i);
  for (const auto& wetSteps : cases) {
    SCOPED_TRACE("first step at " + std::to_string(wetSteps[0].first));
    auto instance = test::newInstance();
    ASSERT_NE(instance, nullptr);
    std::string error;
    ASSERT_TRUE(instance->start(48000.0, kBlock, kRealtime, error)) << error;
    ParameterChanges changes(2, 8);
    ASSERT_TRUE(changes.addPoint(kDepth, 0, 0.0));
    ASSERT_TRUE(changes.addPoint(kWet, 0, 0.0));
    for (auto [offset, wet] : wetSteps)
      ASSERT_TRUE(changes.addPoint(kWet, offset, wet));
    ASSERT_EQ(instance->processor()->process(buffers.prepare(kBlock, &changes, nullptr, kRealtime)),
              Steinberg::kResultOk);

    // Expected from the steps alone: the input while wet is 0, the input
    // delayed by the centre delay while wet is 1.
    double wet = 0.0;
    for (int i = 0; i < kBlock; ++i) {
      for (auto [offset, value] : wetSteps)
        if (offset == i) wet = value;
      const float expected = wet == 0.0 ? ramp(i) : (i >= kCentreDelay ? ramp(i - kCentreDelay) : 0.0f);
      ASSERT_EQ(buffers.output(0)[i], expected) << "frame " << i;
      ASSERT_EQ(buffers.output(1)[i], expected) << "frame " << i;
    }
  }
}

}  // namespace
}  // namespace talvo::host
