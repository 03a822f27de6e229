#include "engine/sinc_dot.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace talvo;

// The adapter's samples are float-valued, so its output rarely shows a change
// in the order of a sum; full-precision data does. Whatever vector path the
// machine takes must give the tap-order sum exactly, for full and partial
// batches, so every machine renders the same samples.
TEST(SincDot, EveryLaneEqualsTheTapOrderSumBitForBit) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
  std::vector<double> data(static_cast<std::size_t>(kSincLanes) * 2 * kSincTaps);
  for (int round = 0; round < 200; ++round) {
    for (double& v : data)
      v = static_cast<double>(sample(rng)) * (round % 2 ? 1e-3 : 1.0);
    const double* x[kSincLanes];
    const double* taps[kSincLanes];
    for (int k = 0; k < kSincLanes; ++k) {
      // Windows start at unaligned, overlapping places, as in a FIFO.
      x[k] = data.data() + (k * 7 + round) % (data.size() - kSincTaps);
      taps[k] = data.data() + (k * 13 + 3 * round + 1) % (data.size() - kSincTaps);
    }
    for (int lanes = 1; lanes <= kSincLanes; ++lanes) {
      double acc[kSincLanes];
      sincDot(x, taps, lanes, acc);
      for (int k = 0; k < lanes; ++k) {
        double want = 0.0;
        for (int t = 0; t < kSincTaps; ++t)
          want += taps[k][t] * x[k][t];
        ASSERT_EQ(acc[k], want) << "round " << round << " lanes " << lanes << " lane " << k;
      }
    }
  }
}
