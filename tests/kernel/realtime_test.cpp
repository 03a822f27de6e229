// The audio-thread entry points allocate nothing, including on their failure
// and trap paths.
#include <gtest/gtest.h>

#include "kernel/library.h"
#include "kernel_fixture.h"
#include "support/alloc_counter.h"

namespace talvo::kernel {
namespace {

TEST(KernelRealtime, PushProcessAndResetAllocateNothing) {
  auto lib = test::makeLibrary();
  const test::Instance inst = test::Instance::create(lib.get());
  const std::uint32_t frames[] = {0, 1, 31, 128, 64};
  talvo::test::AllocationCounter counter;
  for (int block = 0; block < 200; ++block) {
    for (int i = 0; i < 128; ++i)
      inst.input[i] = static_cast<float>((block * 128 + i) % 97) / 97.0f;
    for (std::uint32_t e = 0; e < 70; ++e)  // past the queue limit on purpose
      (void)talvo_kernel_push_event(lib.get(), inst.handle, 1, e, e % 3, 0.3 + 0.01 * e);
    (void)talvo_kernel_push_event(lib.get(), inst.handle, 1, 0, 0, 1.0);  // out of order
    ASSERT_EQ(talvo_kernel_process(lib.get(), inst.handle, frames[block % 5]), 0.0);
  }
  ASSERT_EQ(talvo_kernel_reset(lib.get(), inst.handle), 0.0);
  (void)talvo_kernel_process(lib.get(), inst.handle + 1, 128);  // invalid handle
  EXPECT_EQ(counter.count(), 0u);
}

TEST(KernelRealtime, TrapOnTheAudioThreadAllocatesNothingAndPoisonsWithoutASink) {
  auto lib = test::makeLibrary();
  const test::Instance inst = test::Instance::create(lib.get());
  talvo::test::AllocationCounter counter;
  libraryInternals(lib.get())->trap("rivet: RangeError: index out of range");
  EXPECT_EQ(talvo_kernel_process(lib.get(), inst.handle, 128), TALVO_KERNEL_PROCESS_INVALID);
  EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
}  // namespace talvo::kernel
