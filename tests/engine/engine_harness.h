#pragma once
// Helpers for driving a KernelEngine the way the processor does: stereo
// buffers, one call per host block.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/kernel_engine.h"
#include "kernel/kernel.h"

namespace talvo {

// Reaches into the engine to break its kernel binding on purpose.
class KernelEngineTestAccess {
 public:
  static std::uint32_t& handle(KernelEngine& e) { return e.kernelHandle_; }
  static talvo_kernel_library* library(KernelEngine& e) { return e.library_; }
  static void trap(KernelEngine& e, const char* message) { KernelEngine::panicSink(&e, message, 0, nullptr); }
};

namespace test {

/// Renders `input` (mono, copied to both input channels) through the engine
/// in blocks of `block` frames and returns output channel 0; checks that both
/// output channels agree and records each block's failure flag.
struct Rendered {
  std::vector<float> left;
  bool channelsAgree = true;
  bool anyBlockFailed = false;
};

inline Rendered renderStereo(KernelEngine& engine, const std::vector<float>& input, int block) {
  Rendered r;
  r.left.assign(input.size(), 0.0f);
  std::vector<float> inR(static_cast<std::size_t>(block)), outR(static_cast<std::size_t>(block));
  for (std::size_t pos = 0; pos < input.size(); pos += static_cast<std::size_t>(block)) {
    const int n =
        static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(block), input.size() - pos));
    // The right input carries something else: only the left one may be heard.
    std::fill(inR.begin(), inR.end(), 0.25f);
    const float* ins[2] = {input.data() + pos, inR.data()};
    float* outs[2] = {r.left.data() + pos, outR.data()};
    engine.processBlock(ins, 2, outs, 2, n);
    r.anyBlockFailed = r.anyBlockFailed || engine.blockFailed();
    r.channelsAgree = r.channelsAgree && std::equal(outR.begin(), outR.begin() + n, r.left.begin() + pos);
  }
  return r;
}

}  // namespace test
}  // namespace talvo
