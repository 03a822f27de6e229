#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "cc_test_util.h"
#include "ccmap/cc_resolve.h"
#include "params/params.h"
#include "support/data_file.h"

namespace talvo {
namespace {

using namespace test;

const talvo_param_desc& depth = TALVO_PARAMS[kParamDepth];

talvo_param_desc kindParam(std::int32_t kind, double maximum, std::int32_t listCount = 0) {
  talvo_param_desc d = TALVO_PARAMS[0];
  d.kind = kind;
  d.minimum = 0.0;
  d.maximum = maximum;
  d.list_count = listCount;
  return d;
}

// The rows of tests/data/ccmap/curves.txt.
TEST(CcCurve, RangesCurvesAndParameterKindsGiveTheExpectedValue) {
  for (const CaseRow& row : readCaseTable("ccmap/curves.txt")) {
    const CcBinding binding = parsedBinding("\"cc\":1," + row.at(1));
    const std::string& kind = row.at(2);
    const talvo_param_desc desc =
        kind == "-" ? TALVO_PARAMS[binding.param]
        : kind == "toggle"
            ? kindParam(TALVO_PARAM_KIND_TOGGLE, 1)
            : kindParam(TALVO_PARAM_KIND_LIST, std::stoi(kind.substr(5)) - 1, std::stoi(kind.substr(5)));
    EXPECT_NEAR(ccApplyNormalized(binding, desc, std::stoi(row.at(3))), std::stod(row.at(4)), 1e-12)
        << row[0];
  }
}

TEST(CcCurve, EveryCurveRisesInsideTheUnitRangeAndTheSCurveIsSymmetric) {
  for (std::uint8_t curve : {kCcCurveLinear, kCcCurveExp, kCcCurveLog, kCcCurveSCurve}) {
    const CcBinding curved = ccBinding(kParamDepth, 1, kCcValueAbsolute, kCcTakeoverJump, curve);
    double previous = -1.0;
    for (int r = 0; r <= 127; ++r) {
      const double v = ccApplyNormalized(curved, depth, r);
      EXPECT_TRUE(v > previous && v <= 1.0) << "curve " << int(curve) << " raw " << r << ": " << v;
      if (curve == kCcCurveSCurve) {
        EXPECT_NEAR(v + ccApplyNormalized(curved, depth, 127 - r), 1.0, 1e-12) << r;
      }
      previous = v;
    }
  }
}

TEST(CcCurve, NonFiniteRangeNeverYieldsNaN) {
  for (auto [min, max] : {std::pair<double, double>{-INFINITY, INFINITY}, {NAN, 1.0}, {0.0, NAN}}) {
    for (int r = 0; r <= 127; ++r) {
      const double v = ccApplyNormalized(withRange(ccBinding(kParamDepth, 1), min, max), depth, r);
      EXPECT_TRUE(v >= 0.0 && v <= 1.0) << r << " gave " << v;
    }
  }
}

TEST(CcCurve, ClosestRawValuePrefersTheLowerOfTwoEqualNeighbours) {
  const CcBinding b = ccBinding(kParamDepth, 1);
  EXPECT_EQ(ccClosestRaw(b, depth, 1.0), 127);
  EXPECT_EQ(ccClosestRaw(b, depth, 10.0 / 127.0 + 1e-4), 10);
  EXPECT_EQ(ccClosestRaw(withRange(b, 0.3, 0.3), depth, 0.9), 0);  // flat: the smallest wins
  const talvo_param_desc toggle = kindParam(TALVO_PARAM_KIND_TOGGLE, 1);
  EXPECT_EQ(ccClosestRaw(b, toggle, 0.5), 0);
  EXPECT_EQ(ccClosestRaw(b, toggle, 0.9), 64);
}

}  // namespace
}  // namespace talvo
