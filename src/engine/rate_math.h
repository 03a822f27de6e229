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

/// Steps hostPositionOfKernelFrame one kernel frame at a time.
class HostPositionWalker {
 public:
  void start(std::uint64_t kernelFrame, std::uint64_t n, std::uint64_t d);
  [[nodiscard]] const SincPosition& position() const { return pos_; }
  void advance() {
    pos_.remainder += n_;
    if (pos_.remainder >= dk_) {
      const std::uint64_t q = pos_.remainder / dk_;
      pos_.index += static_cast<std::int64_t>(q);
      pos_.remainder -= q * dk_;
    }
    pos_.phase = phaseOf(pos_.remainder);
  }

 private:
  [[nodiscard]] std::uint32_t phaseOf(std::uint64_t r) const {
    const std::uint64_t p = (r * 1024 + halfStep_) / dk_;
    return p > 1023 ? 1023u : static_cast<std::uint32_t>(p);
  }
  SincPosition pos_;
  std::uint64_t n_ = 1, dk_ = 1, halfStep_ = 0;
};

/// Steps kernelPositionOfHostFrame one host frame at a time.
class KernelPositionWalker {
 public:
  void start(std::uint64_t hostFrame, std::uint64_t n, std::uint64_t d);
  [[nodiscard]] const SincPosition& position() const { return pos_; }
  void advance() {
    pos_.remainder += dk_;
    if (pos_.remainder >= n_) {
      const std::uint64_t q = pos_.remainder / n_;
      pos_.index += static_cast<std::int64_t>(q);
      pos_.remainder -= q * n_;
    }
    pos_.phase = phaseOf(pos_.remainder);
  }

 private:
  [[nodiscard]] std::uint32_t phaseOf(std::uint64_t r) const {
    const std::uint64_t p = (r * 1024 + n_ / 2) / n_;
    return p > 1023 ? 1023u : static_cast<std::uint32_t>(p);
  }
  SincPosition pos_;
  std::uint64_t n_ = 1, dk_ = 1;
};

}  // namespace talvo
