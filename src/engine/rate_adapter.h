#pragma once
// Streaming windowed-sinc sample-rate adapter between the host rate N/D and
// the kernel's 48000 Hz, with a fixed latency of 16 host frames plus 20 kernel
// frames. The kernel is mono and its output feeds every host channel, so the
// adapter carries one channel each way: the host's first input channel in,
// the kernel's output back out.
//
// Samples are kept as doubles holding single-precision values; converting
// once on entry keeps conversions out of the 32-tap loops. The reference
// loop's taps are doubles holding their single-precision roundings, so its
// products and sums are the ones a float-storing adapter would compute.
#include <cstdint>
#include <vector>

#include "engine/rate_math.h"
#include "engine/sinc_table.h"

namespace talvo {

class RateAdapter {
 public:
  /// Capacities at or above this are refused by setup.
  static constexpr std::uint64_t kCapacityLimit = 1048577;

  /// FIFO capacity for a host rate N/D and a maximum host block:
  /// max(ceil(max D K / N) + 64, 3 max + 8).
  [[nodiscard]] static std::uint64_t capacityFor(std::uint64_t n, std::uint64_t d, int maxBlockFrames);

  // ---- Main thread (allocates). ----

  /// Sizes the buffers to `capacity` samples (zeroed), fills both tables for
  /// the rate N/D and resets the positions.
  void configure(std::uint64_t n, std::uint64_t d, std::uint64_t capacity);
  /// Fill counts and positions to 0 (the adapter restarts with its latency of silence).
  void reset() noexcept;
  /// Filters with the tap-order scalar sum, one position at a time, instead of
  /// the vector sums: the reference for comparisons in tests and benchmarks.
  /// Main thread: makes the reference's tables.
  void useReferenceLoop(bool on);
  [[nodiscard]] std::uint64_t capacity() const noexcept { return capacity_; }

  // ---- Audio thread (no allocation). ----

  /// Drops host input no longer reachable by the filter.
  void trimInput() noexcept;
  /// Drops kernel output no longer reachable by the output filter.
  void trimOutput() noexcept;
  /// Appends `frames` host samples (zeros for null); false when the FIFO would overflow.
  [[nodiscard]] bool appendInput(const float* samples, int frames) noexcept;
  /// Synthesises every kernel frame the buffered host input allows into the
  /// scratch and returns their number.
  std::uint64_t convertToKernel() noexcept;
  [[nodiscard]] const float* kernelScratch() const noexcept { return scratch_.data(); }
  /// Appends `n` kernel output samples; false when the FIFO would overflow.
  [[nodiscard]] bool appendKernelOutput(const float* samples, std::uint32_t n) noexcept;
  /// Counts `n` kernel frames as rendered (also when the kernel refused them).
  void advanceKernelOutput(std::uint32_t n) noexcept { kernelOutPos_ += n; }
  /// Counts a host block as consumed (the timeline events are stamped on).
  void advanceTimeline(int frames) noexcept { hostTimeline_ += static_cast<std::uint64_t>(frames); }
  /// Writes `frames` host output frames into every non-null channel, advances
  /// the output position and trims; returns true when a written sample is not 0.
  bool renderOutput(float* const* outputs, int channels, int frames) noexcept;

  [[nodiscard]] std::uint64_t kernelOutPos() const noexcept { return kernelOutPos_; }
  [[nodiscard]] std::uint64_t kernelReadPos() const noexcept { return kernelReadPos_; }
  [[nodiscard]] std::uint64_t hostOutPos() const noexcept { return hostOutPos_; }
  [[nodiscard]] std::uint64_t hostTimeline() const noexcept { return hostTimeline_; }
  [[nodiscard]] std::uint64_t numerator() const noexcept { return n_; }
  [[nodiscard]] std::uint64_t denominator() const noexcept { return d_; }

 private:
  std::uint64_t n_ = 48000, d_ = 1, capacity_ = 0;
  std::vector<double> hostIn_;     // host-rate input, element 0 at host frame inBase_
  std::vector<double> kernelOut_;  // kernel output, element 0 at kernel frame outBase_
  std::vector<float> scratch_;     // this block's kernel input
  SincFilter toKernel_, toHost_;
  double cutoffs_[2] = {1.0, 1.0};  // host to kernel, kernel to host
  std::vector<float> rendered_;     // one host block of output, copied to every channel
  std::uint64_t inCount_ = 0, outCount_ = 0;
  std::uint64_t inBase_ = 0, outBase_ = 0;
  std::uint64_t kernelReadPos_ = 0, kernelOutPos_ = 0, hostOutPos_ = 0, hostTimeline_ = 0;
  bool reference_ = false;
};

}  // namespace talvo
