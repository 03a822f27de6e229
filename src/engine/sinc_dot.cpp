#include "engine/sinc_dot.h"

namespace talvo {

namespace {
template <int Lanes>
inline void dotFixed(const double* const* x, const double* const* taps, double* acc) noexcept {
  double sum[Lanes];
  for (int k = 0; k < Lanes; ++k)
    sum[k] = 0.0;
  for (int t = 0; t < kSincTaps; ++t) {
    for (int k = 0; k < Lanes; ++k)
      sum[k] += taps[k][t] * x[k][t];
  }
  for (int k = 0; k < Lanes; ++k)
    acc[k] = sum[k];
}
}  // namespace

void sincDot(const double* const* x, const double* const* taps, int lanes, double* acc) noexcept {
  if (lanes == kSincLanes) {
    dotFixed<kSincLanes>(x, taps, acc);
    return;
  }
  for (int k = 0; k < lanes; ++k)
    dotFixed<1>(x + k, taps + k, acc + k);
}

}  // namespace talvo
