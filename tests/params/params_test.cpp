#include "params/params.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

using namespace talvo;

namespace {

const talvo_param_desc& rate() {
  return TALVO_PARAMS[kParamRate];
}
const talvo_param_desc& depth() {
  return TALVO_PARAMS[kParamDepth];
}

// Variants of the rate row that exercise the other kinds and ranges; only
// lists read the labels.
const char* const kLabels[] = {"Low", "Mid", nullptr};
talvo_param_desc variant(std::uint32_t kind, double minimum, double maximum, double step = 0.0) {
  talvo_param_desc d = rate();
  d.kind = kind;
  d.minimum = minimum;
  d.maximum = maximum;
  d.step = step;
  d.list_count = 3;
  d.list_labels = kLabels;
  return d;
}
const talvo_param_desc kList = variant(TALVO_PARAM_KIND_LIST, 0.1, 20.0);
const talvo_param_desc kToggle = variant(TALVO_PARAM_KIND_TOGGLE, 0.1, 20.0);
const talvo_param_desc kFlat = variant(TALVO_PARAM_KIND_CONTINUOUS, 3.0, 3.0);
const talvo_param_desc kStepped = variant(TALVO_PARAM_KIND_CONTINUOUS, 0.0, 10.0, 0.5);

constexpr double kRefused = -999.0;

// The normalized value read from `text`, or kRefused; a refusal must leave the value untouched.
double read(const talvo_param_desc& d, const char* text) {
  double n = 0.42;
  if (paramFromText(d, text, n)) return n;
  EXPECT_EQ(n, 0.42) << "refused text changed the value";
  return kRefused;
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

TEST(ParamConversion, ValuesClampStepOnlyTowardsPlainAndListsRound) {
  const struct {
    const talvo_param_desc& d;
    double normalized, plain;
  } toPlain[] = {{rate(), 0.0, 0.1},     {rate(), 1.0, 20.0}, {rate(), -3.0, 0.1},
                 {kStepped, 0.123, 1.0}, {kList, 0.74, 1.0},  {kList, 0.76, 2.0}};
  for (const auto& c : toPlain)
    EXPECT_EQ(paramToPlain(c.d, c.normalized), c.plain) << c.normalized;
  const struct {
    const talvo_param_desc& d;
    double plain, normalized;
  } toNormalized[] = {{rate(), 100.0, 1.0},
                      {rate(), -1.0, 0.0},
                      {kStepped, 1.23, 0.123},
                      {kFlat, 3.0, 0.0},
                      {kFlat, 10.0, 0.0}};
  for (const auto& c : toNormalized)
    EXPECT_EQ(talvo_param_normalize(&c.d, c.plain), c.normalized) << c.plain;
  for (double n = 0; n <= 1.0; n += 0.125)
    EXPECT_NEAR(paramToNormalized(rate(), paramToPlain(rate(), n)), n, 1e-15);
}

TEST(ParamText, ShowsTheShortestRoundTripFormOrTheLabel) {
  EXPECT_EQ(paramToText(rate(), 0.0), "0.1");
  EXPECT_EQ(paramToText(rate(), 1.0), "20");
  EXPECT_EQ(paramToText(depth(), 0.1), "0.1");
  EXPECT_EQ(paramToText(kList, 0.4), "Mid");
  EXPECT_EQ(paramToText(kList, 1.0), "") << "a null label";
  EXPECT_EQ(paramToText(kToggle, 0.5), "on");
  EXPECT_EQ(paramToText(kToggle, 0.49), "off");
  for (double n : {0.013, 0.25, 0.3333333333333333, 0.999}) {
    const std::string text = paramToText(rate(), n);
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), paramToPlain(rate(), n)) << text;
  }
}

// A leading number is read as the shared reader reads it, after any white
// space, with anything after it ignored; a NaN must never become a parameter value.
TEST(ParamText, ReadsLeadingNumbersLabelsAndWordsAndRefusesTheRest) {
  const struct {
    const talvo_param_desc& d;
    const char* text;
    double normalized;
  } cases[] = {
      // clang-format off
      {rate(), "30", 1.0}, {rate(), "5 Hz", rate().default_normalized},
      {rate(), " \t\v+5", rate().default_normalized}, {rate(), "abc", kRefused}, {rate(), "", kRefused},
      {rate(), nullptr, kRefused}, {rate(), "-2e400", 0.0}, {rate(), "inf", 1.0}, {rate(), "nan", kRefused},
      {depth(), " -nan(1)", kRefused},
      {kFlat, "3", 0.0}, {kList, "Mid", 0.5}, {kList, "7", 1.0},
      {kToggle, "false", 0.0}, {kToggle, "-2", 1.0}, {kToggle, "On", kRefused},
      // clang-format on
  };
  for (const auto& c : cases)
    EXPECT_NEAR(read(c.d, c.text), c.normalized, 1e-12) << (c.text ? c.text : "(null)");
}

TEST(ParamText, DecimalPointDoesNotFollowTheProcessLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no comma-decimal locale installed";
  EXPECT_EQ(read(depth(), "0.5"), 0.5);
  EXPECT_EQ(paramToText(depth(), 0.25), "0.25");
  std::setlocale(LC_NUMERIC, saved.c_str());
}
