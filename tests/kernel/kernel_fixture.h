#pragma once
// Shared helpers for the kernel tests: a library state destroyed with the
// test, instances with their areas, and a ramp whose delay can be read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <vector>

#include "kernel/kernel.h"

namespace talvo::kernel::test {

using LibraryPtr = std::unique_ptr<talvo_kernel_library, decltype(&talvo_kernel_library_destroy)>;

/// A created library state, initialised unless `init` is false.
inline LibraryPtr makeLibrary(bool init = true) {
  LibraryPtr library(talvo_kernel_library_create(), &talvo_kernel_library_destroy);
  if (init) talvo_kernel_runtime_init(library.get());
  return library;
}

inline double create48k(talvo_kernel_library* lib) {
  return talvo_kernel_create(lib, TALVO_KERNEL_MAX_FRAMES, 1, 1, TALVO_KERNEL_SAMPLE_RATE);
}

/// Every handle-taking entry refuses `handle` and the views are empty.
inline void expectInvalidEverywhere(talvo_kernel_library* lib, std::uint32_t handle) {
  EXPECT_EQ(talvo_kernel_push_event(lib, handle, 1, 0, 0, 1.0), TALVO_KERNEL_PUSH_INVALID);
  EXPECT_EQ(talvo_kernel_process(lib, handle, 16), TALVO_KERNEL_PROCESS_INVALID);
  EXPECT_EQ(talvo_kernel_reset(lib, handle), TALVO_KERNEL_RESET_INVALID);
  EXPECT_EQ(talvo_kernel_destroy(lib, handle), TALVO_KERNEL_DESTROY_INVALID);
  float* data = reinterpret_cast<float*>(&data);
  std::size_t length = 99;
  talvo_kernel_input_view(lib, handle, &data, &length);
  EXPECT_EQ(data, nullptr);
  talvo_kernel_output_view(lib, handle, &data, &length);
  EXPECT_EQ(length, 0u);
}

/// A slowly rising ramp: exact in single precision, and linear interpolation
/// of it is exact, so the delay applied at sample n is n - output / kRampStep.
inline constexpr double kRampStep = 1.0 / 65536.0;
inline float rampSample(std::size_t n) {
  return static_cast<float>(static_cast<double>(n) * kRampStep);
}

/// Largest distance, from sample `from` on, between the delay read back from
/// a ramp's output and the sweep 120 * (1 + depth * sin(2 pi phase)). The
/// model's phase accumulates in single precision, as the oscillator's does.
inline double worstSweepError(const std::vector<float>& out, double rate, double depth, std::size_t from) {
  double worst = 0.0;
  double phase = 0.0;
  for (std::size_t n = 0; n < out.size(); ++n) {
    if (n >= from) {
      const double delay = static_cast<double>(n) - static_cast<double>(out[n]) / kRampStep;
      worst = std::max(worst, std::abs(delay - 120.0 * (1.0 + depth * std::sin(6.283185307179586 * phase))));
    }
    phase = static_cast<float>(phase + rate / 48000.0);
    if (phase >= 1.0) phase -= 1.0;
  }
  return worst;
}

/// An instance on `library` at 48000 Hz with its two areas.
struct Instance {
  std::uint32_t handle = 0;
  float* input = nullptr;
  float* output = nullptr;
  std::size_t length = 0;  // the input view's

  static Instance create(talvo_kernel_library* library) {
    Instance inst;
    inst.handle = static_cast<std::uint32_t>(create48k(library));
    talvo_kernel_output_view(library, inst.handle, &inst.output, &inst.length);
    talvo_kernel_input_view(library, inst.handle, &inst.input, &inst.length);
    return inst;
  }
};

}  // namespace talvo::kernel::test
