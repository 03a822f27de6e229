#include <gtest/gtest.h>

#include <utility>

#include "cc_test_util.h"

namespace talvo {
namespace {

using namespace test;

TEST(CcRelative, EachEncodingStepsFromTheParameterAndClampsAtTheEnds) {
  const std::uint8_t bin = kCcValueRelativeBinaryOffset;
  const std::uint8_t twos = kCcValueRelativeTwosComplement;
  const std::uint8_t sign = kCcValueRelativeSignedBit;
  // {mode, raw position of the parameter (-1: no reader, start from zero), message, raw result}
  const int cases[][4] = {
      {bin, 0, 65, 1},       {bin, 0, 64, kNoRaw},   {bin, 50, 60, 46},      {bin, 50, 127, 113},
      {bin, 50, 0, 0},       {bin, -1, 70, 6},       {twos, 10, 127, 9},     {twos, 10, 1, 11},
      {twos, 10, 63, 73},    {twos, 10, 65, 0},      {twos, 10, 64, kNoRaw}, {twos, 10, 0, kNoRaw},
      {sign, 10, 65, 11},    {sign, 10, 1, 9},       {sign, 10, 70, 16},     {sign, 10, 5, 5},
      {sign, 120, 127, 127}, {sign, 10, 64, kNoRaw}, {sign, 10, 0, kNoRaw},
  };
  for (const auto& [mode, from, value, raw] : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << mode << " from " << from);
    FakeParams params;
    params.values[kParamDepth] = rawToDepth(from);
    expectSteps(ccMapOf({ccBinding(kParamDepth, 9, static_cast<std::uint8_t>(mode))}), {{value, raw}},
                nullptr, from < 0 ? nullptr : &params);
  }
}

TEST(CcRelative, StepsWalkAlongTheCurveOneRawPositionAtATime) {
  // exp curve over 1..9 Hz on rate; no reader, so each step starts from the
  // value the previous one produced.
  const CcMap map = ccMapOf({withRange(
      ccBinding(kParamRate, 9, kCcValueRelativeBinaryOffset, kCcTakeoverJump, kCcCurveExp), 1, 9)});
  auto hz = [](int raw) { return (1.0 + raw * raw / (127.0 * 127.0) * 8.0 - 0.1) / 19.9; };
  CcRouterState state;
  for (int raw = 1; raw <= 128; ++raw)  // the last step stays at the top
    ASSERT_NEAR(resolveOne(map, 9, 65, &state), hz(raw > 127 ? 127 : raw), 1e-12) << raw;
  for (int raw = 126; raw >= 117; --raw)
    ASSERT_NEAR(resolveOne(map, 9, 63, &state), hz(raw), 1e-12) << raw;
  // Depth 0.25 on an exp curve sits at raw 63 ((63/127)^2 is nearest), so +1
  // lands on raw 64 of the curve, not on 0.25 + 1/127.
  FakeParams params;
  params.values[kParamDepth] = 0.25;
  const CcBinding depth =
      ccBinding(kParamDepth, 9, kCcValueRelativeTwosComplement, kCcTakeoverJump, kCcCurveExp);
  EXPECT_NEAR(resolveOne(ccMapOf({depth}), 9, 1, nullptr, &params), rawToDepth(64) * rawToDepth(64), 1e-12);
}

TEST(CcToggle, FlipsOnlyOnRisingEdgesBetweenTheRangeEnds) {
  CcRouterState state;
  expectSteps(ccMapOf({ccBinding(kParamWet, 3, kCcValueToggle)}),
              {{0, kNoRaw}, {127, 127}, {127, kNoRaw}, {0, kNoRaw}, {127, 0}, {63, kNoRaw}, {64, 127}},
              &state, nullptr);
  const CcMap curved =
      ccMapOf({withRange(ccBinding(kParamDepth, 3, kCcValueToggle, kCcTakeoverJump, kCcCurveExp), 0.2, 0.8)});
  CcRouterState curvedState;
  EXPECT_DOUBLE_EQ(resolveOne(curved, 3, 127, &curvedState), 0.8);
  EXPECT_EQ(resolveOne(curved, 3, 0, &curvedState), kNone);
  EXPECT_DOUBLE_EQ(resolveOne(curved, 3, 100, &curvedState), 0.2);
  // Without memory the reader decides which end is next; halfway goes high.
  const CcMap plain = ccMapOf({ccBinding(kParamDepth, 3, kCcValueToggle)});
  for (auto [current, next] : {std::pair{0.9, 0.0}, std::pair{0.5, 1.0}, std::pair{0.2, 1.0}}) {
    FakeParams params;
    params.values[kParamDepth] = current;
    EXPECT_EQ(resolveOne(plain, 3, 127, nullptr, &params), next) << current;
  }
}

}  // namespace
}  // namespace talvo
