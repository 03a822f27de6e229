#pragma once
// The modulation effect: a short delay line whose read position a sine
// oscillator sweeps, read with linear interpolation and mixed with the dry
// signal. Mono, 48000 Hz only, blocks of at most 128 frames. Knows nothing of
// handles or hosts; the library in library.h owns the states.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace talvo::kernel {

inline constexpr double FRACTIONAL_DELAY_MAX_MILLISECONDS = 50.0;
inline constexpr double ORIEL_SAMPLE_RATE = 48000.0;
inline constexpr double ORIEL_MAX_FRAMES = 128.0;
inline constexpr double ORIEL_CENTRE_DELAY_MS = 2.5;
/// Parameter paths; the position is the parameter slot.
inline constexpr const char* ORIEL_PARAMETER_PATHS[3] = {"oriel.rate", "oriel.depth", "oriel.wet"};

inline constexpr double kDefaultRateHz = 5.0;
inline constexpr double kDefaultDepth = 0.1;
inline constexpr double kDefaultWet = 1.0;

struct FractionalDelay {
  std::vector<float> buffer;  // L = ceil(max ms * rate / 1000) + 2 samples
  double writeIndex = 0.0;
  double sampleRate = 0.0;
};

struct OrielNode {
  double centreDelaySamples = 0.0;
  FractionalDelay delayLine;
  double depth = kDefaultDepth;
  double phase = 0.0;  // cycles, [0, 1)
  double rateHz = kDefaultRateHz;
  double sampleRate = 0.0;
};

struct KernelState {
  bool prepared = false;
  double sampleRate = 0.0;
  OrielNode node;
  double wet = kDefaultWet;
};

struct PrepareConfig {
  double inputChannels = 0.0;
  double maximumBlockSize = 0.0;
  double outputChannels = 0.0;
  double sampleRate = 0.0;
};

/// Views into caller-owned sample areas; rewritten before every process call.
struct KernelBlock {
  double capacity = 0.0;
  double frames = 0.0;
  double offset = 0.0;
  const float* input = nullptr;
  std::size_t inputLength = 0;
  double inputChannels = 0.0;
  float* output = nullptr;
  std::size_t outputLength = 0;
  double outputChannels = 0.0;
};

// Setup thread: these allocate the delay line.
[[nodiscard]] OrielNode initOrielNode(double sampleRate);
[[nodiscard]] KernelState createState();
/// Accepts only 48000 Hz, a maximum block of exactly 128 and mono in and out;
/// on success the node is rebuilt (signal memory and parameters back to start).
/// Replacing the node allocates, so prepare is a setup-thread operation.
[[nodiscard]] bool prepare(KernelState& state, const PrepareConfig& config);

// Audio thread: no allocation.
void restoreDefaults(KernelState& state);
/// True for a known path whether or not the value was applied (non-finite
/// values are ignored); false for any other path.
[[nodiscard]] bool setParameter(KernelState& state, const char* path, double value);
/// Slot 0 rate, 1 depth, 2 wet; any other slot is refused without effect.
[[nodiscard]] bool applyParameter(KernelState& state, std::uint32_t slot, double value);
/// Renders [offset, offset + frames) of the block; false (nothing written)
/// when the state is unprepared or the block's shape is out of range.
[[nodiscard]] bool process(KernelState& state, const KernelBlock& block);
/// The same through the scalar loop with one library sine per sample: the
/// reference `process` is measured and tested against.
[[nodiscard]] bool processReference(KernelState& state, const KernelBlock& block);
/// Clears phase, delay line and write position of a prepared state.
void reset(KernelState& state);

}  // namespace talvo::kernel
