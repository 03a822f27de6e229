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

// The normalized value read from `in`, or -1 when refused; a refusal leaves the value untouched.
double read(const TalvoParameter& p, const char16_t* in) {
  double n = 0.42;
  if (p.fromString(reinterpret_cast<const TChar*>(in), n)) return n;
  EXPECT_EQ(n, 0.42);
  return -1.0;
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

  talvo_param_desc untitled = TALVO_PARAMS[kParamDepth];
  untitled.title = nullptr;
  EXPECT_EQ(text(TalvoParameter(untitled).getInfo().title), u"") << "a null title gives an empty string";
}

TEST(TalvoParameter, StepCountFollowsTheKind) {
  talvo_param_desc d = TALVO_PARAMS[0];
  d.kind = TALVO_PARAM_KIND_LIST;
  d.list_count = 3;
  EXPECT_EQ(TalvoParameter(d).getInfo().stepCount, 2);
  d.list_count = 1;
  EXPECT_EQ(TalvoParameter(d).getInfo().stepCount, 1);
  d.kind = TALVO_PARAM_KIND_TOGGLE;
  EXPECT_EQ(TalvoParameter(d).getInfo().stepCount, 1);
}

// The conversions themselves are the parameter table's; these cases show
// that values and UTF-16 text pass through both ways.
TEST(TalvoParameter, ValuesAndTextPassThroughToTheTableConversions) {
  TalvoParameter rate(TALVO_PARAMS[kParamRate]);
  EXPECT_EQ(shown(rate, 0.0), u"0.1");
  EXPECT_EQ(shown(rate, rate.toNormalized(5.0)), u"5");
  EXPECT_EQ(rate.toNormalized(5.0), TALVO_PARAMS[kParamRate].default_normalized);
  EXPECT_EQ(rate.toPlain(2.0), 20.0) << "normalized values are clamped";
  EXPECT_EQ(read(rate, u"30"), 1.0);
  EXPECT_EQ(read(rate, u"5 Hz"), rate.toNormalized(5.0));
  EXPECT_EQ(read(rate, u"abc"), -1.0);
  EXPECT_EQ(read(rate, u""), -1.0);
  EXPECT_EQ(read(rate, u"\u00b5s"), -1.0) << "non-ASCII text is no number";
  EXPECT_EQ(read(rate, nullptr), -1.0);

  static const char* const labels[] = {"Low", "Mid", "High"};
  talvo_param_desc list = TALVO_PARAMS[0];
  list.kind = TALVO_PARAM_KIND_LIST;
  list.list_count = 3;
  list.list_labels = labels;
  TalvoParameter listParam(list);
  EXPECT_EQ(shown(listParam, 0.5), u"Mid");
  EXPECT_EQ(read(listParam, u"High"), 1.0);
}

}  // namespace
}  // namespace talvo
