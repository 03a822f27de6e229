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

using test::create48k;
using test::expectInvalidEverywhere;
using test::Instance;
using test::makeLibrary;

constexpr std::uint32_t kParam = TALVO_KERNEL_EVENT_PARAMETER;
constexpr std::uint32_t kWet = TALVO_KERNEL_PARAM_WET;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A handle names its slot and the slot's generation.
constexpr double handleOf(std::uint32_t slot, std::uint32_t generation) {
  return slot + 1.0 + 32.0 * (generation - 1.0);
}

TEST(KernelHandles, FollowSlotAndGenerationArithmetic) {
  auto lib = makeLibrary();
  EXPECT_EQ(talvo_kernel_abi_version(lib.get()), TALVO_KERNEL_ABI_VERSION);
  EXPECT_EQ(create48k(lib.get()), handleOf(0, 1));
  EXPECT_EQ(create48k(lib.get()), handleOf(1, 1));
  EXPECT_EQ(talvo_kernel_destroy(lib.get(), 1), TALVO_KERNEL_OK);
  expectInvalidEverywhere(lib.get(), 1);
  EXPECT_EQ(create48k(lib.get()), handleOf(0, 2));
  expectInvalidEverywhere(lib.get(), 1);
  EXPECT_EQ(talvo_kernel_destroy(lib.get(), 33), TALVO_KERNEL_OK);
  EXPECT_EQ(talvo_kernel_destroy(lib.get(), 2), TALVO_KERNEL_OK);
  EXPECT_EQ(create48k(lib.get()), handleOf(0, 3));
  EXPECT_EQ(create48k(lib.get()), handleOf(1, 2));
  expectInvalidEverywhere(lib.get(), 0);
  expectInvalidEverywhere(lib.get(), 3);  // slot 2 never created
  // Initialising again drops every instance and restarts the generations.
  talvo_kernel_runtime_init(lib.get());
  expectInvalidEverywhere(lib.get(), 65);
  EXPECT_EQ(create48k(lib.get()), handleOf(0, 1));
}

TEST(KernelHandles, CreateAcceptsOnly48kWithBlocksOf128MonoInAndOut) {
  // Shapes refused before a slot is taken leave the generations alone; the
  // kernel's own refusal comes after, and the slot keeps its bumped generation.
  constexpr double kFirst = handleOf(0, 1), kBumped = handleOf(0, 2);
  const struct {
    std::uint32_t frames, in, out;
    double rate, nextHandle;
  } cases[] = {{0, 1, 1, 48000.0, kFirst},    {129, 1, 1, 48000.0, kFirst}, {128, 2, 1, 48000.0, kFirst},
               {128, 1, 0, 48000.0, kFirst},  {128, 1, 1, 0.0, kFirst},     {128, 1, 1, -48000.0, kFirst},
               {128, 1, 1, kNaN, kFirst},     {128, 1, 1, kInf, kFirst},    {64, 1, 1, 48000.0, kBumped},
               {128, 1, 1, 44100.0, kBumped}, {128, 1, 1, 48001.0, kBumped}};
  for (const auto& c : cases) {
    auto lib = makeLibrary();
    EXPECT_EQ(talvo_kernel_create(lib.get(), c.frames, c.in, c.out, c.rate), 0.0)
        << c.frames << " " << c.rate;
    EXPECT_EQ(create48k(lib.get()), c.nextHandle) << c.frames << " " << c.rate;
  }
}

TEST(KernelHandles, GenerationWrapStillYieldsValidHandlesAndSlotsRunOutAtThirtyTwo) {
  auto lib = makeLibrary();
  libraryInternals(lib.get())->setGeneration(31, kGenerationLimit - 2);
  for (int i = 0; i < 31; ++i)
    ASSERT_NE(create48k(lib.get()), 0.0);
  const double last = create48k(lib.get());  // slot 31, generation limit - 1
  EXPECT_EQ(last, handleOf(31, kGenerationLimit - 1));
  EXPECT_EQ(talvo_kernel_process(lib.get(), static_cast<std::uint32_t>(last), 8), TALVO_KERNEL_OK);
  EXPECT_EQ(create48k(lib.get()), 0.0) << "every slot is taken";
  EXPECT_EQ(talvo_kernel_destroy(lib.get(), static_cast<std::uint32_t>(last)), TALVO_KERNEL_OK);
  EXPECT_EQ(create48k(lib.get()), handleOf(31, 1));  // the generation wrapped to 1
  EXPECT_EQ(talvo_kernel_process(lib.get(), 32, 8), TALVO_KERNEL_OK);
}

TEST(KernelHandles, UninitialisedOrNullLibraryRefusesEveryEntry) {
  auto lib = makeLibrary(false);
  EXPECT_EQ(talvo_kernel_abi_version(lib.get()), 0.0);
  EXPECT_EQ(create48k(lib.get()), 0.0);
  expectInvalidEverywhere(lib.get(), 1);
  EXPECT_EQ(talvo_kernel_poisoned(lib.get()), 0);
  EXPECT_EQ(create48k(nullptr), 0.0);
  expectInvalidEverywhere(nullptr, 1);
}

