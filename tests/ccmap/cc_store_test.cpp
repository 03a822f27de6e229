#include <gtest/gtest.h>

#include "cc_test_util.h"
#include "ccmap/cc_store.h"
#include "params/params.h"
#include "support/alloc_counter.h"

namespace talvo {
namespace {

using test::ccBinding;
using test::ccMapOf;

TEST(CcMapStore, ReaderSeesAnEmptyMapThenACopyOfThePublishedOneAndItsCycleAllocatesNothing) {
  CcMapStore store;
  EXPECT_EQ(store.acquire()->count, 0u);
  EXPECT_FALSE(store.takeChanged());
  CcMap source = ccMapOf({ccBinding(kParamRate, 1), ccBinding(kParamWet, 2)});
  ASSERT_TRUE(store.publish(source));
  source.bindings[0].cc = 99;  // the writer's own map stays its own
  const CcMap* seen = store.acquire();
  ASSERT_EQ(seen->count, 2u);
  EXPECT_EQ(seen->bindings[0].cc, 1);
  EXPECT_EQ(seen->bindings[1].param, kParamWet);
  EXPECT_TRUE(store.takeChanged());
  EXPECT_FALSE(store.takeChanged());
  test::AllocationCounter counter;
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(store.acquire()->count, 2u);
    (void)store.takeChanged();
    store.advanceEpoch();
  }
  EXPECT_EQ(counter.count(), 0u);
}

// Under AddressSanitizer a premature free shows up as a use after free, and
// LeakSanitizer reports any snapshot the destructor leaves behind.
TEST(CcMapStore, ReplacedSnapshotsStayReadableUntilTwoEpochAdvances) {
  auto store = std::make_unique<CcMapStore>();
  ASSERT_TRUE(store->publish(ccMapOf({ccBinding(kParamRate, 1)})));
  const CcMap* held = store->acquire();
  ASSERT_TRUE(store->publish(ccMapOf({ccBinding(kParamRate, 2)})));  // retires #1 at epoch 0
  store->advanceEpoch();
  ASSERT_TRUE(store->publish(ccMapOf({ccBinding(kParamRate, 3)})));  // retires #2 at epoch 1
  store->collect();
  EXPECT_EQ(store->retiredCount(), 2u);  // the initial map is never retired
  EXPECT_EQ(held->bindings[0].cc, 1);
  store->advanceEpoch();
  ASSERT_TRUE(store->publish(ccMapOf({ccBinding(kParamRate, 4)})));  // frees #1 only, retires #3
  EXPECT_EQ(store->retiredCount(), 2u);
  store->advanceEpoch();
  store->collect();
  EXPECT_EQ(store->retiredCount(), 1u);
  EXPECT_EQ(store->acquire()->bindings[0].cc, 4);
  store.reset();
}

}  // namespace
}  // namespace talvo
