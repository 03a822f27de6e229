#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "cc_test_util.h"
#include "ccmap/cc_resolve.h"
#include "params/params.h"

namespace talvo {
namespace {

using namespace test;

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

CcBinding curved(std::uint8_t curve) {
  return ccBinding(kParamDepth, 1, kCcValueAbsolute, kCcTakeoverJump, curve);
}

TEST(CcCurve, RangesCurvesAndParameterKindsGiveTheExpectedValue) {
  const talvo_param_desc five = kindParam(TALVO_PARAM_KIND_LIST, 4, 5);
  const talvo_param_desc toggle = kindParam(TALVO_PARAM_KIND_TOGGLE, 1);
  const CcBinding plain = ccBinding(kParamDepth, 1);
  const CcBinding huge = withRange(plain, -1e308, 1e308);  // the span overflows
  const double x = 64.0 / 127.0;
  struct Case {
    const char* what;
    CcBinding binding;
    talvo_param_desc desc;
    int raw;
    double expected;
  } const cases[] = {
      {"linear middle", plain, depth(), 64, x},
      {"raw below 0 clamps", plain, depth(), -5, 0.0},
      {"raw above 127 clamps", plain, depth(), 300, 1.0},
      {"range in hertz", withRange(ccBinding(kParamRate, 1), 2.0, 4.0), TALVO_PARAMS[kParamRate], 127,
       (4.0 - 0.1) / 19.9},
      {"exp before range", withRange(curved(kCcCurveExp), 0.2, 0.6), depth(), 64, 0.2 + x * x * 0.4},
      {"log", curved(kCcCurveLog), depth(), 32, std::sqrt(32.0 / 127.0)},
      {"s-curve bottom", curved(kCcCurveSCurve), depth(), 0, 0.0},
      {"s-curve top", curved(kCcCurveSCurve), depth(), 127, 1.0},
      {"reversed range", withRange(plain, 1.0, 0.0), depth(), 0, 1.0},
      {"range wider than the parameter", withRange(plain, -10.0, 10.0), depth(), 70, 1.0},
      {"huge range below the middle", huge, depth(), 63, 0.0},
      {"huge range above the middle", huge, depth(), 64, 1.0},
      {"list by last index", withRange(ccBinding(0, 1), 1.0, 3.0), five, 0, 0.25},
      {"list beyond", withRange(ccBinding(0, 1), -2.0, 9.0), five, 127, 1.0},
      {"one-item list", ccBinding(0, 1), kindParam(TALVO_PARAM_KIND_LIST, 0, 1), 127, 0.0},
      {"toggle low", ccBinding(0, 1), toggle, 63, 0.0},
      {"toggle switches at half", ccBinding(0, 1), toggle, 64, 1.0},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(ccApplyNormalized(c.binding, c.desc, c.raw), c.expected, 1e-12) << c.what;
}

TEST(CcCurve, EveryCurveRisesInsideTheUnitRangeAndTheSCurveIsSymmetric) {
  for (std::uint8_t curve : {kCcCurveLinear, kCcCurveExp, kCcCurveLog, kCcCurveSCurve}) {
    double previous = -1.0;
    for (int r = 0; r <= 127; ++r) {
      const double v = ccApplyNormalized(curved(curve), depth(), r);
      EXPECT_TRUE(v > previous && v <= 1.0) << "curve " << int(curve) << " raw " << r << ": " << v;
      if (curve == kCcCurveSCurve) {
        EXPECT_NEAR(v + ccApplyNormalized(curved(curve), depth(), 127 - r), 1.0, 1e-12) << r;
      }
      previous = v;
    }
  }
}

TEST(CcCurve, NonFiniteRangeNeverYieldsNaN) {
  for (auto [min, max] : {std::pair<double, double>{-INFINITY, INFINITY}, {NAN, 1.0}, {0.0, NAN}}) {
    for (int r = 0; r <= 127; ++r) {
      const double v = ccApplyNormalized(withRange(ccBinding(kParamDepth, 1), min, max), depth(), r);
      EXPECT_TRUE(v >= 0.0 && v <= 1.0) << r << " gave " << v;
    }
  }
}

TEST(CcCurve, ClosestRawValuePrefersTheLowerOfTwoEqualNeighbours) {
  const CcBinding b = ccBinding(kParamDepth, 1);
  EXPECT_EQ(ccClosestRaw(b, depth(), 1.0), 127);
  EXPECT_EQ(ccClosestRaw(b, depth(), 10.0 / 127.0 + 1e-4), 10);
  EXPECT_EQ(ccClosestRaw(withRange(b, 0.3, 0.3), depth(), 0.9), 0);  // flat: the smallest wins
  const talvo_param_desc toggle = kindParam(TALVO_PARAM_KIND_TOGGLE, 1);
  EXPECT_EQ(ccClosestRaw(b, toggle, 0.5), 0);
  EXPECT_EQ(ccClosestRaw(b, toggle, 0.9), 64);
}

}  // namespace
}  // namespace talvo
