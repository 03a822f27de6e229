#include "kernel/effect.h"

#include <cmath>
#include <cstring>

#include "kernel/effect_vector.h"

namespace talvo::kernel {
namespace {

double clampValue(double v, double lo, double hi) {
  if (v > hi) return hi;
  if (v < lo) return lo;
  return v;
}

// Without a rounding instruction in the baseline instruction set std::floor
// is a library call; every double from 2^52 up is whole anyway.
bool isIntegral(double v) {
  if (!std::isfinite(v)) return false;
  if (std::fabs(v) >= 4503599627370496.0) return true;
  return static_cast<double>(static_cast<std::int64_t>(v)) == v;
}

double clampDelay(double d, double length) {
  if (d > length - 2.0) d = length - 2.0;
  if (d < 0.0) d = 0.0;
  return d;
}

}  // namespace

OrielNode initOrielNode(double sampleRate) {
  OrielNode node;
  const double length = std::ceil(FRACTIONAL_DELAY_MAX_MILLISECONDS * sampleRate / 1000.0) + 2.0;
  node.delayLine.buffer.assign(static_cast<std::size_t>(length), 0.0f);
  node.delayLine.writeIndex = 0.0;
  node.delayLine.sampleRate = sampleRate;
  node.phase = 0.0;
  node.sampleRate = sampleRate;
  return node;
}

void restoreDefaults(KernelState& state) {
  state.node.rateHz = kDefaultRateHz;
  state.node.depth = kDefaultDepth;
  state.node.centreDelaySamples =
      clampValue(ORIEL_CENTRE_DELAY_MS, 1.0, 20.0) * state.node.sampleRate / 1000.0;
  state.wet = kDefaultWet;
}

KernelState createState() {
  KernelState state;
  state.node = initOrielNode(ORIEL_SAMPLE_RATE);
  state.sampleRate = ORIEL_SAMPLE_RATE;
  restoreDefaults(state);
  state.prepared = false;
  return state;
}

bool prepare(KernelState& state, const PrepareConfig& config) {
  const bool accepted = std::isfinite(config.sampleRate) && config.sampleRate == ORIEL_SAMPLE_RATE &&
                        config.maximumBlockSize == ORIEL_MAX_FRAMES && config.inputChannels == 1.0 &&
                        config.outputChannels == 1.0;
  if (!accepted) {
    state.prepared = false;
    return false;
  }
  state.node = initOrielNode(ORIEL_SAMPLE_RATE);
  state.sampleRate = config.sampleRate;
  restoreDefaults(state);
  state.prepared = true;
  return true;
}

namespace {

// Slot 0 rate, 1 depth, 2 wet: the value clamped to the slot's range, or
// ignored when not finite.
void setSlot(KernelState& state, std::uint32_t slot, double value) {
  if (!std::isfinite(value)) return;
  if (slot == 0) state.node.rateHz = clampValue(value, 0.1, 20.0);
  if (slot == 1) state.node.depth = clampValue(value, 0.0, 1.0);
  if (slot == 2) state.wet = clampValue(value, 0.0, 1.0);
}

}  // namespace

bool setParameter(KernelState& state, const char* path, double value) {
  if (path == nullptr) return false;
  for (std::uint32_t slot = 0; slot < 3; ++slot) {
    if (std::strcmp(path, ORIEL_PARAMETER_PATHS[slot]) == 0) {
      setSlot(state, slot, value);
      return true;
    }
  }
  return false;
}

bool applyParameter(KernelState& state, std::uint32_t slot, double value) {
  // By slot rather than through the path: the audio thread applies every
  // automation point here.
  if (slot >= 3) return false;
  setSlot(state, slot, value);
  return true;
}

void renderReference(OrielNode& node, double wet, const float* input, float* output,
                     std::size_t count) noexcept {
  FractionalDelay& line = node.delayLine;
  float* buffer = line.buffer.data();
  const double length = static_cast<double>(line.buffer.size());
  const std::size_t lengthIndex = line.buffer.size();
  const double phaseStep = node.rateHz / node.sampleRate;
  for (std::size_t i = 0; i < count; ++i) {
    const float x = input[i];
    const double s = std::sin(6.283185307179586 * node.phase);
    const double d = clampDelay(node.centreDelaySamples * (s * node.depth + 1.0), length);

    const auto w = static_cast<std::size_t>(line.writeIndex);
    buffer[w] = x > 1.0f ? 1.0f : (x < -1.0f ? -1.0f : x);

    double r = line.writeIndex - clampDelay(d, length);
    if (r < 0.0) r += length;
    // A delay a hair above zero at write position 0 rounds r + L up to L
    // itself; that position is the start of the ring, not one past its end.
    if (r >= length) r -= length;
    const double fl = std::floor(r);
    const auto i0 = static_cast<std::size_t>(fl);
    const std::size_t i1 = i0 + 1 >= lengthIndex ? 0 : i0 + 1;
    const double a = buffer[i0];
    const double b = buffer[i1];
    const auto y = static_cast<float>((r - fl) * (b - a) + a);

    line.writeIndex += 1.0;
    if (line.writeIndex >= length) line.writeIndex = 0.0;

    node.phase = static_cast<double>(static_cast<float>(node.phase + phaseStep));
    if (node.phase >= 1.0) node.phase -= 1.0;

    output[i] = static_cast<float>(wet * static_cast<double>(y) + (1.0 - wet) * static_cast<double>(x));
  }
}

namespace {

using RenderFn = void (*)(OrielNode&, double, const float*, float*, std::size_t) noexcept;

// Checks the block, then renders only [offset, offset + frames): the indices
// outside it would be skipped anyway.
bool processWith(KernelState& state, const KernelBlock& block, RenderFn render) {
  const double capacity = block.capacity;
  const double offset = block.offset;
  const double frames = block.frames;
  if (!state.prepared || block.inputChannels != 1.0 || block.outputChannels != 1.0) return false;
  if (!(capacity >= 1.0) || !isIntegral(capacity)) return false;
  if (!(offset >= 0.0) || !isIntegral(offset)) return false;
  if (!(frames >= 0.0) || !isIntegral(frames)) return false;
  if (frames > ORIEL_MAX_FRAMES || offset + frames > capacity) return false;
  if (capacity > static_cast<double>(block.inputLength) || capacity > static_cast<double>(block.outputLength))
    return false;
  if (block.input == nullptr || block.output == nullptr) return frames == 0.0;
  if (state.node.delayLine.buffer.size() < 3) return false;  // a line too short to hold any delay
  const auto first = static_cast<std::size_t>(offset);
  render(state.node, state.wet, block.input + first, block.output + first, static_cast<std::size_t>(frames));
  return true;
}

}  // namespace

bool process(KernelState& state, const KernelBlock& block) {
  return processWith(state, block, &renderVector);
}

bool processReference(KernelState& state, const KernelBlock& block) {
  return processWith(state, block, &renderReference);
}

void reset(KernelState& state) {
  if (!state.prepared) return;
  state.node.phase = 0.0;
  std::fill(state.node.delayLine.buffer.begin(), state.node.delayLine.buffer.end(), 0.0f);
  state.node.delayLine.writeIndex = 0.0;
}

}  // namespace talvo::kernel
