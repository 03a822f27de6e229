// Filter evaluations in vector form, compiled for every instruction set the
// build supports (foreach_target re-includes this file) and chosen at run time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/sinc_dot.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
// foreach_target.h must come before highway.h.
#include <hwy/highway.h>

#include <algorithm>

#include "engine/sinc_dot.h"

HWY_BEFORE_NAMESPACE();
namespace talvo {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// At most eight lanes, so a run's batch is at most eight positions.
using D = hn::CappedTag<double, 8>;
constexpr std::size_t kLanes = hn::MaxLanes(D());
constexpr std::size_t kProducts = static_cast<std::size_t>(kSincTaps) / kLanes;

// The sum of `Count` vectors as a balanced tree: (p0 + p1) + (p2 + p3) ...
template <std::size_t Count, class V>
HWY_INLINE V SumTree(const V* p) {
  if constexpr (Count == 1) {
    return p[0];
  } else {
    return hn::Add(SumTree<Count / 2>(p), SumTree<Count / 2>(p + Count / 2));
  }
}

// The 32 products of one position as kLanes partial sums.
template <class DV>
HWY_INLINE hn::Vec<DV> Partials(DV d, const double* HWY_RESTRICT x, const double* HWY_RESTRICT taps) {
  hn::Vec<DV> p[kProducts];
  HWY_UNROLL(32)
  for (std::size_t m = 0; m < kProducts; ++m)
    p[m] = hn::Mul(hn::Load(d, taps + m * kLanes), hn::LoadU(d, x + m * kLanes));
  return SumTree<kProducts>(p);
}

// Lane k of the result is the sum of the lanes of v[k]: neighbouring lanes
// first, then neighbouring pairs, then the halves. Lanes never mix positions,
// so a position's sum is the same whatever shares its batch.
template <class DV>
HWY_INLINE hn::Vec<DV> SumEach(DV d, const hn::Vec<DV>* v) {
#if HWY_TARGET == HWY_SCALAR
  (void)d;
  return v[0];
#else
  hn::Vec<DV> pairs[kLanes / 2];
  for (std::size_t k = 0; k < kLanes / 2; ++k)
    pairs[k] = hn::Add(hn::InterleaveLower(d, v[2 * k], v[2 * k + 1]),
                       hn::InterleaveUpper(d, v[2 * k], v[2 * k + 1]));
  if constexpr (kLanes == 2) {
    return pairs[0];
  } else if constexpr (kLanes == 4) {
    // Blocks (a b)(a b) and (c d)(c d) into (a b)(c d).
    return hn::Add(hn::ConcatLowerLower(d, pairs[1], pairs[0]), hn::ConcatUpperUpper(d, pairs[1], pairs[0]));
  } else {
    // Blocks (a b)x4 and (c d)x4 into (a b)(c d)(a b)(c d), twice; then halves.
    hn::Vec<DV> quads[2];
    for (std::size_t k = 0; k < 2; ++k) {
      const auto ab = pairs[2 * k];
      const auto cd = pairs[2 * k + 1];
      quads[k] = hn::Add(hn::OddEvenBlocks(hn::SwapAdjacentBlocks(cd), ab),
                         hn::OddEvenBlocks(cd, hn::SwapAdjacentBlocks(ab)));
    }
    return hn::Add(hn::ConcatLowerLower(d, quads[1], quads[0]), hn::ConcatUpperUpper(d, quads[1], quads[0]));
  }
#endif
}

float FilterOne(const double* window, const double* unitTaps) {
  const D d;
  hn::Vec<D> v[kLanes];
  v[0] = Partials(d, window, unitTaps);
  for (std::size_t k = 1; k < kLanes; ++k)
    v[k] = hn::Zero(d);
  return static_cast<float>(hn::GetLane(SumEach(d, v)));
}

// Sums a batch and stores `count` samples.
HWY_INLINE void Finish(const hn::Vec<D>* v, float* out, std::size_t count) {
  const D d;
  const hn::Rebind<float, D> df;
  const auto samples = hn::DemoteTo(df, SumEach(d, v));
  if (count == kLanes) {
    hn::StoreU(samples, df, out);
  } else {
    HWY_ALIGN float all[kLanes];
    hn::Store(samples, df, all);
    std::copy(all, all + count, out);
  }
}

int FilterRun(PositionWalker& shared, const double* fifo, std::int64_t base, const double* unitTaps,
              std::int64_t stop, float* out, int maxCount) {
  const D d;
  PositionWalker walker = shared;  // a local copy can live in registers
  const std::int64_t batchReach = static_cast<std::int64_t>(kLanes - 1) * walker.maxIndexStep();
  auto partialsAt = [&](const SincPosition& pos) {
    return Partials(d, fifo + (pos.index - kSincCentreTap - base),
                    unitTaps + static_cast<std::size_t>(pos.phase) * kSincTaps);
  };
  hn::Vec<D> v[kLanes];
  std::size_t done = 0;
  const auto limit = static_cast<std::size_t>(maxCount > 0 ? maxCount : 0);
  while (done < limit) {
    // A whole batch when all its positions surely lie before `stop`.
    if (done + kLanes <= limit && walker.position().index + batchReach < stop) {
      HWY_UNROLL(8)
      for (std::size_t k = 0; k < kLanes; ++k) {
        v[k] = partialsAt(walker.position());
        walker.advance();
      }
      Finish(v, out + done, kLanes);
      done += kLanes;
      continue;
    }
    // Otherwise check every position.
    std::size_t count = 0;
    for (; done + count < limit && count < kLanes && walker.position().index < stop; ++count) {
      v[count] = partialsAt(walker.position());
      walker.advance();
    }
    if (count == 0) break;
    for (std::size_t k = count; k < kLanes; ++k)
      v[k] = hn::Zero(d);
    Finish(v, out + done, count);
    done += count;
    if (count < kLanes) break;
  }
  shared = walker;
  return static_cast<int>(done);
}

}  // namespace HWY_NAMESPACE
}  // namespace talvo
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace talvo {

HWY_EXPORT(FilterOne);
HWY_EXPORT(FilterRun);

float sincFilterAt(const double* window, const SincFilter& filter, std::uint32_t phase,
                   bool reference) noexcept {
  if (!reference) return HWY_DYNAMIC_DISPATCH(FilterOne)(window, filter.unitRow(phase));
  const double* taps = filter.row(phase);
  double acc = 0.0;
  for (int t = 0; t < kSincTaps; ++t)
    acc += taps[t] * window[t];
  const double sum = filter.sums[phase];
  return static_cast<float>(sum != 0.0 ? acc / sum : window[kSincCentreTap]);
}

int sincFilterRun(PositionWalker& walker, const double* fifo, std::int64_t base, const SincFilter& filter,
                  std::int64_t stop, float* out, int maxCount, bool reference) noexcept {
  if (!reference)
    return HWY_DYNAMIC_DISPATCH(FilterRun)(walker, fifo, base, filter.unitTaps.get(), stop, out, maxCount);
  int done = 0;
  for (; done < maxCount && walker.position().index < stop; ++done) {
    const SincPosition pos = walker.position();
    out[done] = sincFilterAt(fifo + (pos.index - kSincCentreTap - base), filter, pos.phase, true);
    walker.advance();
  }
  return done;
}

}  // namespace talvo
#endif
