#include "engine/sinc_dot.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TALVO_SINC_X86 1
#endif

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

void dotPortable(const double* const* x, const double* const* taps, int lanes, double* acc) noexcept {
  if (lanes == kSincLanes) {
    dotFixed<kSincLanes>(x, taps, acc);
    return;
  }
  for (int k = 0; k < lanes; ++k)
    dotFixed<1>(x + k, taps + k, acc + k);
}

#ifdef TALVO_SINC_X86
// Four lanes side by side: products of four consecutive taps are formed per
// lane, transposed so each vector holds one tap position of all four lanes,
// and added in tap order. Separate multiplies and adds (no fused forms), so
// every lane's sum is bit-identical to the portable loop.
__attribute__((target("avx2"))) inline __m256d productsAt(const double* const* x, const double* const* taps,
                                                          int k, int t) noexcept {
  return _mm256_mul_pd(_mm256_loadu_pd(taps[k] + t), _mm256_loadu_pd(x[k] + t));
}

// Groups of four lanes run side by side so their addition chains overlap.
template <int Groups>
__attribute__((target("avx2"))) inline void dotGroups(const double* const* x, const double* const* taps,
                                                      double* acc) noexcept {
  __m256d sum[Groups];
  for (int g = 0; g < Groups; ++g)
    sum[g] = _mm256_setzero_pd();
  for (int t = 0; t < kSincTaps; t += 4) {
    for (int g = 0; g < Groups; ++g) {
      const int k = 4 * g;
      const __m256d a = productsAt(x, taps, k, t);
      const __m256d b = productsAt(x, taps, k + 1, t);
      const __m256d c = productsAt(x, taps, k + 2, t);
      const __m256d d = productsAt(x, taps, k + 3, t);
      const __m256d ab0 = _mm256_unpacklo_pd(a, b);  // a0 b0 a2 b2
      const __m256d ab1 = _mm256_unpackhi_pd(a, b);  // a1 b1 a3 b3
      const __m256d cd0 = _mm256_unpacklo_pd(c, d);
      const __m256d cd1 = _mm256_unpackhi_pd(c, d);
      sum[g] = _mm256_add_pd(sum[g], _mm256_permute2f128_pd(ab0, cd0, 0x20));
      sum[g] = _mm256_add_pd(sum[g], _mm256_permute2f128_pd(ab1, cd1, 0x20));
      sum[g] = _mm256_add_pd(sum[g], _mm256_permute2f128_pd(ab0, cd0, 0x31));
      sum[g] = _mm256_add_pd(sum[g], _mm256_permute2f128_pd(ab1, cd1, 0x31));
    }
  }
  for (int g = 0; g < Groups; ++g)
    _mm256_storeu_pd(acc + 4 * g, sum[g]);
}

__attribute__((target("avx2"))) void dotAvx2(const double* const* x, const double* const* taps, int lanes,
                                             double* acc) noexcept {
  if (lanes == kSincLanes) {
    dotGroups<kSincLanes / 4>(x, taps, acc);
    return;
  }
  int k = 0;
  for (; k + 4 <= lanes; k += 4)
    dotGroups<1>(x + k, taps + k, acc + k);
  for (; k < lanes; ++k)
    dotFixed<1>(x + k, taps + k, acc + k);
}
#endif

using DotFn = void (*)(const double* const*, const double* const*, int, double*) noexcept;

DotFn chooseDot() noexcept {
#ifdef TALVO_SINC_X86
  if (__builtin_cpu_supports("avx2")) return &dotAvx2;
#endif
  return &dotPortable;
}

}  // namespace

void sincDot(const double* const* x, const double* const* taps, int lanes, double* acc) noexcept {
  // Chosen once per process; later calls only read the pointer.
  static const DotFn dot = chooseDot();
  dot(x, taps, lanes, acc);
}

}  // namespace talvo