TEST(KernelViews, AreDistinctAreasOf128SamplesZeroedForTheNextInstance) {
  auto lib = makeLibrary();
  const Instance a = Instance::create(lib.get());
  const Instance b = Instance::create(lib.get());
  EXPECT_EQ(a.length, TALVO_KERNEL_MAX_FRAMES);
  std::fill(a.input, a.input + 128, 0.5f);
  std::fill(a.output, a.output + 128, -0.5f);
  EXPECT_EQ(std::count(a.input, a.input + 128, 0.5f), 128);
  EXPECT_EQ(std::count(b.input, b.input + 128, 0.0f) + std::count(b.output, b.output + 128, 0.0f), 256);
  ASSERT_EQ(talvo_kernel_destroy(lib.get(), a.handle), TALVO_KERNEL_OK);
  const Instance again = Instance::create(lib.get());
  EXPECT_EQ(again.input, a.input);
  EXPECT_EQ(again.input[5], 0.0f);
  EXPECT_EQ(again.output[5], 0.0f);
}

TEST(KernelEvents, ResultCodesFollowTheCheckOrderAndValuesClampToTheRange) {
  auto lib = makeLibrary();
  const auto h = static_cast<std::uint32_t>(create48k(lib.get()));
  // Pushed in this order on one queue. Frame is checked before kind, kind
  // before value, value before order.
  const struct {
    std::uint32_t kind, frame, parameter;
    double value;
    int result;
  } pushes[] = {
      {kParam, 10, 0, 1.0, TALVO_KERNEL_OK},
      {kParam, 10, 1, 0.5, TALVO_KERNEL_OK},  // equal frames are accepted
      {kParam, 5, 0, 1.0, TALVO_KERNEL_PUSH_OUT_OF_ORDER},
      {kParam, 20, 0, kInf, TALVO_KERNEL_PUSH_REFUSED},
      {kParam, 20, 0, kNaN, TALVO_KERNEL_PUSH_REFUSED},
      {kParam + 1, 20, 0, 1.0, TALVO_KERNEL_PUSH_BAD_EVENT},
      {kParam, 20, TALVO_KERNEL_PARAMETER_COUNT, 1.0, TALVO_KERNEL_PUSH_BAD_EVENT},
      {kParam, TALVO_KERNEL_MAX_FRAMES, 0, 1.0, TALVO_KERNEL_PUSH_INVALID},
      {kParam + 1, TALVO_KERNEL_MAX_FRAMES, 0, kInf, TALVO_KERNEL_PUSH_INVALID},
      {kParam + 1, 0, 0, kInf, TALVO_KERNEL_PUSH_BAD_EVENT},
      {kParam, 0, 0, kInf, TALVO_KERNEL_PUSH_REFUSED},
      // Finite values beyond single precision clamp instead of vanishing.
      {kParam, 20, 0, 1e300, TALVO_KERNEL_OK},
      {kParam, 20, 1, -1e300, TALVO_KERNEL_OK},
  };
  for (const auto& p : pushes)
    EXPECT_EQ(talvo_kernel_push_event(lib.get(), h, p.kind, p.frame, p.parameter, p.value), p.result)
        << p.kind << " " << p.frame << " " << p.parameter << " " << p.value;
  for (int i = 4; i < TALVO_KERNEL_MAX_EVENTS; ++i)
    ASSERT_EQ(talvo_kernel_push_event(lib.get(), h, kParam, 30, kWet, 1.0), TALVO_KERNEL_OK) << i;
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), h, kParam, 30, kWet, 1.0), TALVO_KERNEL_PUSH_REFUSED);
  EXPECT_EQ(talvo_kernel_process(lib.get(), h, TALVO_KERNEL_MAX_FRAMES), TALVO_KERNEL_OK);
  const KernelState* state = libraryInternals(lib.get())->stateFor(h);
  EXPECT_EQ(state->node.rateHz, 20.0);
  EXPECT_EQ(state->node.depth, 0.0);
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), h, kParam, 0, kWet, 1.0), TALVO_KERNEL_OK);  // queue emptied
  EXPECT_EQ(talvo_kernel_process(lib.get(), h, TALVO_KERNEL_MAX_FRAMES + 1), TALVO_KERNEL_PROCESS_INVALID);
}

