#pragma once
// The adapter's inner product, evaluated for several filter positions at once.
#include "engine/sinc_table.h"

namespace talvo {

inline constexpr int kSincLanes = 16;

/// acc[k] = sum over t = 0..31, in tap order, of taps[k][t] * x[k][t] for
/// k < lanes (at most kSincLanes). Each lane is a separate sum in the order a
/// one-position loop uses, so results are identical to it; running the lanes
/// side by side only hides the latency of the serial additions.
void sincDot(const double* const* x, const double* const* taps, int lanes, double* acc) noexcept;

}  // namespace talvo
