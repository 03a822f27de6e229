#include <gtest/gtest.h>

#include <cmath>

#include "cc_test_util.h"

namespace talvo {
namespace {

using namespace test;

constexpr int N = kNoRaw;

TEST(CcTakeover, EachRuleFollowsTheControllerAsExpected) {
  struct Case {
    const char* what;
    std::uint8_t takeover;
    double start;  // the parameter before the first message; NaN: no reader
    bool withState;
    std::vector<CcStep> steps;
  } const cases[] = {
      {"jump applies at once", kCcTakeoverJump, 0.9, true, {{10, 10}, {100, 100}}},
      {"pickup crossing, far jumps",
       kCcTakeoverPickup,
       0.5,
       true,
       {{10, N}, {20, N}, {30, N}, {70, 70}, {5, 5}, {127, 127}}},
      {"pickup from above", kCcTakeoverPickup, 0.25, true, {{100, N}, {40, N}, {20, 20}}},
      {"pickup on the exact position", kCcTakeoverPickup, 0.5, true, {{63, 63}}},
      {"pickup next to it is not enough", kCcTakeoverPickup, 0.5, true, {{60, N}, {62, N}, {60, N}}},
      {"pickup without state acts as jump", kCcTakeoverPickup, 0.5, false, {{10, 10}}},
      // No reader: the current value is what this binding produced last, so
      // the first value jumps and the controller then owns the value.
      {"pickup without reader", kCcTakeoverPickup, NAN, true, {{10, 10}, {11, 11}, {40, 40}, {3, 3}}},
      {"scaled first value only remembered", kCcTakeoverScaled, 0.5, true, {{20, N}, {20, N}, {21, kAnyRaw}}},
      {"scaled without a reader acts as jump", kCcTakeoverScaled, NAN, true, {{30, 30}}},
      {"scaled without state acts as jump", kCcTakeoverScaled, NAN, false, {{30, 30}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CcRouterState state;
    FakeParams params;
    params.values[kParamDepth] = c.start;
    expectSteps(ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, c.takeover)}), c.steps,
                c.withState ? &state : nullptr, std::isnan(c.start) ? nullptr : &params);
  }
}

TEST(CcTakeover, PickupFollowsAParameterThatMovedElsewhereAndReadsNaNAsTheBottom) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, kCcTakeoverPickup)});
  CcRouterState state;
  FakeParams params;
  params.values[kParamDepth] = 0.5;
  EXPECT_EQ(resolveOne(map, 7, 10, &state, &params), kNone);
  params.values[kParamDepth] = rawToDepth(5);  // automation moved it below the controller
  EXPECT_DOUBLE_EQ(resolveOne(map, 7, 0, &state, &params), 0.0);

  // A NaN is still a known answer: pickup waits for the bottom, no jump.
  CcRouterState fresh;
  CcResolution out[1];
  CcReadParam nanReader = [](void*, unsigned) -> double { return NAN; };
  for (int value : {30, 20})
    EXPECT_EQ(ccResolve(map, 7, 1, value, &fresh, nanReader, nullptr, out, 1), 0u);
  ASSERT_EQ(ccResolve(map, 7, 1, 0, &fresh, nanReader, nullptr, out, 1), 1u);
  EXPECT_EQ(out[0].value, 0.0);
}

TEST(CcTakeover, ScaledControllerAndParameterReachTheEndsTogether) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 7, kCcValueAbsolute, kCcTakeoverScaled)});
  CcRouterState state;
  FakeParams params;
  params.values[kParamDepth] = 0.5;
  EXPECT_EQ(resolveOne(map, 7, 20, &state, &params), kNone);
  double previous = 0.5;
  for (int v = 21; v <= 127; ++v) {
    const double out = resolveOne(map, 7, v, &state, &params);
    ASSERT_GE(out, previous) << v;  // never moves against the controller
    previous = out;
  }
  EXPECT_EQ(previous, 1.0);
  // The first step covers its share of the remaining room: 64 raw steps
  // above 63 over 107 controller steps above 20.
  params.values[kParamDepth] = 0.5;
  state.reset(&map);
  expectSteps(map, {{20, N}, {40, 63 + static_cast<int>(std::lround(64.0 / 107.0 * 20))}}, &state, &params);
  params.values[kParamDepth] = 0.2;  // downward the sweep ends at zero
  state.reset(&map);
  expectSteps(map, {{110, N}, {100, kAnyRaw}, {50, kAnyRaw}, {0, 0}}, &state, &params);
}

}  // namespace
}  // namespace talvo