TEST(KernelEvents, ApplyAtTheirFramesInPushOrderAndLaterOnesAreDiscarded) {
  auto lib = makeLibrary();
  const Instance inst = Instance::create(lib.get());
  for (int i = 0; i < 128; ++i)
    inst.input[i] = 0.25f + 0.001f * static_cast<float>(i);
  // Fully wet on a silent line gives 0; wet 0 from frame 10 (the later of two
  // pushes at that frame) gives the input.
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, kParam, 10, kWet, 0.5), TALVO_KERNEL_OK);
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, kParam, 10, kWet, 0.0), TALVO_KERNEL_OK);
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, kParam, 100, kWet, 1.0), TALVO_KERNEL_OK);
  std::fill(inst.output, inst.output + 128, -9.0f);
  ASSERT_EQ(talvo_kernel_process(lib.get(), inst.handle, 64), TALVO_KERNEL_OK);
  for (int i = 0; i < 128; ++i)
    ASSERT_EQ(inst.output[i], i < 10 ? 0.0f : i < 64 ? inst.input[i] : -9.0f) << i;
  // The event at frame 100 was dropped, not kept for the next call; a
  // zero-frame call drops everything queued.
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, kParam, 0, kWet, 1.0), TALVO_KERNEL_OK);
  ASSERT_EQ(talvo_kernel_process(lib.get(), inst.handle, 0), TALVO_KERNEL_OK);
  ASSERT_EQ(talvo_kernel_process(lib.get(), inst.handle, 128), TALVO_KERNEL_OK);
  for (int i = 0; i < 128; ++i)
    ASSERT_EQ(inst.output[i], inst.input[i]) << i;
}

TEST(KernelEvents, RefusedSubBlockKeepsTheQueueAndLaterEventsUnapplied) {
  auto lib = makeLibrary();
  const Instance inst = Instance::create(lib.get());
  KernelState* state = libraryInternals(lib.get())->stateFor(inst.handle);
  ASSERT_NE(state, nullptr);
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, kParam, 0, kWet, 0.25), TALVO_KERNEL_OK);
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, kParam, 10, 1, 0.5), TALVO_KERNEL_OK);
  // The event at frame 0 applies before the first sub-block, which is refused.
  state->prepared = false;
  EXPECT_EQ(talvo_kernel_process(lib.get(), inst.handle, 128), TALVO_KERNEL_PROCESS_REFUSED);
  EXPECT_EQ(state->wet, 0.25);
  EXPECT_EQ(state->node.depth, 0.1);  // the walk stopped before frame 10
  // Both events are still queued: frame 10 is still the last one.
  EXPECT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, kParam, 9, 0, 1.0),
            TALVO_KERNEL_PUSH_OUT_OF_ORDER);
  state->prepared = true;
  EXPECT_EQ(talvo_kernel_process(lib.get(), inst.handle, 128), TALVO_KERNEL_OK);
  EXPECT_EQ(state->node.depth, 0.5);
}

TEST(KernelReset, RestoresDefaultsSilenceAndAnEmptyQueue) {
  auto lib = makeLibrary();
  const Instance inst = Instance::create(lib.get());
  for (std::uint32_t parameter = 0; parameter < TALVO_KERNEL_PARAMETER_COUNT; ++parameter)
    ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, kParam, 0, parameter, 0.3), TALVO_KERNEL_OK);
  for (int block = 0; block < 20; ++block) {
    std::fill(inst.input, inst.input + 128, 0.8f);
    ASSERT_EQ(talvo_kernel_process(lib.get(), inst.handle, 128), TALVO_KERNEL_OK);
  }
  ASSERT_EQ(talvo_kernel_push_event(lib.get(), inst.handle, kParam, 0, kWet, 0.0), TALVO_KERNEL_OK);
  ASSERT_EQ(talvo_kernel_reset(lib.get(), inst.handle), TALVO_KERNEL_OK);
  EXPECT_EQ(std::count(inst.input, inst.input + 128, 0.0f) + std::count(inst.output, inst.output + 128, 0.0f),
            256);

  // A ramp now shows the default sweep (centre 120, depth 0.1, 5 Hz) from
  // phase 0, fully wet on a silent line: the queued wet 0 was dropped.
  std::vector<float> out;
  for (std::uint32_t block = 0; block < 40; ++block) {
    for (std::uint32_t i = 0; i < 128; ++i)
      inst.input[i] = test::rampSample(block * 128 + i);
    ASSERT_EQ(talvo_kernel_process(lib.get(), inst.handle, 128), TALVO_KERNEL_OK);
    out.insert(out.end(), inst.output, inst.output + 128);
  }
  EXPECT_EQ(std::count(out.begin(), out.begin() + 121, 0.0f), 121);
  EXPECT_LT(test::worstSweepError(out, 5.0, 0.1, 121), 0.01);
}

/// Renders 400 blocks of a fixed signal with a rate change every 50 blocks.
std::vector<float> renderOnOwnLibrary() {
  auto lib = makeLibrary();
  const Instance inst = Instance::create(lib.get());
  std::vector<float> rendered;
  rendered.reserve(400 * 128);
  for (std::uint32_t block = 0; block < 400; ++block) {
    for (std::uint32_t i = 0; i < 128; ++i)
      inst.input[i] = std::sin(0.01f * static_cast<float>(block * 128 + i));
    if (block % 50 == 0)
      (void)talvo_kernel_push_event(lib.get(), inst.handle, kParam, 17, 0, 1.0 + block / 50);
    EXPECT_EQ(talvo_kernel_process(lib.get(), inst.handle, 128), TALVO_KERNEL_OK);
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
