#include "params/params.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

using namespace talvo;

namespace {
const talvo_param_desc& rate() {
  return TALVO_PARAMS[kParamRate];
}
}  // namespace

TEST(ParamTable, RowsMatchTheirIdentifiersAndDefaultsAgree) {
  for (std::uint32_t i = 0; i < TALVO_PARAM_COUNT; ++i) {
    const auto& d = TALVO_PARAMS[i];
    EXPECT_EQ(d.id, i);
    EXPECT_EQ(paramById(i), &d);
    EXPECT_EQ(paramByPath(d.path), &d);
    EXPECT_EQ(talvo_param_normalize(&d, d.default_plain), d.default_normalized) << d.path;
  }
  EXPECT_EQ(paramById(3), nullptr);
  EXPECT_EQ(paramByPath("oriel.Rate"), nullptr);
  EXPECT_EQ(rate().default_normalized, (5.0 - 0.1) / (20.0 - 0.1));
}

TEST(ParamConversion, ContinuousValuesClampAndRoundTrip) {
  EXPECT_EQ(paramToPlain(rate(), 0.0), 0.1);
  EXPECT_EQ(paramToPlain(rate(), 1.0), 20.0);
  EXPECT_EQ(paramToPlain(rate(), -3.0), 0.1);
  EXPECT_EQ(paramToNormalized(rate(), 100.0), 1.0);
  EXPECT_EQ(paramToNormalized(rate(), -1.0), 0.0);
  for (double n = 0; n <= 1.0; n += 0.125)
    EXPECT_NEAR(paramToNormalized(rate(), paramToPlain(rate(), n)), n, 1e-15);
}

TEST(ParamConversion, EmptyRangeNormalizesToZero) {
  talvo_param_desc flat = rate();
  flat.minimum = flat.maximum = 3.0;
  EXPECT_EQ(talvo_param_normalize(&flat, 3.0), 0.0);
  EXPECT_EQ(talvo_param_normalize(&flat, 10.0), 0.0);
  double n = 0.7;
  ASSERT_TRUE(paramFromText(flat, "3", n));
  EXPECT_EQ(n, 0.0);
}

TEST(ParamConversion, StepRoundsOnlyTowardsPlain) {
  talvo_param_desc stepped = rate();
  stepped.minimum = 0;
  stepped.maximum = 10;
  stepped.step = 0.5;
  EXPECT_EQ(paramToPlain(stepped, 0.123), 1.0);
  EXPECT_EQ(paramToNormalized(stepped, 1.23), 0.123);
}

TEST(ParamConversion, ListAndToggleKinds) {
  static const char* const labels[] = {"Low", "Mid", nullptr};
  talvo_param_desc list = rate();
  list.kind = TALVO_PARAM_KIND_LIST;
  list.list_count = 3;
  list.list_labels = labels;
  EXPECT_EQ(paramToPlain(list, 0.74), 1.0);
  EXPECT_EQ(paramToPlain(list, 0.76), 2.0);
  EXPECT_EQ(paramToText(list, 0.4), "Mid");
  EXPECT_EQ(paramToText(list, 1.0), "");  // null label
  double n = -1;
  ASSERT_TRUE(paramFromText(list, "Mid", n));
  EXPECT_EQ(n, 0.5);
  ASSERT_TRUE(paramFromText(list, "7", n));
  EXPECT_EQ(n, 1.0);

  talvo_param_desc toggle = rate();
  toggle.kind = TALVO_PARAM_KIND_TOGGLE;
  EXPECT_EQ(paramToText(toggle, 0.5), "on");
  EXPECT_EQ(paramToText(toggle, 0.49), "off");
  ASSERT_TRUE(paramFromText(toggle, "false", n));
  EXPECT_EQ(n, 0.0);
  ASSERT_TRUE(paramFromText(toggle, "-2", n));
  EXPECT_EQ(n, 1.0);
  EXPECT_FALSE(paramFromText(toggle, "On", n));
}

