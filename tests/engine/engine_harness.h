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

/// Renders mono `input` in blocks of `block` frames; `before(blockStart,
/// frames)` may queue events for each block.
template <typename Before = void (*)(int, int)>
std::vector<float> render(
    KernelEngine& e, const std::vector<float>& input, int block, Before before = [](int, int) {}) {
  std::vector<float> out(input.size());
  for (std::size_t pos = 0; pos < input.size(); pos += static_cast<std::size_t>(block)) {
    const int n =
        static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(block), input.size() - pos));
    before(static_cast<int>(pos), n);
    processMono(e, input.data() + pos, out.data() + pos, n);
  }
  return out;
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
