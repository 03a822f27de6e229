#include <gtest/gtest.h>

#include <cmath>

#include "cc_test_util.h"

namespace talvo {
namespace {

using test::ccBinding;
using test::withCurve;
using test::withRange;

const talvo_param_desc& rate() {
  return TALVO_PARAMS[kParamRate];
}
const talvo_param_desc& depth() {
  return TALVO_PARAMS[kParamDepth];
}

TEST(CcCurve, LinearBindingWithoutRangeSpansTheWholeParameter) {
  const CcBinding b = ccBinding(kParamRate, 1);
  EXPECT_DOUBLE_EQ(ccApplyNormalized(b, rate(), 127), 1.0);
  EXPECT_DOUBLE_EQ(ccApplyNormalized(b, rate(), 0), 0.0);
  EXPECT_NEAR(ccApplyNormalized(b, rate(), 64), 64.0 / 127.0, 1e-12);
}

TEST(CcCurve, TargetRangeIsInThePlainUnitsOfTheParameter) {
  const CcBinding b = withRange(ccBinding(kParamRate, 1), 2.0, 4.0);
  EXPECT_NEAR(ccApplyNormalized(b, rate(), 0), (2.0 - 0.1) / 19.9, 1e-12);
  EXPECT_NEAR(ccApplyNormalized(b, rate(), 127), (4.0 - 0.1) / 19.9, 1e-12);
  // Read back in hertz: the controller's travel covers 2 to 4 Hz.
  EXPECT_NEAR(paramToPlain(rate(), ccApplyNormalized(b, rate(), 0)), 2.0, 1e-9);
  EXPECT_NEAR(paramToPlain(rate(), ccApplyNormalized(b, rate(), 127)), 4.0, 1e-9);
}

TEST(CcCurve, CurveShapesBeforeTheRangeIsApplied) {
  const CcBinding exp = withRange(withCurve(ccBinding(kParamDepth, 1), kCcCurveExp), 0.2, 0.6);
  const double x = 64.0 / 127.0;
  EXPECT_NEAR(ccApplyNormalized(exp, depth(), 64), 0.2 + x * x * 0.4, 1e-12);
  const CcBinding log = withCurve(ccBinding(kParamDepth, 1), kCcCurveLog);
  EXPECT_NEAR(ccApplyNormalized(log, depth(), 32), std::sqrt(32.0 / 127.0), 1e-12);
}

TEST(CcCurve, SCurveReachesBothEndsExactlyAndIsSymmetric) {
  const CcBinding s = withCurve(ccBinding(kParamDepth, 1), kCcCurveSCurve);
  EXPECT_EQ(ccApplyNormalized(s, depth(), 0), 0.0);
  EXPECT_EQ(ccApplyNormalized(s, depth(), 127), 1.0);
  for (int r = 0; r <= 127; ++r) {
    EXPECT_NEAR(ccApplyNormalized(s, depth(), r) + ccApplyNormalized(s, depth(), 127 - r), 1.0, 1e-12) << r;
  }
}

TEST(CcCurve, EveryCurveRisesWithTheControllerAndStaysInsideTheUnitRange) {
  for (std::uint8_t curve : {kCcCurveLinear, kCcCurveExp, kCcCurveLog, kCcCurveSCurve}) {
    const CcBinding b = withCurve(ccBinding(kParamRate, 1), curve);
    double previous = -1.0;
    for (int r = 0; r <= 127; ++r) {
      const double v = ccApplyNormalized(b, rate(), r);
      EXPECT_GT(v, previous) << "curve " << int(curve) << " raw " << r;
      EXPECT_GE(v, 0.0);
      EXPECT_LE(v, 1.0);
      previous = v;
    }
  }
}

TEST(CcCurve, ReversedRangeRunsDownward) {
  const CcBinding b = withRange(ccBinding(kParamDepth, 1), 1.0, 0.0);
  EXPECT_DOUBLE_EQ(ccApplyNormalized(b, depth(), 0), 1.0);
  EXPECT_DOUBLE_EQ(ccApplyNormalized(b, depth(), 127), 0.0);
}

TEST(CcCurve, RawValuesOutsideSevenBitsAreClamped) {
  const CcBinding b = ccBinding(kParamDepth, 1);
  EXPECT_EQ(ccApplyNormalized(b, depth(), -5), ccApplyNormalized(b, depth(), 0));
  EXPECT_EQ(ccApplyNormalized(b, depth(), 300), ccApplyNormalized(b, depth(), 127));
}

TEST(CcCurve, RangeWiderThanTheParameterIsClampedToIt) {
  const CcBinding b = withRange(ccBinding(kParamDepth, 1), -10.0, 10.0);
  EXPECT_EQ(ccApplyNormalized(b, depth(), 0), 0.0);
  EXPECT_EQ(ccApplyNormalized(b, depth(), 127), 1.0);
  EXPECT_EQ(ccApplyNormalized(b, depth(), 70), 1.0);  // 10 * (140/127 - 1) > 1
}

TEST(CcCurve, ExtremeOrNonFiniteRangeNeverYieldsNaN) {
  // Bindings built in code may carry any double; whatever the ends, the
  // answer must be a value a parameter can take.
  const double huge = 1e308;
  const CcBinding wide = withRange(ccBinding(kParamDepth, 1), -huge, huge);
  EXPECT_EQ(ccApplyNormalized(wide, depth(), 0), 0.0);
  EXPECT_EQ(ccApplyNormalized(wide, depth(), 63), 0.0);  // just below the middle: negative
  EXPECT_EQ(ccApplyNormalized(wide, depth(), 64), 1.0);
  EXPECT_EQ(ccApplyNormalized(wide, depth(), 127), 1.0);
  const double inf = INFINITY;
  for (const CcBinding& b :
       {withRange(ccBinding(kParamDepth, 1), -inf, inf), withRange(ccBinding(kParamDepth, 1), NAN, 1.0),
        withRange(ccBinding(kParamDepth, 1), 0.0, NAN)}) {
    for (int r = 0; r <= 127; ++r) {
      const double v = ccApplyNormalized(b, depth(), r);
      EXPECT_FALSE(std::isnan(v)) << r;
      EXPECT_GE(v, 0.0);
      EXPECT_LE(v, 1.0);
    }
  }
}

talvo_param_desc listParam(std::int32_t count) {
  talvo_param_desc d = TALVO_PARAMS[0];
  d.kind = TALVO_PARAM_KIND_LIST;
  d.minimum = 0.0;
  d.maximum = count > 0 ? count - 1 : 0;
  d.list_count = count;
  return d;
}

TEST(CcCurve, ListParameterNormalizesByItsLastIndex) {
  const talvo_param_desc five = listParam(5);
  const CcBinding b = withRange(ccBinding(0, 1), 1.0, 3.0);
  EXPECT_DOUBLE_EQ(ccApplyNormalized(b, five, 0), 0.25);
  EXPECT_DOUBLE_EQ(ccApplyNormalized(b, five, 127), 0.75);
  const CcBinding beyond = withRange(ccBinding(0, 1), -2.0, 9.0);
  EXPECT_EQ(ccApplyNormalized(beyond, five, 0), 0.0);
  EXPECT_EQ(ccApplyNormalized(beyond, five, 127), 1.0);
  EXPECT_EQ(ccApplyNormalized(ccBinding(0, 1), listParam(1), 127), 0.0);
}

TEST(CcCurve, ToggleParameterSwitchesAtHalfThePlainRange) {
  talvo_param_desc toggle = TALVO_PARAMS[0];
  toggle.kind = TALVO_PARAM_KIND_TOGGLE;
  toggle.minimum = 0.0;
  toggle.maximum = 1.0;
  const CcBinding b = ccBinding(0, 1);
  EXPECT_EQ(ccApplyNormalized(b, toggle, 63), 0.0);
  EXPECT_EQ(ccApplyNormalized(b, toggle, 64), 1.0);
  EXPECT_EQ(ccApplyNormalized(b, toggle, 127), 1.0);
}

TEST(CcCurve, ClosestRawValuePrefersTheLowerOfTwoEqualNeighbours) {
  const CcBinding b = ccBinding(kParamDepth, 1);
  EXPECT_EQ(ccClosestRaw(b, depth(), 0.0), 0);
  EXPECT_EQ(ccClosestRaw(b, depth(), 1.0), 127);
  EXPECT_EQ(ccClosestRaw(b, depth(), 10.0 / 127.0 + 1e-4), 10);
  // A flat stretch: every raw value maps to 0.3, and the smallest wins.
  const CcBinding flat = withRange(ccBinding(kParamDepth, 1), 0.3, 0.3);
  EXPECT_EQ(ccClosestRaw(flat, depth(), 0.9), 0);
  // A toggle: 0 and 64 are the first raw values of its two answers.
  talvo_param_desc toggle = TALVO_PARAMS[0];
  toggle.kind = TALVO_PARAM_KIND_TOGGLE;
  toggle.minimum = 0.0;
  toggle.maximum = 1.0;
  EXPECT_EQ(ccClosestRaw(b, toggle, 0.5), 0);
  EXPECT_EQ(ccClosestRaw(b, toggle, 0.9), 64);
}

}  // namespace
}  // namespace talvo
