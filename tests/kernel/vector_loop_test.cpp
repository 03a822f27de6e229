// The vector loop against the scalar reference loop, on every instruction set
// this processor has: the same signal up to the last bits of the sine, bit for
// bit where the sine cannot reach the output, and the very same oscillator
// phase and delay line throughout.
#include <gtest/gtest.h>

#include <cmath>

#include "kernel/library.h"
#include "kernel_fixture.h"
#include "support/vector_targets.h"

namespace talvo::kernel {
namespace {

struct Case {
  const char* name;
  std::uint32_t held;  // the parameter slot that stays put (3: none)
  double heldValue;
  double tolerance;  // 0: bit for bit
};

// The automation: every parameter moves every 32 frames, now and then beyond
// its range, so the kernel's clamps act too.
double automated(std::uint32_t slot, std::size_t frame) {
  const double t = static_cast<double>(frame) / 48000.0;
  const double swing = std::sin(1.3 * t + 2.0 * slot) + 0.3 * std::sin(17.0 * t * (slot + 1));
  return slot == 0 ? 10.0 + 12.0 * swing : 0.5 + 0.6 * swing;
}

TEST(VectorLoop, MatchesTheReferenceLoop) {
  const Case cases[] = {
      {"every parameter automated", 3, 0.0, 1e-6},
      {"depth 0", 1, 0.0, 0.0},
      {"wet 0", 2, 0.0, 0.0},
  };
  // Calls of every length, so vectors end part way and events fall anywhere.
  const std::uint32_t lengths[] = {128, 1, 37, 128, 64, 100, 7, 128};
  talvo::test::forEachVectorTarget([&](const char* target) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << target << ", " << c.name);
      auto vectorLib = test::makeLibrary();
      auto referenceLib = test::makeLibrary();
      talvo_kernel_use_reference_loop(referenceLib.get(), 1);
      const test::Instance vector = test::Instance::create(vectorLib.get());
      const test::Instance reference = test::Instance::create(referenceLib.get());
      KernelState* vectorState = libraryInternals(vectorLib.get())->stateFor(vector.handle);
      KernelState* referenceState = libraryInternals(referenceLib.get())->stateFor(reference.handle);
      std::uint32_t noise = 99;
      std::size_t frame = 0;
      for (std::size_t call = 0; frame < 5 * 48000; ++call) {
        const std::uint32_t n = lengths[call % 8];
        for (std::uint32_t i = 0; i < n; ++i) {
          noise = noise * 1664525u + 1013904223u;
          vector.input[i] = reference.input[i] = static_cast<float>(
              1.3 * std::sin(0.01 * static_cast<double>(frame + i)) + (noise >> 8) / 16777216.0 - 0.5);
        }
        for (std::uint32_t at = 0; at < n; at += 32) {
          for (std::uint32_t slot = 0; slot < 3; ++slot) {
            const double value = slot == c.held ? c.heldValue : automated(slot, frame + at);
            for (auto [lib, inst] :
                 {std::pair{vectorLib.get(), vector}, std::pair{referenceLib.get(), reference}})
              ASSERT_EQ(talvo_kernel_push_event(lib, inst.handle, 1, at, slot, value), 0.0);
          }
        }
        ASSERT_EQ(talvo_kernel_process(vectorLib.get(), vector.handle, n), 0.0);
        ASSERT_EQ(talvo_kernel_process(referenceLib.get(), reference.handle, n), 0.0);
        for (std::uint32_t i = 0; i < n; ++i) {
          if (c.tolerance == 0.0) {
            ASSERT_EQ(vector.output[i], reference.output[i]) << "frame " << frame + i;
          } else {
            ASSERT_NEAR(vector.output[i], reference.output[i], c.tolerance) << "frame " << frame + i;
          }
        }
        ASSERT_EQ(vectorState->node.phase, referenceState->node.phase) << "frame " << frame;
        ASSERT_EQ(vectorState->node.delayLine.writeIndex, referenceState->node.delayLine.writeIndex);
        frame += n;
      }
      EXPECT_EQ(vectorState->node.delayLine.buffer, referenceState->node.delayLine.buffer);
      EXPECT_EQ(vectorState->node.rateHz, referenceState->node.rateHz);
      EXPECT_EQ(vectorState->node.depth, referenceState->node.depth);
      EXPECT_EQ(vectorState->wet, referenceState->wet);
    }
  });
}

}  // namespace
}  // namespace talvo::kernel
