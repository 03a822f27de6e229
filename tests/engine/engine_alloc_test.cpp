#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/kernel_engine.h"
#include "support/alloc_counter.h"

using namespace talvo;

namespace {

// Thousands of blocks of varying size with parameter automation, notes,
// controllers, flushes and a refused block, as a busy host would send them.
std::size_t allocationsWhileRendering(double rate) {
  KernelEngine e;
  EXPECT_TRUE(e.setup(rate, 512));
  // Room for the one oversized block, which is refused and cleared.
  std::vector<float> inL(513), inR(513), outL(513), outR(513);
  for (int i = 0; i < 513; ++i)
    inL[static_cast<std::size_t>(i)] = static_cast<float>(std::sin(i * 0.05));
  const float* ins[2] = {inL.data(), inR.data()};
  float* outs[2] = {outL.data(), outR.data()};
  const int sizes[] = {512, 1, 31, 128, 300, 0, 513};
  test::AllocationCounter counter;
  for (int block = 0; block < 6000; ++block) {
    const int frames = sizes[block % 7];
    (void)e.pushParamNormalized(static_cast<std::uint32_t>(block % 3), (block % 11) / 10.0, block % 97);
    (void)e.pushParamNormalized(1, 0.3, 0);
    if (block % 5 == 0) (void)e.pushNoteOn(60, 0.7, 2, 0, 0);
    if (block % 5 == 1) (void)e.pushNoteOff(60, 2, 0, 0);
    if (block % 9 == 0) (void)e.pushController(1, 64, 0, 0, 0);
    if (block % 13 == 0) e.setParamValue(2, 0.5);
    e.processBlock(ins, 2, outs, 2, frames);
  }
  return counter.count();
}

}  // namespace

TEST(EngineRealtime, ProcessBlockAllocatesNothingInEitherMode) {
  for (double rate : {48000.0, 44100.0, 96000.0})
    EXPECT_EQ(allocationsWhileRendering(rate), 0u) << rate;
}
