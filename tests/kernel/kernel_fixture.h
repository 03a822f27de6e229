#pragma once
// Shared helpers for the kernel tests: an initialised library state that is
// destroyed with the test, and a ramp signal whose delay can be read back.
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>

#include "kernel/kernel.h"

namespace talvo::kernel::test {

struct LibraryDeleter {
  void operator()(talvo_kernel_library* library) const { talvo_kernel_library_destroy(library); }
};
using LibraryPtr = std::unique_ptr<talvo_kernel_library, LibraryDeleter>;

/// A created and initialised library state (no sink).
inline LibraryPtr makeLibrary() {
  LibraryPtr library(talvo_kernel_library_create());
  talvo_kernel_runtime_init(library.get());
  return library;
}

/// A slowly rising ramp: exact in single precision, and linear interpolation
/// of it is exact, so the delay applied at sample n is n - output / kRampStep.
inline constexpr double kRampStep = 1.0 / 65536.0;
inline float rampSample(std::size_t n) {
  return static_cast<float>(static_cast<double>(n) * kRampStep);
}

/// An instance on `library` at 48000 Hz with its two areas.
struct Instance {
  std::uint32_t handle = 0;
  float* input = nullptr;
  float* output = nullptr;

  static Instance create(talvo_kernel_library* library) {
    Instance inst;
    inst.handle = static_cast<std::uint32_t>(talvo_kernel_create(library, 128, 1, 1, 48000.0));
    std::size_t length = 0;
    talvo_kernel_input_view(library, inst.handle, &inst.input, &length);
    talvo_kernel_output_view(library, inst.handle, &inst.output, &length);
    return inst;
  }
};

}  // namespace talvo::kernel::test
