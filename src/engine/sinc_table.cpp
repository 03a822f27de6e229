#include "engine/sinc_table.h"

#include <cmath>
#include <new>

namespace talvo {

void fillSincTable(float* taps, double* sums, double cutoff) {
  constexpr double kPi = 3.141592653589793;
  for (int p = 0; p < kSincPhases; ++p) {
    float* row = taps + static_cast<std::size_t>(p) * kSincTaps;
    const double f = static_cast<double>(p) / kSincPhases;
    double sum = 0.0;
    for (int t = 0; t < kSincTaps; ++t) {
      const double x = cutoff * (f - static_cast<double>(t - 15));
      const double s = std::fabs(x) < 1e-12 ? 1.0 : std::sin(kPi * x) / (kPi * x);
      const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * t / 31.0);
      const double tap = w * cutoff * s;
      row[t] = static_cast<float>(tap);
      sum += tap;
    }
    if (sum != 0.0) {
      for (int t = 0; t < kSincTaps; ++t)
        row[t] = static_cast<float>(static_cast<double>(row[t]) / sum);
    }
    // The filters divide by the sum of the taps as stored, not by `sum`.
    double stored = 0.0;
    for (int t = 0; t < kSincTaps; ++t)
      stored += static_cast<double>(row[t]);
    sums[p] = stored;
  }
}

void SincFilter::fill(double cutoff, bool reference) {
  std::vector<float> rounded(kSincTableSize);
  std::vector<double> rowSums(kSincPhases);
  fillSincTable(rounded.data(), rowSums.data(), cutoff);
  unitTaps = hwy::AllocateAligned<double>(kSincTableSize);
  if (!unitTaps) throw std::bad_alloc();
  for (int p = 0; p < kSincPhases; ++p) {
    const double sum = rowSums[static_cast<std::size_t>(p)];
    for (int t = 0; t < kSincTaps; ++t) {
      const std::size_t at = static_cast<std::size_t>(p) * kSincTaps + static_cast<std::size_t>(t);
      unitTaps[at] = sum != 0.0 ? static_cast<double>(rounded[at]) / sum : (t == kSincCentreTap ? 1.0 : 0.0);
    }
  }
  if (reference) {
    taps.assign(rounded.begin(), rounded.end());
    sums = std::move(rowSums);
  } else {
    taps = {};
    sums = {};
  }
}

}  // namespace talvo
