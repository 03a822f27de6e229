#include <gtest/gtest.h>

#include <cmath>

#include "cc_test_util.h"

namespace talvo {
namespace {

using namespace test;

TEST(CcTakeover, JumpAppliesEveryValueAtOnce) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 7)});
  CcRouterState state;
  FakeParams params;
  params.values[kParamDepth] = 0.9;
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 10, &state, &params), rawToDepth(10));
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 100, &state, &params), rawToDepth(100));
}

TEST(CcTakeover, PickupWaitsUntilTheControllerCrossesTheParameter) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, kCcTakeoverPickup)});
  CcRouterState state;
  FakeParams params;
  params.values[kParamDepth] = 0.5;  // raw position 63
  EXPECT_EQ(resolveOne(map, 7, 10, &state, &params), kNone);
  EXPECT_EQ(resolveOne(map, 7, 20, &state, &params), kNone);
  EXPECT_EQ(resolveOne(map, 7, 30, &state, &params), kNone);
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 70, &state, &params), rawToDepth(70));
  // Caught: from now on every value passes, far jumps included.
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 5, &state, &params), rawToDepth(5));
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 127, &state, &params), 1.0);
}

TEST(CcTakeover, PickupCatchesFromAboveAndOnTheExactPosition) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, kCcTakeoverPickup)});
  {
    CcRouterState state;
    FakeParams params;
    params.values[kParamDepth] = 0.25;  // raw position 32
    EXPECT_EQ(resolveOne(map, 7, 100, &state, &params), kNone);
    EXPECT_EQ(resolveOne(map, 7, 40, &state, &params), kNone);
    EXPECT_DOUBLE_EQ(resolveOne(map, 7, 20, &state, &params), rawToDepth(20));
  }
  {
    CcRouterState state;
    FakeParams params;
    params.values[kParamDepth] = 0.5;
    EXPECT_DOUBLE_EQ(resolveOne(map, 7, 63, &state, &params), rawToDepth(63));
  }
  {
    // Landing right next to the position, without crossing it, is not enough.
    CcRouterState state;
    FakeParams params;
    params.values[kParamDepth] = 0.5;
    EXPECT_EQ(resolveOne(map, 7, 60, &state, &params), kNone);
    EXPECT_EQ(resolveOne(map, 7, 62, &state, &params), kNone);
    EXPECT_EQ(resolveOne(map, 7, 60, &state, &params), kNone);
  }
}

TEST(CcTakeover, PickupFollowsAParameterThatMovedElsewhere) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, kCcTakeoverPickup)});
  CcRouterState state;
  FakeParams params;
  params.values[kParamDepth] = 0.5;
  EXPECT_EQ(resolveOne(map, 7, 10, &state, &params), kNone);
  // Automation moves the parameter below the controller: the next downward
  // move crosses the new position.
  params.values[kParamDepth] = rawToDepth(5);
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 0, &state, &params), 0.0);
}

TEST(CcTakeover, PickupWithoutStateOrKnownValueActsAsJump) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, kCcTakeoverPickup)});
  FakeParams params;
  params.values[kParamDepth] = 0.5;
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 10, nullptr, &params), rawToDepth(10));
  CcRouterState state;
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 10, &state), rawToDepth(10));
}

TEST(CcTakeover, PickupWithoutReaderFollowsTheControllerThatSetTheParameter) {
  // No reader: the current value is what this binding produced last. The
  // first value jumps (nothing is known); the controller then owns the value.
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, kCcTakeoverPickup)});
  CcRouterState state;
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 10, &state), rawToDepth(10));
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 11, &state), rawToDepth(11));
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 40, &state), rawToDepth(40));
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 3, &state), rawToDepth(3));
}

TEST(CcTakeover, PickupEngagementLastsUntilTheStateIsReset) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, kCcTakeoverPickup)});
  CcRouterState state;
  FakeParams params;
  params.values[kParamDepth] = 0.5;
  EXPECT_NE(resolveOne(map, 7, 63, &state, &params), kNone);
  params.values[kParamDepth] = 1.0;  // far from the controller, but caught
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 0, &state, &params), 0.0);
  state.reset(&map);
  params.values[kParamDepth] = 1.0;
  EXPECT_EQ(resolveOne(map, 7, 10, &state, &params), kNone);
}

TEST(CcTakeover, ScaledFirstValueIsOnlyRemembered) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, kCcTakeoverScaled)});
  CcRouterState state;
  FakeParams params;
  params.values[kParamDepth] = 0.5;
  EXPECT_EQ(resolveOne(map, 7, 20, &state, &params), kNone);
  EXPECT_EQ(resolveOne(map, 7, 20, &state, &params), kNone);  // no movement
  EXPECT_NE(resolveOne(map, 7, 21, &state, &params), kNone);
}

TEST(CcTakeover, ScaledControllerAndParameterReachTheEndTogether) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, kCcTakeoverScaled)});
  CcRouterState state;
  FakeParams params;
  params.values[kParamDepth] = 0.5;
  EXPECT_EQ(resolveOne(map, 7, 20, &state, &params), kNone);
  double previous = 0.5;
  for (int v = 21; v <= 127; ++v) {
    const double out = resolveOne(map, 7, v, &state, &params);
    ASSERT_NE(out, kNone) << v;
    EXPECT_GE(out, previous) << v;  // never moves against the controller
    previous = out;
  }
  EXPECT_EQ(previous, 1.0);
  // The first step covers its share of the parameter's remaining room:
  // 64 raw steps left above 63 over 107 controller steps above 20.
  params.values[kParamDepth] = 0.5;
  state.reset(&map);
  EXPECT_EQ(resolveOne(map, 7, 20, &state, &params), kNone);
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 40, &state, &params), rawToDepth(63 + std::lround(64.0 / 107.0 * 20)));
}

TEST(CcTakeover, ScaledDownwardSweepEndsAtZero) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, kCcTakeoverScaled)});
  CcRouterState state;
  FakeParams params;
  params.values[kParamDepth] = 0.2;
  EXPECT_EQ(resolveOne(map, 7, 110, &state, &params), kNone);
  double out = 0.2;
  for (int v = 100; v >= 0; v -= 10)
    out = resolveOne(map, 7, v, &state, &params);
  EXPECT_EQ(out, 0.0);
}

TEST(CcTakeover, ScaledWithoutAKnownValueActsAsJump) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, kCcTakeoverScaled)});
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 30, nullptr), rawToDepth(30));
  CcRouterState state;
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 30, &state), rawToDepth(30));
}

TEST(CcTakeover, NaNFromTheReaderReadsAsTheBottom) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, kCcTakeoverPickup)});
  CcResolution out[1];
  // A NaN is still a known answer: pickup waits for the controller to reach
  // the bottom instead of jumping.
  CcRouterState state;
  CcReadParam nanReader = [](void*, unsigned) -> double { return NAN; };
  EXPECT_EQ(ccResolve(map, 7, 1, 30, &state, nanReader, nullptr, out, 1), 0u);
  EXPECT_EQ(ccResolve(map, 7, 1, 20, &state, nanReader, nullptr, out, 1), 0u);
  ASSERT_EQ(ccResolve(map, 7, 1, 0, &state, nanReader, nullptr, out, 1), 1u);
  EXPECT_EQ(out[0].value, 0.0);
}

}  // namespace
}  // namespace talvo
