#include <gtest/gtest.h>

#include "cc_test_util.h"

namespace talvo {
namespace {

using namespace test;

// Relative messages from a parameter sitting at raw position `from`, one step each.
double stepFrom(std::uint8_t mode, int from, int value) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 9, mode)});
  FakeParams params;
  params.values[kParamDepth] = rawToDepth(from);
  return resolveOne(map, 9, value, nullptr, &params);
}

TEST(CcRelative, BinaryOffsetCountsFromSixtyFour) {
  EXPECT_DOUBLE_EQ(stepFrom(kCcValueRelativeBinaryOffset, 0, 65), rawToDepth(1));
  EXPECT_EQ(stepFrom(kCcValueRelativeBinaryOffset, 0, 64), kNone);
  EXPECT_DOUBLE_EQ(stepFrom(kCcValueRelativeBinaryOffset, 50, 60), rawToDepth(46));
  EXPECT_DOUBLE_EQ(stepFrom(kCcValueRelativeBinaryOffset, 50, 127), rawToDepth(113));
  EXPECT_DOUBLE_EQ(stepFrom(kCcValueRelativeBinaryOffset, 50, 0), rawToDepth(0));  // -64, clamped
}

TEST(CcRelative, TwosComplementReadsHighValuesAsNegative) {
  EXPECT_DOUBLE_EQ(stepFrom(kCcValueRelativeTwosComplement, 10, 127), rawToDepth(9));
  EXPECT_DOUBLE_EQ(stepFrom(kCcValueRelativeTwosComplement, 10, 1), rawToDepth(11));
  EXPECT_DOUBLE_EQ(stepFrom(kCcValueRelativeTwosComplement, 10, 63), rawToDepth(73));
  EXPECT_DOUBLE_EQ(stepFrom(kCcValueRelativeTwosComplement, 10, 65), rawToDepth(0));  // -63, clamped
  EXPECT_EQ(stepFrom(kCcValueRelativeTwosComplement, 10, 64), kNone);
  EXPECT_EQ(stepFrom(kCcValueRelativeTwosComplement, 10, 0), kNone);
}

TEST(CcRelative, SignedBitUsesBitSixForDirection) {
  EXPECT_DOUBLE_EQ(stepFrom(kCcValueRelativeSignedBit, 10, 65), rawToDepth(11));
  EXPECT_DOUBLE_EQ(stepFrom(kCcValueRelativeSignedBit, 10, 1), rawToDepth(9));
  EXPECT_DOUBLE_EQ(stepFrom(kCcValueRelativeSignedBit, 10, 70), rawToDepth(16));
  EXPECT_DOUBLE_EQ(stepFrom(kCcValueRelativeSignedBit, 10, 5), rawToDepth(5));
  EXPECT_DOUBLE_EQ(stepFrom(kCcValueRelativeSignedBit, 120, 127), 1.0);  // +63, clamped
  EXPECT_EQ(stepFrom(kCcValueRelativeSignedBit, 10, 64), kNone);
  EXPECT_EQ(stepFrom(kCcValueRelativeSignedBit, 10, 0), kNone);
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
  for (int raw = 1; raw <= 127; ++raw) {
    ASSERT_NEAR(resolveOne(map, 9, 65, &state), expected(raw), 1e-12) << raw;
  }
  EXPECT_NEAR(resolveOne(map, 9, 65, &state), expected(127), 1e-12);  // stays at the top
  for (int raw = 126; raw >= 117; --raw) {
    ASSERT_NEAR(resolveOne(map, 9, 63, &state), expected(raw), 1e-12) << raw;
  }
}

TEST(CcRelative, StepStartsFromTheParameterPositionOnTheCurve) {
  // Depth 0.25 on an exp curve sits at raw 63 ((63/127)^2 is nearest), so +1
  // lands on raw 64 of the curve, not on 0.25 + 1/127.
  const CcMap map =
      ccMapOf({withCurve(ccBinding(kParamDepth, 9, kCcValueRelativeTwosComplement), kCcCurveExp)});
  FakeParams params;
  params.values[kParamDepth] = 0.25;
  const double x = 64.0 / 127.0;
  EXPECT_NEAR(resolveOne(map, 9, 1, nullptr, &params), x * x, 1e-12);
}

TEST(CcRelative, UnknownParameterStartsFromZero) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 9, kCcValueRelativeBinaryOffset)});
  EXPECT_DOUBLE_EQ(resolveOne(map, 9, 70, nullptr), rawToDepth(6));
}

TEST(CcToggle, FlipsOnlyOnRisingEdges) {
  const CcMap map = ccMapOf({ccBinding(kParamWet, 3, kCcValueToggle)});
  CcRouterState state;
  EXPECT_EQ(resolveOne(map, 3, 0, &state), kNone);
  EXPECT_EQ(resolveOne(map, 3, 127, &state), 1.0);
  EXPECT_EQ(resolveOne(map, 3, 127, &state), kNone);
  EXPECT_EQ(resolveOne(map, 3, 0, &state), kNone);
  EXPECT_EQ(resolveOne(map, 3, 127, &state), 0.0);
  EXPECT_EQ(resolveOne(map, 3, 63, &state), kNone);
  EXPECT_EQ(resolveOne(map, 3, 64, &state), 1.0);  // 64 already counts as high
}

TEST(CcToggle, SwitchesBetweenTheRangeEndsWhateverTheCurve) {
  const CcMap map =
      ccMapOf({withCurve(withRange(ccBinding(kParamDepth, 3, kCcValueToggle), 0.2, 0.8), kCcCurveExp)});
  CcRouterState state;
  EXPECT_DOUBLE_EQ(resolveOne(map, 3, 127, &state), 0.8);
  EXPECT_EQ(resolveOne(map, 3, 0, &state), kNone);
  EXPECT_DOUBLE_EQ(resolveOne(map, 3, 100, &state), 0.2);
}

TEST(CcToggle, ReaderDecidesWhichEndIsNext) {
  const CcMap map = ccMapOf({ccBinding(kParamDepth, 3, kCcValueToggle)});
  FakeParams params;
  params.values[kParamDepth] = 0.9;
  EXPECT_EQ(resolveOne(map, 3, 127, nullptr, &params), 0.0);
  params.values[kParamDepth] = 0.5;  // as close to either end: go high
  EXPECT_EQ(resolveOne(map, 3, 127, nullptr, &params), 1.0);
  params.values[kParamDepth] = 0.2;
  EXPECT_EQ(resolveOne(map, 3, 127, nullptr, &params), 1.0);
}

}  // namespace
}  // namespace talvo
