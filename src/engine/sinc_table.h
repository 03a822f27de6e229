#pragma once
// Windowed-sinc interpolation tables of the sample-rate adapter.
#include <cstddef>

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

}  // namespace talvo
