#include <gtest/gtest.h>

#include <utility>

#include "cc_test_util.h"

namespace talvo {
namespace {

using namespace test;

TEST(CcRelative, EachEncodingStepsFromTheParameterAndClampsAtTheEnds) {
  struct Case {
    std::uint8_t mode;
    int from;  // raw position of the parameter; -1: no reader, the step starts from zero
    int value;
    int expectedRaw;  // -1: nothing produced
  } cases[] = {
      {kCcValueRelativeBinaryOffset, 0, 65, 1},     {kCcValueRelativeBinaryOffset, 0, 64, -1},
      {kCcValueRelativeBinaryOffset, 50, 60, 46},   {kCcValueRelativeBinaryOffset, 50, 127, 113},
      {kCcValueRelativeBinaryOffset, 50, 0, 0},     {kCcValueRelativeBinaryOffset, -1, 70, 6},
      {kCcValueRelativeTwosComplement, 10, 127, 9}, {kCcValueRelativeTwosComplement, 10, 1, 11},
      {kCcValueRelativeTwosComplement, 10, 63, 73}, {kCcValueRelativeTwosComplement, 10, 65, 0},
      {kCcValueRelativeTwosComplement, 10, 64, -1}, {kCcValueRelativeTwosComplement, 10, 0, -1},
      {kCcValueRelativeSignedBit, 10, 65, 11},      {kCcValueRelativeSignedBit, 10, 1, 9},
      {kCcValueRelativeSignedBit, 10, 70, 16},      {kCcValueRelativeSignedBit, 10, 5, 5},
      {kCcValueRelativeSignedBit, 120, 127, 127},   {kCcValueRelativeSignedBit, 10, 64, -1},
      {kCcValueRelativeSignedBit, 10, 0, -1},
  };
  for (const Case& c : cases) {
    const CcMap map = ccMapOf({ccBinding(kParamDepth, 9, c.mode)});
    FakeParams params;
    params.values[kParamDepth] = rawToDepth(c.from);
    const double got = resolveOne(map, 9, c.value, nullptr, c.from < 0 ? nullptr : &params);
    EXPECT_DOUBLE_EQ(got, c.expectedRaw < 0 ? kNone : rawToDepth(c.expectedRaw))
        << "mode " << int(c.mode) << " from " << c.from << " value " << c.value;
  }
}

TEST(CcRelative, StepsWalkAlongTheCurveOneRawPositionAtATime) {
  // exp curve over 1..9 Hz on rate; no reader, so each step starts from the
  // value the previous one produced.
  const CcMap map = ccMapOf(
      {withRange(withCurve(ccBinding(kParamRate, 9, kCcValueRelativeBinaryOffset), kCcCurveExp), 1.0, 9.0)});
  auto expected = [](int raw) {
    const double x = raw / 127.0;
    return (1.0 + x * x * 8.0 - 0.1) / 19.9;
  };
  CcRouterState state;
  for (int raw = 1; raw <= 128; ++raw)  // the last step stays at the top
    ASSERT_NEAR(resolveOne(map, 9, 65, &state), expected(raw > 127 ? 127 : raw), 1e-12) << raw;
  for (int raw = 126; raw >= 117; --raw)
    ASSERT_NEAR(resolveOne(map, 9, 63, &state), expected(raw), 1e-12) << raw;

  // Depth 0.25 on an exp curve sits at raw 63 ((63/127)^2 is nearest), so +1
  // lands on raw 64 of the curve, not on 0.25 + 1/127.
  const CcMap depthMap =
      ccMapOf({withCurve(ccBinding(kParamDepth, 9, kCcValueRelativeTwosComplement), kCcCurveExp)});
  FakeParams params;
  params.values[kParamDepth] = 0.25;
  const double x = 64.0 / 127.0;
  EXPECT_NEAR(resolveOne(depthMap, 9, 1, nullptr, &params), x * x, 1e-12);
}

TEST(CcToggle, FlipsOnlyOnRisingEdgesBetweenTheRangeEnds) {
  CcRouterState state;
  expectSteps(ccMapOf({ccBinding(kParamWet, 3, kCcValueToggle)}), 3,
              {{0, kNone}, {127, 1.0}, {127, kNone}, {0, kNone}, {127, 0.0}, {63, kNone}, {64, 1.0}}, &state,
              nullptr);
  CcRouterState curved;
  expectSteps(
      ccMapOf({withCurve(withRange(ccBinding(kParamDepth, 3, kCcValueToggle), 0.2, 0.8), kCcCurveExp)}), 3,
      {{127, 0.8}, {0, kNone}, {100, 0.2}}, &curved, nullptr);
}

TEST(CcToggle, ReaderDecidesWhichEndIsNext) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 3, kCcValueToggle)});
  // As close to either end (0.5): go high.
  for (auto [current, next] : {std::pair{0.9, 0.0}, std::pair{0.5, 1.0}, std::pair{0.2, 1.0}}) {
    FakeParams params;
    params.values[kParamDepth] = current;
    EXPECT_EQ(resolveOne(map, 3, 127, nullptr, &params), next) << current;
  }
}

}  // namespace
}  // namespace talvo
