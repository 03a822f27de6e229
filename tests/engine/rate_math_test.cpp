// The position walkers step what the exact forms compute afresh. The
// reference adapter test covers the first second at common rates; these
// go on longer, at fractional rates and far along the timeline.
#include "engine/rate_math.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace talvo;

TEST(RatePositions, WalkersMatchTheExactFormsAtFractionalRatesAndFarAlongTheTimeline) {
  const std::uint64_t rates[][2] = {{44100, 1}, {192000, 1}, {8000, 1},    {88201, 2},
                                    {64001, 2}, {7, 3},      {4000000, 1}, {3999999999999, 1000000}};
  for (const auto& [n, d] : rates) {
    for (const std::uint64_t start : {std::uint64_t{0}, std::uint64_t{1} << 40}) {
      HostPositionWalker host;
      KernelPositionWalker kernel;
      host.start(start, n, d);
      kernel.start(start, n, d);
      for (std::uint64_t at = start; at < start + 70000; ++at) {
        const SincPosition h = host.position(), hx = hostPositionOfKernelFrame(at, n, d);
        const SincPosition k = kernel.position(), kx = kernelPositionOfHostFrame(at, n, d);
        ASSERT_TRUE(h.index == hx.index && h.remainder == hx.remainder && h.phase == hx.phase)
            << n << "/" << d << " at " << at;
        ASSERT_TRUE(k.index == kx.index && k.remainder == kx.remainder && k.phase == kx.phase)
            << n << "/" << d << " at " << at;
        host.advance();
        kernel.advance();
      }
    }
  }
}
