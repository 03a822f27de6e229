#pragma once
// The adapter's filter evaluations: 32 taps against 32 samples, divided by the
// sum of the taps.
#include <cstdint>

#include "engine/rate_math.h"
#include "engine/sinc_table.h"

namespace talvo {

/// The products taps[t] * x[t] summed one tap after another: the reference.
[[nodiscard]] double sincDotReference(const double* x, const double* taps) noexcept;

/// The same products in eight partial sums (tap t goes to sum t mod 8, each in
/// tap order), folded pairwise: s[k] + s[k + 4], then + 2, then + 1. Vector
/// units of 2, 4 and 8 lanes all keep this order, so every instruction set
/// gives the same bits; from the reference it differs by rounding only.
[[nodiscard]] double sincDot(const double* x, const double* taps) noexcept;

/// The filtered sample: `acc` divided by the phase's tap sum, which gives the
/// filter unity gain for constants; a zero sum passes the centre sample.
[[nodiscard]] inline float sincSample(double acc, double tapSum, double centre) noexcept {
  return static_cast<float>(tapSum != 0.0 ? acc / tapSum : centre);
}

/// Filters a run of positions from `walker`, whose 32-sample windows all lie
/// inside `fifo` (element 0 at absolute sample `base`), into `out`: up to
/// `maxCount` positions, stopping before the first one whose centre reaches
/// `stop`. `table` holds kSincTaps taps per phase and `sums` their sums. The
/// walker is left at the first position not filtered; returns the count.
/// `reference` takes sincDotReference one position at a time instead.
int sincFilterRun(PositionWalker& walker, const double* fifo, std::int64_t base, const double* table,
                  const double* sums, std::int64_t stop, float* out, int maxCount, bool reference) noexcept;

}  // namespace talvo
