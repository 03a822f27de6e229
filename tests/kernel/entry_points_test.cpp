// The flat entry points: handles and generations, result codes, the event
// queue, reset, and independent library states.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "kernel/library.h"
#include "kernel_fixture.h"

namespace talvo::kernel {
namespace {

using test::Instance;
using test::makeLibrary;

using test::create48k;
using test::expectInvalidEverywhere;

TEST(KernelHandles, FollowSlotAndGenerationArithmetic) {
  auto lib = makeLibrary();
  EXPECT_EQ(talvo_kernel_abi_version(lib.get()), 2.0);
  EXPECT_EQ(create48k(lib.get()), 1.0);
  EXPECT_EQ(create48k(lib.get()), 2.0);
  EXPECT_EQ(talvo_kernel_destroy(lib.get(), 1), 0.0);
  expectInvalidEverywhere(lib.get(), 1);
  EXPECT_EQ(create48k(lib.get()), 33.0);  // slot 0, generation 2
  expectInvalidEverywhere(lib.get(), 1);
  EXPECT_EQ(talvo_kernel_destroy(lib.get(), 33), 0.0);
  EXPECT_EQ(talvo_kernel_destroy(lib.get(), 2), 0.0);
  EXPECT_EQ(create48k(lib.get()), 65.0);
  EXPECT_EQ(create48k(lib.get()), 34.0);
  expectInvalidEverywhere(lib.get(), 0);
  expectInvalidEverywhere(lib.get(), 3);  // slot 2 never created
  // Initialising again drops every instance and restarts the generations.
  talvo_kernel_runtime_init(lib.get());
  expectInvalidEverywhere(lib.get(), 65);
  expectInvalidEverywhere(lib.get(), 34);
  EXPECT_EQ(create48k(lib.get()), 1.0);
}

TEST(KernelHandles, CreateAcceptsOnly48kWithBlocksOf128MonoInAndOut) {
  auto lib = makeLibrary();
  EXPECT_EQ(talvo_kernel_create(lib.get(), 64, 1, 1, 48000.0), 0.0);
  EXPECT_EQ(talvo_kernel_create(lib.get(), 128, 1, 1, 44100.0), 0.0);
  EXPECT_EQ(talvo_kernel_create(lib.get(), 128, 1, 1, 48001.0), 0.0);
  // A failed prepare keeps the slot's bumped generation (slot 0 is at 3 now).
  EXPECT_EQ(create48k(lib.get()), 97.0);

  auto fresh = makeLibrary();
  // Refusals before a slot is taken leave every generation alone.
  struct Shape {
    std::uint32_t frames, in, out;
    double rate;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  for (const Shape c : {Shape{0, 1, 1, 48000.0}, Shape{129, 1, 1, 48000.0}, Shape{128, 2, 1, 48000.0},
                        Shape{128, 1, 0, 48000.0}, Shape{128, 1, 1, 0.0}, Shape{128, 1, 1, -48000.0},
                        Shape{128, 1, 1, nan}, Shape{128, 1, 1, inf}})
    EXPECT_EQ(talvo_kernel_create(fresh.get(), c.frames, c.in, c.out, c.rate), 0.0)
        << c.frames << " " << c.rate;
  EXPECT_EQ(create48k(fresh.get()), 1.0);
}

TEST(KernelHandles, GenerationWrapStillYieldsValidNonZeroHandles) {
  auto lib = makeLibrary();
  KernelLibrary* impl = libraryInternals(lib.get());
  impl->setGeneration(31, kGenerationLimit - 2);
  for (int i = 0; i < 31; ++i)
    ASSERT_NE(create48k(lib.get()), 0.0);
  const double last = create48k(lib.get());  // slot 31, generation limit - 1
  EXPECT_EQ(last, 4294967264.0);
  EXPECT_EQ(talvo_kernel_process(lib.get(), static_cast<std::uint32_t>(last), 8), 0.0);
  EXPECT_EQ(talvo_kernel_destroy(lib.get(), static_cast<std::uint32_t>(last)), 0.0);
  EXPECT_EQ(create48k(lib.get()), 32.0);  // the generation wrapped to 1
  EXPECT_EQ(talvo_kernel_process(lib.get(), 32, 8), 0.0);
}

TEST(KernelHandles, UninitialisedLibraryRefusesEveryEntry) {
  auto lib = makeLibrary(false);
  EXPECT_EQ(talvo_kernel_abi_version(lib.get()), 0.0);
  EXPECT_EQ(create48k(lib.get()), 0.0);
  expectInvalidEverywhere(lib.get(), 1);
  EXPECT_EQ(talvo_kernel_poisoned(lib.get()), 0);
  EXPECT_EQ(talvo_kernel_create(nullptr, 128, 1, 1, 48000.0), 0.0);
  EXPECT_EQ(talvo_kernel_process(nullptr, 1, 1), 1.0);
}

TEST(KernelViews, AreDistinctFixedAreasOf128Samples) {
  auto lib = makeLibrary();
  const Instance a = Instance::create(lib.get());
  const Instance b = Instance::create(lib.get());
  std::size_t length = 0;
  float* data = nullptr;
  talvo_kernel_input_view(lib.get(), a.handle, &data, &length);
  EXPECT_EQ(length, 128u);
  // Writing whole areas leaves every other area alone.
  std::fill(a.input, a.input + 128, 0.5f);
  std::fill(a.output, a.output + 128, -0.5f);
  EXPECT_EQ(std::count(a.input, a.input + 128, 0.5f), 128);
  EXPECT_EQ(std::count(b.input, b.input + 128, 0.0f) + std::count(b.output, b.output + 128, 0.0f), 256);
  // A re-created instance on the same slot gets the same, zeroed areas.
  ASSERT_EQ(talvo_kernel_destroy(lib.get(), a.handle), 0.0);
  const Instance again = Instance::create(lib.get());
  EXPECT_EQ(again.input, a.input);
  EXPECT_EQ(again.input[5], 0.0f);
  EXPECT_EQ(again.output[5], 0.0f);
}

TEST(KernelEvents, ResultCodesFollowTheCheckOrder) {
  auto lib = makeLibrary();
  const auto h = static_cast<std::uint32_t>(create48k(lib.get()));
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), h, 1, 10, 0, 1.0), 0.0);
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), h, 1, 10, 1, 0.5), 0.0);  // equal frames accepted
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), h, 1, 5, 0, 1.0), 4.0);
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), h, 1, 20, 0, inf), 3.0);
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), h, 1, 20, 0, std::nan("")), 3.0);
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), h, 2, 20, 0, 1.0), 2.0);
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), h, 1, 20, 3, 1.0), 2.0);
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), h, 1, 128, 0, 1.0), 1.0);
  // Frame is checked before kind, kind before value, value before order.
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), h, 2, 128, 0, inf), 1.0);
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), h, 2, 0, 0, inf), 2.0);
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), h, 1, 0, 0, inf), 3.0);
  for (int i = 2; i < 64; ++i)
    ASSERT_EQ(talvo_kernel_push_event(lib.get(), h, 1, 30, 2, 1.0), 0.0) << i;
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), h, 1, 30, 2, 1.0), 3.0);  // the 65th
  EXPECT_EQ(talvo_kernel_process(lib.get(), h, 128), 0.0);
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), h, 1, 0, 2, 1.0), 0.0);  // queue emptied by process
  EXPECT_EQ(talvo_kernel_process(lib.get(), h, 129), 1.0);
}

