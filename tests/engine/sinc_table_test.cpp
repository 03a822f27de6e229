#include "engine/sinc_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace talvo;

namespace {
struct Table {
  std::vector<float> taps = std::vector<float>(kSincTableSize);
  std::vector<double> sums = std::vector<double>(kSincPhases);
  explicit Table(double cutoff) { fillSincTable(taps.data(), sums.data(), cutoff); }
  [[nodiscard]] float at(int p, int t) const { return taps[static_cast<std::size_t>(p) * kSincTaps + t]; }
};
}  // namespace

TEST(SincTable, EveryPhaseHasUnitGainItsStoredSumAndAMirrorImage) {
  for (double cutoff : {1.0, 44100.0 / 48000.0, 0.5, 0.1}) {
    const Table table(cutoff);
    for (int p = 0; p < kSincPhases; ++p) {
      double sum = 0.0;
      for (int t = 0; t < kSincTaps; ++t) {
        sum += static_cast<double>(table.at(p, t));
        // Phase f seen from the next sample is phase 1 - f with the taps
        // reversed around the window's centre.
        if (p > 0) {
          ASSERT_NEAR(table.at(p, t), table.at(kSincPhases - p, 31 - t), 2e-7f) << p << "," << t;
        }
      }
      ASSERT_EQ(table.sums[static_cast<std::size_t>(p)], sum) << "phase " << p;
      ASSERT_NEAR(sum, 1.0, 1e-6) << "cutoff " << cutoff << " phase " << p;
    }
  }
}

TEST(SincTable, FullBandPassesTheCentreSampleAndHalfBandStopsNyquist) {
  // At cutoff 1 the sinc's zeros fall on every other tap: phase 0 passes the
  // sample under tap 15 unchanged.
  const Table full(1.0);
  for (int t = 0; t < kSincTaps; ++t)
    EXPECT_NEAR(full.at(0, t), t == 15 ? 1.0f : 0.0f, 1e-6f) << t;
  // Alternating signs (the kernel-side Nyquist frequency) sum towards zero.
  const Table half(0.5);
  double nyquist = 0.0;
  for (int t = 0; t < kSincTaps; ++t)
    nyquist += (t % 2 == 0 ? 1.0 : -1.0) * half.at(512, t);
  EXPECT_LT(std::fabs(nyquist), 1e-3);
}
