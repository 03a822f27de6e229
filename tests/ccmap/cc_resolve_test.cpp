#include <gtest/gtest.h>

#include "cc_test_util.h"
#include "support/alloc_counter.h"

namespace talvo {
namespace {

using namespace test;

TEST(CcResolve, BindingsOnOneControllerAnswerInMapOrderUpToTheCapacity) {
  const CcMap map =
      ccMapOf({ccBinding(kParamWet, 20), ccBinding(kParamRate, 21), ccBinding(kParamDepth, 20)});
  CcResolution out[4];
  ASSERT_EQ(ccResolve(map, 20, 1, 127, nullptr, nullptr, nullptr, out, 4), 2u);
  EXPECT_EQ(out[0].param, kParamWet);
  EXPECT_EQ(out[1].param, kParamDepth);
  ASSERT_EQ(ccResolve(map, 20, 1, 127, nullptr, nullptr, nullptr, out, 1), 1u);
  EXPECT_EQ(out[0].param, kParamWet);
  EXPECT_EQ(ccResolve(map, 20, 1, 127, nullptr, nullptr, nullptr, nullptr, 4), 0u);
  EXPECT_EQ(ccResolve(map, 20, 1, 127, nullptr, nullptr, nullptr, out, 0), 0u);
}

TEST(CcResolve, OnlyEnabledBindingsOnTheRightChannelAndParameterMatch) {
  CcBinding disabled = ccBinding(kParamWet, 20);
  disabled.enabled = false;
  CcBinding channel5 = ccBinding(kParamWet, 20);
  channel5.channel = 5;
  const CcBinding noParam = ccBinding(3, 20);
  const CcMap map = ccMapOf({disabled, channel5, noParam});
  EXPECT_EQ(resolveOne(map, 20, 127, nullptr, nullptr, 1), kNone);
  EXPECT_EQ(resolveOne(map, 20, 127, nullptr, nullptr, 5), 1.0);
  EXPECT_EQ(resolveOne(map, 21, 127, nullptr, nullptr, 5), kNone);
  // Channel 0 in a binding listens on every channel.
  const CcMap any = ccMapOf({ccBinding(kParamWet, 20)});
  for (int ch = 1; ch <= 16; ++ch)
    EXPECT_EQ(resolveOne(any, 20, 127, nullptr, nullptr, ch), 1.0) << ch;
}

TEST(CcResolve, ValuesOutsideSevenBitsAreClamped) {
  const CcMap map = ccMapOf({ccBinding(kParamWet, 20)});
  EXPECT_EQ(resolveOne(map, 20, 500, nullptr), 1.0);
  EXPECT_EQ(resolveOne(map, 20, -3, nullptr), 0.0);
}

TEST(CcResolve, BindingsKeepSeparateMemoryEvenForOneController) {
  // Two pickup bindings on cc 20: the one whose parameter sits at the
  // controller is caught, the other is not.
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 20, kCcValueAbsolute, kCcTakeoverPickup),
                             ccBinding(kParamWet, 20, kCcValueAbsolute, kCcTakeoverPickup)});
  CcRouterState state;
  FakeParams params;
  params.values[kParamDepth] = 10 / 127.0;
  params.values[kParamWet] = 1.0;
  CcResolution out[2];
  ASSERT_EQ(ccResolve(map, 20, 1, 10, &state, &FakeParams::read, &params, out, 2), 1u);
  EXPECT_EQ(out[0].param, kParamDepth);
  ASSERT_EQ(ccResolve(map, 20, 1, 40, &state, &FakeParams::read, &params, out, 2), 1u);
  EXPECT_EQ(out[0].param, kParamDepth);
}

// Engages a pickup binding at slot 0 of `map` with the parameter at 0.5.
void engage(const CcMap& map, CcRouterState& state, FakeParams& params) {
  params.values[kParamDepth] = 0.5;
  ASSERT_NE(resolveOne(map, 7, 63, &state, &params), kNone);
  params.values[kParamDepth] = 0.5;
}

TEST(CcResolve, MemorySurvivesCallsWithTheSameMap) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, kCcTakeoverPickup)});
  CcRouterState state;
  FakeParams params;
  engage(map, state, params);
  EXPECT_NE(resolveOne(map, 7, 0, &state, &params), kNone);
}

TEST(CcResolve, AnotherMapClearsTheMemory) {
  const CcMap first = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, kCcTakeoverPickup)});
  const CcMap second = first;  // same bindings, another map
  CcRouterState state;
  FakeParams params;
  engage(first, state, params);
  EXPECT_EQ(resolveOne(second, 7, 0, &state, &params), kNone);
  EXPECT_EQ(state.map, &second);
}

TEST(CcResolve, MapEditedInPlaceClearsTheMemory) {
  // A snapshot store can hand out a new map at the address of a freed one;
  // memory made for other bindings must not carry over.
  CcMap map = ccMapOf({ccBinding(kParamWet, 7, kCcValueAbsolute, kCcTakeoverPickup)});
  CcRouterState state;
  FakeParams params;
  params.values[kParamWet] = 0.5;
  ASSERT_NE(resolveOne(map, 7, 63, &state, &params), kNone);
  map.bindings[0].param = kParamDepth;
  params.values[kParamDepth] = 0.5;
  EXPECT_EQ(resolveOne(map, 7, 0, &state, &params), kNone);
}

TEST(CcResolve, ResolvingAllocatesNothing) {
  CcMap map;
  const std::uint8_t modes[] = {kCcValueAbsolute, kCcValueRelativeSignedBit, kCcValueRelativeBinaryOffset,
                                kCcValueRelativeTwosComplement, kCcValueToggle};
  for (std::uint8_t mode : modes) {
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
