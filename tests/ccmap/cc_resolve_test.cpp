#include <gtest/gtest.h>

#include "cc_test_util.h"
#include "support/alloc_counter.h"

namespace talvo {
namespace {

using namespace test;

TEST(CcResolve, OnlyEnabledBindingsOnTheChannelAnswerInMapOrderUpToTheCapacity) {
  CcBinding disabled = ccBinding(kParamRate, 20);
  disabled.enabled = false;
  CcBinding channel5 = ccBinding(kParamRate, 20);
  channel5.channel = 5;
  const CcMap map = ccMapOf({ccBinding(kParamWet, 20), disabled, channel5, ccBinding(kParamRate, 21),
                             ccBinding(3, 20), ccBinding(kParamDepth, 20)});
  CcResolution out[4];
  ASSERT_EQ(ccResolve(map, 20, 1, 127, nullptr, nullptr, nullptr, out, 4), 2u);
  EXPECT_EQ(out[0].param, kParamWet);
  EXPECT_EQ(out[1].param, kParamDepth);
  ASSERT_EQ(ccResolve(map, 20, 5, 127, nullptr, nullptr, nullptr, out, 4), 3u);
  EXPECT_EQ(out[1].param, kParamRate);
  ASSERT_EQ(ccResolve(map, 20, 16, 127, nullptr, nullptr, nullptr, out, 1), 1u);  // channel 0: any
  EXPECT_EQ(out[0].param, kParamWet);
  EXPECT_EQ(ccResolve(map, 20, 1, 127, nullptr, nullptr, nullptr, nullptr, 4), 0u);
  EXPECT_EQ(ccResolve(map, 20, 1, 127, nullptr, nullptr, nullptr, out, 0), 0u);
  EXPECT_EQ(resolveOne(map, 20, 500, nullptr), 1.0);  // values outside seven bits are clamped
  EXPECT_EQ(resolveOne(map, 20, -3, nullptr), 0.0);
}

TEST(CcResolve, BindingsKeepSeparateMemoryEvenForOneController) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 20, kCcValueAbsolute, kCcTakeoverPickup),
                             ccBinding(kParamWet, 20, kCcValueAbsolute, kCcTakeoverPickup)});
  CcRouterState state;
  FakeParams params;
  params.values[kParamDepth] = 10 / 127.0;
  params.values[kParamWet] = 1.0;
  CcResolution out[2];
  for (int value : {10, 40}) {
    ASSERT_EQ(ccResolve(map, 20, 1, value, &state, &FakeParams::read, &params, out, 2), 1u);
    EXPECT_EQ(out[0].param, kParamDepth);
  }
}

// An engaged pickup passes a far jump; fresh memory waits for the crossing.
TEST(CcResolve, PickupMemoryLastsUntilResetAnotherMapOrAnEditedMap) {
  CcMap map = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, kCcTakeoverPickup)});
  const CcMap other = map;  // same bindings, another address
  FakeParams params;
  CcRouterState state;
  auto engage = [&] {
    params.values[kParamDepth] = 0.5;
    ASSERT_NE(resolveOne(map, 7, 63, &state, &params), kNone);
    params.values[kParamDepth] = params.values[kParamWet] = 1.0;
  };
  engage();
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 0, &state, &params), 0.0);
  params.values[kParamDepth] = 1.0;
  state.reset(&map);
  EXPECT_EQ(resolveOne(map, 7, 10, &state, &params), kNone);
  engage();
  EXPECT_EQ(resolveOne(other, 7, 0, &state, &params), kNone);
  EXPECT_EQ(state.map, &other);
  engage();  // a store can hand out a new map at the address of a freed one
  map.bindings[0].param = kParamWet;
  EXPECT_EQ(resolveOne(map, 7, 0, &state, &params), kNone);
}

TEST(CcResolve, ResolvingAllocatesNothing) {
  CcMap map;
  for (std::uint8_t mode : {kCcValueAbsolute, kCcValueRelativeSignedBit, kCcValueRelativeBinaryOffset,
                            kCcValueRelativeTwosComplement, kCcValueToggle}) {
    for (std::uint8_t takeover : {kCcTakeoverJump, kCcTakeoverPickup, kCcTakeoverScaled}) {
      map.bindings[map.count] = ccBinding(map.count % 3, 30, mode, takeover);
      ++map.count;
    }
  }
  CcRouterState state;
  FakeParams params;
  CcResolution out[kCcMapCapacity];
  const CcMap other = map;
  test::AllocationCounter counter;
  for (int v = 0; v < 128; v += 7) {
    (void)ccResolve(map, 30, 1, v, &state, &FakeParams::read, &params, out, kCcMapCapacity);
    (void)ccResolve(map, 30, 1, 127 - v, &state, nullptr, nullptr, out, kCcMapCapacity);
  }
  (void)ccResolve(other, 30, 1, 64, &state, nullptr, nullptr, out, kCcMapCapacity);  // forces a reset
  EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
}  // namespace talvo
