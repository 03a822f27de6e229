#include "engine/rate_adapter.h"

#include <algorithm>
#include <cstring>

#include "engine/sinc_dot.h"
#include "engine/sinc_table.h"

namespace talvo {

namespace {

constexpr std::int64_t kHalfTaps = 15;  // taps before the centre; 16 after it

void fillTables(double cutoff, std::vector<double>& taps, std::vector<double>& sums) {
  std::vector<float> rounded(kSincTableSize);
  sums.assign(kSincPhases, 0.0);
  fillSincTable(rounded.data(), sums.data(), cutoff);
  taps.assign(rounded.begin(), rounded.end());
}

// Drops `keep - base` samples (at most `count`) from the front of a FIFO.
void dropFront(std::vector<double>& fifo, std::uint64_t keep, std::uint64_t& base, std::uint64_t& count) {
  if (keep <= base) return;
  const std::uint64_t d = std::min(keep - base, count);
  if (d == 0) return;
  std::memmove(fifo.data(), fifo.data() + d, static_cast<std::size_t>(count - d) * sizeof(double));
  count -= d;
  base += d;
}

// Up to kSincLanes filter evaluations collected and summed together. Each
// lane reads the 32 samples around its centre: samples before the FIFO read
// as element 0 and samples past it as the last element (a stream position
// below 0 also lands on element 0, so it needs no rule of its own).
struct SincBatch {
  const double* windows[kSincLanes];
  const double* taps[kSincLanes];
  double sums[kSincLanes];
  int target[kSincLanes];
  double spill[kSincLanes][kSincTaps];
  int lanes = 0;

  void add(const std::vector<double>& fifo, std::uint64_t base, std::uint64_t count, std::int64_t centre,
           const std::vector<double>& table, const std::vector<double>& tableSums, std::uint32_t phase,
           int at) noexcept {
    const std::int64_t rel = centre - kHalfTaps - static_cast<std::int64_t>(base);
    if (rel >= 0 && static_cast<std::uint64_t>(rel) + kSincTaps <= count) {
      windows[lanes] = fifo.data() + rel;
    } else {
      const std::int64_t last = static_cast<std::int64_t>(count) - 1;
      for (int t = 0; t < kSincTaps; ++t) {
        spill[lanes][t] = fifo[static_cast<std::size_t>(std::clamp<std::int64_t>(rel + t, 0, last))];
      }
      windows[lanes] = spill[lanes];
    }
    taps[lanes] = table.data() + static_cast<std::size_t>(phase) * kSincTaps;
    sums[lanes] = tableSums[phase];
    target[lanes] = at;
    ++lanes;
  }

  // The taps have unit gain up to rounding; dividing by their sum makes a
  // constant come out exactly. A zero sum passes the centre sample.
  void finish(float* out) noexcept {
    double acc[kSincLanes];
    sincDot(windows, taps, lanes, acc);
    for (int k = 0; k < lanes; ++k) {
      out[target[k]] = static_cast<float>(sums[k] != 0.0 ? acc[k] / sums[k] : windows[k][kHalfTaps]);
    }
    lanes = 0;
  }
};

// Steady state: positions from `walker` whose windows start inside the FIFO
// (element 0 at absolute sample `base`), up to the first one whose centre
// reaches `stopIndex` or `maxCount` positions. No window needs clamping, so
// each lane points straight into the FIFO. Returns the number written.
int filterInside(PositionWalker& shared, const double* fifo, std::int64_t base,
                 const std::vector<double>& table, const std::vector<double>& tableSums,
                 std::int64_t stopIndex, float* out, int maxCount) noexcept {
  const double* windows[kSincLanes];
  const double* taps[kSincLanes];
  double sums[kSincLanes];
  double acc[kSincLanes];
  PositionWalker walker = shared;  // a local copy can live in registers
  int done = 0;
  while (done < maxCount) {
    int lanes = 0;
    for (; lanes < kSincLanes && done + lanes < maxCount; ++lanes) {
      const SincPosition pos = walker.position();
      if (pos.index >= stopIndex) break;
      windows[lanes] = fifo + (pos.index - kHalfTaps - base);
      taps[lanes] = table.data() + static_cast<std::size_t>(pos.phase) * kSincTaps;
      sums[lanes] = tableSums[pos.phase];
      walker.advance();
    }
    if (lanes == 0) break;
    sincDot(windows, taps, lanes, acc);
    for (int k = 0; k < lanes; ++k) {
      out[done + k] = static_cast<float>(sums[k] != 0.0 ? acc[k] / sums[k] : windows[k][kHalfTaps]);
    }
    done += lanes;
  }
  shared = walker;
  return done;
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
  fillTables(std::min(1.0 / ratio, 1.0), toKernelTaps_, toKernelSums_);
  fillTables(std::min(ratio, 1.0), toHostTaps_, toHostSums_);
  reset();
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
  SincBatch batch;
  for (SincPosition pos = walker.position();
       produced < limit && pos.index < stop && pos.index - kHalfTaps < base; pos = walker.position()) {
    batch.add(hostIn_, inBase_, inCount_, pos.index, toKernelTaps_, toKernelSums_, pos.phase, produced);
    if (batch.lanes == kSincLanes) batch.finish(out);
    ++produced;
    walker.advance();
  }
  if (batch.lanes > 0) batch.finish(out);
  produced += filterInside(walker, hostIn_.data(), base, toKernelTaps_, toKernelSums_, stop, out + produced,
                           limit - produced);
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
  SincBatch batch;
  // Frames before the stream starts, or without the output's look-ahead, are
  // silent; frames whose window reaches before the FIFO read clamped samples.
  auto edgeFrame = [&](int q) noexcept {
    const SincPosition pos = walker.position();
    if (pos.index < 0 || pos.index < base || pos.index >= stop) {
      out[q] = 0.0f;
    } else {
      batch.add(kernelOut_, outBase_, outCount_, pos.index, toHostTaps_, toHostSums_, pos.phase, q);
      if (batch.lanes == kSincLanes) batch.finish(out);
    }
    walker.advance();
  };
  int q = 0;
  for (; q < frames; ++q) {
    const std::int64_t t = walker.position().index;
    if (t - kHalfTaps >= base && t < stop) break;
    edgeFrame(q);
  }
  if (batch.lanes > 0) batch.finish(out);
  q += filterInside(walker, kernelOut_.data(), base, toHostTaps_, toHostSums_, stop, out + q, frames - q);
  for (; q < frames; ++q)
    edgeFrame(q);
  if (batch.lanes > 0) batch.finish(out);

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
