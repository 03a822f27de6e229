#include "engine/sinc_dot.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/vector_targets.h"

using namespace talvo;

TEST(SincFilterRun, MatchesTheTapOrderReferenceOnEveryInstructionSet) {
  SincFilter filter;
  filter.fill(0.9, true);
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
  std::vector<double> fifo(3000);
  for (double& x : fifo)
    x = sample(rng);

  struct Run {
    std::uint64_t n, d;  // host rate N/D
    int maxCount;
    std::int64_t stop;  // absolute sample the centres must stay below
  };
  // Up- and downsampling; runs ended by the count (mid batch) and by `stop`.
  const Run runs[] = {
      {44100, 1, 1999, 2500}, {96000, 1, 2000, 2985}, {22050, 1, 37, 2985}, {88201, 2, 3, 2985}};
  test::forEachVectorTarget([&](const char* target) {
    for (const Run& r : runs) {
      SCOPED_TRACE(testing::Message() << target << ", " << r.n << "/" << r.d);
      HostPositionWalker reference, vector;
      reference.start(300, r.n, r.d);
      vector.start(300, r.n, r.d);
      const std::int64_t base = 100;  // fifo[0] holds absolute sample 100
      std::vector<float> want(static_cast<std::size_t>(r.maxCount)), got(want.size());
      const int wanted =
          sincFilterRun(reference, fifo.data(), base, filter, r.stop, want.data(), r.maxCount, true);
      ASSERT_EQ(sincFilterRun(vector, fifo.data(), base, filter, r.stop, got.data(), r.maxCount, false),
                wanted);
      EXPECT_EQ(vector.position().index, reference.position().index);
      EXPECT_EQ(vector.position().remainder, reference.position().remainder);
      for (int i = 0; i < wanted; ++i)
        ASSERT_NEAR(got[static_cast<std::size_t>(i)], want[static_cast<std::size_t>(i)], 1e-6) << i;
    }
  });
}
