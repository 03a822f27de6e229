// The effect's loop as passes over a block: the oscillator phases first, then
// the clipped input into the delay line, then per vector of frames the sines,
// the delays, the interpolated reads and the mix.
//
// This file is compiled once per instruction set (foreach_target re-includes
// it); the dispatcher at the end picks the best one the processor supports.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernel/effect_vector.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
// foreach_target.h must come before highway.h.
#include <hwy/highway.h>
// The contrib headers need highway.h first.
#include <hwy/contrib/algo/copy-inl.h>
#include <hwy/contrib/math/math-inl.h>

#ifndef TALVO_KERNEL_EFFECT_VECTOR_ONCE
#define TALVO_KERNEL_EFFECT_VECTOR_ONCE
#include <algorithm>
#include <cstdint>

#include "kernel/effect_vector.h"

namespace talvo::kernel::detail {

inline constexpr std::size_t kMaxBlock = static_cast<std::size_t>(ORIEL_MAX_FRAMES);

// One oscillator step as the scalar loop takes it.
inline double nextPhase(double phase, double step) {
  double next = static_cast<double>(static_cast<float>(phase + step));
  if (next >= 1.0) next -= 1.0;
  return next;
}

// The scalar loop span by span, each with its parameters; the node keeps the
// last span's.
inline void renderSpansReference(OrielNode& node, const float* input, float* output, std::size_t count,
                                 const ParameterSpan* spans, std::size_t spanCount) {
  for (std::size_t j = 0; j < spanCount; ++j) {
    const std::size_t end = j + 1 < spanCount ? spans[j + 1].start : count;
    node.rateHz = spans[j].rateHz;
    node.depth = spans[j].depth;
    renderReference(node, spans[j].wet, input + spans[j].start, output + spans[j].start,
                    end - spans[j].start);
  }
}

}  // namespace talvo::kernel::detail
#endif

