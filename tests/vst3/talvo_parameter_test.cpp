#include <gtest/gtest.h>

#include <string>

#include "params/talvo_parameter.h"

namespace talvo {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

std::u16string text(const String128 s) {
  std::u16string out;
  for (int i = 0; i < 128 && s[i] != 0; ++i)
    out += static_cast<char16_t>(s[i]);
  return out;
}

std::u16string shown(const TalvoParameter& p, double normalized) {
  String128 s{};
  p.toString(normalized, s);
  return text(s);
}

bool read(const TalvoParameter& p, const std::u16string& in, double& normalized) {
  return p.fromString(reinterpret_cast<const TChar*>(in.c_str()), normalized);
}

TEST(TalvoParameter, InfoComesFromTheTableRow) {
  TalvoParameter rate(TALVO_PARAMS[kParamRate]);
  const ParameterInfo& info = rate.getInfo();
  EXPECT_EQ(info.id, kParamRate);
  EXPECT_EQ(text(info.title), u"Rate");
  EXPECT_EQ(text(info.shortTitle), u"Rate");
  EXPECT_EQ(text(info.units), u"Hz");
  EXPECT_EQ(info.stepCount, 0);
  EXPECT_EQ(info.defaultNormalizedValue, (5.0 - 0.1) / (20.0 - 0.1));
  EXPECT_EQ(info.unitId, kRootUnitId);
  EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate);
  EXPECT_EQ(rate.getNormalized(), info.defaultNormalizedValue);

  TalvoParameter wet(TALVO_PARAMS[kParamWet]);
  EXPECT_EQ(text(wet.getInfo().title), u"Mix");
  EXPECT_EQ(text(wet.getInfo().units), u"");
  EXPECT_EQ(wet.getNormalized(), 1.0);
}

TEST(TalvoParameter, TextShowsTheShortestPlainValue) {
  TalvoParameter rate(TALVO_PARAMS[kParamRate]);
  EXPECT_EQ(shown(rate, 0.0), u"0.1");
  EXPECT_EQ(shown(rate, 1.0), u"20");
  EXPECT_EQ(shown(rate, rate.toNormalized(5.0)), u"5");
  EXPECT_EQ(rate.toNormalized(5.0), TALVO_PARAMS[kParamRate].default_normalized);
  EXPECT_EQ(rate.toPlain(2.0), 20.0) << "normalized values are clamped";
}

TEST(TalvoParameter, TextReadsBackNumbersWithTrailingUnits) {
  TalvoParameter rate(TALVO_PARAMS[kParamRate]);
  double n = -1.0;
  EXPECT_TRUE(read(rate, u"30", n));
  EXPECT_EQ(n, 1.0);
  EXPECT_TRUE(read(rate, u"5 Hz", n));
  EXPECT_EQ(n, rate.toNormalized(5.0));

  n = 0.42;
  EXPECT_FALSE(read(rate, u"abc", n));
  EXPECT_EQ(n, 0.42);
  EXPECT_FALSE(read(rate, u"", n));
  EXPECT_EQ(n, 0.42);
  EXPECT_FALSE(read(rate, u"\u00b5s", n)) << "non-ASCII text is no number";
  EXPECT_EQ(n, 0.42);
  EXPECT_FALSE(rate.fromString(nullptr, n));
}

TEST(TalvoParameter, StepCountFollowsTheKind) {
  static const char* const labels[] = {"Low", "Mid", "High"};
  talvo_param_desc list = TALVO_PARAMS[0];
  list.kind = TALVO_PARAM_KIND_LIST;
  list.list_count = 3;
  list.list_labels = labels;
  TalvoParameter listParam(list);
  EXPECT_EQ(listParam.getInfo().stepCount, 2);
  EXPECT_EQ(shown(listParam, 0.5), u"Mid");
  double n = 0.0;
  EXPECT_TRUE(read(listParam, u"High", n));
  EXPECT_EQ(n, 1.0);

  list.list_count = 1;
  EXPECT_EQ(TalvoParameter(list).getInfo().stepCount, 1);

  talvo_param_desc toggle = TALVO_PARAMS[0];
  toggle.kind = TALVO_PARAM_KIND_TOGGLE;
  TalvoParameter toggleParam(toggle);
  EXPECT_EQ(toggleParam.getInfo().stepCount, 1);
  EXPECT_EQ(shown(toggleParam, 0.7), u"on");
  EXPECT_TRUE(read(toggleParam, u"off", n));
  EXPECT_EQ(n, 0.0);
}

TEST(TalvoParameter, EmptyRangeNormalizesEverythingToZero) {
  talvo_param_desc flat = TALVO_PARAMS[kParamDepth];
  flat.minimum = flat.maximum = 3.0;
  flat.title = nullptr;
  TalvoParameter p(flat);
  EXPECT_EQ(p.toNormalized(3.0), 0.0);
  EXPECT_EQ(p.toNormalized(100.0), 0.0);
  EXPECT_EQ(text(p.getInfo().title), u"") << "a null title gives an empty string";
}

}  // namespace
}  // namespace talvo
