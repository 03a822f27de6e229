#pragma once
// Helpers for driving a KernelEngine the way the processor does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/kernel_engine.h"
#include "kernel/kernel.h"

namespace talvo {

// Reaches into the engine to break its kernel binding on purpose.
class KernelEngineTestAccess {
 public:
  static std::uint32_t& handle(KernelEngine& e) { return e.kernelHandle_; }
  static void trap(KernelEngine& e, const char* message) { KernelEngine::panicSink(&e, message, 0, nullptr); }
};

namespace test {

/// Points the engine at a kernel instance that does not exist, so the kernel
/// refuses every call, until destroyed.
class BrokenBinding {
 public:
  explicit BrokenBinding(KernelEngine& e) : handle_(KernelEngineTestAccess::handle(e)), good_(handle_) {
    handle_ = good_ + 1;
  }
  ~BrokenBinding() { handle_ = good_; }
  BrokenBinding(const BrokenBinding&) = delete;
  BrokenBinding& operator=(const BrokenBinding&) = delete;

 private:
  std::uint32_t& handle_;
  std::uint32_t good_;
};

/// One mono block; a null `in` or `out` passes no buses on that side.
inline void processMono(KernelEngine& e, const float* in, float* out, int frames) {
  const float* ins[1] = {in};
  float* outs[1] = {out};
  e.processBlock(in ? ins : nullptr, in ? 1 : 0, out ? outs : nullptr, out ? 1 : 0, frames);
}

inline void expectRecord(const talvo_runtime_diagnostic& r, std::uint32_t code, std::uint8_t severity,
                         std::uint8_t phase, const char* message = nullptr) {
  EXPECT_EQ(r.code, code);
  EXPECT_EQ(r.severity, severity);
  EXPECT_EQ(r.phase, phase);
  if (message != nullptr) {
    EXPECT_STREQ(r.message, message);
  }
}

/// Renders `input` through the engine in blocks of `block` frames and returns
/// output channel 0; checks that both output channels agree.
struct Rendered {
  std::vector<float> left;
  bool channelsAgree = true;
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
    r.channelsAgree = r.channelsAgree && std::equal(outR.begin(), outR.begin() + n, r.left.begin() + pos);
  }
  return r;
}

/// Rising ramp starting at `step`, used to read delays back from the output.
inline std::vector<float> ramp(std::size_t n, float step) {
  std::vector<float> x(n);
  for (std::size_t i = 0; i < n; ++i)
    x[i] = static_cast<float>(i + 1) * step;
  return x;
}

}  // namespace test
}  // namespace talvo
