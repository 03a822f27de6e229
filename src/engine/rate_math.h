#pragma once
// Exact position arithmetic between the host timeline (rate N/D) and the
// kernel timeline (48000 Hz). Products of positions and rates exceed 64 bits,
// so the direct forms work in 128-bit integers; the walkers step the same
// quantities frame by frame with 64-bit remainders and give identical results.
#include <cstdint>

namespace talvo {

inline constexpr std::uint64_t kKernelRate = 48000;
/// Host frames of look-ahead/latency on the host side of the adapter.
inline constexpr std::uint64_t kHostLatencyFrames = 16;
/// Kernel frames of latency on the kernel side of the adapter.
inline constexpr std::uint64_t kKernelLatencyFrames = 20;

/// A filter position: the integer sample index, the remainder of the exact
/// division that produced it, and the nearest of 1024 sub-sample phases.
struct SincPosition {
  std::int64_t index = 0;
  std::uint64_t remainder = 0;
  std::uint32_t phase = 0;
};

/// Host position of kernel frame `kernelFrame`: index = floor(k N / (D K)),
/// phase = the nearest 1/1024 of the fractional part (at most 1023).
[[nodiscard]] SincPosition hostPositionOfKernelFrame(std::uint64_t kernelFrame, std::uint64_t n,
                                                     std::uint64_t d);

/// Kernel position feeding host output frame `hostFrame`, after the adapter's
/// latency: X = (P K - 16 K) D - 20 N, index = floor(X / N) (may be negative).
[[nodiscard]] SincPosition kernelPositionOfHostFrame(std::uint64_t hostFrame, std::uint64_t n,
                                                     std::uint64_t d);

/// Nearest kernel frame of a host frame: floor((h D K + floor(N / 2)) / N).
[[nodiscard]] std::uint64_t kernelFrameOfHostFrame(std::uint64_t hostFrame, std::uint64_t n, std::uint64_t d);

/// ceil(hostFrames D K / N), saturated to UINT64_MAX.
[[nodiscard]] std::uint64_t kernelFramesCeil(std::uint64_t hostFrames, std::uint64_t n, std::uint64_t d);

/// Steps one of the positions above a frame at a time without dividing:
/// the numerator grows by `step` per frame, and both the quotient (index) and
/// the sub-sample phase floor((remainder * 1024 + half) / divisor) are carried
/// along as quotient/remainder pairs. Each step adds whole parts and carries
/// at most one unit, because every added remainder is below the divisor.
class PositionWalker {
 public:
  /// `divisor`: D K (host positions) or N (kernel positions); `step`: N or D K;
  /// `half`: the phase rounding term, D K / 2 or floor(N / 2).
  void start(const SincPosition& at, std::uint64_t divisor, std::uint64_t step, std::uint64_t half) {
    pos_ = at;
    divisor_ = divisor;
    indexStep_ = static_cast<std::int64_t>(step / divisor);
    remainderStep_ = step % divisor;
    // Every product here stays below 2^64: remainders are below the divisor,
    // which is below 2^43 (N <= 4e12, D K <= 4.8e10), times 1024.
    const std::uint64_t u = pos_.remainder * 1024 + half;
    phaseQuotient_ = u / divisor;
    phaseRemainder_ = u % divisor;
    phaseStepQuotient_ = (1024 * remainderStep_) / divisor;
    phaseStepRemainder_ = (1024 * remainderStep_) % divisor;
  }
  /// By value, so the walker can live in registers inside a loop.
  [[nodiscard]] SincPosition position() const { return pos_; }
  /// The most the index grows in one step.
  [[nodiscard]] std::int64_t maxIndexStep() const { return indexStep_ + (remainderStep_ != 0 ? 1 : 0); }
  void advance() {
    pos_.index += indexStep_;
    pos_.remainder += remainderStep_;
    phaseQuotient_ += phaseStepQuotient_;
    phaseRemainder_ += phaseStepRemainder_;
    if (phaseRemainder_ >= divisor_) {
      phaseRemainder_ -= divisor_;
      ++phaseQuotient_;
    }
    if (pos_.remainder >= divisor_) {
      pos_.remainder -= divisor_;
      ++pos_.index;
      phaseQuotient_ -= 1024;
    }
    pos_.phase = phaseQuotient_ > 1023 ? 1023u : static_cast<std::uint32_t>(phaseQuotient_);
  }

 private:
  SincPosition pos_;
  std::uint64_t divisor_ = 1;
  // step = indexStep_ * divisor + remainderStep_.
  std::int64_t indexStep_ = 0;
  std::uint64_t remainderStep_ = 0;
  // floor((remainder * 1024 + half) / divisor) and the matching remainder.
  std::uint64_t phaseQuotient_ = 0, phaseRemainder_ = 0;
  // 1024 * remainderStep_ split by the divisor.
  std::uint64_t phaseStepQuotient_ = 0, phaseStepRemainder_ = 0;
};

/// Steps hostPositionOfKernelFrame one kernel frame at a time.
class HostPositionWalker : public PositionWalker {
 public:
  void start(std::uint64_t kernelFrame, std::uint64_t n, std::uint64_t d) {
    PositionWalker::start(hostPositionOfKernelFrame(kernelFrame, n, d), d * kKernelRate, n,
                          d * (kKernelRate / 2));
  }
};

/// Steps kernelPositionOfHostFrame one host frame at a time.
class KernelPositionWalker : public PositionWalker {
 public:
  void start(std::uint64_t hostFrame, std::uint64_t n, std::uint64_t d) {
    PositionWalker::start(kernelPositionOfHostFrame(hostFrame, n, d), n, d * kKernelRate, n / 2);
  }
};

}  // namespace talvo