HWY_BEFORE_NAMESPACE();
namespace talvo::kernel {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

const char* TargetName() {
  return hwy::TargetName(HWY_TARGET);
}

#if HWY_TARGET == HWY_EMU128 || HWY_TARGET == HWY_SCALAR

// Without a vector unit the scalar loop is as fast; it also keeps infinite
// outputs, which the emulated float conversion would saturate.
void RenderBlock(OrielNode& node, const float* input, float* output, std::size_t count,
                 const ParameterSpan* spans, std::size_t spanCount) {
  detail::renderSpansReference(node, input, output, count, spans, spanCount);
}

#else

using D = hn::ScalableTag<double>;
using V = hn::Vec<D>;
// Arrays hold a block plus one vector of padding.
constexpr std::size_t kPadded = detail::kMaxBlock + 1 + HWY_LANES(float);

// Copies between a block and the ring, which it wraps at most once (blocks
// are far shorter). Vector copies: a library copy of a few hundred bytes pays
// more to start than to move them.
void CopyFromRing(const float* ring, std::size_t length, std::size_t start, float* to, std::size_t n) {
  const hn::ScalableTag<float> d;
  const std::size_t first = std::min(n, length - start);
  hn::Copy(d, ring + start, first, to);
  hn::Copy(d, ring, n - first, to + first);
}

void CopyToRing(float* ring, std::size_t length, std::size_t start, const float* from, std::size_t n) {
  const hn::ScalableTag<float> d;
  const std::size_t first = std::min(n, length - start);
  hn::Copy(d, from, first, ring + start);
  hn::Copy(d, from + first, n - first, ring);
}

// The parameters at each frame: one set for the whole block, or per frame
// (arrays padded past the block with the last values).
template <bool kUniform>
struct FrameParameters;

template <>
struct FrameParameters<true> {
  V step, depth, wet;
  FrameParameters(const D d, const ParameterSpan& span, double sampleRate)
      : step(hn::Set(d, span.rateHz / sampleRate)),
        depth(hn::Set(d, span.depth)),
        wet(hn::Set(d, span.wet)) {}
  V StepAt(const D, std::size_t) const { return step; }
  V DepthAt(const D, std::size_t) const { return depth; }
  V WetAt(const D, std::size_t) const { return wet; }
};

template <>
struct FrameParameters<false> {
  HWY_ALIGN double steps[kPadded];
  HWY_ALIGN double depths[kPadded];
  HWY_ALIGN double wets[kPadded];
  FrameParameters(const D d, const ParameterSpan* spans, std::size_t spanCount, std::size_t count,
                  double sampleRate) {
    for (std::size_t j = 0; j < spanCount; ++j) {
      const std::size_t end = j + 1 < spanCount ? spans[j + 1].start : count + hn::Lanes(d);
      const std::size_t n = end - spans[j].start;
      hn::Fill(d, spans[j].rateHz / sampleRate, n, steps + spans[j].start);
      hn::Fill(d, spans[j].depth, n, depths + spans[j].start);
      hn::Fill(d, spans[j].wet, n, wets + spans[j].start);
    }
  }
  V StepAt(const D d, std::size_t i) const { return hn::LoadU(d, steps + i); }
  V DepthAt(const D d, std::size_t i) const { return hn::Load(d, depths + i); }
  V WetAt(const D d, std::size_t i) const { return hn::Load(d, wets + i); }
};

// phases[i] for i = 0..count: the oscillator phase at each frame and after the
// last. The recurrence rounds every sum to single precision, so it cannot be
// written in closed form; but within one binade of single precision each step
// adds the same amount. So guess phase + k * delta for a whole run of frames,
// check every guess with the recurrence itself (all lanes at once), keep the
// run up to the first guess that fails, and continue from the true value
// there. Every stored phase is one the recurrence produced.
template <bool kUniform>
void Phases(double phase, const FrameParameters<kUniform>& params, std::size_t count, double* phases) {
  const D d;
  const hn::Rebind<float, D> df;
  const std::size_t lanes = hn::Lanes(d);
  const V one = hn::Set(d, 1.0);
  const V iota = hn::Iota(d, 0.0);
  const V iotaNext = hn::Iota(d, 1.0);
  std::size_t i = 0;
  while (i <= count) {
    const V base = hn::Set(d, phase);
    const V delta = hn::Set(d, detail::nextPhase(phase, hn::GetLane(params.StepAt(d, i))) - phase);
    bool broken = false;
    for (std::size_t k = 0; i + k <= count; k += lanes) {
      const V offsets = hn::Set(d, static_cast<double>(k));
      const V guess = hn::Add(base, hn::Mul(hn::Add(offsets, iota), delta));
      const V guessNext = hn::Add(base, hn::Mul(hn::Add(offsets, iotaNext), delta));
      V next = hn::PromoteTo(d, hn::DemoteTo(df, hn::Add(guess, params.StepAt(d, i + k))));
      next = hn::IfThenElse(hn::Ge(next, one), hn::Sub(next, one), next);
      hn::StoreU(guess, d, phases + i + k);
      const std::intptr_t wrong = hn::FindFirstTrue(d, hn::Ne(next, guessNext));
      if (wrong >= 0) {
        // Guesses 0..wrong were right; the recurrence gives the one after.
        HWY_ALIGN double nexts[HWY_LANES(double)];
        hn::Store(next, d, nexts);
        phase = nexts[wrong];
        i += k + static_cast<std::size_t>(wrong) + 1;
        broken = true;
        break;
      }
    }
    if (!broken) break;
  }
}

// Writes the block's clipped input into the ring. `in` is padded to whole
// vectors; `before` receives what each write position's right neighbour held.
void WriteRing(FractionalDelay& line, const float* in, std::size_t count, float* before) {
  const hn::ScalableTag<float> d;
  float* ring = line.buffer.data();
  const std::size_t length = line.buffer.size();
  const auto w0 = static_cast<std::size_t>(line.writeIndex);
  CopyFromRing(ring, length, w0 + 1 < length ? w0 + 1 : 0, before, count);
  HWY_ALIGN float clipped[kPadded];
  const auto plusOne = hn::Set(d, 1.0f);
  const auto minusOne = hn::Set(d, -1.0f);
  for (std::size_t k = 0; k < count; k += hn::Lanes(d)) {
    const auto x = hn::Load(d, in + k);
    hn::Store(hn::IfThenElse(hn::Gt(x, plusOne), plusOne, hn::IfThenElse(hn::Lt(x, minusOne), minusOne, x)),
              d, clipped + k);
  }
  CopyToRing(ring, length, w0, clipped, count);
}

// The scalar loop's steps 2 to 9 for a vector of frames at a time, after the
// inputs are in the ring.
template <bool kUniform>
void Mix(const OrielNode& node, const FrameParameters<kUniform>& params, const double* phases,
         const float* in, const float* before, std::size_t count, float* out) {
  const D d;
  const hn::Rebind<float, D> df;
  const hn::Rebind<std::int32_t, D> di;
  const float* ring = node.delayLine.buffer.data();
  const auto length = static_cast<double>(node.delayLine.buffer.size());
  const V lengthV = hn::Set(d, length);
  const V longest = hn::Set(d, length - 2.0);
  const V zero = hn::Zero(d);
  const V one = hn::Set(d, 1.0);
  const V twoPi = hn::Set(d, 6.283185307179586);
  const V centre = hn::Set(d, node.centreDelaySamples);
  const V stride = hn::Set(d, static_cast<double>(hn::Lanes(d)));
  V w = hn::Add(hn::Set(d, node.delayLine.writeIndex), hn::Iota(d, 0.0));
  w = hn::IfThenElse(hn::Ge(w, lengthV), hn::Sub(w, lengthV), w);
  for (std::size_t k = 0; k < count; k += hn::Lanes(d)) {
    const V s = hn::Sin(d, hn::Mul(twoPi, hn::Load(d, phases + k)));
    V delay = hn::Mul(centre, hn::Add(hn::Mul(s, params.DepthAt(d, k)), one));
    delay = hn::IfThenElse(hn::Gt(delay, longest), longest, delay);
    delay = hn::IfThenElse(hn::Lt(delay, zero), zero, delay);
    V r = hn::Sub(w, delay);
    r = hn::IfThenElse(hn::Lt(r, zero), hn::Add(r, lengthV), r);
    r = hn::IfThenElse(hn::Ge(r, lengthV), hn::Sub(r, lengthV), r);
    const V i0 = hn::Floor(r);
    V i1 = hn::Add(i0, one);
    i1 = hn::IfThenElse(hn::Ge(i1, lengthV), zero, i1);
    const V a = hn::PromoteTo(d, hn::GatherIndex(df, ring, hn::DemoteTo(di, i0)));
    V b = hn::PromoteTo(d, hn::GatherIndex(df, ring, hn::DemoteTo(di, i1)));
    // Reading at the write position itself: its right neighbour is written
    // by the next frame, so this frame still sees the old sample there.
    b = hn::IfThenElse(hn::Eq(i0, w), hn::PromoteTo(d, hn::Load(df, before + k)), b);
    const V y = hn::PromoteTo(d, hn::DemoteTo(df, hn::Add(hn::Mul(hn::Sub(r, i0), hn::Sub(b, a)), a)));
    const V x = hn::PromoteTo(d, hn::Load(df, in + k));
    const V wet = params.WetAt(d, k);
    hn::Store(hn::DemoteTo(df, hn::Add(hn::Mul(wet, y), hn::Mul(hn::Sub(one, wet), x))), df, out + k);
    w = hn::Add(w, stride);
    w = hn::IfThenElse(hn::Ge(w, lengthV), hn::Sub(w, lengthV), w);
  }
}

template <bool kUniform>
void Render(OrielNode& node, const FrameParameters<kUniform>& params, const float* input, float* output,
            std::size_t count) {
  const hn::ScalableTag<float> d;
  HWY_ALIGN double phases[kPadded];
  Phases(node.phase, params, count, phases);
  HWY_ALIGN float in[kPadded];
  HWY_ALIGN float before[kPadded];
  HWY_ALIGN float out[kPadded];
  const std::size_t padded = (count + hn::Lanes(d) - 1) / hn::Lanes(d) * hn::Lanes(d);
  hn::Copy(d, input, count, in);
  std::fill(in + count, in + padded, 0.0f);
  std::fill(before + count, before + padded, 0.0f);
  WriteRing(node.delayLine, in, count, before);
  Mix(node, params, phases, in, before, count, out);
  hn::Copy(d, out, count, output);
  node.delayLine.writeIndex = static_cast<double>(
      (static_cast<std::size_t>(node.delayLine.writeIndex) + count) % node.delayLine.buffer.size());
  node.phase = phases[count];
}

void RenderBlock(OrielNode& node, const float* input, float* output, std::size_t count,
                 const ParameterSpan* spans, std::size_t spanCount) {
  // Writing the whole block first is safe while no read reaches a position a
  // later frame of the block writes: the delay stays well below the ring.
  double deepest = 0.0;
  for (std::size_t j = 0; j < spanCount; ++j)
    deepest = std::max(deepest, spans[j].depth);
  const double reach = node.centreDelaySamples * (1.0 + deepest) + 4.0;
  if (count == 0 || count > detail::kMaxBlock ||
      !(reach + static_cast<double>(count) < static_cast<double>(node.delayLine.buffer.size()))) {
    detail::renderSpansReference(node, input, output, count, spans, spanCount);
    return;
  }
  const D d;
  if (spanCount == 1) {
    Render(node, FrameParameters<true>(d, spans[0], node.sampleRate), input, output, count);
  } else {
    Render(node, FrameParameters<false>(d, spans, spanCount, count, node.sampleRate), input, output, count);
  }
  node.rateHz = spans[spanCount - 1].rateHz;
  node.depth = spans[spanCount - 1].depth;
}

#endif

}  // namespace HWY_NAMESPACE
}  // namespace talvo::kernel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace talvo::kernel {

HWY_EXPORT(RenderBlock);
HWY_EXPORT(TargetName);

void renderVector(OrielNode& node, double wet, const float* input, float* output,
                  std::size_t count) noexcept {
  const ParameterSpan span{0, node.rateHz, node.depth, wet};
  HWY_DYNAMIC_DISPATCH(RenderBlock)(node, input, output, count, &span, 1);
}

void renderVector(OrielNode& node, const float* input, float* output, std::size_t count,
                  const ParameterSpan* spans, std::size_t spanCount) noexcept {
  HWY_DYNAMIC_DISPATCH(RenderBlock)(node, input, output, count, spans, spanCount);
}

const char* vectorTargetName() noexcept {
  return HWY_DYNAMIC_DISPATCH(TargetName)();
}

}  // namespace talvo::kernel
#endif