TEST(KernelEvents, ApplyAtTheirFramesAndLaterOnesAreDiscarded) {
  auto lib = makeLibrary();
  const Instance inst = Instance::create(lib.get());
  for (int i = 0; i < 128; ++i)
    inst.input[i] = 0.25f + 0.001f * static_cast<float>(i);
  // Fully wet on a silent line gives 0; wet 0 from frame 10 gives the input.
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, 1, 10, 2, 0.0), 0.0);
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, 1, 100, 2, 1.0), 0.0);
  std::fill(inst.output, inst.output + 128, -9.0f);
  ASSERT_EQ(talvo_kernel_process(lib.get(), inst.handle, 64), 0.0);
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(inst.output[i], 0.0f) << i;
  for (int i = 10; i < 64; ++i)
    EXPECT_EQ(inst.output[i], inst.input[i]) << i;
  for (int i = 64; i < 128; ++i)
    EXPECT_EQ(inst.output[i], -9.0f) << i;
  // The event at frame 100 was dropped, not kept for the next call; a
  // zero-frame call drops everything queued.
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, 1, 0, 2, 1.0), 0.0);
  ASSERT_EQ(talvo_kernel_process(lib.get(), inst.handle, 0), 0.0);
  ASSERT_EQ(talvo_kernel_process(lib.get(), inst.handle, 128), 0.0);
  for (int i = 0; i < 128; ++i)
    EXPECT_EQ(inst.output[i], inst.input[i]) << i;
}