TEST(ParamText, ShortestRoundTripForm) {
  EXPECT_EQ(paramToText(rate(), 0.0), "0.1");
  EXPECT_EQ(paramToText(rate(), 1.0), "20");
  EXPECT_EQ(paramToText(TALVO_PARAMS[kParamDepth], 0.1), "0.1");
  for (double n : {0.013, 0.25, 0.3333333333333333, 0.999}) {
    const std::string text = paramToText(rate(), n);
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), paramToPlain(rate(), n)) << text;
  }
}

TEST(ParamText, ReadingAcceptsLeadingNumbersAndRejectsTheRest) {
  double n = 0.42;
  EXPECT_TRUE(paramFromText(rate(), "30", n));
  EXPECT_EQ(n, 1.0);
  EXPECT_TRUE(paramFromText(rate(), "5 Hz", n));
  EXPECT_EQ(n, rate().default_normalized);
  n = 0.42;
  EXPECT_FALSE(paramFromText(rate(), "abc", n));
  EXPECT_FALSE(paramFromText(rate(), "", n));
  EXPECT_FALSE(paramFromText(rate(), nullptr, n));
  EXPECT_EQ(n, 0.42);
}

TEST(ParamText, NumbersBeyondDoubleSaturateAndNanIsNoValue) {
  double n = 0.42;
  EXPECT_TRUE(paramFromText(rate(), "1.5e999 Hz", n));
  EXPECT_EQ(n, 1.0);
  EXPECT_TRUE(paramFromText(rate(), "-2e400", n));
  EXPECT_EQ(n, 0.0);
  EXPECT_TRUE(paramFromText(TALVO_PARAMS[kParamDepth], "1e-999", n));
  EXPECT_EQ(n, 0.0);
  EXPECT_TRUE(paramFromText(rate(), "inf", n));
  EXPECT_EQ(n, 1.0);
  n = 0.42;
  EXPECT_FALSE(paramFromText(rate(), "nan", n));
  EXPECT_FALSE(paramFromText(TALVO_PARAMS[kParamDepth], " -nan(1)", n));
  EXPECT_EQ(n, 0.42) << "a NaN must never become a parameter value";
}

// A range around zero, so that every value read shows in the result.
TEST(ParamText, ReadsNumbersAsStrtodDoes) {
  talvo_param_desc wide = rate();
  wide.minimum = -100.0;
  wide.maximum = 100.0;
  const auto read = [&wide](const char* text) {
    double n = -1.0;
    return paramFromText(wide, text, n) ? n * 200.0 - 100.0 : -999.0;
  };
  EXPECT_NEAR(read(" \t+5"), 5.0, 1e-9);
  EXPECT_NEAR(read("-.5e1x"), -5.0, 1e-9);
  EXPECT_NEAR(read("0x10"), 16.0, 1e-9);
  EXPECT_NEAR(read("-0x1p-2"), -0.25, 1e-9);
  EXPECT_NEAR(read("0x1P99999"), 100.0, 1e-9);
  EXPECT_NEAR(read("-0x1p-99999"), 0.0, 1e-9);
  EXPECT_NEAR(read("0xg"), 0.0, 1e-9) << "the leading 0 alone";
  EXPECT_NEAR(read("0x-1"), 0.0, 1e-9) << "no sign after the prefix";
  EXPECT_NEAR(read("-1e-999"), 0.0, 1e-9);
  EXPECT_NEAR(read("123e306"), 100.0, 1e-9);
  EXPECT_NEAR(read("-0.000123e-320"), 0.0, 1e-9);
  EXPECT_EQ(read("+-5"), -999.0);
  EXPECT_EQ(read("--5"), -999.0);
  EXPECT_EQ(read("- 5"), -999.0);
  EXPECT_EQ(read("."), -999.0);
}

TEST(ParamText, DecimalPointDoesNotFollowTheProcessLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no comma-decimal locale installed";
  double n = 0;
  EXPECT_TRUE(paramFromText(TALVO_PARAMS[kParamDepth], "0.5", n));
  EXPECT_EQ(n, 0.5);
  EXPECT_TRUE(paramFromText(rate(), "1.5e999", n));
  EXPECT_EQ(n, 1.0) << "an overflowing number saturates whatever the locale";
  EXPECT_EQ(paramToText(TALVO_PARAMS[kParamDepth], 0.25), "0.25");
  std::setlocale(LC_NUMERIC, saved.c_str());
}
