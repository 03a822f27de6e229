#pragma once
// Windowed-sinc interpolation tables of the sample-rate adapter.
#include <hwy/aligned_allocator.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace talvo {

inline constexpr int kSincPhases = 1024;
inline constexpr int kSincTaps = 32;
/// The tap on the filter's centre sample: 15 taps before it, 16 from it on.
inline constexpr int kSincCentreTap = 15;
inline constexpr std::size_t kSincTableSize = static_cast<std::size_t>(kSincPhases) * kSincTaps;

/// Fills `taps` (kSincPhases rows of kSincTaps) with a Hann-windowed sinc of
/// the given cutoff (relative to the slower rate's Nyquist), each row scaled
/// to unit sum. `sums` receives, per phase, the double sum of the stored taps
/// taken in tap order: the converters divide by it, and summing once here
/// gives the very value a per-sample sum would.
void fillSincTable(float* taps, double* sums, double cutoff);

/// One direction's filter, in the forms the two paths use.
struct SincFilter {
  /// The reference's: per phase the stored taps (single-precision values) and
  /// their sum, which every filtered sample is divided by.
  std::vector<double> taps, sums;
  /// The vector path's: per phase the taps already divided by their sum (a
  /// zero sum leaves 1 on the centre tap, passing the centre sample), each
  /// row aligned for the widest vector loads.
  hwy::AlignedFreeUniquePtr<double[]> unitTaps;

  /// Main thread: allocates and fills the vector path's rows for `cutoff`,
  /// and the reference's when `reference` is set.
  void fill(double cutoff, bool reference);
  [[nodiscard]] const double* unitRow(std::uint32_t phase) const noexcept {
    return unitTaps.get() + static_cast<std::size_t>(phase) * kSincTaps;
  }
  [[nodiscard]] const double* row(std::uint32_t phase) const noexcept {
    return taps.data() + static_cast<std::size_t>(phase) * kSincTaps;
  }
};

}  // namespace talvo