TEST(KernelEvents, EqualFramesApplyInPushOrder) {
  auto lib = makeLibrary();
  const Instance inst = Instance::create(lib.get());
  std::fill(inst.input, inst.input + 128, 0.5f);
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, 1, 7, 2, 0.5), 0.0);
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, 1, 7, 2, 0.0), 0.0);
  ASSERT_EQ(talvo_kernel_process(lib.get(), inst.handle, 128), 0.0);
  EXPECT_EQ(inst.output[6], 0.0f);
  EXPECT_EQ(inst.output[7], 0.5f);  // wet 0 won; wet 0.5 would give 0.25
}

TEST(KernelEvents, RefusedSubBlockKeepsTheQueueAndLaterEventsUnapplied) {
  auto lib = makeLibrary();
  const Instance inst = Instance::create(lib.get());
  KernelState* state = libraryInternals(lib.get())->stateFor(inst.handle);
  ASSERT_NE(state, nullptr);
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, 1, 0, 2, 0.25), 0.0);
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, 1, 10, 1, 0.5), 0.0);
  // The event at frame 0 applies before the first sub-block, which is refused.
  state->prepared = false;
  EXPECT_EQ(talvo_kernel_process(lib.get(), inst.handle, 128), 2.0);
  EXPECT_EQ(state->wet, 0.25);
  EXPECT_EQ(state->node.depth, 0.1);  // the walk stopped before frame 10
  // Both events are still queued: frame 10 is still the last one.
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, 1, 9, 0, 1.0), 4.0);
  state->prepared = true;
  EXPECT_EQ(talvo_kernel_process(lib.get(), inst.handle, 128), 0.0);
  EXPECT_EQ(state->node.depth, 0.5);
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, 1, 0, 0, 1.0), 0.0);  // emptied now
}

TEST(KernelEvents, FiniteValuesBeyondSinglePrecisionClampInsteadOfVanishing) {
  auto lib = makeLibrary();
  const Instance inst = Instance::create(lib.get());
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, 1, 0, 0, 1e300), 0.0);
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, 1, 0, 1, -1e300), 0.0);
  ASSERT_EQ(talvo_kernel_process(lib.get(), inst.handle, 1), 0.0);
  const KernelState* state = libraryInternals(lib.get())->stateFor(inst.handle);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->node.rateHz, 20.0);
  EXPECT_EQ(state->node.depth, 0.0);
}

