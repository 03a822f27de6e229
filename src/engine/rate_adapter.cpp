#include "engine/rate_adapter.h"

#include <algorithm>
#include <cstring>

#include "engine/sinc_dot.h"
#include "engine/sinc_table.h"

namespace talvo {

namespace {

constexpr std::int64_t kHalfTaps = kSincCentreTap;

// Drops `keep - base` samples (at most `count`) from the front of a FIFO.
void dropFront(std::vector<double>& fifo, std::uint64_t keep, std::uint64_t& base, std::uint64_t& count) {
  if (keep <= base) return;
  const std::uint64_t d = std::min(keep - base, count);
  if (d == 0) return;
  std::memmove(fifo.data(), fifo.data() + d, static_cast<std::size_t>(count - d) * sizeof(double));
  count -= d;
  base += d;
}

// One filter evaluation whose window may reach outside the FIFO: samples
// before it read as element 0 and samples past it as the last element (a
// stream position below 0 also lands on element 0, so it needs no rule of its
// own).
float filterAtEdge(const std::vector<double>& fifo, std::uint64_t base, std::uint64_t count,
                   const SincPosition& pos, const SincFilter& filter, bool reference) noexcept {
  const std::int64_t rel = pos.index - kHalfTaps - static_cast<std::int64_t>(base);
  const std::int64_t last = static_cast<std::int64_t>(count) - 1;
  double window[kSincTaps];
  for (int t = 0; t < kSincTaps; ++t)
    window[t] = fifo[static_cast<std::size_t>(std::clamp<std::int64_t>(rel + t, 0, last))];
  return sincFilterAt(window, filter, pos.phase, reference);
}

}  // namespace

std::uint64_t RateAdapter::capacityFor(std::uint64_t n, std::uint64_t d, int maxBlockFrames) {
  const std::uint64_t frames = static_cast<std::uint64_t>(std::max(maxBlockFrames, 0));
  const std::uint64_t kernelFrames = kernelFramesCeil(frames, n, d);
  const std::uint64_t byKernel = kernelFrames > UINT64_MAX - 64 ? UINT64_MAX : kernelFrames + 64;
  return std::max(byKernel, 3 * frames + 8);
}

void RateAdapter::configure(std::uint64_t n, std::uint64_t d, std::uint64_t capacity) {
  n_ = n;
  d_ = d;
  capacity_ = capacity;
  const std::size_t c = static_cast<std::size_t>(capacity);
  hostIn_.assign(c, 0.0);
  kernelOut_.assign(c, 0.0);
  scratch_.assign(c, 0.0f);
  rendered_.assign(c, 0.0f);
  const double ratio = (static_cast<double>(n) / static_cast<double>(d)) / 48000.0;
  cutoffs_[0] = std::min(1.0 / ratio, 1.0);
  cutoffs_[1] = std::min(ratio, 1.0);
  toKernel_.fill(cutoffs_[0], reference_);
  toHost_.fill(cutoffs_[1], reference_);
  reset();
}

void RateAdapter::useReferenceLoop(bool on) {
  reference_ = on;
  // The reference's tables are made only for it.
  if (on && capacity_ != 0 && toKernel_.taps.empty()) {
    toKernel_.fill(cutoffs_[0], true);
    toHost_.fill(cutoffs_[1], true);
  }
}

void RateAdapter::reset() noexcept {
  inCount_ = outCount_ = 0;
  inBase_ = outBase_ = 0;
  kernelReadPos_ = kernelOutPos_ = hostOutPos_ = hostTimeline_ = 0;
}

void RateAdapter::trimInput() noexcept {
  const std::int64_t i0 = hostPositionOfKernelFrame(kernelReadPos_, n_, d_).index;
  const std::uint64_t keep = i0 > 16 ? static_cast<std::uint64_t>(i0 - 16) : 0;
  dropFront(hostIn_, keep, inBase_, inCount_);
}

void RateAdapter::trimOutput() noexcept {
  const std::int64_t t = std::max<std::int64_t>(kernelPositionOfHostFrame(hostOutPos_, n_, d_).index, 0);
  const std::uint64_t keep = t >= 17 ? static_cast<std::uint64_t>(t - 16) : 0;
  dropFront(kernelOut_, keep, outBase_, outCount_);
}

bool RateAdapter::appendInput(const float* samples, int frames) noexcept {
  const std::uint64_t f = static_cast<std::uint64_t>(frames);
  if (inCount_ + f > capacity_) return false;
  double* dst = hostIn_.data() + inCount_;
  if (samples) {
    for (std::uint64_t k = 0; k < f; ++k)
      dst[k] = static_cast<double>(samples[k]);
  } else {
    std::fill(dst, dst + f, 0.0);
  }
  inCount_ += f;
  return true;
}

std::uint64_t RateAdapter::convertToKernel() noexcept {
  HostPositionWalker walker;
  walker.start(kernelReadPos_, n_, d_);
  const std::int64_t base = static_cast<std::int64_t>(inBase_);
  // The filter needs 16 samples of look-ahead past the centre.
  const std::int64_t stop = base + static_cast<std::int64_t>(inCount_) - 16;
  float* out = scratch_.data();
  const int limit = static_cast<int>(capacity_);
  int produced = 0;
  // At the stream's start windows reach before the first sample.
  for (SincPosition pos = walker.position();
       produced < limit && pos.index < stop && pos.index - kHalfTaps < base; pos = walker.position()) {
    out[produced++] = filterAtEdge(hostIn_, inBase_, inCount_, pos, toKernel_, reference_);
    walker.advance();
  }
  produced += sincFilterRun(walker, hostIn_.data(), base, toKernel_, stop, out + produced, limit - produced,
                            reference_);
  kernelReadPos_ += static_cast<std::uint64_t>(produced);
  return static_cast<std::uint64_t>(produced);
}

bool RateAdapter::appendKernelOutput(const float* samples, std::uint32_t n) noexcept {
  if (outCount_ + n > capacity_) return false;
  double* dst = kernelOut_.data() + outCount_;
  for (std::uint32_t k = 0; k < n; ++k)
    dst[k] = static_cast<double>(samples[k]);
  outCount_ += n;
  return true;
}

bool RateAdapter::renderOutput(float* const* outputs, int channels, int frames) noexcept {
  KernelPositionWalker walker;
  walker.start(hostOutPos_, n_, d_);
  const std::int64_t base = static_cast<std::int64_t>(outBase_);
  const std::int64_t stop = base + static_cast<std::int64_t>(outCount_) - 16;
  float* out = rendered_.data();
  // Frames before the stream starts, or without the output's look-ahead, are
  // silent; frames whose window reaches before the FIFO read clamped samples.
  auto edgeFrame = [&](int q) noexcept {
    const SincPosition pos = walker.position();
    const bool silent = pos.index < 0 || pos.index < base || pos.index >= stop;
    out[q] = silent ? 0.0f : filterAtEdge(kernelOut_, outBase_, outCount_, pos, toHost_, reference_);
    walker.advance();
  };
  int q = 0;
  for (; q < frames; ++q) {
    const std::int64_t t = walker.position().index;
    if (t - kHalfTaps >= base && t < stop) break;
    edgeFrame(q);
  }
  q += sincFilterRun(walker, kernelOut_.data(), base, toHost_, stop, out + q, frames - q, reference_);
  for (; q < frames; ++q)
    edgeFrame(q);

  bool written = false;
  for (int ch = 0; ch < channels; ++ch) {
    if (!outputs[ch]) continue;
    std::memcpy(outputs[ch], out, static_cast<std::size_t>(frames) * sizeof(float));
    written = true;
  }
  bool audible = false;
  for (int q = 0; q < frames && written && !audible; ++q)
    audible = out[q] != 0.0f;
  hostOutPos_ += static_cast<std::uint64_t>(frames);
  trimOutput();
  return audible;
}

}  // namespace talvo
