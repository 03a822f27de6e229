#include <gtest/gtest.h>

#include <cmath>

#include "cc_test_util.h"

namespace talvo {
namespace {

using namespace test;

const talvo_param_desc& rate() {
  return TALVO_PARAMS[kParamRate];
}
const talvo_param_desc& depth() {
  return TALVO_PARAMS[kParamDepth];
}

talvo_param_desc kindParam(std::int32_t kind, double maximum, std::int32_t listCount = 0) {
  talvo_param_desc d = TALVO_PARAMS[0];
  d.kind = kind;
  d.minimum = 0.0;
  d.maximum = maximum;
  d.list_count = listCount;
  return d;
}

TEST(CcCurve, RangesCurvesAndParameterKindsGiveTheExpectedValue) {
  const talvo_param_desc five = kindParam(TALVO_PARAM_KIND_LIST, 4, 5);
  const talvo_param_desc toggle = kindParam(TALVO_PARAM_KIND_TOGGLE, 1);
  const double x = 64.0 / 127.0;
  struct Case {
    const char* what;
    CcBinding binding;
    talvo_param_desc desc;
    int raw;
    double expected;
  } cases[] = {
      {"linear top", ccBinding(kParamRate, 1), rate(), 127, 1.0},
      {"linear bottom", ccBinding(kParamRate, 1), rate(), 0, 0.0},
      {"linear middle", ccBinding(kParamRate, 1), rate(), 64, x},
      {"2 Hz in plain units", withRange(ccBinding(kParamRate, 1), 2.0, 4.0), rate(), 0, (2.0 - 0.1) / 19.9},
      {"4 Hz in plain units", withRange(ccBinding(kParamRate, 1), 2.0, 4.0), rate(), 127, (4.0 - 0.1) / 19.9},
      {"exp before range", withRange(withCurve(ccBinding(kParamDepth, 1), kCcCurveExp), 0.2, 0.6), depth(),
       64, 0.2 + x * x * 0.4},
      {"log", withCurve(ccBinding(kParamDepth, 1), kCcCurveLog), depth(), 32, std::sqrt(32.0 / 127.0)},
      {"s-curve bottom", withCurve(ccBinding(kParamDepth, 1), kCcCurveSCurve), depth(), 0, 0.0},
      {"s-curve top", withCurve(ccBinding(kParamDepth, 1), kCcCurveSCurve), depth(), 127, 1.0},
      {"reversed range", withRange(ccBinding(kParamDepth, 1), 1.0, 0.0), depth(), 0, 1.0},
      {"reversed range top", withRange(ccBinding(kParamDepth, 1), 1.0, 0.0), depth(), 127, 0.0},
      {"raw below 0", ccBinding(kParamDepth, 1), depth(), -5, 0.0},
      {"raw above 127", ccBinding(kParamDepth, 1), depth(), 300, 1.0},
      {"wide range clamps", withRange(ccBinding(kParamDepth, 1), -10.0, 10.0), depth(), 70, 1.0},
      {"wide range bottom", withRange(ccBinding(kParamDepth, 1), -10.0, 10.0), depth(), 0, 0.0},
      {"list by last index", withRange(ccBinding(0, 1), 1.0, 3.0), five, 0, 0.25},
      {"list top", withRange(ccBinding(0, 1), 1.0, 3.0), five, 127, 0.75},
      {"list beyond top", withRange(ccBinding(0, 1), -2.0, 9.0), five, 127, 1.0},
      {"list beyond bottom", withRange(ccBinding(0, 1), -2.0, 9.0), five, 0, 0.0},
      {"one-item list", ccBinding(0, 1), kindParam(TALVO_PARAM_KIND_LIST, 0, 1), 127, 0.0},
      {"toggle low", ccBinding(0, 1), toggle, 63, 0.0},
      {"toggle switches at half", ccBinding(0, 1), toggle, 64, 1.0},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(ccApplyNormalized(c.binding, c.desc, c.raw), c.expected, 1e-12) << c.what;
}

TEST(CcCurve, EveryCurveRisesInsideTheUnitRangeAndTheSCurveIsSymmetric) {
  for (std::uint8_t curve : {kCcCurveLinear, kCcCurveExp, kCcCurveLog, kCcCurveSCurve}) {
    const CcBinding b = withCurve(ccBinding(kParamRate, 1), curve);
    double previous = -1.0;
    for (int r = 0; r <= 127; ++r) {
      const double v = ccApplyNormalized(b, rate(), r);
      EXPECT_GT(v, previous) << "curve " << int(curve) << " raw " << r;
      EXPECT_TRUE(v >= 0.0 && v <= 1.0) << v;
      if (curve == kCcCurveSCurve) {
        EXPECT_NEAR(v + ccApplyNormalized(b, rate(), 127 - r), 1.0, 1e-12) << r;
      }
      previous = v;
    }
  }
}

TEST(CcCurve, ExtremeOrNonFiniteRangeNeverYieldsNaN) {
  const double huge = 1e308;
  const CcBinding wide = withRange(ccBinding(kParamDepth, 1), -huge, huge);
  EXPECT_EQ(ccApplyNormalized(wide, depth(), 63), 0.0);  // just below the middle: negative
  EXPECT_EQ(ccApplyNormalized(wide, depth(), 64), 1.0);
  for (const CcBinding& b :
       {withRange(ccBinding(kParamDepth, 1), -INFINITY, INFINITY),
        withRange(ccBinding(kParamDepth, 1), NAN, 1.0), withRange(ccBinding(kParamDepth, 1), 0.0, NAN)}) {
    for (int r = 0; r <= 127; ++r) {
      const double v = ccApplyNormalized(b, depth(), r);
      EXPECT_TRUE(v >= 0.0 && v <= 1.0) << r << " gave " << v;
    }
  }
}

TEST(CcCurve, ClosestRawValuePrefersTheLowerOfTwoEqualNeighbours) {
  const CcBinding b = ccBinding(kParamDepth, 1);
  EXPECT_EQ(ccClosestRaw(b, depth(), 0.0), 0);
  EXPECT_EQ(ccClosestRaw(b, depth(), 1.0), 127);
  EXPECT_EQ(ccClosestRaw(b, depth(), 10.0 / 127.0 + 1e-4), 10);
  EXPECT_EQ(ccClosestRaw(withRange(b, 0.3, 0.3), depth(), 0.9), 0);  // flat: the smallest wins
  const talvo_param_desc toggle = kindParam(TALVO_PARAM_KIND_TOGGLE, 1);
  EXPECT_EQ(ccClosestRaw(b, toggle, 0.5), 0);
  EXPECT_EQ(ccClosestRaw(b, toggle, 0.9), 64);
}

}  // namespace
}  // namespace talvo