TEST(KernelReset, RestoresDefaultsSilenceAndAnEmptyQueue) {
  auto lib = makeLibrary();
  const Instance inst = Instance::create(lib.get());
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, 1, 0, 0, 17.0), 0.0);
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, 1, 0, 1, 0.9), 0.0);
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, 1, 0, 2, 0.3), 0.0);
  for (int block = 0; block < 20; ++block) {
    std::fill(inst.input, inst.input + 128, 0.8f);
    ASSERT_EQ(talvo_kernel_process(lib.get(), inst.handle, 128), 0.0);
  }
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, 1, 0, 2, 0.0), 0.0);  // dropped by reset
  ASSERT_EQ(talvo_kernel_reset(lib.get(), inst.handle), 0.0);
  EXPECT_EQ(std::count(inst.input, inst.input + 128, 0.0f) + std::count(inst.output, inst.output + 128, 0.0f),
            256);

  // A ramp now shows the default sweep (centre 120, depth 0.1, 5 Hz) from phase 0.
  std::vector<float> out;
  for (std::uint32_t block = 0; block < 40; ++block) {
    for (std::uint32_t i = 0; i < 128; ++i)
      inst.input[i] = test::rampSample(block * 128 + i);
    ASSERT_EQ(talvo_kernel_process(lib.get(), inst.handle, 128), 0.0);
    out.insert(out.end(), inst.output, inst.output + 128);
  }
  for (std::size_t n = 0; n <= 120; ++n)
    ASSERT_EQ(out[n], 0.0f) << n;  // silent line, fully wet
  EXPECT_LT(test::worstSweepError(out, 5.0, 0.1, 121), 0.01);
}

TEST(KernelLibraries, AreIndependentAndHoldFortyInstancesTogether) {
  auto first = makeLibrary();
  auto second = makeLibrary();
  std::vector<Instance> a;
  std::vector<Instance> b;
  for (int i = 0; i < 20; ++i) {
    a.push_back(Instance::create(first.get()));
    b.push_back(Instance::create(second.get()));
    ASSERT_EQ(a[i].handle, static_cast<std::uint32_t>(i + 1));
    ASSERT_EQ(b[i].handle, a[i].handle);  // same numbers, different instances
    ASSERT_NE(a[i].input, b[i].input);
  }
  // Each state still fills to its own limit of 32.
  for (auto* lib : {first.get(), second.get()}) {
    for (int i = 20; i < 32; ++i)
      ASSERT_NE(create48k(lib), 0.0);
    EXPECT_EQ(create48k(lib), 0.0);
  }

  // Same handle, different parameters and audio: nothing leaks across states.
  ASSERT_EQ(talvo_kernel_push_event(first.get(), 1, 1, 0, 2, 0.0), 0.0);
  std::fill(a[0].input, a[0].input + 128, 0.5f);
  std::fill(b[0].input, b[0].input + 128, 0.5f);
  ASSERT_EQ(talvo_kernel_process(first.get(), 1, 128), 0.0);
  ASSERT_EQ(talvo_kernel_process(second.get(), 1, 128), 0.0);
  EXPECT_EQ(a[0].output[0], 0.5f);
  EXPECT_EQ(b[0].output[0], 0.0f);
  ASSERT_EQ(talvo_kernel_destroy(first.get(), 1), 0.0);
  EXPECT_EQ(talvo_kernel_process(second.get(), 1, 128), 0.0);
}

/// Renders 400 blocks of a fixed signal with a rate change every 50 blocks.
std::vector<float> renderOnOwnLibrary() {
  auto lib = test::makeLibrary();
  const test::Instance inst = test::Instance::create(lib.get());
  std::vector<float> rendered;
  rendered.reserve(400 * 128);
  for (std::uint32_t block = 0; block < 400; ++block) {
    for (std::uint32_t i = 0; i < 128; ++i)
      inst.input[i] = std::sin(0.01f * static_cast<float>(block * 128 + i));
    if (block % 50 == 0) (void)talvo_kernel_push_event(lib.get(), inst.handle, 1, 17, 0, 1.0 + block / 50);
    EXPECT_EQ(talvo_kernel_process(lib.get(), inst.handle, 128), 0.0);
    rendered.insert(rendered.end(), inst.output, inst.output + 128);
  }
  return rendered;
}

TEST(KernelLibraries, StatesOnDifferentThreadsRenderAsIfAlone) {
  const std::vector<float> reference = renderOnOwnLibrary();
  std::vector<float> results[4];
  std::vector<std::thread> threads;
  for (auto& result : results)
    threads.emplace_back([&result] { result = renderOnOwnLibrary(); });
  for (auto& thread : threads)
    thread.join();
  for (const auto& result : results)
    EXPECT_EQ(result, reference);
}

}  // namespace
}  // namespace talvo::kernel
