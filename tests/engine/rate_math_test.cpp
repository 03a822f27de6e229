#include "engine/rate_math.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace talvo;

namespace {

struct Rate {
  std::uint64_t n, d;
};

// Host rates as exact fractions: the common ones and a few awkward ones.
const Rate kRates[] = {{44100, 1}, {88200, 1},
                       {96000, 1}, {22050, 1},
                       {48000, 1}, {192000, 1},
                       {8000, 1},  {11025, 1},
                       {88201, 2}, {4000000, 1},
                       {1, 1},     {44100000001, 1000000},
                       {7, 3},     {3999999999999, 1000000}};

bool operator==(const SincPosition& a, const SincPosition& b) {
  return a.index == b.index && a.remainder == b.remainder && a.phase == b.phase;
}

}  // namespace

TEST(RatePositions, WalkersMatchTheExactFormsOverLongRuns) {
  // Start points include the origin and positions far along the timeline,
  // where the products no longer fit in 64 bits.
  for (const Rate& r : kRates) {
    for (std::uint64_t start :
         {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{123456789}, std::uint64_t{1} << 40}) {
      HostPositionWalker hw;
      KernelPositionWalker kw;
      hw.start(start, r.n, r.d);
      kw.start(start, r.n, r.d);
      const int steps = start == 0 ? 300000 : 20000;
      for (std::uint64_t at = start; at < start + static_cast<std::uint64_t>(steps); ++at) {
        ASSERT_TRUE(hw.position() == hostPositionOfKernelFrame(at, r.n, r.d))
            << r.n << "/" << r.d << " at " << at;
        ASSERT_TRUE(kw.position() == kernelPositionOfHostFrame(at, r.n, r.d))
            << r.n << "/" << r.d << " at " << at;
        hw.advance();
        kw.advance();
      }
    }
  }
}

TEST(RatePositions, FramesMapToTheNearestFrameAndOutputStartsOneLatencyEarly) {
  // Host frame P reads kernel time (P - 16) * 48000 / rate - 20.
  EXPECT_EQ(kernelPositionOfHostFrame(0, 44100, 1).index, -38);  // -17.41 - 20 = -37.41
  EXPECT_EQ(kernelPositionOfHostFrame(34, 44100, 1).index, -1);
  EXPECT_EQ(kernelPositionOfHostFrame(35, 44100, 1).index, 0);
  EXPECT_TRUE(kernelPositionOfHostFrame(56, 96000, 1) == (SincPosition{0, 0, 0}));
  EXPECT_EQ(kernelPositionOfHostFrame(57, 96000, 1).phase, 512u);
  EXPECT_EQ(kernelFrameOfHostFrame(441, 44100, 1), 480u);
  EXPECT_EQ(kernelFrameOfHostFrame(0, 44100, 1), 0u);
  EXPECT_EQ(kernelFrameOfHostFrame(1, 96000, 1), 1u);  // 0.5 rounds up
  EXPECT_EQ(kernelFrameOfHostFrame(3, 96000, 1), 2u);  // 1.5 rounds up
  EXPECT_EQ(kernelFrameOfHostFrame(1000, 48000, 1), 1000u);
  EXPECT_EQ(kernelFramesCeil(512, 44100, 1), 558u);
  EXPECT_EQ(kernelFramesCeil(16384, 500, 1), 1572864u);
}
