#include <gtest/gtest.h>

#include <cmath>

#include "cc_test_util.h"

namespace talvo {
namespace {

using namespace test;

struct TakeoverCase {
  const char* what;
  std::uint8_t takeover;
  double start;  // the parameter before the first message; NaN: no reader
  bool withState;
  std::vector<CcStep> steps;
};

TEST(CcTakeover, EachRuleFollowsTheControllerAsExpected) {
  const double n = kNone;
  const TakeoverCase cases[] = {
      {"jump applies at once", kCcTakeoverJump, 0.9, true, {{10, rawToDepth(10)}, {100, rawToDepth(100)}}},
      {"pickup waits for the crossing, then passes far jumps",
       kCcTakeoverPickup,
       0.5,
       true,
       {{10, n}, {20, n}, {30, n}, {70, rawToDepth(70)}, {5, rawToDepth(5)}, {127, 1.0}}},
      {"pickup from above", kCcTakeoverPickup, 0.25, true, {{100, n}, {40, n}, {20, rawToDepth(20)}}},
      {"pickup on the exact position", kCcTakeoverPickup, 0.5, true, {{63, rawToDepth(63)}}},
      {"pickup next to the position is not enough",
       kCcTakeoverPickup,
       0.5,
       true,
       {{60, n}, {62, n}, {60, n}}},
      {"pickup without state acts as jump", kCcTakeoverPickup, 0.5, false, {{10, rawToDepth(10)}}},
      // No reader: the current value is what this binding produced last, so
      // the first value jumps and the controller then owns the value.
      {"pickup without reader",
       kCcTakeoverPickup,
       NAN,
       true,
       {{10, rawToDepth(10)}, {11, rawToDepth(11)}, {40, rawToDepth(40)}, {3, rawToDepth(3)}}},
      {"scaled first value is only remembered", kCcTakeoverScaled, 0.5, true, {{20, n}, {20, n}, {21, kAny}}},
      {"scaled without a reader acts as jump", kCcTakeoverScaled, NAN, true, {{30, rawToDepth(30)}}},
      {"scaled without state acts as jump", kCcTakeoverScaled, NAN, false, {{30, rawToDepth(30)}}},
  };
  for (const TakeoverCase& c : cases) {
    SCOPED_TRACE(c.what);
    const CcMap map = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, c.takeover)});
    CcRouterState state;
    FakeParams params;
    params.values[kParamDepth] = c.start;
    expectSteps(map, 7, c.steps, c.withState ? &state : nullptr, std::isnan(c.start) ? nullptr : &params);
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
  // Downward from 0.2 the sweep ends at zero.
  params.values[kParamDepth] = 0.2;
  state.reset(&map);
  EXPECT_EQ(resolveOne(map, 7, 110, &state, &params), kNone);
  double out = 0.2;
  for (int v = 100; v >= 0; v -= 10)
    out = resolveOne(map, 7, v, &state, &params);
  EXPECT_EQ(out, 0.0);
}

TEST(CcTakeover, NaNFromTheReaderReadsAsTheBottom) {
  // A NaN is still a known answer: pickup waits for the controller to reach
  // the bottom instead of jumping.
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, kCcTakeoverPickup)});
  CcResolution out[1];
  CcRouterState state;
  CcReadParam nanReader = [](void*, unsigned) -> double { return NAN; };
  EXPECT_EQ(ccResolve(map, 7, 1, 30, &state, nanReader, nullptr, out, 1), 0u);
  EXPECT_EQ(ccResolve(map, 7, 1, 20, &state, nanReader, nullptr, out, 1), 0u);
  ASSERT_EQ(ccResolve(map, 7, 1, 0, &state, nanReader, nullptr, out, 1), 1u);
  EXPECT_EQ(out[0].value, 0.0);
}

}  // namespace
}  // namespace talvo
