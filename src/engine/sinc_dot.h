#pragma once
// The adapter's filter evaluations: 32 taps against the 32 samples around a
// position, divided by the sum of the taps.
#include <cstdint>

#include "engine/rate_math.h"
#include "engine/sinc_table.h"

namespace talvo {

/// One filtered sample from its 32-sample window. The reference sums the
/// products of the stored taps in tap order and divides by their sum (the
/// centre sample when that is 0); the vector path sums the products of the
/// unit taps as vectors, in an order of its own. They differ by rounding.
[[nodiscard]] float sincFilterAt(const double* window, const SincFilter& filter, std::uint32_t phase,
                                 bool reference) noexcept;

/// Filters a run of positions from `walker`, whose 32-sample windows all lie
/// inside `fifo` (element 0 at absolute sample `base`), into `out`: up to
/// `maxCount` positions, stopping before the first one whose centre reaches
/// `stop`. The walker is left at the first position not filtered; returns the
/// number filtered. A batch of positions gives each the value it would have
/// alone, so where runs start and end does not change the signal.
int sincFilterRun(PositionWalker& walker, const double* fifo, std::int64_t base, const SincFilter& filter,
                  std::int64_t stop, float* out, int maxCount, bool reference) noexcept;

}  // namespace talvo
